// The 3D windows on the window's thread, as a live block costs them: one frame of a full
// landscape (40000 lit vertices) at 1280 x 800, after a new row was added and uploaded, and the
// building of rows from 8192-point spectra; the same for the reconstruction of 20000 points.
// Runs on the display's OpenGL (Mesa's software renderer under Xvfb); without one it says so.
//
// Prints: render3d view=fft3d vertices=<n> frame_ms=<t> build_ms=<t> block_ratio=<(frame+build/100)/100>
//         render3d view=reko vertices=<n> frame_ms=<t> build_ms=<t> block_ratio=<...>

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "analysis/DelayReconstruction.h"
#include "analysis/RealFft.h"
#include "app/Application.h"
#include "document/SoundDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/ScriptedUserInterface.h"
#include "tests/support/DocumentTestAccess.h"
#include "views/nonlinear/ReconstructionView.h"
#include "views/spectral/LandscapeView.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// One frame of the view's OpenGL surface, drawn at once and finished: the surface renders into
// its framebuffer and the frame is read back, so this is an upper bound of a repaint.
void Repaint(GlSceneView& view) {
    auto* surface = static_cast<QOpenGLWidget*>(view.GlSurface());
    const QImage frame = surface->grabFramebuffer();
    if (frame.isNull()) std::fprintf(stderr, "no frame\n");
}

// Lets the window appear and the view set up its scene.
void WaitUntilReady(const GlSceneView& view) {
    QElapsedTimer clock;
    clock.start();
    while (!view.IsReady() && clock.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QString reason;
    if (!GlSceneView::CheckDevice(&reason)) {
        std::printf("render3d skipped: no OpenGL (%s); run under xvfb-run\n",
                    reason.toLocal8Bit().constData());
        return 0;
    }
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    SeedProfiles(dir.path());
    ScriptedUserInterface ui;
    Application app(ui);
    app.m_profileKind = ProfileKind::Complete;  // the landscape's settings of the full profile
    app.LoadProfile();
    SoundDocument doc(app.Settings(), ui);
    app.m_activeDocument = &doc;
    doc.OnNewDocument();
    DocumentTestAccess::SampleRate(doc) = 44100;
    DocumentTestAccess::BitsPerSample(doc) = 16;
    DocumentTestAccess::FftPoints(doc) = 8192;

    // Spectra of 8192 points of a tone with overtones and some noise.
    constexpr int kPoints = 8192;
    std::vector<double> samples(kPoints);
    std::vector<std::vector<double>> spectra;
    for (int s = 0; s < 8; ++s) {
        for (int i = 0; i < kPoints; ++i) {
            const double t = double(i) / 44100.0;
            samples[std::size_t(i)] =
                8000 * std::sin(2 * M_PI * 220 * t) + 4000 * std::sin(2 * M_PI * 440 * t + s) +
                2000 * std::sin(2 * M_PI * 660 * t) + double((i * 7919 + s * 104729) % 200 - 100);
        }
        std::vector<double> spectrum;
        doc.ComputeSpectrumOf(samples, 0, kPoints, spectrum);
        spectra.push_back(std::move(spectrum));
    }

    {
        QMainWindow window;
        auto* view = new LandscapeView(doc, app.Settings());  // the window owns it
        window.setCentralWidget(view);
        window.resize(1280, 800);
        window.show();
        view->OnInitialUpdate();
        WaitUntilReady(*view);
        const auto build = Clock::now();
        for (int i = 0; i < 100; ++i) view->AddSpectrum(spectra[std::size_t(i) % spectra.size()]);
        const double buildMs = Ms(build);
        while (!view->Landscape().Full()) view->AddSpectrum(spectra[0]);
        std::vector<double> frames;
        for (int i = 0; i < 30; ++i) {
            view->AddSpectrum(spectra[std::size_t(i) % spectra.size()]);  // a new row to upload, as live
            const auto start = Clock::now();
            Repaint(*view);
            frames.push_back(Ms(start));
        }
        const double frameMs = Median(frames);
        std::printf("render3d view=fft3d vertices=%zu frame_ms=%.2f build_ms=%.2f block_ratio=%.4f\n",
                    view->Landscape().Vertices().size(), frameMs, buildMs,
                    (frameMs + buildMs / 100.0) / 100.0);
    }

    {
        // 20000 points: a selection of 20001 samples with the point budget of 20000.
        std::vector<double> tone(20001);
        for (std::size_t i = 0; i < tone.size(); ++i)
            tone[i] = 16000 * std::sin(2 * M_PI * 220 * double(i) / 44100.0) +
                      6000 * std::sin(2 * M_PI * 330 * double(i) / 44100.0);
        DocumentTestAccess::SelectedSamples(doc) = tone;
        DocumentTestAccess::FullScale(doc) = 32767;
        app.Settings().IniRekoNumRekoPoints = 20000;
        app.Settings().IniRekoTau = 25;
        QMainWindow window;
        auto* view = new ReconstructionView(doc, app.Settings());
        window.setCentralWidget(view);
        window.resize(1280, 800);
        window.show();
        view->OnInitialUpdate();
        WaitUntilReady(*view);
        const auto build = Clock::now();
        std::size_t count = 0;
        for (int i = 0; i < 100; ++i)
            count = DelayReconstruction::Build(tone, 32767, false, 25, 20000, true, 0xFFFF0000u).size();
        const double buildMs = Ms(build);
        std::vector<double> frames;
        for (int i = 0; i < 30; ++i) {
            view->OnUpdate(kHintSelection);  // new points to build and upload
            const auto start = Clock::now();
            Repaint(*view);
            frames.push_back(Ms(start));
        }
        const double frameMs = Median(frames);
        std::printf("render3d view=reko vertices=%zu frame_ms=%.2f build_ms=%.2f block_ratio=%.4f\n", count,
                    frameMs, buildMs, (frameMs + buildMs / 100.0) / 100.0);
    }
    app.m_activeDocument = nullptr;
    return 0;
}
