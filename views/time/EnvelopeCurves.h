#pragma once
// What the envelope dialog shows and edits: the measured curves, accumulated over the "edit"
// commands of the waveform, and the interpolation points the user sets with the mouse.
// All points are in picture coordinates: a picture of pictureSize pixels (the waveform's size
// when the first of the curves was measured), whatever size the dialog shows it at.

#include <QSize>
#include <vector>

#include "analysis/SplinePoint.h"

struct EnvelopeCurves {
    std::vector<SplinePoint> upper;          // x order
    std::vector<SplinePoint> lower;          // x order
    std::vector<SplinePoint> interpolation;  // x order
    QSize pictureSize;

    bool IsEmpty() const { return upper.empty() && lower.empty() && interpolation.empty(); }
    void Clear() { *this = EnvelopeCurves{}; }
};
