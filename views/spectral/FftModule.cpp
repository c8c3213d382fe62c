#include "views/spectral/FftModule.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>

#include "analysis/MusicalNote.h"
#include "document/CKalvoDoc.h"
#include "platform/PictureWriter.h"
#include "platform/StringTable.h"
#include "platform/UserInterface.h"
#include "views/common/CModuleWindows.h"
#include "views/common/CommandLineModules.h"
#include "views/spectral/CFFTFrame.h"
#include "views/spectral/CFFTView.h"
#include "views/spectral/FftExport.h"

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
std::unique_ptr<CFFTView> OffscreenView(const ModuleContext& context, const QSize& size) {
    auto view = std::make_unique<CFFTView>(context.doc, context.settings);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->resize(size);
    view->OnInitialUpdate();
    return view;
}

bool Render(const ModuleContext& context, const ScriptRequest& request) {
    const auto [first, last] = Selection(context, request);
    if (!context.doc.OnSelectionChanged(first, last)) return false;
    const std::unique_ptr<CFFTView> view = OffscreenView(context, request.size);
    return WritePicture(request.outFile, request.size, CFFTView::PictureName(),
                        [&](QPainter& painter, const QRect& rect) { view->OnDraw(painter, rect); });
}

QString PeakTable(const ModuleContext& context, const CFFTView& view) {
    QString text = Str(kHeaderPeaks);
    const double fullScale = std::trunc(context.doc.m_dFullScale);
    const CFFTPlot& plot = view.Plot();
    for (const CFFTPlot::PeakInfo& peak : plot.PeakInfos()) {
        if (peak.kind == CFFTPlot::PeakInfo::kAnchor) continue;
        const MusicalNote note = NearestNote(peak.frequency);
        text += SpreadsheetNumber(peak.frequency);
        text += u'\t';
        text += SpreadsheetNumber(20.0 * std::log10(peak.amplitude / fullScale));
        text += u'\t';
        text += QString::fromStdString(note.name);
        text += u'\t';
        text += SpreadsheetNumber(std::round(note.cents * 10.0) / 10.0);
        text += QLatin1String("\r\n");
    }
    return text;
}

std::optional<QString> ExportPeaks(const ModuleContext& context, const ScriptRequest& request) {
    if (!HasSpectrum(context, request)) return std::nullopt;
    // Peaks closer than the minimum distance in pixels merge: they are found at the view's size.
    const std::unique_ptr<CFFTView> view = OffscreenView(context, request.size);
    QImage scratch(request.size, QImage::Format_RGB32);
    QPainter painter(&scratch);
    view->OnDraw(painter, QRect(QPoint(0, 0), request.size));
    painter.end();
    return PeakTable(context, *view);
}

}  // namespace

void RegisterFftModule() {
    CModuleWindows::Registration window{};
    window.module = Module::FFT;
    window.toggleCommand = kCmdFft;
    window.showCommand = kCmdShowFft;
    window.titleString = kTitleFft;
    window.slot = kSlotFFT;
    window.create = [](const ModuleContext& context) -> std::unique_ptr<CModuleFrame> {
        return std::make_unique<CFFTFrame>(context.settings, context.doc);
    };
    CModuleWindows::Register(std::move(window));

    CommandLineModule fft;
    fft.name = QStringLiteral("fft");
    fft.module = Module::FFT;  // the document computes the spectrum as for an open window
    fft.defaultSize = QSize(1000, 600);
    fft.render = Render;
    fft.exportText = [](const ModuleContext& context, const ScriptRequest& request) -> std::optional<QString> {
        if (!HasSpectrum(context, request)) return std::nullopt;
        return FftExportText(context.doc);
    };
    CommandLineModules::Register(std::move(fft));

    CommandLineModule peaks;
    peaks.name = QStringLiteral("fftpeaks");
    peaks.module = Module::FFT;
    peaks.defaultSize = QSize(1000, 600);
    peaks.exportText = ExportPeaks;
    CommandLineModules::Register(std::move(peaks));
}
