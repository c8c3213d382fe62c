#pragma once
// Parametric cubic spline through a list of pixel points, evaluated into a polyline.
//
// Each segment P_i -> P_(i+1) is a cubic Hermite curve. The tangents come from a tridiagonal
// system weighted by the chord-length ratios r_i = |d_i| / |d_(i+1)| (d_i = P_(i+1) - P_i),
// so that short and long neighbouring chords get tangents of matching speed; the end tangent of
// segment i is r_i * T_(i+1). The system is solved approximately by exactly 10 Jacobi
// iterations: enough for a smooth picture, and it keeps the curve identical from one repaint to
// the next. All arrays are single precision.
//
// Each segment yields its start point and then s further points, s = max(|dx|, |dy|) / 4
// (at least 1), so a curve point falls about every 4 pixels; the last point of a segment is
// repeated as the first point of the next one.

#include "analysis/SplinePoint.h"

#include <cstddef>
#include <vector>

class CubicSpline {
public:
    // Through the points in order. Consecutive equal points are skipped first (a zero chord has
    // no ratio). Fewer than two distinct points: no segment, no output.
    explicit CubicSpline(const std::vector<SplinePoint>& points);

    std::size_t OutputCount() const;                     // sum over the segments of s + 1
    void Evaluate(std::vector<SplinePoint>& out) const;  // clears out, then appends OutputCount() points
    const std::vector<float>& TangentsX() const { return m_tx; }  // T_i after the iterations
    const std::vector<float>& TangentsY() const { return m_ty; }

private:
    static std::size_t SegmentSteps(const SplinePoint& a, const SplinePoint& b);

    std::vector<SplinePoint> m_points;  // distinct consecutive points
    std::vector<float> m_ratio;         // r_i, one per chord
    std::vector<float> m_tx;
    std::vector<float> m_ty;
};
