#pragma once
// Complex wavelets and their transform: a pass with the real part and one with the imaginary
// part, then the modulus of every coefficient scaled so that the largest is 255. The rows of
// the result run from the largest scale down (the opposite of the real wavelets).

#include <complex>

#include "analysis/wavelet_fkt.h"

class wavelet_complex : public wavelet_fkt {
public:
    wavelet_complex() { m_bComplex = true; }
    cwt_status transform(const signal_discrete& signal, const division_range& division,
                         const cwt_parameters& parameters, std::vector<float>& result,
                         const cwt_control& control) override;

    int imag_part = 0;  // 0: evaluate and discretize give the real part, 1: the imaginary part

protected:
    // The two passes and the modulus (rows reversed, largest value 255) into result.
    cwt_status modulus_transform(const signal_discrete& signal, const division_range& division,
                                 const cwt_parameters& parameters, std::vector<float>& result,
                                 const cwt_control& control);
    float part(std::complex<float> value) const { return imag_part == 1 ? value.imag() : value.real(); }
};

// (1 - i c x)^-(n+1), of order n (argument, default 1).
class wavelet_cauchy : public wavelet_complex {
public:
    void init() override;
    bool parse_args(std::string_view args) override;
    float evaluate(float x) const override;

    float c = 1.0f;
    float n = 1.0f;
};

// (1 - i c x)^w, a variant of the Cauchy wavelet for signals of spinning machines
// (arguments mu1, mu2 with mu2 >= 1/4).
class wavelet_spinning : public wavelet_complex {
public:
    void init() override;
    bool parse_args(std::string_view args) override;
    float evaluate(float x) const override;

    float c = 1.0f;
    std::complex<float> w{0.0f, 0.0f};
};

// e^(i 2 pi x) e^(-(x/s0)^2 / 2), base scale s0 (argument, default 1).
class wavelet_morlet : public wavelet_complex {
public:
    void init() override;
    bool parse_args(std::string_view args) override;
    float evaluate(float x) const override;

    float s0 = 1.0f;
};
