#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/SpectrumScale.h"

// A full-scale sine on a bin reads 0 dB at every sample width, computed by a direct DFT.
TEST(SpectrumScale, FullScaleSineReadsZeroDbAtEveryWidth) {
    const int n = 64, k = 5;
    for (int bits : {8, 16, 24}) {
        const long double fs = std::ldexp(1.0L, bits - 1);
        long double re = 0, im = 0;
        for (int i = 0; i < n; ++i) {
            const long double x = fs * std::sin(2.0L * M_PIl * k * i / n);
            re += x * std::cos(2.0L * M_PIl * k * i / n);
            im -= x * std::sin(2.0L * M_PIl * k * i / n);
        }
        const double magnitude = static_cast<double>(std::sqrt(re * re + im * im) / n);
        EXPECT_NEAR(SpectrumScale::LevelDb(magnitude, bits), 0.0, 1e-9) << bits;
        EXPECT_NEAR(SpectrumScale::Magnitude(-20.0, bits) * 10.0, magnitude, 1e-6 * magnitude) << bits;
    }
}

TEST(SpectrumScale, NothingReadsTheFloorNeverMinusInfinity) {
    for (double m : {0.0, -1.0, 1e-300, std::nan("")})
        EXPECT_EQ(SpectrumScale::LevelDb(m, 16), SpectrumScale::kLevelFloorDb) << m;
}

TEST(SpectrumScale, BinFrequencyIsKTimesRateOverN) {
    EXPECT_DOUBLE_EQ(SpectrumScale::BinFrequency(10, 44100, 1024), 10 * 44100.0 / 1024);
    EXPECT_DOUBLE_EQ(SpectrumScale::BinFrequency(512, 44100, 1024), 22050.0);
    EXPECT_DOUBLE_EQ(SpectrumScale::FrequencyBin(440.0, 44100, 1024), 440.0 * 1024 / 44100);
}
