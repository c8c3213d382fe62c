#include "analysis/ComplexWavelets.h"

#include <cmath>
#include <cstdio>

#include "analysis/CwtTransform.h"
#include "analysis/DivisionRange.h"

namespace {
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kFourPi = 12.566371f;

// The argument text without its leading comma, as the messages quote it.
std::string Quoted(std::string_view args) {
    return std::string(args.empty() ? args : args.substr(1));
}
}  // namespace

CwtStatus ComplexWavelet::modulus_transform(const DiscreteSignal& signal, const DivisionRange& division,
                                            const CwtParameters& parameters, std::vector<float>& result,
                                            const CwtControl& control) {
    std::vector<float> re;
    std::vector<float> im;
    imag_part = 0;
    if (!cwt_core_pass(*this, signal, division, parameters, re, control)) return CwtStatus::cancelled;
    imag_part = 1;
    if (!cwt_core_pass(*this, signal, division, parameters, im, control)) return CwtStatus::cancelled;
    imag_part = 0;
    if (failed()) return CwtStatus::unusable;
    if (!cwt_modulus(re, im, division.n, static_cast<int>(re.size() / static_cast<std::size_t>(division.n)),
                     result))
        return CwtStatus::constant;
    return CwtStatus::ok;
}

CwtStatus ComplexWavelet::transform(const DiscreteSignal& signal, const DivisionRange& division,
                                    const CwtParameters& parameters, std::vector<float>& result,
                                    const CwtControl& control) {
    return modulus_transform(signal, division, parameters, result, control);
}

// ---- Cauchy

void CauchyWavelet::init() {
    norm = 1.0f;
    lsupp = -5.0f;
    rsupp = 5.0f;
    name = "Cauchy";
}

bool CauchyWavelet::parse_args(std::string_view args) {
    n = 1.0f;
    if (!args.empty()) {
        std::vector<double> values;
        if (!read_wavelet_arguments(args, values) || values.size() != 1 || !(values[0] >= 0.0))
            return fail(WaveletError::cauchy_arguments, Quoted(args));
        n = static_cast<float>(values[0]);
    }
    norm = 0.15915494f;
    c = kFourPi / (2.0f * n + 1.0f);
    // The order 0 gives an infinite support: the transform then has nothing it can compute.
    rsupp = std::pow(20.0f, 1.0f / n) / c;
    lsupp = -rsupp;
    diagnose("Cauchy: lsupp %g, rsupp %g\n", lsupp, rsupp);
    return true;
}

float CauchyWavelet::evaluate(float x) const {
    const std::complex<float> base(1.0f, -c * x);
    return part(std::pow(base, std::complex<float>(-(n + 1.0f), 0.0f)));
}

// ---- spinning

void SpinningWavelet::init() {
    norm = 1.0f;
    lsupp = -20.0f;
    rsupp = 20.0f;
    name = "Spinning";
}

bool SpinningWavelet::parse_args(std::string_view args) {
    if (args.empty()) return fail(WaveletError::spinning_missing, {});
    std::vector<double> values;
    if (!read_wavelet_arguments(args, values) || values.size() != 2)
        return fail(WaveletError::spinning_arguments, Quoted(args));
    const auto mu1 = static_cast<float>(values[0]);
    const auto mu2 = static_cast<float>(values[1]);
    diagnose("Spinning: mu1 %g, mu2 %g\n", mu1, mu2);
    if (!(mu2 >= 0.25f)) {
        char text[64];
        std::snprintf(text, sizeof text, "%f", static_cast<double>(mu2));
        return fail(WaveletError::spinning_mu2, text);
    }
    const float r = std::sqrt(mu2);
    w = std::complex<float>(-0.5f - r, mu1);
    c = kTwoPi / r;
    const float a = -0.5f - r;
    const float e = 0.5f + r;
    const float b = 0.5f * a * std::log(1.0f + mu1 * mu1) + mu1 * std::atan(mu1);
    const float d = std::log(20.0f) - b;
    float p = 0.0f;
    float q = 0.0f;
    if (mu1 > 0.0f) {
        p = d / e;
        q = (mu1 + d) / e;
    } else {
        p = (d - mu1) / e;
        q = d / e;
    }
    lsupp = -std::exp(p) / c;
    rsupp = std::exp(q) / c;
    diagnose("Spinning: lsupp %g, rsupp %g\n", lsupp, rsupp);
    return true;
}

float SpinningWavelet::evaluate(float x) const {
    const std::complex<float> base(1.0f, -c * x);
    return part(std::pow(base, w));
}

// ---- Morlet

void MorletWavelet::init() {
    norm = std::sqrt(kPi);
    lsupp = -kTwoPi;
    rsupp = kTwoPi;
    name = "Morlet";
}

bool MorletWavelet::parse_args(std::string_view args) {
    s0 = 1.0f;
    if (!args.empty()) {
        std::vector<double> values;
        if (!read_wavelet_arguments(args, values) || values.size() != 1)
            return fail(WaveletError::morlet_arguments, Quoted(args));
        s0 = static_cast<float>(values[0]);
    }
    rsupp = s0 * kTwoPi;
    lsupp = -rsupp;
    return true;
}

float MorletWavelet::evaluate(float x) const {
    const float q = x / s0;
    const float gauss = std::exp(-(q * q) / 2.0f);
    const float phase = kTwoPi * x;
    return (imag_part == 1 ? std::sin(phase) : std::cos(phase)) * gauss;
}

double MorletWavelet::centre_frequency() {
    const double s = std::fabs(double(s0));
    if (s < 0.3) return sampled_centre_frequency(*this);
    const double pi = 3.14159265358979323846;
    return (1.0 + std::sqrt(1.0 + 1.0 / (2.0 * pi * pi * s * s))) / 2.0;
}
