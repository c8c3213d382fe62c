// Speed of the three nonlinear calculations on 10 000 values of the Hénon map, with the
// parameters of the established implementations they are compared with (largest exponent:
// dimension 2, delay 1, 5 radii 0.001-0.01, 50 iterations, all reference points; spectrum:
// embedding 2, delay 1, 30 neighbours, all points; correlation sum: dimensions 1-10, delay 1,
// Theiler window 500, 1000 pairs, 100 radii). One line per calculation:
//   nonlinear calc=<maxlyap|lyapspec|corrdim> n=<n> ms=<median of the runs>

#include "analysis/CLyapunovKantz.h"
#include "tests/support/ChaoticSeries.h"

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
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main() {
    const std::vector<double> series = HenonSeries(10000);
    const std::size_t n = series.size();

    const double maxlyap = MedianMs(
        [&] {
            CLyapunovKantz engine;
            engine.SetParameters(50, 2, 2, 1, 5, 0.001, 0.01, CLyapunovKantz::kMaxLyap, ~0u);
            return engine.Calc_Max_Lyap_Exponent(series.data(), n).has_value();
        },
        7);
    std::printf("nonlinear calc=maxlyap n=%zu ms=%.1f\n", n, maxlyap);

    const double spectrum = MedianMs(
        [&] {
            CLyapunovKantz engine;
            engine.SetParameters(0, 0, 2, 1, 30, 0.001, 0.0, CLyapunovKantz::kSpectrum, 0);
            return engine.CalcLyapSpectrum(series.data(), static_cast<unsigned>(n), n).has_value();
        },
        5);
    std::printf("nonlinear calc=lyapspec n=%zu ms=%.1f\n", n, spectrum);

    const double corrdim = MedianMs(
        [&] {
            CLyapunovKantz engine;
            engine.SetParameters(1000, 10, 0, 1, 100, 0.001, 1.0, CLyapunovKantz::kCorrDim, 0);
            return engine.CalcCorrDim(series.data(), n).has_value();
        },
        7);
    std::printf("nonlinear calc=corrdim n=%zu ms=%.1f\n", n, corrdim);
    return 0;
}
