// The live path of one captured block on the user-interface thread: taking it over from the
// capture thread, the spectrum at the FFT size of the settings, hint 12 to the views of the main
// sound window and their repaint, as a fraction of the block's duration (100 ms).
//
// Prints: live fft=<n> block_ms=100 cost_ms=<t> ratio=<t/100>
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
#include <string>
#include <memory>

#include "app/CKalvoApp.h"
#include "views/time/CSplitterFrame.h"
#include "views/time/CKalvoOverView.h"
#include "views/time/CKalvoView.h"
#include "document/AppFlags.h"
#include "document/CCaptureThread.h"
#include "document/CKalvoDoc.h"
#include "platform/ProgramFolder.h"
#include "platform/ScriptedUserInterface.h"
#include "platform/audio/AudioDevice.h"

namespace {

long RssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// The user-interface thread's work for one block: taking the block from the capture thread
// (a copy), the spectrum and hint 12, and the repaint of the views that hint 12 asks for.
double MeasureBlock(CKalvoDoc& doc, CSplitterFrame& frame, const std::vector<double>& block) {
    const auto start = std::chrono::steady_clock::now();
    const auto handed = std::make_shared<std::vector<double>>(block);  // what the capture thread hands over
    doc.OnCaptureBlock(*handed, QString());
    frame.OverView()->viewport()->repaint();
    frame.WaveView()->repaint();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    ScriptedUserInterface ui;
    CKalvoApp app(ui);
    app.Settings().IniDokumentNumFFTPoints = 8192;
    app.Settings().IniAllgemeinStatusbar = 1;
    CKalvoDoc doc(app.Settings(), ui);
    app.m_pDocument = &doc;
    doc.OnNewDocument();
    CSplitterFrame frame(app.Settings(), doc);  // the overview draws the incoming trace
    frame.resize(1200, 500);
    frame.show();
    g_bListening = true;

    // 100 ms of a 44.1 kHz 16-bit tone.
    std::vector<double> block(4410);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = 16000.0 * std::sin(2.0 * M_PI * 440.0 * double(i) / 44100.0);
    for (int points : {8192, 65536}) {
        doc.m_nFFTPoints = points;
        std::vector<double> times;
        for (int i = 0; i < 60; ++i) times.push_back(MeasureBlock(doc, frame, block));
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        std::printf("live fft=%d block_ms=100 cost_ms=%.3f ratio=%.4f\n", points, median, median / 100.0);
    }
    g_bListening = false;

    if (argc >= 3 && std::string(argv[1]) == "--soak") {
        const int seconds = std::max(1, std::atoi(argv[2]));
        QString error;
        auto input = AudioSystem::OpenInput(QStringLiteral("virtual:sine:440"), &error);
        doc.SetAudioDevices(input.get(), nullptr);
        doc.m_captureFormat = CKalvoDoc::CaptureFormatOfIndex(19);  // 192000 Hz, 16 bit
        doc.m_nFFTPoints = 65536;
        app.Settings().IniDokumentNumFFTPoints = 65536;
        doc.StartListening(false);
        QElapsedTimer timer;
        timer.start();
        long rssAfterWarmUp = 0;
        while (timer.elapsed() < seconds * 1000LL) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (rssAfterWarmUp == 0 && timer.elapsed() > 3000) rssAfterWarmUp = RssKb();
        }
        const std::uint64_t blocks = doc.CaptureThread()->BlocksHandedOver();
        const std::uint64_t dropped = doc.CaptureThread()->BlocksDropped();
        const long growth = rssAfterWarmUp ? RssKb() - rssAfterWarmUp : 0;
        doc.StopListening();
        std::printf("soak rate=192000 fft=65536 seconds=%d blocks=%llu dropped=%llu rss_growth_kb=%ld\n", seconds,
                    static_cast<unsigned long long>(blocks), static_cast<unsigned long long>(dropped), growth);
    }
    return 0;
}
