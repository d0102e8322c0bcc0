#pragma once

// Small builders for polygon engine tests.

#include "geometry/CommandPath.h"
#include "geometry/PolyGraph.h"

#include <utility>
#include <vector>

namespace scrivane::test {

using Contour = std::vector<std::pair<float, float>>;

// Closed contours as a command path.
inline CommandPath pathOf(const std::vector<Contour> &contours)
{
    CommandPath path;
    for (const Contour &c : contours) {
        if (c.empty())
            continue;
        path.moveTo(c[0].first, c[0].second);
        for (std::size_t i = 1; i < c.size(); ++i)
            path.lineTo(c[i].first, c[i].second);
        path.close();
    }
    return path;
}

// Closed contours straight into a graph, one edge per side.
inline void fillGraph(PolyGraph &graph, const std::vector<Contour> &contours)
{
    graph.reset(0);
    for (const Contour &c : contours) {
        const int base = graph.pointCount();
        for (const auto &p : c)
            graph.addPoint(p.first, p.second);
        for (std::size_t i = 0; i < c.size(); ++i)
            graph.addEdge(base + int(i), base + int((i + 1) % c.size()));
    }
}

inline Contour rect(float x0, float y0, float x1, float y1)
{
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

} // namespace scrivane::test
