#include "analysis/CwtTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "analysis/DivisionRange.h"
#include "analysis/SignalFunction.h"

namespace {

// Sample indices stay well inside 32 bits, so that the inner loops work on 32-bit integers.
constexpr std::int64_t kLargestIndex = std::int64_t(1) << 30;
// The grid is at most this many coefficients (a picture of 999 x 999 is a million).
constexpr std::int64_t kLargestGrid = std::int64_t(1) << 26;
// Interval lengths up to this have their reciprocal in a table.
constexpr std::size_t kMostReciprocals = 1 << 16;

void Append(std::string& text, const char* format, long first, long second = 0, long third = 0,
            long fourth = 0) {
    char line[200];
    std::snprintf(line, sizeof line, format, first, second, third, fourth);
    text += line;
}

// Sum of products with eight running sums, which the compiler keeps in vector registers.
float Dot(const float* a, const float* b, std::size_t count) {
    float s[8] = {};
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8)
        for (std::size_t k = 0; k < 8; ++k) s[k] += a[i + k] * b[i + k];
    float sum = ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7]));
    for (; i < count; ++i) sum += a[i] * b[i];
    return sum;
}

// The table method: the wavelet sampled once at R points over its support; per coefficient
// the signal is read at R points spread over the support at that scale. Where those points
// lie more than a sample apart, each reads a triangle-weighted mean of the signal reaching
// to its two neighbours instead of the one sample under it: single samples taken that far
// apart alias, and a tone would show up strongest at some much larger scale than its own.
bool TablePass(const WaveletFunction& wavelet, const DiscreteSignal& signal, const DivisionRange& division,
               const CwtParameters& p, std::vector<float>& out, const CwtControl& control) {
    const int resolution = p.resolution;
    const auto taps = static_cast<std::size_t>(resolution);
    const int rows = p.scale_count;
    const int columns = p.time_count;
    const float rate = p.sample_rate;
    const float width = wavelet.rsupp - wavelet.lsupp;
    const float ppu = static_cast<float>(resolution) / width;
    const auto i0 = static_cast<std::int64_t>(ppu * wavelet.lsupp);
    std::vector<float> table(taps);
    wavelet.discretize(table.data(), i0, i0 + resolution, 1.0f / ppu, 1.0f / std::sqrt(wavelet.norm));

    const float dt = (p.end_time - p.start_time) * rate / static_cast<float>(columns);
    const auto bmin = static_cast<std::int32_t>(signal.bmin());
    const auto size = static_cast<std::int32_t>(signal.bmax() - signal.bmin());
    // Positions outside the buffer read one of its two zero ends.
    const float lowest = static_cast<float>(signal.bmin()) - 2.0f;
    const float highest = static_cast<float>(signal.bmax()) + 1.0f;
    const float* padded = signal.padded();
    const std::size_t length = static_cast<std::size_t>(size) + 2;
    // Running sums of the padded buffer and of those sums, taken about the buffer's mean so
    // that they stay small enough for double precision (the mean is added back to each value).
    std::vector<double> sums1;
    std::vector<double> sums2;
    double mean = 0.0;
    std::vector<float> offsets(taps + 2);
    std::vector<std::int32_t> index(taps + 2);
    std::vector<float> gathered(taps);
    std::vector<double> reciprocals;

    for (int r = 0; r < rows; ++r) {
        if (control.cancelled()) return false;
        const float a = division.value(rows - r);
        const float x = a * rate;
        const float g = std::sqrt(std::fabs(a) * ppu);
        const float spacing = width / static_cast<float>(resolution) * x;
        const bool means = std::fabs(spacing) > 1.0f;
        if (means && sums1.empty()) {
            for (std::size_t i = 0; i < length; ++i) mean += padded[i];
            mean /= static_cast<double>(length);
            sums1.resize(length + 1);
            sums2.resize(length + 2);
            for (std::size_t i = 0; i < length; ++i) sums1[i + 1] = sums1[i] + (padded[i] - mean);
            for (std::size_t i = 0; i <= length; ++i) sums2[i + 1] = sums2[i] + sums1[i];
        }
        // Reciprocals of the interval lengths, which take only a few values per row.
        if (means) {
            const auto longest = static_cast<std::size_t>(2.0f * std::fabs(spacing)) + 6;
            reciprocals.resize(std::min<std::size_t>(longest, kMostReciprocals));
            for (std::size_t n = 1; n < reciprocals.size(); ++n)
                reciprocals[n] = 1.0 / static_cast<double>(n);
        }
        const auto inverse = [&](std::size_t n) {
            return n < reciprocals.size() ? reciprocals[n] : 1.0 / static_cast<double>(n);
        };
        // Point m reads the sample at left + t + m spacing, or the triangle from the point
        // before it to the point after it; offsets[m + 1] belongs to point m.
        for (std::size_t m = 0; m < taps + 2; ++m) offsets[m] = (static_cast<float>(m) - 1.0f) * spacing;
        const float left = x * wavelet.lsupp;
        float t = p.start_time * rate;
        float* row = out.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(columns);
        for (int k = 0; k < columns; ++k) {
            const float base = left + t;
            for (std::size_t m = 0; m < taps + 2; ++m) {
                const float position = std::clamp(base + offsets[m], lowest, highest);
                const auto j = static_cast<std::int32_t>(position);  // toward zero
                index[m] = std::clamp(j - bmin + 1, 0, size + 1);
            }
            if (means) {
                for (std::size_t m = 0; m < taps; ++m) {
                    const auto lo = static_cast<std::size_t>(index[m]);
                    const auto mid = static_cast<std::size_t>(index[m + 1]);
                    const auto hi = static_cast<std::size_t>(index[m + 2]);
                    if (mid <= lo || hi <= mid) {  // against an end of the buffer
                        gathered[m] = padded[mid];
                        continue;
                    }
                    // The mean of the running sum after the point less that before it, over the
                    // distance of the two halves' centres: the triangle-weighted mean.
                    const double rise = (sums2[hi] - sums2[mid]) * inverse(hi - mid) -
                                        (sums2[mid] - sums2[lo]) * inverse(mid - lo);
                    gathered[m] = static_cast<float>(2.0 * rise * inverse(hi - lo) + mean);
                }
            } else {
                for (std::size_t m = 0; m < taps; ++m) gathered[m] = padded[index[m + 1]];
            }
            row[k] = g * Dot(gathered.data(), table.data(), taps);
            t += dt;
        }
    }
    return true;
}

// The direct method: the wavelet sampled at the signal's spacing at every scale, and each
// coefficient the product sum of those samples with the signal under them.
bool DirectPass(const WaveletFunction& wavelet, const DiscreteSignal& signal, const DivisionRange& division,
                const CwtParameters& p, std::vector<float>& out, const CwtControl& control) {
    const int rows = p.scale_count;
    const int columns = p.time_count;
    const float rate = p.sample_rate;
    const float dt = (p.end_time - p.start_time) * rate / static_cast<float>(columns);
    const float* samples = signal.data(0);
    const std::int64_t bmin = signal.bmin();
    const std::int64_t bmax = signal.bmax();
    const std::int64_t start = std::min(p.start_sample, p.end_sample);
    std::vector<float> sampled;

    for (int r = 0; r < rows; ++r) {
        if (control.cancelled()) return false;
        const float a = division.value(rows - r);
        const float x = a * rate;
        float* row = out.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(columns);
        std::int64_t first = 0;
        std::int64_t last = 0;
        if (x == 0.0f || !cwt_support_in_samples(wavelet, x, first, last)) {
            std::fill(row, row + columns, 0.0f);
            continue;
        }
        sampled.resize(static_cast<std::size_t>(std::max<std::int64_t>(last - first, 0)));
        wavelet.discretize(sampled.data(), first, last, 1.0f / x,
                           1.0f / std::sqrt(std::fabs(a) * wavelet.norm));
        float t = 0.0f;
        for (int k = 0; k < columns; ++k) {
            // Sample of the sound under the wavelet's first sample; only the part inside the
            // buffer counts (the rest is silence).
            const std::int64_t at = start + static_cast<std::int64_t>(t) + first;
            const std::int64_t from = std::max(at, bmin);
            const std::int64_t to = std::min(at + static_cast<std::int64_t>(sampled.size()), bmax);
            row[k] = to > from ? Dot(samples + (from - bmin), sampled.data() + (from - at),
                                     static_cast<std::size_t>(to - from))
                               : 0.0f;
            t += dt;
        }
    }
    return true;
}

bool Usable(float value) {
    return std::isfinite(value) && value != 0.0f;
}

}  // namespace

bool cwt_support_in_samples(const WaveletFunction& wavelet, float x, std::int64_t& first,
                            std::int64_t& last) {
    const float low = x > 0.0f ? x * wavelet.lsupp : x * wavelet.rsupp;
    const float high = x > 0.0f ? x * wavelet.rsupp : x * wavelet.lsupp;
    const float floorLow = std::floor(low);
    const float ceilHigh = std::ceil(high);
    const auto limit = static_cast<float>(kLargestIndex);
    if (!(std::fabs(floorLow) < limit) || !(std::fabs(ceilHigh) < limit)) return false;
    first = static_cast<std::int64_t>(floorLow);
    last = static_cast<std::int64_t>(ceilHigh);
    return true;
}

bool cwt_core_pass(const WaveletFunction& wavelet, const DiscreteSignal& signal,
                   const DivisionRange& division, const CwtParameters& parameters, std::vector<float>& out,
                   const CwtControl& control) {
    out.assign(
        static_cast<std::size_t>(parameters.scale_count) * static_cast<std::size_t>(parameters.time_count),
        0.0f);
    return parameters.method == 0 ? TablePass(wavelet, signal, division, parameters, out, control)
                                  : DirectPass(wavelet, signal, division, parameters, out, control);
}

void cwt_min_max_scaling(std::vector<float>& values) {
    if (values.empty()) return;
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    float lo = *lowest;
    float hi = *highest;
    if (hi == lo) {
        lo = lo - 0.01f;
        hi = hi + 0.01f;
    }
    // In double, so that the largest value comes out as 255 exactly rather than 254.99998.
    const double range = static_cast<double>(hi - lo);
    for (float& v : values) v = static_cast<float>(std::trunc(255.0 * static_cast<double>(v - lo) / range));
}

bool cwt_modulus(const std::vector<float>& re, const std::vector<float>& im, int rows, int columns,
                 std::vector<float>& out) {
    std::vector<float> modulus(re.size());
    float largest = 0.0f;
    for (std::size_t i = 0; i < re.size(); ++i) {
        modulus[i] = std::sqrt(re[i] * re[i] + im[i] * im[i]);
        largest = std::max(largest, modulus[i]);
    }
    out.clear();
    // A transform that is 0 everywhere (silence) has nothing to show, as for real wavelets.
    if (largest == 0.0f) return false;
    out.resize(re.size());
    const auto width = static_cast<std::size_t>(columns);
    for (int r = 0; r < rows; ++r) {
        const float* from = modulus.data() + static_cast<std::size_t>(rows - 1 - r) * width;
        float* to = out.data() + static_cast<std::size_t>(r) * width;
        // In double, so that the largest value is 255 exactly.
        for (std::size_t k = 0; k < width; ++k)
            to[k] = static_cast<float>(static_cast<double>(from[k]) * 255.0 / static_cast<double>(largest));
    }
    return true;
}

CwtOutcome RunTransform(CwtParameters& p, const double* samples, std::int64_t n, std::vector<float>& result,
                        const CwtControl& control) {
    CwtOutcome outcome;
    const float rate = p.sample_rate;
    const auto unusable = [&]() {
        result.clear();
        outcome.status = CwtStatus::unusable;
        return outcome;
    };
    if (!std::isfinite(rate) || !(rate > 0.0f) || !std::isfinite(p.start_time) || !std::isfinite(p.end_time))
        return unusable();
    const float startProduct = p.start_time * rate;
    const float endProduct = p.end_time * rate;
    if (!(std::fabs(startProduct) < 1e9f) || !(std::fabs(endProduct) < 1e9f)) return unusable();
    p.start_sample = static_cast<long>(std::floor(startProduct));
    p.end_sample = static_cast<long>(std::ceil(endProduct));
    if (p.keep_time_count == 0) p.time_count = static_cast<int>(p.end_sample - p.start_sample);

    std::string_view args;
    std::unique_ptr<WaveletFunction> wavelet = create_wavelet(p.wavelet, &args);
    if (!wavelet) {
        outcome.status = CwtStatus::no_wavelet;
        outcome.error = {WaveletError::unknown_name, p.wavelet};
        return outcome;
    }
    struct Release {
        WaveletFunction& w;
        ~Release() { w.release(); }
    } release{*wavelet};
    const bool accepted = wavelet->parse_args(args);
    outcome.diagnostics = wavelet->diagnostics();
    if (!accepted) {
        outcome.status = CwtStatus::bad_arguments;
        outcome.error = wavelet->error();
        return outcome;
    }

    // What cannot give a picture: no grid, no scales, a support that is not a finite interval.
    if (p.scale_count < 1 || p.time_count < 1 || p.resolution < 1 ||
        std::int64_t(p.scale_count) * p.time_count > kLargestGrid || p.resolution > (1 << 24))
        return unusable();
    if (!Usable(p.scale_first) || !Usable(p.scale_last)) return unusable();
    if (!std::isfinite(wavelet->lsupp) || !std::isfinite(wavelet->rsupp) ||
        !(wavelet->rsupp > wavelet->lsupp))
        return unusable();

    const float sMax =
        p.scale_first > 0.0f ? std::max(p.scale_first, p.scale_last) : std::min(p.scale_first, p.scale_last);
    std::int64_t spareBegin = 0;
    std::int64_t spareEnd = 0;
    if (!cwt_support_in_samples(*wavelet, sMax * rate, spareBegin, spareEnd)) return unusable();
    const std::int64_t bmin = std::min(p.start_sample, p.end_sample) + spareBegin;
    const std::int64_t bmax = std::max(p.start_sample, p.end_sample) + spareEnd;
    if (std::max(std::llabs(bmin), std::llabs(bmax)) >= kLargestIndex) return unusable();
    Append(outcome.diagnostics, "bmin %ld, bmax %ld, sparebegin %ld, spareend %ld\n", long(bmin), long(bmax),
           long(spareBegin), long(spareEnd));
    Append(outcome.diagnostics, "size %ld\n", long(bmax - bmin));
    Append(outcome.diagnostics, "leadingzeros %ld, skipdata %ld\n",
           long(std::min<std::int64_t>(bmax, 0) - std::min<std::int64_t>(bmin, 0)),
           long(std::max<std::int64_t>(bmin, 0)));
    outcome.diagnostics += "\n----------------------------\n";

    const std::unique_ptr<DivisionRange> division =
        make_division(p.division_type, p.scale_first, p.scale_last, p.scale_count);
    if (!division) return unusable();

    try {
        const DiscreteSignal signal(samples, n, bmin, bmax);
        result.clear();
        outcome.status = wavelet->transform(signal, *division, p, result, control);
    } catch (const std::bad_alloc&) {
        outcome.status = CwtStatus::no_memory;
    }
    if (outcome.status != CwtStatus::ok) {
        result.clear();
        if (wavelet->failed() && outcome.status != CwtStatus::cancelled) {
            outcome.status = CwtStatus::unusable;
            outcome.error = {WaveletError::bspline_evaluate, {}};
            outcome.diagnostics += outcome.error.text();
        }
        return outcome;
    }
    // A constant transform (silence) scales to 127 everywhere: nothing to show.
    const bool constant = result.size() < 2 ||
                          std::all_of(result.begin(), result.end() - 1, [](float v) { return v == 127.0f; });
    if (constant) {
        result.clear();
        outcome.status = CwtStatus::constant;
        return outcome;
    }
    result.insert(result.begin(), {static_cast<float>(p.scale_count), static_cast<float>(p.time_count)});
    return outcome;
}
