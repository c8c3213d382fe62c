#include "analysis/ScorePartials.h"

#include <cmath>

#include "analysis/MusicalNote.h"
#include "analysis/SpectrumPeaks.h"

void MergePartials(std::vector<Partial>& partials, double distance) {
    std::size_t j = 0;
    while (j + 1 < partials.size()) {
        if (partials[j].frequency >= partials[j + 1].frequency - distance) {
            // The quieter goes; of two equally loud ones the left.
            const std::size_t gone = partials[j].level > partials[j + 1].level ? j + 1 : j;
            partials.erase(partials.begin() + static_cast<std::ptrdiff_t>(gone));
        } else {
            ++j;
        }
    }
}

void FindPartials(const std::vector<double>& spectrum, int sampleRate, int bits, int distance,
                  std::vector<Partial>& out) {
    out.clear();
    const std::size_t n = spectrum.size();
    if (n <= 1) return;
    const double fullScale = std::ldexp(1.0, bits);
    std::vector<SpectrumPeak> peaks;
    FindSpectrumPeaks(spectrum, 1, distance, 0.0001 * fullScale, peaks);
    const double binWidth = (sampleRate / 2.0) / static_cast<double>(n);
    for (const SpectrumPeak& peak : peaks) {
        const double f = binWidth * static_cast<double>(peak.index);
        const double level = 20.0 * std::log10(peak.value / fullScale);
        const bool low = f > 25.0 && f < 1000.0 && level > -50.0;
        const bool high = f >= 1000.0 && f < 5000.0 && level > -70.0;
        if (low || high) out.push_back({f, level});
    }
    MergePartials(out, distance);
}

int NoteNumber(double frequency) { return NearestNote(frequency).number; }

StaffPosition StaffPositionOf(int k) {
    StaffPosition p;
    int steps = 0;
    for (int m = 1; m <= k; ++m) {
        switch (m % 12) {
        case 0: case 2: case 3: case 5: case 7: case 8: case 10: ++steps; break;
        default: break;
        }
    }
    p.height = 5 + 5 * steps;
    const int pitch = ((k % 12) + 12) % 12;
    p.sharp = pitch == 1 || pitch == 4 || pitch == 6 || pitch == 9 || pitch == 11;
    struct Range {
        int from, to, lines;
    };
    static constexpr Range kBelow[] = {{0, 2, 6}, {3, 6, 5}, {7, 9, 4}, {10, 13, 3}, {14, 16, 2}, {17, 19, 1}};
    static constexpr Range kAbove[] = {{60, 62, 1}, {63, 66, 2}, {67, 69, 3}, {70, 73, 4},
                                       {74, 76, 5}, {77, 79, 6}, {80, 83, 7}};
    for (const Range& r : kBelow)
        if (k >= r.from && k <= r.to) p.ledgerBelow = r.lines;
    for (const Range& r : kAbove)
        if (k >= r.from && k <= r.to) p.ledgerAbove = r.lines;
    if (k == 39 || k == 40) p.ledgerMiddle = 1;
    return p;
}

int IntervalStringOf(int overtone) { return overtone >= 0 && overtone <= 5 ? 61523 + overtone : 0; }

int OvertoneOf(double frequency, double fundamental) {
    if (!(fundamental > 0.0)) return -1;
    return static_cast<int>(std::lround(frequency / fundamental)) - 1;
}
