#pragma once
// Real wavelets and their transform: one pass, the magnitude of every coefficient, then a
// min-max scaling to whole display values 0..255. The four families take no arguments.

#include "analysis/wavelet_fkt.h"

class wavelet_real : public wavelet_fkt {
public:
    cwt_status transform(const signal_discrete& signal, const division_range& division,
                         const cwt_parameters& parameters, std::vector<float>& result,
                         const cwt_control& control) override;
    bool parse_args(std::string_view args) override;
};

// 1 for x >= 0, -1 below; support [-0.5, 0.5].
class wavelet_haar : public wavelet_real {
public:
    void init() override;
    float evaluate(float x) const override;
};

// The second derivative of a Gaussian, stretched so that its support [-5, 5] holds it.
class wavelet_mexicanhat : public wavelet_real {
public:
    void init() override;
    float evaluate(float x) const override;
};

// One period of a sine on [-0.5, 0.5].
class wavelet_sinus : public wavelet_real {
public:
    void init() override;
    float evaluate(float x) const override;
};

// (1 - u^2) / (pi (1 + u^2)) with u = 2x/3, on [-10, 10].
class wavelet_poisson : public wavelet_real {
public:
    void init() override;
    float evaluate(float x) const override;
};
