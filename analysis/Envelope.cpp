#include "analysis/Envelope.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kRoundsPerGroup = 7;

double DistanceToLine(const SplinePoint& p, const SplinePoint& a, const SplinePoint& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len = std::hypot(dx, dy);
    if (len == 0.0) return std::hypot(p.x - a.x, p.y - a.y);
    return std::abs(dx * (p.y - a.y) - dy * (p.x - a.x)) / len;
}

}  // namespace

void Envelope::Scan(const OffsetAt& offset, std::int64_t from, std::int64_t to, const Mapping& m,
                    std::vector<SplinePoint>& upper, std::vector<SplinePoint>& lower) {
    upper.clear();
    lower.clear();
    const double span = m.last - m.first;
    const int plotW = m.width - 2 * m.margin;
    const int middle = (m.height - 2 * m.margin) / 2 + m.margin;
    if (from >= to || span <= 0.0 || plotW <= 0) return;

    std::int64_t i = from;
    int y = offset(i);
    // Advances one sample; false at the end of the stretch (the group ends there).
    const auto step = [&]() {
        if (++i >= to) return false;
        y = offset(i);
        return true;
    };
    while (i < to) {
        const std::int64_t start = i;
        int peak = 0, trough = 0;
        bool more = true;
        for (int round = 0; round < kRoundsPerGroup && more; ++round) {
            while (more && y > 0) {
                peak = std::max(peak, y);
                more = step();
            }
            while (more && y == 0) more = step();
            while (more && y < 0) {
                trough = std::min(trough, y);
                more = step();
            }
            while (more && y == 0) more = step();
        }
        const std::int64_t mid = i - (i - start) / 2;
        const int x = static_cast<int>(static_cast<double>(mid) - m.first >= 0.0
                                           ? (static_cast<double>(mid) - m.first) * plotW / span
                                           : 0.0) +
                      m.margin;
        upper.push_back({x, middle - peak});
        lower.push_back({x, middle - trough});
    }
}

std::vector<SplinePoint> Envelope::ToPicture(const std::vector<SplinePoint>& points, int originX,
                                             int pictureWidth, double yScale) {
    std::vector<SplinePoint> mapped;
    if (points.empty() || points.back().x <= originX) return mapped;
    const double scale = static_cast<double>(pictureWidth) / (points.back().x - originX);
    int lastX = 0;
    for (const SplinePoint& p : points) {
        if (!mapped.empty() && p.x <= lastX) continue;
        if (p.x < originX) continue;
        lastX = p.x;
        mapped.push_back({static_cast<int>((p.x - originX) * scale), static_cast<int>(p.y * yScale)});
    }
    return mapped;
}

void Envelope::Merge(std::vector<SplinePoint>& stored, const std::vector<SplinePoint>& points) {
    for (const SplinePoint& p : points) {
        const auto at =
            std::lower_bound(stored.begin(), stored.end(), p,
                             [](const SplinePoint& a, const SplinePoint& b) { return a.x < b.x; });
        if (at != stored.end() && at->x == p.x)
            at->y = (at->y + p.y) / 2;
        else
            stored.insert(at, p);
    }
}

std::vector<SplinePoint> Envelope::DrawingList(const std::vector<SplinePoint>& upper,
                                               const std::vector<SplinePoint>& lower) {
    std::vector<SplinePoint> list(upper);
    list.insert(list.end(), lower.rbegin(), lower.rend());
    return list;
}

std::vector<SplinePoint> Envelope::Simplify(const std::vector<SplinePoint>& points, double tolerance) {
    if (points.size() <= 2) return points;
    // Douglas-Peucker: a stretch between two kept points keeps its farthest point when that
    // lies beyond the tolerance, and is split there; otherwise its inner points go.
    std::vector<bool> keep(points.size(), false);
    keep.front() = keep.back() = true;
    std::vector<std::pair<std::size_t, std::size_t>> stretches{{0, points.size() - 1}};
    while (!stretches.empty()) {
        const auto [a, b] = stretches.back();
        stretches.pop_back();
        std::size_t farthest = a;
        double distance = tolerance;
        for (std::size_t k = a + 1; k < b; ++k) {
            const double d = DistanceToLine(points[k], points[a], points[b]);
            if (d > distance) {
                distance = d;
                farthest = k;
            }
        }
        if (farthest == a) continue;
        keep[farthest] = true;
        stretches.push_back({a, farthest});
        stretches.push_back({farthest, b});
    }
    std::vector<SplinePoint> kept;
    for (std::size_t k = 0; k < points.size(); ++k)
        if (keep[k]) kept.push_back(points[k]);
    return kept;
}
