#include "analysis/RealWavelets.h"

#include <cmath>

#include "analysis/CwtTransform.h"

namespace {
constexpr float kPi = 3.1415927f;
}

bool RealWavelet::parse_args(std::string_view args) {
    if (!args.empty()) return fail(WaveletError::no_arguments_expected, name);
    return true;
}

CwtStatus RealWavelet::transform(const DiscreteSignal& signal, const DivisionRange& division,
                                 const CwtParameters& parameters, std::vector<float>& result,
                                 const CwtControl& control) {
    if (!cwt_core_pass(*this, signal, division, parameters, result, control)) return CwtStatus::cancelled;
    if (failed()) return CwtStatus::unusable;
    for (float& v : result) v = std::fabs(v);
    cwt_min_max_scaling(result);
    return CwtStatus::ok;
}

void HaarWavelet::init() {
    norm = std::sqrt(2.0f);
    lsupp = -0.5f;
    rsupp = 0.5f;
    name = "Haar";
}

float HaarWavelet::evaluate(float x) const {
    return x >= 0.0f ? 1.0f : -1.0f;
}

double HaarWavelet::centre_frequency() {
    // The root of tan u = 4 u between 0 and pi/2, by Newton's method from 1.4.
    double u = 1.4;
    for (int i = 0; i < 8; ++i) {
        const double c = std::cos(u);
        u -= (std::tan(u) - 4.0 * u) / (1.0 / (c * c) - 4.0);
    }
    return 2.0 * u / 3.14159265358979323846;
}

void MexicanHatWavelet::init() {
    norm = std::sqrt(6.0f);
    lsupp = -5.0f;
    rsupp = 5.0f;
    name = "Mexican hat";
}

float MexicanHatWavelet::evaluate(float x) const {
    const float t = std::sqrt(kPi) * 3.0f * 0.125f * x;
    const float t2 = t * t;
    return (1.0f - t2) * std::exp(-t2 / 2.0f);
}

void SineWavelet::init() {
    norm = 1.0f;
    lsupp = -0.5f;
    rsupp = 0.5f;
    name = "Sinus";
}

float SineWavelet::evaluate(float x) const {
    return std::sin(2.0f * kPi * x);
}

void PoissonWavelet::init() {
    norm = 1.0f;
    lsupp = -10.0f;
    rsupp = 10.0f;
    name = "Poisson";
}

float PoissonWavelet::evaluate(float x) const {
    const float u = 2.0f * x / 3.0f;
    const float u2 = u * u;
    return (1.0f - u2) / (kPi * (1.0f + u2));
}
