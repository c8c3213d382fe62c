// Speed of RealFft's forward transform against FFTW's real-input transform (FFTW_MEASURE
// plan) at the lengths the spectrum views use. One line per length:
//   fft N=<n> ours_ns=<t> fftw_ns=<t> ratio=<ours/fftw>
// Times are per transform: the median over several batches, batches of both libraries taking
// turns so that a change of machine load hits both alike.

#include "analysis/RealFft.h"

#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

struct FftwFree {
    void operator()(void* p) const { fftw_free(p); }
};
struct FftwPlanDestroy {
    void operator()(fftw_plan p) const { fftw_destroy_plan(p); }
};

template <class F>
double NsPerCall(F&& call, std::size_t reps) {
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t r = 0; r < reps; ++r) call();
    const auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(stop - start).count() / static_cast<double>(reps);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    constexpr std::size_t kBatches = 9;
    constexpr double kBatchWork = 1.5e7;  // about N log N * reps per batch

    for (std::size_t n : {1024, 8192, 65536, 524288}) {
        std::mt19937 gen(1);
        std::uniform_real_distribution<double> dist(-1.0, 1.0);
        std::vector<double> x(n);
        for (double& v : x) v = dist(gen);

        RealFft fft(n);
        std::vector<double> f(n);

        std::unique_ptr<double, FftwFree> in(fftw_alloc_real(n));
        std::unique_ptr<fftw_complex, FftwFree> out(fftw_alloc_complex(n / 2 + 1));
        std::unique_ptr<fftw_plan_s, FftwPlanDestroy> plan(
            fftw_plan_dft_r2c_1d(static_cast<int>(n), in.get(), out.get(), FFTW_MEASURE));
        std::copy(x.begin(), x.end(), in.get());  // planning overwrites the arrays

        std::size_t log2n = 0;
        while ((std::size_t{1} << log2n) < n) ++log2n;
        const auto reps = std::max<std::size_t>(
            3, static_cast<std::size_t>(kBatchWork / (static_cast<double>(n) * static_cast<double>(log2n))));

        auto ours = [&] { fft.Transform(f.data(), x.data()); };
        auto theirs = [&] { fftw_execute(plan.get()); };
        ours();  // warm the caches and page in the buffers
        theirs();
        std::vector<double> oursNs, fftwNs;
        for (std::size_t b = 0; b < kBatches; ++b) {
            oursNs.push_back(NsPerCall(ours, reps));
            fftwNs.push_back(NsPerCall(theirs, reps));
        }
        const double o = Median(oursNs), t = Median(fftwNs);
        std::printf("fft N=%zu ours_ns=%.0f fftw_ns=%.0f ratio=%.2f\n", n, o, t, o / t);
        std::fflush(stdout);
    }
    return 0;
}
