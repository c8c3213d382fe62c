#pragma once
// The continuous wavelet transform of sampled sound on a grid of scales x time points, scaled
// to display values 0..255, in single precision.
//
// The result holds the scale count S and the time count T (as floats), then S x T values row
// by row (row r, column k at 2 + r T + k). Real wavelets give whole values 0..255 with row 0 at
// the smallest scale; complex wavelets give values up to 255 with row 0 at the largest scale.
//
// Two ways to compute a coefficient: the table method samples the wavelet once into a table of
// `resolution` values and reads the signal at as many points per coefficient, whatever the
// scale; the direct method samples the wavelet at every scale at the signal's own sample
// spacing, so a coefficient costs as many products as the wavelet has samples at that scale.

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/CwtParameters.h"
#include "analysis/WaveletFunction.h"

class DivisionRange;
class DiscreteSignal;

struct CwtOutcome {
    CwtStatus status = CwtStatus::ok;
    WaveletError error;       // why the wavelet text was refused (bad_arguments, no_wavelet)
    std::string diagnostics;  // the run's lines about support, margins and buffer, for a debug log
};

// The whole computation: the wavelet of parameters.wavelet on samples[0 .. n - 1] into
// result. Fills parameters.start_sample and end_sample (and the time count when it is not
// kept). Never ends the program and never leaves a partial result.
CwtOutcome RunTransform(CwtParameters& parameters, const double* samples, std::int64_t n,
                        std::vector<float>& result, const CwtControl& control = {});

// The support of the wavelet at a scale of x samples, in whole samples: first .. last.
// False when it is not finite or too large to sample.
bool cwt_support_in_samples(const WaveletFunction& wavelet, float x, std::int64_t& first, std::int64_t& last);

// One pass of the transform with the wavelet as it is set (real or imaginary part): the
// coefficients of scale count x time count into out, row r at the scale value(count - r).
// False when the cancel flag stopped it.
bool cwt_core_pass(const WaveletFunction& wavelet, const DiscreteSignal& signal,
                   const DivisionRange& division, const CwtParameters& parameters, std::vector<float>& out,
                   const CwtControl& control);

// Every value v := trunc(255 (v - lo) / (hi - lo)) with lo, hi the least and largest value
// (widened by 0.01 either way when they are equal, so a constant gives 127).
void cwt_min_max_scaling(std::vector<float>& values);

// The modulus of re + i im, rows in reverse order, scaled so that the largest is 255. False
// (out empty) when every coefficient is 0.
bool cwt_modulus(const std::vector<float>& re, const std::vector<float>& im, int rows, int columns,
                 std::vector<float>& out);
