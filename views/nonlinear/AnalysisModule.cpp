#include "views/nonlinear/AnalysisModule.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <memory>

#include "document/SoundDocument.h"
#include "platform/PictureWriter.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "settings/SettingDescriptor.h"
#include "views/common/CommandLineModules.h"
#include "views/common/ModuleWindows.h"
#include "views/nonlinear/AnalysisFrame.h"
#include "views/nonlinear/AnalysisSettings.h"
#include "views/nonlinear/AnalysisView.h"
#include "views/nonlinear/LyapunovPlots.h"
#include "views/spectral/FftExport.h"

namespace {

constexpr int kCmdAnalysis = 32814;
constexpr int kCmdShowAnalysis = 32824;
constexpr int kTitleAnalysis = 136;
constexpr int kTextTooShort = 61529;
constexpr int kHeaderMaxLyap = 64225, kTextIteration = 64226, kHeaderCorrDim = 64227, kHeaderPlateau = 64228,
              kTextKaplanYorke = 64223;

std::pair<quint32, quint32> Selection(const ModuleContext& context, const ScriptRequest& request) {
    return request.selection.value_or(std::pair<quint32, quint32>(0, context.doc.SampleCount()));
}

// An analysis view that is never shown, laid out at the picture's size, which has run the
// calculation of `mode` (without one: the profile's) on the selection exactly as its Calculate
// button runs it.
std::unique_ptr<AnalysisView> Calculated(const ModuleContext& context, const ScriptRequest& request,
                                         std::optional<AnalysisMode> mode) {
    const auto [first, last] = Selection(context, request);
    if (!context.doc.OnSelectionChanged(first, last)) return nullptr;
    if (context.doc.SelectedSamples().size() < 50) {
        context.ui.Message(kTextTooShort, MessageIcon::Exclamation);
        return nullptr;
    }
    auto view = std::make_unique<AnalysisView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(request.size);
    view->OnInitialUpdate();
    if (mode) view->OnMode(*mode);
    view->CalculateNow();
    if (!view->HasResult(view->Mode())) return nullptr;
    // The plateau range the profile gives as radii, as two clicks in the diagram.
    const double from = context.settings.IniAnalyseFitFromKorr, to = context.settings.IniAnalyseFitToKorr;
    if (view->Mode() == AnalysisMode::CorrelationDimension && from > 0.0 && to > from) {
        const QRect rect(QPoint(0, 0), request.size);
        view->OnFitClick(QPoint(static_cast<int>(std::floor(LyapunovPlots::CorrDimX(rect, from))), 1));
        view->OnFitClick(QPoint(static_cast<int>(std::ceil(LyapunovPlots::CorrDimX(rect, to))), 1));
    }
    return view;
}

bool Render(const ModuleContext& context, const ScriptRequest& request) {
    const std::unique_ptr<AnalysisView> view = Calculated(context, request, std::nullopt);
    if (!view) return false;
    return WritePicture(request.outFile, request.size, AnalysisView::PictureName(),
                        [&](QPainter& painter, const QRect& rect) { view->OnDraw(painter, rect); });
}

QString Line(std::initializer_list<QString> cells) {
    QString text;
    for (const QString& cell : cells) {
        if (!text.isEmpty()) text += u'\t';
        text += cell;
    }
    return text + QLatin1String("\r\n");
}

std::optional<QString> ExportMaxLyap(const ModuleContext& context, const ScriptRequest& request) {
    const auto view = Calculated(context, request, AnalysisMode::LargestExponent);
    if (!view) return std::nullopt;
    const MaxLyapResult& r = *view->MaxLyap();
    QString text = Str(kHeaderMaxLyap);
    // S has no value where no reference point had neighbours: its cell stays empty.
    for (unsigned e = 0; e < r.epsDone; ++e)
        for (unsigned d = r.mindim - 2; d <= r.maxdim - 2; ++d)
            for (unsigned i = 0; i <= r.maxiter; ++i)
                text += Line({SpreadsheetNumber(r.radii[e]), QString::number(d + 2), QString::number(i),
                              r.HasValue(e, d, i) ? SpreadsheetNumber(r.Value(e, d, i)) : QString(),
                              QString::number(r.Count(e, d, i))});
    return text;
}

std::optional<QString> ExportSpectrum(const ModuleContext& context, const ScriptRequest& request) {
    const auto view = Calculated(context, request, AnalysisMode::Spectrum);
    if (!view) return std::nullopt;
    const LyapSpectrumResult& r = *view->Spectrum();
    QString text = Str(kTextIteration);
    for (unsigned i = 0; i < r.dimension; ++i) text += QStringLiteral("\tLambda%1").arg(i + 1);
    text += QLatin1String("\r\n");
    for (std::size_t row = 0; row < r.RowCount(); ++row) {
        text += QString::number(row + 1);
        for (unsigned i = 0; i < r.dimension; ++i) text += u'\t' + SpreadsheetNumber(r.Exponent(row, i));
        text += QLatin1String("\r\n");
    }
    text += Line({Str(kTextKaplanYorke), SpreadsheetNumber(r.kaplanYorke)});
    return text;
}

std::optional<QString> ExportCorrDim(const ModuleContext& context, const ScriptRequest& request) {
    const auto view = Calculated(context, request, AnalysisMode::CorrelationDimension);
    if (!view) return std::nullopt;
    const CorrDimResult& r = *view->CorrDim();
    QString text = Str(kHeaderCorrDim);
    // Empty cells where nothing was counted: no sum without pairs, no slope where a sum is 0.
    for (std::size_t d = 0; d < r.curves.size(); ++d)
        for (const CorrDimPoint& p : r.curves[d])
            text += Line({QString::number(d + 1), SpreadsheetNumber(p.radius),
                          p.hasSlope ? SpreadsheetNumber(p.slope) : QString(),
                          p.hasSum ? SpreadsheetNumber(p.sum) : QString()});
    if (view->FitFrom() != 0 && view->FitTo() != 0) {
        const std::vector<double> plateaus =
            LyapunovPlots::Plateaus(QRect(QPoint(0, 0), request.size), r, view->FitFrom(), view->FitTo());
        text += Str(kHeaderPlateau);
        for (std::size_t d = 0; d < plateaus.size(); ++d)
            text += Line({QString::number(d + 1),
                          std::isfinite(plateaus[d]) ? SpreadsheetNumber(plateaus[d]) : QString()});
    }
    return text;
}

// The table of the calculation the profile chooses (IniAnalyseWhatIs).
std::optional<QString> ExportChosen(const ModuleContext& context, const ScriptRequest& request) {
    switch (AnalysisSettings::Key("IniAnalyseWhatIs").Clamped(context.settings.IniAnalyseWhatIs)) {
        case LyapunovKantz::kSpectrum:
            return ExportSpectrum(context, request);
        case LyapunovKantz::kMaxLyap:
            return ExportMaxLyap(context, request);
        default:
            return ExportCorrDim(context, request);
    }
}

}  // namespace

void RegisterAnalysisModule() {
    ModuleWindows::Registration window{};
    window.module = Module::Analysis;
    window.toggleCommand = kCmdAnalysis;
    window.showCommand = kCmdShowAnalysis;
    window.titleString = kTitleAnalysis;
    window.slot = kSlotAnalysis;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<ModuleFrame> {
        return std::make_unique<AnalysisFrame>(context.settings, context.doc);
    };
    window.menuOrder = 70;
    window.toolBarOrder = 80;
    window.kidsBarOrder = 0;
    window.icon = QStringLiteral("analysis");
    window.openOrder = 6;
    window.openFlag = "IniFensterAnalyse";
    window.settings = {
        {kPlaceWindowFlags + 3, {{"Fenster", "IniFensterAnalyse", &ProfileSettings::IniFensterAnalyse}}},
        {kPlaceModuleSettings + 8, AnalysisSettings::Keys()}};
    ModuleWindows::Register(std::move(window));

    CommandLineModule analysis;
    analysis.name = QStringLiteral("analysis");
    analysis.module = Module::Analysis;
    analysis.defaultSize = QSize(900, 600);
    analysis.render = Render;
    analysis.exportText = ExportChosen;
    CommandLineModules::Register(std::move(analysis));

    const std::pair<const char*,
                    std::function<std::optional<QString>(const ModuleContext&, const ScriptRequest&)>>
        tables[] = {{"maxlyap", ExportMaxLyap}, {"lyapspec", ExportSpectrum}, {"corrdim", ExportCorrDim}};
    for (const auto& [name, exporter] : tables) {
        CommandLineModule entry;
        entry.name = QString::fromLatin1(name);
        entry.module = Module::Analysis;
        entry.defaultSize = QSize(900, 600);
        entry.exportText = exporter;
        CommandLineModules::Register(std::move(entry));
    }
}
