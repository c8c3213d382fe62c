// A full repaint of the spectrum window as live input repaints it every block: a 1280 x 800
// client, a 65536-point spectrum (32769 values) of a tone with overtones and noise, with
// peak markers, peak hold and the cubic spline through the peaks, against the 100 ms of one
// live block.
//
// Prints: paint view=fft bins=<n> ms=<t> block_ratio=<t/100>, t the median of the repaints.

#include <QApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "app/Application.h"
#include "document/SoundDocument.h"
#include "platform/ProgramFolder.h"
#include "platform/ScriptedUserInterface.h"
#include "tests/support/DocumentTestAccess.h"
#include "views/spectral/FftView.h"

namespace {

constexpr double kBlockMs = 100.0;
constexpr int kRepaints = 31;
constexpr std::size_t kValues = 65536 / 2 + 1;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    ScriptedUserInterface ui;
    Application kalvo(ui);
    ProfileSettings& s = kalvo.Settings();
    s.IniFFTBottomCutHz = 20;
    s.IniFFTTopCutkHz = 22;
    s.IniFFTBottomCutAmp = 0;
    s.IniFFTTopCutAmp = -96;
    s.IniFFTbIsFreqLinear = 0;
    s.IniFFTbDarstellung = 1;
    s.IniFFTbIsSumme = 1;
    s.IniFFTbIsCrossVisible = 1;
    s.IniFFTMinAbstandMaxima = 10;
    s.IniFFTMinAbstandNachbarMin = 5;
    s.IniFFTbIsSpline = 1;
    s.IniFFTSplineTyp = 2;
    SoundDocument doc(s, ui);
    doc.OnNewDocument();
    DocumentTestAccess::SampleRate(doc) = 44100;
    DocumentTestAccess::BitsPerSample(doc) = 16;
    DocumentTestAccess::FullScale(doc) = 32767.0;

    // Twenty partials of 110 Hz over a noise floor; each block shifts the noise.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(0.5, 20.0);
    std::vector<double> spectrum(kValues);
    const auto fill = [&] {
        for (double& v : spectrum) v = noise(random);
        for (int k = 1; k <= 20; ++k) {
            const auto bin = static_cast<std::size_t>(std::lround(110.0 * k * 65536.0 / 44100.0));
            spectrum[bin] = 8000.0 / k;
            spectrum[bin - 1] = spectrum[bin + 1] = 2000.0 / k;
        }
    };

    FftView view(doc, s);
    view.resize(1280, 800);
    view.show();
    view.OnInitialUpdate();
    fill();
    DocumentTestAccess::Spectrum(doc) = spectrum;
    QApplication::processEvents();

    std::vector<double> times;
    for (int i = 0; i < kRepaints; ++i) {
        fill();
        DocumentTestAccess::Spectrum(doc) = spectrum;
        view.OnUpdate(kHintSpectrum);  // what every live block does
        const auto t0 = std::chrono::steady_clock::now();
        view.repaint();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    const double ms = Median(times);
    std::printf("paint view=fft bins=%zu ms=%.2f block_ratio=%.3f\n", kValues, ms, ms / kBlockMs);
    return 0;
}
