#include "analysis/BetaSpline.h"

#include <cstddef>

namespace {
constexpr int kPointsPerSegment = 11;
}

BetaSpline::BetaSpline(double bias, double tension) : m_bias(bias), m_tension(tension) {}

BetaSpline::~BetaSpline() = default;

BetaSpline::Basis BetaSpline::BasisMatrix() const {
    const double b1 = m_bias, b2 = m_tension;
    const double b1s = b1 * b1, b1c = b1s * b1;
    const double delta = 2.0 * b1c + 4.0 * b1s + 4.0 * b1 + b2 + 2.0;
    Basis m = {{
        {-2.0 * b1c, 2.0 * (b2 + b1c + b1s + b1), -2.0 * (b2 + b1s + b1 + 1.0), 2.0},
        {6.0 * b1c, -3.0 * (b2 + 2.0 * b1c + 2.0 * b1s), 3.0 * (b2 + 2.0 * b1s), 0.0},
        {-6.0 * b1c, 6.0 * (b1c - b1), 6.0 * b1, 0.0},
        {2.0 * b1c, b2 + 4.0 * (b1s + b1), 2.0, 0.0},
    }};
    for (auto& row : m)
        for (double& v : row) v /= delta;
    return m;
}

void BetaSpline::Curve(const std::vector<SplinePoint>& control, std::vector<SplinePoint>& out) const {
    out.clear();
    if (control.size() < 4) return;
    const Basis m = BasisMatrix();
    out.reserve((control.size() - 3) * kPointsPerSegment);
    for (std::size_t s = 0; s + 3 < control.size(); ++s) {
        // The parameter advances by adding 0.1, which gives 0 .. just below 1.
        double t = 0.0;
        for (int k = 0; k < kPointsPerSegment; ++k, t += 0.1) {
            const double powers[4] = {t * t * t, t * t, t, 1.0};
            double x = 0.0, y = 0.0;
            for (int j = 0; j < 4; ++j) {
                double w = 0.0;
                for (int i = 0; i < 4; ++i) w += powers[i] * m[i][j];
                x += w * control[s + j].x;
                y += w * control[s + j].y;
            }
            out.push_back({static_cast<int>(x), static_cast<int>(y)});
        }
    }
}
