#pragma once

#include "platform/Geometry.h"

#include <array>
#include <optional>
#include <vector>

namespace scrivane {

// The width of a stroke along its length: a short list of points (x the
// position along the stroke in [0, 1], y the factor the width is multiplied
// by, 1 the plain width, up to 2) and the table of 100 samples that a
// Catmull-Rom spline through them gives, entry i being the factor at i / 99.
//
// The points come from files, the pressure editor and tablets, and are not
// trusted: positions outside [0, 1] (or not numbers) count as the nearest
// end (NaN as 0), a factor that is not a number as 1; the table is never
// read or written outside its 100 entries, and no points at all give the
// flat curve at 1.
class TDPressureCurve {
public:
    static constexpr int TableSize = 100;

    // (0, 1) and (1, 1): the flat curve at the plain width.
    static std::vector<Point> defaultPoints();

    // The order of the points: by x, then by y, a position that is not a
    // number after every other; a strict weak ordering, so sorting keeps
    // equal points in the order they came.
    static bool sortPointX(Point a, Point b);
    static void sortPoints(std::vector<Point> &points);

    // Drops, from sorted points, those the curve does not need: a point
    // closer than 0.05 in x to the one before it, and a point that lies
    // within 0.1 (in x and y) of the spline through its neighbours; in
    // passes until a pass drops nothing.
    static void removeRedundantPoints(std::vector<Point> &points);

    // The table for the points (sorted first, in place).
    static std::array<float, TableSize> table(std::vector<Point> &points);

    // The table read at position t, linearly between entries: below 0 (or
    // not a number) the first entry, at 1 and beyond the last.
    static float read(const std::array<float, TableSize> &table, float t);
    // The slope of the table at t (per unit of position): 0 outside [0, 1].
    static float slope(const std::array<float, TableSize> &table, float t);

    // One value of the spline segment from a to b (neighbours p before a
    // and c after b) at parameter t in [0, 1].
    static Point catmullRom(Point p, Point a, Point b, Point c, float t);
};

} // namespace scrivane
