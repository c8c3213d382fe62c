#include "analysis/BSplineWavelet.h"

#include <cmath>

#include "analysis/CwtTransform.h"

namespace {
constexpr float kTwoPi = 6.2831855f;
// Boxes wider than this many samples are refused: the envelope would not fit in memory.
constexpr double kLargestBox = 1 << 26;
}  // namespace

void BSplineWavelet::init() {
    norm = 1.0f;
    lsupp = -1.0f;
    rsupp = 1.0f;
    name = "B-Spline";
}

bool BSplineWavelet::parse_args(std::string_view args) {
    widths.clear();
    rsupp = 0.0f;
    std::vector<double> values;
    const bool good = read_wavelet_arguments(args, values);
    for (double v : values)
        if (!(v > 0.0)) return fail(WaveletError::bspline_arguments, std::string(args.substr(1)));
    if (!good)
        return fail(WaveletError::bspline_arguments, std::string(args.empty() ? args : args.substr(1)));
    if (values.empty()) return fail(WaveletError::bspline_missing, {});
    for (double v : values) {
        widths.push_back(static_cast<float>(v));
        rsupp += static_cast<float>(v);
    }
    rsupp = rsupp / 2.0f;
    lsupp = -rsupp;
    diagnose("B-Spline: lsupp %g, rsupp %g\n", lsupp, rsupp);
    return true;
}

float BSplineWavelet::evaluate(float) const {
    m_failed = true;
    return 0.0f;
}

CwtStatus BSplineWavelet::transform(const DiscreteSignal& signal, const DivisionRange& division,
                                    const CwtParameters& parameters, std::vector<float>& result,
                                    const CwtControl& control) {
    // Both methods take the table path: the direct method's own B-spline algorithm would only
    // sample the same envelope at another step.
    CwtParameters table = parameters;
    table.method = 0;
    const CwtStatus status = modulus_transform(signal, division, table, result, control);
    if (status != CwtStatus::ok) return status;
    cwt_min_max_scaling(result);
    return CwtStatus::ok;
}

std::vector<float> BSplineWavelet::envelope(float h) const {
    std::vector<float> e(1, 1.0f);
    for (float width : widths) {
        const double boxes = std::ceil(static_cast<double>(width / std::fabs(h)));
        if (!(boxes <= kLargestBox)) return {};
        const auto m = static_cast<std::size_t>(std::max(1.0, boxes));
        // The full convolution with m values 1/m, as a running sum over the last m samples.
        std::vector<float> next(e.size() + m - 1);
        float sum = 0.0f;
        for (std::size_t i = 0; i < next.size(); ++i) {
            if (i < e.size()) sum += e[i];
            if (i >= m) sum -= e[i - m];
            next[i] = sum / static_cast<float>(m);
        }
        e = std::move(next);
    }
    return e;
}

void BSplineWavelet::discretize(float* buffer, std::int64_t i0, std::int64_t i1, float h, float) const {
    const std::vector<float> e = envelope(h);
    if (e.empty()) m_failed = true;
    const auto half = static_cast<std::int64_t>(e.size() / 2);
    for (std::int64_t i = i0; i < i1; ++i) {
        float value = 0.0f;
        if (i > -half && i < half) {
            const float phase = kTwoPi * static_cast<float>(i) * h;
            const float wave = imag_part == 1 ? std::sin(phase) : std::cos(phase);
            value = wave * e[static_cast<std::size_t>(i + half - 1)];
        }
        buffer[i - i0] = value;
    }
}
