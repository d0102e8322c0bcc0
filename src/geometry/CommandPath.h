#pragma once

// The polygon engine's own path: an ordered list of drawing commands and,
// once flattened, the polyline of its points.

#include "geometry/PathEvaluators.h"

#include <cstdint>
#include <span>
#include <vector>

namespace scrivane {

class PolyGraph;

enum PathCommandKind : std::int32_t {
    kPathMoveTo = 0,
    kPathLineTo = 1,
    kPathCubicTo = 2,
    kPathBezierTo = 3,
    kPathArcTo = 4,
    kPathClose = 5,
    kPathIntermediatePoint = 6,
    kPathForcedPoint = 7,
};
inline constexpr std::int32_t kPathKindMask = 0xF;
inline constexpr std::int32_t kPathWeighted = 0x10;

// One command.  Every kind uses the same record; which fields mean
// something depends on the kind.
struct PathCommand {
    std::int32_t kind = kPathMoveTo;
    // Polyline point of a source path the command was derived from, -1 none.
    std::int32_t associatedPoint = -1;
    float tStart = 0.0f;
    float tEnd = 1.0f;
    // End point (moveto, lineto, cubicto, bezierto, arcto, intermediate point).
    float x = 0.0f;
    float y = 0.0f;
    // A command is a cubic or an arc, never both, so their fields share
    // their room: a large result is an array of many commands.  Both read
    // as zeros until set.
    union {
        float shapeFields[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        // Cubic: derivative vectors at both ends (three times the control arms).
        struct {
            float startTangentX;
            float startTangentY;
            float endTangentX;
            float endTangentY;
        };
        // Arc.
        struct {
            float radiusX;
            float radiusY;
            float angle;
            bool largeArc;
            bool clockwise;
        };
    };
    // Moveto: number of commands of its subpath (0 while it is open);
    // bezierto: number of intermediate points that follow it.
    std::int32_t count = 0;
    float weight = 1.0f;

    int type() const { return kind & kPathKindMask; }
    bool weighted() const { return (kind & kPathWeighted) != 0; }
    EnginePoint point() const { return {x, y}; }
    EnginePoint startTangent() const { return {startTangentX, startTangentY}; }
    EnginePoint endTangent() const { return {endTangentX, endTangentY}; }
    ArcSpec arc() const { return {{x, y}, radiusX, radiusY, angle, largeArc, clockwise}; }
};

enum PolylinePointKind : std::int32_t {
    kPolylinePoint = 0,
    kPolylineMoveTo = 1,
    kPolylineForced = 2,
};

// One point of the flattened polyline.  The weight is 1, the command -1 and
// t 0 unless the path's weighted or back-data switch is on.
struct PolylinePoint {
    std::int32_t kind = kPolylinePoint;
    float x = 0.0f;
    float y = 0.0f;
    float weight = 1.0f;
    std::int32_t command = -1;
    float t = 0.0f;
};

class CommandPath
{
public:
    // Flag bits.
    static constexpr std::uint32_t kBezierOpen = 0x1;
    static constexpr std::uint32_t kSubpathOpen = 0x2;
    static constexpr std::uint32_t kBezierDelayed = 0x4;

    CommandPath();
    ~CommandPath();
    CommandPath(const CommandPath &) = default;
    CommandPath &operator=(const CommandPath &) = default;

    // State.
    void reset();
    void resetPoints(int n);
    void setWeighted(bool on);
    void setBackData(bool on);
    void dump() const;

    std::uint32_t flags() const { return mFlags; }
    int commandCount() const { return int(mCommands.size()); }
    const PathCommand &command(int i) const { return mCommands[std::size_t(i)]; }
    PathCommand &command(int i) { return mCommands[std::size_t(i)]; }
    const std::vector<PathCommand> &commands() const { return mCommands; }
    int pendingBezier() const { return mPendingBezier; }
    int pendingMoveTo() const { return mPendingMoveTo; }
    bool weighted() const { return mWeighted; }
    bool backData() const { return mBackData; }
    int pointCount() const { return int(mPoints.size()); }
    const PolylinePoint &point(int i) const { return mPoints[std::size_t(i)]; }
    const std::vector<PolylinePoint> &points() const { return mPoints; }

    // Commands; each answers the index of what it appended, -1 for nothing.
    int moveTo(float x, float y);
    int moveToWeighted(float x, float y, float w);
    int lineTo(float x, float y);
    int lineToWeighted(float x, float y, float w);
    int cubicTo(float x, float y, float startTangentX, float startTangentY, float endTangentX,
                float endTangentY);
    int cubicToWeighted(float x, float y, float startTangentX, float startTangentY, float endTangentX,
                        float endTangentY, float w);
    int arcTo(float x, float y, float radiusX, float radiusY, float angle, bool largeArc, bool clockwise);
    int arcToWeighted(float x, float y, float radiusX, float radiusY, float angle, bool largeArc,
                      bool clockwise, float w);
    int bezierTo(float x, float y);
    int bezierToWeighted(float x, float y, float w);
    int delayedBezierTo();
    int delayedBezierToWeighted();
    int intermBezierTo(float x, float y);
    int intermBezierToWeighted(float x, float y, float w);
    int endBezier(float x, float y);
    int endBezierWeighted(float x, float y, float w);
    int finishBezier();
    int cancelBezier();
    int close();
    int closeSubpath(int extra);
    int forcePoint();

    // Polyline points.
    int addPoint(float x, float y, float weight, int command, float t, bool moveTo);
    int addPointWeighted(float x, float y, float weight, bool moveTo);
    int addPointBack(float x, float y, int command, float t, bool moveTo);
    int addPointPlain(float x, float y, bool moveTo);
    int addForcedPoint();
    int addForcedPointWeighted();
    int addForcedPointBack();
    int addForcedPointPlain();

    // Flattening (CommandPath+Flatten.cpp).  A tolerance that is not a
    // positive number subdivides curves to the full depth and splits no line.
    void convertToPolylineBack(float tolerance);
    // Arcs are sampled every 0.1 radian; by the tolerance, small ones take
    // as few samples as keep within the tolerance (never closer than 0.1
    // radian).
    enum class ArcSampling { Fixed, ByTolerance };
    void convertToPolylineBack(float tolerance, ArcSampling arcs);
    void convertToPolyline(float tolerance);
    void convertToPolylineNoSplit(float tolerance);
    void convertToPolylineAlongSource(float tolerance, const CommandPath &source, float offset);
    void fill(PolyGraph *graph, int pathId, bool append, bool close, bool prepareOnly) const;

    // Evaluators.
    bool previousPoint(int command, float &x, float &y) const;
    EnginePoint pointAt(int command, float t) const;
    CurveSample pointAndTangentAt(int command, float t) const;

    // Stroking into a graph (CommandPath+Stroke.cpp).  The polyline (flatten
    // first) stroked at `halfWidth` times each point's weight into `graph`
    // (emptied first unless `append`), every subpath on its own, closed or
    // open; with a dash pattern only the dashes.  Points closer than about
    // 0.03 to the point before are passed over.  The graph is for the
    // non-zero normalisation, which merges the overlapping pieces.
    struct DashEntry {
        bool gap = false;
        float length = 0.0f;
    };
    void stroke(PolyGraph &graph, bool closed, float halfWidth, int join, int cap, float miterLimit,
                bool append) const;
    // A pattern without an entry of positive length strokes without dashes.
    void strokeDashed(PolyGraph &graph, bool closed, float halfWidth, int join, int cap, float miterLimit,
                      std::span<const DashEntry> dashes, bool append) const;

    // Offset outline (CommandPath+Outline.cpp).  The outline of this path
    // stroked at `halfWidth` on each side, with the engine's join and cap
    // codes, into `destination`: one closed contour per open subpath, two
    // per closed one, overlapping where the stroke folds over itself (a
    // non-zero normalisation merges them).  Each offset command names the
    // source command it follows in its associated point, with the source
    // parameter range in t start and t end; joins and caps keep -1, 0, 1.
    // An open bezier is cancelled and an open subpath ended first.  A
    // subpath that draws nothing is left out.
    void outline(CommandPath &destination, float halfWidth, int join, int cap, float miterLimit);
    // The same with the cap at the start of every open subpath and the cap
    // at its end given apart.
    void outlineWithCaps(CommandPath &destination, float halfWidth, int join, int startCap, int endCap,
                         float miterLimit);
    // One side only, at `distance` (negative: the other side): the whole
    // path as one closed offset, or every subpath reversed and closed.
    void offsetPath(CommandPath &destination, float distance, int join, int cap, float miterLimit);
    void offsetPathReversed(CommandPath &destination, float distance, int join, int cap, float miterLimit);
    // The join at `point` between the offset of a piece ending with unit
    // normal `a` and one starting with unit normal `b`, from the current
    // point (point + distance a) to point + distance b.
    static void addJoin(CommandPath &destination, EnginePoint point, EnginePoint a, EnginePoint b, float distance,
                        int join, float miterLimit);

    // Curve re-fitting (CommandPath+Refit.cpp).  Runs of commands become as
    // few cubics as fit their flattened points within `threshold` (a
    // distance); moves, closes and multi-point beziers stay.  A threshold
    // that is not a positive number, or a path of fewer than 3 commands,
    // leaves the path as it is.
    void coalesce(float threshold);
    // The least-squares cubic through polyline points first..last (both
    // kept): its end point and Hermite tangents.  False when the points do
    // not span a length, the system is singular or the error reaches
    // threshold squared.
    struct CubicFit {
        EnginePoint end;
        EnginePoint startTangent;
        EnginePoint endTangent;
    };
    bool fitCubicToPoints(int first, int last, float threshold, CubicFit &fit) const;
    // Appends a move and a chain of lines and cubics following polyline
    // points first..last; closes it when it ends where it began.
    void fitPolylineSubpath(int first, int last, float threshold);
    // Replaces the commands by the fit of every subpath of the polyline.
    void simplifyPolyline(float threshold);

private:
    // The rebuild from a graph sizes the command array once.
    friend class PolyGraph;

    int append(const PathCommand &c);
    PathCommand *appendBlank(std::int32_t kind);
    void recordSubpathLength(int extra);
    int appendMoveTo(float x, float y, bool weighted, float w);
    int appendSimple(PathCommand c);
    void dropPendingBezier();
    void convertWithLimit(float tolerance, bool splitLines);
    int locateBezier(int command, int &bezier, int &spanCount) const;

    std::uint32_t mFlags = 0;
    std::vector<PathCommand> mCommands;
    int mPendingBezier = -1;
    int mPendingMoveTo = -1;
    bool mWeighted = false;
    bool mBackData = false;
    std::vector<PolylinePoint> mPoints;
};

// Whether a command, drawn from `start`, does not move: a line or arc
// ending within 1e-5 of its start (an arc also needs a small radius or no
// large-arc flag), a cubic whose polynomial has no coefficient beyond its
// constant term, a bezier whose points all lie at its start; every other
// kind counts as not moving.
bool isZeroLengthCommand(const CommandPath &path, int command, EnginePoint start);

// One Newton step from parameter u toward the parameter of the point of
// the cubic (four control points) nearest to `point`; u itself when the
// step is undefined.
float nearestParameterStep(EnginePoint point, const EnginePoint cubic[4], float u);

} // namespace scrivane
