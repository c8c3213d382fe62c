#include "views/spectral/ScoreModule.h"

#include <QPainter>
#include <memory>

#include "document/SoundDocument.h"
#include "platform/PictureWriter.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "settings/SettingDescriptor.h"
#include "views/common/CommandLineModules.h"
#include "views/common/ModuleWindows.h"
#include "views/spectral/ScoreFrame.h"
#include "views/spectral/ScoreView.h"

namespace {

constexpr int kCmdScore = 32823;
constexpr int kCmdShowScore = 32832;
constexpr int kTitleScore = 138;

std::pair<quint32, quint32> Selection(const ModuleContext& context, const ScriptRequest& request) {
    return request.selection.value_or(std::pair<quint32, quint32>(0, context.doc.SampleCount()));
}

std::unique_ptr<ScoreView> OffscreenView(const ModuleContext& context, const QSize& size) {
    auto view = std::make_unique<ScoreView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(size);
    view->OnInitialUpdate();
    return view;
}

bool Render(const ModuleContext& context, const ScriptRequest& request) {
    const std::unique_ptr<ScoreView> view = OffscreenView(context, request.size);
    const auto [first, last] = Selection(context, request);
    // The melody mode records the chosen stretch as a note.
    if (!context.doc.OnSelectionChanged(first, last)) return false;
    return WritePicture(request.outFile, request.size, ScoreView::PictureName(),
                        [&](QPainter& painter, const QRect& rect) { view->OnDraw(painter, rect, 0); });
}

}  // namespace

// The profile keys of the window's settings.
const std::vector<SettingDescriptor>& ScoreKeys() {
    using S = ProfileSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"Notenbild", "IniNotenbildIsLinear", &S::IniNotenbildIsLinear},
        {"Notenbild", "IniNotenbildWhatIs", &S::IniNotenbildWhatIs, 0, 2},
        {"Notenbild", "IniNotenbildObertonanzahl", &S::IniNotenbildObertonanzahl, 3, 40},
    };
    return keys;
}

void RegisterScoreModule() {
    ModuleWindows::Registration window{};
    window.module = Module::Score;
    window.toggleCommand = kCmdScore;
    window.showCommand = kCmdShowScore;
    window.titleString = kTitleScore;
    window.slot = kSlotScore;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<ModuleFrame> {
        return std::make_unique<ScoreFrame>(context.settings, context.doc);
    };
    window.menuOrder = 40;
    window.toolBarOrder = 40;
    window.kidsBarOrder = 20;
    window.icon = QStringLiteral("score");
    window.openOrder = 7;
    window.openFlag = "IniFensterNotenbild";
    window.settings = {
        {kPlaceWindowFlags + 4, {{"Fenster", "IniFensterNotenbild", &ProfileSettings::IniFensterNotenbild}}},
        {kPlaceModuleSettings + 6, ScoreKeys()}};
    ModuleWindows::Register(std::move(window));

    CommandLineModule score;
    score.name = QStringLiteral("score");
    score.module = Module::Score;
    score.defaultSize = QSize(800, 400);
    score.render = Render;
    score.exportText = [](const ModuleContext& context,
                          const ScriptRequest& request) -> std::optional<QString> {
        const std::unique_ptr<ScoreView> view = OffscreenView(context, request.size);
        std::optional<QString> table = view->ExportTable();
        // A table of headings alone would pass for a result.
        if (!table)
            context.ui.Message(StringId::SelectionSamplesGivesNo, MessageIcon::Exclamation,
                               static_cast<qulonglong>(context.doc.SelectedSamples().size()));
        return table;
    };
    CommandLineModules::Register(std::move(score));
}
