#include "analysis/BetaSpline.h"
#include "analysis/CubicSpline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

std::vector<SplinePoint> Evaluated(const CubicSpline& spline) {
    std::vector<SplinePoint> out{{-1, -1}};  // must be cleared
    spline.Evaluate(out);
    return out;
}

TEST(CubicSpline, TwoPointsGiveOneSegmentWithTangentsNearTheChord) {
    struct Case {
        SplinePoint a, b;
        std::size_t count;
    };
    const Case cases[] = {
        {{0, 0}, {40, -12}, 11},   // truncate(40 / 4) + 1
        {{5, 5}, {-2, 30}, 7},     // the larger of |dx|, |dy| decides: 25 / 4 = 6
        {{10, 10}, {12, 11}, 2},   // a chord shorter than 4 pixels still gives its two ends
        {{-7, 3}, {-7, -40}, 11},  // vertical, negative coordinates
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a.x << "," << c.a.y << " -> " << c.b.x << "," << c.b.y);
        const CubicSpline spline({c.a, c.b});
        const float dx = static_cast<float>(c.b.x - c.a.x), dy = static_cast<float>(c.b.y - c.a.y);
        const float len = std::hypot(dx, dy);
        ASSERT_EQ(spline.TangentsX().size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            // 10 Jacobi steps from 1.5 d halve the error each time: 0.5 d / 1024 is left.
            const float err = std::hypot(spline.TangentsX()[i] - dx, spline.TangentsY()[i] - dy);
            EXPECT_LE(err, 0.0005f * len);
            EXPECT_GT(err, 0.0f) << "exactly 10 iterations, not a full solve";
        }
        const std::vector<SplinePoint> out = Evaluated(spline);
        EXPECT_EQ(spline.OutputCount(), c.count);
        ASSERT_EQ(out.size(), c.count);
        EXPECT_EQ(out.front(), c.a);
        EXPECT_EQ(out.back(), c.b);
        // A straight chord stays on the line between its ends (within truncation).
        for (const SplinePoint& p : out) {
            const float cross = (p.x - c.a.x) * dy - (p.y - c.a.y) * dx;
            EXPECT_LE(std::abs(cross) / len, 1.5f);
        }
    }
}

TEST(CubicSpline, EqualChordsWeighBothNeighboursAlike) {
    // A symmetric arch with equal chords: r = 1, so the middle tangent is horizontal and the
    // curve is mirror-symmetric about x = 20.
    const CubicSpline arch({{0, 0}, {20, 20}, {40, 0}});
    EXPECT_NEAR(arch.TangentsY()[1], 0.0f, 1e-4f);
    EXPECT_NEAR(arch.TangentsX()[0], arch.TangentsX()[2], 1e-4f);
    EXPECT_NEAR(arch.TangentsY()[0], -arch.TangentsY()[2], 1e-4f);
    const std::vector<SplinePoint> out = Evaluated(arch);
    ASSERT_EQ(out.size(), 12u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_NEAR(out[i].x, 40 - out[11 - i].x, 1);
        EXPECT_NEAR(out[i].y, out[11 - i].y, 1);
    }
    // Unequal chords change the weighting: the middle tangent tilts.
    const CubicSpline lopsided({{0, 0}, {20, 20}, {80, 0}});
    EXPECT_GT(std::abs(lopsided.TangentsY()[1]), 1.0f);
}

TEST(CubicSpline, PassesThroughEveryPointAndCountsItsOutput) {
    const std::vector<SplinePoint> pts{{0, 300}, {13, 120}, {50, 180}, {51, 20}, {200, 250}, {203, 251}};
    const CubicSpline spline(pts);
    const std::vector<SplinePoint> out = Evaluated(spline);
    ASSERT_EQ(out.size(), spline.OutputCount());
    // Segment i starts with P_i and ends with P_(i+1).
    std::size_t at = 0;
    for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
        const int s = std::max(std::abs(pts[i + 1].x - pts[i].x), std::abs(pts[i + 1].y - pts[i].y)) / 4;
        EXPECT_EQ(out[at], pts[i]);
        at += static_cast<std::size_t>(std::max(s, 1));
        EXPECT_EQ(out[at], pts[i + 1]);
        ++at;
    }
    EXPECT_EQ(at, out.size());
}

TEST(CubicSpline, ConsecutiveEqualPointsAreSkipped) {
    const std::vector<SplinePoint> clean{{0, 0}, {20, 30}, {60, 10}};
    const CubicSpline reference(clean);
    const CubicSpline repeated({{0, 0}, {0, 0}, {20, 30}, {20, 30}, {20, 30}, {60, 10}, {60, 10}});
    EXPECT_EQ(Evaluated(repeated), Evaluated(reference));
    for (float v : repeated.TangentsX()) EXPECT_TRUE(std::isfinite(v));
    for (float v : repeated.TangentsY()) EXPECT_TRUE(std::isfinite(v));

    for (const std::vector<SplinePoint>& degenerate :
         {std::vector<SplinePoint>{}, std::vector<SplinePoint>{{4, 4}},
          std::vector<SplinePoint>{{4, 4}, {4, 4}, {4, 4}}}) {
        const CubicSpline spline(degenerate);
        EXPECT_EQ(spline.OutputCount(), 0u);
        EXPECT_TRUE(Evaluated(spline).empty());
    }
}

// The uniform cubic B-spline from its textbook blending functions.
SplinePoint UniformBSpline(const std::vector<SplinePoint>& p, std::size_t s, double t) {
    const double w[4] = {(1 - t) * (1 - t) * (1 - t) / 6, (3 * t * t * t - 6 * t * t + 4) / 6,
                         (-3 * t * t * t + 3 * t * t + 3 * t + 1) / 6, t * t * t / 6};
    double x = 0, y = 0;
    for (int j = 0; j < 4; ++j) {
        x += w[j] * p[s + j].x;
        y += w[j] * p[s + j].y;
    }
    return {static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y))};
}

TEST(BetaSpline, BiasOneTensionZeroIsTheUniformCubicBSpline) {
    const std::vector<SplinePoint> control{{0, 400},   {100, 50},  {220, 380},
                                           {300, 100}, {450, 300}, {520, 20}};
    const BetaSpline uniform(1.0, 0.0);
    std::vector<SplinePoint> out;
    uniform.Curve(control, out);
    ASSERT_EQ(out.size(), 3u * 11u);
    for (std::size_t s = 0; s < 3; ++s) {
        for (int k = 0; k < 11; ++k) {
            const SplinePoint want = UniformBSpline(control, s, 0.1 * k);
            const SplinePoint got = out[s * 11 + static_cast<std::size_t>(k)];
            EXPECT_LE(std::abs(got.x - want.x), 1) << "segment " << s << " step " << k;
            EXPECT_LE(std::abs(got.y - want.y), 1) << "segment " << s << " step " << k;
        }
    }
}

TEST(BetaSpline, SegmentCountFollowsTheControlPoints) {
    const BetaSpline beta;  // bias 2, tension 0
    EXPECT_EQ(beta.m_bias, 2.0);
    EXPECT_EQ(beta.m_tension, 0.0);
    std::vector<SplinePoint> control{{0, 0}, {30, 90}, {60, 10}};
    std::vector<SplinePoint> out{{1, 1}};
    beta.Curve(control, out);
    EXPECT_TRUE(out.empty()) << "fewer than four control points: no segment";

    control.push_back({90, 70});
    beta.Curve(control, out);
    EXPECT_EQ(out.size(), 11u);
    control.push_back({120, 0});
    beta.Curve(control, out);
    ASSERT_EQ(out.size(), 22u);
    // The segments join: the last step of segment 0 (t just below 1) meets the start of segment 1.
    EXPECT_LE(std::abs(out[10].x - out[11].x), 4);
    EXPECT_LE(std::abs(out[10].y - out[11].y), 4);
    // The curve stays in the control points' bounding box (the weights are positive, sum to 1).
    for (const SplinePoint& p : out) {
        EXPECT_GE(p.x, 0);
        EXPECT_LE(p.x, 120);
        EXPECT_GE(p.y, 0);
        EXPECT_LE(p.y, 90);
    }
}

}  // namespace
