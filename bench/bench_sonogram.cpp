// Speed of the whole-sound sonogram against the bare transforms it needs: a chirp at 44.1 kHz,
// 1600 columns of 8192-point spectra. "Ours" is what the view's rebuild does (the columns on
// one thread per core: read the samples, transform, magnitudes, rows and levels, palette
// colours; then each column into the picture); the reference is a loop of FFTW r2c transforms
// (FFTW_MEASURE plan) of the same columns with their magnitudes only, on one thread. One line
// per sound length:
//   sonogram seconds=<s> columns=1600 fft=8192 threads=<n> ms=<t> fftw_loop_ms=<t> ratio=<ours/fftw>
// Times are the median of several runs, the two taking turns. --threads N computes the columns
// on N threads instead of one per core.

#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "analysis/ParallelColumns.h"
#include "analysis/SonogramBuild.h"

namespace {

constexpr int kRate = 44100;
constexpr int kColumns = 1600;
constexpr int kPoints = 8192;
constexpr int kHeight = 1080;
constexpr int kRuns = 7;

struct FftwFree {
    void operator()(void* p) const { fftw_free(p); }
};
struct FftwPlanDestroy {
    void operator()(fftw_plan p) const { fftw_destroy_plan(p); }
};

// 16-bit samples of a chirp from 100 Hz to 10 kHz, as the document stores them.
std::vector<std::int16_t> Chirp(std::size_t count) {
    std::vector<std::int16_t> s(count);
    const double seconds = static_cast<double>(count) / kRate;
    const double rate = (10000.0 - 100.0) / seconds;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kRate;
        s[i] = static_cast<std::int16_t>(12000.0 * std::sin(2 * M_PI * (100.0 * t + 0.5 * rate * t * t)));
    }
    return s;
}

template <class F>
double Ms(F&& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int threads = ParallelColumns::DefaultThreads();
    if (argc >= 3 && std::string(argv[1]) == "--threads") threads = std::max(1, std::atoi(argv[2]));
    for (int seconds : {60, 3600}) {
        const std::vector<std::int16_t> sound = Chirp(static_cast<std::size_t>(seconds) * kRate);
        const std::size_t step = (sound.size() - kPoints) / kColumns;

        // Ours: the sonogram's columns into a full-screen picture.
        SonogramScale scale;
        scale.ampLinear = false;
        scale.freqLinear = true;
        scale.topCutkHz = 20;
        scale.smooth = true;
        SonogramBuild::Layout layout;
        layout.columns = kColumns;
        layout.step = step;
        layout.points = kPoints;
        layout.sampleRate = kRate;
        const SonogramBuild::SampleReader reader = [&sound](std::uint64_t first, std::size_t count,
                                                            double* out) {
            const std::int16_t* from = sound.data() + first;
            for (std::size_t i = 0; i < count; ++i) out[i] = from[i];
        };
        std::vector<std::uint32_t> picture(static_cast<std::size_t>(kColumns) * kHeight);
        auto ours = [&] {
            SonogramBuild build(scale, kHeight, Sonogram::Colours(true), 0, layout, reader, false);
            build.Run(threads, CancelToken());
            for (int c = 0; c < kColumns; ++c) {
                const std::uint32_t* column = build.Colours(static_cast<std::size_t>(c));
                for (int y = 0; y < kHeight; ++y)
                    picture[static_cast<std::size_t>(y) * kColumns + static_cast<std::size_t>(c)] = column[y];
            }
        };

        // FFTW: the same columns, transforms and magnitudes only.
        std::unique_ptr<double, FftwFree> in(fftw_alloc_real(kPoints));
        std::unique_ptr<fftw_complex, FftwFree> out(fftw_alloc_complex(kPoints / 2 + 1));
        std::unique_ptr<fftw_plan_s, FftwPlanDestroy> plan(
            fftw_plan_dft_r2c_1d(kPoints, in.get(), out.get(), FFTW_MEASURE));
        std::vector<double> magnitudes(kPoints / 2 + 1);
        auto theirs = [&] {
            for (int c = 0; c < kColumns; ++c) {
                const std::int16_t* from = sound.data() + static_cast<std::size_t>(c) * step;
                for (int i = 0; i < kPoints; ++i) in.get()[i] = from[i];
                fftw_execute(plan.get());
                for (int k = 0; k <= kPoints / 2; ++k)
                    magnitudes[static_cast<std::size_t>(k)] =
                        std::sqrt(out.get()[k][0] * out.get()[k][0] + out.get()[k][1] * out.get()[k][1]) /
                        kPoints;
            }
        };

        ours();  // page in the sound and warm the tables
        theirs();
        std::vector<double> oursMs, fftwMs;
        for (int r = 0; r < kRuns; ++r) {
            oursMs.push_back(Ms(ours));
            fftwMs.push_back(Ms(theirs));
        }
        const double o = Median(oursMs), t = Median(fftwMs);
        std::printf("sonogram seconds=%d columns=%d fft=%d threads=%d ms=%.1f fftw_loop_ms=%.1f ratio=%.2f\n",
                    seconds, kColumns, kPoints, threads, o, t, o / t);
        std::fflush(stdout);
    }
    return 0;
}
