#pragma once

// Helpers shared by the path tests: element listings (those of the path
// base class's tests), reproducible random paths and a few reference
// computations done the slow, obvious way.

#include "../platform/PathBaseTestSupport.h"
#include "model/TDBezierPath.h"

#include <cmath>
#include <initializer_list>
#include <random>
#include <vector>

namespace scrivane::test {

inline bool finitePath(const PathBase &path)
{
    for (const auto &e : path.elements())
        for (const Point &p : e.points)
            if (!std::isfinite(p.x) || !std::isfinite(p.y))
                return false;
    return true;
}

// A move to the first point and lines to the others.
inline TDBezierPath polyline(std::initializer_list<Point> points)
{
    TDBezierPath path;
    bool first = true;
    for (Point p : points) {
        if (first)
            path.moveTo(p);
        else
            path.lineTo(p);
        first = false;
    }
    return path;
}

// A path of several subpaths of lines and curves (some closed) inside a
// page-sized area.
inline TDBezierPath randomPath(std::mt19937 &random, int elements, float size = 500.0f)
{
    std::uniform_real_distribution<float> coordinate(0.0f, size);
    std::uniform_int_distribution<int> kind(0, 9);
    TDBezierPath path;
    path.moveTo(Point(coordinate(random), coordinate(random)));
    for (int i = 1; i < elements; ++i) {
        const int k = kind(random);
        if (k < 4)
            path.lineTo(Point(coordinate(random), coordinate(random)));
        else if (k < 8)
            path.curveTo(Point(coordinate(random), coordinate(random)),
                         Point(coordinate(random), coordinate(random)),
                         Point(coordinate(random), coordinate(random)));
        else if (k == 8)
            path.close();
        else
            path.moveTo(Point(coordinate(random), coordinate(random)));
    }
    return path;
}

// The overall fraction mapping done literally: lengths subtracted one by
// one in single precision.
inline int referenceElementPercentage(const TDBezierPathCache &path, float &t, float f)
{
    const int n = path.elementCount();
    float d = f * path.length();
    for (int i = 1; i < n; ++i) {
        d = d - path.lengthOfElement(i);
        if (d < 0.0f) {
            t = (d + path.lengthOfElement(i)) / path.lengthOfElement(i);
            return i;
        }
    }
    for (int j = n - 1; j >= 1; --j) {
        if (path.lengthOfElement(j) != 0.0f) {
            t = d / path.lengthOfElement(j) + 1.0f;
            return j;
        }
    }
    return -1;
}

} // namespace scrivane::test
