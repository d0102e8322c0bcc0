#include "geometry/GridSweep.h"

#include "geometry/EngineStorage.h"
#include "geometry/PolyGraph.h"
#include "geometry/SweepEventQueue.h"
#include "geometry/SweepTreeList.h"

#include <algorithm>
#include <new>

namespace scrivane {

using grid::ExactPoint;
using grid::GridPoint;
using grid::Int;

namespace {

// Direction order of edges leaving one point upwards in sweep order: from
// the smaller-x side to the larger-x side just past the point.
bool leftOf(const GridPoint &u, const GridPoint &v)
{
    return grid::cross(u.x, u.y, v.x, v.y) < 0;
}

GridPoint direction(const GridPoint &from, const GridPoint &to)
{
    return {to.x - from.x, to.y - from.y};
}

} // namespace

GridSweep::GridSweep(std::int64_t crossingLimit)
    : mLimit(crossingLimit)
{
}

bool GridSweep::addGraph(PolyGraph &graph, int tag)
{
    std::vector<GridPoint> points(std::size_t(graph.pointCount()));
    for (int i = 0; i < graph.pointCount(); ++i) {
        const GraphPoint &p = graph.point(i);
        if (!grid::toGrid(p.x, points[std::size_t(i)].x) || !grid::toGrid(p.y, points[std::size_t(i)].y))
            return false;
    }
    if (!engine::reserveFor(mSegments, mSegments.size() + std::size_t(graph.edgeCount())))
        return false;
    for (int e = 0; e < graph.edgeCount(); ++e) {
        const GraphEdge &edge = graph.edge(e);
        if (edge.start < 0 || edge.end < 0)
            continue;
        Segment s;
        s.a = points[std::size_t(edge.start)];
        s.b = points[std::size_t(edge.end)];
        // An edge shorter than the grid step vanishes: its two ends become
        // one point, which keeps every degree balanced.
        if (s.a == s.b)
            continue;
        if (grid::before(s.b, s.a)) {
            std::swap(s.a, s.b);
            s.reversed = true;
        }
        s.graph = &graph;
        s.edge = e;
        s.tag = tag;
        mSegments.push_back(s);
    }
    return true;
}

// Exact Bentley-Ottmann sweep over the segments: every point where the
// status changes (an end point or a crossing) becomes a hot pixel.
bool GridSweep::findCrossings()
{
    const int m = int(mSegments.size());
    struct End {
        GridPoint p;
        int segment;
        bool start;
    };
    std::vector<End> ends;
    ends.reserve(std::size_t(2 * m));
    for (int i = 0; i < m; ++i) {
        ends.push_back({mSegments[std::size_t(i)].a, i, true});
        ends.push_back({mSegments[std::size_t(i)].b, i, false});
    }
    std::sort(ends.begin(), ends.end(), [](const End &l, const End &r) { return grid::before(l.p, r.p); });
    mHot.reserve(ends.size() / 2 + 16);
    for (std::size_t k = 0; k < ends.size(); ++k) {
        if (k == 0 || !(ends[k].p == ends[k - 1].p))
            mHot.push_back(ends[k].p);
    }

    // The status never holds more segments than are active at once.
    int active = 0, capacity = 0;
    for (const End &e : ends) {
        active += e.start ? 1 : -1;
        capacity = std::max(capacity, active);
    }
    SweepTreeList list(capacity);
    SweepEventQueue queue(capacity);
    std::vector<SweepTree *> nodeOf(static_cast<std::size_t>(m), nullptr);
    list.edgeNodes = &nodeOf;
    auto segmentOf = [this](const SweepTree *t) -> const Segment & { return mSegments[std::size_t(t->edge)]; };
    auto contains = [&](const SweepTree *t, const ExactPoint &p) {
        return grid::orientExact(segmentOf(t).a, segmentOf(t).b, p) == 0;
    };
    auto testPair = [&](SweepTree *l, SweepTree *r, const ExactPoint &p) {
        if (!l || !r)
            return;
        const Segment &s = segmentOf(l), &t = segmentOf(r);
        if (!grid::properlyCross(s.a, s.b, t.a, t.b))
            return;
        double tl = 0, tr = 0;
        const ExactPoint q = grid::crossingPoint(s.a, s.b, t.a, t.b, &tl);
        if (grid::compare(q, p) <= 0)
            return;
        grid::crossingPoint(t.a, t.b, s.a, s.b, &tr);
        l->removeEvent(queue, false);
        r->removeEvent(queue, true);
        queue.add(l, r, q, float(tl), float(tr));
    };

    std::vector<int> block, inserting;
    std::size_t vi = 0;
    while (vi < ends.size() || queue.count > 0) {
        ExactPoint p;
        bool isVertex = false;
        std::size_t vEnd = vi;
        if (vi < ends.size()) {
            const ExactPoint vp = ExactPoint::of(ends[vi].p);
            if (queue.count == 0 || grid::compare(vp, queue.event(queue.top()).at) <= 0) {
                p = vp;
                isVertex = true;
                while (vEnd < ends.size() && ends[vEnd].p == ends[vi].p)
                    ++vEnd;
            } else {
                p = queue.event(queue.top()).at;
            }
        } else {
            p = queue.event(queue.top()).at;
        }

        SweepTree *seed = nullptr;
        while (queue.count > 0 && grid::compare(queue.event(queue.top()).at, p) == 0) {
            SweepEvent e;
            queue.extract(e);
            seed = e.leftNode;
        }
        if (isVertex) {
            for (std::size_t k = vi; k < vEnd; ++k) {
                if (!ends[k].start)
                    seed = nodeOf[std::size_t(ends[k].segment)];
            }
        }
        SweepTree *leftN = nullptr, *rightN = nullptr, *first = nullptr, *last = nullptr;
        if (!seed) {
            for (BalancedNode *n = list.root; n;) {
                SweepTree *t = static_cast<SweepTree *>(n);
                const int o = grid::orientExact(segmentOf(t).a, segmentOf(t).b, p);
                if (o == 0) {
                    seed = t;
                    break;
                }
                if (o > 0) {
                    rightN = t;
                    n = n->left;
                } else {
                    leftN = t;
                    n = n->right;
                }
            }
        }
        block.clear();
        if (seed) {
            first = last = seed;
            while (first->leftNode() && contains(first->leftNode(), p))
                first = first->leftNode();
            while (last->rightNode() && contains(last->rightNode(), p))
                last = last->rightNode();
            leftN = first->leftNode();
            rightN = last->rightNode();
            for (SweepTree *t = first;; t = t->rightNode()) {
                block.push_back(t->edge);
                if (t == last)
                    break;
            }
        }
        if (!isVertex) {
            if (!engine::growAppend(mHot, p.pixel()))
                return false;
            if (++mCrossings > mLimit)
                return false;
        }

        inserting.clear();
        for (int s : block) {
            if (!(p.isGridPoint() && mSegments[std::size_t(s)].b == p.whole()))
                inserting.push_back(s);
        }
        if (isVertex) {
            for (std::size_t k = vi; k < vEnd; ++k) {
                if (ends[k].start)
                    inserting.push_back(ends[k].segment);
            }
        }
        const int leftSeg = leftN ? leftN->edge : -1;
        const int rightSeg = rightN ? rightN->edge : -1;
        for (int s : block) {
            nodeOf[std::size_t(s)]->remove(list, queue, true);
            nodeOf[std::size_t(s)] = nullptr;
        }
        leftN = leftSeg >= 0 ? nodeOf[std::size_t(leftSeg)] : nullptr;
        rightN = rightSeg >= 0 ? nodeOf[std::size_t(rightSeg)] : nullptr;
        if (!inserting.empty() && leftN)
            leftN->removeEvent(queue, false);
        std::sort(inserting.begin(), inserting.end(), [this](int i, int j) {
            const Segment &s = mSegments[std::size_t(i)], &t = mSegments[std::size_t(j)];
            const GridPoint u = direction(s.a, s.b), v = direction(t.a, t.b);
            const Int c = grid::cross(u.x, u.y, v.x, v.y);
            return c != 0 ? c < 0 : i < j;
        });
        SweepTree *prev = leftN, *firstNew = nullptr;
        for (int s : inserting) {
            const Segment &seg = mSegments[std::size_t(s)];
            SweepTree *node = list.add(seg.graph, s, -1, !seg.reversed);
            if (!node)
                return false;
            const int position = !prev ? BalancedNode::kLeftmost
                                       : (!rightN ? BalancedNode::kRightmost : BalancedNode::kBetween);
            if (node->insertAndRebalance(list.root, position, prev, rightN, true) != 0)
                return false;
            if (!firstNew)
                firstNew = node;
            prev = node;
        }
        if (firstNew) {
            testPair(leftN, firstNew, p);
            testPair(prev, rightN, p);
        } else {
            testPair(leftN, rightN, p);
        }
        if (isVertex)
            vi = vEnd;
    }
    return true;
}

// Snap rounding: every segment becomes the chain of the hot pixels it
// passes, in order along it.  Hot pixels are half-open squares; a hot pixel
// whose centre lies exactly on a chain link (the segment only grazed the
// open side of its square) is put into the chain too, so that no point of
// the result lies inside an edge.
bool GridSweep::routeSegments()
{
    std::sort(mHot.begin(), mHot.end(), grid::before);
    mHot.erase(std::unique(mHot.begin(), mHot.end()), mHot.end());
    if (!mIndex.build(mHot))
        return false;
    const std::int64_t pieceLimit = 4 * mLimit + 4 * std::int64_t(mSegments.size());
    std::vector<int> route, candidates;
    std::vector<std::pair<Int, int>> ordered;
    for (int i = 0; i < int(mSegments.size()); ++i) {
        const Segment &s = mSegments[std::size_t(i)];
        route.clear();
        candidates.clear();
        mIndex.query(s.a, s.b, [&](int h) {
            if (HotPixelIndex::meetsPixel(s.a, s.b, mHot[std::size_t(h)], true))
                route.push_back(h);
            else
                candidates.push_back(h);
        });
        const GridPoint d = direction(s.a, s.b);
        ordered.clear();
        for (int h : route) {
            const GridPoint &c = mHot[std::size_t(h)];
            ordered.push_back({(c.x - s.a.x) * d.x + (c.y - s.a.y) * d.y, h});
        }
        std::sort(ordered.begin(), ordered.end());
        route.clear();
        for (const auto &o : ordered)
            route.push_back(o.second);
        for (int c : candidates) {
            const GridPoint &C = mHot[std::size_t(c)];
            for (std::size_t k = 0; k + 1 < route.size(); ++k) {
                const GridPoint &P = mHot[std::size_t(route[k])], &Q = mHot[std::size_t(route[k + 1])];
                if (grid::orient(P, Q, C) == 0 && (C.x - P.x) * (Q.x - P.x) + (C.y - P.y) * (Q.y - P.y) > 0
                    && (C.x - Q.x) * (P.x - Q.x) + (C.y - Q.y) * (P.y - Q.y) > 0) {
                    route.insert(route.begin() + std::ptrdiff_t(k + 1), c);
                    break;
                }
            }
        }
        // Source parameters by projection on the source edge.
        float t0 = 0.0f, t1 = 0.0f;
        const bool back = s.graph->hasFlag(PolyGraph::kHasBackData);
        if (back) {
            t0 = s.graph->backData(s.edge).tStart;
            t1 = s.graph->backData(s.edge).tEnd;
        }
        const GridPoint S = s.reversed ? s.b : s.a, E = s.reversed ? s.a : s.b;
        const double len2 = double(E.x - S.x) * double(E.x - S.x) + double(E.y - S.y) * double(E.y - S.y);
        auto paramAt = [&](int h) {
            if (!back)
                return 0.0f;
            const GridPoint &c = mHot[std::size_t(h)];
            double u = (double(c.x - S.x) * double(E.x - S.x) + double(c.y - S.y) * double(E.y - S.y)) / len2;
            u = std::clamp(u, 0.0, 1.0);
            return float(double(t0) * (1.0 - u) + double(t1) * u);
        };
        for (std::size_t k = 0; k + 1 < route.size(); ++k) {
            const int from = s.reversed ? route[k + 1] : route[k];
            const int to = s.reversed ? route[k] : route[k + 1];
            Piece piece;
            piece.u = std::min(from, to);
            piece.v = std::max(from, to);
            piece.sign = from < to ? 1 : -1;
            piece.tag = s.tag;
            piece.segment = i;
            piece.tu = paramAt(piece.u);
            piece.tv = paramAt(piece.v);
            if (!engine::growAppend(mPieces, piece) || std::int64_t(mPieces.size()) > pieceLimit)
                return false;
        }
    }
    return true;
}

int GridSweep::buildResult(PolyGraph &destination, Rule rule, bool backData)
{
    std::sort(mPieces.begin(), mPieces.end(),
              [](const Piece &l, const Piece &r) { return l.u < r.u || (l.u == r.u && l.v < r.v); });
    struct Merged {
        int u, v;
        int weight[2];
        int piece;
    };
    std::vector<Merged> merged;
    merged.reserve(mPieces.size());
    for (std::size_t k = 0; k < mPieces.size();) {
        Merged e{mPieces[k].u, mPieces[k].v, {0, 0}, int(k)};
        std::size_t j = k;
        for (; j < mPieces.size() && mPieces[j].u == e.u && mPieces[j].v == e.v; ++j)
            e.weight[mPieces[j].tag] += mPieces[j].sign;
        if (e.weight[0] != 0 || e.weight[1] != 0)
            merged.push_back(e);
        k = j;
    }

    // Windings: a second sweep over the rounded graph, which has no
    // crossings, so the status only gains and loses edges.
    const int H = int(mHot.size());
    const int E = int(merged.size());
    std::vector<int> upStart(static_cast<std::size_t>(H) + 1, 0), downStart(static_cast<std::size_t>(H) + 1, 0);
    for (const Merged &e : merged) {
        upStart[std::size_t(e.u) + 1] += 1;
        downStart[std::size_t(e.v) + 1] += 1;
    }
    for (int p = 0; p < H; ++p) {
        upStart[std::size_t(p) + 1] += upStart[std::size_t(p)];
        downStart[std::size_t(p) + 1] += downStart[std::size_t(p)];
    }
    std::vector<int> ups(static_cast<std::size_t>(E)), downs(static_cast<std::size_t>(E));
    {
        std::vector<int> fillUp(upStart.begin(), upStart.end() - 1), fillDown(downStart.begin(), downStart.end() - 1);
        for (int e = 0; e < E; ++e) {
            ups[std::size_t(fillUp[std::size_t(merged[std::size_t(e)].u)]++)] = e;
            downs[std::size_t(fillDown[std::size_t(merged[std::size_t(e)].v)]++)] = e;
        }
    }
    struct Winding {
        int left[2];
        int right[2];
    };
    std::vector<Winding> winding(static_cast<std::size_t>(E));
    int active = 0, capacity = 0;
    for (int p = 0; p < H; ++p) {
        active += (upStart[std::size_t(p) + 1] - upStart[std::size_t(p)])
            - (downStart[std::size_t(p) + 1] - downStart[std::size_t(p)]);
        capacity = std::max(capacity, active);
    }
    SweepTreeList list(capacity);
    SweepEventQueue noEvents(0);
    std::vector<SweepTree *> nodeOf(static_cast<std::size_t>(E), nullptr);
    list.edgeNodes = &nodeOf;
    std::vector<int> upward;
    for (int p = 0; p < H; ++p) {
        const int d0 = downStart[std::size_t(p)], d1 = downStart[std::size_t(p) + 1];
        const int u0 = upStart[std::size_t(p)], u1 = upStart[std::size_t(p) + 1];
        if (d0 == d1 && u0 == u1)
            continue;
        const GridPoint &P = mHot[std::size_t(p)];
        SweepTree *leftN = nullptr, *rightN = nullptr;
        if (d0 < d1) {
            SweepTree *first = nodeOf[std::size_t(downs[std::size_t(d0)])], *last = first;
            while (first->leftNode() && merged[std::size_t(first->leftNode()->edge)].v == p)
                first = first->leftNode();
            while (last->rightNode() && merged[std::size_t(last->rightNode()->edge)].v == p)
                last = last->rightNode();
            leftN = first->leftNode();
            rightN = last->rightNode();
        } else {
            for (BalancedNode *n = list.root; n;) {
                SweepTree *t = static_cast<SweepTree *>(n);
                const Merged &e = merged[std::size_t(t->edge)];
                if (grid::orient(mHot[std::size_t(e.u)], mHot[std::size_t(e.v)], P) > 0) {
                    rightN = t;
                    n = n->left;
                } else {
                    leftN = t;
                    n = n->right;
                }
            }
        }
        int w[2] = {0, 0};
        if (leftN) {
            w[0] = winding[std::size_t(leftN->edge)].right[0];
            w[1] = winding[std::size_t(leftN->edge)].right[1];
        }
        const int leftEdge = leftN ? leftN->edge : -1, rightEdge = rightN ? rightN->edge : -1;
        for (int k = d0; k < d1; ++k) {
            const int e = downs[std::size_t(k)];
            nodeOf[std::size_t(e)]->remove(list, noEvents, true);
            nodeOf[std::size_t(e)] = nullptr;
        }
        leftN = leftEdge >= 0 ? nodeOf[std::size_t(leftEdge)] : nullptr;
        rightN = rightEdge >= 0 ? nodeOf[std::size_t(rightEdge)] : nullptr;
        upward.assign(ups.begin() + u0, ups.begin() + u1);
        std::sort(upward.begin(), upward.end(), [&](int i, int j) {
            return leftOf(direction(P, mHot[std::size_t(merged[std::size_t(i)].v)]),
                          direction(P, mHot[std::size_t(merged[std::size_t(j)].v)]));
        });
        SweepTree *prev = leftN;
        for (int e : upward) {
            SweepTree *node = list.add(nullptr, e, p, true);
            if (!node)
                return engine::kTooComplex;
            const int position = !prev ? BalancedNode::kLeftmost
                                       : (!rightN ? BalancedNode::kRightmost : BalancedNode::kBetween);
            node->insertAndRebalance(list.root, position, prev, rightN, true);
            Winding &wd = winding[std::size_t(e)];
            for (int g = 0; g < 2; ++g) {
                wd.left[g] = w[g];
                w[g] += merged[std::size_t(e)].weight[g];
                wd.right[g] = w[g];
            }
            prev = node;
        }
    }

    auto filled = [rule](const int *w) {
        switch (rule) {
        case Rule::EvenOdd: return (w[0] % 2) != 0;
        case Rule::NonZero: return w[0] != 0;
        case Rule::Union: return w[0] != 0 || w[1] != 0;
        case Rule::Intersection: return w[0] != 0 && w[1] != 0;
        case Rule::Difference: return w[0] != 0 && w[1] == 0;
        case Rule::ExclusiveOr: return (w[0] != 0) != (w[1] != 0);
        }
        return false;
    };

    // Keep the edges between filled and empty, turned so that the filled
    // side lies on the side of (dy, -dx).
    std::vector<int> slot(static_cast<std::size_t>(H), -1);
    destination.reset(0);
    destination.makeBackData(backData);
    for (int e = 0; e < E; ++e) {
        const Merged &m = merged[std::size_t(e)];
        const bool inLeft = filled(winding[std::size_t(e)].left);
        const bool inRight = filled(winding[std::size_t(e)].right);
        if (inLeft == inRight)
            continue;
        for (int p : {m.u, m.v}) {
            if (slot[std::size_t(p)] < 0)
                slot[std::size_t(p)] = -2;
        }
    }
    for (int p = 0; p < H; ++p) {
        if (slot[std::size_t(p)] == -2) {
            slot[std::size_t(p)] = destination.addPoint(grid::fromGrid(mHot[std::size_t(p)].x),
                                                        grid::fromGrid(mHot[std::size_t(p)].y));
            if (slot[std::size_t(p)] < 0)
                return engine::kTooComplex;
        }
    }
    for (int e = 0; e < E; ++e) {
        const Merged &m = merged[std::size_t(e)];
        const bool inLeft = filled(winding[std::size_t(e)].left);
        const bool inRight = filled(winding[std::size_t(e)].right);
        if (inLeft == inRight)
            continue;
        const bool forward = inRight;
        const int from = forward ? m.u : m.v, to = forward ? m.v : m.u;
        const int index = destination.addEdge(slot[std::size_t(from)], slot[std::size_t(to)]);
        if (index < 0)
            return engine::kTooComplex;
        if (backData) {
            const Piece &piece = mPieces[std::size_t(m.piece)];
            const Segment &s = mSegments[std::size_t(piece.segment)];
            BackData b = s.graph->hasFlag(PolyGraph::kHasBackData) ? s.graph->backData(s.edge) : BackData{};
            b.tStart = forward ? piece.tu : piece.tv;
            b.tEnd = forward ? piece.tv : piece.tu;
            destination.backData(index) = b;
        }
    }
    for (int p = 0; p < destination.pointCount(); ++p) {
        GraphPoint &gp = destination.mPoints[std::size_t(p)];
        gp.recordedDegree = gp.inDegree + gp.outDegree;
    }
    destination.mFlags |= PolyGraph::kEdgesUnsorted;
    if (!destination.isEulerian(true)) {
        destination.reset(0);
        destination.mNormalized = 0;
        return engine::kNotEulerian;
    }
    destination.mNormalized = 1;
    return engine::kOk;
}

int GridSweep::run(PolyGraph &destination, Rule rule, bool backData)
{
    mCrossings = 0;
    mHot.clear();
    mPieces.clear();
    try {
        if (!findCrossings() || !routeSegments()) {
            destination.reset(0);
            return engine::kTooComplex;
        }
        const int result = buildResult(destination, rule, backData);
        if (result != engine::kOk && result != engine::kNotEulerian)
            destination.reset(0);
        return result;
    } catch (const std::bad_alloc &) {
        destination.reset(0);
        return engine::kTooComplex;
    }
}

} // namespace scrivane
