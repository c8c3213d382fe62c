// The live path of one captured block on the user-interface thread: taking it over from the
// capture thread, the spectrum at the FFT size of the settings, hint 12 to the views of the main
// sound window and their repaint, as a fraction of the block's duration (100 ms).
//
// Prints: live fft=<n> block_ms=100 cost_ms=<t> ratio=<t/100>
// Then the teacher's case: every module window of the full profile open (the 3D windows on the
// display's OpenGL, so run it under xvfb-run), each repainting after the block as in its window:
//         live modules=all fft=8192 block_ms=100 cost_ms=<t> ratio=<t/100> most_expensive=<module>:<t>
// and the same while the analysis window's correlation sum (20000 points of the Henon map,
// dimensions 1 to 6) runs on a worker, started as its Calculate button does (through the job
// runner, so its threads run below the window's priority):
//         live modules=all worker=correlation fft=8192 block_ms=100 cost_ms=<t> ratio=<t/100> ...
//         worker_running=<0|1>
// With --soak SECONDS it also listens for that long through the virtual device at 192 kHz with
// 65536 points and prints: soak rate=192000 fft=65536 seconds=<s> blocks=<n> dropped=<d> rss_growth_kb=<k>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include <QImage>
#include <QMdiArea>
#include <QOpenGLWidget>
#include <map>

#include "app/Application.h"
#include "document/CaptureWorker.h"
#include "document/SoundDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/ScriptedUserInterface.h"
#include "platform/audio/AudioDevice.h"
#include "render3d/GlSceneView.h"
#include "tests/support/DocumentTestAccess.h"
#include "views/Modules.h"
#include "views/common/ModuleFrame.h"
#include "views/common/ModuleWindows.h"
#include "views/nonlinear/AnalysisView.h"
#include "views/time/OverviewView.h"
#include "views/time/SoundWindow.h"
#include "views/time/WaveformView.h"

namespace {

long RssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// The paint work of a widget, drawn into a picture of its size: the same paint event as on the
// screen, measurable on any platform (a repaint on an X server may wait for an expose).
void PaintWidget(QWidget& widget) {
    static std::map<const QWidget*, QImage> canvases;  // one per widget, made once
    QImage& canvas = canvases[&widget];
    if (canvas.size() != widget.size()) canvas = QImage(widget.size(), QImage::Format_RGB32);
    widget.render(&canvas);
}

// The user-interface thread's work for one block: taking the block from the capture thread
// (a copy), the spectrum and hint 12, and the repaint of the views that hint 12 asks for.
double MeasureBlock(SoundDocument& doc, SoundWindow& frame, const std::vector<double>& block) {
    const auto start = std::chrono::steady_clock::now();
    const auto handed = std::make_shared<std::vector<double>>(block);  // what the capture thread hands over
    doc.OnCaptureBlock(*handed, QString());
    PaintWidget(*frame.OverView()->viewport());
    PaintWidget(*frame.WaveView());
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The repaint of a module's view as in its window; a 3D view draws its OpenGL frame (read back,
// so an upper bound).
void RepaintModule(ModuleFrame& frame) {
    if (auto* view3d = qobject_cast<GlSceneView*>(frame.View())) {
        if (auto* surface = static_cast<QOpenGLWidget*>(view3d->GlSurface())) surface->grabFramebuffer();
        return;
    }
    PaintWidget(*frame.View());
}

void MeasureAllModules(Application& app, SoundDocument& doc, ScriptedUserInterface& ui, SoundWindow& splitter,
                       const std::vector<double>& block) {
    app.m_profileKind = ProfileKind::Complete;
    if (!app.LoadProfile()) return;
    DocumentTestAccess::FftPoints(doc) = 8192;
    RegisterModules();
    QMdiArea area;
    area.resize(1600, 1000);
    area.show();
    // The main window's client area of a 1600 x 1000 screen, which the profile's placements divide.
    app.Settings().m_frameMetrics = [&area] {
        FrameMetrics m;
        m.clientWidth = area.width();
        m.clientHeight = area.height();
        return m;
    };
    ModuleWindows modules({app.Settings(), doc, ui});
    modules.SetArea(&area);
    const std::pair<Module, const char*> all[] = {{Module::Fft, "fft"},
                                                  {Module::Landscape, "fft3d"},
                                                  {Module::Score, "score"},
                                                  {Module::Sonogram, "sonogram"},
                                                  {Module::TimeSeries, "timeseries"},
                                                  {Module::Analysis, "analysis"},
                                                  {Module::Reconstruction, "reko"},
                                                  {Module::Wavelet, "wavelet"}};
    for (const auto& [module, name] : all) modules.Open(module);
    // Let the windows appear and the 3D views set up their scenes.
    const auto settle = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < settle)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // Each window where the profile puts it, in units of the area shown by now.
    for (ModuleFrame* frame : modules.OpenFrames()) frame->ApplyStoredPlacement();
    const auto placed = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < placed)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QString missing;
    for (const auto& [module, name] : all) {
        if (!modules.IsOpen(module)) missing += QString::fromLatin1(name) + u' ';
    }
    DocumentTestAccess::Activity(doc).SetListening(true);
    // The steady state: the 3D landscape full of rows, the sonogram well on.
    for (int i = 0; i < 250; ++i) doc.OnCaptureBlock(block, QString());
    // Measured alike with and without a worker: the worker's threads run whether or not the
    // window answers events meanwhile.
    const auto measure = [&](const char* label) {
        std::map<std::string, std::vector<double>> perModule;
        std::vector<double> totals;
        for (int i = 0; i < 30; ++i) {
            double total = MeasureBlock(doc, splitter, block);  // taking the block, hints, the main window
            for (const auto& [module, name] : all) {
                ModuleFrame* frame = modules.Frame(module);
                if (!frame) continue;
                const auto start = std::chrono::steady_clock::now();
                RepaintModule(*frame);
                const double ms =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                        .count();
                perModule[name].push_back(ms);
                total += ms;
            }
            totals.push_back(total);
        }
        std::sort(totals.begin(), totals.end());
        const double median = totals[totals.size() / 2];
        std::string worst;
        double worstMs = -1;
        for (auto& [name, times] : perModule) {
            std::sort(times.begin(), times.end());
            if (times[times.size() / 2] > worstMs) {
                worstMs = times[times.size() / 2];
                worst = name;
            }
        }
        std::printf(
            "live modules=all%s fft=8192 block_ms=100 cost_ms=%.3f ratio=%.4f most_expensive=%s:%.2fms%s%s",
            label, median, median / 100.0, worst.c_str(), worstMs,
            missing.isEmpty() ? "" : " not_open=", missing.trimmed().toLocal8Bit().constData());
    };
    measure("");
    std::printf("\n");
    std::fflush(stdout);

    // A correlation sum on a worker, started as the analysis window's Calculate button starts it.
    auto* analysis = modules.Frame(Module::Analysis)
                         ? qobject_cast<AnalysisView*>(modules.Frame(Module::Analysis)->View())
                         : nullptr;
    if (analysis) {
        constexpr int kPoints = 20000;
        std::vector<double> henon(kPoints);
        double x = 0.1, y = 0.0;
        for (int i = 0; i < 1000 + kPoints; ++i) {
            const double next = 1.0 - 1.4 * x * x + y;
            y = 0.3 * x;
            x = next;
            if (i >= 1000) henon[static_cast<std::size_t>(i - 1000)] = x;
        }
        DocumentTestAccess::SelectedSamples(doc) = henon;  // the calculation copies the selection
        analysis->OnMode(AnalysisMode::CorrelationDimension);
        analysis->OnEdit(AnalysisView::kPoints, QString::number(kPoints));
        analysis->OnEdit(AnalysisView::kMaxDimension, QStringLiteral("6"));
        analysis->OnEdit(AnalysisView::kDimension, QStringLiteral("2"));
        analysis->OnEdit(AnalysisView::kCount, QString::number(kPoints));
        analysis->OnCalculate();
        const bool started = analysis->IsCalculating();
        measure(" worker=correlation");
        std::printf(" worker_running=%d\n", started && analysis->IsCalculating() ? 1 : 0);
        analysis->Cancel();
        analysis->WaitForCalculation();
    } else {
        std::printf("live modules=all worker=correlation skipped: no analysis window\n");
    }
    DocumentTestAccess::Activity(doc).SetListening(false);
    modules.CloseAll();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    ScriptedUserInterface ui;
    Application app(ui);
    app.Settings().IniDokumentNumFFTPoints = 8192;
    app.Settings().IniAllgemeinStatusbar = 1;
    SoundDocument doc(app.Settings(), ui);
    app.m_activeDocument = &doc;
    doc.OnNewDocument();
    SoundWindow frame(app.Settings(), doc);  // the overview draws the incoming trace
    frame.resize(1200, 500);
    frame.show();
    DocumentTestAccess::Activity(doc).SetListening(true);

    // 100 ms of a 44.1 kHz 16-bit tone.
    std::vector<double> block(4410);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = 16000.0 * std::sin(2.0 * M_PI * 440.0 * double(i) / 44100.0);
    for (int points : {8192, 65536}) {
        DocumentTestAccess::FftPoints(doc) = points;
        std::vector<double> times;
        for (int i = 0; i < 60; ++i) times.push_back(MeasureBlock(doc, frame, block));
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        std::printf("live fft=%d block_ms=100 cost_ms=%.3f ratio=%.4f\n", points, median, median / 100.0);
    }
    DocumentTestAccess::Activity(doc).SetListening(false);

    SeedProfiles(dir.path());
    MeasureAllModules(app, doc, ui, frame, block);

    if (argc >= 3 && std::string(argv[1]) == "--soak") {
        const int seconds = std::max(1, std::atoi(argv[2]));
        QString error;
        auto input = AudioSystem::OpenInput(QStringLiteral("virtual:sine:440"), &error);
        doc.SetAudioDevices(input.get(), nullptr);
        DocumentTestAccess::CaptureFormat(doc) =
            SoundDocument::CaptureFormatOfIndex(19);  // 192000 Hz, 16 bit
        DocumentTestAccess::FftPoints(doc) = 65536;
        app.Settings().IniDokumentNumFFTPoints = 65536;
        doc.StartListening(false);
        QElapsedTimer timer;
        timer.start();
        long rssAfterWarmUp = 0;
        while (timer.elapsed() < seconds * 1000LL) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (rssAfterWarmUp == 0 && timer.elapsed() > 3000) rssAfterWarmUp = RssKb();
        }
        const std::uint64_t blocks = doc.CapturingThread()->BlocksHandedOver();
        const std::uint64_t dropped = doc.CapturingThread()->BlocksDropped();
        const long growth = rssAfterWarmUp ? RssKb() - rssAfterWarmUp : 0;
        doc.StopListening();
        std::printf("soak rate=192000 fft=65536 seconds=%d blocks=%llu dropped=%llu rss_growth_kb=%ld\n",
                    seconds, static_cast<unsigned long long>(blocks),
                    static_cast<unsigned long long>(dropped), growth);
    }
    return 0;
}
