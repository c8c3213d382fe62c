#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

#include "document/SpectrumService.h"

namespace {

// (1/N^2) sum_i x_i x_((i+j) mod N) in long double: the circular autocorrelation the service
// scales its functions to.
std::vector<long double> DirectAutoCorrelation(const std::vector<long double>& x) {
    const std::size_t n = x.size();
    std::vector<long double> r(n, 0.0L);
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t i = 0; i < n; ++i) r[j] += x[i] * x[(i + j) % n];
    for (long double& v : r) v /= static_cast<long double>(n) * static_cast<long double>(n);
    return r;
}

}  // namespace

TEST(SpectrumService, ACosineOnABinShowsHalfItsAmplitudeThereAndNothingElsewhere) {
    struct Case {
        int points;
        std::size_t bin;
        double amplitude, phase, expected;
    };
    // Inside the spectrum a real sinusoid splits into two bins (half each); DC and N/2 do not.
    const Case cases[] = {
        {1024, 128, 10000.0, 0.0, 5000.0}, {256, 37, 3.0, 1.1, 1.5},
        {16, 1, 2.0, -0.4, 1.0},           {64, 0, 7.0, 0.0, 7.0},
        {64, 32, -0.5, 0.0, 0.5},
    };
    SpectrumService service;  // one object for every size: the kept transform must follow the size
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.points << " points, bin " << c.bin);
        std::vector<double> x(static_cast<std::size_t>(c.points));
        for (std::size_t i = 0; i < x.size(); ++i)
            x[i] = c.amplitude *
                   std::cos(2.0 * std::numbers::pi * static_cast<double>(c.bin * i) / c.points + c.phase);
        std::vector<double> out;
        service.Magnitudes(x.data(), c.points, out);
        ASSERT_EQ(out.size(), x.size() / 2 + 1);
        for (std::size_t k = 0; k < out.size(); ++k)
            EXPECT_NEAR(out[k], k == c.bin ? c.expected : 0.0, 1e-9 * std::abs(c.amplitude)) << "bin " << k;
    }
}

TEST(SpectrumService, AutoCorrelationsAreTheCircularSumsOfTheZeroPaddedSelection) {
    // Pairs of equal values: nothing at N/2, where the power is folded into the DC bin.
    const std::vector<double> samples{3.0, 3.0, -1.0, -1.0, 2.0, 2.0, 5.0, 5.0, -4.0, -4.0, 0.5, 0.5};
    constexpr int kPoints = 16;
    std::vector<long double> padded(kPoints, 0.0L);
    for (std::size_t i = 0; i < samples.size(); ++i) padded[i] = samples[i];
    const std::vector<long double> first = DirectAutoCorrelation(padded);
    const std::vector<long double> second = DirectAutoCorrelation(first);

    SpectrumService service;
    SpectrumService::AutoCorrelationArray acf;
    std::vector<double> analysis;
    service.AutoCorrelations(samples, kPoints, 1, acf, analysis);
    ASSERT_EQ(acf[0].size(), static_cast<std::size_t>(kPoints));
    ASSERT_EQ(acf[1].size(), static_cast<std::size_t>(kPoints));
    EXPECT_TRUE(acf[2].empty());
    for (std::size_t j = 0; j < kPoints; ++j) {
        EXPECT_NEAR(acf[0][j], static_cast<double>(first[j]), 1e-12) << "lag " << j;
        EXPECT_NEAR(acf[1][j], static_cast<double>(second[j]), 1e-12) << "lag " << j;
    }
    // The magnitude spectrum of function 1: |sum_j r_j e^(-2 pi i k j / N)| / N.
    ASSERT_EQ(analysis.size(), static_cast<std::size_t>(kPoints / 2 + 1));
    for (std::size_t k = 0; k < analysis.size(); ++k) {
        long double re = 0.0L, im = 0.0L;
        for (std::size_t j = 0; j < kPoints; ++j) {
            const long double angle =
                2.0L * std::numbers::pi_v<long double> * static_cast<long double>(k * j) / kPoints;
            re += first[j] * std::cos(angle);
            im -= first[j] * std::sin(angle);
        }
        EXPECT_NEAR(analysis[k], static_cast<double>(std::sqrt(re * re + im * im) / kPoints), 1e-12)
            << "bin " << k;
    }
}

TEST(SpectrumService, FirstMinimumOfAnAutoCorrelation) {
    struct Case {
        std::vector<double> acf;
        std::optional<int> minimum;
    };
    const Case cases[] = {
        {{}, std::nullopt},
        {{0.0, 1.0}, std::nullopt},
        {{-1.0, 2.0}, std::nullopt},
        {{std::nan(""), 1.0}, std::nullopt},
        {{4.0}, 0},
        {{4.0, 3.0, 2.0, 3.0, 1.0}, 2},
        {{4.0, 4.0, 3.0, 3.5}, 2},
        {{4.0, 3.0, 1.0, -1.0, -2.0}, 2},
        {{4.0, 3.0, 0.0, 2.0}, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(SpectrumService::FirstMinimum(c.acf), c.minimum) << c.acf.size();
}
