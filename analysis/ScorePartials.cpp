#include "analysis/ScorePartials.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/MusicalNote.h"
#include "analysis/SpectrumPeaks.h"
#include "analysis/SpectrumScale.h"

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

void RemoveSideLobes(std::vector<Partial>& partials, double resolution) {
    const std::vector<Partial> all = partials;
    partials.clear();
    for (const Partial& q : all) {
        const bool lobe = std::any_of(all.begin(), all.end(), [&](const Partial& p) {
            if (!(p.level > q.level)) return false;
            const double semitones = std::abs(12.0 * std::log2(q.frequency / p.frequency));
            if (semitones <= kLobeSemitones && p.level - q.level >= kLobeDb) return true;
            // Without a window the side lobes x resolution widths away reach 1 / (pi x) of
            // the peak; up to 1.5 times that (3.5 dB to spare) is a lobe, not a tone.
            const double widths = resolution > 0.0 ? std::abs(q.frequency - p.frequency) / resolution : 0.0;
            const double ratio = std::pow(10.0, (q.level - p.level) / 20.0);
            return widths > 0.0 && widths <= kLobeWidths && ratio <= 1.5 / (std::numbers::pi * widths);
        });
        if (!lobe) partials.push_back(q);
    }
}

void FindPartials(const std::vector<double>& spectrum, int sampleRate, int bits, int distance,
                  std::size_t signalLength, std::vector<Partial>& out) {
    out.clear();
    const std::size_t n = spectrum.size();
    if (n <= 1 || sampleRate <= 0) return;
    const int points = static_cast<int>(2 * (n - 1));
    const std::size_t length =
        signalLength == 0 ? static_cast<std::size_t>(points) : std::min<std::size_t>(signalLength, points);
    const double padding = static_cast<double>(points) / static_cast<double>(length);
    const int bins = static_cast<int>(std::lround(std::max(distance, 0) * padding));
    // The floor of the peak test: 1/10000 of 2^bits, 68 dB below full scale.
    const double floor = 1e-4 * std::ldexp(1.0, std::clamp(bits, 2, 32));
    std::vector<SpectrumPeak> peaks;
    FindSpectrumPeaks(spectrum, 1, bins, floor, peaks);
    for (const SpectrumPeak& peak : peaks) {
        const double f =
            SpectrumScale::BinFrequency(PeakBin(spectrum, peak.index, length), sampleRate, points);
        const double level = SpectrumScale::LevelDb(peak.value, bits);
        const bool low = f > 25.0 && f < 1000.0 && level > kLowBandFloorDb;
        const bool high = f >= 1000.0 && f < 5000.0 && level > kHighBandFloorDb;
        if (low || high) out.push_back({f, level});
    }
    RemoveSideLobes(out, static_cast<double>(sampleRate) / static_cast<double>(length));
    MergePartials(out, distance);
    if (out.empty()) return;
    const double loudest = std::max_element(out.begin(), out.end(), [](const Partial& a, const Partial& b) {
                               return a.level < b.level;
                           })->level;
    const auto keynote = std::find_if(out.begin(), out.end(),
                                      [&](const Partial& p) { return p.level >= loudest - kKeynoteRangeDb; });
    out.erase(out.begin(), keynote);
}

int NoteNumber(double frequency) {
    return NearestNote(frequency).number;
}

StaffPosition StaffPositionOf(int k) {
    StaffPosition p;
    int steps = 0;
    for (int m = 1; m <= k; ++m) {
        switch (m % 12) {
            case 0:
            case 2:
            case 3:
            case 5:
            case 7:
            case 8:
            case 10:
                ++steps;
                break;
            default:
                break;
        }
    }
    p.height = 5 + 5 * steps;
    const int pitch = ((k % 12) + 12) % 12;
    p.sharp = pitch == 1 || pitch == 4 || pitch == 6 || pitch == 9 || pitch == 11;
    struct Range {
        int from, to, lines;
    };
    static constexpr Range kBelow[] = {{0, 2, 6},   {3, 6, 5},   {7, 9, 4},
                                       {10, 13, 3}, {14, 16, 2}, {17, 19, 1}};
    static constexpr Range kAbove[] = {{60, 62, 1}, {63, 66, 2}, {67, 69, 3}, {70, 73, 4},
                                       {74, 76, 5}, {77, 79, 6}, {80, 83, 7}};
    for (const Range& r : kBelow)
        if (k >= r.from && k <= r.to) p.ledgerBelow = r.lines;
    for (const Range& r : kAbove)
        if (k >= r.from && k <= r.to) p.ledgerAbove = r.lines;
    if (k == 39 || k == 40) p.ledgerMiddle = 1;
    return p;
}

namespace {
// The names of harmonics 1 .. 16 are strings 64161 .. 64176.
constexpr int kKeynoteIntervalStrings = 64160;
}  // namespace

int IntervalStringOf(int overtone) {
    return overtone >= 0 && overtone <= 5 ? 61523 + overtone : 0;
}

int OvertoneOf(double frequency, double fundamental) {
    if (!(fundamental > 0.0)) return -1;
    return static_cast<int>(std::lround(frequency / fundamental)) - 1;
}

int KeynoteIntervalStringOf(double frequency, double keynote) {
    if (!(keynote > 0.0) || !(frequency > 0.0) || !std::isfinite(frequency / keynote)) return 0;
    const double ratio = frequency / keynote;
    const long harmonic = std::lround(ratio);
    if (harmonic < 1 || harmonic > 16 || harmonic == 11 || harmonic == 13) return 0;
    if (std::abs(1200.0 * std::log2(ratio / static_cast<double>(harmonic))) > kHarmonicCents) return 0;
    return kKeynoteIntervalStrings + static_cast<int>(harmonic);
}
