#pragma once
// Mutual information between y(t) and y(t + tau) of a series, from a histogram of P boxes over
// the rescaled range [0, 1], for tau = 0 .. T. I(0) is the Shannon entropy of the boxes.

#include <cstddef>
#include <optional>
#include <vector>

// Empty when the series is constant (nothing to box). T is lowered to n - 1 when n <= T.
std::vector<double> MutualInformation(const std::vector<double>& series, int boxes, int& maxTau);

// The first tau >= 1 at which the falling curve stops falling; nothing when the curve rises at
// once (I(1) >= I(0)) or still falls at its end.
std::optional<int> FirstMinimum(const std::vector<double>& information);
