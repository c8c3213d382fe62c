#include "analysis/CubicSpline.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr int kJacobiIterations = 10;

// Approximate solution of the tridiagonal system (lower diagonal 1, diagonal b, upper c,
// right-hand side rhs) by Jacobi iterations started at rhs / b.
std::vector<float> SolveJacobi(const std::vector<float>& b, const std::vector<float>& c,
                               const std::vector<float>& rhs) {
    const std::size_t n = b.size();
    std::vector<float> t(n), next(n);
    for (std::size_t i = 0; i < n; ++i) t[i] = rhs[i] / b[i];
    for (int it = 0; it < kJacobiIterations; ++it) {
        for (std::size_t i = 0; i < n; ++i) {
            float v = rhs[i];
            if (i > 0) v -= t[i - 1];
            if (i + 1 < n) v -= c[i] * t[i + 1];
            next[i] = v / b[i];
        }
        t.swap(next);
    }
    return t;
}

}  // namespace

CubicSpline::CubicSpline(const std::vector<SplinePoint>& points) {
    for (const SplinePoint& p : points) {
        if (m_points.empty() || !(m_points.back() == p)) m_points.push_back(p);
    }
    const std::size_t n = m_points.size();
    if (n < 2) {
        m_points.clear();
        return;
    }

    std::vector<float> dx(n - 1), dy(n - 1), len(n - 1);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        dx[i] = static_cast<float>(m_points[i + 1].x) - static_cast<float>(m_points[i].x);
        dy[i] = static_cast<float>(m_points[i + 1].y) - static_cast<float>(m_points[i].y);
        len[i] = std::sqrt(dx[i] * dx[i] + dy[i] * dy[i]);
    }
    m_ratio.assign(n - 1, 1.0f);
    for (std::size_t i = 0; i + 2 < n; ++i) m_ratio[i] = len[i] / len[i + 1];

    std::vector<float> b(n), c(n, 0.0f), rx(n), ry(n);
    b[0] = 2.0f;
    c[0] = m_ratio[0];
    rx[0] = 3.0f * dx[0];
    ry[0] = 3.0f * dy[0];
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const float r = m_ratio[i - 1];
        b[i] = 2.0f * r * (1.0f + r);
        c[i] = r * r * m_ratio[i];
        rx[i] = 3.0f * (r * r * dx[i] + dx[i - 1]);
        ry[i] = 3.0f * (r * r * dy[i] + dy[i - 1]);
    }
    b[n - 1] = 2.0f * m_ratio[n - 2];
    rx[n - 1] = 3.0f * dx[n - 2];
    ry[n - 1] = 3.0f * dy[n - 2];

    m_tx = SolveJacobi(b, c, rx);
    m_ty = SolveJacobi(b, c, ry);
}

std::size_t CubicSpline::SegmentSteps(const SplinePoint& a, const SplinePoint& b) {
    const int dx = std::abs(b.x - a.x), dy = std::abs(b.y - a.y);
    const std::size_t s = static_cast<std::size_t>((dx > dy ? dx : dy) / 4);
    return s == 0 ? 1 : s;
}

std::size_t CubicSpline::OutputCount() const {
    std::size_t count = 0;
    for (std::size_t i = 0; i + 1 < m_points.size(); ++i)
        count += SegmentSteps(m_points[i], m_points[i + 1]) + 1;
    return count;
}

void CubicSpline::Evaluate(std::vector<SplinePoint>& out) const {
    out.clear();
    out.reserve(OutputCount());
    for (std::size_t i = 0; i + 1 < m_points.size(); ++i) {
        const SplinePoint& p = m_points[i];
        const float px = static_cast<float>(p.x), py = static_cast<float>(p.y);
        const float dx = static_cast<float>(m_points[i + 1].x) - px;
        const float dy = static_cast<float>(m_points[i + 1].y) - py;
        const float ex = m_ratio[i] * m_tx[i + 1], ey = m_ratio[i] * m_ty[i + 1];
        const std::size_t s = SegmentSteps(p, m_points[i + 1]);
        out.push_back(p);
        for (std::size_t j = 1; j <= s; ++j) {
            const float t = static_cast<float>(j) / static_cast<float>(s);
            const float h01 = (3.0f - 2.0f * t) * t * t;
            const float h10 = t * (t - 1.0f) * (t - 1.0f);
            const float h11 = (t - 1.0f) * t * t;
            out.push_back({static_cast<int>(px + h01 * dx + h10 * m_tx[i] + h11 * ex),
                           static_cast<int>(py + h01 * dy + h10 * m_ty[i] + h11 * ey)});
        }
    }
}
