// Painting the overview and the waveform of a one-hour 44.1 kHz 16-bit mono sound at
// 1600 × 900 pixels, the waveform showing the whole sound, against the 16.7 ms of one frame
// at 60 Hz. Each repaint measured follows a new sound, so the trace is built anew from the
// samples every time (an unchanged view repaints from its cached trace, far faster).
//
// Prints per view: paint view=<overview|waveform> ms=<t> frame_budget_ratio=<t/16.7>
// with t the median of the repaints.

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/Application.h"
#include "bench/HourWave.h"
#include "document/SoundDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/ScriptedUserInterface.h"
#include "views/time/OverviewView.h"
#include "views/time/WaveformView.h"

namespace {

constexpr double kFrameMs = 16.7;
constexpr int kRepaints = 15;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median time of repainting the widget; rebuild drops the trace first, as a new sound does.
template <typename Rebuild>
double PaintMs(QWidget& widget, Rebuild rebuild) {
    std::vector<double> times;
    for (int i = 0; i < kRepaints; ++i) {
        rebuild();
        const auto t0 = std::chrono::steady_clock::now();
        widget.repaint();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    return Median(times);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    const QString path = WriteHourWaveIn(dir);
    if (path.isEmpty()) return 1;

    ScriptedUserInterface ui;
    Application kalvo(ui);
    kalvo.Settings().IniDokumentNumFFTPoints = 8192;
    SoundDocument doc(kalvo.Settings(), ui);
    doc.OnNewDocument();
    if (!doc.LoadWave(path)) {
        std::fprintf(stderr, "load failed\n");
        return 1;
    }

    OverviewView overview(doc, kalvo.Settings());
    WaveformView waveform(doc, kalvo.Settings());
    overview.SetWaveView(&waveform);
    for (QWidget* view : {static_cast<QWidget*>(&overview), static_cast<QWidget*>(&waveform)}) {
        view->resize(1600, 900);
        view->show();
    }
    overview.OnInitialUpdate();
    waveform.OnInitialUpdate();
    waveform.SetPrecision(30);
    overview.MarkSamples(0, doc.SampleCount());  // the waveform shows the whole sound
    QApplication::processEvents();

    const double overviewMs = PaintMs(*overview.viewport(), [&] { overview.OnUpdate(kHintRebuild); });
    const double waveformMs = PaintMs(waveform, [&] { waveform.OnUpdate(kHintRebuild); });
    std::printf("paint view=overview ms=%.2f frame_budget_ratio=%.3f\n", overviewMs, overviewMs / kFrameMs);
    std::printf("paint view=waveform ms=%.2f frame_budget_ratio=%.3f\n", waveformMs, waveformMs / kFrameMs);
    return 0;
}
