#include "views/spectral/FftModule.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <memory>

#include "analysis/MusicalNote.h"
#include "analysis/SpectrumPeaks.h"
#include "analysis/SpectrumScale.h"
#include "document/SoundDocument.h"
#include "platform/PictureWriter.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "settings/ProfileSettings.h"
#include "settings/SettingDescriptor.h"
#include "views/common/CommandLineModules.h"
#include "views/common/ModuleWindows.h"
#include "views/spectral/FftExport.h"
#include "views/spectral/FftFrame.h"
#include "views/spectral/FftView.h"
#include "views/spectral/FftViewSettings.h"

namespace {

constexpr int kCmdFft = 32794;
constexpr int kCmdShowFft = 32827;
constexpr int kTitleFft = 130;
constexpr int kHeaderPeaks = 63702;
constexpr int kMsgTooShort = 62101;

// The selection the command line asked for, or the whole sound.
std::pair<quint32, quint32> Selection(const ModuleContext& context, const ScriptRequest& request) {
    return request.selection.value_or(std::pair<quint32, quint32>(0, context.doc.SampleCount()));
}

// False (the user was told) when the selection gives no spectrum.
bool HasSpectrum(const ModuleContext& context, const ScriptRequest& request) {
    if (FftExportPoints(context.doc) != 0) return true;
    const auto [first, last] = Selection(context, request);
    context.ui.Message(kMsgTooShort, MessageIcon::Exclamation, first, last);
    return false;
}

// The view laid out at the picture's size, never on screen, with the settings of the profile.
std::unique_ptr<FftView> OffscreenView(const ModuleContext& context, const QSize& size) {
    auto view = std::make_unique<FftView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(size);
    view->OnInitialUpdate();
    return view;
}

bool Render(const ModuleContext& context, const ScriptRequest& request) {
    const auto [first, last] = Selection(context, request);
    if (!context.doc.OnSelectionChanged(first, last)) return false;
    const std::unique_ptr<FftView> view = OffscreenView(context, request.size);
    return WritePicture(request.outFile, request.size, FftView::PictureName(),
                        [&](QPainter& painter, const QRect& rect) { view->OnDraw(painter, rect); });
}

// The bin of a detected peak: the one at its frequency, or next to it, that holds its value.
std::size_t PeakIndex(const std::vector<double>& spectrum, const FftPlot::PeakInfo& peak, double rate,
                      int points) {
    const double near = std::round(SpectrumScale::FrequencyBin(peak.frequency, rate, points));
    const std::size_t centre = static_cast<std::size_t>(std::clamp(near, 0.0, double(spectrum.size() - 1)));
    for (std::size_t i = centre >= 2 ? centre - 2 : 0; i <= centre + 2 && i < spectrum.size(); ++i)
        if (spectrum[i] == peak.amplitude) return i;
    return centre;
}

// The peaks as a table; nothing where the spectrum has none.
std::optional<QString> PeakTable(const ModuleContext& context, const FftView& view) {
    QString text = Str(kHeaderPeaks);
    bool found = false;
    const SoundDocument& doc = context.doc;
    const int points = FftExportPoints(doc);
    const int bits = doc.BitsPerSample();
    const double rate = doc.SampleRate();
    const FftPlot& plot = view.Plot();
    for (const FftPlot::PeakInfo& peak : plot.PeakInfos()) {
        if (peak.kind == FftPlot::PeakInfo::kAnchor) continue;
        found = true;
        double frequency = peak.frequency;
        if (peak.kind == FftPlot::PeakInfo::kDetected && points >= 2) {
            // Between the bins, where the steady tone behind the peak lies.
            const std::size_t index = PeakIndex(doc.Spectrum(), peak, rate, points);
            frequency = SpectrumScale::BinFrequency(
                PeakBin(doc.Spectrum(), index, doc.SelectedSamples().size()), rate, points);
        }
        const MusicalNote note = NearestNote(frequency);
        text += SpreadsheetNumber(frequency);
        text += u'\t';
        text += SpreadsheetNumber(SpectrumScale::LevelDb(peak.amplitude, bits));
        text += u'\t';
        text += QString::fromStdString(note.name);
        text += u'\t';
        text += SpreadsheetNumber(std::round(note.cents * 10.0) / 10.0 + 0.0);  // + 0.0: never "-0"
        text += QLatin1String("\r\n");
    }
    if (!found) return std::nullopt;
    return text;
}

std::optional<QString> ExportPeaks(const ModuleContext& context, const ScriptRequest& request) {
    if (!HasSpectrum(context, request)) return std::nullopt;
    // The table always holds the detected peaks, also where the window shows no markers (the
    // kids profile, or "delay" on, which turns them off): the view works on a copy of the
    // settings with the markers on.
    ProfileSettings settings = context.settings;
    settings.IniFFTbIsCrossVisible = 1;
    settings.IniFFTbIsDelay = 0;
    // Peaks closer than the minimum distance in pixels merge: they are found at the view's size.
    auto view = std::make_unique<FftView>(context.doc, settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(request.size);
    view->OnInitialUpdate();
    QImage scratch(request.size, QImage::Format_RGB32);
    QPainter painter(&scratch);
    view->OnDraw(painter, QRect(QPoint(0, 0), request.size));
    painter.end();
    std::optional<QString> table = PeakTable(context, *view);
    // A table of headings alone would pass for a result.
    if (!table)
        context.ui.Message(StringId::SpectrumSelectionSamplesHas, MessageIcon::Exclamation,
                           static_cast<qulonglong>(context.doc.SelectedSamples().size()));
    return table;
}

}  // namespace

void RegisterFftModule() {
    ModuleWindows::Registration window{};
    window.module = Module::Fft;
    window.toggleCommand = kCmdFft;
    window.showCommand = kCmdShowFft;
    window.titleString = kTitleFft;
    window.slot = kSlotFft;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<ModuleFrame> {
        return std::make_unique<FftFrame>(context.settings, context.doc);
    };
    window.menuOrder = 20;
    window.toolBarOrder = 20;
    window.kidsBarOrder = 0;
    window.icon = QStringLiteral("fft");
    window.openOrder = 3;
    window.openFlag = "IniFensterFFT";
    window.settings = {
        {kPlaceWindowFlags + 1, {{"Fenster", "IniFensterFFT", &ProfileSettings::IniFensterFFT}}},
        {kPlaceModuleSettings + 2, FftViewSettings::Keys()}};
    ModuleWindows::Register(std::move(window));

    CommandLineModule fft;
    fft.name = QStringLiteral("fft");
    fft.module = Module::Fft;  // the document computes the spectrum as for an open window
    fft.defaultSize = QSize(1000, 600);
    fft.render = Render;
    fft.exportText = [](const ModuleContext& context,
                        const ScriptRequest& request) -> std::optional<QString> {
        if (!HasSpectrum(context, request)) return std::nullopt;
        return FftExportText(context.doc);
    };
    CommandLineModules::Register(std::move(fft));

    CommandLineModule peaks;
    peaks.name = QStringLiteral("fftpeaks");
    peaks.module = Module::Fft;
    peaks.defaultSize = QSize(1000, 600);
    peaks.exportText = ExportPeaks;
    CommandLineModules::Register(std::move(peaks));
}
