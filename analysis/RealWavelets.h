#pragma once
// Real wavelets and their transform: one pass, the magnitude of every coefficient, then a
// min-max scaling to whole display values 0..255. The four families take no arguments.

#include "analysis/WaveletFunction.h"

class RealWavelet : public WaveletFunction {
public:
    CwtStatus transform(const DiscreteSignal& signal, const DivisionRange& division,
                        const CwtParameters& parameters, std::vector<float>& result,
                        const CwtControl& control) override;
    bool parse_args(std::string_view args) override;
};

// 1 for x >= 0, -1 below; support [-0.5, 0.5].
class HaarWavelet : public RealWavelet {
public:
    void init() override;
    float evaluate(float x) const override;
    // |psi^(nu)| = sin^2(u) / u with u = pi nu / 2 (times 2/pi): sqrt(nu) times it peaks where
    // tan u = 4 u, at nu = 0.88697.
    double centre_frequency() override;
};

// The second derivative of a Gaussian, stretched so that its support [-5, 5] holds it. Its
// centre frequency comes from its samples: uncut it would be sqrt(5/2) 3 sqrt(pi) / (16 pi) =
// 0.1673; the cut at +-5 moves it to 0.1687.
class MexicanHatWavelet : public RealWavelet {
public:
    void init() override;
    float evaluate(float x) const override;
};

// One period of a sine on [-0.5, 0.5].
class SineWavelet : public RealWavelet {
public:
    void init() override;
    float evaluate(float x) const override;
    // |psi^(nu)| = |sin(pi nu)| / (pi |1 - nu^2|): the derivative of the logarithm of sqrt(nu)
    // times it, 1/(2 nu) + pi cot(pi nu) + 2 nu / (1 - nu^2), is 0 at nu = 1 exactly.
    double centre_frequency() override { return 1.0; }
};

// (1 - u^2) / (pi (1 + u^2)) with u = 2x/3, on [-10, 10]. Uncut its spectrum would fall from 0
// as e^(-3 pi nu); the cut at +-10 leaves a constant part whose sinc dominates the low
// frequencies, so its centre frequency (about 0.072) comes from its samples.
class PoissonWavelet : public RealWavelet {
public:
    void init() override;
    float evaluate(float x) const override;
};
