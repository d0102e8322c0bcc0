#include "geometry/PolyGraph.h"

#include "geometry/GridSweep.h"

#include <cmath>
#include <cstdio>

namespace scrivane {

namespace {

bool tooSmall(const PolyGraph &g)
{
    return g.pointCount() < 2 || g.edgeCount() < 2;
}

// The destination becomes a copy of a normalised operand, back data
// included, so that a boolean with an empty operand still rebuilds curves.
void copyOperand(PolyGraph &destination, const PolyGraph &source)
{
    destination.reset(source.pointCount());
    const bool back = source.hasFlag(PolyGraph::kHasBackData);
    destination.makeBackData(back);
    for (int i = 0; i < source.pointCount(); ++i)
        destination.addPoint(source.point(i).x, source.point(i).y);
    for (int e = 0; e < source.edgeCount(); ++e) {
        const int index = destination.addEdge(source.edge(e).start, source.edge(e).end);
        if (index >= 0 && back)
            destination.backData(index) = source.backData(e);
    }
    destination.markNormalized();
}

} // namespace

int PolyGraph::normalize(PolyGraph &source, int fillRule)
{
    if (&source == this)
        return engine::kBadOperands;
    reset(0);
    if (tooSmall(source))
        return engine::kOk;
    if (!source.isEulerian(true))
        return engine::kBadOperands;
    GridSweep sweep(mCrossingLimit);
    if (!sweep.addGraph(source, 0)) {
        reset(0);
        return engine::kBadOperands;
    }
    const auto rule = fillRule == engine::kEvenOdd ? GridSweep::Rule::EvenOdd : GridSweep::Rule::NonZero;
    return sweep.run(*this, rule, source.hasFlag(kHasBackData));
}

int PolyGraph::boolean(PolyGraph *a, PolyGraph *b, int operation)
{
    if (!a || !b || a == b || a == this || b == this)
        return engine::kBadOperands;
    if (operation < engine::kUnion || operation > engine::kCut)
        return engine::kBadOperands;
    reset(0);
    const bool emptyA = tooSmall(*a), emptyB = tooSmall(*b);
    if ((!emptyA && !a->normalized()) || (!emptyB && !b->normalized()))
        return engine::kBadOperands;
    if (emptyA || emptyB) {
        // The set identities: A with nothing, or nothing with B.
        switch (operation) {
        case engine::kUnion:
        case engine::kCut:
        case engine::kExclusiveOr:
            if (!emptyA)
                copyOperand(*this, *a);
            else if (!emptyB)
                copyOperand(*this, *b);
            break;
        case engine::kDifference:
            if (!emptyA)
                copyOperand(*this, *a);
            break;
        default:
            break;
        }
        return engine::kOk;
    }
    GridSweep sweep(mCrossingLimit);
    if (!sweep.addGraph(*a, 0) || !sweep.addGraph(*b, 1)) {
        reset(0);
        return engine::kBadOperands;
    }
    GridSweep::Rule rule = GridSweep::Rule::Union;
    if (operation == engine::kIntersection)
        rule = GridSweep::Rule::Intersection;
    else if (operation == engine::kDifference)
        rule = GridSweep::Rule::Difference;
    else if (operation == engine::kExclusiveOr)
        rule = GridSweep::Rule::ExclusiveOr;
    const bool back = a->hasFlag(kHasBackData) && b->hasFlag(kHasBackData);
    return sweep.run(*this, rule, back);
}

int PolyGraph::reorientCopy(PolyGraph &source)
{
    // Orienting a source without crossings is the even-odd normalisation of
    // it; the sweep also copes with crossings that rounding would create.
    return normalize(source, engine::kEvenOdd);
}

int PolyGraph::windingAt(float x, float y) const
{
    int whole = 0;
    int halves = 0;
    for (int e = 0; e < edgeCount(); ++e) {
        const GraphEdge &edge = mEdges[std::size_t(e)];
        if (edge.start < 0 || edge.end < 0)
            continue;
        const GraphPoint &s = mPoints[std::size_t(edge.start)], &t = mPoints[std::size_t(edge.end)];
        if (s.x == t.x)
            continue;
        const int weight = hasFlag(kHasEdgeData) && mEdgeData.size() > std::size_t(e) ? mEdgeData[std::size_t(e)].weight : 1;
        const int contribution = t.x < s.x ? weight : -weight;
        const float lo = std::fmin(s.x, t.x), hi = std::fmax(s.x, t.x);
        if (x < lo || x > hi)
            continue;
        if (x == s.x || x == t.x) {
            const GraphPoint &onLine = x == s.x ? s : t;
            if (onLine.y < y)
                halves += contribution;
            continue;
        }
        const double u = (double(x) - s.x) / (double(t.x) - s.x);
        const double yy = s.y + u * (double(t.y) - s.y);
        if (std::fmin(s.y, t.y) >= y || yy >= y)
            continue;
        whole += contribution;
    }
    return whole + halves / 2;
}

void PolyGraph::dumpCrossings() const
{
    auto orient = [](const GraphPoint &a, const GraphPoint &b, const GraphPoint &p) {
        return (double(b.x) - a.x) * (double(p.y) - a.y) - (double(b.y) - a.y) * (double(p.x) - a.x);
    };
    for (int i = 0; i < edgeCount(); ++i) {
        for (int j = i + 1; j < edgeCount(); ++j) {
            const GraphEdge &e = mEdges[std::size_t(i)], &f = mEdges[std::size_t(j)];
            if (e.start < 0 || e.end < 0 || f.start < 0 || f.end < 0)
                continue;
            const GraphPoint &a = mPoints[std::size_t(e.start)], &b = mPoints[std::size_t(e.end)];
            const GraphPoint &c = mPoints[std::size_t(f.start)], &d = mPoints[std::size_t(f.end)];
            const double o1 = orient(c, d, a), o2 = orient(c, d, b), o3 = orient(a, b, c), o4 = orient(a, b, d);
            if (o1 * o2 < 0 && o3 * o4 < 0) {
                const double t = o1 / (o1 - o2);
                std::printf("%i %i  %f %f \n", i, j, a.x + t * (double(b.x) - a.x), a.y + t * (double(b.y) - a.y));
            }
        }
    }
    std::fflush(stdout);
}

} // namespace scrivane
