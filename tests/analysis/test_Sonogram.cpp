// The numbers behind the sonogram: rows of frequencies, colours of levels, and columns.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/Sonogram.h"

namespace {

constexpr int kHeight = 100;

SonogramScale Scale(bool freqLinear, bool ampLinear, double gain = 1.0) {
    SonogramScale s;
    s.bottomCutHz = 20;
    s.topCutkHz = 10;
    s.freqLinear = freqLinear;
    s.ampLinear = ampLinear;
    s.gain = gain;
    s.bits = 16;
    s.smooth = false;
    return s;
}

}  // namespace

TEST(Sonogram, TheLowestFrequencyIsTheBottomRowAndTheHighestTheTopOnBothAxes) {
    for (bool linear : {true, false}) {
        Sonogram sono;
        sono.SetScale(Scale(linear, true), kHeight);
        SCOPED_TRACE(linear ? "linear" : "logarithmic");
        EXPECT_EQ(sono.Row(20.0), kHeight);
        EXPECT_EQ(sono.Row(10000.0), 0);
        EXPECT_LT(sono.Row(11000.0), 0);  // above the picture
        // The frequency shown for a row lands in that row again.
        for (int row : {1, 37, 99}) EXPECT_EQ(sono.Row(sono.FrequencyAt(row) * (1 - 1e-12)), row);
    }
    Sonogram log;
    log.SetScale(Scale(false, true), kHeight);
    // Every octave equally high: 20 Hz .. 10 kHz is almost nine octaves.
    EXPECT_NEAR(log.Row(40.0) - log.Row(80.0), kHeight / std::log2(500.0), 1.0);
}

TEST(Sonogram, LevelsReachTheTopColourAtFullScaleOverGain) {
    const double full = 65536.0;
    struct Case {
        bool linear;
        double gain;
        double value;
        int index;
    } cases[] = {
        {true, 1, 0.0, 0},
        {true, 1, full / 2, 639},
        {true, 1, full, 1279},
        {true, 1, 4 * full, 1279},
        {true, 41, full / 41, 1279},
        {true, 1, full / 41, 31},
        {false, 1, 0.0, 0},
        {false, 1, 0.5, 0},
        {false, 1, 1.0, 0},
        {false, 1, std::sqrt(full), 159},
        {false, 1, full, 1279},
        {false, 1, 4 * full, 1279},
        {false, 32, full / 32, 1279},
        {false, 1, NAN, 0},
    };
    for (const Case& c : cases) {
        Sonogram sono;
        sono.SetScale(Scale(true, c.linear, c.gain), kHeight);
        SCOPED_TRACE(testing::Message() << (c.linear ? "linear " : "log ") << c.gain << " " << c.value);
        EXPECT_EQ(sono.IndexOfLevel(sono.Level(c.value)), c.index);
    }
}

TEST(Sonogram, PalettesRunFromTheBackgroundToRed) {
    const Sonogram::Palette& colour1 = Sonogram::Colours(true);
    const Sonogram::Palette& colour2 = Sonogram::Colours(false);
    EXPECT_EQ(colour1[0], 0x000000u);
    EXPECT_EQ(colour1[256 + 128], 0x0080FFu);
    EXPECT_EQ(colour2[0], 0xFFFFFFu);
    EXPECT_EQ(colour2[512 + 255], 0x00FF00u);
    EXPECT_EQ(colour1[1279], 0xFF0000u);
    EXPECT_EQ(colour2[1279], 0xFF0000u);
}

TEST(Sonogram, RowsBetweenTwoBinsTakeTheUpperBinOrAnInterpolatedLevel) {
    // 11 values of 20 points at 2 kHz: bins at 0, 100, 200, ... Hz; 100 Hz lands on row 90,
    // 200 Hz on row 80.
    std::vector<double> spectrum(11, 0.0);
    spectrum[1] = 65536.0 * 0.1;
    spectrum[2] = 65536.0 * 0.6;
    SonogramScale s = Scale(true, true);
    s.bottomCutHz = 1;
    s.topCutkHz = 1;
    Sonogram sono;
    sono.SetScale(s, kHeight);
    ASSERT_EQ(sono.Row(100), 90);
    ASSERT_EQ(sono.Row(200), 80);

    const std::vector<float> hard = sono.Column(spectrum.data(), spectrum.size(), 2000);
    EXPECT_FLOAT_EQ(hard[90], 0.1f);
    for (int row = 80; row <= 89; ++row) EXPECT_FLOAT_EQ(hard[row], 0.6f) << row;

    s.smooth = true;
    sono.SetScale(s, kHeight);
    const std::vector<float> smooth = sono.Column(spectrum.data(), spectrum.size(), 2000);
    EXPECT_FLOAT_EQ(smooth[90], 0.1f);
    for (int j = 1; j <= 9; ++j) EXPECT_NEAR(smooth[90 - j], 0.1 + j * 0.05, 1e-6) << j;
    EXPECT_FLOAT_EQ(smooth[80], 0.6f);
}

TEST(Sonogram, ASpectrumBeyondTheTopFillsEveryRowAndATinyOneNone) {
    Sonogram sono;
    sono.SetScale(Scale(false, false), kHeight);
    std::vector<double> spectrum(4097, 3.0);
    for (const float v : sono.Column(spectrum.data(), spectrum.size(), 44100)) EXPECT_FALSE(std::isnan(v));
    for (const float v : sono.Column(spectrum.data(), 2, 44100)) EXPECT_TRUE(std::isnan(v));
}

TEST(Sonogram, SpectrumIsTheMagnitudeOverN) {
    Sonogram sono;
    std::vector<double> samples(64);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = 1000.0 * std::cos(2 * M_PI * 8 * i / 64.0) + 7.0;
    const std::vector<double>& s = sono.Spectrum(samples.data(), 64);
    ASSERT_EQ(s.size(), 33u);
    EXPECT_NEAR(s[0], 7.0, 1e-9);
    EXPECT_NEAR(s[8], 500.0, 1e-9);
    EXPECT_NEAR(s[9], 0.0, 1e-9);
}

TEST(Sonogram, ANarrowPeakAmongManyBinsOfOneRowIsNotLost) {
    // 8193 values at 44.1 kHz on 10 rows up to 10 kHz: about 190 bins share a row.
    Sonogram sono;
    SonogramScale s = Scale(true, true);
    sono.SetScale(s, 10);
    std::vector<double> spectrum(8193, 0.0);
    const std::size_t peak = 1000;  // 2692 Hz, in the middle of its row's bins
    spectrum[peak] = 65536.0;
    const int row = sono.Row(44100.0 * peak / 16384);
    const std::vector<float>& column = sono.Column(spectrum.data(), spectrum.size(), 44100);
    EXPECT_FLOAT_EQ(column[static_cast<std::size_t>(row)], 1.0f);
    EXPECT_FLOAT_EQ(column[static_cast<std::size_t>(row) + 1], 0.0f);
}

TEST(Sonogram, ASineLandsInTheRowOfItsFrequencyKTimesRateOverN) {
    // 256 points at 8 kHz: bin k at k * 31.25 Hz. The row of a frequency f on a linear axis
    // from fmin to fmax is truncate(H (1 - (f - fmin) / (fmax - fmin))); the topmost of the
    // loudest rows is the row of the sine's bin.
    constexpr int kPoints = 256, kRate = 8000, kRows = 200;
    SonogramScale s = Scale(true, false, 32.0);
    s.topCutkHz = 4;
    Sonogram sono;
    sono.SetScale(s, kRows);
    for (int k : {13, 40, 64, 101, 120}) {
        const long double f = static_cast<long double>(k) * kRate / kPoints;
        std::vector<double> samples(kPoints);
        for (int i = 0; i < kPoints; ++i)
            samples[static_cast<std::size_t>(i)] =
                static_cast<double>(8000.0L * std::sin(2.0L * M_PIl * f * i / kRate));
        const std::vector<double> spectrum = sono.Spectrum(samples.data(), kPoints);
        const std::vector<float>& column = sono.Column(spectrum.data(), spectrum.size(), kRate);
        const auto loudest = std::max_element(column.begin(), column.end(), [](float a, float b) {
            return std::isnan(a) || (!std::isnan(b) && a < b);
        });
        const int expected = static_cast<int>(kRows * (1.0L - (f - 20.0L) / (4000.0L - 20.0L)));
        EXPECT_EQ(loudest - column.begin(), expected) << k << " at " << static_cast<double>(f) << " Hz";
    }
}

TEST(Sonogram, ThePictureOfAnEightBitSoundIsThatOfItsSixteenBitTwin) {
    // The same level relative to full scale gets the same colour whatever the sample width;
    // a full-scale sine has |X|/N = 2^(bits - 2).
    for (bool linear : {true, false}) {
        for (double gain : {1.0, 32.0, 41.0}) {
            Sonogram wide, narrow;
            SonogramScale s = Scale(true, linear, gain);
            wide.SetScale(s, kHeight);
            s.bits = 8;
            narrow.SetScale(s, kHeight);
            for (double db : {6.0, 0.0, -12.0, -20.0, -40.0, -60.0, -75.0}) {
                const double ratio = std::pow(10.0, db / 20.0);
                SCOPED_TRACE(testing::Message()
                             << (linear ? "linear " : "log ") << gain << " " << db << " dB");
                EXPECT_EQ(narrow.IndexOfLevel(narrow.Level(64.0 * ratio)),
                          wide.IndexOfLevel(wide.Level(16384.0 * ratio)));
            }
        }
    }
}

TEST(Sonogram, MeasuredLevelsAreDecibelsFullScaleWhateverTheGainAndSilenceIsTheFloor) {
    // 2049 values at 8 kHz: bin k at k * 8000 / 4096 Hz; 100 rows up to 4 kHz, about 20 bins a row.
    constexpr std::size_t kValues = 2049;
    std::vector<double> spectrum(kValues, 0.0);
    spectrum[512] = 16384.0 * std::pow(10.0, -6.0 / 20.0);    // 1000 Hz at -6 dB full scale
    spectrum[1024] = 16384.0 * std::pow(10.0, -26.0 / 20.0);  // 2000 Hz at -26 dB
    spectrum[1026] = 16384.0 * std::pow(10.0, -40.0 / 20.0);  // a quieter bin in the same row
    for (bool smooth : {false, true}) {
        for (double gain : {1.0, 32.0, 41.0}) {
            SonogramScale s = Scale(true, false, gain);
            s.topCutkHz = 4;
            s.smooth = smooth;
            Sonogram sono;
            sono.SetScale(s, kHeight);
            const std::vector<double> db = sono.ColumnDb(spectrum.data(), kValues, 8000);
            SCOPED_TRACE(testing::Message() << gain << (smooth ? " smooth" : ""));
            EXPECT_NEAR(db[static_cast<std::size_t>(sono.Row(1000.0))], -6.0, 1e-9);
            EXPECT_NEAR(db[static_cast<std::size_t>(sono.Row(2000.0))], -26.0, 1e-9);
            EXPECT_EQ(db[static_cast<std::size_t>(sono.Row(3000.0))], -150.0);
            // Rows above the highest bin have no bar (an empty cell), every other row a number.
            for (const double v : db) EXPECT_TRUE(std::isnan(v) || (std::isfinite(v) && v >= -150.0)) << v;
        }
    }
}
