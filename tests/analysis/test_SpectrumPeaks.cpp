// Peaks of a magnitude spectrum, and the notes nearest to frequencies.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

#include "analysis/MusicalNote.h"
#include "analysis/SpectrumPeaks.h"

namespace {

std::vector<std::size_t> Indices(const std::vector<double>& spectrum, std::size_t start, int distance,
                                 double floor) {
    std::vector<SpectrumPeak> peaks;
    FindSpectrumPeaks(spectrum, start, distance, floor, peaks);
    std::vector<std::size_t> indices;
    for (const SpectrumPeak& p : peaks) indices.push_back(p.index);
    return indices;
}

}  // namespace

TEST(SpectrumPeaks, AMaximumIsAPeakOnlyWhenItStandsOutAndIsAboveTheFloor) {
    struct Case {
        const char* what;
        std::vector<double> spectrum;
        int distance;
        double floor;
        std::vector<std::size_t> peaks;
    };
    const Case cases[] = {
        {"a clear maximum", {0, 1, 10, 1, 0, 0}, 1, 0.5, {2}},
        {"both neighbours at 20 % or more", {0, 2, 10, 2, 0, 0}, 1, 0.5, {}},
        {"one neighbour below 20 % is enough", {0, 1, 10, 3, 0, 0}, 1, 0.5, {2}},
        {"neighbours tested farther away", {0, 5, 8, 10, 8, 5, 1, 0}, 3, 0.5, {3}},
        {"not above the floor", {0, 1, 10, 1, 0, 0}, 1, 10.0, {}},
        {"a plateau ends at its last value", {0, 10, 10, 10, 0, 0}, 1, 0.5, {3}},
        {"two maxima", {0, 10, 0, 0, 6, 0}, 1, 0.5, {1, 4}},
        {"rising to the end is no maximum", {0, 1, 2, 3}, 1, 0.5, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Indices(c.spectrum, 0, c.distance, c.floor), c.peaks) << c.what;
    // Scanning starts where it is told; a maximum before it is not seen.
    EXPECT_EQ(Indices({0, 10, 0, 0, 6, 0}, 3, 1, 0.5), (std::vector<std::size_t>{4}));
    // A value that is not a number does not stop the scan.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(Indices({0, nan, 0, 10, 0, 0}, 0, 1, 0.5), (std::vector<std::size_t>{3}));
}

TEST(MusicalNote, NamesTheNearestNoteAndTheDeviationInCents) {
    struct Case {
        double frequency;
        const char* name;
        int number;
        double cents;
    };
    const Case cases[] = {
        {440.0, "A4", 48, 0.0},     {27.5, "A0", 0, 0.0},     {261.6256, "C4", 39, 0.0},
        {554.3653, "C#5", 52, 0.0}, {445.0, "A4", 48, 19.56}, {4186.009, "C8", 87, 0.0},
        {432.0, "A4", 48, -31.77},
    };
    for (const Case& c : cases) {
        const MusicalNote note = NearestNote(c.frequency);
        EXPECT_EQ(note.name, c.name) << c.frequency;
        EXPECT_EQ(note.number, c.number) << c.frequency;
        EXPECT_NEAR(note.cents, c.cents, 0.01) << c.frequency;
    }
    EXPECT_TRUE(NearestNote(0.0).name.empty());
    EXPECT_TRUE(NearestNote(-5.0).name.empty());
}

namespace {

// |X_k| / N, computed directly in long double, of `count` samples of a sine of amplitude 1
// at `bin` bins of an n-point transform (starting at `phase`), padded with zeros to n. Only
// the bins next to the tone are computed; the others stay 0.
std::vector<double> SineSpectrum(long double bin, long double phase, std::size_t count, std::size_t n) {
    std::vector<double> spectrum(n / 2 + 1, 0.0);
    const long double pi = 3.141592653589793238462643383279502884L;
    const auto centre = static_cast<long>(std::floor(bin));
    for (long k = std::max(1L, centre - 3); k <= centre + 4 && k <= static_cast<long>(n / 2); ++k) {
        long double re = 0, im = 0;
        for (std::size_t t = 0; t < count; ++t) {
            const long double x = std::sin(2 * pi * bin * t / n + phase);
            const long double w = 2 * pi * static_cast<long double>(k) * static_cast<long double>(t) / n;
            re += x * std::cos(w);
            im -= x * std::sin(w);
        }
        spectrum[static_cast<std::size_t>(k)] = static_cast<double>(std::sqrt(re * re + im * im) / n);
    }
    return spectrum;
}

std::size_t Loudest(const std::vector<double>& spectrum) {
    return static_cast<std::size_t>(std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin());
}

}  // namespace

TEST(SpectrumPeaks, BinZeroAndTheFallFromItAreNoPeaks) {
    // A loud constant part falling away, and a tone at bin 4.
    EXPECT_EQ(Indices({10, 1, 0, 0, 6, 0}, 0, 1, 0.5), (std::vector<std::size_t>{4}));
    EXPECT_EQ(Indices({10, 1, 0, 0, 6, 0}, 1, 1, 0.5), (std::vector<std::size_t>{4}));
    EXPECT_EQ(Indices({0, 0, 0, 10, 0, 0}, 0, 1, 0.5), (std::vector<std::size_t>{3}));
}

TEST(SpectrumPeaks, ASteadyToneIsPlacedBetweenTheBinsWithinFiveHundredthsOfABin) {
    struct Case {
        long double bin;
        std::size_t count, n;  // samples of the tone, padded to n
    };
    const Case cases[] = {
        {10.2177, 1024, 1024},  // 440 Hz at 44.1 kHz
        {20.0, 1024, 1024},
        {20.1, 1024, 1024},
        {20.25, 1024, 1024},
        {20.45, 1024, 1024},
        {20.5, 1024, 1024},
        {20.55, 1024, 1024},
        {20.75, 1024, 1024},
        {20.95, 1024, 1024},
        {6.5, 1024, 1024},
        {300.49, 1024, 1024},
        {500.51, 1024, 1024},
        {100.3, 4096, 4096},
        // A live block of 4410 samples padded to the transform size: wider lobes.
        {81.73, 4410, 8192},
        {48.6, 4410, 8192},
        {163.46, 4410, 16384},
        {97.0, 4410, 16384},
        {326.9, 4410, 32768},
        {200.5, 2000, 8192},
    };
    for (const Case& c : cases) {
        for (const long double phase : {0.0L, 1.0L, 2.5L}) {
            const std::vector<double> spectrum = SineSpectrum(c.bin, phase, c.count, c.n);
            const double found = PeakBin(spectrum, Loudest(spectrum), c.count == c.n ? 0 : c.count);
            EXPECT_NEAR(found, static_cast<double>(c.bin), 0.05)
                << "bin " << static_cast<double>(c.bin) << ", phase " << static_cast<double>(phase) << ", "
                << c.count << " of " << c.n;
        }
    }
    // At the ends of the spectrum and where nothing is, the bin itself.
    EXPECT_EQ(PeakBin({0, 0, 0}, 1), 1.0);
    EXPECT_EQ(PeakBin({5, 1, 0}, 0), 0.0);
    EXPECT_EQ(PeakBin({0, 1, 5}, 2), 2.0);
}

TEST(MusicalNote, GermanNamesCallBNaturalHAndTheKeyBelowItB) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {48, "A4", "A4"}, {49, "A#4", "B4"},  {50, "B4", "H4"},
        {51, "C5", "C5"}, {52, "C#5", "C#5"}, {2, "B0", "H0"},
    };
    for (const auto& [number, english, german] : cases) {
        EXPECT_EQ(NoteName(number), english);
        EXPECT_EQ(NoteName(number, NoteNaming::German), german);
    }
}
