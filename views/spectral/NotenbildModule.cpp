#include "views/spectral/NotenbildModule.h"

#include <QPainter>
#include <memory>

#include "document/CKalvoDoc.h"
#include "platform/PictureWriter.h"
#include "settings/CKalvoSettings.h"
#include "settings/SettingDescriptor.h"
#include "views/common/CModuleWindows.h"
#include "views/common/CommandLineModules.h"
#include "views/spectral/CNotenbildFrame.h"
#include "views/spectral/CNotenbildView.h"

namespace {

constexpr int kCmdScore = 32823;
constexpr int kCmdShowScore = 32832;
constexpr int kTitleScore = 138;

std::pair<quint32, quint32> Selection(const ModuleContext& context, const ScriptRequest& request) {
    return request.selection.value_or(std::pair<quint32, quint32>(0, context.doc.SampleCount()));
}

std::unique_ptr<CNotenbildView> OffscreenView(const ModuleContext& context, const QSize& size) {
    auto view = std::make_unique<CNotenbildView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(size);
    view->OnInitialUpdate();
    return view;
}

bool Render(const ModuleContext& context, const ScriptRequest& request) {
    const std::unique_ptr<CNotenbildView> view = OffscreenView(context, request.size);
    const auto [first, last] = Selection(context, request);
    // The melody mode records the chosen stretch as a note.
    if (!context.doc.OnSelectionChanged(first, last)) return false;
    return WritePicture(request.outFile, request.size, CNotenbildView::PictureName(),
                        [&](QPainter& painter, const QRect& rect) { view->OnDraw(painter, rect, 0); });
}

}  // namespace

// The profile keys of the window's settings.
const std::vector<SettingDescriptor>& NotenbildKeys() {
    using S = CKalvoSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"Notenbild", "IniNotenbildIsLinear", &S::IniNotenbildIsLinear},
        {"Notenbild", "IniNotenbildWhatIs", &S::IniNotenbildWhatIs, 0, 2},
        {"Notenbild", "IniNotenbildObertonanzahl", &S::IniNotenbildObertonanzahl, 3, 40},
    };
    return keys;
}

void RegisterNotenbildModule() {
    CModuleWindows::Registration window{};
    window.module = Module::Notenbild;
    window.toggleCommand = kCmdScore;
    window.showCommand = kCmdShowScore;
    window.titleString = kTitleScore;
    window.slot = kSlotNotenbild;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<CModuleFrame> {
        return std::make_unique<CNotenbildFrame>(context.settings, context.doc);
    };
    window.menuOrder = 40;
    window.toolBarOrder = 40;
    window.kidsBarOrder = 20;
    window.icon = QStringLiteral("score");
    window.openOrder = 7;
    window.openFlag = "IniFensterNotenbild";
    window.settings = {
        {kPlaceWindowFlags + 4, {{"Fenster", "IniFensterNotenbild", &CKalvoSettings::IniFensterNotenbild}}},
        {kPlaceModuleSettings + 6, NotenbildKeys()}};
    CModuleWindows::Register(std::move(window));

    CommandLineModule score;
    score.name = QStringLiteral("score");
    score.module = Module::Notenbild;
    score.defaultSize = QSize(800, 400);
    score.render = Render;
    score.exportText = [](const ModuleContext& context,
                          const ScriptRequest& request) -> std::optional<QString> {
        const std::unique_ptr<CNotenbildView> view = OffscreenView(context, request.size);
        return view->ExportTable();
    };
    CommandLineModules::Register(std::move(score));
}
