// The reduced trace covers the pixels of the full polyline through every point, give or take
// the one pixel in which the line rasteriser places the ends of its segments.

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <vector>

#include "views/time/TraceBuilder.h"

namespace {

constexpr QSize kSize(300, 200);

QImage Blank() {
    QImage image(kSize, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

// Lowest and highest red pixel of a column, or (-1, -1).
std::pair<int, int> RedRun(const QImage& image, int x) {
    int lo = -1, hi = -1;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixel(x, y) == qRgb(255, 0, 0)) {
            if (lo < 0) lo = y;
            hi = y;
        }
    return {lo, hi};
}

void Compare(const std::vector<QPoint>& points, int tolerance) {
    QImage full = Blank();
    {
        QPainter painter(&full);
        painter.setPen(QPen(QColor(255, 0, 0), 0));
        painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    }
    TraceBuilder trace;
    for (const QPoint& p : points) trace.Add(p.x(), p.y());
    trace.Finish();
    QImage reduced = Blank();
    {
        QPainter painter(&reduced);
        trace.Draw(painter, QColor(255, 0, 0), QRect(QPoint(0, 0), kSize));
    }
    for (int x = 0; x < kSize.width(); ++x) {
        const auto [fullLo, fullHi] = RedRun(full, x);
        const auto [lo, hi] = RedRun(reduced, x);
        ASSERT_EQ(fullLo < 0, lo < 0) << "column " << x;
        EXPECT_NEAR(lo, fullLo, tolerance) << "column " << x;
        EXPECT_NEAR(hi, fullHi, tolerance) << "column " << x;
    }
}

TEST(TraceBuilder, ADenseTraceDrawsTheColumnsOfTheFullPolyline) {
    // 40 points per column of a wobbling signal, partly beyond the picture.
    std::vector<QPoint> points;
    unsigned seed = 1;
    for (int i = 0; i < 40 * 280; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int swing = static_cast<int>((seed >> 16) % 61) - 30;
        points.emplace_back(10 + i / 40,
                            100 + static_cast<int>(80 * std::sin(i / 700.0)) + swing + (i > 10000 ? 150 : 0));
    }
    Compare(points, 1);
}

TEST(TraceBuilder, ASparseTraceIsDrawnAsItsPolyline) {
    std::vector<QPoint> points;
    for (int i = 0; i < 30; ++i) points.emplace_back(10 + i * 9, 100 + (i % 2 ? 60 : -60));
    Compare(points, 0);
}

}  // namespace
