#pragma once
// Where the windows of the client area go: tiling them side by side, and finding a place for a
// newly opened window. Pure geometry, so that the rules can be checked without windows.

#include <QRect>
#include <QSize>
#include <vector>

namespace WindowArrangement {

// Tiles count windows into area, in columns filled top to bottom (the later columns may hold one
// window fewer, which then share the column's height). Every rectangle lies inside the area and
// none overlaps another; together they cover it. A column or a window in a column gets at least
// what it needs (the windows' minimum sizes, in order) where the area has room for all needs,
// else every one gets an equal share.
std::vector<QRect> Tile(const QRect& area, const std::vector<QSize>& needs);

// A place inside area for a window of wanted's size (made smaller to fit the area) that hides as
// little of the open windows as it can: first the least of what they show together, then the
// fewest of their title bar buttons, then so that each keeps as large a visible share as can
// be, then the place nearest to wanted. open is in
// stacking order, the lowest window first (a window shows what those above it leave).
QRect LeastCoveringPlace(const QRect& area, const QRect& wanted, const std::vector<QRect>& open);

}  // namespace WindowArrangement
