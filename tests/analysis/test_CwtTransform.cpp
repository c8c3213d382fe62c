// The continuous wavelet transform: scale divisions, the result's layout and scaling, its
// failures, and whether it finds a tone and follows a chirp, with both methods.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

#include "analysis/CwtTransform.h"
#include "analysis/DivisionRange.h"

namespace {

constexpr double kRate = 44100.0;
constexpr double kPi = 3.14159265358979;

std::vector<double> Tone(double hz, double seconds) {
    std::vector<double> s(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = 10000.0 * std::sin(2 * kPi * hz * double(i) / kRate);
    return s;
}

// A rising sweep from f0 to f1 Hz.
std::vector<double> Chirp(double f0, double f1, double seconds) {
    std::vector<double> s(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / kRate;
        s[i] = 10000.0 * std::sin(2 * kPi * (f0 * t + (f1 - f0) * t * t / (2 * seconds)));
    }
    return s;
}

// Parameters as the document sets them for a selection of these samples.
CwtParameters For(const std::vector<double>& samples, const char* wavelet, int method = 0) {
    CwtParameters p;
    p.wavelet = wavelet;
    p.method = method;
    p.start_time = 0.0f;
    p.end_time = static_cast<float>(double(samples.size()) / kRate);
    p.sample_rate = static_cast<float>(kRate);
    return p;
}

std::vector<float> Transform(CwtParameters p, const std::vector<double>& samples,
                             CwtStatus expected = CwtStatus::ok) {
    std::vector<float> result;
    const CwtOutcome outcome = RunTransform(p, samples.data(), std::int64_t(samples.size()), result);
    EXPECT_EQ(outcome.status, expected) << p.wavelet << " method " << p.method;
    return result;
}

// Frequency of the result's row r: real wavelets have the smallest scale first, complex ones
// the largest.
double RowFrequency(const CwtParameters& p, bool complex, int r) {
    const auto division = make_division(p.division_type, p.scale_first, p.scale_last, p.scale_count);
    return 1.0 / division->value(complex ? r + 1 : p.scale_count - r);
}

int LargestRowOfColumn(const std::vector<float>& result, int column) {
    const int rows = int(result[0]), columns = int(result[1]);
    int best = 0;
    for (int r = 1; r < rows; ++r)
        if (result[2 + r * columns + column] > result[2 + best * columns + column]) best = r;
    return best;
}

TEST(CwtTransform, DivisionsGiveTheirScales) {
    struct Case {
        int type;
        float rows[4];  // value(4) .. value(1), the order the transform asks for them
    };
    const Case cases[] = {{0, {2.0f, 1.75f, 1.5f, 1.25f}},
                          {1, {2.0f, 1.6f, 1.3333333f, 1.1428571f}},
                          {2, {2.0f, 1.6817929f, 1.4142135f, 1.1892071f}}};
    for (const Case& c : cases) {
        const auto division = make_division(c.type, 1.0f, 2.0f, 4);
        for (int r = 0; r < 4; ++r)
            EXPECT_NEAR(division->value(4 - r), c.rows[r], 1e-6) << c.type << " row " << r;
        EXPECT_FLOAT_EQ(division->value(0), 1.0f);
    }
    EXPECT_EQ(make_division(3, 1.0f, 2.0f, 4), nullptr);
}

TEST(CwtTransform, DefaultsOnATenthOfASecondGiveAHundredRowsOfTwenty) {
    const std::vector<double> tone = Tone(440.0, 0.1);
    const std::vector<float> result = Transform(For(tone, "haar"), tone);
    ASSERT_EQ(result.size(), 2u + 100 * 20);
    EXPECT_EQ(result[0], 100.0f);
    EXPECT_EQ(result[1], 20.0f);
}

TEST(CwtTransform, DisplayValuesSpanTheirRangeForEveryWavelet) {
    const std::vector<double> chirp = Chirp(100.0, 3000.0, 0.2);
    const char* wavelets[] = {"haar",         "mexicanhat", "sinus",  "poisson",      "cauchy,2",
                              "spinning,2,2", "morlet,2",   "morlet", "bspline,10,10"};
    for (int method : {0, 1}) {
        for (const char* wavelet : wavelets) {
            SCOPED_TRACE(std::string(wavelet) + " method " + std::to_string(method));
            CwtParameters p = For(chirp, wavelet, method);
            p.scale_count = 30;
            p.time_count = 16;
            const std::vector<float> result = Transform(p, chirp);
            ASSERT_EQ(result.size(), 2u + 30 * 16);
            const auto [lo, hi] = std::minmax_element(result.begin() + 2, result.end());
            EXPECT_EQ(*hi, 255.0f);
            EXPECT_GE(*lo, 0.0f);
            const std::string spec = wavelet;
            // Real wavelets (and the B-spline, scaled as they are) give whole numbers from 0.
            if (spec.starts_with("haar") || spec.starts_with("mex") || spec.starts_with("sinus") ||
                spec.starts_with("poisson") || spec.starts_with("bspline")) {
                EXPECT_EQ(*lo, 0.0f);
                EXPECT_TRUE(std::all_of(result.begin() + 2, result.end(),
                                        [](float v) { return v == std::trunc(v); }));
            }
        }
    }
}

TEST(CwtTransform, SilenceGivesNoResult) {
    const std::vector<double> silence(4410, 0.0);
    for (const char* wavelet : {"haar", "morlet,2", "bspline,10,10"})
        for (int method : {0, 1})
            EXPECT_TRUE(Transform(For(silence, wavelet, method), silence, CwtStatus::constant).empty());
}

TEST(CwtTransform, ATonesLargestRowIsAtItsFrequency) {
    const std::vector<double> tone = Tone(440.0, 0.2);
    for (int method : {0, 1}) {
        SCOPED_TRACE(method);
        const CwtParameters p = For(tone, "morlet,2", method);
        const std::vector<float> result = Transform(p, tone);
        ASSERT_EQ(result.size(), 2u + 100 * 20);
        // The row whose frequency is nearest 440 Hz.
        int nearest = 0;
        for (int r = 1; r < 100; ++r)
            if (std::fabs(RowFrequency(p, true, r) - 440.0) <
                std::fabs(RowFrequency(p, true, nearest) - 440.0))
                nearest = r;
        for (int column = 2; column < 18; ++column)
            EXPECT_EQ(LargestRowOfColumn(result, column), nearest) << column;
    }
}

TEST(CwtTransform, AChirpsRidgeRisesOverTime) {
    const std::vector<double> chirp = Chirp(200.0, 2000.0, 0.5);
    for (int method : {0, 1}) {
        SCOPED_TRACE(method);
        CwtParameters p = For(chirp, "morlet,2", method);
        p.time_count = 40;
        const std::vector<float> result = Transform(p, chirp);
        ASSERT_FALSE(result.empty());
        double previous = 0.0;
        // The ends lie against the silence around the selection.
        for (int column = 3; column < 37; ++column) {
            const double f = RowFrequency(p, true, LargestRowOfColumn(result, column));
            EXPECT_GE(f, previous) << column;
            previous = f;
        }
        EXPECT_GT(previous, 1500.0);
    }
}

TEST(CwtTransform, WhatCannotBeComputedNeverEndsTheProgram) {
    const std::vector<double> tone = Tone(440.0, 0.1);
    const std::vector<float> previous = {1.0f, 1.0f, 42.0f};
    const auto run = [&](const char* wavelet, CwtStatus expected) {
        std::vector<float> result = previous;
        CwtParameters p = For(tone, wavelet);
        const CwtOutcome outcome = RunTransform(p, tone.data(), std::int64_t(tone.size()), result);
        EXPECT_EQ(outcome.status, expected) << wavelet;
        return std::make_pair(result, outcome);
    };
    // Refused arguments and unknown names leave the previous result as it was.
    const auto [refused, why] = run("morlet,2,3", CwtStatus::bad_arguments);
    EXPECT_EQ(refused, previous);
    EXPECT_EQ(why.error.code, WaveletError::morlet_arguments);
    EXPECT_EQ(run("wobble", CwtStatus::no_wavelet).first, previous);
    // An infinite support has nothing to show.
    EXPECT_TRUE(run("cauchy,0", CwtStatus::unusable).first.empty());

    CwtParameters p = For(tone, "haar");
    std::vector<float> result;
    for (auto change :
         {+[](CwtParameters& q) { q.scale_count = 0; }, +[](CwtParameters& q) { q.time_count = -3; },
          +[](CwtParameters& q) { q.scale_first = INFINITY; }, +[](CwtParameters& q) { q.division_type = 7; },
          +[](CwtParameters& q) { q.scale_last = 0.0f; }}) {
        CwtParameters q = p;
        change(q);
        EXPECT_EQ(RunTransform(q, tone.data(), std::int64_t(tone.size()), result).status,
                  CwtStatus::unusable);
        EXPECT_TRUE(result.empty());
    }
}

TEST(CwtTransform, ACancelledTokenStopsARunWithoutAResult) {
    const std::vector<double> tone = Tone(440.0, 0.1);
    CancelToken cancel;
    cancel.Cancel();
    CwtParameters p = For(tone, "morlet,2");
    std::vector<float> result = {1.0f};
    const CwtOutcome outcome = RunTransform(p, tone.data(), std::int64_t(tone.size()), result, {&cancel});
    EXPECT_EQ(outcome.status, CwtStatus::cancelled);
    EXPECT_TRUE(result.empty());
}

TEST(CwtTransform, DiagnosticsDescribeTheBuffer) {
    const std::vector<double> tone = Tone(440.0, 0.1);
    CwtParameters p = For(tone, "haar");
    std::vector<float> result;
    const CwtOutcome outcome = RunTransform(p, tone.data(), std::int64_t(tone.size()), result);
    // Haar at the largest scale of 0.05 s = 2205 samples reaches 1103 samples either way.
    EXPECT_NE(outcome.diagnostics.find("bmin -1103, bmax 5513, sparebegin -1103, spareend 1103\n"),
              std::string::npos)
        << outcome.diagnostics;
    EXPECT_NE(outcome.diagnostics.find("size 6616\n"), std::string::npos);
}

}  // namespace
