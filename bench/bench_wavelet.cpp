// The wavelet transform of a 1 s selection at 44.1 kHz on the window's grid of 100 scales
// (20 Hz .. 20 kHz, exponential) x 200 time points, with the table method (resolution 200)
// and the direct method, for a real and a complex wavelet. The window runs it on its own
// thread at every selection change.
//
// Prints: cwt wavelet=<spec> method=<table|direct> ms=<t> ns_per_mac=<t / multiply-adds>,
// t the median of the runs.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "analysis/CwtTransform.h"
#include "analysis/DivisionRange.h"
#include "analysis/WaveletFunction.h"

namespace {

constexpr int kRate = 44100;
constexpr int kRuns = 7;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A tone with overtones and a little noise.
std::vector<double> Sound() {
    std::vector<double> s(kRate);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 300.0);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / kRate;
        s[i] = 8000 * std::sin(2 * M_PI * 220 * t) + 3000 * std::sin(2 * M_PI * 660 * t) + noise(random);
    }
    return s;
}

CwtParameters Parameters(const char* spec, int method) {
    CwtParameters p;
    p.wavelet = spec;
    p.method = method;
    p.scale_count = 100;
    p.time_count = 200;
    p.resolution = 200;
    p.start_time = 0.0f;
    p.end_time = 1.0f;
    p.sample_rate = float(kRate);
    return p;
}

// The products one run computes.
double MultiplyAdds(const CwtParameters& p) {
    std::string_view args;
    const auto configured = create_wavelet(p.wavelet, &args);
    configured->parse_args(args);
    const double passes = configured->is_complex() ? 2.0 : 1.0;
    if (p.method == 0) return passes * p.scale_count * p.time_count * double(p.resolution);
    const auto division = make_division(p.division_type, p.scale_first, p.scale_last, p.scale_count);
    double perColumn = 0.0;
    for (int r = 0; r < p.scale_count; ++r) {
        std::int64_t first = 0, last = 0;
        cwt_support_in_samples(*configured, division->value(p.scale_count - r) * p.sample_rate, first, last);
        perColumn += double(last - first);
    }
    return passes * perColumn * p.time_count;
}

}  // namespace

int main() {
    const std::vector<double> sound = Sound();
    for (const char* spec : {"mexicanhat", "morlet,2"}) {
        for (int method : {0, 1}) {
            std::vector<double> times;
            CwtParameters p = Parameters(spec, method);
            for (int run = 0; run < kRuns; ++run) {
                std::vector<float> result;
                const auto start = std::chrono::steady_clock::now();
                const CwtOutcome outcome = RunTransform(p, sound.data(), std::int64_t(sound.size()), result);
                const auto stop = std::chrono::steady_clock::now();
                if (outcome.status != CwtStatus::ok) {
                    std::fprintf(stderr, "cwt %s failed\n", spec);
                    return 1;
                }
                times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
            }
            const double ms = Median(times);
            std::printf("cwt wavelet=%s method=%s ms=%.2f ns_per_mac=%.3f\n", spec,
                        method == 0 ? "table" : "direct", ms, ms * 1e6 / MultiplyAdds(p));
        }
    }
    return 0;
}
