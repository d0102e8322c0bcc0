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
    const int rule = fillRule == engine::kEvenOdd ? engine::kEvenOdd : engine::kNonZero;
    return sweep.run(*this, GridSweep::Filling::alone(rule), source.hasFlag(kHasBackData));
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
    // Normalised operands wind 0 outside and 1 inside.
    const bool back = a->hasFlag(kHasBackData) && b->hasFlag(kHasBackData);
    return sweep.run(*this, GridSweep::Filling::combined(engine::kNonZero, engine::kNonZero, operation), back);
}

int PolyGraph::booleanOfSources(PolyGraph &a, int ruleA, PolyGraph &b, int ruleB, int operation)
{
    if (&a == &b || &a == this || &b == this)
        return engine::kBadOperands;
    if (operation < engine::kUnion || operation > engine::kCut)
        return engine::kBadOperands;
    reset(0);
    ruleA = ruleA == engine::kEvenOdd ? engine::kEvenOdd : engine::kNonZero;
    ruleB = ruleB == engine::kEvenOdd ? engine::kEvenOdd : engine::kNonZero;
    GridSweep sweep(mCrossingLimit);
    // An operand that normalisation would leave empty or refuse (not closed,
    // or a coordinate out of the grid's reach) takes part as the empty set,
    // as its empty normalised graph did in the step-by-step road; a refusal
    // is still reported.
    bool refused = false;
    auto take = [&](PolyGraph &g, int tag) {
        if (tooSmall(g))
            return false;
        if (!g.isEulerian(true) || !sweep.addGraph(g, tag)) {
            refused = true;
            return false;
        }
        return true;
    };
    const bool hasA = take(a, 0), hasB = take(b, 1);
    const int code = refused ? engine::kBadOperands : engine::kOk;
    // The set identities: nothing can be filled.
    if ((!hasA && !hasB) || (operation == engine::kIntersection && !(hasA && hasB))
        || (operation == engine::kDifference && !hasA))
        return code;
    const bool back = (!hasA || a.hasFlag(kHasBackData)) && (!hasB || b.hasFlag(kHasBackData));
    const int result = sweep.run(*this, GridSweep::Filling::combined(ruleA, ruleB, operation), back);
    return result != engine::kOk ? result : code;
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
