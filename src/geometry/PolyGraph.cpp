#include "geometry/PolyGraph.h"

#include "geometry/EngineStorage.h"
#include "geometry/GridArithmetic.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace scrivane {

namespace {

// Sector of a direction, turning from -y towards +x, +y and -x.
// Looked up rather than branched to: directions come in any order, so the
// branches were mispredicted at most points.
int sector(double dx, double dy)
{
    // Columns: dy < 0, dy == 0, dy > 0, not a number.  Rows: dx == 0,
    // dx > 0, and dx < 0 or not a number.
    static constexpr signed char kSectors[3][4] = {{0, -1, 4, 4}, {1, 2, 3, 3}, {7, 6, 5, 7}};
    const int column = int(dy == 0) + 2 * int(dy > 0) + 3 * int(std::isnan(dy));
    const int row = int(dx > 0) + 2 * int(!(dx >= 0));
    return kSectors[row][column];
}

float snapToGrid(float v)
{
    // ldexpf(roundf(ldexpf(v, 5)), -5); scaling by a power of two is exact.
    const float scaled = v * float(engine::kGridScale);
    if (!(std::fabs(scaled) < 8388608.0f)) // 2^23: integral already, or not finite
        return std::ldexp(std::roundf(std::ldexp(v, engine::kGridShift)), -engine::kGridShift);
    return float(grid::roundHalfAway(double(scaled))) * (1.0f / float(engine::kGridScale));
}

} // namespace

struct PolyGraph::IncidentRecord {
    int edge;
    bool isStart;
    double dx;
    double dy;
    int sector;
};

namespace {

// Products of floats are exact in double, so the sign of the cross product
// is exact and the order is a strict weak order.
bool angularBefore(const PolyGraph::IncidentRecord &u, const PolyGraph::IncidentRecord &v)
{
    if (u.sector != v.sector)
        return u.sector < v.sector;
    return u.dx * v.dy - u.dy * v.dx > 0;
}

} // namespace

PolyGraph::PolyGraph() = default;

PolyGraph::~PolyGraph()
{
    releaseStorage();
}

void PolyGraph::releaseStorage()
{
    mPoints = {};
    mEdges = {};
    mKnownOnGrid = false;
    mPointData = {};
    mEdgeData = {};
    mSweepEdgeData = {};
    mWindingData = {};
    mBackData = {};
    mFlags = 0;
    mNormalized = 1;
}

void PolyGraph::reset(int n)
{
    mPoints.clear();
    mEdges.clear();
    mPointData.clear();
    mEdgeData.clear();
    mSweepEdgeData.clear();
    mWindingData.clear();
    mBackData.clear();
    mNormalized = 1;
    mKnownOnGrid = false;
    if (n > 0) {
        engine::reserveFor(mPoints, std::size_t(n));
        engine::reserveFor(mEdges, std::size_t(n));
    }
    mFlags &= ~(kPointsAdded | kEdgesUnsorted);
}

int PolyGraph::addPoint(float x, float y)
{
    GraphPoint p;
    p.x = x;
    p.y = y;
    mKnownOnGrid = false;
    if (!engine::growAppend(mPoints, p))
        return -1;
    if (hasFlag(kHasPointData) && !engine::growAppend(mPointData, PointWorkRecord{})) {
        mPoints.pop_back();
        return -1;
    }
    mFlags |= kPointsAdded;
    return pointCount() - 1;
}

bool PolyGraph::growEdgeArrays(std::size_t n)
{
    auto grow = [n](auto &v) { return v.capacity() >= n || engine::reserveFor(v, std::max(n, 2 * v.size() + 1)); };
    if (!grow(mEdges))
        return false;
    if (hasFlag(kHasEdgeData) && !grow(mEdgeData))
        return false;
    if (hasFlag(kHasSweepEdgeData) && !grow(mSweepEdgeData))
        return false;
    if (hasFlag(kHasWindingData) && !grow(mWindingData))
        return false;
    if (hasFlag(kHasBackData) && !grow(mBackData))
        return false;
    return true;
}

int PolyGraph::addEdge(int start, int end)
{
    // Indices from callers are checked: an edge must join two existing,
    // distinct points.
    if (start == end || !validPoint(start) || !validPoint(end))
        return -1;
    if (!growEdgeArrays(mEdges.size() + 1))
        return -1;
    mNormalized = 0;
    mKnownOnGrid = false;
    GraphEdge e;
    e.dx = mPoints[std::size_t(end)].x - mPoints[std::size_t(start)].x;
    e.dy = mPoints[std::size_t(end)].y - mPoints[std::size_t(start)].y;
    mEdges.push_back(e);
    const int index = edgeCount() - 1;
    if (hasFlag(kHasEdgeData)) {
        EdgeWorkRecord w;
        w.roundedDx = e.dx;
        w.roundedDy = e.dy;
        mEdgeData.push_back(w);
    }
    if (hasFlag(kHasSweepEdgeData))
        mSweepEdgeData.push_back(SweepEdgeRecord{});
    if (hasFlag(kHasWindingData))
        mWindingData.push_back(WindingRecord{});
    if (hasFlag(kHasBackData))
        mBackData.push_back(BackData{});
    connectStart(start, index);
    connectEnd(end, index);
    mFlags |= kEdgesUnsorted;
    return index;
}

void PolyGraph::connectStart(int point, int e)
{
    if (!validEdge(e) || !validPoint(point) || mEdges[std::size_t(e)].end == point)
        return;
    if (mEdges[std::size_t(e)].start >= 0)
        disconnectStart(e);
    GraphPoint &p = mPoints[std::size_t(point)];
    GraphEdge &edge = mEdges[std::size_t(e)];
    edge.start = point;
    p.outDegree += 1;
    edge.nextAtStart = -1;
    edge.prevAtStart = p.lastEdge;
    if (p.lastEdge >= 0)
        nextAt(p.lastEdge, point) = e;
    else
        p.firstEdge = e;
    p.lastEdge = e;
}

void PolyGraph::connectEnd(int point, int e)
{
    if (!validEdge(e) || !validPoint(point) || mEdges[std::size_t(e)].start == point)
        return;
    if (mEdges[std::size_t(e)].end >= 0)
        disconnectEnd(e);
    GraphPoint &p = mPoints[std::size_t(point)];
    GraphEdge &edge = mEdges[std::size_t(e)];
    edge.end = point;
    p.inDegree += 1;
    edge.nextAtEnd = -1;
    edge.prevAtEnd = p.lastEdge;
    if (p.lastEdge >= 0)
        nextAt(p.lastEdge, point) = e;
    else
        p.firstEdge = e;
    p.lastEdge = e;
}

void PolyGraph::disconnectStart(int e)
{
    if (!validEdge(e))
        return;
    GraphEdge &edge = mEdges[std::size_t(e)];
    const int point = edge.start;
    if (point < 0)
        return;
    GraphPoint &p = mPoints[std::size_t(point)];
    p.outDegree -= 1;
    const int prev = edge.prevAtStart, next = edge.nextAtStart;
    if (prev >= 0)
        nextAt(prev, point) = next;
    else
        p.firstEdge = next;
    if (next >= 0)
        prevAt(next, point) = prev;
    else
        p.lastEdge = prev;
    edge.start = -1;
    edge.prevAtStart = edge.nextAtStart = -1;
}

void PolyGraph::disconnectEnd(int e)
{
    if (!validEdge(e))
        return;
    GraphEdge &edge = mEdges[std::size_t(e)];
    const int point = edge.end;
    if (point < 0)
        return;
    GraphPoint &p = mPoints[std::size_t(point)];
    p.inDegree -= 1;
    const int prev = edge.prevAtEnd, next = edge.nextAtEnd;
    if (prev >= 0)
        nextAt(prev, point) = next;
    else
        p.firstEdge = next;
    if (next >= 0)
        prevAt(next, point) = prev;
    else
        p.lastEdge = prev;
    edge.end = -1;
    edge.prevAtEnd = edge.nextAtEnd = -1;
}

void PolyGraph::removeEdge(int e)
{
    if (!validEdge(e))
        return;
    mNormalized = 0;
    disconnectStart(e);
    disconnectEnd(e);
    const int last = edgeCount() - 1;
    if (e != last)
        swapEdges(e, last);
    mEdges.pop_back();
    if (hasFlag(kHasEdgeData))
        mEdgeData.pop_back();
    if (hasFlag(kHasSweepEdgeData))
        mSweepEdgeData.pop_back();
    if (hasFlag(kHasWindingData))
        mWindingData.pop_back();
    if (hasFlag(kHasBackData))
        mBackData.pop_back();
    mFlags |= kEdgesUnsorted;
}

void PolyGraph::reverseEdge(int e)
{
    if (!validEdge(e))
        return;
    GraphEdge &edge = mEdges[std::size_t(e)];
    std::swap(edge.start, edge.end);
    std::swap(edge.nextAtStart, edge.nextAtEnd);
    std::swap(edge.prevAtStart, edge.prevAtEnd);
    edge.dx = -edge.dx;
    edge.dy = -edge.dy;
    if (edge.start >= 0) {
        mPoints[std::size_t(edge.start)].outDegree += 1;
        mPoints[std::size_t(edge.start)].inDegree -= 1;
    }
    if (edge.end >= 0) {
        mPoints[std::size_t(edge.end)].inDegree += 1;
        mPoints[std::size_t(edge.end)].outDegree -= 1;
    }
    if (hasFlag(kHasEdgeData)) {
        EdgeWorkRecord &w = mEdgeData[std::size_t(e)];
        w.weight = -w.weight;
        w.roundedDx = -w.roundedDx;
        w.roundedDy = -w.roundedDy;
    }
    if (hasFlag(kHasWindingData))
        std::swap(mWindingData[std::size_t(e)].negativeWinding, mWindingData[std::size_t(e)].positiveWinding);
    if (hasFlag(kHasBackData))
        std::swap(mBackData[std::size_t(e)].tStart, mBackData[std::size_t(e)].tEnd);
}

void PolyGraph::swapEdges(int a, int b)
{
    if (a == b || !validEdge(a) || !validEdge(b))
        return;
    auto rename = [a, b](int x) { return x == a ? b : (x == b ? a : x); };
    // Neighbours in the incidence lists that name a or b.
    for (int x : {a, b}) {
        const GraphEdge edge = mEdges[std::size_t(x)];
        for (int side = 0; side < 2; ++side) {
            const int point = side == 0 ? edge.start : edge.end;
            if (point < 0)
                continue;
            const int prev = side == 0 ? edge.prevAtStart : edge.prevAtEnd;
            const int next = side == 0 ? edge.nextAtStart : edge.nextAtEnd;
            if (prev >= 0 && prev != a && prev != b)
                nextAt(prev, point) = rename(x);
            if (next >= 0 && next != a && next != b)
                prevAt(next, point) = rename(x);
        }
    }
    int points[4] = {mEdges[std::size_t(a)].start, mEdges[std::size_t(a)].end, mEdges[std::size_t(b)].start,
                     mEdges[std::size_t(b)].end};
    for (int i = 0; i < 4; ++i) {
        if (points[i] < 0)
            continue;
        bool seen = false;
        for (int j = 0; j < i; ++j)
            seen = seen || points[j] == points[i];
        if (seen)
            continue;
        GraphPoint &p = mPoints[std::size_t(points[i])];
        p.firstEdge = rename(p.firstEdge);
        p.lastEdge = rename(p.lastEdge);
    }
    std::swap(mEdges[std::size_t(a)], mEdges[std::size_t(b)]);
    for (int x : {a, b}) {
        GraphEdge &edge = mEdges[std::size_t(x)];
        edge.nextAtStart = rename(edge.nextAtStart);
        edge.prevAtStart = rename(edge.prevAtStart);
        edge.nextAtEnd = rename(edge.nextAtEnd);
        edge.prevAtEnd = rename(edge.prevAtEnd);
    }
    if (hasFlag(kHasEdgeData))
        std::swap(mEdgeData[std::size_t(a)], mEdgeData[std::size_t(b)]);
    if (hasFlag(kHasSweepEdgeData))
        std::swap(mSweepEdgeData[std::size_t(a)], mSweepEdgeData[std::size_t(b)]);
    if (hasFlag(kHasWindingData))
        std::swap(mWindingData[std::size_t(a)], mWindingData[std::size_t(b)]);
    if (hasFlag(kHasBackData))
        std::swap(mBackData[std::size_t(a)], mBackData[std::size_t(b)]);
}

void PolyGraph::swapPoints(int a, int b)
{
    if (a == b || !validPoint(a) || !validPoint(b))
        return;
    auto incident = [this](int point) {
        std::vector<int> edges;
        for (int e = mPoints[std::size_t(point)].firstEdge; e >= 0; e = nextAt(e, point))
            edges.push_back(e);
        return edges;
    };
    const std::vector<int> ea = incident(a), eb = incident(b);
    const int temp = pointCount();
    auto renameIn = [this](const std::vector<int> &edges, int from, int to) {
        for (int e : edges) {
            GraphEdge &edge = mEdges[std::size_t(e)];
            if (edge.start == from)
                edge.start = to;
            if (edge.end == from)
                edge.end = to;
        }
    };
    renameIn(ea, a, temp);
    renameIn(eb, b, a);
    renameIn(ea, temp, b);
    std::swap(mPoints[std::size_t(a)], mPoints[std::size_t(b)]);
    if (hasFlag(kHasPointData))
        std::swap(mPointData[std::size_t(a)], mPointData[std::size_t(b)]);
}

void PolyGraph::applyPointOrder(const std::vector<int> &order)
{
    // order[k] is the old index of the point that goes to slot k.
    const int n = int(order.size());
    std::vector<int> slotOf(static_cast<std::size_t>(n)), pointAt(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        slotOf[std::size_t(k)] = pointAt[std::size_t(k)] = k;
    for (int k = 0; k < n; ++k) {
        const int wanted = order[std::size_t(k)];
        const int from = slotOf[std::size_t(wanted)];
        if (from == k)
            continue;
        swapPoints(k, from);
        const int displaced = pointAt[std::size_t(k)];
        pointAt[std::size_t(from)] = displaced;
        slotOf[std::size_t(displaced)] = from;
        pointAt[std::size_t(k)] = wanted;
        slotOf[std::size_t(wanted)] = k;
    }
}

void PolyGraph::sortIncidence(int point, DirectionSource source, std::vector<IncidentRecord> &records)
{
    auto recordOf = [this, point, source](int e) {
        const GraphEdge &edge = mEdges[std::size_t(e)];
        double dx = edge.dx, dy = edge.dy;
        if (source == DirectionSource::WorkRecords) {
            dx = mEdgeData[std::size_t(e)].roundedDx;
            dy = mEdgeData[std::size_t(e)].roundedDy;
        } else if (source == DirectionSource::SnappedPoints) {
            const GraphPoint &a = mPoints[std::size_t(edge.start)], &b = mPoints[std::size_t(edge.end)];
            dx = snapToGrid(b.x) - snapToGrid(a.x);
            dy = snapToGrid(b.y) - snapToGrid(a.y);
        }
        const bool isStart = edge.start == point;
        // Which end the point is is a coin toss: the sign is a product.
        const double sign = double(2 * int(isStart) - 1);
        dx *= sign;
        dy *= sign;
        return IncidentRecord{e, isStart, dx, dy, sector(dx, dy)};
    };
    GraphPoint &p = mPoints[std::size_t(point)];
    // Writes the point's list in the order `recordAt(0 .. n - 1)` gives.
    auto relink = [this, &p](int n, auto recordAt) {
        p.firstEdge = recordAt(0).edge;
        p.lastEdge = recordAt(n - 1).edge;
        for (int k = 0; k < n; ++k) {
            const bool atEnd = !recordAt(k).isStart;
            GraphEdge &edge = mEdges[std::size_t(recordAt(k).edge)];
            linkAt(edge.prevAtStart, atEnd) = k > 0 ? recordAt(k - 1).edge : -1;
            linkAt(edge.nextAtStart, atEnd) = k + 1 < n ? recordAt(k + 1).edge : -1;
        }
    };
    // Most points of a result pass one edge on to the next: two edges,
    // ordered on the spot without the general list.
    const int second = p.firstEdge >= 0 ? nextAt(p.firstEdge, point) : -1;
    if (second >= 0 && nextAt(second, point) < 0) {
        IncidentRecord r[2] = {recordOf(p.firstEdge), recordOf(second)};
        if (angularBefore(r[1], r[0]))
            std::swap(r[0], r[1]);
        relink(2, [&r](int k) -> const IncidentRecord & { return r[k]; });
        return;
    }
    records.clear();
    for (int e = p.firstEdge; e >= 0; e = nextAt(e, point))
        records.push_back(recordOf(e));
    if (records.size() == 4) {
        // A crossing kept as a point: four edges, put in order by a fixed
        // network of exchanges whose outcomes are selections (the order of
        // the edges round a point is a coin toss at every comparison).
        // Directions at a point are distinct, so any sort gives this order.
        auto before = [](const IncidentRecord &u, const IncidentRecord &v) {
            return (u.sector < v.sector) | ((u.sector == v.sector) & (u.dx * v.dy - u.dy * v.dx > 0));
        };
        int at[4] = {0, 1, 2, 3};
        auto exchange = [&](int i, int j) {
            const int x = at[i], y = at[j];
            const int swap = (x ^ y) & -int(before(records[std::size_t(y)], records[std::size_t(x)]));
            at[i] = x ^ swap;
            at[j] = y ^ swap;
        };
        exchange(0, 1), exchange(2, 3), exchange(0, 2), exchange(1, 3), exchange(1, 2);
        relink(4, [&](int k) -> const IncidentRecord & { return records[std::size_t(at[k])]; });
        return;
    }
    std::sort(records.begin(), records.end(), angularBefore);
    relink(int(records.size()), [&records](int k) -> const IncidentRecord & { return records[std::size_t(k)]; });
}

bool PolyGraph::pointsOnGrid() const
{
    if (mKnownOnGrid)
        return true;
    for (const GraphPoint &p : mPoints) {
        // Multiples of 1/32 below 2^18 in size: their differences are exact
        // in floats.
        if (!(std::fabs(p.x) < 262144.0f && std::fabs(p.y) < 262144.0f) || snapToGrid(p.x) != p.x
            || snapToGrid(p.y) != p.y)
            return false;
    }
    for (const GraphEdge &e : mEdges) {
        if (e.start < 0 || e.end < 0 || e.dx != mPoints[std::size_t(e.end)].x - mPoints[std::size_t(e.start)].x
            || e.dy != mPoints[std::size_t(e.end)].y - mPoints[std::size_t(e.start)].y)
            return false;
    }
    return true;
}

void PolyGraph::sortEdges()
{
    if (!(mFlags & kEdgesUnsorted))
        return;
    const bool work = hasFlag(kHasEdgeData) && mEdgeData.size() >= mEdges.size();
    sortEdgesBy(work ? DirectionSource::WorkRecords : DirectionSource::Stored);
}

void PolyGraph::sortEdgesBy(DirectionSource source, bool passThrough)
{
    mFlags &= ~kEdgesUnsorted;
    std::vector<IncidentRecord> records;
    bool skipped = false;
    for (int i = 0; i < pointCount(); ++i) {
        const GraphPoint &p = mPoints[std::size_t(i)];
        if (!passThrough && p.inDegree == 1 && p.outDegree == 1) {
            skipped = true;
            continue;
        }
        if (p.inDegree + p.outDegree >= 2)
            sortIncidence(i, source, records);
    }
    if (skipped)
        mFlags |= kEdgesUnsorted;
}

bool PolyGraph::isEulerian(bool directed) const
{
    for (const GraphPoint &p : mPoints) {
        if (directed ? p.inDegree != p.outDegree : (p.inDegree + p.outDegree) % 2 != 0)
            return false;
    }
    return true;
}

namespace {

template <typename T>
void switchArray(std::vector<T> &v, std::uint32_t &flags, std::uint32_t bit, bool on, std::size_t n)
{
    if (on && !(flags & bit)) {
        if (engine::resizeTo(v, n))
            flags |= bit;
    } else if (!on && (flags & bit)) {
        v = {};
        flags &= ~bit;
    }
}

} // namespace

void PolyGraph::makePointData(bool on)
{
    switchArray(mPointData, mFlags, kHasPointData, on, mPoints.size());
}

void PolyGraph::makeEdgeData(bool on)
{
    switchArray(mEdgeData, mFlags, kHasEdgeData, on, mEdges.size());
}

void PolyGraph::makeSweepEdgeData(bool on)
{
    switchArray(mSweepEdgeData, mFlags, kHasSweepEdgeData, on, mEdges.size());
}

void PolyGraph::makeWindingData(bool on)
{
    switchArray(mWindingData, mFlags, kHasWindingData, on, mEdges.size());
}

void PolyGraph::makeBackData(bool on)
{
    const bool was = hasFlag(kHasBackData);
    switchArray(mBackData, mFlags, kHasBackData, on, mEdges.size());
    if (on && !was)
        std::fill(mBackData.begin(), mBackData.end(), BackData{});
}

void PolyGraph::makeSweepWorkData(bool on)
{
    makePointData(on);
    makeEdgeData(on);
    makeSweepEdgeData(on);
}

void PolyGraph::dropSweepWorkData()
{
    makeSweepWorkData(false);
}

int PolyGraph::setFlag(std::uint32_t bits, bool on)
{
    const std::uint32_t before = mFlags;
    if (on)
        mFlags |= bits;
    else
        mFlags &= ~bits;
    return before != mFlags ? 1 : 0;
}

void PolyGraph::copyFrom(const PolyGraph *source)
{
    if (!source) {
        reset(0);
        return;
    }
    if (source == this)
        return;
    makePointData(false);
    makeEdgeData(false);
    makeSweepEdgeData(false);
    makeWindingData(false);
    makeBackData(false);
    mFlags &= ~kHasSweepStructures;
    reset(source->pointCount());
    mPoints = source->mPoints;
    mEdges = source->mEdges;
    mNormalized = source->mNormalized;
    mKnownOnGrid = source->mKnownOnGrid;
    mFlags = source->mFlags & (kPointsAdded | kEdgesUnsorted);
}

} // namespace scrivane
