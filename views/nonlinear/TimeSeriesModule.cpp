#include "views/nonlinear/TimeSeriesModule.h"

#include <memory>

#include "document/SoundDocument.h"
#include "platform/PictureWriter.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "settings/SettingDescriptor.h"
#include "views/common/CommandLineModules.h"
#include "views/common/ModuleWindows.h"
#include "views/nonlinear/TimeSeriesFrame.h"
#include "views/nonlinear/TimeSeriesView.h"

namespace {

constexpr int kCmdTimeSeries = 32776;
constexpr int kCmdShowTimeSeries = 32837;
constexpr int kTitleTimeSeries = 132;

std::unique_ptr<TimeSeriesView> OffscreenView(const ModuleContext& context, const ScriptRequest& request) {
    const auto [first, last] =
        request.selection.value_or(std::pair<quint32, quint32>(0, context.doc.SampleCount()));
    if (!context.doc.OnSelectionChanged(first, last)) return nullptr;
    auto view = std::make_unique<TimeSeriesView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(request.size);
    view->OnInitialUpdate();
    view->OnUpdate(kHintSelectionSpectrum);  // as an open window hears of the selection
    return view;
}

}  // namespace

void RegisterTimeSeriesModule() {
    ModuleWindows::Registration window{};
    window.module = Module::TimeSeries;
    window.toggleCommand = kCmdTimeSeries;
    window.showCommand = kCmdShowTimeSeries;
    window.titleString = kTitleTimeSeries;
    window.slot = kSlotTimeSeries;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<ModuleFrame> {
        return std::make_unique<TimeSeriesFrame>(context.settings, context.doc);
    };
    window.menuOrder = 10;
    window.toolBarOrder = 10;
    window.kidsBarOrder = 0;
    window.icon = QStringLiteral("timeseries");
    window.openOrder = 2;
    window.openFlag = "IniFensterZeitreihe";
    window.settings = {
        {kPlaceWindowFlags + 8, {{"Fenster", "IniFensterZeitreihe", &ProfileSettings::IniFensterZeitreihe}}},
        {kPlaceModuleSettings + 1, TimeSeriesView::Keys()}};
    ModuleWindows::Register(std::move(window));

    CommandLineModule entry;
    entry.name = QStringLiteral("timeseries");
    entry.module = Module::TimeSeries;
    entry.defaultSize = QSize(1200, 400);
    entry.render = [](const ModuleContext& context, const ScriptRequest& request) {
        const auto view = OffscreenView(context, request);
        if (!view) return false;
        return WritePicture(request.outFile, request.size, TimeSeriesView::PictureName(),
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
