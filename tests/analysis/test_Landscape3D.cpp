// The 3D landscape of spectra and the delay reconstruction.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "analysis/DelayReconstruction.h"
#include "analysis/Landscape3D.h"

namespace {

LandscapeSettings LinearWide() {
    LandscapeSettings s;
    s.bottomHz = 0.5;  // only the 0 Hz bin lies at or below it
    s.topHz = 100000;
    s.linearFrequency = true;
    s.epsilon = 0;
    s.halfWidth = 20;
    return s;
}

}  // namespace

TEST(Landscape3D, RainbowEnds) {
    EXPECT_EQ(RainbowColour(0), 0xFF800000u);
    EXPECT_EQ(RainbowColour(1663), 0xFFFFFFFFu);
    EXPECT_EQ(RainbowColour(383), 0xFFFFFF00u);
}

TEST(Landscape3D, HeightLinearAndLogAlikeForEightAndSixteenBits) {
    // 16-bit sound: 60 at 2^16 on the linear scale, 4 ln(1 + s) / ln 2^16 on the other.
    EXPECT_DOUBLE_EQ(Landscape3D::Height(65536, 16, true), 60.0);
    EXPECT_NEAR(Landscape3D::Height(65535, 16, false), 4.0, 1e-12);
    EXPECT_NEAR(Landscape3D::Height(99, 16, false), 4.0 * std::log(100.0) / std::log(65536.0), 1e-12);
    EXPECT_DOUBLE_EQ(Landscape3D::Height(0, 16, false), 0.0);
    // The same level relative to full scale stands as high for an 8-bit sound (|X|/N of a
    // full-scale sine: 2^14 and 2^6).
    for (bool linear : {true, false})
        for (double db : {0.0, -20.0, -60.0})
            EXPECT_NEAR(Landscape3D::Height(64 * std::pow(10.0, db / 20), 8, linear),
                        Landscape3D::Height(16384 * std::pow(10.0, db / 20), 16, linear), 1e-12)
                << linear << " " << db;
}

TEST(Landscape3D, AVertexStandsAsHighAsTheLoudestOfTheBinsItStandsFor) {
    // The Standard profile's landscape: 20 Hz .. 10 kHz across a width of 3 on a linear axis,
    // vertices at least 0.03 apart, 8192 points at 44.1 kHz. Of the bins at 990.53 Hz (184)
    // and 1001.29 Hz (186) only the first gets a vertex of its own; a sine on either gives
    // |X|/N = A / 2 on its bin and nothing elsewhere, and both stand as a full wall.
    LandscapeSettings s;
    s.bottomHz = 20;
    s.topHz = 10000;
    s.halfWidth = 3;
    s.epsilon = 0.03;
    s.linearFrequency = true;
    for (bool linear : {true, false}) {
        s.linearHeight = linear;
        for (std::size_t bin : {184u, 185u, 186u}) {
            std::vector<double> spectrum(4097, 0.0);
            spectrum[bin] = 8000.0;
            Landscape3D land;
            land.BuildRow(spectrum.data(), spectrum.size(), 44100.0, 16, s);
            ASSERT_LT(land.RowX().size(), 900u);  // thinned: about 200 vertices for 1855 bins
            const float highest = *std::max_element(land.RowHeight().begin(), land.RowHeight().end());
            EXPECT_FLOAT_EQ(highest, float(Landscape3D::Height(8000.0, 16, linear)))
                << bin * 44100.0 / 8192 << " Hz, linear " << linear;
        }
    }
}

TEST(Landscape3D, RowOf400GivesHundredRowsAndPushesOldestOut) {
    // 401 bins at 1 Hz spacing up to 400 Hz; bin 0 is at the bottom cut and is skipped.
    std::vector<double> spectrum(401, 0.0);
    Landscape3D land;
    const LandscapeSettings s = LinearWide();
    for (int row = 0; row < 101; ++row) {
        spectrum[5] = row;  // marks the row
        land.AddSpectrum(spectrum.data(), spectrum.size(), 800.0, 10, s);
    }
    ASSERT_EQ(land.RowLength(), 400);
    EXPECT_EQ(land.Rows(), 100);
    EXPECT_EQ(land.Vertices().size(), 40000u);
    EXPECT_EQ(land.TriangleCount(), 2u * 399u * 99u);
    EXPECT_TRUE(land.Full());
    // Front row holds the newest spectrum, the last row the second (the first was pushed out).
    const int mark = 4;  // bin 5 is vertex 4 (the 0 Hz bin is skipped)
    const auto& v = land.Vertices();
    EXPECT_FLOAT_EQ(v[mark].z, float(Landscape3D::Height(100, 10, false)));
    EXPECT_FLOAT_EQ(v[99 * 400 + mark].z, float(Landscape3D::Height(1, 10, false)));
    // Rows move back by one step per spectrum.
    EXPECT_NEAR(v[400].y - v[0].y, s.rowStep, 1e-5);
}

TEST(Landscape3D, RowsAddedManyAtATimeGiveTheVerticesOfAddingThemOneByOne) {
    // Rows of 400 vertices (a mesh of 100 rows), some shorter ones between them that add
    // nothing, and a row of another length that starts a new mesh; in batches of every size,
    // a batch longer than the mesh among them.
    LandscapeSettings s = LinearWide();
    s.rowStep = 0.1;  // not a power of two: y gathers rounding, which must come out alike
    const auto row = [](std::size_t length, int seed) {
        Landscape3D::BuiltRow r;
        for (std::size_t j = 0; j < length; ++j) {
            r.x.push_back(float(j) * 0.05f);
            r.height.push_back(float((j * 7 + std::size_t(seed) * 13) % 29) * 0.1f);
        }
        return r;
    };
    std::vector<Landscape3D::BuiltRow> all;
    for (int i = 0; i < 260; ++i) all.push_back(row(i % 37 == 5 ? 1 : i == 200 ? 300 : 400, i));
    Landscape3D oneByOne;
    for (const auto& r : all) {
        oneByOne.SetRow(r.x, r.height);
        oneByOne.AddRow(s, false);
    }
    for (std::size_t batch :
         {std::size_t(1), std::size_t(3), std::size_t(64), std::size_t(150), all.size()}) {
        Landscape3D batched;
        for (std::size_t from = 0; from < all.size(); from += batch) {
            std::vector<Landscape3D::BuiltRow> rows(
                all.begin() + std::ptrdiff_t(from),
                all.begin() + std::ptrdiff_t(std::min(from + batch, all.size())));
            batched.AddRows(rows, s);
        }
        ASSERT_EQ(batched.Vertices().size(), oneByOne.Vertices().size()) << batch;
        EXPECT_EQ(std::memcmp(batched.Vertices().data(), oneByOne.Vertices().data(),
                              oneByOne.Vertices().size() * sizeof(LandscapeVertex)),
                  0)
            << batch;
        EXPECT_EQ(batched.FilledRows(), oneByOne.FilledRows());
        EXPECT_EQ(batched.RowCounter(), oneByOne.RowCounter());
        EXPECT_EQ(batched.RowLength(), oneByOne.RowLength());
    }
}

TEST(Landscape3D, IndicesStayInsideAndWindConsistently) {
    std::vector<double> spectrum(401, 1.0);
    Landscape3D land;
    land.AddSpectrum(spectrum.data(), spectrum.size(), 800.0, 10, LinearWide());
    land.AddSpectrum(spectrum.data(), spectrum.size(), 800.0, 10, LinearWide());
    const auto& idx = land.Indices();
    const auto& v = land.Vertices();
    for (std::uint32_t i : idx) ASSERT_LT(i, v.size());
    // Both triangles of a cell are wound the same way, so culling keeps or drops them together.
    float first = 0;
    for (std::size_t t = 0; t < 6; t += 3) {
        const auto& a = v[idx[t]];
        const auto& b = v[idx[t + 1]];
        const auto& c = v[idx[t + 2]];
        const float nz = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        ASSERT_NE(nz, 0.f);
        if (t == 0) first = nz;
        EXPECT_GT(nz * first, 0.f) << t;
    }
}

TEST(Landscape3D, EpsilonThinsTheRow) {
    std::vector<double> spectrum(4097, 1.0);
    LandscapeSettings s = LinearWide();
    s.topHz = 22050;
    s.halfWidth = 1;
    s.epsilon = 0.2;
    Landscape3D land;
    land.BuildRow(spectrum.data(), spectrum.size(), 44100, 13, s);
    EXPECT_LE(land.RowX().size(), 11u);
    EXPECT_GE(land.RowX().size(), 9u);
    for (std::size_t i = 1; i < land.RowX().size(); ++i)
        EXPECT_GE(std::abs(land.RowX()[i] - land.RowX()[i - 1]), 0.2f - 1e-6f);
}

TEST(Landscape3D, NewRowLengthRebuildsAndClearEmpties) {
    std::vector<double> a(401, 1.0), b(201, 1.0);
    Landscape3D land;
    land.AddSpectrum(a.data(), a.size(), 800.0, 10, LinearWide());
    land.AddSpectrum(b.data(), b.size(), 400.0, 10, LinearWide());
    EXPECT_EQ(land.RowLength(), 200);
    EXPECT_EQ(land.Rows(), 200);
    EXPECT_EQ(land.FilledRows(), 1);
    land.Clear();
    EXPECT_TRUE(land.Empty());
}

TEST(DelayReconstruction, PointsNeedMoreThanTwoTau) {
    const std::vector<double> s21(21, 1000.0), s22(22, 1000.0);
    EXPECT_TRUE(DelayReconstruction::Build(s21, 32767, false, 10, 1000, true, 0).empty());
    EXPECT_FALSE(DelayReconstruction::Build(s22, 32767, false, 10, 1000, true, 0).empty());
    // Down-sampling may leave too few values for the delay: no points, never a read past the end.
    const std::vector<double> s100(100, 1000.0);
    EXPECT_TRUE(DelayReconstruction::Build(s100, 32767, false, 10, 10, true, 0).empty());
}

TEST(DelayReconstruction, DownSamplingAndColours) {
    std::vector<double> s(30000);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = double(i % 1000);
    const auto pts = DelayReconstruction::Build(s, 1000, false, 5, 10000, true, 0);
    ASSERT_EQ(pts.size(), 9999u - 10u);  // step 3, M = 9999
    EXPECT_FLOAT_EQ(pts[1].x, 2.0f * 3 / 1000);
    EXPECT_FLOAT_EQ(pts[0].y, 2.0f * 15 / 1000);
    EXPECT_EQ(pts.front().argb, 0xFF800000u);
    EXPECT_GE((pts.back().argb >> 8) & 0xFF, 0xF0u);
}

TEST(DelayReconstruction, TauCouplesPointCount) {
    EXPECT_EQ(DelayReconstruction::CoupledPointCount(10, 5), 15);
    EXPECT_EQ(DelayReconstruction::CoupledPointCount(11, 5), 11);
}

TEST(DelayReconstruction, ExportOfASineLiesOnAnEllipse) {
    // y(t) = A sin(wt): with delay d, x² - 2cos(wd)xy + y² = A² sin²(wd) for x = y(t), y = y(t+d).
    const double rate = 8000, freq = 200, amp = 16000, full = 32767;
    const int tau = 7;
    std::vector<double> s(400);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = amp * std::sin(2 * M_PI * freq * double(i) / rate);
    const std::string text = DelayReconstruction::ExportText(s, full, rate, tau, "H\r\n");
    ASSERT_EQ(text.rfind("H\r\n", 0), 0u);
    const double wd = 2 * M_PI * freq * tau / rate;
    const double a = amp / 32767.0 * 100.0;
    std::size_t pos = 3, lines = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        std::string line = text.substr(pos, end - pos);
        for (char& c : line)
            if (c == ',') c = '.';
        double t, x, y, z;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf\t%lf\t%lf\t%lf", &t, &x, &y, &z), 4) << line;
        EXPECT_NEAR(t, double(lines) / rate * 1000, 1e-9);
        EXPECT_NEAR(x * x - 2 * std::cos(wd) * x * y + y * y, a * a * std::sin(wd) * std::sin(wd), 1e-4);
        pos = end + 2;
        ++lines;
    }
    EXPECT_EQ(lines, s.size() - 2 * tau);
}
