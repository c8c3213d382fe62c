#include "analysis/wavelet_real.h"

#include <cmath>

#include "analysis/cwt_transform.h"

namespace {
constexpr float kPi = 3.1415927f;
}

bool wavelet_real::parse_args(std::string_view args) {
    if (!args.empty()) return fail(wavelet_error::no_arguments_expected, name);
    return true;
}

cwt_status wavelet_real::transform(const signal_discrete& signal, const division_range& division,
                                   const cwt_parameters& parameters, std::vector<float>& result,
                                   const cwt_control& control) {
    if (!cwt_core_pass(*this, signal, division, parameters, result, control)) return cwt_status::cancelled;
    if (failed()) return cwt_status::unusable;
    for (float& v : result) v = std::fabs(v);
    cwt_min_max_scaling(result);
    return cwt_status::ok;
}

void wavelet_haar::init() {
    norm = std::sqrt(2.0f);
    lsupp = -0.5f;
    rsupp = 0.5f;
    name = "Haar";
}

float wavelet_haar::evaluate(float x) const {
    return x >= 0.0f ? 1.0f : -1.0f;
}

double wavelet_haar::centre_frequency() {
    // The root of tan u = 4 u between 0 and pi/2, by Newton's method from 1.4.
    double u = 1.4;
    for (int i = 0; i < 8; ++i) {
        const double c = std::cos(u);
        u -= (std::tan(u) - 4.0 * u) / (1.0 / (c * c) - 4.0);
    }
    return 2.0 * u / 3.14159265358979323846;
}

void wavelet_mexicanhat::init() {
    norm = std::sqrt(6.0f);
    lsupp = -5.0f;
    rsupp = 5.0f;
    name = "Mexican hat";
}

float wavelet_mexicanhat::evaluate(float x) const {
    const float t = std::sqrt(kPi) * 3.0f * 0.125f * x;
    const float t2 = t * t;
    return (1.0f - t2) * std::exp(-t2 / 2.0f);
}

void wavelet_sinus::init() {
    norm = 1.0f;
    lsupp = -0.5f;
    rsupp = 0.5f;
    name = "Sinus";
}

float wavelet_sinus::evaluate(float x) const {
    return std::sin(2.0f * kPi * x);
}

void wavelet_poisson::init() {
    norm = 1.0f;
    lsupp = -10.0f;
    rsupp = 10.0f;
    name = "Poisson";
}

float wavelet_poisson::evaluate(float x) const {
    const float u = 2.0f * x / 3.0f;
    const float u2 = u * u;
    return (1.0f - u2) / (kPi * (1.0f + u2));
}
