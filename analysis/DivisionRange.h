#pragma once
// Scale divisions of the continuous wavelet transform: n steps between the scales a and b,
// evenly spaced in the scale (linear), in its reciprocal (reciprocal) or in its logarithm
// (exponential). The transform asks for value(n), value(n - 1), ..., value(1): its first row
// has the scale b, and value(0) = a is never used.

#include <memory>

class DivisionRange {
public:
    DivisionRange(float first, float scale, int count) : a(first), b(scale), n(count) {}
    virtual ~DivisionRange() = default;
    virtual float value(int i) const = 0;

    float a;
    float b;
    int n;
};

class LinearDivision : public DivisionRange {
public:
    using DivisionRange::DivisionRange;
    float value(int i) const override;
};

class ReciprocalDivision : public DivisionRange {
public:
    using DivisionRange::DivisionRange;
    float value(int i) const override;
};

class ExponentialDivision : public DivisionRange {
public:
    using DivisionRange::DivisionRange;
    float value(int i) const override;
};

// The division of a type: 0 linear, 1 reciprocal, 2 exponential; null for any other type.
std::unique_ptr<DivisionRange> make_division(int type, float a, float b, int n);
