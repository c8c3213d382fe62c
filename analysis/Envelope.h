#pragma once
// The envelope of a stretch of sound: how its loudness rises and falls.
//
// The scan walks the samples in groups of seven oscillations (seven runs above and below the
// zero line) and keeps, per group, the highest and the lowest pixel offset at the group's
// middle: one upper and one lower point per group. The edit pictures accumulate such point
// lists ("stored curves"), which the functions below merge and simplify. Everything here
// works on pixel points and knows nothing of widgets.

#include "analysis/SplinePoint.h"

#include <cstdint>
#include <functional>
#include <vector>

class Envelope {
public:
    // The waveform's pixel mapping: samples first .. last (exclusive) span the plot, which is
    // inset margin pixels on every side of a width x height area; offsets are measured from the
    // plot's middle line, upwards positive.
    struct Mapping {
        double first = 0.0, last = 0.0;
        int width = 0, height = 0, margin = 0;
    };
    using OffsetAt = std::function<int(std::int64_t sample)>;

    // Scans samples from .. to (to exclusive; both inside the mapped stretch) and replaces
    // upper and lower by one point per group. Nothing when from >= to.
    static void Scan(const OffsetAt& offset, std::int64_t from, std::int64_t to, const Mapping& mapping,
                     std::vector<SplinePoint>& upper, std::vector<SplinePoint>& lower);

    // Points of the waveform mapped into a picture pictureWidth wide: x from originX .. lastX
    // (the last point's x) onto 0 .. pictureWidth, y scaled by yScale. Only points whose x goes
    // on increasing are taken; nothing when the last point is not right of originX.
    static std::vector<SplinePoint> ToPicture(const std::vector<SplinePoint>& points, int originX,
                                              int pictureWidth, double yScale);

    // Merges points into a curve kept in x order: a point on the x of a stored point averages
    // the two heights, any other is inserted at its place.
    static void Merge(std::vector<SplinePoint>& stored, const std::vector<SplinePoint>& points);

    // The outline to draw: the upper curve, then the lower one backwards.
    static std::vector<SplinePoint> DrawingList(const std::vector<SplinePoint>& upper,
                                                const std::vector<SplinePoint>& lower);

    // Thins a polyline: keeps the ends and as few inner points as it can such that every
    // dropped point lies within tolerance pixels of the straight line between the kept points
    // around it.
    static std::vector<SplinePoint> Simplify(const std::vector<SplinePoint>& points, double tolerance);
};
