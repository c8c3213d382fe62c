#pragma once
// The peaks of a magnitude spectrum as the spectral views find them: the spectrum is read as
// runs (rising, flat, falling); the last value before each descent is a candidate, and it is
// a peak when it stands out clearly from at least one neighbour and is above a floor.
//
// A peak found this way sits on a bin, up to half a bin off the tone it stands for (at 1024
// points and 44.1 kHz that is 21 Hz, a third of a semitone at A4). PeakBin places it between
// the bins from the magnitudes of the peak and its louder neighbour.

#include <cstddef>
#include <vector>

struct SpectrumPeak {
    std::size_t index = 0;  // the bin
    double value = 0.0;     // its magnitude
};

// Scans spectrum[start .. end), never bin 0 (the constant part of a sound is no peak, nor is
// the fall from it when the scan starts at 0 or 1). A
// candidate p with value P is a peak when the value at min(p + distance, n - 1) or at
// max(p - distance, 0) is below 0.2 P, and P > floor. out is cleared first; the peaks come in
// index order.
void FindSpectrumPeaks(const std::vector<double>& spectrum, std::size_t start, int distance, double floor,
                       std::vector<SpectrumPeak>& out);

// The fractional bin of the steady sinusoid behind the peak at index of a spectrum of
// magnitudes |X_k| / N (spectrum.size() = N/2 + 1) of signalLength samples, padded with zeros
// to N (0 or N or more: not padded). Without a window the magnitudes of one sinusoid follow
// the kernel |sin(pi x M/N) / sin(pi x/N)| of the M samples around it; the ratio of the louder
// neighbour to the peak fixes where between the two bins the sinusoid lies. Exact for one
// complex exponential; for a real sine the mirror image at the negative frequency adds a small
// error that falls with the distance from bin 0. The index itself at the ends of the spectrum.
double PeakBin(const std::vector<double>& spectrum, std::size_t index, std::size_t signalLength = 0);
