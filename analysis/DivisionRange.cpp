#include "analysis/DivisionRange.h"

#include <cmath>

// Every step is rounded to float, as the rest of the transform computes.
float LinearDivision::value(int i) const {
    const float step = static_cast<float>(b - a) * static_cast<float>(i);
    return a + step / static_cast<float>(n);
}

float ReciprocalDivision::value(int i) const {
    const float ra = 1.0f / a;
    const float rb = 1.0f / b;
    const float step = static_cast<float>(rb - ra) * static_cast<float>(i) / static_cast<float>(n);
    return 1.0f / (ra + step);
}

float ExponentialDivision::value(int i) const {
    const float ratio = b / a;
    const float exponent = static_cast<float>(i) / static_cast<float>(n);
    return a * std::pow(ratio, exponent);
}

std::unique_ptr<DivisionRange> make_division(int type, float a, float b, int n) {
    switch (type) {
        case 0:
            return std::make_unique<LinearDivision>(a, b, n);
        case 1:
            return std::make_unique<ReciprocalDivision>(a, b, n);
        case 2:
            return std::make_unique<ExponentialDivision>(a, b, n);
        default:
            return nullptr;
    }
}
