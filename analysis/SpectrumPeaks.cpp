#include "analysis/SpectrumPeaks.h"

#include <algorithm>
#include <cmath>
#include <numbers>

void FindSpectrumPeaks(const std::vector<double>& spectrum, std::size_t start, int distance, double floor,
                       std::vector<SpectrumPeak>& out) {
    out.clear();
    const std::size_t n = spectrum.size();
    const std::size_t d = static_cast<std::size_t>(std::max(distance, 0));
    // Bin 0 (the constant part of the sound) is never a peak; the scan starting beside it
    // starts from its value, so the fall from it is no peak either.
    double v = start <= 1 && n > 0 ? spectrum[0] : 0.0;
    std::size_t i = std::max<std::size_t>(start, 1);
    while (i < n) {
        const std::size_t roundStart = i;
        std::size_t risingOrFlat = 0;
        while (i < n && spectrum[i] > v) v = spectrum[i++], ++risingOrFlat;
        while (i < n && spectrum[i] == v) ++i, ++risingOrFlat;
        std::size_t falling = 0;
        while (i < n && spectrum[i] < v) v = spectrum[i++], ++falling;
        if (i == roundStart) {
            // A value that compares with nothing (not a number) would stop the scan for good.
            ++i;
            v = 0.0;
            continue;
        }
        if (risingOrFlat == 0 || falling == 0) continue;
        const std::size_t p = i - falling - 1;
        const double peak = spectrum[p];
        const double right = spectrum[std::min(p + d, n - 1)];
        const double left = spectrum[p >= d ? p - d : 0];
        if ((right < 0.2 * peak || left < 0.2 * peak) && peak > floor) out.push_back({p, peak});
    }
}

namespace {

// |sin(pi x M/N) / sin(pi x/N)|: the magnitude, x bins away, of M samples of a complex
// exponential in an N-point transform.
double Kernel(double x, double m, double n) {
    const double below = std::sin(std::numbers::pi * x / n);
    if (std::abs(below) < 1e-300) return m;
    return std::abs(std::sin(std::numbers::pi * x * m / n) / below);
}

}  // namespace

double PeakBin(const std::vector<double>& spectrum, std::size_t index, std::size_t signalLength) {
    const std::size_t size = spectrum.size();
    const double at = static_cast<double>(index);
    if (size < 3 || index == 0 || index + 1 >= size) return at;
    const double peak = spectrum[index];
    const double left = spectrum[index - 1], right = spectrum[index + 1];
    if (!(peak > 0.0) || !std::isfinite(peak) || !std::isfinite(left) || !std::isfinite(right)) return at;
    const double n = 2.0 * static_cast<double>(size - 1);
    const double m = signalLength == 0 ? n : std::min(static_cast<double>(signalLength), n);
    const double side = right > left ? 1.0 : -1.0;
    const double ratio = std::min(std::max(left, right) / peak, 1.0);
    // The louder neighbour's share grows from its value with the sinusoid on the bin (0 when
    // not padded) to 1 half way between the bins: the offset is found by halving.
    double low = 0.0, high = 0.5;
    for (int step = 0; step < 60; ++step) {
        const double mid = 0.5 * (low + high);
        if (Kernel(1.0 - mid, m, n) / Kernel(mid, m, n) < ratio)
            low = mid;
        else
            high = mid;
    }
    return at + side * 0.5 * (low + high);
}
