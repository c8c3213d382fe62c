#pragma once
// The plateau of a correlation-dimension curve: the constant that fits the local slopes best in
// the least-squares sense, found by MINPACK's Levenberg-Marquardt minimiser (lmdif) with the
// control values of lmfit (tolerances 1e-14, step bound 100, at most 100 (n + 1) evaluations,
// start value 1.0).

#include <vector>

// NaN when slopes is empty.
double FitPlateau(const std::vector<double>& slopes);
