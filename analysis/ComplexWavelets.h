#pragma once
// Complex wavelets and their transform: a pass with the real part and one with the imaginary
// part, then the modulus of every coefficient scaled so that the largest is 255. The rows of
// the result run from the largest scale down (the opposite of the real wavelets).

#include <complex>

#include "analysis/WaveletFunction.h"

class ComplexWavelet : public WaveletFunction {
public:
    ComplexWavelet() { m_complex = true; }
    CwtStatus transform(const DiscreteSignal& signal, const DivisionRange& division,
                        const CwtParameters& parameters, std::vector<float>& result,
                        const CwtControl& control) override;

    int imag_part = 0;  // 0: evaluate and discretize give the real part, 1: the imaginary part

protected:
    // The two passes and the modulus (rows reversed, largest value 255) into result.
    CwtStatus modulus_transform(const DiscreteSignal& signal, const DivisionRange& division,
                                const CwtParameters& parameters, std::vector<float>& result,
                                const CwtControl& control);
    float part(std::complex<float> value) const { return imag_part == 1 ? value.imag() : value.real(); }
};

// (1 - i c x)^-(n+1), of order n (argument, default 1).
class CauchyWavelet : public ComplexWavelet {
public:
    void init() override;
    bool parse_args(std::string_view args) override;
    float evaluate(float x) const override;
    // psi^ is one-sided, proportional to w^n e^-w with w = 2 pi nu / c; sqrt(nu) times it
    // peaks at w = n + 1/2, which c = 4 pi / (2n + 1) puts at nu = 1 for every order (the cut
    // at the support's ends moves it by less than 0.3 %).
    double centre_frequency() override { return 1.0; }

    float c = 1.0f;
    float n = 1.0f;
};

// (1 - i c x)^w, a variant of the Cauchy wavelet for signals of spinning machines
// (arguments mu1, mu2 with mu2 >= 1/4). Uncut, sqrt(nu) |psi^(nu)| would peak at nu = 1; the
// wavelet decays slowly and its cut support moves that by up to 10 %, so its centre frequency
// comes from its samples.
class SpinningWavelet : public ComplexWavelet {
public:
    void init() override;
    bool parse_args(std::string_view args) override;
    float evaluate(float x) const override;

    float c = 1.0f;
    std::complex<float> w{0.0f, 0.0f};
};

// e^(i 2 pi x) e^(-(x/s0)^2 / 2), base scale s0 (argument, default 1).
class MorletWavelet : public ComplexWavelet {
public:
    void init() override;
    bool parse_args(std::string_view args) override;
    float evaluate(float x) const override;
    // psi^(nu) = s0 sqrt(2 pi) e^(-2 pi^2 s0^2 (nu - 1)^2): sqrt(nu) times it peaks at
    // nu = (1 + sqrt(1 + 1 / (2 pi^2 s0^2))) / 2 (1.0032 for s0 = 2). Below s0 = 0.3 the
    // Gaussian's tail at -nu counts too, and the peak is found from the samples.
    double centre_frequency() override;

    float s0 = 1.0f;
};
