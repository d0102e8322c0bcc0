#pragma once

// Small builders for polygon engine tests.

#include "geometry/CommandPath.h"
#include "geometry/PolyGraph.h"

#include <algorithm>
#include <cmath>
#include <limits>
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

// The path's subpaths as polylines, flattened finely without back data.
inline std::vector<Contour> polylinesOf(const CommandPath &path, float tolerance = 0.001f)
{
    CommandPath flat = path;
    flat.convertToPolylineNoSplit(tolerance);
    std::vector<Contour> out;
    for (const PolylinePoint &p : flat.points()) {
        if (p.kind == kPolylineMoveTo || out.empty())
            out.emplace_back();
        if (p.kind != kPolylineForced)
            out.back().push_back({p.x, p.y});
    }
    return out;
}

// The area the path fills, every subpath closed, in the engine's
// orientation (the side of (dy, -dx) filled counts positive).
inline double areaOf(const CommandPath &path)
{
    double sum = 0;
    for (const Contour &c : polylinesOf(path))
        for (std::size_t i = 0; i < c.size(); ++i) {
            const auto &a = c[i], &b = c[(i + 1) % c.size()];
            sum += double(a.first) * b.second - double(b.first) * a.second;
        }
    return -sum / 2;
}

// Distance from a point to the nearest segment of the polylines (open:
// their closing segments do not count).
inline double distanceToPolylines(const std::vector<Contour> &lines, double x, double y)
{
    double best = std::numeric_limits<double>::infinity();
    for (const Contour &c : lines) {
        if (c.size() == 1)
            best = std::min(best, std::hypot(x - c[0].first, y - c[0].second));
        for (std::size_t i = 0; i + 1 < c.size(); ++i) {
            const double ax = c[i].first, ay = c[i].second, bx = c[i + 1].first, by = c[i + 1].second;
            const double dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
            const double u = l2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / l2, 0.0, 1.0) : 0.0;
            best = std::min(best, std::hypot(x - (ax + u * dx), y - (ay + u * dy)));
        }
    }
    return best;
}

} // namespace scrivane::test
