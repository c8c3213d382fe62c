// The nonlinear analysis engine against the literature values of the Hénon map and the Lorenz
// system, its refusals of unusable input, cancelling, and the rules at its edges.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "analysis/LyapunovKantz.h"
#include "analysis/PlateauFit.h"
#include "tests/support/ChaoticSeries.h"

namespace {

struct Recorder {
    std::vector<int> messages;
    int polls = 0;
    int cancelAfter = -1;  // cancel at this poll; -1: never

    LyapunovKantz::Hooks Hooks() {
        LyapunovKantz::Hooks hooks;
        hooks.message = [this](int id) { messages.push_back(id); };
        hooks.cancelled = [this] { return cancelAfter >= 0 && ++polls > cancelAfter; };
        return hooks;
    }
};

// Least-squares slope of S over iterations [from, to] of radius e, dimension index 0.
double Slope(const MaxLyapResult& r, unsigned e, unsigned from, unsigned to) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const double n = to - from + 1;
    for (unsigned i = from; i <= to; ++i) {
        const double s = r.Value(e, 0, i);
        sx += i;
        sy += s;
        sxx += double(i) * i;
        sxy += i * s;
    }
    return (n * sxy - sx * sy) / (n * sxx - sx * sx);
}

// Plateau of dimension d (1-based) between two radii, as the analysis view fits it.
double Plateau(const CorrDimResult& r, unsigned d, double from, double to) {
    std::vector<double> slopes;
    for (const CorrDimPoint& p : r.curves[d - 1])
        if (p.radius > from && p.radius < to) slopes.push_back(p.slope);
    return FitPlateau(slopes);
}

}  // namespace

TEST(LyapunovKantz, HenonLargestExponentIsTheSlopeOfTheStretchingFactor) {
    const auto series = HenonSeries(10000);
    Recorder rec;
    LyapunovKantz engine;
    engine.SetHooks(rec.Hooks());
    engine.SetParameters(50, 2, 2, 1, 5, 0.001, 0.01, LyapunovKantz::kMaxLyap, ~0u);
    int progress = 0;
    auto hooks = rec.Hooks();
    hooks.maxLyapProgress = [&](const MaxLyapResult& partial) {
        EXPECT_EQ(partial.epsDone, unsigned(++progress));
    };
    engine.SetHooks(hooks);
    const auto result = engine.Calc_Max_Lyap_Exponent(series.data(), series.size());
    ASSERT_TRUE(result);
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_EQ(progress, 5);
    ASSERT_EQ(result->S.size(), 1u);
    for (unsigned e = 0; e < 3; ++e) EXPECT_NEAR(Slope(*result, e, 1, 8), 0.42, 0.04) << "radius " << e;
    // The radii grow geometrically from the smallest to the largest.
    EXPECT_NEAR(result->radii.front(), 0.001, 1e-12);
    EXPECT_NEAR(result->radii.back(), 0.01, 1e-12);
}

TEST(LyapunovKantz, HenonSpectrumAndKaplanYorkeDimension) {
    const auto series = HenonSeries(10000);
    Recorder rec;
    LyapunovKantz engine;
    engine.SetHooks(rec.Hooks());
    engine.SetParameters(0, 0, 2, 1, 30, 0.001, 0.0, LyapunovKantz::kSpectrum, 0);
    const auto result = engine.CalcLyapSpectrum(series.data(), 10000, series.size());
    ASSERT_TRUE(result);
    ASSERT_EQ(result->dimension, 2u);
    ASSERT_EQ(result->RowCount(), 9998u);  // points 1 .. 9998, each with its successor
    const std::size_t last = result->RowCount() - 1;
    EXPECT_NEAR(result->Exponent(last, 0), 0.42, 0.03);
    EXPECT_NEAR(result->Exponent(last, 1), -1.6, 0.15);
    EXPECT_NEAR(result->kaplanYorke, 1.26, 0.04);
    EXPECT_DOUBLE_EQ(engine.KaplanYorke(), result->kaplanYorke);
    EXPECT_DOUBLE_EQ(result->meanNeighbours, 30.0);
    EXPECT_GT(result->meanRadius, 0.0);
}

TEST(LyapunovKantz, CorrelationDimensionPlateaus) {
    struct Case {
        const char* what;
        std::vector<double> series;
        unsigned delay;
        unsigned dimension;
        double expected;
    };
    const Case cases[] = {
        {"Hénon", HenonSeries(10000), 1, 3, 1.2},
        {"Lorenz", LorenzSeries(10000), 5, 5, 2.05},
    };
    for (const Case& c : cases) {
        Recorder rec;
        LyapunovKantz engine;
        engine.SetHooks(rec.Hooks());
        engine.SetParameters(1000, 10, 0, c.delay, 100, 0.001, 1.0, LyapunovKantz::kCorrDim, 0);
        const auto result = engine.CalcCorrDim(c.series.data(), c.series.size());
        ASSERT_TRUE(result) << c.what;
        ASSERT_EQ(result->curves.size(), 10u);
        ASSERT_EQ(result->curves[0].size(), 99u);
        EXPECT_NEAR(Plateau(*result, c.dimension, 0.005, 0.05), c.expected, 0.12) << c.what;
    }
}

TEST(LyapunovKantz, UnusableSeriesAreRefusedWithTheirMessage) {
    const std::vector<double> constant(5000, 7.0);
    const auto henon = HenonSeries(2000);
    struct Case {
        const char* what;
        int mode;
        std::vector<double> series;
        int message;
    };
    const Case cases[] = {
        {"constant, largest exponent", LyapunovKantz::kMaxLyap, constant, LyapunovKantz::kConstantData},
        {"constant, spectrum", LyapunovKantz::kSpectrum, constant, LyapunovKantz::kConstantData},
        {"constant, correlation", LyapunovKantz::kCorrDim, constant, LyapunovKantz::kConstantData},
        // 50 iterations + (2 - 1) * 1 = 51 values are one too few.
        {"short, largest exponent", LyapunovKantz::kMaxLyap,
         std::vector<double>(henon.begin(), henon.begin() + 51), LyapunovKantz::kMaxLyapTooShort},
        // embedding 2, delay 1, 30 neighbours: 31 values are one too few.
        {"short, spectrum", LyapunovKantz::kSpectrum, std::vector<double>(henon.begin(), henon.begin() + 31),
         LyapunovKantz::kSpectrumTooShort},
        // dimension 10 with delay 1 needs 10 values for one vector.
        {"short, correlation", LyapunovKantz::kCorrDim, std::vector<double>(henon.begin(), henon.begin() + 9),
         LyapunovKantz::kCorrDimTooShort},
    };
    for (const Case& c : cases) {
        Recorder rec;
        LyapunovKantz engine;
        engine.SetHooks(rec.Hooks());
        bool result = true;
        switch (c.mode) {
            case LyapunovKantz::kMaxLyap:
                engine.SetParameters(50, 2, 2, 1, 5, 0.001, 0.01, c.mode, ~0u);
                result = engine.Calc_Max_Lyap_Exponent(c.series.data(), c.series.size()).has_value();
                break;
            case LyapunovKantz::kSpectrum:
                engine.SetParameters(0, 0, 2, 1, 30, 0.001, 0.0, c.mode, 0);
                result = engine.CalcLyapSpectrum(c.series.data(), 1000, c.series.size()).has_value();
                break;
            default:
                engine.SetParameters(1000, 10, 0, 1, 100, 0.001, 1.0, c.mode, 0);
                result = engine.CalcCorrDim(c.series.data(), c.series.size()).has_value();
                break;
        }
        EXPECT_FALSE(result) << c.what;
        EXPECT_TRUE(engine.Aborted()) << c.what;
        EXPECT_EQ(rec.messages, std::vector<int>{c.message}) << c.what;
    }
    // One value more passes the length check; its one delay vector has no neighbour, and that
    // is what is said.
    Recorder rec;
    LyapunovKantz engine;
    engine.SetHooks(rec.Hooks());
    engine.SetParameters(50, 2, 2, 1, 5, 0.001, 0.01, LyapunovKantz::kMaxLyap, ~0u);
    EXPECT_FALSE(engine.Calc_Max_Lyap_Exponent(henon.data(), 52));
    EXPECT_EQ(rec.messages, std::vector<int>{LyapunovKantz::kNoNeighboursCounted});
}

TEST(LyapunovKantz, CancellingLeavesNoResult) {
    const auto series = HenonSeries(5000);
    for (int mode : {0, 1, 2}) {
        Recorder rec;
        rec.cancelAfter = 100;
        LyapunovKantz engine;
        engine.SetHooks(rec.Hooks());
        bool result = true;
        if (mode == LyapunovKantz::kMaxLyap) {
            engine.SetParameters(50, 2, 2, 1, 5, 0.001, 0.01, mode, ~0u);
            result = engine.Calc_Max_Lyap_Exponent(series.data(), series.size()).has_value();
        } else if (mode == LyapunovKantz::kSpectrum) {
            engine.SetParameters(0, 0, 2, 1, 30, 0.001, 0.0, mode, 0);
            result = engine.CalcLyapSpectrum(series.data(), 5000, series.size()).has_value();
        } else {
            engine.SetParameters(1000, 10, 0, 1, 100, 0.001, 1.0, mode, 0);
            result = engine.CalcCorrDim(series.data(), series.size()).has_value();
        }
        EXPECT_FALSE(result) << "mode " << mode;
        EXPECT_TRUE(engine.Aborted());
        EXPECT_EQ(rec.polls, 101) << "stops at the poll that saw the cancel";
        EXPECT_TRUE(rec.messages.empty());
    }
}

TEST(LyapunovKantz, LargestExponentParameterCorrections) {
    const auto series = HenonSeries(3000);
    LyapunovKantz engine;
    // epsmin = epsmax: one radius only.
    engine.SetParameters(20, 2, 2, 1, 5, 0.005, 0.005, LyapunovKantz::kMaxLyap, ~0u);
    auto result = engine.Calc_Max_Lyap_Exponent(series.data(), series.size());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->epscount, 1u);
    EXPECT_EQ(result->epsDone, 1u);
    // mindim 3 above maxdim 2: maxdim becomes 3, and only dimension 3 (index 1) is filled.
    engine.SetParameters(20, 2, 3, 1, 2, 0.005, 0.01, LyapunovKantz::kMaxLyap, ~0u);
    result = engine.Calc_Max_Lyap_Exponent(series.data(), series.size());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->mindim, 3u);
    EXPECT_EQ(result->maxdim, 3u);
    ASSERT_EQ(result->S.size(), 2u);
    EXPECT_FALSE(result->HasValue(0, 0, 5));  // dimension 2 was not evaluated: no value, not 0
    EXPECT_GT(result->Count(0, 1, 5), 0u);
    EXPECT_LT(result->Value(0, 1, 5), 0.0);
    // Radii of zero, as a user may type them, do not divide by zero.
    engine.SetParameters(20, 2, 2, 1, 3, 0.0, 0.0, LyapunovKantz::kMaxLyap, ~0u);
    result = engine.Calc_Max_Lyap_Exponent(series.data(), series.size());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->radii, std::vector<double>{0.001});
    engine.SetParameters(1000, 3, 0, 1, 10, 0.0, 0.0, LyapunovKantz::kCorrDim, 0);
    const auto corr = engine.CalcCorrDim(series.data(), series.size());
    ASSERT_TRUE(corr);
    EXPECT_NEAR(corr->curves[0].front().radius, std::pow(1000.0, -1.0 / 9), 1e-12);  // radii 1 .. 0.001
}

TEST(LyapunovKantz, NeighboursAtExactlyTheRadiusCount) {
    // Delay vectors (0, 0.5) and (0, 0.75), (0.5, 1) and (0.75, 1) lie exactly 0.25 apart (all
    // values exact in binary); no other pair is that close.
    const std::vector<double> series = {0.0, 0.5, 1.0, 0.0, 0.75, 1.0, 0.5};
    LyapunovKantz engine;
    engine.SetParameters(1, 2, 2, 1, 1, 0.25, 0.25, LyapunovKantz::kMaxLyap, ~0u);
    const auto result = engine.Calc_Max_Lyap_Exponent(series.data(), series.size());
    ASSERT_TRUE(result);
    EXPECT_NEAR(result->Value(0, 0, 0), std::log(0.25), 1e-12);
    // Reference points 0, 1, 3 and 4 have a neighbour (each other's pairs), point 2 none.
    EXPECT_EQ(result->Count(0, 0, 0), 4u);
    EXPECT_EQ(result->Count(0, 0, 1), 4u);
}

TEST(LyapunovKantz, CorrelationSumEdges) {
    const auto series = HenonSeries(1200);
    LyapunovKantz engine;
    // epsmin >= epsmax gives epsmin = epsmax / 2; the last point stands at the smallest radius.
    engine.SetParameters(1000, 2, 0, 1, 10, 0.6, 0.5, LyapunovKantz::kCorrDim, 0);
    const auto result = engine.CalcCorrDim(series.data(), series.size());
    ASSERT_TRUE(result);
    EXPECT_NEAR(result->curves[0].back().radius, 0.25, 1e-12);
}

TEST(LyapunovKantz, NothingCountedIsRefusedNotZero) {
    struct Case {
        const char* what;
        int mode;
        std::vector<double> series;
        double radius;
        int message;
    };
    const Case cases[] = {
        // 400 values: every pair is closer in time than the Theiler window of 500.
        {"correlation, shorter than the Theiler window", LyapunovKantz::kCorrDim, HenonSeries(400), 0.01,
         LyapunovKantz::kNoPairsCounted},
        // No two points of the Hénon map lie within 2e-9 of the data interval.
        {"correlation, radii too small", LyapunovKantz::kCorrDim, HenonSeries(2000), 2e-9,
         LyapunovKantz::kNoPairsCounted},
        {"largest exponent, radii too small", LyapunovKantz::kMaxLyap, HenonSeries(2000), 2e-9,
         LyapunovKantz::kNoNeighboursCounted},
    };
    for (const Case& c : cases) {
        Recorder rec;
        LyapunovKantz engine;
        engine.SetHooks(rec.Hooks());
        bool result = true;
        if (c.mode == LyapunovKantz::kCorrDim) {
            engine.SetParameters(1000, 4, 0, 1, 10, c.radius / 2, c.radius, c.mode, 0);
            result = engine.CalcCorrDim(c.series.data(), c.series.size()).has_value();
        } else {
            engine.SetParameters(10, 2, 2, 1, 2, c.radius / 2, c.radius, c.mode, ~0u);
            result = engine.Calc_Max_Lyap_Exponent(c.series.data(), c.series.size()).has_value();
        }
        EXPECT_FALSE(result) << c.what;
        EXPECT_EQ(rec.messages, std::vector<int>{c.message}) << c.what;
    }
}

// The correlation sum against a count of all pairs: for each embedding dimension d and radius
// r, the share of the pairs more than 500 steps apart whose delay vectors (maximum norm over d
// components) lie within r. Where the sum is 0 there is no slope, and the radii are the
// geometric series itself.
TEST(LyapunovKantz, CorrelationSumsMatchABruteForceCount) {
    auto y = HenonSeries(1600);
    const unsigned m = 6, radii = 16, theiler = 500;
    const double epsmax = 1.0, epsmin = 1e-6;
    LyapunovKantz engine;
    engine.SetParameters(4000000000u, m, 0, 1, radii, epsmin, epsmax, LyapunovKantz::kCorrDim, 0);
    const auto result = engine.CalcCorrDim(y.data(), y.size());
    ASSERT_TRUE(result);

    const auto [lo, hi] = std::minmax_element(y.begin(), y.end());
    const long double low = *lo, span = *hi - *lo;
    std::vector<long double> v(y.size());
    for (std::size_t i = 0; i < y.size(); ++i) v[i] = (y[i] - low) / span;
    const std::size_t N = y.size() - (m - 1);
    std::vector<long double> radius(radii);
    for (unsigned k = 0; k < radii; ++k)
        radius[k] = epsmax * std::pow(epsmin / epsmax, (long double)k / (radii - 1));
    std::vector<std::vector<double>> within(m, std::vector<double>(radii, 0.0));
    double pairs = 0;
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = i + theiler + 1; j < N; ++j) {
            ++pairs;
            long double dist = 0;
            for (unsigned d = 0; d < m; ++d) {
                dist = std::max(dist, std::fabs(v[i + d] - v[j + d]));
                for (unsigned k = 0; k < radii; ++k) within[d][k] += dist <= radius[k];
            }
        }
    bool someWithoutSlope = false;
    for (unsigned d = 0; d < m; ++d)
        for (unsigned k = 1; k < radii; ++k) {
            const CorrDimPoint& p = result->curves[d][k - 1];
            EXPECT_NEAR(p.radius, double(radius[k]), 1e-12 * double(radius[k]))
                << "d " << d + 1 << " k " << k;
            ASSERT_TRUE(p.hasSum);
            EXPECT_NEAR(p.sum, within[d][k] / pairs, 1e-12) << "d " << d + 1 << " k " << k;
            EXPECT_EQ(p.hasSlope, within[d][k] > 0 && within[d][k - 1] > 0) << "d " << d + 1 << " k " << k;
            someWithoutSlope = someWithoutSlope || !p.hasSlope;
        }
    EXPECT_TRUE(someWithoutSlope) << "the smallest radii hold no pair in the higher dimensions";
}

// The logistic map x -> 4x(1-x) has the exponent ln 2. Stored as 16-bit values its delay
// vectors repeat, and in two dimensions they lie on a parabola: the local fits are degenerate
// or nearly so. The spectrum either finds ln 2 or says the fit is singular, never another number.
TEST(LyapunovKantz, SpectrumOfTheQuantisedLogisticMap) {
    std::vector<double> quantised, onTheGrid, exact;
    double x = 0.3;
    for (int i = 0; i < 11000; ++i) {
        x = 4 * x * (1 - x);
        if (i >= 1000) {
            exact.push_back(x);
            quantised.push_back(std::round(x * 65535) - 32768);
        }
    }
    // The map iterated on the 16-bit values themselves ends in a cycle of repeated values.
    long q = 8087;
    for (int i = 0; i < 10000; ++i) {
        const double g = q / 65535.0;
        q = std::lround(4 * g * (1 - g) * 65535);
        onTheGrid.push_back(double(q) - 32768);
    }
    struct Case {
        const char* what;
        const std::vector<double>* series;
        unsigned embedding;
        bool mustFind;
    };
    const Case cases[] = {
        {"quantised, embedding 2", &quantised, 2, true},
        {"quantised, embedding 1", &quantised, 1, true},
        {"iterated on 16 bits, embedding 2", &onTheGrid, 2, false},
        {"iterated on 16 bits, embedding 3", &onTheGrid, 3, false},
        {"exact, on a parabola", &exact, 2, false},
    };
    for (const Case& c : cases) {
        Recorder rec;
        LyapunovKantz engine;
        engine.SetHooks(rec.Hooks());
        engine.SetParameters(0, 0, c.embedding, 1, 30, 0.001, 0.0, LyapunovKantz::kSpectrum, 0);
        const auto result = engine.CalcLyapSpectrum(c.series->data(), 1000, c.series->size());
        if (result) {
            EXPECT_NEAR(result->Exponent(result->RowCount() - 1, 0), std::log(2.0), 0.03) << c.what;
            EXPECT_TRUE(rec.messages.empty()) << c.what;
        } else {
            EXPECT_FALSE(c.mustFind) << c.what;
            EXPECT_EQ(rec.messages, std::vector<int>{LyapunovKantz::kSingularMatrix}) << c.what;
        }
    }
}

// The Hénon map embedded in three dimensions: a few neighbourhoods are nearly flat; their fits
// take more neighbours instead of failing, and the rest keep the minimum number.
TEST(LyapunovKantz, AnIllConditionedFitWidensItsNeighbourhood) {
    const auto series = HenonSeries(10000);
    Recorder rec;
    LyapunovKantz engine;
    engine.SetHooks(rec.Hooks());
    engine.SetParameters(0, 0, 3, 1, 30, 0.001, 0.0, LyapunovKantz::kSpectrum, 0);
    const auto result = engine.CalcLyapSpectrum(series.data(), 1000, series.size());
    ASSERT_TRUE(result);
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_GT(result->meanNeighbours, 30.0);
    EXPECT_LT(result->meanNeighbours, 60.0);
}

TEST(LyapunovKantz, KaplanYorkeDimensionOfExponents) {
    struct Case {
        std::vector<double> exponents;
        double dimension;
    };
    const Case cases[] = {
        {{0.42, -1.62}, 1.0 + 0.42 / 1.62},
        {{0.1, 0.05}, 2.0},  // the sum never becomes negative
        {{-0.5, -1.0}, 0.0},
        {{0.5, 0.0, -1.0}, 2.5},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(LyapunovKantz::KaplanYorkeDimension(c.exponents), c.dimension, 1e-12);
}

TEST(PlateauFit, FitsTheMeanOfTheSlopes) {
    EXPECT_NEAR(FitPlateau({1.1, 1.3, 1.2, 1.2}), 1.2, 1e-9);
    EXPECT_NEAR(FitPlateau({2.0}), 2.0, 1e-9);
    EXPECT_TRUE(std::isnan(FitPlateau({})));
}

namespace {

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The sine that the outlier tests put one wild value into.
std::vector<double> TwoSines(std::size_t n) {
    std::vector<double> y(n);
    for (std::size_t i = 0; i < n; ++i)
        y[i] = std::sin(2 * M_PI * double(i) / 37.3) + 0.3 * std::sin(2 * M_PI * double(i) / 11.7);
    return y;
}

}  // namespace

// Every calculation splits its work over threads; the sums are formed in the same order on any
// number of them, so the results agree bit for bit. The correlation sum runs both with a pair
// limit (its radius shrinks while it runs) and with all pairs.
TEST(LyapunovKantz, ResultsAreTheSameOnAnyNumberOfThreads) {
    const auto y = HenonSeries(3000);
    auto maxLyap = [&](unsigned threads) {
        LyapunovKantz engine;
        engine.SetThreads(threads);
        engine.SetParameters(20, 4, 2, 1, 4, 0.002, 0.02, LyapunovKantz::kMaxLyap, ~0u);
        return engine.Calc_Max_Lyap_Exponent(y.data(), y.size());
    };
    auto spectrum = [&](unsigned threads) {
        LyapunovKantz engine;
        engine.SetThreads(threads);
        engine.SetParameters(0, 0, 2, 1, 30, 0.001, 0.0, LyapunovKantz::kSpectrum, 0);
        return engine.CalcLyapSpectrum(y.data(), 3000, y.size());
    };
    auto corrDim = [&](unsigned threads, unsigned pairs) {
        LyapunovKantz engine;
        engine.SetThreads(threads);
        engine.SetParameters(pairs, 5, 0, 1, 40, 0.001, 1.0, LyapunovKantz::kCorrDim, 0);
        return engine.CalcCorrDim(y.data(), y.size());
    };
    const auto maxOne = maxLyap(1);
    const auto specOne = spectrum(1);
    const auto corrOne = corrDim(1, 1000), corrAllOne = corrDim(1, 4000000000u);
    ASSERT_TRUE(maxOne && specOne && corrOne && corrAllOne);
    for (unsigned threads : {2u, 3u}) {
        SCOPED_TRACE(threads);
        const auto maxMany = maxLyap(threads);
        ASSERT_TRUE(maxMany);
        EXPECT_EQ(maxMany->counts, maxOne->counts);
        EXPECT_EQ(maxMany->candidates, maxOne->candidates);
        for (std::size_t d = 0; d < maxOne->S.size(); ++d)
            for (std::size_t k = 0; k < maxOne->S[d].size(); ++k)
                ASSERT_TRUE(SameBits(maxMany->S[d][k], maxOne->S[d][k])) << "d " << d << " at " << k;

        const auto specMany = spectrum(threads);
        ASSERT_TRUE(specMany);
        ASSERT_EQ(specMany->rows.size(), specOne->rows.size());
        for (std::size_t k = 0; k < specOne->rows.size(); ++k)
            ASSERT_TRUE(SameBits(specMany->rows[k], specOne->rows[k])) << "row value " << k;
        EXPECT_TRUE(SameBits(specMany->kaplanYorke, specOne->kaplanYorke));
        EXPECT_TRUE(SameBits(specMany->meanRadius, specOne->meanRadius));
        EXPECT_TRUE(SameBits(specMany->forecastError, specOne->forecastError));

        for (const auto& [one, pairs] : {std::pair{&corrOne, 1000u}, std::pair{&corrAllOne, 4000000000u}}) {
            const auto many = corrDim(threads, pairs);
            ASSERT_TRUE(many);
            for (std::size_t d = 0; d < (*one)->curves.size(); ++d)
                for (std::size_t k = 0; k < (*one)->curves[d].size(); ++k) {
                    const CorrDimPoint &a = many->curves[d][k], &b = (*one)->curves[d][k];
                    ASSERT_TRUE(SameBits(a.sum, b.sum) && SameBits(a.slope, b.slope) &&
                                a.hasSum == b.hasSum && a.hasSlope == b.hasSlope)
                        << "pairs " << pairs << " d " << d << " k " << k;
                }
        }
    }
}

// S(e, d, i) by a direct search: every pair of delay vectors compared in long double.
TEST(LyapunovKantz, LargestExponentMatchesADirectSearch) {
    const auto y = HenonSeries(700);
    const unsigned maxiter = 12, mindim = 2, maxdim = 3, epscount = 3;
    const double epsmin = 0.01, epsmax = 0.04;
    LyapunovKantz engine;
    engine.SetThreads(2);
    engine.SetParameters(maxiter, maxdim, mindim, 1, epscount, epsmin, epsmax, LyapunovKantz::kMaxLyap, ~0u);
    const auto result = engine.Calc_Max_Lyap_Exponent(y.data(), y.size());
    ASSERT_TRUE(result);

    const auto [lo, hi] = std::minmax_element(y.begin(), y.end());
    std::vector<long double> v(y.size());
    for (std::size_t i = 0; i < y.size(); ++i) v[i] = ((long double)y[i] - *lo) / ((long double)*hi - *lo);
    const std::size_t points = y.size() - maxiter - (maxdim - 1);
    for (unsigned e = 0; e < epscount; ++e) {
        const long double eps =
            epsmin * std::pow((long double)epsmax / epsmin, (long double)e / (epscount - 1));
        for (unsigned dim = mindim; dim <= maxdim; ++dim) {
            std::vector<long double> sum(maxiter + 1, 0);
            std::vector<unsigned> counted(maxiter + 1, 0);
            for (std::size_t r = 0; r < points; ++r) {
                std::vector<long double> squares(maxiter + 1, 0);
                std::vector<unsigned> apart(maxiter + 1, 0);
                for (std::size_t m = 0; m < points; ++m) {
                    if (m == r) continue;
                    long double dist = 0;
                    for (unsigned l = 0; l < dim; ++l) dist += std::pow(v[r + l] - v[m + l], 2);
                    if (dist > eps * eps) continue;
                    for (unsigned i = 0; i <= maxiter; ++i) {
                        long double later = 0;
                        for (unsigned l = 0; l < dim; ++l) later += std::pow(v[r + i + l] - v[m + i + l], 2);
                        squares[i] += later;
                        apart[i] += later > 0;
                    }
                }
                for (unsigned i = 0; i <= maxiter; ++i)
                    if (apart[i] > 0) {
                        sum[i] += 0.5L * std::log(squares[i] / apart[i]);
                        ++counted[i];
                    }
            }
            for (unsigned i = 0; i <= maxiter; ++i) {
                SCOPED_TRACE(testing::Message()
                             << "radius " << e << " dimension " << dim << " iteration " << i);
                EXPECT_NEAR(result->radii[e], double(eps), 1e-15);
                ASSERT_EQ(result->Count(e, dim - 2, i), counted[i]);
                if (counted[i] > 0) {
                    EXPECT_NEAR(result->Value(e, dim - 2, i), double(sum[i] / counted[i]), 1e-9);
                }
            }
        }
    }
}

// One wild value among thousands used to shrink every radius relative to the data interval
// until all points shared one box of the grid. The radii now refer to the bulk of the values:
// the search compares about as many candidates as without the outlier, and a series without
// one keeps exactly its old result (the scale of the whole interval).
TEST(LyapunovKantz, AnOutlierDoesNotMergeTheBulkIntoOneNeighbourhood) {
    const std::vector<double> clean = TwoSines(3000);
    std::vector<double> wild = clean;
    wild[1500] = 1e9;
    auto run = [](const std::vector<double>& y) {
        LyapunovKantz engine;
        engine.SetParameters(10, 3, 2, 1, 3, 0.001, 0.01, LyapunovKantz::kMaxLyap, ~0u);
        return engine.Calc_Max_Lyap_Exponent(y.data(), y.size());
    };
    const auto withoutOutlier = run(clean), withOutlier = run(wild);
    ASSERT_TRUE(withoutOutlier && withOutlier);
    EXPECT_LE(withOutlier->candidates, withoutOutlier->candidates * 11 / 10);
    EXPECT_GT(withoutOutlier->candidates, 0u);
    // The bulk finds the same neighbourhoods: at iteration 0 only the reference points whose
    // delay vectors hold the outlier (and so have no neighbour) drop out.
    for (unsigned e = 0; e < 3; ++e)
        for (unsigned d = 0; d < 2; ++d) {
            EXPECT_LE(withoutOutlier->Count(e, d, 0) - withOutlier->Count(e, d, 0), 2 * (d + 2u));
            EXPECT_NEAR(withOutlier->Value(e, d, 0), withoutOutlier->Value(e, d, 0), 0.01);
        }

    // Clean data: the interval of the bulk is the whole interval, so the result is the one of
    // data rescaled by its extremes, value for value.
    std::vector<double> rescaled = clean;
    const auto [lo, hi] = std::minmax_element(clean.begin(), clean.end());
    for (double& x : rescaled) x = (x - *lo) / (*hi - *lo);
    LyapunovKantz engine;
    double minimum = 0, interval = 0;
    std::vector<double> bulk = clean;
    ASSERT_TRUE(engine.RescaleToBulk(bulk.data(), bulk.size(), minimum, interval));
    EXPECT_EQ(minimum, *lo);
    EXPECT_EQ(interval, *hi - *lo);
    EXPECT_EQ(bulk, rescaled);
    // With the outlier the bulk keeps the sine's extremes (those within the fences), and the
    // outlier lies far beyond 1.
    bulk = wild;
    ASSERT_TRUE(engine.RescaleToBulk(bulk.data(), bulk.size(), minimum, interval));
    EXPECT_EQ(minimum, *lo);
    EXPECT_EQ(interval, *hi - *lo);
    EXPECT_GT(bulk[1500], 1e8);
}
