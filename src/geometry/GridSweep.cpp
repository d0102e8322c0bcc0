#include "geometry/GridSweep.h"

#include "geometry/EngineStorage.h"
#include "geometry/PolyGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

namespace scrivane {

using grid::ExactPoint;
using grid::GridPoint;
using grid::Int;

namespace {

// The side of p relative to the line of a segment: positive left.
int sideOf(const GridPoint &a, const GridPoint &b, const GridPoint &p)
{
    const Int o = grid::orient(a, b, p);
    return o > 0 ? 1 : (o < 0 ? -1 : 0);
}

int sideOf(const GridPoint &a, const GridPoint &b, const ExactPoint &p)
{
    if (p.isGridPoint())
        return sideOf(a, b, p.whole());
    return grid::orientExact(a, b, p);
}

// Sorts by key, stably, in passes of 11 bits from the lowest; passes
// whose digit is the same for every key are skipped.
void radixSort(std::vector<std::pair<std::uint64_t, int>> &keys, std::vector<std::pair<std::uint64_t, int>> &spare)
{
    constexpr int kBits = 11, kBuckets = 1 << kBits;
    if (keys.size() < 64) {
        std::sort(keys.begin(), keys.end());
        return;
    }
    std::uint64_t all = 0, any = 0;
    for (const auto &k : keys) {
        all |= k.first;
        any |= ~k.first;
    }
    const std::uint64_t varying = all & any;
    spare.resize(keys.size());
    std::vector<int> count(kBuckets);
    for (int shift = 0; shift < 64 && (varying >> shift) != 0; shift += kBits) {
        if (((varying >> shift) & (kBuckets - 1)) == 0)
            continue;
        std::fill(count.begin(), count.end(), 0);
        for (const auto &k : keys)
            count[std::size_t((k.first >> shift) & (kBuckets - 1))] += 1;
        int sum = 0;
        for (int &c : count) {
            const int here = c;
            c = sum;
            sum += here;
        }
        for (const auto &k : keys)
            spare[std::size_t(count[std::size_t((k.first >> shift) & (kBuckets - 1))]++)] = k;
        keys.swap(spare);
    }
}

} // namespace

namespace {

struct BufferCache {
    GridSweep *buffers = nullptr;
    bool inUse = false;
    ~BufferCache() { delete buffers; }
};

thread_local BufferCache tCache;

// Buffers larger than this are given back to the allocator after a sweep:
// the memory of a large sweep serves better for the rebuild that follows
// (its commands would otherwise fault in fresh pages) than idle in the cache.
constexpr std::size_t kKeptBytes = std::size_t(32) << 20;

// A stage's buffer that no later stage reads is given back to the allocator
// at once when it is large, so that the next stages' arrays reuse its pages
// instead of faulting in fresh ones; a small one stays for the next sweep.
template <typename T>
void releaseLarge(std::vector<T> &v)
{
    constexpr std::size_t kLargeBytes = std::size_t(4) << 20;
    if (v.capacity() * sizeof(T) > kLargeBytes)
        std::vector<T>().swap(v);
    else
        v.clear();
}

} // namespace

GridSweep::GridSweep(std::int64_t crossingLimit)
    : mLimit(crossingLimit)
{
    if (!tCache.inUse && tCache.buffers) {
        exchangeBuffers(*tCache.buffers);
        tCache.inUse = true;
        mBorrowed = true;
    }
}

GridSweep::~GridSweep()
{
    if (!mBorrowed && (tCache.inUse || tCache.buffers))
        return;
    std::size_t bytes = 0;
    auto clear = [&bytes](auto &v) {
        bytes += v.capacity() * sizeof(v[0]);
        v.clear();
    };
    clear(mSegments), clear(mStarts), clear(mEntries), clear(mGraphEntries), clear(mState), clear(mRecords);
    clear(mEvents), clear(mStatus), clear(mBlock), clear(mStepPixel), clear(mStepHot), clear(mHot), clear(mPieces);
    clear(mPoints), clear(mOffsets), clear(mFill), clear(mStartPoint), clear(mEndSeed), clear(mKeys), clear(mKeysSpare), clear(mOrder), clear(mRoute);
    clear(mCandidates), clear(mGroupStart), clear(mGroupOrder), clear(mSlot), clear(mUsed), clear(mOrdered), clear(mOwnOrdered);
    clear(mMark), clear(mOwnAt), clear(mRecordStart), clear(mSteps), clear(mOwn);
    clear(mKept), clear(mLines), clear(mMerged), clear(mInEdge), clear(mOutEdge), clear(mPassing);
    if (bytes > kKeptBytes) {
        if (mBorrowed)
            tCache.inUse = false;
        return;
    }
    if (!tCache.buffers)
        tCache.buffers = new (std::nothrow) GridSweep(0);
    if (tCache.buffers)
        exchangeBuffers(*tCache.buffers);
    tCache.inUse = false;
}

void GridSweep::exchangeBuffers(GridSweep &o)
{
    std::swap(mSegments, o.mSegments), std::swap(mStarts, o.mStarts), std::swap(mEntries, o.mEntries);
    std::swap(mGraphEntries, o.mGraphEntries), std::swap(mState, o.mState), std::swap(mRecords, o.mRecords);
    std::swap(mEvents, o.mEvents), std::swap(mStatus, o.mStatus), std::swap(mBlock, o.mBlock);
    std::swap(mStepPixel, o.mStepPixel), std::swap(mStepHot, o.mStepHot), std::swap(mHot, o.mHot);
    std::swap(mPieces, o.mPieces), std::swap(mIndex, o.mIndex), std::swap(mPoints, o.mPoints);
    std::swap(mOffsets, o.mOffsets), std::swap(mFill, o.mFill), std::swap(mStartPoint, o.mStartPoint);
    std::swap(mEndSeed, o.mEndSeed), std::swap(mKeys, o.mKeys), std::swap(mKeysSpare, o.mKeysSpare);
    std::swap(mOrder, o.mOrder), std::swap(mRoute, o.mRoute), std::swap(mCandidates, o.mCandidates);
    std::swap(mGroupStart, o.mGroupStart), std::swap(mGroupOrder, o.mGroupOrder), std::swap(mSlot, o.mSlot);
    std::swap(mUsed, o.mUsed), std::swap(mOrdered, o.mOrdered), std::swap(mOwnOrdered, o.mOwnOrdered);
    std::swap(mKept, o.mKept), std::swap(mLines, o.mLines), std::swap(mMerged, o.mMerged);
    std::swap(mInEdge, o.mInEdge), std::swap(mOutEdge, o.mOutEdge), std::swap(mPassing, o.mPassing);
    std::swap(mMark, o.mMark), std::swap(mOwnAt, o.mOwnAt), std::swap(mRecordStart, o.mRecordStart);
    std::swap(mSteps, o.mSteps), std::swap(mOwn, o.mOwn);
}

bool GridSweep::addGraph(PolyGraph &graph, int tag)
{
    if (tag < 0 || tag > 1)
        return false;
    mGraphs[tag] = &graph;
    const int n = graph.pointCount();
    std::vector<GridPoint> &points = mPoints;
    points.resize(std::size_t(n));
    bool sorted = true;
    for (int i = 0; i < n; ++i) {
        const GraphPoint &p = graph.point(i);
        GridPoint &g = points[std::size_t(i)];
        if (!grid::toGrid(p.x, g.x) || !grid::toGrid(p.y, g.y))
            return false;
        if (i > 0 && grid::before(g, points[std::size_t(i) - 1]))
            sorted = false;
    }
    // Segments, and per point the segments that start there (counted one
    // slot ahead, then summed into offsets).
    std::vector<int> &startOffset = mOffsets;
    startOffset.assign(std::size_t(n) + 1, 0);
    std::vector<char> &used = mUsed;
    used.assign(std::size_t(n), 0);
    std::vector<int> &endSeed = mEndSeed;
    endSeed.assign(std::size_t(n), -1);
    const std::size_t firstSegment = mSegments.size();
    if (!engine::reserveFor(mSegments, mSegments.size() + std::size_t(graph.edgeCount())))
        return false;
    std::vector<int> &startPoint = mStartPoint;
    startPoint.clear();
    startPoint.reserve(std::size_t(graph.edgeCount()));
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
        int from = edge.start;
        if (grid::before(s.b, s.a)) {
            std::swap(s.a, s.b);
            s.weight = -1;
            from = edge.end;
        }
        s.edge = e;
        s.tag = tag;
        mSegments.push_back(s);
        startPoint.push_back(from);
        startOffset[std::size_t(from) + 1] += 1;
        endSeed[std::size_t(from == edge.start ? edge.end : edge.start)] = int(mSegments.size()) - 1;
        used[std::size_t(edge.start)] = used[std::size_t(edge.end)] = 1;
    }
    for (int i = 0; i < n; ++i)
        startOffset[std::size_t(i) + 1] += startOffset[std::size_t(i)];
    const int base = int(mStarts.size());
    mStarts.resize(mStarts.size() + startPoint.size());
    {
        std::vector<int> &fill = mFill;
        fill.assign(startOffset.begin(), startOffset.end() - 1);
        for (std::size_t k = 0; k < startPoint.size(); ++k)
            mStarts[std::size_t(base + fill[std::size_t(startPoint[k])]++)] = int(firstSegment + k);
    }
    // The places where segments start or end, in sweep order; a graph that
    // a sweep made lists its points in that order already.
    std::vector<int> &order = mOrder;
    if (!sorted) {
        // Offsets from the smallest coordinates fit 26 bits, so (y, x)
        // packs into one key whose integer order is the sweep order; the
        // index breaks ties.  Only as many bits as the x offsets need are
        // left below y, so that the radix sort has fewer digits to pass.
        Int minX = points[0].x, maxX = minX, minY = points[0].y;
        for (const GridPoint &p : points) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
        }
        int xBits = 0;
        while (xBits < 26 && ((maxX - minX) >> xBits) != 0)
            ++xBits;
        std::vector<std::pair<std::uint64_t, int>> &keys = mKeys;
        keys.resize(std::size_t(n));
        for (int i = 0; i < n; ++i) {
            const GridPoint &p = points[std::size_t(i)];
            keys[std::size_t(i)] = {std::uint64_t(p.y - minY) << xBits | std::uint64_t(p.x - minX), i};
        }
        radixSort(keys, mKeysSpare);
        order.resize(std::size_t(n));
        for (int i = 0; i < n; ++i)
            order[std::size_t(i)] = keys[std::size_t(i)].second;
    }
    mGraphEntries.push_back(int(mEntries.size()));
    for (int k = 0; k < n; ++k) {
        const int i = sorted ? k : order[std::size_t(k)];
        if (!used[std::size_t(i)])
            continue;
        mEntries.push_back({points[std::size_t(i)], base + startOffset[std::size_t(i)],
                            base + startOffset[std::size_t(i) + 1], endSeed[std::size_t(i)]});
    }
    return true;
}

// The pixel of the current step: from the doubles unless they lie too near
// a pixel's side to tell.
GridPoint GridSweep::herePixel() const
{
    if (!mHere.known || !mHere.exact.isGridPoint()) {
        const double fx = mHere.x + 0.5, fy = mHere.y + 0.5;
        // Floors by truncation: the coordinates are far below 2^52.
        Int cx = Int(fx), cy = Int(fy);
        cx -= fx < double(cx) ? 1 : 0;
        cy -= fy < double(cy) ? 1 : 0;
        const double rx = fx - double(cx), ry = fy - double(cy);
        if (rx > kNear && rx < 1 - kNear && ry > kNear && ry < 1 - kNear)
            return {cx, cy};
    }
    return here().pixel();
}

ExactPoint GridSweep::crossingOf(const Event &e) const
{
    const Segment &s = mSegments[std::size_t(e.left)], &t = mSegments[std::size_t(e.right)];
    return grid::crossingPoint(s.a, s.b, t.a, t.b);
}

// Heap order, for crossings whose doubles cannot tell them apart.
bool GridSweep::laterExactly(const Event &l, const Event &r) const
{
    if (l.left == r.left && l.right == r.right)
        return false;
    return grid::compare(crossingOf(l), crossingOf(r)) > 0;
}

const ExactPoint &GridSweep::here() const
{
    if (!mHere.known) {
        mHere.exact = crossingOf(mHere.event);
        mHere.known = true;
    }
    return mHere.exact;
}

// Whether segment s passes through the current step's point.  At a
// crossing the point's doubles decide unless the segment passes within
// their error; only then is the exact point needed.
bool GridSweep::passesHere(int s) const
{
    if (mHere.known && mHere.exact.isGridPoint()) {
        const Segment &seg = mSegments[std::size_t(s)];
        return grid::orient(seg.a, seg.b, mHere.exact.whole()) == 0;
    }
    const Line &line = mLines[std::size_t(s)];
    const double o = line.dx * (mHere.y - line.ay) - line.dy * (mHere.x - line.ax);
    if (std::fabs(o) > line.bound)
        return false;
    const Segment &seg = mSegments[std::size_t(s)];
    return sideOf(seg.a, seg.b, here()) == 0;
}

// Whether the event lies at the current step's point.
bool GridSweep::eventHere(const Event &e) const
{
    if (std::fabs(e.y - mHere.y) > kSame || std::fabs(e.x - mHere.x) > kSame)
        return false;
    if (e.left == mHere.event.left && e.right == mHere.event.right)
        return true;
    return grid::compare(crossingOf(e), here()) == 0;
}

void GridSweep::testPair(int left, int right)
{
    // A pair crosses once; once queued, its crossing is either still in the
    // heap or behind the sweep, where it would be turned down below.
    SegmentState &ls = mState[std::size_t(left)], &rs = mState[std::size_t(right)];
    const Segment &s = mSegments[std::size_t(left)], &t = mSegments[std::size_t(right)];
    // Only a pair whose left segment heads to the right of the right one
    // can still cross; then it crosses when the crossing of the two lines
    // lies inside both, as the two parameters tell exactly.
    const Int d1x = s.b.x - s.a.x, d1y = s.b.y - s.a.y, d2x = t.b.x - t.a.x, d2y = t.b.y - t.a.y;
    // All the tests in one branch, that of a pair queued before too:
    // which of them fails is a coin toss.
    const Int den = grid::cross(d1x, d1y, d2x, d2y);
    const Int wx = t.a.x - s.a.x, wy = t.a.y - s.a.y;
    const Int num = grid::cross(wx, wy, d2x, d2y);
    const Int onT = grid::cross(wx, wy, d1x, d1y);
    const bool fresh = (ls.queuedRight != right) & (rs.queuedLeft != left);
    if (!((den > 0) & (num > 0) & (num < den) & (onT > 0) & (onT < den) & fresh))
        return;
    // The crossing in doubles; its exact point is found again when its
    // step comes, or here when it lies too near the current one to tell.
    const double along = double(num) / double(den);
    const double qy = double(s.a.y) + double(d1y) * along, qx = double(s.a.x) + double(d1x) * along;
    if (qy < mHere.y - kNear)
        return;
    if (qy <= mHere.y + kNear) {
        const ExactPoint q = grid::crossingPoint(s.a, s.b, t.a, t.b);
        if (grid::compare(q, mHere.known ? mHere.exact : here()) <= 0)
            return;
    }
    ls.queuedRight = right;
    rs.queuedLeft = left;
    pushEvent({qy, qx, left, right});
}

// The event queue is a heap of its own, with four children per event: half
// as many levels to pass as a binary heap, and which child comes first (a
// coin toss) is chosen by selections, not branches.
void GridSweep::pushEvent(const Event &e)
{
    mEvents.push_back(e);
    raiseEvent(mEvents.size() - 1, e);
}

// Puts e into the hole at i or above it, moving later events down.
void GridSweep::raiseEvent(std::size_t i, const Event &e)
{
    while (i > 0) {
        const std::size_t parent = (i - 1) / 4;
        if (!later(mEvents[parent], e))
            break;
        mEvents[i] = mEvents[parent];
        i = parent;
    }
    mEvents[i] = e;
}

void GridSweep::popEvent()
{
    const Event last = mEvents.back();
    mEvents.pop_back();
    const std::size_t n = mEvents.size();
    if (n == 0)
        return;
    // The hole at the top goes down to a leaf along the earliest children,
    // then the last event rises from there to its place.
    const Event *events = mEvents.data();
    std::size_t i = 0;
    for (;;) {
        const std::size_t child = 4 * i + 1;
        std::size_t earliest;
        if (child + 3 < n) {
            // The earliest of four by their heights, held in registers so
            // that the next level's loads wait for as little as possible;
            // heights too near to tell apart take the exact order.
            const double y0 = events[child].y, y1 = events[child + 1].y;
            const double y2 = events[child + 2].y, y3 = events[child + 3].y;
            const bool second = y0 > y1, fourth = y2 > y3;
            const double ya = second ? y1 : y0, yb = fourth ? y3 : y2;
            if (std::fabs(y0 - y1) <= kNear || std::fabs(y2 - y3) <= kNear || std::fabs(ya - yb) <= kNear)
                [[unlikely]] {
                const std::size_t a = child + std::size_t(later(events[child], events[child + 1]));
                const std::size_t b = child + 2 + std::size_t(later(events[child + 2], events[child + 3]));
                earliest = later(events[a], events[b]) ? b : a;
            } else {
                const std::size_t a = child + std::size_t(second), b = child + 2 + std::size_t(fourth);
                // A coin toss, told so: otherwise the compiler branches.
                const bool pickB = __builtin_expect_with_probability(ya > yb, true, 0.5);
                earliest = a ^ ((a ^ b) & (std::size_t(0) - std::size_t(pickB)));
            }
        } else if (child < n) {
            earliest = child;
            for (std::size_t c = child + 1; c < n; ++c)
                earliest = later(events[earliest], events[c]) ? c : earliest;
        } else {
            break;
        }
        mEvents[i] = events[earliest];
        i = earliest;
    }
    raiseEvent(i, last);
}

// Exact Bentley-Ottmann sweep over the segments.  Every place where the
// status changes (an end point or a crossing) is a step and its pixel a hot
// pixel; every segment through a step begins a new piece there, whose side
// windings follow from its left neighbour's.
bool GridSweep::sweep()
{
    const int graphs = int(mGraphEntries.size()) - 1;
    int cursor[2] = {0, 0};
    for (int g = 0; g < graphs; ++g)
        cursor[g] = mGraphEntries[std::size_t(g)];
    mState.assign(mSegments.size(), SegmentState{});
    mLines.resize(mSegments.size());
    for (std::size_t k = 0; k < mSegments.size(); ++k) {
        const Segment &seg = mSegments[k];
        Line &line = mLines[k];
        line.ax = double(seg.a.x);
        line.ay = double(seg.a.y);
        line.dx = double(seg.b.x - seg.a.x);
        line.dy = double(seg.b.y - seg.a.y);
        line.bound = lineBound(line.dx, line.dy);
        line.inverseSquaredLength = 1.0 / (line.dx * line.dx + line.dy * line.dy);
    }
    mRecords.clear();
    mRecords.reserve(2 * mSegments.size() + 16);
    mEvents.clear();
    mStatus.clear();
    mStepPixel.clear();
    mStepPixel.reserve(mEntries.size() + 16);

    for (;;) {
        int vertexGraph = -1;
        for (int g = 0; g < graphs; ++g) {
            if (cursor[g] < mGraphEntries[std::size_t(g) + 1]
                && (vertexGraph < 0
                    || grid::before(mEntries[std::size_t(cursor[g])].p, mEntries[std::size_t(cursor[vertexGraph])].p)))
                vertexGraph = g;
        }
        if (vertexGraph < 0 && mEvents.empty())
            break;
        bool isVertex = vertexGraph >= 0;
        GridPoint v;
        if (isVertex) {
            v = mEntries[std::size_t(cursor[vertexGraph])].p;
            if (!mEvents.empty()) {
                const Event &top = mEvents.front();
                const double vy = double(v.y);
                isVertex = vy < top.y - kNear
                    || (vy <= top.y + kNear && grid::compare(ExactPoint::of(v), crossingOf(top)) <= 0);
            }
        }
        // A segment known to pass through the step's point: one that ends at
        // the vertex, or the pair of a crossing.
        int seed = -1, seedRight = -1;
        if (isVertex) {
            mHere.x = double(v.x);
            mHere.y = double(v.y);
            mHere.exact = ExactPoint::of(v);
            mHere.known = true;
        } else {
            mHere.event = mEvents.front();
            mHere.x = mHere.event.x;
            mHere.y = mHere.event.y;
            mHere.known = false;
            seed = mHere.event.left;
            seedRight = mHere.event.right;
            popEvent();
        }
        // Every other crossing at the same point (a repeat of the pair when
        // it stood side by side more than once).
        bool others = false;
        while (!mEvents.empty() && mEvents.front().y <= mHere.y + kNear) {
            const Event &top = mEvents.front();
            if (!(top.left == seed && top.right == seedRight)) {
                if (!(isVertex ? grid::compare(crossingOf(top), mHere.exact) == 0 : eventHere(top)))
                    break;
                others = true;
                if (seed < 0) {
                    seed = top.left;
                    seedRight = top.right;
                }
            }
            popEvent();
        }
        if (isVertex) {
            for (int g = 0; g < graphs && seed < 0; ++g) {
                for (int k = cursor[g]; k < mGraphEntries[std::size_t(g) + 1] && mEntries[std::size_t(k)].p == v; ++k) {
                    if (mEntries[std::size_t(k)].anEnd >= 0) {
                        seed = mEntries[std::size_t(k)].anEnd;
                        break;
                    }
                }
            }
        }
        auto through = [&](int s) {
            if (isVertex) {
                const Segment &seg = mSegments[std::size_t(s)];
                return grid::orient(seg.a, seg.b, v) == 0;
            }
            return s == seed || s == seedRight || passesHere(s);
        };

        // The block of segments through p, between those left of it and
        // those right of it.
        const int n = int(mStatus.size());
        int lo, end;
        if (seed >= 0 && mState[std::size_t(seed)].position >= 0) {
            lo = mState[std::size_t(seed)].position;
            end = lo + 1;
            while (lo > 0 && through(mStatus[std::size_t(lo) - 1]))
                --lo;
        } else {
            lo = 0;
            int hi = n;
            while (lo < hi) {
                const int mid = (lo + hi) / 2;
                const Segment &s = mSegments[std::size_t(mStatus[std::size_t(mid)])];
                if ((isVertex ? sideOf(s.a, s.b, v) : sideOf(s.a, s.b, here())) < 0)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            end = lo;
        }
        while (end < n && through(mStatus[std::size_t(end)]))
            ++end;
        if (!isVertex && end - lo < 2)
            continue; // a crossing that is no longer there: nothing changes
        const int step = int(mStepPixel.size());
        mStepPixel.push_back(isVertex ? v : herePixel());
        if (!isVertex && ++mCrossings > mLimit)
            return false;

        // Two segments that cross and nothing else: they change places.
        if (!isVertex && !others && end - lo == 2) {
            const int l = mStatus[std::size_t(lo)], r = mStatus[std::size_t(lo) + 1];
            mStatus[std::size_t(lo)] = r;
            mStatus[std::size_t(lo) + 1] = l;
            SegmentState &sr = mState[std::size_t(r)], &sl = mState[std::size_t(l)];
            sr.position = lo;
            sl.position = lo + 1;
            int w0 = 0, w1 = 0;
            if (lo > 0) {
                const SegmentState &left = mState[std::size_t(mStatus[std::size_t(lo) - 1])];
                w0 = left.right[0];
                w1 = left.right[1];
            }
            for (const int s : {r, l}) {
                mRecords.push_back({step, {w0, w1}, s});
                SegmentState &state = mState[std::size_t(s)];
                addWeight(mSegments[std::size_t(s)], w0, w1);
                state.right[0] = w0;
                state.right[1] = w1;
            }
            if (lo > 0)
                testPair(mStatus[std::size_t(lo) - 1], r);
            if (lo + 2 < n)
                testPair(l, mStatus[std::size_t(lo) + 2]);
            continue;
        }

        // The new block: the segments that go on through p and those that
        // start there, from the smaller-x side to the larger-x side just
        // past p.
        mBlock.clear();
        for (int k = lo; k < end; ++k) {
            const int s = mStatus[std::size_t(k)];
            if (!(isVertex && GridPoint(mSegments[std::size_t(s)].b) == v))
                mBlock.push_back(s);
            else
                mState[std::size_t(s)].position = -1, mState[std::size_t(s)].endStep = step;
        }
        if (isVertex) {
            for (int g = 0; g < graphs; ++g) {
                while (cursor[g] < mGraphEntries[std::size_t(g) + 1] && mEntries[std::size_t(cursor[g])].p == v) {
                    const Entry &e = mEntries[std::size_t(cursor[g])];
                    mBlock.insert(mBlock.end(), mStarts.begin() + e.startBegin, mStarts.begin() + e.startEnd);
                    ++cursor[g];
                }
            }
        }
        auto leftOf = [this](int i, int j) {
            const Segment &s = mSegments[std::size_t(i)], &t = mSegments[std::size_t(j)];
            const Int c = grid::cross(s.b.x - s.a.x, s.b.y - s.a.y, t.b.x - t.a.x, t.b.y - t.a.y);
            return c != 0 ? c < 0 : i < j;
        };
        if (mBlock.size() == 2) {
            if (leftOf(mBlock[1], mBlock[0]))
                std::swap(mBlock[0], mBlock[1]);
        } else if (mBlock.size() > 2) {
            std::sort(mBlock.begin(), mBlock.end(), leftOf);
        }
        const int oldLength = end - lo, newLength = int(mBlock.size());
        if (newLength > oldLength)
            mStatus.insert(mStatus.begin() + end, std::size_t(newLength - oldLength), 0);
        else if (newLength < oldLength)
            mStatus.erase(mStatus.begin() + lo + newLength, mStatus.begin() + end);
        std::copy(mBlock.begin(), mBlock.end(), mStatus.begin() + lo);
        const int moved = newLength == oldLength ? lo + newLength : int(mStatus.size());
        for (int k = lo; k < moved; ++k)
            mState[std::size_t(mStatus[std::size_t(k)])].position = k;

        int w0 = 0, w1 = 0;
        if (lo > 0) {
            const SegmentState &left = mState[std::size_t(mStatus[std::size_t(lo) - 1])];
            w0 = left.right[0];
            w1 = left.right[1];
        }
        for (const int s : mBlock) {
            SegmentState &state = mState[std::size_t(s)];
            if (state.firstRecord < 0)
                state.firstRecord = int(mRecords.size());
            mRecords.push_back({step, {w0, w1}, s});
            addWeight(mSegments[std::size_t(s)], w0, w1);
            state.right[0] = w0;
            state.right[1] = w1;
        }

        const int left = lo > 0 ? mStatus[std::size_t(lo) - 1] : -1;
        const int right = lo + newLength < int(mStatus.size()) ? mStatus[std::size_t(lo + newLength)] : -1;
        if (newLength == 0) {
            if (left >= 0 && right >= 0)
                testPair(left, right);
        } else {
            if (left >= 0)
                testPair(left, mStatus[std::size_t(lo)]);
            if (right >= 0)
                testPair(mStatus[std::size_t(lo + newLength) - 1], right);
        }
    }
    return true;
}

// Hot pixels in sweep order.  Steps come in sweep order, so their pixel
// rows never go down and only each row needs sorting.
void GridSweep::assignPixels()
{
    const int steps = int(mStepPixel.size());
    mStepHot.resize(std::size_t(steps));
    mHot.clear();
    std::vector<int> &order = mOrder;
    order.resize(std::size_t(steps));
    for (int k = 0; k < steps; ++k)
        order[std::size_t(k)] = k;
    bool rowsInOrder = true;
    for (int k = 1; k < steps && rowsInOrder; ++k)
        rowsInOrder = mStepPixel[std::size_t(k)].y >= mStepPixel[std::size_t(k) - 1].y;
    auto byPixel = [this](int i, int j) {
        const GridPoint &p = mStepPixel[std::size_t(i)], &q = mStepPixel[std::size_t(j)];
        return grid::before(p, q) || (p == q && i < j);
    };
    if (!rowsInOrder) {
        std::sort(order.begin(), order.end(), byPixel);
    } else {
        for (int k = 0; k < steps;) {
            int j = k + 1;
            while (j < steps && mStepPixel[std::size_t(j)].y == mStepPixel[std::size_t(k)].y)
                ++j;
            if (j - k > 1)
                std::sort(order.begin() + k, order.begin() + j, byPixel);
            k = j;
        }
    }
    for (const int k : order) {
        const GridPoint &p = mStepPixel[std::size_t(k)];
        if (mHot.empty() || !(mHot.back() == p))
            mHot.push_back(p);
        mStepHot[std::size_t(k)] = int(mHot.size()) - 1;
    }
}

void GridSweep::addPiece(const Segment &s, int segment, int from, int to, const int *left)
{
    // Written where it lies: a piece assembled aside and copied in stalls
    // on its narrow fields.
    Piece &piece = mPieces.emplace_back();
    piece.tag = s.tag;
    piece.segment = segment;
    piece.left[0] = left[0];
    piece.left[1] = left[1];
    if (from < to) {
        piece.u = from;
        piece.v = to;
        piece.sign = s.weight;
    } else {
        // The link runs against the sweep: its left is the piece's right.
        piece.u = to;
        piece.v = from;
        addWeight(s, piece.left[0], piece.left[1]);
        piece.sign = std::int8_t(-s.weight);
    }
}

// Snap rounding: every segment becomes the chain of the hot pixels it
// passes, in order along it.  Hot pixels are half-open squares; a hot pixel
// whose centre lies exactly on a chain link (the segment only grazed the
// closed side of its square) is put into the chain too, so that no point of
// the result lies inside an edge.  Every link takes the windings of the
// piece of the segment it rounds.
bool GridSweep::routeSegments()
{
    if (!mIndex.build(mHot))
        return false;
    // Each segment's records side by side, in the order the sweep made
    // them (that along the segment), each naming its step's hot pixel:
    // following the links from record to record would miss the cache at
    // every step on large inputs.
    const std::size_t segments = mSegments.size();
    std::vector<int> &recordStart = mRecordStart;
    recordStart.assign(segments + 1, 0);
    for (const Record &r : mRecords)
        recordStart[std::size_t(r.segment) + 1] += 1;
    for (std::size_t k = 0; k < segments; ++k)
        recordStart[k + 1] += recordStart[k];
    std::vector<Step> &steps = mSteps;
    steps.resize(mRecords.size());
    {
        std::vector<int> &fill = mFill;
        fill.assign(recordStart.begin(), recordStart.end() - 1);
        for (const Record &r : mRecords)
            steps[std::size_t(fill[std::size_t(r.segment)]++)] = {mStepHot[std::size_t(r.step)],
                                                                  {r.left[0], r.left[1]}};
    }
    // Segments in the order in which the sweep met them (that of their first
    // records), so that consecutive queries visit neighbouring cells.
    std::vector<int> &sweepOrder = mOrder;
    sweepOrder.clear();
    const int records = int(mRecords.size());
    for (int first = 0; first < records; ++first) {
        const int i = mRecords[std::size_t(first)].segment;
        if (mState[std::size_t(i)].firstRecord == first)
            sweepOrder.push_back(i);
    }
    releaseLarge(mRecords);
    mPieces.clear();
    mPieces.reserve(std::size_t(records) + segments / 4 + 16);
    const std::int64_t pieceLimit = 4 * mLimit + 4 * std::int64_t(segments);
    std::vector<std::pair<Int, int>> &ordered = mOrdered;
    std::vector<int> &route = mRoute, &candidates = mCandidates;
    // Which segment last marked a hot pixel as one of its own.
    std::vector<int> &mark = mMark, &ownAt = mOwnAt;
    mark.assign(mHot.size(), -1);
    ownAt.resize(mHot.size());
    std::vector<Step> &own = mOwn;
    for (const int i : sweepOrder) {
        const SegmentState &state = mState[std::size_t(i)];
        const Segment &s = mSegments[std::size_t(i)];
        // The segment's own steps, in the order it meets them: the pixels
        // of its crossings and ends, each piece with the windings of the
        // last step in its first pixel.
        own.clear();
        for (int r = recordStart[std::size_t(i)], end = recordStart[std::size_t(i) + 1]; r < end; ++r) {
            const Step &rec = steps[std::size_t(r)];
            if (own.empty() || own.back().pixel != rec.pixel) {
                mark[std::size_t(rec.pixel)] = i;
                ownAt[std::size_t(rec.pixel)] = int(own.size());
                own.push_back(rec);
            } else {
                own.back().left[0] = rec.left[0];
                own.back().left[1] = rec.left[1];
            }
        }
        const int endPixel = mStepHot[std::size_t(state.endStep)];
        if (own.back().pixel != endPixel) {
            mark[std::size_t(endPixel)] = i;
            ownAt[std::size_t(endPixel)] = int(own.size());
            own.push_back({endPixel, {0, 0}});
        }
        // Other hot pixels the segment passes.
        ordered.clear();
        candidates.clear();
        const Int dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
        mIndex.query(s.a, s.b, [&mark, i](int h) { return mark[std::size_t(h)] == i; },
                     [&](int h, const GridPoint &c, bool halfOpen) {
            if (halfOpen) {
                ordered.push_back({(c.x - s.a.x) * dx + (c.y - s.a.y) * dy, h});
            } else {
                candidates.push_back(h);
            }
        });
        if (ordered.empty() && candidates.empty()) {
            for (std::size_t k = 0; k + 1 < own.size(); ++k)
                addPiece(s, i, own[k].pixel, own[k + 1].pixel, own[k].left);
            if (std::int64_t(mPieces.size()) > pieceLimit)
                return false;
            continue;
        }
        // The chain through all of them, in order along the segment: the
        // centres of the pixels that a segment passes project on it in the
        // order it meets them.
        // The own pixels come in that order already; the few others are
        // sorted and merged in, unless ties among the own ones were met in
        // another order than the sort's.
        std::vector<std::pair<Int, int>> &ownOrdered = mOwnOrdered;
        ownOrdered.clear();
        bool ownSorted = true;
        for (const Step &o : own) {
            const GridPoint &c = mHot[std::size_t(o.pixel)];
            ownOrdered.push_back({(c.x - s.a.x) * dx + (c.y - s.a.y) * dy, o.pixel});
            if (ownOrdered.size() > 1 && ownOrdered.back() < ownOrdered[ownOrdered.size() - 2])
                ownSorted = false;
        }
        if (!ownSorted) {
            ordered.insert(ordered.end(), ownOrdered.begin(), ownOrdered.end());
            ownOrdered.clear();
        }
        std::sort(ordered.begin(), ordered.end());
        route.resize(ordered.size() + ownOrdered.size());
        {
            auto o = ownOrdered.begin(), oEnd = ownOrdered.end();
            auto x = ordered.begin(), xEnd = ordered.end();
            for (int &h : route)
                h = (x == xEnd || (o != oEnd && *o < *x)) ? (o++)->second : (x++)->second;
        }
        for (const int c : candidates) {
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
        // A piece takes the windings of the last own pixel at or before its
        // start along the chain.
        int left[2] = {own[0].left[0], own[0].left[1]};
        for (std::size_t k = 0; k + 1 < route.size(); ++k) {
            const int h = route[k];
            if (mark[std::size_t(h)] == i) {
                const Step &o = own[std::size_t(ownAt[std::size_t(h)])];
                left[0] = o.left[0];
                left[1] = o.left[1];
            }
            addPiece(s, i, h, route[k + 1], left);
        }
        if (std::int64_t(mPieces.size()) > pieceLimit)
            return false;
    }
    return true;
}

int GridSweep::buildResult(PolyGraph &destination, const Filling &filling, bool backData)
{
    const int H = int(mHot.size());
    const int P = int(mPieces.size());
    // Pieces grouped by their first pixel, then by the second.
    std::vector<int> &groupStart = mGroupStart;
    groupStart.assign(std::size_t(H) + 1, 0);
    for (const Piece &piece : mPieces)
        groupStart[std::size_t(piece.u) + 1] += 1;
    for (int h = 0; h < H; ++h)
        groupStart[std::size_t(h) + 1] += groupStart[std::size_t(h)];
    // The pieces are visited through their indices in group order rather
    // than copied into it: a second array of pieces would double the
    // memory the largest stage touches.  A stable count keeps the routing
    // order within a group, which the index then breaks ties by.
    std::vector<int> &order = mGroupOrder;
    order.resize(std::size_t(P));
    {
        std::vector<int> &fill = mFill;
        fill.assign(groupStart.begin(), groupStart.end() - 1);
        for (int k = 0; k < P; ++k)
            order[std::size_t(fill[std::size_t(mPieces[std::size_t(k)].u)]++)] = k;
    }
    // By second pixel, then by index: one key, compared without a branch.
    auto keyV = [this](int i) { return std::uint64_t(std::uint32_t(mPieces[std::size_t(i)].v)) << 32 | std::uint32_t(i); };
    auto byV = [&keyV](int i, int j) { return keyV(i) < keyV(j); };
    for (int h = 0; h < H; ++h) {
        const int b = groupStart[std::size_t(h)], e = groupStart[std::size_t(h) + 1];
        if (e - b == 2) {
            // Most groups hold two pieces, in either order by chance.
            const int x = order[std::size_t(b)], y = order[std::size_t(b) + 1];
            const std::uint64_t kx = keyV(x), ky = keyV(y);
            const int swap = (x ^ y) & -int(ky < kx);
            order[std::size_t(b)] = x ^ swap;
            order[std::size_t(b) + 1] = y ^ swap;
        } else if (e - b > 2) {
            std::sort(order.begin() + b, order.begin() + e, byV);
        }
    }
    auto grouped = [this, &order](int k) -> const Piece & { return mPieces[std::size_t(order[std::size_t(k)])]; };

    // Filled or not for each pair of operand memberships, so that the test
    // per edge is one look-up.
    bool table[4];
    for (int k = 0; k < 4; ++k) {
        const bool inA = k & 1, inB = k & 2;
        switch (filling.operation) {
        case engine::kIntersection: table[k] = inA && inB; break;
        case engine::kDifference: table[k] = inA && !inB; break;
        case engine::kExclusiveOr: table[k] = inA != inB; break;
        case engine::kUnion:
        case engine::kCut: table[k] = inA || inB; break;
        default: table[k] = inA; break;
        }
    }
    // A winding counts through a mask: all its bits under the non-zero
    // rule, the lowest under even-odd; which side of an edge is filled is
    // a coin toss, so nothing here may branch on it.
    unsigned tableBits = 0;
    for (int k = 0; k < 4; ++k)
        tableBits |= unsigned(table[k]) << k;
    const int ruleMask[2] = {filling.rule[0] == engine::kEvenOdd ? 1 : -1, filling.rule[1] == engine::kEvenOdd ? 1 : -1};
    auto filled = [tableBits, &ruleMask](const int *w) {
        const unsigned inA = (w[0] & ruleMask[0]) != 0, inB = (w[1] & ruleMask[1]) != 0;
        return (tableBits >> (inA | inB << 1)) & 1u;
    };

    // Pieces that rounding made coincide are one edge; the faces between
    // them collapsed, so their windings chain from the leftmost piece's left
    // side to the rightmost piece's right side.
    auto pixels = [](const Piece &piece) { return std::uint64_t(std::uint32_t(piece.u)) << 32 | std::uint32_t(piece.v); };
    std::vector<Kept, engine::UninitialisedAllocator<Kept>> &kept = mKept;
    // At most one edge per piece: room made is not touched until written,
    // and every group writes its edge there, counting it only when kept.
    if (!engine::resizeTo(kept, std::size_t(P)))
        return engine::kTooComplex;
    int keptCount = 0;
    std::vector<int> &slot = mSlot;
    slot.assign(std::size_t(H), -1);
    for (int k = 0; k < P;) {
        const Piece &first = grouped(k);
        const std::uint64_t firstPixels = pixels(first);
        int j = k + 1;
        while (j < P && pixels(grouped(j)) == firstPixels)
            ++j;
        int left[2] = {first.left[0], first.left[1]};
        int total[2] = {0, 0};
        for (int m = k; m < j; ++m) {
            const Piece &piece = grouped(m);
            addWeight(piece.tag, piece.sign, total[0], total[1]);
        }
        if (j - k > 1) {
            auto rightOf = [](const Piece &piece, int g) { return piece.left[g] + (piece.tag == g ? piece.sign : 0); };
            for (int m = k; m < j; ++m) {
                const Piece &candidate = grouped(m);
                int balance = 0;
                for (int o = k; o < j; ++o) {
                    const Piece &other = grouped(o);
                    if (other.left[0] == candidate.left[0] && other.left[1] == candidate.left[1])
                        ++balance;
                    if (rightOf(other, 0) == candidate.left[0] && rightOf(other, 1) == candidate.left[1])
                        --balance;
                }
                if (balance == 1) {
                    left[0] = candidate.left[0];
                    left[1] = candidate.left[1];
                    break;
                }
            }
        }
        const int right[2] = {left[0] + total[0], left[1] + total[1]};
        const unsigned inLeft = filled(left), inRight = filled(right);
        const unsigned keep = inLeft ^ inRight;
        // The filled side goes on the side of (dy, -dx).
        const int flip = -int(inLeft); // all ones when the edge runs v -> u
        const int uv = (first.u ^ first.v) & flip;
        Kept &edge = kept[std::size_t(keptCount)];
        edge.from = first.u ^ uv;
        edge.to = first.v ^ uv;
        edge.segment = first.segment;
        keptCount += int(keep);
        // -1 (unused) becomes -2 (used) by clearing the lowest bit.
        slot[std::size_t(first.u)] &= ~int(keep);
        slot[std::size_t(first.v)] &= ~int(keep);
        k = j;
    }
    kept.resize(std::size_t(keptCount));
    dropPassingPoints(slot);

    // The pieces are done with; the result's arrays may take their room.
    releaseLarge(mPieces), releaseLarge(mGroupOrder);

    int points = 0;
    for (int h = 0; h < H; ++h) {
        const int used = int(slot[std::size_t(h)] == -2);
        slot[std::size_t(h)] = (points & -used) | (used - 1); // points when used, else -1
        points += used;
    }
    destination.reset(0);
    destination.makeBackData(backData);
    // The destination is built in place: points in sweep order, every edge
    // appended at the tail of both incidence lists, as adding them one by
    // one would.
    const std::uint32_t sideArrays = PolyGraph::kHasPointData | PolyGraph::kHasEdgeData
        | PolyGraph::kHasSweepEdgeData | PolyGraph::kHasWindingData;
    if (destination.mFlags & sideArrays)
        destination.makeSweepWorkData(false), destination.makeWindingData(false);
    // One point more than the result has: the hot pixels that no edge
    // uses are all written there, so that the loop does not branch.
    if (!engine::resizeTo(destination.mPoints, std::size_t(points) + 1)
        || !engine::reserveFor(destination.mEdges, kept.size())
        || (backData && !engine::reserveFor(destination.mBackData, kept.size())))
        return engine::kTooComplex;
    Int largest = 0;
    for (int h = 0; h < H; ++h) {
        const int at = slot[std::size_t(h)];
        GraphPoint &gp = destination.mPoints[std::size_t(at >= 0 ? at : points)];
        const GridPoint &c = mHot[std::size_t(h)];
        // The point was made blank when the array grew: only its place is set.
        gp.x = grid::fromGrid(c.x);
        gp.y = grid::fromGrid(c.y);
        largest = std::max({largest, c.x < 0 ? -c.x : c.x, c.y < 0 ? -c.y : c.y});
    }
    destination.mPoints.pop_back();
    if (points > 0)
        destination.mFlags |= PolyGraph::kPointsAdded;
    std::vector<GraphEdge> &edges = destination.mEdges;
    // Whether a point already has an edge is a coin toss: the new edge is
    // hooked onto the point's last edge or, for its first, onto a stand-in.
    GraphEdge standIn;
    auto link = [&edges, &standIn](GraphPoint &p, int point, int e, bool atStart) {
        GraphEdge &edge = edges[std::size_t(e)];
        (atStart ? edge.prevAtStart : edge.prevAtEnd) = p.lastEdge;
        const int firstMask = p.lastEdge >> 31; // all ones for the point's first edge
        const auto edgeAddress = std::uintptr_t(edges.data() + (p.lastEdge & ~firstMask));
        const auto standInAddress = std::uintptr_t(&standIn);
        const auto mask = std::uintptr_t(std::intptr_t(firstMask));
        GraphEdge *tail = reinterpret_cast<GraphEdge *>((standInAddress & mask) | (edgeAddress & ~mask));
        linkAt(tail->nextAtStart, tail->start != point) = e;
        p.firstEdge ^= (p.firstEdge ^ e) & firstMask;
        p.lastEdge = e;
    };
    for (const Kept &k : kept) {
        const int from = slot[std::size_t(k.from)], to = slot[std::size_t(k.to)];
        GraphPoint &a = destination.mPoints[std::size_t(from)], &b = destination.mPoints[std::size_t(to)];
        const int index = int(edges.size());
        GraphEdge edge;
        edge.start = from;
        edge.end = to;
        edge.dx = b.x - a.x;
        edge.dy = b.y - a.y;
        edges.push_back(edge);
        a.outDegree += 1;
        link(a, from, index, true);
        b.inDegree += 1;
        link(b, to, index, false);
        if (!backData)
            continue;
        const Segment &s = mSegments[std::size_t(k.segment)];
        const PolyGraph &source = *mGraphs[s.tag];
        BackData bd = source.hasFlag(PolyGraph::kHasBackData) ? source.backData(s.edge) : BackData{};
        // Source parameters by projection on the source edge.
        // The source edge's start and end, chosen without a branch: which
        // way it ran is a coin toss.
        const std::int32_t back = std::int32_t(s.weight) >> 7; // all ones when it ran b -> a
        const std::int32_t swapX = (s.a.x ^ s.b.x) & back, swapY = (s.a.y ^ s.b.y) & back;
        const GridPoint S{s.a.x ^ swapX, s.a.y ^ swapY}, E{s.b.x ^ swapX, s.b.y ^ swapY};
        const double dx = double(E.x - S.x), dy = double(E.y - S.y);
        const double inverse = mLines[std::size_t(k.segment)].inverseSquaredLength;
        const float t0 = bd.tStart, t1 = bd.tEnd;
        auto paramAt = [&](int h) {
            const GridPoint &c = mHot[std::size_t(h)];
            double u = (double(c.x - S.x) * dx + double(c.y - S.y) * dy) * inverse;
            u = std::clamp(u, 0.0, 1.0);
            return float(double(t0) * (1.0 - u) + double(t1) * u);
        };
        bd.tStart = paramAt(k.from);
        bd.tEnd = paramAt(k.to);
        destination.mBackData.push_back(bd); // the room is there: edges and their data go in step
    }
    if (!kept.empty())
        destination.mFlags |= PolyGraph::kEdgesUnsorted;
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
    // Grid points below 2^18 in size have exact float differences, so the
    // edges' directions are exact too.
    destination.mKnownOnGrid = largest < (Int(1) << (18 + engine::kGridShift));
    return engine::kOk;
}

// A point of the result that one kept edge enters and one leaves, both
// rounded from the same source segment, holds no corner: it is there only
// because other segments met near it, most often segments the result does
// not keep.  Rounding the kept edges without it routes the segment straight
// on between the points before and after, which still keep it apart from
// every other edge (rounding with fewer hot pixels, none of them a vertex
// of what is kept, is rounding all the same), so the two edges become one;
// unless the straight edge would pass exactly through another point.
void GridSweep::dropPassingPoints(std::vector<int> &slot)
{
    auto &kept = mKept;
    const int H = int(mHot.size());
    const int K = int(kept.size());
    mInEdge.assign(std::size_t(H), -1);
    mOutEdge.assign(std::size_t(H), -1);
    // -1 no edge, -2 more than one.
    auto mark = [](int &v, int e) { v = v == -1 ? e : -2; };
    for (int k = 0; k < K; ++k) {
        mark(mOutEdge[std::size_t(kept[std::size_t(k)].from)], k);
        mark(mInEdge[std::size_t(kept[std::size_t(k)].to)], k);
    }
    mPassing.assign(std::size_t(H), 0);
    bool any = false;
    for (int h = 0; h < H; ++h) {
        const int in = mInEdge[std::size_t(h)], out = mOutEdge[std::size_t(h)];
        const bool passing = in >= 0 && out >= 0 && in != out
            && kept[std::size_t(in)].segment == kept[std::size_t(out)].segment;
        mPassing[std::size_t(h)] = char(passing);
        any |= passing;
    }
    // Chains of edges through passing points, each from its first edge.
    struct Chain {
        int first, from, to, length;
    };
    std::vector<Chain> chains;
    std::vector<char> absorbed;
    std::vector<std::pair<std::uint64_t, int>> pairs;
    // A chain that cannot become one edge keeps its points; the others are
    // looked at again, since those points now stay.
    for (int round = 0; any && round < 8; ++round) {
        chains.clear();
        absorbed.assign(std::size_t(K), 0);
        for (int k = 0; k < K; ++k) {
            const Kept &first = kept[std::size_t(k)];
            if (mPassing[std::size_t(first.from)])
                continue;
            int to = first.to, length = 1;
            for (; mPassing[std::size_t(to)] && length <= K; ++length) {
                const int next = mOutEdge[std::size_t(to)];
                absorbed[std::size_t(next)] = 1;
                to = kept[std::size_t(next)].to;
            }
            chains.push_back({k, first.from, to, length});
        }
        // Edges round points that all pass on cannot be: a segment does not
        // come back to where it started.  Leave everything as it is then.
        for (int k = 0; k < K; ++k)
            if (mPassing[std::size_t(kept[std::size_t(k)].from)] && !absorbed[std::size_t(k)])
                any = false;
        if (!any)
            break;
        bool changed = false;
        auto keepPoints = [&](const Chain &c) {
            int to = kept[std::size_t(c.first)].to;
            while (mPassing[std::size_t(to)]) {
                mPassing[std::size_t(to)] = 0;
                to = kept[std::size_t(mOutEdge[std::size_t(to)])].to;
            }
            changed = true;
        };
        // Two edges on the same two points would be one edge twice.
        pairs.clear();
        for (std::size_t i = 0; i < chains.size(); ++i) {
            const std::uint32_t a = std::uint32_t(chains[i].from), b = std::uint32_t(chains[i].to);
            pairs.push_back({std::uint64_t(std::min(a, b)) << 32 | std::max(a, b), int(i)});
        }
        std::sort(pairs.begin(), pairs.end());
        for (std::size_t i = 0; i + 1 < pairs.size(); ++i) {
            if (pairs[i].first != pairs[i + 1].first)
                continue;
            for (const std::size_t j : {i, i + 1})
                if (chains[std::size_t(pairs[j].second)].length > 1)
                    keepPoints(chains[std::size_t(pairs[j].second)]);
        }
        // A straight edge passing exactly through a point that stays.
        for (const Chain &c : chains) {
            if (c.length < 2)
                continue;
            const GridPoint &a = mHot[std::size_t(c.from)], &b = mHot[std::size_t(c.to)];
            bool through = a == b;
            mIndex.query(a, b, [](int) { return false; }, [&](int h, const GridPoint &p, bool) {
                const bool stays = !mPassing[std::size_t(h)]
                    && (mInEdge[std::size_t(h)] != -1 || mOutEdge[std::size_t(h)] != -1);
                if (stays && !(p == a) && !(p == b) && grid::orient(a, b, p) == 0)
                    through = true;
            });
            if (through)
                keepPoints(c);
        }
        if (changed)
            continue;
        auto &merged = mMerged;
        merged.clear();
        engine::reserveFor(merged, chains.size());
        for (const Chain &c : chains)
            merged.push_back({c.from, c.to, kept[std::size_t(c.first)].segment});
        kept.swap(merged);
        break;
    }
    // The points left in use.
    for (int h = 0; h < H; ++h)
        slot[std::size_t(h)] = -1;
    for (const Kept &k : kept)
        slot[std::size_t(k.from)] = slot[std::size_t(k.to)] = -2;
}

int GridSweep::run(PolyGraph &destination, const Filling &filling, bool backData)
{
    mCrossings = 0;
    mGraphEntries.push_back(int(mEntries.size()));
    try {
        if (!sweep()) {
            destination.reset(0);
            return engine::kTooComplex;
        }
        releaseLarge(mEvents), releaseLarge(mStarts), releaseLarge(mEntries);
        assignPixels();
        releaseLarge(mStepPixel);
        if (!routeSegments()) {
            destination.reset(0);
            return engine::kTooComplex;
        }
        releaseLarge(mSteps), releaseLarge(mStepHot), releaseLarge(mMark), releaseLarge(mOwnAt);
        const int result = buildResult(destination, filling, backData);
        releaseLarge(mLines);
        if (result != engine::kOk && result != engine::kNotEulerian)
            destination.reset(0);
        return result;
    } catch (const std::bad_alloc &) {
        destination.reset(0);
        return engine::kTooComplex;
    }
}

} // namespace scrivane
