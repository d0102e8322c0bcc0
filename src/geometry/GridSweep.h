#pragma once

// The sweep behind normalisation and the boolean: finds every crossing of
// the source edges exactly, rounds the arrangement to the 1/32 grid by
// routing every edge through the hot pixels it passes (so that rounding
// creates no new crossing), merges duplicate edges, computes the windings of
// both sides of every edge and keeps the edges between filled and empty.

#include "geometry/GridArithmetic.h"
#include "geometry/HotPixelIndex.h"

#include <cstdint>
#include <vector>

namespace scrivane {

class PolyGraph;

class GridSweep
{
public:
    // What counts as filled, from the windings of graph 0 and graph 1.
    enum class Rule { EvenOdd, NonZero, Union, Intersection, Difference, ExclusiveOr };

    explicit GridSweep(std::int64_t crossingLimit);

    // Adds the edges of a source graph; false when a coordinate is not
    // finite or too large for the grid arithmetic.
    bool addGraph(PolyGraph &graph, int tag);
    // Fills the destination; answers an engine result code.
    int run(PolyGraph &destination, Rule rule, bool backData);

    // Counters of the last run, for tests and measurements.
    std::int64_t crossings() const { return mCrossings; }

private:
    struct Segment {
        grid::GridPoint a; // earlier end in sweep order
        grid::GridPoint b;
        PolyGraph *graph = nullptr;
        int edge = -1;
        int tag = 0;
        bool reversed = false; // the source edge runs from b to a
    };
    struct Piece {
        int u, v; // hot pixels, u < v
        int sign; // +1 when the source edge runs from u to v
        int tag;
        int segment;
        float tu, tv; // source parameter at u and at v
    };

    bool findCrossings();
    bool routeSegments();
    int buildResult(PolyGraph &destination, Rule rule, bool backData);

    std::int64_t mLimit;
    std::int64_t mCrossings = 0;
    std::vector<Segment> mSegments;
    std::vector<grid::GridPoint> mHot;
    std::vector<Piece> mPieces;
    HotPixelIndex mIndex;
};

} // namespace scrivane
