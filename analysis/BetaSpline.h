#pragma once
// Cubic beta-spline (Barsky) through a list of control points, as a polyline.
//
// Bias beta1 pulls each segment towards its later control points, tension beta2 pulls the curve
// towards the control polygon; beta1 = 1, beta2 = 0 is the uniform cubic B-spline. Like every
// B-spline the curve approximates its control points rather than passing through them.

#include "analysis/SplinePoint.h"

#include <array>
#include <vector>

class BetaSpline {
public:
    explicit BetaSpline(double bias = 2.0, double tension = 0.0);
    virtual ~BetaSpline();

    // The curve as a polyline in drawing order (the first point is the move-to, every further
    // one a line-to): 11 points per segment (t = 0, 0.1, ... just below 1), segments 0 .. count-4.
    // Fewer than 4 control points: out stays empty. out is cleared first.
    void Curve(const std::vector<SplinePoint>& control, std::vector<SplinePoint>& out) const;

    double m_bias;
    double m_tension;

private:
    using Basis = std::array<std::array<double, 4>, 4>;
    Basis BasisMatrix() const;
};
