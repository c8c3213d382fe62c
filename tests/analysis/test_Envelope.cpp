#include "analysis/Envelope.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A square wave of period 10 samples: +a for 4 samples, 0, -a for 4 samples, 0.
int Square(std::int64_t i, int a) {
    const int phase = static_cast<int>(i % 10);
    return phase < 4 ? a : phase == 4 ? 0 : phase < 9 ? -a : 0;
}

TEST(Envelope, ScanKeepsThePeaksOfEverySevenOscillations) {
    // 1000 samples over a 520 x 220 view: the plot is 500 pixels, 2 samples per pixel.
    const Envelope::Mapping m{0.0, 1000.0, 520, 220, 10};
    std::vector<SplinePoint> upper, lower;
    // The amplitude grows by one every period, so each group shows its own last period's height.
    Envelope::Scan([](std::int64_t i) { return Square(i, 10 + static_cast<int>(i / 10)); }, 0, 700, m, upper,
                   lower);
    ASSERT_EQ(upper.size(), 10u);  // 70 periods, 7 per group
    ASSERT_EQ(lower.size(), 10u);
    for (std::size_t g = 0; g < upper.size(); ++g) {
        const int middleSample = static_cast<int>(70 * g + 35);
        EXPECT_EQ(upper[g].x, middleSample / 2 + 10) << g;
        EXPECT_EQ(lower[g].x, upper[g].x);
        const int peak = 10 + static_cast<int>(7 * g + 6);
        EXPECT_EQ(upper[g].y, 110 - peak) << g;
        EXPECT_EQ(lower[g].y, 110 + peak) << g;
    }
}

TEST(Envelope, ScanStopsAtTheEndOfTheStretch) {
    const Envelope::Mapping m{0.0, 1000.0, 520, 220, 10};
    std::vector<SplinePoint> upper{{1, 1}}, lower{{1, 1}};
    int highest = -1;
    const auto offset = [&](std::int64_t i) {
        highest = std::max(highest, static_cast<int>(i));
        return Square(i, 20);
    };
    Envelope::Scan(offset, 0, 95, m, upper, lower);  // one full group and the start of another
    EXPECT_EQ(highest, 94) << "no sample past the end is read";
    ASSERT_EQ(upper.size(), 2u);
    EXPECT_EQ(upper[1].x, (95 - (95 - 70) / 2) / 2 + 10);

    // Silence: no oscillation, one group over the whole stretch at the middle line.
    Envelope::Scan([](std::int64_t) { return 0; }, 100, 300, m, upper, lower);
    ASSERT_EQ(upper.size(), 1u);
    EXPECT_EQ(upper[0].y, 110);
    EXPECT_EQ(lower[0].y, 110);

    Envelope::Scan(offset, 300, 300, m, upper, lower);
    EXPECT_TRUE(upper.empty());
    EXPECT_TRUE(lower.empty());
}

TEST(Envelope, ToPictureStretchesFromTheOriginToTheLastPoint) {
    const std::vector<SplinePoint> points{{40, 50}, {60, 60}, {55, 70}, {60, 80}, {140, 90}};
    const std::vector<SplinePoint> mapped = Envelope::ToPicture(points, 40, 500, 2.0);
    // x going back (55) or standing (60 again) is dropped.
    const std::vector<SplinePoint> expected{{0, 100}, {100, 120}, {500, 180}};
    EXPECT_EQ(mapped, expected);
    EXPECT_TRUE(Envelope::ToPicture(points, 140, 500, 1.0).empty());
    EXPECT_TRUE(Envelope::ToPicture({}, 0, 500, 1.0).empty());
}

TEST(Envelope, MergeAveragesOnEqualXAndInsertsInOrder) {
    std::vector<SplinePoint> stored{{0, 10}, {100, 20}, {200, 30}};
    Envelope::Merge(stored, {{100, 41}, {50, 5}, {300, 7}, {0, 10}});
    const std::vector<SplinePoint> expected{{0, 10}, {50, 5}, {100, 30}, {200, 30}, {300, 7}};
    EXPECT_EQ(stored, expected);
    // Merging the same curve again changes nothing.
    const std::vector<SplinePoint> before = stored;
    Envelope::Merge(stored, before);
    EXPECT_EQ(stored, before);
}

TEST(Envelope, DrawingListRunsOutAlongTheUpperCurveAndBackAlongTheLower) {
    const std::vector<SplinePoint> list = Envelope::DrawingList({{0, 1}, {5, 2}}, {{0, 9}, {5, 8}});
    const std::vector<SplinePoint> expected{{0, 1}, {5, 2}, {5, 8}, {0, 9}};
    EXPECT_EQ(list, expected);
}

TEST(Envelope, SimplifyDropsPointsNearTheLineThroughTheirNeighbours) {
    struct Case {
        std::vector<SplinePoint> in, out;
    };
    const Case cases[] = {
        // A straight line with a little noise keeps only its ends.
        {{{0, 0}, {10, 11}, {20, 19}, {30, 31}, {40, 40}}, {{0, 0}, {40, 40}}},
        // A corner stays.
        {{{0, 100}, {10, 90}, {20, 80}, {30, 90}, {40, 100}}, {{0, 100}, {20, 80}, {40, 100}}},
        // A point 4 pixels off the line is kept, one 3 pixels off goes.
        {{{0, 50}, {20, 54}, {40, 50}}, {{0, 50}, {20, 54}, {40, 50}}},
        {{{0, 50}, {20, 53}, {40, 50}}, {{0, 50}, {40, 50}}},
        {{{0, 0}, {10, 10}}, {{0, 0}, {10, 10}}},
        {{}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(Envelope::Simplify(c.in, 3.0), c.out) << c.in.size();
}

}  // namespace
