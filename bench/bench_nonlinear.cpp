// Speed of the three nonlinear calculations on 10 000 values of the Hénon map, with the
// parameters of the established implementations they are compared with (largest exponent:
// dimension 2, delay 1, 5 radii 0.001-0.01, 50 iterations, all reference points; spectrum:
// embedding 2, delay 1, 30 neighbours, all points; correlation sum: dimensions 1-10, delay 1,
// Theiler window 500, 1000 pairs, 100 radii). One line per calculation:
//   nonlinear calc=<maxlyap|lyapspec|corrdim> n=<n> ms=<median of the runs>
// Each run draws its diagram as the analysis window does: while it runs (the largest exponent
// after every radius, the spectrum and the correlation sum whenever the engine reports) and
// once at the end, into a 900 x 600 picture.

#include "analysis/LyapunovKantz.h"
#include "tests/support/ChaoticSeries.h"
#include "views/nonlinear/LyapunovPlots.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

template <class F>
double MedianMs(F&& run, int runs) {
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        const auto start = std::chrono::steady_clock::now();
        if (!run()) {
            std::fprintf(stderr, "calculation failed\n");
            return -1.0;
        }
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const std::vector<double> series = HenonSeries(10000);
    const std::size_t n = series.size();
    QImage picture(900, 600, QImage::Format_RGB32);
    const QRect rect = picture.rect();
    LyapunovKantz::Hooks hooks;
    hooks.maxLyapProgress = [&](const MaxLyapResult& r) {
        QPainter painter(&picture);
        LyapunovPlots::DrawMaxLyapunovPlot(painter, rect, r);
    };
    hooks.corrDimProgress = [&](const CorrDimResult& r) {
        QPainter painter(&picture);
        LyapunovPlots::DrawCorrDimPlot(painter, rect, r, 0, 0);
    };

    const double maxlyap = MedianMs(
        [&] {
            LyapunovKantz engine;
            engine.SetHooks(hooks);
            engine.SetParameters(50, 2, 2, 1, 5, 0.001, 0.01, LyapunovKantz::kMaxLyap, ~0u);
            return engine.Calc_Max_Lyap_Exponent(series.data(), n).has_value();
        },
        7);
    std::printf("nonlinear calc=maxlyap n=%zu ms=%.1f\n", n, maxlyap);

    const double spectrum = MedianMs(
        [&] {
            LyapunovKantz engine;
            engine.SetHooks(hooks);
            engine.SetParameters(0, 0, 2, 1, 30, 0.001, 0.0, LyapunovKantz::kSpectrum, 0);
            const auto result = engine.CalcLyapSpectrum(series.data(), static_cast<unsigned>(n), n);
            if (!result) return false;
            QPainter painter(&picture);
            LyapunovPlots::DrawSpectrumPlot(painter, rect, *result, result->RowCount(),
                                            LyapunovPlots::KaplanYorkeText(*result));
            return true;
        },
        5);
    std::printf("nonlinear calc=lyapspec n=%zu ms=%.1f\n", n, spectrum);

    const double corrdim = MedianMs(
        [&] {
            LyapunovKantz engine;
            engine.SetHooks(hooks);
            engine.SetParameters(1000, 10, 0, 1, 100, 0.001, 1.0, LyapunovKantz::kCorrDim, 0);
            return engine.CalcCorrDim(series.data(), n).has_value();
        },
        7);
    std::printf("nonlinear calc=corrdim n=%zu ms=%.1f\n", n, corrdim);
    return 0;
}
