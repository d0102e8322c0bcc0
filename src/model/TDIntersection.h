#pragma once

#include "platform/Geometry.h"

#include <QString>

#include <vector>

namespace scrivane {

// Where a straight segment crosses a path element: the element's index (-1
// for an element given on its own, outside any path), the curve parameter of
// the crossing within the element (for a line, the fraction along it) and
// the crossing point.
struct TDIntersection {
    int segment = -1;
    float t = 0;
    Point point;

    constexpr TDIntersection() = default;
    constexpr TDIntersection(int segment_, float t_, Point point_) : segment(segment_), t(t_), point(point_)
    {
    }
    friend constexpr bool operator==(const TDIntersection &, const TDIntersection &) = default;

    static TDIntersection intersectionOnSegment(int segment, float t, Point point)
    {
        return TDIntersection(segment, t, point);
    }

    // "(segment, t, (x,y))" with t, x and y to two decimals.
    QString description() const;
};

// Orders two intersections by their parameter: -1, 0 or 1.
int intersectionTSort(const TDIntersection &a, const TDIntersection &b);

// Sorts by increasing parameter; crossings with equal parameters keep their
// order.
void sortIntersectionsByT(std::vector<TDIntersection> &intersections);

} // namespace scrivane
