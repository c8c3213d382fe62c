// The musical reading of a spectrum: partials, notes, staff positions and the melody record.

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "analysis/NoteRecorder.h"
#include "analysis/ScorePartials.h"
#include "analysis/SpectrumScale.h"

TEST(ScorePartials, NoteNumbersCountSemitonesFromA0AndTiesRoundDown) {
    const double halfStep = 27.5 * std::exp2(0.5 / 12.0);
    const std::pair<double, int> cases[] = {
        {440.0, 48}, {261.63, 39}, {27.5, 0}, {halfStep, 0}, {halfStep * (1 + 1e-9), 1}, {4186.01, 87},
    };
    for (const auto& [f, note] : cases) EXPECT_EQ(NoteNumber(f), note) << f;
}

TEST(ScorePartials, OnlyLoudEnoughPeaksInTheirBandArePartials) {
    // 20 kHz, 2001 values (a 4000-point transform): bin i lies at 5 i Hz. The limits were set
    // when levels were read against 2^16 on |X|/N; the same sounds pass, read in dB full scale
    // (12.04 dB higher).
    const auto value = [](double oldDb) { return 65536.0 * std::pow(10.0, oldDb / 20.0); };
    std::vector<double> spectrum(2001, 0.0);
    const std::map<std::size_t, double> peaks = {
        {4, value(-10)},     // 20 Hz: below the band
        {1200, value(-10)},  // 6000 Hz: above it
        {160, value(-55)},   // 800 Hz: too quiet under 1 kHz
        {400, value(-55)},   // 2000 Hz: loud enough above 1 kHz
        {60, value(-45)},    // 300 Hz
        {240, value(-49)},   // 1200 Hz
    };
    for (const auto& [bin, v] : peaks) spectrum[bin] = v;
    std::vector<Partial> partials;
    FindPartials(spectrum, 20000, 16, 5, 0, partials);
    ASSERT_EQ(partials.size(), 3u);
    EXPECT_NEAR(partials[0].frequency, 300.0, 1e-9);
    EXPECT_NEAR(partials[0].level, -45.0 + 20 * std::log10(4.0), 1e-9);
    EXPECT_NEAR(partials[1].frequency, 1200.0, 1e-9);
    EXPECT_NEAR(partials[2].frequency, 2000.0, 1e-9);

    std::vector<double> tiny(1, 1000.0);
    FindPartials(tiny, 20000, 16, 5, 0, partials);
    EXPECT_TRUE(partials.empty());
}

TEST(ScorePartials, SideLobesAreNoPartialsAndTheKeynoteIsNearTheLoudest) {
    struct Case {
        const char* what;
        std::vector<Partial> in;
        double resolution;  // Hz
        std::vector<double> kept;
    } cases[] = {
        {"15 dB quieter within a semitone", {{440, -6}, {466, -21}}, 1, {440}},
        {"14 dB quieter within a semitone stays", {{440, -6}, {466, -20}}, 1, {440, 466}},
        {"15 dB quieter two semitones away stays", {{440, -6}, {494, -21}}, 1, {440, 494}},
        {"the first side lobe of a short block", {{130.8, -6}, {145.1, -19.3}}, 10, {130.8}},
        {"a tone louder than the lobes there stays", {{130.8, -6}, {145.1, -12}}, 10, {130.8, 145.1}},
        {"a lobe beyond four widths is left to the other rules", {{130.8, -6}, {175, -30}}, 10, {130.8, 175}},
    };
    for (Case& c : cases) {
        RemoveSideLobes(c.in, c.resolution);
        std::vector<double> kept;
        for (const Partial& p : c.in) kept.push_back(p.frequency);
        EXPECT_EQ(kept, c.kept) << c.what;
    }

    // The keynote is the lowest partial at most 20 dB below the loudest: a hum 24 dB down is
    // none, a fundamental 15 dB below its octave is. Bin i at 5 i Hz as above.
    std::vector<double> spectrum(2001, 0.0);
    spectrum[20] = SpectrumScale::Magnitude(-30, 16);   // 100 Hz
    spectrum[44] = SpectrumScale::Magnitude(-21, 16);   // 220 Hz
    spectrum[88] = SpectrumScale::Magnitude(-6, 16);    // 440 Hz
    spectrum[132] = SpectrumScale::Magnitude(-12, 16);  // 660 Hz
    std::vector<Partial> partials;
    FindPartials(spectrum, 20000, 16, 5, 0, partials);
    std::vector<double> found;
    for (const Partial& p : partials) found.push_back(std::round(p.frequency));
    EXPECT_EQ(found, (std::vector<double>{220, 440, 660}));
}

TEST(ScorePartials, OfTwoClosePartialsTheLouderStaysAndOfEqualOnesTheRight) {
    struct Case {
        std::vector<Partial> in;
        std::vector<double> kept;
    } cases[] = {
        {{{100, -20}, {103, -10}}, {103}},
        {{{100, -10}, {103, -20}}, {100}},
        {{{100, -10}, {103, -10}}, {103}},                              // equal: the left goes
        {{{100, -10}, {105, -10}}, {105}},                              // the distance apart counts as close
        {{{100, -30}, {103, -20}, {106, -10}, {200, -5}}, {106, 200}},  // compared again in place
    };
    for (Case& c : cases) {
        MergePartials(c.in, 5.0);
        std::vector<double> kept;
        for (const Partial& p : c.in) kept.push_back(p.frequency);
        EXPECT_EQ(kept, c.kept);
    }
}

TEST(ScorePartials, NotesStandOnTheGrandStaffWithSharpsAndLedgerLines) {
    struct Case {
        int note;
        int height;
        bool sharp;
        int below, middle, above;
    } cases[] = {
        {22, 70, false, 0, 0, 0},   // G2: lowest line of the bass staff
        {39, 120, false, 0, 1, 0},  // middle C
        {40, 120, true, 0, 1, 0},   // C#4
        {48, 145, false, 0, 0, 0},  // A4
        {19, 60, false, 1, 0, 0},   // E2
        {1, 5, true, 6, 0, 0},      // A#0
        {60, 180, false, 0, 0, 1},  // A5
        {83, 245, true, 0, 0, 7},   // G#7
    };
    for (const Case& c : cases) {
        const StaffPosition p = StaffPositionOf(c.note);
        SCOPED_TRACE(c.note);
        EXPECT_EQ(p.height, c.height);
        EXPECT_EQ(p.sharp, c.sharp);
        EXPECT_EQ(p.ledgerBelow, c.below);
        EXPECT_EQ(p.ledgerMiddle, c.middle);
        EXPECT_EQ(p.ledgerAbove, c.above);
    }
}

TEST(ScorePartials, ARunOfEqualDetectionsBecomesOneNote) {
    NoteRecorder recorder;
    const Partial a4{440.0, -10.0}, b4{493.9, -10.0};
    int recorded = 0;
    for (int i = 0; i < 4; ++i) recorded += recorder.Detect(a4, false);
    EXPECT_EQ(recorded, 0);  // held for too short a time
    recorded += recorder.Detect(a4, false);
    EXPECT_EQ(recorded, 1);
    for (int i = 0; i < 10; ++i) recorded += recorder.Detect(a4, false);
    EXPECT_EQ(recorded, 1);  // still the same note
    for (int i = 0; i < 3; ++i) recorder.Detect(b4, false);
    recorder.Silence();  // a gap breaks the run
    for (int i = 0; i < 3; ++i) recorder.Detect(b4, false);
    ASSERT_EQ(recorder.Notes().size(), 1u);
    // A chosen stretch is written at once.
    EXPECT_TRUE(recorder.Detect(b4, true));
    EXPECT_DOUBLE_EQ(recorder.Notes().back().frequency, 493.9);
}
