// The nonlinear analysis engine against the literature values of the Hénon map and the Lorenz
// system, its refusals of unusable input, cancelling, and the rules at its edges.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
