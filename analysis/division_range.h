#pragma once
// Scale divisions of the continuous wavelet transform: n steps between the scales a and b,
// evenly spaced in the scale (linear), in its reciprocal (reciprocal) or in its logarithm
// (exponential). The transform asks for value(n), value(n - 1), ..., value(1): its first row
// has the scale b, and value(0) = a is never used.

#include <memory>

class division_range {
public:
    division_range(float first, float scale, int count) : a(first), b(scale), n(count) {}
    virtual ~division_range() = default;
    virtual float value(int i) const = 0;

    float a;
    float b;
    int n;
};

class division_linear : public division_range {
public:
    using division_range::division_range;
    float value(int i) const override;
};

class division_reciprocal : public division_range {
public:
    using division_range::division_range;
    float value(int i) const override;
};

class division_exponential : public division_range {
public:
    using division_range::division_range;
    float value(int i) const override;
};

// The division of a type: 0 linear, 1 reciprocal, 2 exponential; null for any other type.
std::unique_ptr<division_range> make_division(int type, float a, float b, int n);
