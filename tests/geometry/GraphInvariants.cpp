#include "GraphInvariants.h"

#include "geometry/PolyGraph.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <set>
#include <sstream>

namespace scrivane::test {

namespace {

using I = std::int64_t;

struct IP {
    I x, y;
};

I orient(IP a, IP b, IP p)
{
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

int sgn(I v)
{
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
}

bool onSegmentInterior(IP a, IP b, IP p)
{
    if (orient(a, b, p) != 0)
        return false;
    const I dot1 = (p.x - a.x) * (b.x - a.x) + (p.y - a.y) * (b.y - a.y);
    const I dot2 = (p.x - b.x) * (a.x - b.x) + (p.y - b.y) * (a.y - b.y);
    return dot1 > 0 && dot2 > 0;
}

std::string describe(const char *what, int e, int f)
{
    std::ostringstream s;
    s << what << " (edges " << e << " and " << f << ")";
    return s.str();
}

} // namespace

std::vector<Segment2> segmentsOf(const PolyGraph &graph)
{
    std::vector<Segment2> out;
    for (int e = 0; e < graph.edgeCount(); ++e) {
        const GraphEdge &edge = graph.edge(e);
        if (edge.start < 0 || edge.end < 0)
            continue;
        const GraphPoint &a = graph.point(edge.start), &b = graph.point(edge.end);
        out.push_back({a.x, a.y, b.x, b.y});
    }
    return out;
}

int windingNumber(const std::vector<Segment2> &segments, double x, double y)
{
    // Standard winding number (counter-clockwise positive, y up), negated
    // to the engine's convention.
    int wn = 0;
    for (const Segment2 &s : segments) {
        const double side = (s.bx - s.ax) * (y - s.ay) - (s.by - s.ay) * (x - s.ax);
        if (s.ay <= y) {
            if (s.by > y && side > 0)
                ++wn;
        } else if (s.by <= y && side < 0) {
            --wn;
        }
    }
    return -wn;
}

double distanceToSegments(const std::vector<Segment2> &segments, double x, double y)
{
    double best = INFINITY;
    for (const Segment2 &s : segments) {
        const double dx = s.bx - s.ax, dy = s.by - s.ay;
        const double l2 = dx * dx + dy * dy;
        double t = l2 > 0 ? ((x - s.ax) * dx + (y - s.ay) * dy) / l2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(s.ax + t * dx - x, s.ay + t * dy - y));
    }
    return best;
}

double filledArea(const PolyGraph &graph)
{
    double sum = 0;
    for (const Segment2 &s : segmentsOf(graph))
        sum += s.ax * s.by - s.bx * s.ay;
    return -sum / 2;
}

namespace {

// Every grid step of every edge, as (from x, from y, to x, to y) in grid units.
std::vector<std::array<I, 4>> gridSteps(const PolyGraph &graph)
{
    std::vector<std::array<I, 4>> steps;
    for (int e = 0; e < graph.edgeCount(); ++e) {
        const GraphEdge &edge = graph.edge(e);
        if (edge.start < 0 || edge.end < 0)
            continue;
        const GraphPoint &a = graph.point(edge.start), &b = graph.point(edge.end);
        const I ax = I(std::llround(double(a.x) * 32)), ay = I(std::llround(double(a.y) * 32));
        const I bx = I(std::llround(double(b.x) * 32)), by = I(std::llround(double(b.y) * 32));
        const I g = std::gcd(bx - ax, by - ay);
        if (g == 0)
            continue;
        const I sx = (bx - ax) / g, sy = (by - ay) / g;
        for (I k = 0; k < g; ++k)
            steps.push_back({ax + k * sx, ay + k * sy, ax + (k + 1) * sx, ay + (k + 1) * sy});
    }
    std::sort(steps.begin(), steps.end());
    return steps;
}

} // namespace

std::string compareDrawings(const PolyGraph &a, const PolyGraph &b)
{
    const auto sa = gridSteps(a), sb = gridSteps(b);
    std::size_t i = 0, j = 0;
    auto show = [](const char *which, const std::array<I, 4> &s) {
        std::ostringstream m;
        m << "only " << which << " runs from (" << double(s[0]) / 32 << ", " << double(s[1]) / 32 << ") to ("
          << double(s[2]) / 32 << ", " << double(s[3]) / 32 << ")";
        return m.str();
    };
    while (i < sa.size() || j < sb.size()) {
        if (j == sb.size() || (i < sa.size() && sa[i] < sb[j]))
            return show("the first", sa[i]);
        if (i == sa.size() || sb[j] < sa[i])
            return show("the second", sb[j]);
        ++i, ++j;
    }
    return {};
}

std::string checkNormalizedGraph(const PolyGraph &graph)
{
    std::vector<IP> pts(static_cast<std::size_t>(graph.pointCount()));
    for (int i = 0; i < graph.pointCount(); ++i) {
        const GraphPoint &p = graph.point(i);
        const double gx = double(p.x) * 32, gy = double(p.y) * 32;
        if (!std::isfinite(gx) || !std::isfinite(gy) || gx != std::round(gx) || gy != std::round(gy))
            return "point " + std::to_string(i) + " is not on the grid";
        pts[std::size_t(i)] = {I(gx), I(gy)};
    }
    std::map<std::pair<I, I>, int> seenPoint;
    for (int i = 0; i < graph.pointCount(); ++i) {
        if (!seenPoint.emplace(std::make_pair(pts[std::size_t(i)].x, pts[std::size_t(i)].y), i).second)
            return "points " + std::to_string(i) + " and another share a position";
    }
    std::vector<int> in(pts.size(), 0), out(pts.size(), 0);
    std::set<std::pair<int, int>> pairs;
    const int E = graph.edgeCount();
    for (int e = 0; e < E; ++e) {
        const GraphEdge &edge = graph.edge(e);
        if (edge.start < 0 || edge.end < 0 || edge.start >= graph.pointCount() || edge.end >= graph.pointCount()
            || edge.start == edge.end)
            return "edge " + std::to_string(e) + " has bad ends";
        out[std::size_t(edge.start)]++;
        in[std::size_t(edge.end)]++;
        if (!pairs.insert({std::min(edge.start, edge.end), std::max(edge.start, edge.end)}).second)
            return "edge " + std::to_string(e) + " duplicates another";
    }
    for (std::size_t i = 0; i < pts.size(); ++i) {
        if (in[i] != out[i])
            return "point " + std::to_string(i) + " has " + std::to_string(in[i]) + " edges in and "
                + std::to_string(out[i]) + " out";
        if (in[i] != graph.point(int(i)).inDegree || out[i] != graph.point(int(i)).outDegree)
            return "point " + std::to_string(i) + " has wrong recorded degrees";
    }
    // No crossings, overlaps or points inside edges; edges sorted by x range.
    std::vector<int> order(static_cast<std::size_t>(E));
    for (int e = 0; e < E; ++e)
        order[std::size_t(e)] = e;
    auto lo = [&](int e) {
        return std::min(pts[std::size_t(graph.edge(e).start)].x, pts[std::size_t(graph.edge(e).end)].x);
    };
    auto hi = [&](int e) {
        return std::max(pts[std::size_t(graph.edge(e).start)].x, pts[std::size_t(graph.edge(e).end)].x);
    };
    std::sort(order.begin(), order.end(), [&](int a, int b) { return lo(a) < lo(b); });
    for (std::size_t i = 0; i < order.size(); ++i) {
        const int e = order[i];
        const IP a = pts[std::size_t(graph.edge(e).start)], b = pts[std::size_t(graph.edge(e).end)];
        for (std::size_t j = i + 1; j < order.size() && lo(order[j]) <= hi(e); ++j) {
            const int f = order[j];
            const IP c = pts[std::size_t(graph.edge(f).start)], d = pts[std::size_t(graph.edge(f).end)];
            const int o1 = sgn(orient(a, b, c)), o2 = sgn(orient(a, b, d));
            const int o3 = sgn(orient(c, d, a)), o4 = sgn(orient(c, d, b));
            if (o1 * o2 < 0 && o3 * o4 < 0)
                return describe("edges cross", e, f);
            if (onSegmentInterior(a, b, c) || onSegmentInterior(a, b, d) || onSegmentInterior(c, d, a)
                || onSegmentInterior(c, d, b))
                return describe("a point lies inside an edge", e, f);
        }
    }
    // Filled side: winding 1 on the (dy, -dx) side, 0 on the other.
    const std::vector<Segment2> segs = segmentsOf(graph);
    for (int e = 0; e < E; ++e) {
        const Segment2 &s = segs[std::size_t(e)];
        const double mx = (s.ax + s.bx) / 2, my = (s.ay + s.by) / 2;
        double clearance = INFINITY;
        for (int f = 0; f < E; ++f) {
            if (f != e)
                clearance = std::min(clearance, distanceToSegments({segs[std::size_t(f)]}, mx, my));
        }
        const double len = std::hypot(s.bx - s.ax, s.by - s.ay);
        const double eps = std::min(clearance / 4, len / 4);
        const double nx = (s.by - s.ay) / len * eps, ny = -(s.bx - s.ax) / len * eps;
        const int inside = windingNumber(segs, mx + nx, my + ny);
        const int outside = windingNumber(segs, mx - nx, my - ny);
        if (inside != 1 || outside != 0) {
            std::ostringstream msg;
            msg << "edge " << e << " has windings " << inside << " on its filled side and " << outside
                << " on the other";
            return msg.str();
        }
    }
    return {};
}

} // namespace scrivane::test
