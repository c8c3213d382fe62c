// Peaks of a magnitude spectrum, and the notes nearest to frequencies.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
    for (const Case& c : cases)
        EXPECT_EQ(Indices(c.spectrum, 0, c.distance, c.floor), c.peaks) << c.what;
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
        {440.0, "A4", 48, 0.0},      {27.5, "A0", 0, 0.0},        {261.6256, "C4", 39, 0.0},
        {554.3653, "C#5", 52, 0.0},  {445.0, "A4", 48, 19.56},    {4186.009, "C8", 87, 0.0},
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
