#include "analysis/SpectrumPeaks.h"

#include <algorithm>

void FindSpectrumPeaks(const std::vector<double>& spectrum, std::size_t start, int distance, double floor,
                       std::vector<SpectrumPeak>& out) {
    out.clear();
    const std::size_t n = spectrum.size();
    const std::size_t d = static_cast<std::size_t>(std::max(distance, 0));
    double v = 0.0;
    std::size_t i = start;
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
