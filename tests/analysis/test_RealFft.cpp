#include "analysis/RealFft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<double> RandomSignal(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> x(n);
    for (double& v : x) v = dist(gen);
    return x;
}

double Norm(const std::vector<double>& x) {
    double sum = 0.0;
    for (double v : x) sum += v * v;
    return std::sqrt(sum);
}

// The transform by its definition, in long double, one half-complex value at a time.
class DirectTransform {
public:
    explicit DirectTransform(const std::vector<double>& x) : m_x(x), m_cos(x.size()), m_sin(x.size()) {
        const long double step = 2.0L * std::numbers::pi_v<long double> / static_cast<long double>(x.size());
        for (std::size_t j = 0; j < x.size(); ++j) {
            m_cos[j] = std::cos(step * static_cast<long double>(j));
            m_sin[j] = std::sin(step * static_cast<long double>(j));
        }
    }

    double operator()(std::size_t i) const {
        const std::size_t n = m_x.size(), half = n / 2;
        const bool isSin = i > half;
        const std::size_t k = isSin ? i - half : i;
        const std::vector<long double>& table = isSin ? m_sin : m_cos;
        long double sum = 0.0L;
        for (std::size_t j = 0; j < n; ++j) sum += static_cast<long double>(m_x[j]) * table[(k * j) % n];
        return static_cast<double>(sum);
    }

private:
    const std::vector<double>& m_x;
    std::vector<long double> m_cos;
    std::vector<long double> m_sin;
};

TEST(RealFft, SmallLengthsFollowTheHalfComplexLayout) {
    struct Case {
        std::vector<double> x;
        std::vector<double> f;
    };
    const std::vector<Case> cases = {
        {{2.5}, {2.5}},
        {{3.0, 5.0}, {8.0, -2.0}},
        {{1.0, 0.0, 0.0, 0.0}, {1.0, 1.0, 1.0, 0.0}},
        {{0.0, 1.0, 0.0, 0.0}, {1.0, 0.0, -1.0, 1.0}},
        // x0+x1+x2+x3, x0-x2, x0-x1+x2-x3, x1-x3
        {{1.0, 2.0, 4.0, 8.0}, {15.0, -3.0, -5.0, -6.0}},
    };
    for (const Case& c : cases) {
        RealFft fft(c.x.size());
        std::vector<double> f(c.x.size());
        fft.Transform(f, c.x);
        for (std::size_t i = 0; i < f.size(); ++i)
            EXPECT_NEAR(f[i], c.f[i], 1e-15) << "N=" << c.x.size() << " i=" << i;
        std::vector<double> back(c.x.size());
        fft.InverseTransform(f, back);
        for (std::size_t i = 0; i < back.size(); ++i)
            EXPECT_NEAR(back[i], c.x.size() * c.x[i], 1e-14) << "N=" << c.x.size() << " i=" << i;
    }
}

// Lengths on both sides of the switch from the direct sum to the fast passes, with N/2 an even
// and an odd power of two (the last pass differs), short and long; each with the best
// instructions of this CPU and with the baseline ones, which are separate code.
class RealFftLength : public ::testing::TestWithParam<std::tuple<std::size_t, RealFft::Instructions>> {};

TEST_P(RealFftLength, MatchesTheDirectTransformAndInvertsToNTimesTheInput) {
    const auto [n, instructions] = GetParam();
    const std::vector<double> x = RandomSignal(n, static_cast<unsigned>(n));
    RealFft fft(n, instructions);
    ASSERT_EQ(fft.Size(), n);
    std::vector<double> f(n);
    fft.Transform(f, x);

    // All bins up to 4096; beyond that the edges, the middle and a stride across the rest.
    std::vector<std::size_t> bins;
    if (n <= 4096) {
        for (std::size_t i = 0; i < n; ++i) bins.push_back(i);
    } else {
        for (std::size_t i : {std::size_t{0}, std::size_t{1}, n / 4, n / 2 - 1, n / 2, n / 2 + 1, n - 1})
            bins.push_back(i);
        for (std::size_t i = 3; i < n; i += n / 61) bins.push_back(i);
    }
    const DirectTransform direct(x);
    const double tolerance = 1e-12 * Norm(x);
    for (std::size_t i : bins) EXPECT_NEAR(f[i], direct(i), tolerance) << "N=" << n << " i=" << i;

    std::vector<double> back(n);
    fft.InverseTransform(f, back);
    for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(back[i], n * x[i], 1e-12 * n) << "N=" << n << " i=" << i;

    fft.Rescale(back);
    for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(back[i], x[i], 1e-12) << "N=" << n << " i=" << i;
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, RealFftLength,
    ::testing::Combine(::testing::Values(1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 4096, 8192, 65536),
                       ::testing::Values(RealFft::Instructions::Best, RealFft::Instructions::Baseline)),
    [](const auto& test) {
        const bool best = std::get<1>(test.param) == RealFft::Instructions::Best;
        return "N" + std::to_string(std::get<0>(test.param)) + (best ? "_Best" : "_Baseline");
    });

TEST(RealFft, PureToneLandsInItsBin) {
    // cos and sin at bin 5 of 64 with amplitudes 3 and 2: f[5] = 3 N/2, f[N/2 + 5] = 2 N/2.
    const std::size_t n = 64;
    std::vector<double> x(n);
    for (std::size_t j = 0; j < n; ++j) {
        const double angle = 2.0 * std::numbers::pi * 5.0 * static_cast<double>(j) / n;
        x[j] = 3.0 * std::cos(angle) + 2.0 * std::sin(angle);
    }
    RealFft fft(n);
    std::vector<double> f(n);
    fft.Transform(f, x);
    fft.Rescale(f);
    for (std::size_t i = 0; i < n; ++i) {
        const double expected = i == 5 ? 1.5 : i == n / 2 + 5 ? 1.0 : 0.0;
        EXPECT_NEAR(f[i], expected, 1e-14) << "i=" << i;
    }
}

TEST(RealFft, WorksInPlace) {
    for (std::size_t n : {8, 1024}) {
        const std::vector<double> x = RandomSignal(n, 7);
        RealFft fft(n);
        std::vector<double> expected(n);
        fft.Transform(expected, x);
        std::vector<double> a = x;
        fft.Transform(a.data(), a.data());
        EXPECT_EQ(a, expected) << "N=" << n;
        fft.InverseTransform(a.data(), a.data());
        for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(a[i], n * x[i], 1e-12 * n) << "N=" << n << " i=" << i;
    }
}

TEST(RealFft, RejectsLengthsThatAreNoPowerOfTwo) {
    for (std::size_t n : {0, 3, 6, 1000}) EXPECT_THROW(RealFft{n}, std::invalid_argument) << "N=" << n;
}

TEST(RealFft, SpansMustHaveTheTransformLength) {
    RealFft fft(8);
    std::vector<double> x(8), f(8), shortArray(4);
    EXPECT_THROW(fft.Transform(f, shortArray), std::invalid_argument);
    EXPECT_THROW(fft.Transform(shortArray, x), std::invalid_argument);
    EXPECT_THROW(fft.InverseTransform(f, shortArray), std::invalid_argument);
    EXPECT_THROW(fft.Rescale(shortArray), std::invalid_argument);
}

}  // namespace
