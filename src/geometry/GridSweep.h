#pragma once

// The sweep behind normalisation and the boolean: finds every crossing of
// the source edges exactly and, in the same pass, the windings of both
// sides of every piece of edge between two crossings; then rounds the
// arrangement to the 1/32 grid by routing every edge through the hot pixels
// it passes (so that rounding creates no new crossing), merges the pieces
// that rounding made coincide and keeps the edges between filled and empty.

#include "geometry/EngineStorage.h"
#include "geometry/GridArithmetic.h"
#include "geometry/HotPixelIndex.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace scrivane {

class PolyGraph;

class GridSweep
{
public:
    // What counts as filled: the winding of each graph read under that
    // graph's fill rule, and for two graphs the operation that combines them
    // (none when graph 0 stands alone).
    struct Filling {
        int rule[2] = {engine::kNonZero, engine::kNonZero};
        int operation = kAlone;
        static constexpr int kAlone = -1;
        static Filling alone(int rule) { return {{rule, engine::kNonZero}, kAlone}; }
        static Filling combined(int ruleA, int ruleB, int operation) { return {{ruleA, ruleB}, operation}; }
    };

    explicit GridSweep(std::int64_t crossingLimit);
    ~GridSweep();
    GridSweep(const GridSweep &) = delete;
    GridSweep &operator=(const GridSweep &) = delete;

    // Adds the edges of a source graph; false when a coordinate is not
    // finite or too large for the grid arithmetic.
    bool addGraph(PolyGraph &graph, int tag);
    // Fills the destination; answers an engine result code.
    int run(PolyGraph &destination, const Filling &filling, bool backData);

    // Counters of the last run, for tests and measurements.
    std::int64_t crossings() const { return mCrossings; }

private:
    // A grid point in 32 bits: grid coordinates never need more.
    struct Point32 {
        std::int32_t x = 0, y = 0;
        Point32() = default;
        Point32(const grid::GridPoint &p)
            : x(std::int32_t(p.x))
            , y(std::int32_t(p.y))
        {
        }
        operator grid::GridPoint() const { return {x, y}; }
        friend bool operator==(const Point32 &, const Point32 &) = default;
    };
    struct Segment {
        Point32 a; // earlier end in sweep order
        Point32 b;
        int edge = -1;              // in the source graph of its tag
        std::int8_t tag = 0;
        std::int8_t weight = 1;     // +1 when the source edge runs from a to b, else -1
    };
    // A place where segments start: a source point, in sweep order.
    struct Entry {
        grid::GridPoint p;
        int startBegin, startEnd; // range of mStarts
        int anEnd;                // a segment that ends here, -1 none
    };
    // The start of a piece of a segment between two events: the event's
    // step and the windings on the piece's left (smaller-x) side.
    struct Record {
        int step;
        int left[2];
        int segment;
    };
    // A record once the hot pixels are known: the pixel of its step.
    struct Step {
        int pixel;
        int left[2];
    };
    struct SegmentState {
        int position = -1; // in the status, -1 when not in it
        int firstRecord = -1;
        int right[2] = {0, 0}; // windings right of the current piece
        int endStep = -1;      // the step where the segment ended
        // The last pairs queued with this segment on their left and on their
        // right: a pair meets again after a third segment passed between them.
        int queuedRight = -1, queuedLeft = -1;
    };
    // A crossing still to come, of two segments; its position in doubles
    // orders most pairs without the exact point.
    struct Event {
        double y, x;
        int left, right;
    };
    struct Piece {
        int u, v;    // hot pixels, u before v in sweep order
        int left[2]; // windings on the left of u -> v
        int segment;
        std::int8_t tag;
        std::int8_t sign; // weight of the piece along u -> v
    };

    // Adds a weight to the winding of its operand: the operand is a coin
    // toss, and indexing a pair by it would keep the pair in memory.
    static void addWeight(int tag, int weight, int &w0, int &w1)
    {
        w0 += weight & (tag - 1);
        w1 += weight & -tag;
    }
    static void addWeight(const Segment &s, int &w0, int &w1) { addWeight(s.tag, s.weight, w0, w1); }
    bool sweep();
    void assignPixels();
    bool routeSegments();
    void addPiece(const Segment &s, int segment, int from, int to, const int *left);
    int buildResult(PolyGraph &destination, const Filling &filling, bool backData);
    void testPair(int left, int right);
    grid::ExactPoint crossingOf(const Event &e) const;
    // Two positions closer than this in a coordinate are told apart by the
    // exact comparison; the doubles err by far less (grid coordinates are
    // below 2^24, so a crossing's doubles are off by less than 2^-26).
    static constexpr double kNear = 1e-6;
    // Doubles of two crossings farther apart than this are two points.
    static constexpr double kSame = 1e-7;
    // The point of the current step: its doubles, and its exact point once
    // something needed it (at once for a vertex).
    struct Here {
        double x = 0, y = 0;
        Event event{};
        grid::ExactPoint exact;
        bool known = false;
    };
    mutable Here mHere;
    const grid::ExactPoint &here() const;
    grid::GridPoint herePixel() const;
    bool passesHere(int segment) const;
    bool eventHere(const Event &e) const;
    // A bound on the error of dx * py - dy * px in doubles, where px and py
    // are offsets from a grid point to a crossing's doubles: beyond it the
    // sign of the double is the exact sign.  The offsets are below 2^25
    // (grid coordinates are below 2^24), so the bound depends on the line
    // alone: (|dx| + |dy|) (2^-22 + 2^25 * 2^-50).
    static double lineBound(double dx, double dy) { return (std::fabs(dx) + std::fabs(dy)) * (0x1p-22 + 0x1p-25); }
    // Each segment's line in doubles, for the test whether it passes a
    // crossing and for placing the result's points along it.
    struct Line {
        double ax, ay, dx, dy, bound;
        double inverseSquaredLength; // for the source parameters of the result's edges
    };
    std::vector<Line> mLines;
    // Heap order: the event that comes later in the sweep sinks.  Events
    // nearer than kNear in y are rare; the others are ordered by a value,
    // not a branch, so that the heap's choices compile to selections.
    bool later(const Event &l, const Event &r) const
    {
        if (std::fabs(l.y - r.y) <= kNear) [[unlikely]]
            return laterExactly(l, r);
        return l.y > r.y;
    }
    void pushEvent(const Event &e);
    void popEvent();
    void raiseEvent(std::size_t hole, const Event &e);
    bool laterExactly(const Event &l, const Event &r) const;

    // Work buffers are kept per thread between sweeps, so that a pipeline
    // of sweeps does not fault in fresh memory for every step.
    void exchangeBuffers(GridSweep &other);
    bool mBorrowed = false;

    std::int64_t mLimit;
    PolyGraph *mGraphs[2] = {nullptr, nullptr};
    std::int64_t mCrossings = 0;
    std::vector<Segment> mSegments;
    std::vector<int> mStarts;
    std::vector<Entry> mEntries;
    std::vector<int> mGraphEntries; // begin of each graph's entries, and the end
    std::vector<SegmentState> mState;
    std::vector<Record> mRecords;
    std::vector<Event> mEvents; // a heap
    std::vector<int> mStatus;
    std::vector<int> mBlock;
    std::vector<Point32> mStepPixel;         // per step of the sweep
    std::vector<int> mStepHot;               // hot pixel of each step
    std::vector<grid::GridPoint> mHot;       // sorted, distinct
    std::vector<Piece> mPieces;
    HotPixelIndex mIndex;
    // Scratch of the stages.
    std::vector<grid::GridPoint> mPoints;
    std::vector<int> mOffsets, mFill, mStartPoint, mEndSeed, mOrder, mRoute, mCandidates, mGroupStart, mSlot,
        mMark, mOwnAt, mRecordStart, mGroupOrder;
    std::vector<Step> mSteps, mOwn;
    std::vector<char> mUsed;
    std::vector<std::pair<grid::Int, int>> mOrdered, mOwnOrdered;
    std::vector<std::pair<std::uint64_t, int>> mKeys, mKeysSpare;
    struct Kept {
        int from, to;
        int segment; // that of the edge's first piece
    };
    std::vector<Kept, engine::UninitialisedAllocator<Kept>> mKept, mMerged;
    std::vector<int> mInEdge, mOutEdge;
    std::vector<char> mPassing;
    // Joins the two edges at every point that a kept edge only passes
    // through, and marks the points left in use in `slot` (-2).
    void dropPassingPoints(std::vector<int> &slot);
};

} // namespace scrivane
