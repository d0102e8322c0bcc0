#include "geometry/PolyGraph.h"

#include "geometry/CommandPath.h"
#include "geometry/EngineStorage.h"
#include "geometry/GridArithmetic.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;
// How near its circle an arc's start must lie (relative to the radius) for
// a rebuilt run of it to be drawn on that circle.
constexpr float kArcOnCircle = 0.01f;

// Total order on floats, NaN last, so that sorting never misbehaves.
bool lessTotal(float a, float b)
{
    if (std::isnan(a))
        return false;
    if (std::isnan(b))
        return true;
    return a < b;
}

// A curve's position and first two derivatives at a parameter.
struct CurveJet {
    double x, y, dx, dy, ddx, ddy;
};

CurveJet hermiteJet(EnginePoint p0, EnginePoint t0, EnginePoint p1, EnginePoint t1, double t)
{
    const double t2 = t * t, t3 = t2 * t;
    const double h[4] = {2 * t3 - 3 * t2 + 1, t3 - 2 * t2 + t, -2 * t3 + 3 * t2, t3 - t2};
    const double d[4] = {6 * t2 - 6 * t, 3 * t2 - 4 * t + 1, -6 * t2 + 6 * t, 3 * t2 - 2 * t};
    const double dd[4] = {12 * t - 6, 6 * t - 4, -12 * t + 6, 6 * t - 2};
    auto mix = [&](const double *w, bool y) {
        return y ? w[0] * p0.y + w[1] * t0.y + w[2] * p1.y + w[3] * t1.y
                 : w[0] * p0.x + w[1] * t0.x + w[2] * p1.x + w[3] * t1.x;
    };
    return {mix(h, false), mix(h, true), mix(d, false), mix(d, true), mix(dd, false), mix(dd, true)};
}

CurveJet quadraticJet(EnginePoint s, EnginePoint c, EnginePoint e, double t)
{
    const double u = 1 - t;
    return {u * u * s.x + 2 * t * u * c.x + t * t * e.x,
            u * u * s.y + 2 * t * u * c.y + t * t * e.y,
            2 * (u * (double(c.x) - s.x) + t * (double(e.x) - c.x)),
            2 * (u * (double(c.y) - s.y) + t * (double(e.y) - c.y)),
            2 * (double(e.x) - 2.0 * c.x + s.x),
            2 * (double(e.y) - 2.0 * c.y + s.y)};
}

// Where on the curve a point of the result lies: the parameter, within the
// stretch lo..hi of one flattened edge (nearly straight, so the distance
// has one minimum there), of the curve point nearest to it.  The estimate
// placed along the edge's chord starts the search; an estimate at an end of
// the stretch is a point of the flattening and exact already.
template <typename Jet>
float nearestOnStretch(const Jet &jet, EnginePoint p, float estimate, float lo, float hi)
{
    if (!(lo < hi) || !(estimate > lo && estimate < hi))
        return estimate;
    // Half the derivative of the squared distance, and its derivative.
    auto slope = [&](double t, double &g, double &dg) {
        const CurveJet j = jet(t);
        const double ex = j.x - p.x, ey = j.y - p.y;
        g = ex * j.dx + ey * j.dy;
        dg = j.dx * j.dx + j.dy * j.dy + ex * j.ddx + ey * j.ddy;
    };
    double a = lo, b = hi, g = 0, dg = 0;
    slope(a, g, dg);
    if (!(g < 0))
        return lo;
    slope(b, g, dg);
    if (!(g > 0))
        return hi;
    double t = estimate;
    for (int i = 0; i < 50 && b - a > 1e-9; ++i) {
        slope(t, g, dg);
        if (g == 0)
            break;
        (g > 0 ? b : a) = t;
        const double newton = dg > 0 ? t - g / dg : a;
        t = newton > a && newton < b ? newton : (a + b) / 2;
    }
    return float(t);
}

bool lessYX(float ay, float ax, float by, float bx)
{
    if (lessTotal(ay, by))
        return true;
    if (lessTotal(by, ay))
        return false;
    return lessTotal(ax, bx);
}

} // namespace

void PolyGraph::sortPoints()
{
    if (!(mFlags & kPointsAdded))
        return;
    mFlags &= ~kPointsAdded;
    std::vector<int> order(static_cast<std::size_t>(pointCount()));
    for (int i = 0; i < pointCount(); ++i)
        order[std::size_t(i)] = i;
    std::sort(order.begin(), order.end(), [this](int a, int b) {
        return lessYX(mPoints[std::size_t(a)].y, mPoints[std::size_t(a)].x, mPoints[std::size_t(b)].y,
                      mPoints[std::size_t(b)].x);
    });
    applyPointOrder(order);
}

void PolyGraph::sortPointsRounded()
{
    if (!hasFlag(kHasPointData))
        return;
    std::vector<int> order(static_cast<std::size_t>(pointCount()));
    for (int i = 0; i < pointCount(); ++i)
        order[std::size_t(i)] = i;
    std::sort(order.begin(), order.end(), [this](int a, int b) {
        const PointWorkRecord &p = mPointData[std::size_t(a)], &q = mPointData[std::size_t(b)];
        return lessYX(p.roundedY, p.roundedX, q.roundedY, q.roundedX);
    });
    applyPointOrder(order);
}

void PolyGraph::sortPointsWithData(int first, int last)
{
    if (!hasFlag(kHasPointData))
        return;
    first = std::max(first, 0);
    last = std::min(last, pointCount() - 1);
    if (first >= last)
        return;
    std::vector<int> order(static_cast<std::size_t>(pointCount()));
    for (int i = 0; i < pointCount(); ++i)
        order[std::size_t(i)] = i;
    std::sort(order.begin() + first, order.begin() + last + 1, [this](int a, int b) {
        const GraphPoint &p = mPoints[std::size_t(a)], &q = mPoints[std::size_t(b)];
        if (lessYX(p.y, p.x, q.y, q.x))
            return true;
        if (lessYX(q.y, q.x, p.y, p.x))
            return false;
        return mPointData[std::size_t(a)].entryIndex < mPointData[std::size_t(b)].entryIndex;
    });
    applyPointOrder(order);
}

void PolyGraph::toCommandPath(CommandPath &destination, int n, const CommandPath *const *sources)
{
    if (pointCount() < 2 || edgeCount() < 2 || !isEulerian(true))
        return;
    if (!hasFlag(kHasBackData)) {
        toCommandPathPlain(destination);
        return;
    }
    destination.reset();
    destination.setWeighted(false);
    // Room for a line and a junction mark per edge, so that long results
    // are not copied while they grow.
    engine::reserveFor(destination.mCommands, 2 * std::size_t(edgeCount()) + 16);
    // The angular order by the directions between the rounded end points;
    // on a graph whose points lie on the grid already (every sweep result)
    // the stored directions are those differences, exactly.
    // A point with one edge in and one out passes the walk on from the
    // one to the other whatever their order, so only the others are sorted.
    sortEdgesBy(pointsOnGrid() ? DirectionSource::Stored : DirectionSource::SnappedPoints, false);
    makeEdgeData(false);

    std::vector<char> visited(static_cast<std::size_t>(edgeCount()), 0);
    std::vector<int> next(static_cast<std::size_t>(edgeCount()), -1), prev(static_cast<std::size_t>(edgeCount()), -1);
    auto turn = [&](int current, int point) {
        // The next free outgoing edge after the incoming one, in angular order.
        const GraphPoint &pt = mPoints[std::size_t(point)];
        if (pt.inDegree == 1 && pt.outDegree == 1) {
            // The point's two edges are its first and last.
            const int out = pt.firstEdge ^ pt.lastEdge ^ current;
            return visited[std::size_t(out)] ? -1 : out;
        }
        int x = current;
        const int first = pt.firstEdge;
        if (first < 0)
            return -1;
        for (int guard = 0; guard <= edgeCount(); ++guard) {
            x = nextAt(x, point);
            x += (first - x) & (x >> 31); // past the last edge: the first
            if (x == current)
                return -1;
            if ((mEdges[std::size_t(x)].start == point) & !visited[std::size_t(x)])
                return x;
        }
        return -1;
    };
    for (int p = 0; p < pointCount(); ++p) {
        const int fe = mPoints[std::size_t(p)].firstEdge;
        if (fe < 0 || visited[std::size_t(fe)])
            continue;
        int e = fe;
        while (e >= 0 && (mEdges[std::size_t(e)].start != p || visited[std::size_t(e)]))
            e = nextAt(e, p);
        if (e < 0)
            continue;
        visited[std::size_t(e)] = 1;
        int contourFirst = e;
        int contourStart = p;
        int current = e;
        bool backtracking = false;
        while (current >= 0) {
            const int at = mEdges[std::size_t(current)].end;
            const int found = turn(current, at);
            if (found >= 0) {
                if (backtracking) {
                    contourFirst = found;
                    contourStart = at;
                } else if (at == contourStart) {
                    next[std::size_t(current)] = -1;
                    emitContour(destination, n, sources, contourFirst, next);
                    contourFirst = found;
                }
                visited[std::size_t(found)] = 1;
                prev[std::size_t(found)] = current;
                next[std::size_t(current)] = found;
                current = found;
                backtracking = false;
                continue;
            }
            if (!backtracking && current != contourFirst) {
                next[std::size_t(current)] = -1;
                emitContour(destination, n, sources, contourFirst, next);
            }
            current = prev[std::size_t(current)];
            backtracking = true;
        }
    }
}

void PolyGraph::toCommandPathPlain(CommandPath &destination)
{
    destination.reset();
    destination.setWeighted(false);
    // Room for a line and a junction mark per edge, so that long results
    // are not copied while they grow.
    engine::reserveFor(destination.mCommands, 2 * std::size_t(edgeCount()) + 16);
    // The angular order by the directions between the rounded end points;
    // on a graph whose points lie on the grid already (every sweep result)
    // the stored directions are those differences, exactly.
    // A point with one edge in and one out passes the walk on from the
    // one to the other whatever their order, so only the others are sorted.
    sortEdgesBy(pointsOnGrid() ? DirectionSource::Stored : DirectionSource::SnappedPoints, false);
    makeEdgeData(false);
    std::vector<char> visited(static_cast<std::size_t>(edgeCount()), 0);
    std::vector<int> prev(static_cast<std::size_t>(edgeCount()), -1);
    for (int p = 0; p < pointCount(); ++p) {
        const int fe = mPoints[std::size_t(p)].firstEdge;
        if (fe < 0 || visited[std::size_t(fe)])
            continue;
        int e = fe;
        while (e >= 0 && (mEdges[std::size_t(e)].start != p || visited[std::size_t(e)]))
            e = nextAt(e, p);
        if (e < 0)
            continue;
        visited[std::size_t(e)] = 1;
        const GraphPoint &first = mPoints[std::size_t(mEdges[std::size_t(e)].end)];
        destination.moveTo(first.x, first.y);
        int current = e;
        bool backtracking = false;
        while (current >= 0) {
            const int at = mEdges[std::size_t(current)].end;
            int found = -1;
            int x = current;
            for (int guard = 0; guard <= edgeCount(); ++guard) {
                x = nextAt(x, at);
                if (x < 0)
                    x = mPoints[std::size_t(at)].firstEdge;
                if (x < 0 || x == current)
                    break;
                if (mEdges[std::size_t(x)].start == at && !visited[std::size_t(x)]) {
                    found = x;
                    break;
                }
            }
            if (found >= 0) {
                if (backtracking)
                    destination.moveTo(mPoints[std::size_t(at)].x, mPoints[std::size_t(at)].y);
                visited[std::size_t(found)] = 1;
                prev[std::size_t(found)] = current;
                const GraphPoint &to = mPoints[std::size_t(mEdges[std::size_t(found)].end)];
                destination.lineTo(to.x, to.y);
                current = found;
                backtracking = false;
                continue;
            }
            if (!backtracking)
                destination.close();
            current = prev[std::size_t(current)];
            backtracking = true;
        }
    }
}

int PolyGraph::emitContour(CommandPath &destination, int n, const CommandPath *const *sources, int firstEdge,
                           const std::vector<int> &next)
{
    const GraphPoint &start = mPoints[std::size_t(mEdges[std::size_t(firstEdge)].start)];
    destination.moveTo(start.x, start.y);
    int e = firstEdge;
    for (int guard = 0; e >= 0 && guard <= edgeCount(); ++guard) {
        const BackData &b = mBackData[std::size_t(e)];
        const CommandPath *source = b.pathId >= 0 && b.pathId < n && sources ? sources[b.pathId] : nullptr;
        int following;
        if (!source || b.piece < 0 || b.piece >= source->commandCount()) {
            const GraphPoint &to = mPoints[std::size_t(mEdges[std::size_t(e)].end)];
            destination.lineTo(to.x, to.y);
            following = next[std::size_t(e)];
        } else {
            switch (source->command(b.piece).type()) {
            case kPathLineTo: following = rebuildLine(e, destination, next); break;
            case kPathCubicTo: following = rebuildCubic(e, destination, *source, next); break;
            case kPathBezierTo:
                following = source->command(b.piece).count != 0 ? rebuildBezierRun(e, destination, *source, next)
                                                                : rebuildLine(e, destination, next);
                break;
            case kPathArcTo: following = rebuildArc(e, destination, *source, next); break;
            case kPathIntermediatePoint: following = rebuildBezierRun(e, destination, *source, next); break;
            default: {
                const GraphPoint &to = mPoints[std::size_t(mEdges[std::size_t(e)].end)];
                destination.lineTo(to.x, to.y);
                following = next[std::size_t(e)];
                break;
            }
            }
        }
        if (following < 0)
            break;
        const GraphPoint &junction = mPoints[std::size_t(mEdges[std::size_t(following)].start)];
        if (junction.inDegree + junction.outDegree >= 3)
            destination.forcePoint();
        e = following;
    }
    destination.close();
    return 0;
}

int PolyGraph::extendRun(int e, const std::vector<int> &next, int &end, float &tEnd, int &lastEdge) const
{
    const BackData &first = mBackData[std::size_t(e)];
    end = mEdges[std::size_t(e)].end;
    tEnd = first.tEnd;
    lastEdge = e;
    int m = next[std::size_t(e)];
    for (int guard = 0; m >= 0 && guard <= edgeCount(); ++guard) {
        const GraphPoint &s = mPoints[std::size_t(mEdges[std::size_t(m)].start)];
        const BackData &b = mBackData[std::size_t(m)];
        if (s.inDegree + s.outDegree > 2 || s.recordedDegree > 2 || b.pathId != first.pathId || b.piece != first.piece
            || std::fabs(tEnd - b.tStart) > 0.0001f)
            break;
        end = mEdges[std::size_t(m)].end;
        tEnd = b.tEnd;
        lastEdge = m;
        m = next[std::size_t(m)];
    }
    return m;
}

int PolyGraph::rebuildLine(int e, CommandPath &destination, const std::vector<int> &next)
{
    int end = -1, last = -1;
    float tEnd = 0;
    const int following = extendRun(e, next, end, tEnd, last);
    destination.lineTo(mPoints[std::size_t(end)].x, mPoints[std::size_t(end)].y);
    return following;
}

int PolyGraph::rebuildCubic(int e, CommandPath &destination, const CommandPath &source, const std::vector<int> &next)
{
    int end = -1, last = -1;
    float tEnd = 0;
    const int following = extendRun(e, next, end, tEnd, last);
    const BackData &b = mBackData[std::size_t(e)];
    const BackData &l = mBackData[std::size_t(last)];
    const PathCommand &c = source.command(b.piece);
    EnginePoint p0;
    if (!source.previousPoint(b.piece - 1, p0.x, p0.y))
        p0 = c.point();
    const auto jet = [&](double t) { return hermiteJet(p0, c.startTangent(), c.point(), c.endTangent(), t); };
    const GraphPoint &from = mPoints[std::size_t(mEdges[std::size_t(e)].start)], &to = mPoints[std::size_t(end)];
    const float t0 = nearestOnStretch(jet, {from.x, from.y}, b.tStart, b.rangeStart, b.rangeEnd);
    const float t1 = nearestOnStretch(jet, {to.x, to.y}, tEnd, l.rangeStart, l.rangeEnd);
    const float scale = t1 - t0;
    const EnginePoint d0 = cubicTangentAt(t0, p0, c.startTangent(), c.point(), c.endTangent());
    const EnginePoint d1 = cubicTangentAt(t1, p0, c.startTangent(), c.point(), c.endTangent());
    destination.cubicTo(to.x, to.y, d0.x * scale, d0.y * scale, d1.x * scale, d1.y * scale);
    return following;
}

int PolyGraph::rebuildArc(int e, CommandPath &destination, const CommandPath &source, const std::vector<int> &next)
{
    int end = -1, last = -1;
    float tEnd = 0;
    const int following = extendRun(e, next, end, tEnd, last);
    const BackData &b = mBackData[std::size_t(e)];
    const PathCommand &c = source.command(b.piece);
    EnginePoint start;
    float a0 = 0, a1 = 0;
    const GraphPoint &to = mPoints[std::size_t(end)];
    if (!source.previousPoint(b.piece - 1, start.x, start.y) || !arcAnglesFromEndpoints(start, c.arc(), a0, a1)) {
        destination.lineTo(to.x, to.y);
        return following;
    }
    if (c.clockwise && a1 > a0)
        a0 += kTwoPi;
    else if (!c.clockwise && a0 > a1)
        a0 -= kTwoPi;
    const float extent = (a1 - a0) * (tEnd - b.tStart);
    const bool large = std::fabs(extent) > std::numbers::pi_v<float>;
    const bool clockwise = b.tStart > tEnd ? !c.clockwise : c.clockwise;
    // The ends of the run lie on the flattened arc's chords, inside the
    // circle.  An arc of the source's radius drawn straight through them
    // has another centre, far off when they are nearly opposite (a cap's
    // half turn), and strays from the circle: the arc through them takes
    // the centre nearest the source's instead, and the radius that gives.
    EnginePoint centre;
    float s0 = 0, s1 = 0;
    const GraphPoint &from = mPoints[std::size_t(mEdges[std::size_t(e)].start)];
    const float r = c.radiusX;
    if (c.radiusY == r && arcCentreAndAngles(start, c.arc(), false, centre, s0, s1)
        && std::fabs(std::hypot(start.x - centre.x, start.y - centre.y) - r) <= kArcOnCircle * r) {
        const double mx = (double(from.x) + to.x) / 2, my = (double(from.y) + to.y) / 2;
        const double dx = double(to.x) - from.x, dy = double(to.y) - from.y, l2 = dx * dx + dy * dy;
        if (l2 > 0) {
            // The centre's foot on the perpendicular bisector of the run.
            const double along = ((centre.x - mx) * -dy + (centre.y - my) * dx) / l2;
            const double cx = mx - along * dy, cy = my + along * dx;
            const float radius = float(std::hypot(cx - from.x, cy - from.y));
            if (std::fabs(radius - r) <= kArcOnCircle * r) {
                destination.arcTo(to.x, to.y, radius, radius, c.angle, large, clockwise);
                return following;
            }
        }
    }
    destination.arcTo(to.x, to.y, c.radiusX, c.radiusY, c.angle, large, clockwise);
    return following;
}

void PolyGraph::rebuildQuadraticSpan(float ax, float ay, float bx, float by, CommandPath &destination, int bezier,
                                     int count, const CommandPath &source, int span, float t0, float t1)
{
    EnginePoint spanStart;
    if (!source.previousPoint(bezier - 1, spanStart.x, spanStart.y))
        spanStart = source.command(bezier).point();
    const EnginePoint control = source.command(span + 1).point();
    if (span > bezier)
        spanStart = {(source.command(span).x + control.x) / 2, (source.command(span).y + control.y) / 2};
    const EnginePoint spanEnd = span + 1 < bezier + count
        ? EnginePoint{(control.x + source.command(span + 2).x) / 2, (control.y + source.command(span + 2).y) / 2}
        : source.command(bezier).point();
    const EnginePoint m = quadraticPointAt((t0 + t1) / 2, spanStart, control, spanEnd);
    destination.bezierTo(bx, by);
    destination.intermBezierTo(2 * m.x - (ax + bx) / 2, 2 * m.y - (ay + by) / 2);
    destination.finishBezier();
}

int PolyGraph::rebuildBezierRun(int e, CommandPath &destination, const CommandPath &source,
                                const std::vector<int> &next)
{
    const BackData &first = mBackData[std::size_t(e)];
    const int c0 = first.piece;
    int b = -1;
    if (source.command(c0).type() == kPathBezierTo) {
        b = c0;
    } else {
        for (int k = c0 - 1; k >= 1; --k) {
            const int type = source.command(k).type();
            if (type == kPathBezierTo) {
                b = k;
                break;
            }
            if (type != kPathIntermediatePoint)
                break;
        }
    }
    const GraphPoint &eEnd = mPoints[std::size_t(mEdges[std::size_t(e)].end)];
    int count = b >= 0 ? source.command(b).count : 0;
    while (count > 0
           && (b + count >= source.commandCount() || source.command(b + count).type() != kPathIntermediatePoint))
        --count;
    if (b < 0 || count <= 0 || c0 < b || c0 > b + count - 1) {
        destination.lineTo(eEnd.x, eEnd.y);
        return next[std::size_t(e)];
    }
    int c1 = c0;
    float tS = first.tStart, tE = first.tEnd;
    int endPoint = mEdges[std::size_t(e)].end;
    int lastEdge = e;
    int m = next[std::size_t(e)];
    auto inside = [](float t) { return t > 0.0001f && t < 0.9999f; };
    for (int guard = 0; m >= 0 && guard <= edgeCount(); ++guard) {
        const GraphPoint &s = mPoints[std::size_t(mEdges[std::size_t(m)].start)];
        const BackData &bd = mBackData[std::size_t(m)];
        if (s.inDegree + s.outDegree > 2 || s.recordedDegree > 2 || bd.pathId != first.pathId || bd.piece < b
            || bd.piece > b + count - 1)
            break;
        if (bd.piece == c1 ? std::fabs(tE - bd.tStart) > 0.0001f : (inside(tE) || inside(bd.tStart)))
            break;
        c1 = bd.piece;
        tE = bd.tEnd;
        endPoint = mEdges[std::size_t(m)].end;
        lastEdge = m;
        m = next[std::size_t(m)];
    }
    const GraphPoint &S = mPoints[std::size_t(mEdges[std::size_t(e)].start)];
    const GraphPoint &E = mPoints[std::size_t(endPoint)];
    auto ctrl = [&](int k) { return source.command(k + 1).point(); };
    auto spanStart = [&](int k) {
        if (k == b) {
            EnginePoint p;
            if (!source.previousPoint(b - 1, p.x, p.y))
                p = source.command(b).point();
            return p;
        }
        const EnginePoint a = ctrl(k - 1), c = ctrl(k);
        return EnginePoint{(a.x + c.x) / 2, (a.y + c.y) / 2};
    };
    auto spanEnd = [&](int k) {
        return k + 1 < b + count ? spanStart(k + 1) : source.command(b).point();
    };
    // Where the run's ends really lie on their spans.
    auto refine = [&](int k, EnginePoint p, float t, const BackData &edge) {
        const EnginePoint s0 = spanStart(k), c = ctrl(k), s1 = spanEnd(k);
        return nearestOnStretch([&](double u) { return quadraticJet(s0, c, s1, u); }, p, t, edge.rangeStart,
                                edge.rangeEnd);
    };
    tS = refine(c0, {S.x, S.y}, tS, first);
    tE = refine(c1, {E.x, E.y}, tE, mBackData[std::size_t(lastEdge)]);
    if (c0 == c1) {
        rebuildQuadraticSpan(S.x, S.y, E.x, E.y, destination, b, count, source, c0, tS, tE);
    } else if (c0 < c1) {
        const bool firstPartial = !(tS < 0.0001f);
        const bool lastPartial = !(tE > 0.9999f);
        int k = c0;
        if (firstPartial) {
            const EnginePoint to = spanStart(c0 + 1);
            rebuildQuadraticSpan(S.x, S.y, to.x, to.y, destination, b, count, source, c0, tS, 1.0f);
            k = c0 + 1;
        }
        const int wholeEnd = lastPartial ? c1 - 1 : c1;
        if (k <= wholeEnd) {
            const EnginePoint to = lastPartial ? spanStart(c1) : EnginePoint{E.x, E.y};
            destination.bezierTo(to.x, to.y);
            for (int j = k; j <= wholeEnd; ++j)
                destination.intermBezierTo(ctrl(j).x, ctrl(j).y);
            destination.finishBezier();
        }
        if (lastPartial) {
            const EnginePoint from = spanStart(c1);
            rebuildQuadraticSpan(from.x, from.y, E.x, E.y, destination, b, count, source, c1, 0.0f, tE);
        }
    } else {
        const bool firstPartial = !(tS > 0.9999f);
        const bool lastPartial = !(tE < 0.0001f);
        int k = c0;
        if (firstPartial) {
            const EnginePoint to = spanStart(c0);
            rebuildQuadraticSpan(S.x, S.y, to.x, to.y, destination, b, count, source, c0, tS, 0.0f);
            k = c0 - 1;
        }
        const int wholeEnd = lastPartial ? c1 + 1 : c1;
        if (k >= wholeEnd) {
            const EnginePoint to = lastPartial ? spanStart(c1 + 1) : EnginePoint{E.x, E.y};
            destination.bezierTo(to.x, to.y);
            for (int j = k; j >= wholeEnd; --j)
                destination.intermBezierTo(ctrl(j).x, ctrl(j).y);
            destination.finishBezier();
        }
        if (lastPartial) {
            const EnginePoint from = spanStart(c1 + 1);
            rebuildQuadraticSpan(from.x, from.y, E.x, E.y, destination, b, count, source, c1, 1.0f, tE);
        }
    }
    return m;
}

} // namespace scrivane
