#pragma once
// The peaks of a magnitude spectrum as the spectral views find them: the spectrum is read as
// runs (rising, flat, falling); the last value before each descent is a candidate, and it is
// a peak when it stands out clearly from at least one neighbour and is above a floor.

#include <cstddef>
#include <vector>

struct SpectrumPeak {
    std::size_t index = 0;  // the bin
    double value = 0.0;     // its magnitude
};

// Scans spectrum[start .. end). A candidate p with value P is a peak when the value at
// min(p + distance, n - 1) or at max(p - distance, 0) is below 0.2 P, and P > floor.
// out is cleared first; the peaks come in index order.
void FindSpectrumPeaks(const std::vector<double>& spectrum, std::size_t start, int distance, double floor,
                       std::vector<SpectrumPeak>& out);
