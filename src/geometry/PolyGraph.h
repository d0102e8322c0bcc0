#pragma once

// The polygon engine's directed graph of points and straight edges: flattened
// paths are filled into it, the sweep turns it into an uncrossed, oriented
// graph on the 1/32 grid, and the rebuild walks it back into commands.

#include "geometry/EngineCodes.h"
#include "geometry/PathEvaluators.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace scrivane {

class CommandPath;
class PolyGraph;

class SweepTree;
class SweepTreeList;
class SweepEventQueue;

struct GraphPoint {
    float x = 0.0f;
    float y = 0.0f;
    int inDegree = 0;
    int outDegree = 0;
    int firstEdge = -1;
    int lastEdge = -1;
    // In-degree plus out-degree as the last sweep left it.
    int recordedDegree = 0;
};

struct GraphEdge {
    float dx = 0.0f;
    float dy = 0.0f;
    int start = -1;
    int end = -1;
    int nextAtStart = -1;
    int prevAtStart = -1;
    int nextAtEnd = -1;
    int prevAtEnd = -1;
};

// An edge's links at its end lie two fields after those at its start, so
// that which end a point is (a coin toss) picks a field by offset rather
// than by a branch.
static_assert(offsetof(GraphEdge, nextAtEnd) - offsetof(GraphEdge, nextAtStart) == 2 * sizeof(int));
static_assert(offsetof(GraphEdge, prevAtEnd) - offsetof(GraphEdge, prevAtStart) == 2 * sizeof(int));
inline int &linkAt(int &atStart, bool atEnd)
{
    return (&atStart)[2 * int(atEnd)];
}

struct PointWorkRecord {
    int entryIndex = 0;
    int finalIndex = 0;
    int pending = 0;
    int nextWaiting = -1;
    PolyGraph *leftGraph = nullptr;
    int leftEdge = -1;
    float roundedX = 0.0f;
    float roundedY = 0.0f;
};

struct EdgeWorkRecord {
    int weight = 1;
    float roundedDx = 0.0f;
    float roundedDy = 0.0f;
    double squaredLength = 0.0;
    double length = 0.0;
    double inverseSquaredLength = 0.0;
    double inverseLength = 0.0;
    double unitY = 0.0;
    double unitX = 0.0;
};

struct SweepEdgeRecord {
    SweepTree *node = nullptr;
    int waitingHead = -1;
    int startPoint = -1;
    int endPoint = -1;
    int firstPoint = -1;
    int lastPoint = -1;
    PolyGraph *nextGraph = nullptr;
    int nextEdge = -1;
    int currentPoint = -1;
    int lastHandled = -1;
};

// Windings of the two sides of an edge; the face walk of the rebuild reuses
// the record for its own bookkeeping.
struct WindingRecord {
    int visited = 0;
    int lastChild = -1;
    int parent = -1;
    int negativeWinding = 0;
    int positiveWinding = 0;
    int visitNumber = 0;
};

// Ties an edge to the source command it came from: the command (piece) of
// source path pathId, and the parameters of the edge's ends on it.  The
// parameters of a piece of a flattened edge are placed along the edge's
// chord, where the curve's own parameter may run faster or slower; the
// range of the whole flattened edge, which holds the true parameter of
// every point of the piece, lets the rebuild find where each end really
// lies on the curve.
struct BackData {
    int pathId = -1;
    int piece = -1;
    float tStart = 0.0f;
    float tEnd = 0.0f;
    float rangeStart = 0.0f;
    float rangeEnd = 1.0f;
};

class PolyGraph
{
public:
    struct IncidentRecord;
    static constexpr std::uint32_t kPointsAdded = 0x1;
    static constexpr std::uint32_t kEdgesUnsorted = 0x2;
    static constexpr std::uint32_t kHasPointData = 0x4;
    static constexpr std::uint32_t kHasEdgeData = 0x8;
    static constexpr std::uint32_t kHasSweepEdgeData = 0x10;
    static constexpr std::uint32_t kHasWindingData = 0x20;
    static constexpr std::uint32_t kHasSweepStructures = 0x40;
    static constexpr std::uint32_t kHasBackData = 0x200;

    // Bound on the crossings one sweep may find before it gives up with
    // engine::kTooComplex; also bounds the edges a sweep may produce.
    static constexpr std::int64_t kDefaultCrossingLimit = std::int64_t(1) << 22;

    PolyGraph();
    ~PolyGraph();
    PolyGraph(const PolyGraph &) = delete;
    PolyGraph &operator=(const PolyGraph &) = delete;

    void releaseStorage();
    void reset(int n);

    int pointCount() const { return int(mPoints.size()); }
    int edgeCount() const { return int(mEdges.size()); }
    const GraphPoint &point(int i) const { return mPoints[std::size_t(i)]; }
    const GraphEdge &edge(int e) const { return mEdges[std::size_t(e)]; }
    bool normalized() const { return mNormalized != 0; }
    std::uint32_t flagWord() const { return mFlags; }

    int addPoint(float x, float y);
    int addEdge(int start, int end);
    void removeEdge(int e);
    void connectStart(int point, int e);
    void connectEnd(int point, int e);
    void disconnectStart(int e);
    void disconnectEnd(int e);
    void reverseEdge(int e);
    void swapEdges(int a, int b);
    void swapPoints(int a, int b);
    void sortEdges();
    bool isEulerian(bool directed) const;

    void makePointData(bool on);
    void makeEdgeData(bool on);
    void makeSweepEdgeData(bool on);
    void makeWindingData(bool on);
    void makeBackData(bool on);
    void makeSweepWorkData(bool on);
    void dropSweepWorkData();
    bool hasFlag(std::uint32_t bits) const { return (mFlags & bits) == bits; }
    int setFlag(std::uint32_t bits, bool on);
    void markNormalized() { mNormalized = 1; }
    void copyFrom(const PolyGraph *source);

    PointWorkRecord &pointData(int i) { return mPointData[std::size_t(i)]; }
    EdgeWorkRecord &edgeData(int e) { return mEdgeData[std::size_t(e)]; }
    SweepEdgeRecord &sweepEdge(int e) { return mSweepEdgeData[std::size_t(e)]; }
    WindingRecord &winding(int e) { return mWindingData[std::size_t(e)]; }
    BackData &backData(int e) { return mBackData[std::size_t(e)]; }
    const BackData &backData(int e) const { return mBackData[std::size_t(e)]; }
    const WindingRecord &winding(int e) const { return mWindingData[std::size_t(e)]; }

    // The sweep (PolyGraph+Sweep.cpp); called on the destination.
    int normalize(PolyGraph &source, int fillRule);
    int boolean(PolyGraph *a, PolyGraph *b, int operation);
    // The boolean of two unnormalised sources in one sweep, each operand's
    // winding read under its own fill rule: the same filled set as
    // normalising both and combining the results, without the two
    // intermediate graphs.
    int booleanOfSources(PolyGraph &a, int ruleA, PolyGraph &b, int ruleB, int operation);
    int reorientCopy(PolyGraph &source);
    int windingAt(float x, float y) const;
    void setCrossingLimit(std::int64_t limit) { mCrossingLimit = limit > 0 ? limit : 1; }
    std::int64_t crossingLimit() const { return mCrossingLimit; }
    void dumpCrossings() const;

    // Stroking (PolyGraph+Stroke.cpp).  Each piece of a stroke is added as
    // a closed loop of its own, all turning the same way, so that the
    // non-zero normalisation of the graph merges them into the stroked area.
    // A join at `corner` between the incoming and outgoing unit directions,
    // on the outer side of the turn, for the half width: a bevel triangle,
    // a miter (cut square to the bisector at the distance `miterLimit` from
    // the corner when longer) or a round wedge; nothing going straight on,
    // the round cap for a round join that turns right round.
    void addStrokeJoin(float halfWidth, int join, EnginePoint corner, EnginePoint in, EnginePoint out,
                       float miterLimit);
    // The cap beyond `end`, facing the unit direction `outward`: nothing for
    // butt, a square, a half round or a point.
    void addStrokeCap(float halfWidth, int cap, EnginePoint end, EnginePoint outward);
    // Edges from point `from` to point `to` along the quadratic from `start`
    // (the point of `from`) to `end` with control `control`, halved while the
    // quadratic's triangle is larger than `flatness` and `depth` allows.
    void addQuadraticArc(int from, int to, EnginePoint control, EnginePoint start, EnginePoint end,
                         float flatness, int depth);
    // The band of a straight piece from a (half width ha) to b (hb).
    void addStrokeBand(EnginePoint a, float ha, EnginePoint b, float hb);
    // Fills this graph with the offset of a normalised source graph's edges
    // by `distance` (positive: away from the filled side), the corners by
    // the join; not normalised.  engine::kBadOperands for a source that is
    // not normalised or too small; a copy for a distance of 0.
    int offsetGraph(const PolyGraph &source, float distance, int join, float miterLimit);

    // Back to commands (PolyGraph+Commands.cpp).
    void toCommandPath(CommandPath &destination, int n, const CommandPath *const *sources);
    void toCommandPathPlain(CommandPath &destination);
    void sortPoints();
    void sortPointsRounded();
    void sortPointsWithData(int first, int last);

private:
    friend class GridSweep;

    bool validPoint(int i) const { return i >= 0 && i < pointCount(); }
    bool validEdge(int e) const { return e >= 0 && e < edgeCount(); }
    int &nextAt(int e, int point)
    {
        GraphEdge &edge = mEdges[std::size_t(e)];
        return linkAt(edge.nextAtStart, edge.start != point);
    }
    int &prevAt(int e, int point)
    {
        GraphEdge &edge = mEdges[std::size_t(e)];
        return linkAt(edge.prevAtStart, edge.start != point);
    }
    bool growEdgeArrays(std::size_t n);
    // Where the angular order takes edge directions from.
    enum class DirectionSource { Stored, WorkRecords, SnappedPoints };
    void sortIncidence(int point, DirectionSource source, std::vector<IncidentRecord> &records);
    // With passThrough false, points with one edge in and one out keep
    // their order (any order of two edges is the same cycle) and the graph
    // stays marked unsorted.
    void sortEdgesBy(DirectionSource source, bool passThrough = true);
    // Every point on the 1/32 grid and every stored direction the exact
    // difference of its end points.
    bool pointsOnGrid() const;
    void applyPointOrder(const std::vector<int> &order);
    int emitContour(CommandPath &destination, int n, const CommandPath *const *sources, int firstEdge,
                    const std::vector<int> &next);
    int rebuildLine(int e, CommandPath &destination, const std::vector<int> &next);
    int rebuildCubic(int e, CommandPath &destination, const CommandPath &source, const std::vector<int> &next);
    int rebuildArc(int e, CommandPath &destination, const CommandPath &source, const std::vector<int> &next);
    int rebuildBezierRun(int e, CommandPath &destination, const CommandPath &source,
                         const std::vector<int> &next);
    void rebuildQuadraticSpan(float ax, float ay, float bx, float by, CommandPath &destination, int bezier,
                              int count, const CommandPath &source, int span, float t0, float t1);
    int extendRun(int e, const std::vector<int> &next, int &end, float &tEnd, int &lastEdge) const;

    std::vector<GraphPoint> mPoints;
    std::vector<GraphEdge> mEdges;
    int mNormalized = 1;
    std::uint32_t mFlags = 0;
    // Set by a sweep that left every point on the grid (and small enough
    // for exact differences); anything that adds a point or an edge clears
    // it, so that pointsOnGrid() need not look at every point again.
    bool mKnownOnGrid = false;
    std::vector<PointWorkRecord> mPointData;
    std::vector<EdgeWorkRecord> mEdgeData;
    std::vector<SweepEdgeRecord> mSweepEdgeData;
    std::vector<WindingRecord> mWindingData;
    std::vector<BackData> mBackData;
    std::int64_t mCrossingLimit = kDefaultCrossingLimit;
};

} // namespace scrivane
