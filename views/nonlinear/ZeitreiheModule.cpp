#include "views/nonlinear/ZeitreiheModule.h"

#include <memory>

#include "document/CKalvoDoc.h"
#include "platform/PictureWriter.h"
#include "platform/UserInterface.h"
#include "settings/CKalvoSettings.h"
#include "settings/SettingDescriptor.h"
#include "views/common/CModuleWindows.h"
#include "views/common/CommandLineModules.h"
#include "views/nonlinear/CZeitreiheFrame.h"
#include "views/nonlinear/CZeitreiheView.h"

namespace {

constexpr int kCmdZeitreihe = 32776;
constexpr int kCmdShowZeitreihe = 32837;
constexpr int kTitleZeitreihe = 132;

std::unique_ptr<CZeitreiheView> OffscreenView(const ModuleContext& context, const ScriptRequest& request) {
    const auto [first, last] =
        request.selection.value_or(std::pair<quint32, quint32>(0, context.doc.SampleCount()));
    if (!context.doc.OnSelectionChanged(first, last)) return nullptr;
    auto view = std::make_unique<CZeitreiheView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(request.size);
    view->OnInitialUpdate();
    view->OnUpdate(kHintSelectionSpectrum);  // as an open window hears of the selection
    return view;
}

}  // namespace

// The profile keys of the window's settings.
const std::vector<SettingDescriptor>& ZeitreiheKeys() {
    using S = CKalvoSettings;
    static const std::vector<SettingDescriptor> keys = {
        {"ZEITREIHE", "IniZeitreiheKorrCount", &S::IniZeitreiheKorrCount, 1, 9},
        {"ZEITREIHE", "IniZeitreihePartitions", &S::IniZeitreihePartitions, 2, 100},
        {"ZEITREIHE", "IniZeitreiheCorrlength", &S::IniZeitreiheCorrlength, 1, 100},
        {"ZEITREIHE", "IniZeitreiheWhatIs", &S::IniZeitreiheWhatIs, 0, 2},
    };
    return keys;
}

void RegisterZeitreiheModule() {
    CModuleWindows::Registration window{};
    window.module = Module::Zeitreihe;
    window.toggleCommand = kCmdZeitreihe;
    window.showCommand = kCmdShowZeitreihe;
    window.titleString = kTitleZeitreihe;
    window.slot = kSlotZeitreihe;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<CModuleFrame> {
        return std::make_unique<CZeitreiheFrame>(context.settings, context.doc);
    };
    window.menuOrder = 10;
    window.toolBarOrder = 10;
    window.kidsBarOrder = 0;
    window.icon = QStringLiteral("timeseries");
    window.openOrder = 2;
    window.openFlag = "IniFensterZeitreihe";
    window.settings = {
        {kPlaceWindowFlags + 8, {{"Fenster", "IniFensterZeitreihe", &CKalvoSettings::IniFensterZeitreihe}}},
        {kPlaceModuleSettings + 1, ZeitreiheKeys()}};
    CModuleWindows::Register(std::move(window));

    CommandLineModule entry;
    entry.name = QStringLiteral("timeseries");
    entry.module = Module::Zeitreihe;
    entry.defaultSize = QSize(1200, 400);
    entry.render = [](const ModuleContext& context, const ScriptRequest& request) {
        const auto view = OffscreenView(context, request);
        if (!view) return false;
        return WritePicture(request.outFile, request.size, CZeitreiheView::PictureName(),
                            [&](QPainter& painter, const QRect& rect) {
                                view->OnDraw(painter, rect.height());
                                view->DrawTexts(painter, rect);
                            });
    };
    entry.exportText = [](const ModuleContext& context,
                          const ScriptRequest& request) -> std::optional<QString> {
        const auto view = OffscreenView(context, request);
        if (!view) return std::nullopt;
        // A mode without a curve for this selection has no table: say why instead.
        if (const QString missing = view->MissingCurveText(); !missing.isEmpty()) {
            context.ui.ShowMessage(missing, MessageIcon::Exclamation);
            return std::nullopt;
        }
        return view->ExportText();
    };
    CommandLineModules::Register(std::move(entry));
}
