#include "views/nonlinear/ReconstructionModule.h"

#include <memory>

#include "document/SoundDocument.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "settings/SettingDescriptor.h"
#include "views/common/CommandLineModules.h"
#include "views/common/ModuleWindows.h"
#include "views/common/ScenePicture.h"
#include "views/nonlinear/ReconstructionFrame.h"
#include "views/nonlinear/ReconstructionView.h"
#include "views/nonlinear/ReconstructionViewSettings.h"

namespace {

constexpr int kCmdReconstruction = 32778;
constexpr int kCmdShowReconstruction = 32833;
constexpr int kTitleReconstruction = 131;

std::unique_ptr<ReconstructionView> OffscreenView(const ModuleContext& context,
                                                  const ScriptRequest& request) {
    auto view = std::make_unique<ReconstructionView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(request.size);
    return view;
}

bool Render(const ModuleContext& context, const ScriptRequest& request) {
    if (!TakeSelection(context, request)) return false;
    const std::unique_ptr<ReconstructionView> view = OffscreenView(context, request);
    view->OnInitialUpdate();
    return WriteScenePicture(context, request, *view);
}

}  // namespace

void RegisterReconstructionModule() {
    ModuleWindows::Registration window{};
    window.module = Module::Reconstruction;
    window.toggleCommand = kCmdReconstruction;
    window.showCommand = kCmdShowReconstruction;
    window.titleString = kTitleReconstruction;
    window.slot = kSlotReconstruction;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<ModuleFrame> {
        return std::make_unique<ReconstructionFrame>(context.settings, context.doc);
    };
    window.menuOrder = 60;
    window.toolBarOrder = 70;
    window.kidsBarOrder = 40;
    window.icon = QStringLiteral("reconstruction");
    window.openOrder = 1;
    window.openFlag = "IniFensterReko";
    window.settings = {
        {kPlaceWindowFlags + 5, {{"Fenster", "IniFensterReko", &ProfileSettings::IniFensterReko}}},
        {kPlaceModuleSettings + 4, ReconstructionViewSettings::Keys()}};
    ModuleWindows::Register(std::move(window));

    CommandLineModule reko;
    reko.name = QStringLiteral("reko");
    reko.module = Module::Reconstruction;
    reko.defaultSize = QSize(800, 700);
    reko.renderNeedsOpenGL = true;
    reko.render = Render;
    // The table needs no OpenGL: it comes from the selection alone.
    reko.exportText = [](const ModuleContext& context,
                         const ScriptRequest& request) -> std::optional<QString> {
        // Each row takes three samples a delay apart: a selection of no more than two delays
        // gives none, and a table of headings alone would pass for a result.
        const int tau = ReconstructionViewSettings::From(context.settings).tau;
        const std::size_t samples = context.doc.SelectedSamples().size();
        if (samples <= 2 * static_cast<std::size_t>(tau)) {
            context.ui.Message(StringId::SelectionSamplesTooShort, MessageIcon::Exclamation,
                               static_cast<qulonglong>(samples), tau, 2 * tau + 1);
            return std::nullopt;
        }
        const std::unique_ptr<ReconstructionView> view = OffscreenView(context, request);
        return view->ExportText();
    };
    CommandLineModules::Register(std::move(reko));
}
