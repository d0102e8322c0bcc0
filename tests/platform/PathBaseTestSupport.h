#pragma once

// Helpers shared by the tests of paths, here and in the model's tests:
// element listings and distances.

#include "platform/PathBase.h"

#include <cmath>
#include <ostream>
#include <vector>

namespace scrivane::test {

using Type = PathElementType;

struct ElementView {
    Type type;
    std::vector<Point> points;
    friend bool operator==(const ElementView &, const ElementView &) = default;
    friend void PrintTo(const ElementView &e, std::ostream *out)
    {
        *out << "{" << int(e.type);
        for (const Point &p : e.points)
            *out << " (" << p.x << ", " << p.y << ")";
        *out << "}";
    }
};

inline std::vector<ElementView> elementsOf(const PathBase &path)
{
    std::vector<ElementView> out;
    for (int i = 0; i < path.elementCount(); ++i) {
        Point p[3];
        const Type type = path.elementAtIndex(i, p);
        const int n = type == Type::CurveTo ? 3 : type == Type::ClosePath ? 0 : 1;
        out.push_back({type, std::vector<Point>(p, p + n)});
    }
    return out;
}

inline std::vector<Type> typesOf(const PathBase &path)
{
    std::vector<Type> out;
    for (int i = 0; i < path.elementCount(); ++i)
        out.push_back(path.elementAtIndex(i));
    return out;
}

inline double distance(Point a, Point b)
{
    return std::hypot(double(a.x) - b.x, double(a.y) - b.y);
}

} // namespace scrivane::test
