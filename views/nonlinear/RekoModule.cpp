#include "views/nonlinear/RekoModule.h"

#include <memory>

#include "document/CKalvoDoc.h"
#include "settings/CKalvoSettings.h"
#include "settings/SettingDescriptor.h"
#include "views/common/CModuleWindows.h"
#include "views/common/CommandLineModules.h"
#include "views/common/ScenePicture.h"
#include "views/nonlinear/CD3DRekoFrame.h"
#include "views/nonlinear/CRekoView.h"
#include "views/nonlinear/RekoViewSettings.h"

namespace {

constexpr int kCmdReko = 32778;
constexpr int kCmdShowReko = 32833;
constexpr int kTitleReko = 131;

std::unique_ptr<CRekoView> OffscreenView(const ModuleContext& context, const ScriptRequest& request) {
    auto view = std::make_unique<CRekoView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(request.size);
    return view;
}

bool Render(const ModuleContext& context, const ScriptRequest& request) {
    if (!TakeSelection(context, request)) return false;
    const std::unique_ptr<CRekoView> view = OffscreenView(context, request);
    view->OnInitialUpdate();
    return WriteScenePicture(context, request, *view);
}

}  // namespace

void RegisterRekoModule() {
    CModuleWindows::Registration window{};
    window.module = Module::Reko;
    window.toggleCommand = kCmdReko;
    window.showCommand = kCmdShowReko;
    window.titleString = kTitleReko;
    window.slot = kSlotRekonstruktion;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<CModuleFrame> {
        return std::make_unique<CD3DRekoFrame>(context.settings, context.doc);
    };
    window.menuOrder = 60;
    window.toolBarOrder = 70;
    window.kidsBarOrder = 40;
    window.icon = QStringLiteral("reconstruction");
    window.openOrder = 1;
    window.openFlag = "IniFensterReko";
    window.settings = {
        {kPlaceWindowFlags + 5, {{"Fenster", "IniFensterReko", &CKalvoSettings::IniFensterReko}}},
        {kPlaceModuleSettings + 4, RekoViewSettings::Keys()}};
    CModuleWindows::Register(std::move(window));

    CommandLineModule reko;
    reko.name = QStringLiteral("reko");
    reko.module = Module::Reko;
    reko.defaultSize = QSize(800, 700);
    reko.renderNeedsOpenGL = true;
    reko.render = Render;
    // The table needs no OpenGL: it comes from the selection alone.
    reko.exportText = [](const ModuleContext& context,
                         const ScriptRequest& request) -> std::optional<QString> {
        const std::unique_ptr<CRekoView> view = OffscreenView(context, request);
        return view->ExportText();
    };
    CommandLineModules::Register(std::move(reko));
}
