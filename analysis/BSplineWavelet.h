#pragma once
// A complex wave in a B-spline envelope. The envelope is the repeated moving mean of a single
// 1 over boxes of the given window widths, so the wavelet exists only as sampled values
// (discretize); its support is half the sum of the widths on either side. Its centre frequency
// comes from those samples too (about 1, a little above for narrow envelopes).

#include "analysis/ComplexWavelets.h"

class BSplineWavelet : public ComplexWavelet {
public:
    void init() override;
    void release() override { widths.clear(); }
    bool parse_args(std::string_view args) override;
    // Has no single value: marks the wavelet failed (the run that asked fails) and gives 0.
    float evaluate(float x) const override;
    CwtStatus transform(const DiscreteSignal& signal, const DivisionRange& division,
                        const CwtParameters& parameters, std::vector<float>& result,
                        const CwtControl& control) override;
    // The factor is not used: the envelope's moving means keep its area at one.
    void discretize(float* buffer, std::int64_t i0, std::int64_t i1, float h, float f) const override;

    // The envelope at step h: the moving means of [1] over ceil(W / |h|) samples per width W.
    std::vector<float> envelope(float h) const;

    std::vector<float> widths;
};
