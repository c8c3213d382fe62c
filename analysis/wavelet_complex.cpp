#include "analysis/wavelet_complex.h"

#include <cmath>
#include <cstdio>

#include "analysis/cwt_transform.h"
#include "analysis/division_range.h"

namespace {
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;
constexpr float kFourPi = 12.566371f;

// The argument text without its leading comma, as the messages quote it.
std::string Quoted(std::string_view args) {
    return std::string(args.empty() ? args : args.substr(1));
}
}  // namespace

cwt_status wavelet_complex::modulus_transform(const signal_discrete& signal, const division_range& division,
                                              const cwt_parameters& parameters, std::vector<float>& result,
                                              const cwt_control& control) {
    std::vector<float> re;
    std::vector<float> im;
    imag_part = 0;
    if (!cwt_core_pass(*this, signal, division, parameters, re, control)) return cwt_status::cancelled;
    imag_part = 1;
    if (!cwt_core_pass(*this, signal, division, parameters, im, control)) return cwt_status::cancelled;
    imag_part = 0;
    if (failed()) return cwt_status::unusable;
    if (!cwt_modulus(re, im, division.n, static_cast<int>(re.size() / static_cast<std::size_t>(division.n)),
                     result))
        return cwt_status::constant;
    return cwt_status::ok;
}

cwt_status wavelet_complex::transform(const signal_discrete& signal, const division_range& division,
                                      const cwt_parameters& parameters, std::vector<float>& result,
                                      const cwt_control& control) {
    return modulus_transform(signal, division, parameters, result, control);
}

// ---- Cauchy

void wavelet_cauchy::init() {
    norm = 1.0f;
    lsupp = -5.0f;
    rsupp = 5.0f;
    name = "Cauchy";
}

bool wavelet_cauchy::parse_args(std::string_view args) {
    n = 1.0f;
    if (!args.empty()) {
        std::vector<double> values;
        if (!read_wavelet_arguments(args, values) || values.size() != 1 || !(values[0] >= 0.0))
            return fail(wavelet_error::cauchy_arguments, Quoted(args));
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

float wavelet_cauchy::evaluate(float x) const {
    const std::complex<float> base(1.0f, -c * x);
    return part(std::pow(base, std::complex<float>(-(n + 1.0f), 0.0f)));
}

// ---- spinning

void wavelet_spinning::init() {
    norm = 1.0f;
    lsupp = -20.0f;
    rsupp = 20.0f;
    name = "Spinning";
}

bool wavelet_spinning::parse_args(std::string_view args) {
    if (args.empty()) return fail(wavelet_error::spinning_missing, {});
    std::vector<double> values;
    if (!read_wavelet_arguments(args, values) || values.size() != 2)
        return fail(wavelet_error::spinning_arguments, Quoted(args));
    const auto mu1 = static_cast<float>(values[0]);
    const auto mu2 = static_cast<float>(values[1]);
    diagnose("Spinning: mu1 %g, mu2 %g\n", mu1, mu2);
    if (!(mu2 >= 0.25f)) {
        char text[64];
        std::snprintf(text, sizeof text, "%f", static_cast<double>(mu2));
        return fail(wavelet_error::spinning_mu2, text);
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

float wavelet_spinning::evaluate(float x) const {
    const std::complex<float> base(1.0f, -c * x);
    return part(std::pow(base, w));
}

// ---- Morlet

void wavelet_morlet::init() {
    norm = std::sqrt(kPi);
    lsupp = -kTwoPi;
    rsupp = kTwoPi;
    name = "Morlet";
}

bool wavelet_morlet::parse_args(std::string_view args) {
    s0 = 1.0f;
    if (!args.empty()) {
        std::vector<double> values;
        if (!read_wavelet_arguments(args, values) || values.size() != 1)
            return fail(wavelet_error::morlet_arguments, Quoted(args));
        s0 = static_cast<float>(values[0]);
    }
    rsupp = s0 * kTwoPi;
    lsupp = -rsupp;
    return true;
}

float wavelet_morlet::evaluate(float x) const {
    const float q = x / s0;
    const float gauss = std::exp(-(q * q) / 2.0f);
    const float phase = kTwoPi * x;
    return (imag_part == 1 ? std::sin(phase) : std::cos(phase)) * gauss;
}

double wavelet_morlet::centre_frequency() {
    const double s = std::fabs(double(s0));
    if (s < 0.3) return sampled_centre_frequency(*this);
    const double pi = 3.14159265358979323846;
    return (1.0 + std::sqrt(1.0 + 1.0 / (2.0 * pi * pi * s * s))) / 2.0;
}
