#include "geometry/PolyGraph.h"

#include "geometry/EngineCodes.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace scrivane {

namespace {

constexpr float kFlatness = 5.0f;
constexpr int kArcDepth = 8;

EnginePoint add(EnginePoint a, EnginePoint b)
{
    return {a.x + b.x, a.y + b.y};
}

EnginePoint sub(EnginePoint a, EnginePoint b)
{
    return {a.x - b.x, a.y - b.y};
}

EnginePoint scale(EnginePoint a, float k)
{
    return {a.x * k, a.y * k};
}

float dot(EnginePoint a, EnginePoint b)
{
    return a.x * b.x + a.y * b.y;
}

float cross(EnginePoint a, EnginePoint b)
{
    return a.x * b.y - a.y * b.x;
}

EnginePoint unit(EnginePoint v)
{
    const float l = std::hypot(v.x, v.y);
    return l > 0.0f ? EnginePoint{v.x / l, v.y / l} : v;
}

// The side of a direction on which the normalised graph is filled.
EnginePoint filledSide(EnginePoint d)
{
    return {d.y, -d.x};
}

// A closed loop of straight and quadratic edges, added to the graph turning
// the one way every piece of a stroke turns, whatever order it was built in.
class Loop {
public:
    void to(EnginePoint p) { mVertices.push_back({p, false, {}}); }
    void curveTo(EnginePoint p, EnginePoint control) { mVertices.push_back({p, true, control}); }

    void addTo(PolyGraph &graph) const
    {
        const std::size_t n = mVertices.size();
        if (n < 3)
            return;
        double area = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const EnginePoint a = mVertices[i].point, b = mVertices[(i + 1) % n].point;
            area += double(a.x) * b.y - double(b.x) * a.y;
        }
        if (!(area != 0))
            return;
        std::vector<int> index(n);
        for (std::size_t i = 0; i < n; ++i)
            index[i] = graph.addPoint(mVertices[i].point.x, mVertices[i].point.y);
        for (std::size_t i = 0; i < n; ++i) {
            // The edge into vertex i comes from vertex i - 1.
            const std::size_t from = (i + n - 1) % n;
            const Vertex &v = mVertices[i];
            const bool forward = area > 0;
            const int a = forward ? index[from] : index[i], b = forward ? index[i] : index[from];
            const EnginePoint pa = mVertices[forward ? from : i].point, pb = mVertices[forward ? i : from].point;
            if (v.curved)
                graph.addQuadraticArc(a, b, v.control, pa, pb, kFlatness, kArcDepth);
            else
                graph.addEdge(a, b);
        }
    }

private:
    struct Vertex {
        EnginePoint point;
        bool curved;
        EnginePoint control;
    };
    std::vector<Vertex> mVertices;
};

} // namespace

void PolyGraph::addQuadraticArc(int from, int to, EnginePoint control, EnginePoint start, EnginePoint end,
                                float flatness, int depth)
{
    if (std::fabs(cross(sub(start, control), sub(end, control))) < flatness || depth <= 0) {
        addEdge(from, to);
        return;
    }
    const EnginePoint m = {(start.x + 2 * control.x + end.x) / 4, (start.y + 2 * control.y + end.y) / 4};
    const int middle = addPoint(m.x, m.y);
    if (middle < 0)
        return;
    addQuadraticArc(from, middle, scale(add(start, control), 0.5f), start, m, flatness, depth - 1);
    addQuadraticArc(middle, to, scale(add(control, end), 0.5f), m, end, flatness, depth - 1);
}

void PolyGraph::addStrokeBand(EnginePoint a, float ha, EnginePoint b, float hb)
{
    EnginePoint d = sub(b, a);
    if (!(dot(d, d) > 0.0f))
        return;
    if (dot(d, d) > 0.0001f)
        d = unit(d);
    const EnginePoint n = filledSide(d);
    Loop loop;
    loop.to(add(a, scale(n, ha)));
    loop.to(add(b, scale(n, hb)));
    loop.to(sub(b, scale(n, hb)));
    loop.to(sub(a, scale(n, ha)));
    loop.addTo(*this);
}

void PolyGraph::addStrokeCap(float h, int cap, EnginePoint p, EnginePoint d)
{
    const EnginePoint n = filledSide(d);
    const EnginePoint l = add(p, scale(n, h)), r = sub(p, scale(n, h)), ahead = scale(d, h);
    Loop loop;
    switch (cap) {
    case engine::kCapSquare:
        loop.to(r);
        loop.to(add(r, ahead));
        loop.to(add(l, ahead));
        loop.to(l);
        break;
    case engine::kCapRound:
        loop.to(r);
        loop.curveTo(add(p, ahead), add(r, ahead));
        loop.curveTo(l, add(l, ahead));
        break;
    case engine::kCapPointed:
        loop.to(r);
        loop.to(add(p, ahead));
        loop.to(l);
        break;
    default: return;
    }
    loop.addTo(*this);
}

void PolyGraph::addStrokeJoin(float h, int join, EnginePoint p, EnginePoint a, EnginePoint b, float limit)
{
    const float turn = cross(a, b);
    if (std::fabs(turn) < 0.0001f) {
        // Straight on the bands meet; a round join turning right round is a
        // half round beyond the corner.
        if (dot(a, b) < 0.0f && join == engine::kJoinRound)
            addStrokeCap(h, engine::kCapRound, p, a);
        return;
    }
    // The outer side of the turn: the bands leave a wedge open there.
    const float side = turn > 0 ? 1.0f : -1.0f;
    const EnginePoint oa = scale(filledSide(a), side), ob = scale(filledSide(b), side);
    const EnginePoint in = add(p, scale(oa, h)), out = add(p, scale(ob, h));
    const EnginePoint m = unit(add(oa, ob));
    const float c = dot(m, oa); // the cosine of half the turn
    Loop loop;
    loop.to(p);
    loop.to(in);
    if (join == engine::kJoinMiter && c > 1e-6f) {
        const float tip = h / c, cutAt = std::max(limit, h * c);
        if (tip <= cutAt) {
            loop.to(add(p, scale(m, tip)));
        } else {
            // Cut square to the bisector at its distance from the corner.
            // Forwards from the incoming side, backwards from the outgoing.
            const float along = dot(a, m), back = -dot(b, m);
            if (along > 0.0f && back > 0.0f) {
                loop.to(add(in, scale(a, (cutAt - dot(sub(in, p), m)) / along)));
                loop.to(sub(out, scale(b, (cutAt - dot(sub(out, p), m)) / back)));
            }
        }
        loop.to(out);
    } else if (join == engine::kJoinRound && c > 1e-6f) {
        if (dot(oa, ob) >= 0.0f) {
            loop.curveTo(out, add(p, scale(m, h / c)));
        } else {
            // Through the middle of the arc, each half with its control where
            // the tangent there meets the side.
            const EnginePoint middle = add(p, scale(m, h));
            const float along = dot(a, m), back = -dot(b, m);
            loop.curveTo(middle, along > 0.0f ? add(in, scale(a, (h - h * c) / along)) : middle);
            loop.curveTo(out, back > 0.0f ? sub(out, scale(b, (h - h * c) / back)) : middle);
        }
    } else {
        loop.to(out);
    }
    loop.addTo(*this);
}

int PolyGraph::offsetGraph(const PolyGraph &source, float distance, int join, float limit)
{
    if (&source == this || !std::isfinite(distance))
        return engine::kBadOperands;
    if (distance == 0.0f) {
        reset(source.pointCount());
        for (int i = 0; i < source.pointCount(); ++i)
            addPoint(source.point(i).x, source.point(i).y);
        for (int e = 0; e < source.edgeCount(); ++e)
            addEdge(source.edge(e).start, source.edge(e).end);
        return engine::kOk;
    }
    if (source.pointCount() < 2 || source.edgeCount() < 2 || !source.normalized())
        return engine::kBadOperands;
    reset(0);
    const float h = std::fabs(distance);
    // Away from the filled side for a positive distance, into it otherwise.
    const float side = distance > 0 ? -1.0f : 1.0f;
    const int edges = source.edgeCount();
    std::vector<EnginePoint> direction(static_cast<std::size_t>(edges));
    std::vector<float> length(static_cast<std::size_t>(edges));
    for (int e = 0; e < edges; ++e) {
        const GraphEdge &edge = source.edge(e);
        const EnginePoint d = {source.point(edge.end).x - source.point(edge.start).x,
                               source.point(edge.end).y - source.point(edge.start).y};
        length[std::size_t(e)] = std::hypot(d.x, d.y);
        direction[std::size_t(e)] = dot(d, d) > 0.0001f ? unit(d) : d;
    }
    // Each edge's offset runs from the last point of the corner at its start
    // to the first point of the corner at its end.
    std::vector<int> startPoint(std::size_t(edges), -1), endPoint(std::size_t(edges), -1);
    std::vector<std::pair<double, int>> around;
    for (int p = 0; p < source.pointCount(); ++p) {
        const GraphPoint &pt = source.point(p);
        const EnginePoint corner = {pt.x, pt.y};
        // The edges at the point by the angle of their direction away from it.
        around.clear();
        for (int e = 0; e < edges; ++e) {
            const GraphEdge &edge = source.edge(e);
            if (edge.start == p)
                around.push_back({std::atan2(direction[std::size_t(e)].y, direction[std::size_t(e)].x), e});
            else if (edge.end == p)
                around.push_back({std::atan2(-direction[std::size_t(e)].y, -direction[std::size_t(e)].x), ~e});
        }
        std::sort(around.begin(), around.end());
        const int n = int(around.size());
        for (int k = 0; k < n; ++k) {
            if (around[std::size_t(k)].second < 0)
                continue;
            const int e = around[std::size_t(k)].second;
            // The incoming edge across the offset side's wedge: the next one
            // turning towards that side.
            int f = -1;
            for (int step = 1; step < n && f < 0; ++step) {
                const int other = around[std::size_t((k + (side < 0 ? step : n - step)) % n)].second;
                if (other < 0)
                    f = ~other;
            }
            if (f < 0)
                continue;
            const EnginePoint a = direction[std::size_t(f)], b = direction[std::size_t(e)];
            const EnginePoint na = scale(filledSide(a), side), nb = scale(filledSide(b), side);
            const EnginePoint in = add(corner, scale(na, h)), out = add(corner, scale(nb, h));
            const float turn = cross(a, b) * -side;
            std::vector<EnginePoint> points;
            if (std::fabs(cross(a, b)) < 0.0001f && dot(a, b) > 0.9999f) {
                points = {in};
            } else if (turn > 0.0f) {
                // The inner side: where the two offset lines meet, when that
                // lies on both edges, else through the corner itself.
                const float t = cross(sub(out, in), b) / cross(a, b);
                const float reach = std::min(length[std::size_t(f)], length[std::size_t(e)]);
                if (std::isfinite(t) && t <= 0.0f && -t <= reach)
                    points = {add(in, scale(a, t))};
                else
                    points = {in, corner, out};
            } else {
                points.push_back(in);
                const EnginePoint m = unit(add(na, nb));
                const float c = dot(m, na);
                if (join == engine::kJoinMiter && c > 1e-6f) {
                    const float tip = h / c, cutAt = std::max(limit, h * c);
                    if (tip <= cutAt) {
                        points.push_back(add(corner, scale(m, tip)));
                    } else if (dot(a, m) > 0.0f && dot(b, m) < 0.0f) {
                        points.push_back(add(in, scale(a, (cutAt - dot(sub(in, corner), m)) / dot(a, m))));
                        points.push_back(sub(out, scale(b, (cutAt - dot(sub(out, corner), m)) / -dot(b, m))));
                    }
                } else if (join == engine::kJoinRound && c > 1e-6f) {
                    // Points on the circle, at most a twelfth of a turn apart.
                    const float from = std::atan2(na.y, na.x);
                    float sweep = std::atan2(nb.y, nb.x) - from;
                    while (sweep > 3.14159265f)
                        sweep -= 6.2831853f;
                    while (sweep < -3.14159265f)
                        sweep += 6.2831853f;
                    const int steps = std::max(1, int(std::ceil(std::fabs(sweep) / 0.5236f)));
                    for (int s = 1; s < steps; ++s) {
                        const float angle = from + sweep * float(s) / float(steps);
                        points.push_back(add(corner, {h * std::cos(angle), h * std::sin(angle)}));
                    }
                }
                points.push_back(out);
            }
            int previous = -1;
            for (const EnginePoint &q : points) {
                const int index = addPoint(q.x, q.y);
                if (previous >= 0)
                    addEdge(previous, index);
                else
                    endPoint[std::size_t(f)] = index;
                previous = index;
            }
            startPoint[std::size_t(e)] = previous;
        }
    }
    for (int e = 0; e < edges; ++e)
        if (startPoint[std::size_t(e)] >= 0 && endPoint[std::size_t(e)] >= 0)
            addEdge(startPoint[std::size_t(e)], endPoint[std::size_t(e)]);
    return engine::kOk;
}

} // namespace scrivane
