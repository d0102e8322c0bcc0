#include "geometry/CommandPath.h"

#include "geometry/PolyGraph.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

constexpr int kSubdivisionDepth = 8;
constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
// A line is never cut into more pieces than this, whatever the tolerance.
constexpr float kMaxLinePieces = 65536.0f;

bool positive(float tolerance)
{
    return tolerance > 0.0f && std::isfinite(tolerance);
}

float cross(EnginePoint a, EnginePoint b)
{
    return a.x * b.y - a.y * b.x;
}

EnginePoint sub(EnginePoint a, EnginePoint b)
{
    return {a.x - b.x, a.y - b.y};
}

EnginePoint mid(EnginePoint a, EnginePoint b)
{
    return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

float length(EnginePoint a)
{
    return std::sqrt(a.x * a.x + a.y * a.y);
}

// Receives the points a subdivision produces.
struct PointSink {
    CommandPath &path;
    int add(EnginePoint p, int command, float t) { return path.addPoint(p.x, p.y, 1.0f, command, t, false); }
};

// Depth is bounded by kSubdivisionDepth, so the recursion is too.
void subdivideCubic(PointSink &sink, EnginePoint p0, EnginePoint t0, EnginePoint p1, EnginePoint t1, float tol,
                    int depth, float ta, float tb, int command, float maxLength)
{
    const EnginePoint d = sub(p1, p0);
    const float l = length(d);
    bool flat;
    if (l >= 0.01f)
        flat = std::fabs(cross(d, t0)) / l < tol && std::fabs(cross(t1, d)) / l < tol;
    else
        flat = t0.x * t0.x + t0.y * t0.y < tol && t1.x * t1.x + t1.y * t1.y < tol;
    if (maxLength >= 0.0f && !(l <= maxLength))
        flat = false;
    if (flat || depth <= 0)
        return;
    const EnginePoint m = {(p0.x + p1.x) / 2 + (t0.x - t1.x) / 8, (p0.y + p1.y) / 2 + (t0.y - t1.y) / 8};
    const EnginePoint tm = {0.75f * d.x - (t0.x + t1.x) / 8, 0.75f * d.y - (t0.y + t1.y) / 8};
    const float tmid = (ta + tb) / 2;
    subdivideCubic(sink, p0, {t0.x / 2, t0.y / 2}, m, tm, tol, depth - 1, ta, tmid, command, maxLength);
    sink.add(m, command, tmid);
    subdivideCubic(sink, m, tm, p1, {t1.x / 2, t1.y / 2}, tol, depth - 1, tmid, tb, command, maxLength);
}

void subdivideQuadratic(PointSink &sink, EnginePoint c, EnginePoint s, EnginePoint e, float tol, int depth,
                        float ta, float tb, int command, float maxLength)
{
    bool flat = std::fabs(cross(sub(s, c), sub(e, c))) < tol;
    if (maxLength >= 0.0f && !(length(sub(e, s)) <= maxLength))
        flat = false;
    if (flat || depth <= 0)
        return;
    const EnginePoint m = {(s.x + 2 * c.x + e.x) / 4, (s.y + 2 * c.y + e.y) / 4};
    const float tmid = (ta + tb) / 2;
    subdivideQuadratic(sink, mid(s, c), s, m, tol, depth - 1, ta, tmid, command, maxLength);
    sink.add(m, command, tmid);
    subdivideQuadratic(sink, mid(c, e), m, e, tol, depth - 1, tmid, tb, command, maxLength);
}

// The angle between an arc's samples: 0.1 radian, or with a positive
// `within` on a small arc, as much more as keeps every chord within that
// distance of the arc.  Only small arcs, and well within: an arc rebuilt
// from a result passes through points on the chords, and one drawn through
// two near points off its circle swings away from where it was, the
// further the larger it is.
float arcStep(const ArcSpec &arc, float within)
{
    constexpr float kStep = 0.1f;
    constexpr float kSmallArc = 128.0f; // in units of `within`
    const float r = std::fmax(arc.radiusX, arc.radiusY);
    if (!(within > 0.0f) || !std::isfinite(r) || r > kSmallArc * within)
        return kStep;
    if (!(within < r))
        return std::numbers::pi_v<float> / 2;
    return std::clamp(2.0f * std::acos(1.0f - within / r), kStep, std::numbers::pi_v<float> / 2);
}

void flattenArc(PointSink &sink, EnginePoint from, const ArcSpec &arc, int command, float within)
{
    if (!(arc.radiusX > 0.0001f) || !(arc.radiusY > 0.0001f))
        return;
    EnginePoint centre;
    float as = 0, ae = 0;
    if (!arcCentreAndAngles(from, arc, true, centre, as, ae))
        return;
    const float c = std::cos(arc.angle), s = std::sin(arc.angle);
    auto add = [&](float a, float t) {
        const float ca = std::cos(a), sa = std::sin(a);
        sink.add({centre.x + arc.radiusX * ca * c - arc.radiusY * sa * s,
                  centre.y + arc.radiusX * ca * s + arc.radiusY * sa * c},
                 command, t);
    };
    // At most a little over two turns of 0.1 radian steps.
    const float step = arcStep(arc, within);
    if (arc.clockwise) {
        if (ae > as)
            as += kTwoPi;
        for (int k = 1; k < 200; ++k) {
            const float a = as - step * float(k);
            if (!(a > ae))
                break;
            add(a, (as - a) / (as - ae));
        }
    } else {
        if (as > ae)
            as -= kTwoPi;
        for (int k = 1; k < 200; ++k) {
            const float a = as + step * float(k);
            if (!(a < ae))
                break;
            add(a, (a - as) / (ae - as));
        }
    }
}

// Points strictly before the end of a line, every `step` apart.
void splitLine(PointSink &sink, EnginePoint from, EnginePoint to, float step, int command)
{
    const float l = length(sub(to, from));
    if (!(step > 0.0f) || !(l > step) || !std::isfinite(l))
        return;
    if (l / step > kMaxLinePieces)
        step = l / kMaxLinePieces;
    for (int k = 1;; ++k) {
        const float d = step * float(k);
        if (!(d < l))
            break;
        const float u = d / l;
        sink.add({from.x + (to.x - from.x) * u, from.y + (to.y - from.y) * u}, command, u);
    }
}

} // namespace

void CommandPath::convertToPolylineBack(float tolerance)
{
    convertToPolylineBack(tolerance, ArcSampling::Fixed);
}

void CommandPath::convertToPolylineBack(float tolerance, ArcSampling arcs)
{
    // Curves are flattened to within about a quarter of the tolerance;
    // small arcs sampled by the tolerance keep to an eighth of that, and
    // only those of a radius up to 4 tolerances.
    const float arcWithin = arcs == ArcSampling::ByTolerance && positive(tolerance) ? tolerance / 32 : 0.0f;
    cancelBezier();
    closeSubpath(0);
    setBackData(true);
    resetPoints(commandCount());
    if (mCommands.empty())
        return;
    PointSink sink{*this};
    EnginePoint start = mCommands[0].point();
    addPoint(start.x, start.y, 1.0f, 0, 0.0f, true);
    EnginePoint current = start;
    const int n = commandCount();
    for (int i = 1; i < n; ++i) {
        const PathCommand c = mCommands[std::size_t(i)];
        switch (c.type()) {
        case kPathMoveTo:
            addPoint(c.x, c.y, 1.0f, i, 0.0f, true);
            start = current = c.point();
            break;
        case kPathLineTo:
        case kPathIntermediatePoint:
            addPoint(c.x, c.y, 1.0f, i, 1.0f, false);
            current = c.point();
            break;
        case kPathClose:
            addPoint(start.x, start.y, 1.0f, i, 1.0f, false);
            current = start;
            break;
        case kPathCubicTo:
            subdivideCubic(sink, current, c.startTangent(), c.point(), c.endTangent(), tolerance,
                           kSubdivisionDepth, 0.0f, 1.0f, i, -1.0f);
            addPoint(c.x, c.y, 1.0f, i, 1.0f, false);
            current = c.point();
            break;
        case kPathArcTo:
            flattenArc(sink, current, c.arc(), i, arcWithin);
            addPoint(c.x, c.y, 1.0f, i, 1.0f, false);
            current = c.point();
            break;
        case kPathBezierTo: {
            int count = c.count;
            while (count > 0 && (i + count >= n || mCommands[std::size_t(i + count)].type() != kPathIntermediatePoint))
                --count;
            if (count <= 0) {
                addPoint(c.x, c.y, 1.0f, i, 1.0f, false);
                current = c.point();
                break;
            }
            EnginePoint spanStart = current;
            for (int j = 0; j < count; ++j) {
                const EnginePoint control = mCommands[std::size_t(i + 1 + j)].point();
                const EnginePoint spanEnd =
                    j + 1 < count ? mid(control, mCommands[std::size_t(i + 2 + j)].point()) : c.point();
                if (j > 0)
                    addPoint(spanStart.x, spanStart.y, 1.0f, i + j - 1, 1.0f, false);
                subdivideQuadratic(sink, control, spanStart, spanEnd, tolerance, kSubdivisionDepth, 0.0f, 1.0f,
                                   i + j, -1.0f);
                spanStart = spanEnd;
            }
            addPoint(c.x, c.y, 1.0f, i + count - 1, 1.0f, false);
            current = c.point();
            i += count;
            break;
        }
        case kPathForcedPoint:
            addForcedPoint();
            break;
        default:
            break;
        }
    }
}

void CommandPath::convertToPolyline(float tolerance)
{
    convertWithLimit(tolerance, true);
}

void CommandPath::convertToPolylineNoSplit(float tolerance)
{
    convertWithLimit(tolerance, false);
}

void CommandPath::convertWithLimit(float tolerance, bool splitLines)
{
    cancelBezier();
    closeSubpath(0);
    setBackData(false);
    resetPoints(commandCount());
    if (mCommands.empty())
        return;
    PointSink sink{*this};
    const float limit = splitLines && positive(tolerance) ? 4.0f * tolerance : -1.0f;
    EnginePoint start = mCommands[0].point();
    int added = addPoint(start.x, start.y, 1.0f, -1, 0.0f, true);
    mCommands[0].associatedPoint = added >= 0 ? added : 0;
    EnginePoint current = start;
    auto moveCurrent = [&](EnginePoint p) {
        if (std::fabs(p.x - current.x) > 0.00001f || std::fabs(p.y - current.y) > 0.00001f)
            current = p;
    };
    auto associate = [&](int i, int point) {
        mCommands[std::size_t(i)].associatedPoint = point >= 0 ? point : mCommands[std::size_t(i - 1)].associatedPoint;
    };
    const int n = commandCount();
    for (int i = 1; i < n; ++i) {
        const PathCommand c = mCommands[std::size_t(i)];
        switch (c.type()) {
        case kPathMoveTo:
            associate(i, addPoint(c.x, c.y, 1.0f, -1, 0.0f, true));
            start = current = c.point();
            break;
        case kPathLineTo:
        case kPathIntermediatePoint:
            splitLine(sink, current, c.point(), limit, i);
            associate(i, addPoint(c.x, c.y, 1.0f, -1, 0.0f, false));
            moveCurrent(c.point());
            break;
        case kPathClose:
            splitLine(sink, current, start, limit, i);
            associate(i, addPoint(start.x, start.y, 1.0f, -1, 0.0f, false));
            moveCurrent(start);
            break;
        case kPathCubicTo:
            subdivideCubic(sink, current, c.startTangent(), c.point(), c.endTangent(), tolerance,
                           kSubdivisionDepth, 0.0f, 1.0f, i, limit);
            associate(i, addPoint(c.x, c.y, 1.0f, -1, 0.0f, false));
            moveCurrent(c.point());
            break;
        case kPathArcTo:
            flattenArc(sink, current, c.arc(), i, 0.0f);
            associate(i, addPoint(c.x, c.y, 1.0f, -1, 0.0f, false));
            moveCurrent(c.point());
            break;
        case kPathBezierTo: {
            int count = c.count;
            while (count > 0 && (i + count >= n || mCommands[std::size_t(i + count)].type() != kPathIntermediatePoint))
                --count;
            EnginePoint spanStart = current;
            for (int j = 0; j < count; ++j) {
                const EnginePoint control = mCommands[std::size_t(i + 1 + j)].point();
                const EnginePoint spanEnd =
                    j + 1 < count ? mid(control, mCommands[std::size_t(i + 2 + j)].point()) : c.point();
                subdivideQuadratic(sink, control, spanStart, spanEnd, tolerance, kSubdivisionDepth, 0.0f, 1.0f,
                                   i + j, limit);
                if (j + 1 < count) {
                    const int p = addPoint(spanEnd.x, spanEnd.y, 1.0f, -1, 0.0f, false);
                    // The k-th intermediate point (k >= 2) ends at its span's start.
                    mCommands[std::size_t(i + 2 + j)].associatedPoint = p >= 0 ? p : pointCount() - 1;
                }
                spanStart = spanEnd;
            }
            associate(i, addPoint(c.x, c.y, 1.0f, -1, 0.0f, false));
            moveCurrent(c.point());
            i += count;
            break;
        }
        case kPathForcedPoint:
            mCommands[std::size_t(i)].associatedPoint = addForcedPoint();
            break;
        default:
            associate(i, -1);
            break;
        }
    }
}

void CommandPath::convertToPolylineAlongSource(float tolerance, const CommandPath &source, float offset)
{
    // The plain walk, except for curved pieces that carry a source range:
    // there a piece that runs against the source is marked by going back to
    // the source and forth again, so that the later normalisation cuts the
    // reversed loop away.
    convertToPolylineBack(tolerance);
    if (mCommands.empty() || source.commandCount() == 0)
        return;
    std::vector<PolylinePoint> original = mPoints;
    resetPoints(int(original.size()));
    auto sourceAt = [&](const PathCommand &c, float t) {
        const float u = (1 - t) * c.tStart + t * c.tEnd;
        return source.pointAndTangentAt(c.associatedPoint, u);
    };
    for (const PolylinePoint &p : original) {
        if (p.kind == kPolylinePoint && p.command >= 0 && p.command < commandCount()) {
            const PathCommand &c = mCommands[std::size_t(p.command)];
            const bool curved = c.type() == kPathCubicTo || c.type() == kPathBezierTo
                || c.type() == kPathIntermediatePoint;
            if (curved && c.associatedPoint >= 0 && !mPoints.empty() && mPoints.back().command == p.command) {
                const float t0 = mPoints.back().t, t1 = p.t;
                const CurveSample s0 = sourceAt(c, t0), s1 = sourceAt(c, t1), sm = sourceAt(c, (t0 + t1) / 2);
                auto offsetPoint = [&](const CurveSample &s) {
                    return EnginePoint{s.point.x - offset * s.tangent.y, s.point.y + offset * s.tangent.x};
                };
                const EnginePoint o0 = offsetPoint(s0), om = offsetPoint(sm), o1 = offsetPoint(s1);
                EnginePoint d1 = sub(om, o0), d2 = sub(o1, om);
                auto unit = [](EnginePoint &d) {
                    const float l2 = d.x * d.x + d.y * d.y;
                    if (l2 > 0.0001f) {
                        const float l = std::sqrt(l2);
                        d = {d.x / l, d.y / l};
                    }
                };
                unit(d1);
                unit(d2);
                const EnginePoint dt = sub(sm.tangent, s0.tangent);
                const EnginePoint dd = sub(d2, d1);
                if (dt.x * dd.x + dt.y * dd.y < 0) {
                    const PolylinePoint last = mPoints.back();
                    addPoint(s0.point.x, s0.point.y, 1.0f, -1, 0.0f, false);
                    addPoint(p.x, p.y, 1.0f, p.command, t1, false);
                    addPoint(last.x, last.y, 1.0f, p.command, t0, false);
                    addPoint(s1.point.x, s1.point.y, 1.0f, -1, 0.0f, false);
                }
            }
        }
        if (p.kind == kPolylineForced)
            addForcedPoint();
        else
            addPoint(p.x, p.y, p.weight, p.command, p.t, p.kind == kPolylineMoveTo);
    }
}

void CommandPath::fill(PolyGraph *graph, int pathId, bool append, bool close, bool prepareOnly) const
{
    if (!graph)
        return;
    if (!append)
        graph->reset(pointCount());
    if (pointCount() < 2)
        return;
    const int base = graph->pointCount();
    if (mBackData)
        graph->makeBackData(true);
    if (prepareOnly)
        return;
    for (const PolylinePoint &p : mPoints) {
        if (graph->addPoint(p.x, p.y) < 0)
            return;
    }
    int lastKept = 0;
    int subpathStart = 0;
    int lastEdge = -1;
    bool backAtStart = false;
    auto near = [](const PolylinePoint &a, const PolylinePoint &b) {
        return std::fabs(a.x - b.x) <= 0.00001f && std::fabs(a.y - b.y) <= 0.00001f;
    };
    auto endSubpath = [&]() {
        if (!close || lastKept == subpathStart)
            return;
        if (backAtStart && lastEdge >= 0) {
            graph->disconnectEnd(lastEdge);
            graph->connectEnd(base + subpathStart, lastEdge);
            return;
        }
        const int e = graph->addEdge(base + lastKept, base + subpathStart);
        if (e >= 0 && mBackData && graph->hasFlag(PolyGraph::kHasBackData)) {
            BackData &b = graph->backData(e);
            b = {pathId, mPoints[std::size_t(subpathStart)].command, 0.0f, 1.0f, 0.0f, 1.0f};
        }
    };
    const int n = pointCount();
    for (int k = 1; k < n; ++k) {
        const PolylinePoint &p = mPoints[std::size_t(k)];
        if (p.kind == kPolylineMoveTo) {
            endSubpath();
            lastKept = subpathStart = k;
            lastEdge = -1;
            backAtStart = false;
            continue;
        }
        const PolylinePoint &last = mPoints[std::size_t(lastKept)];
        if (near(p, last))
            continue;
        const int e = graph->addEdge(base + lastKept, base + k);
        if (e >= 0) {
            lastEdge = e;
            if (mBackData && graph->hasFlag(PolyGraph::kHasBackData)) {
                BackData &b = graph->backData(e);
                const float from = last.command == p.command ? last.t : 0.0f;
                b = {pathId, p.command, from, p.t, std::fmin(from, p.t), std::fmax(from, p.t)};
            }
        }
        backAtStart = near(p, mPoints[std::size_t(subpathStart)]);
        lastKept = k;
    }
    endSubpath();
}

bool CommandPath::previousPoint(int command, float &x, float &y) const
{
    for (int i = command; i >= 0 && i < commandCount(); --i) {
        const PathCommand &c = mCommands[std::size_t(i)];
        switch (c.type()) {
        case kPathClose:
        case kPathIntermediatePoint:
        case kPathForcedPoint:
            continue;
        case kPathMoveTo:
        case kPathLineTo:
        case kPathCubicTo:
        case kPathArcTo:
        case kPathBezierTo:
            x = c.x;
            y = c.y;
            return true;
        default:
            return false;
        }
    }
    return false;
}

int CommandPath::locateBezier(int command, int &bezier, int &spanCount) const
{
    for (int b = command; b >= 0; --b) {
        const int type = mCommands[std::size_t(b)].type();
        if (type == kPathBezierTo) {
            bezier = b;
            spanCount = mCommands[std::size_t(b)].count;
            return command - b;
        }
        if (type != kPathIntermediatePoint)
            break;
    }
    bezier = -1;
    spanCount = 0;
    return -1;
}

EnginePoint CommandPath::pointAt(int command, float t) const
{
    return pointAndTangentAt(command, t).point;
}

CurveSample CommandPath::pointAndTangentAt(int command, float t) const
{
    CurveSample none;
    const int n = commandCount();
    if (command < 0 || command >= n)
        return none;
    auto isDrawing = [&](int i) {
        const int type = mCommands[std::size_t(i)].type();
        return type == kPathLineTo || type == kPathCubicTo || type == kPathArcTo || type == kPathBezierTo
            || type == kPathIntermediatePoint;
    };
    int i = command;
    int type = mCommands[std::size_t(i)].type();
    // A moveto answers for the command it starts, a close or forced point
    // for the command it follows; resolved without any back-and-forth.
    if (type == kPathMoveTo) {
        if (i + 1 < n && isDrawing(i + 1)) {
            ++i;
            t = 0.0f;
        } else {
            none.point = mCommands[std::size_t(i)].point();
            return none;
        }
    } else if (type == kPathClose || type == kPathForcedPoint) {
        while (i >= 0 && (mCommands[std::size_t(i)].type() == kPathClose
                          || mCommands[std::size_t(i)].type() == kPathForcedPoint))
            --i;
        if (i < 0)
            return none;
        if (!isDrawing(i)) {
            none.point = mCommands[std::size_t(i)].point();
            return none;
        }
        t = 1.0f;
    }
    for (int guard = 0; guard < 2; ++guard) {
        const PathCommand &c = mCommands[std::size_t(i)];
        EnginePoint start;
        if (!previousPoint(i - 1, start.x, start.y))
            start = c.point();
        switch (c.type()) {
        case kPathLineTo: return tangentOnSegmentAt(t, start, c.point());
        case kPathCubicTo: return tangentOnCubicAt(t, start, c.point(), c.startTangent(), c.endTangent(), t >= 1.0f);
        case kPathArcTo: return tangentOnArcAt(t, start, c.arc());
        case kPathBezierTo:
        case kPathIntermediatePoint: {
            int b = -1, count = 0;
            const int span = locateBezier(i, b, count);
            if (b < 0 || span >= count || b + count >= n) {
                // Beyond the bezier: the end of the command before.
                if (i == 0 || guard > 0)
                    return none;
                --i;
                t = 1.0f;
                if (!isDrawing(i)) {
                    none.point = mCommands[std::size_t(i)].point();
                    return none;
                }
                continue;
            }
            EnginePoint spanStart;
            if (!previousPoint(b - 1, spanStart.x, spanStart.y))
                spanStart = mCommands[std::size_t(b)].point();
            const EnginePoint control = mCommands[std::size_t(b + 1 + span)].point();
            if (span > 0)
                spanStart = mid(mCommands[std::size_t(b + span)].point(), control);
            const EnginePoint spanEnd =
                span + 1 < count ? mid(control, mCommands[std::size_t(b + 2 + span)].point()) : mCommands[std::size_t(b)].point();
            return tangentOnQuadraticAt(t, spanStart, control, spanEnd, t >= 1.0f);
        }
        default: return none;
        }
    }
    return none;
}

} // namespace scrivane
