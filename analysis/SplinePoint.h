#pragma once
// An integer pixel point: the input and output of the smoothing curves.

struct SplinePoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const SplinePoint&, const SplinePoint&) = default;
};
