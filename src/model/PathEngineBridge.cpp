#include "model/PathEngineBridge.h"

#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

// The engine writes a cubic's control points as a third of its tangents,
// in single precision.
constexpr float kThird = 0.33333334f;

Point toPoint(EnginePoint p)
{
    return Point(p.x, p.y);
}

// Cubics along an elliptic arc of the engine from `from`, at most a
// quarter turn each.  Radii too small to join the two points grow until
// they do; a radius of zero, or a value that is not finite, makes a line.
void appendArc(TDBezierPath &path, EnginePoint from, const ArcSpec &source)
{
    const EnginePoint to = source.end;
    if (from.x == to.x && from.y == to.y)
        return;
    ArcSpec arc = source;
    arc.radiusX = std::fabs(arc.radiusX);
    arc.radiusY = std::fabs(arc.radiusY);
    const double c = std::cos(double(arc.angle)), s = std::sin(double(arc.angle));
    if (!(arc.radiusX > 0.0f) || !(arc.radiusY > 0.0f) || !std::isfinite(arc.radiusX) || !std::isfinite(arc.radiusY)
        || !std::isfinite(c) || !std::isfinite(s)) {
        path.lineTo(toPoint(to));
        return;
    }
    const double dx = double(to.x) - from.x, dy = double(to.y) - from.y;
    const double u = (dx * c + dy * s) / arc.radiusX, v = (dy * c - dx * s) / arc.radiusY;
    const double q = u * u + v * v;
    if (q > 4.0) {
        const double grow = std::sqrt(q / 4.0) * (1.0 + 1e-6);
        arc.radiusX = float(arc.radiusX * grow);
        arc.radiusY = float(arc.radiusY * grow);
    }
    EnginePoint centre;
    float a0 = 0, a1 = 0;
    if (!arcCentreAndAngles(from, arc, true, centre, a0, a1)) {
        path.lineTo(toPoint(to));
        return;
    }
    constexpr double twoPi = 2 * std::numbers::pi;
    double start = a0, end = a1;
    if (arc.clockwise && end > start)
        start += twoPi;
    else if (!arc.clockwise && start > end)
        start -= twoPi;
    const double sweep = end - start;
    if (!(std::fabs(sweep) > 1e-9)) {
        path.lineTo(toPoint(to));
        return;
    }
    const int pieces = std::clamp(int(std::ceil(std::fabs(sweep) / (std::numbers::pi / 2) - 1e-9)), 1, 8);
    const double step = sweep / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    const double rx = arc.radiusX, ry = arc.radiusY;
    auto at = [&](double a) {
        return Point(float(centre.x + rx * std::cos(a) * c - ry * std::sin(a) * s),
                     float(centre.y + rx * std::cos(a) * s + ry * std::sin(a) * c));
    };
    auto slope = [&](double a) {
        return std::pair<double, double>{-rx * std::sin(a) * c - ry * std::cos(a) * s,
                                         -rx * std::sin(a) * s + ry * std::cos(a) * c};
    };
    Point p0(from.x, from.y);
    for (int i = 0; i < pieces; ++i) {
        const double t0 = start + step * i, t1 = (i + 1 == pieces) ? end : t0 + step;
        const Point p1 = i + 1 == pieces ? Point(to.x, to.y) : at(t1);
        const auto d0 = slope(t0), d1 = slope(t1);
        path.curveTo(p1, Point(float(p0.x + k * d0.first), float(p0.y + k * d0.second)),
                     Point(float(p1.x - k * d1.first), float(p1.y - k * d1.second)));
        p0 = p1;
    }
}

} // namespace

void appendBezierPathToCommandPath(const PathBase &path, CommandPath &commands)
{
    Point previous, subpathStart;
    Point points[3];
    for (int i = 0; i < path.elementCount(); ++i) {
        switch (path.elementAtIndex(i, points)) {
        case PathElementType::MoveTo:
            commands.moveTo(points[0].x, points[0].y);
            previous = subpathStart = points[0];
            break;
        case PathElementType::LineTo:
            commands.lineTo(points[0].x, points[0].y);
            previous = points[0];
            break;
        case PathElementType::CurveTo:
            commands.cubicTo(points[2].x, points[2].y, 3 * (points[0].x - previous.x), 3 * (points[0].y - previous.y),
                             3 * (points[2].x - points[1].x), 3 * (points[2].y - points[1].y));
            previous = points[2];
            break;
        case PathElementType::ClosePath:
            commands.close();
            // What follows a close starts where the closed subpath began.
            previous = subpathStart;
            break;
        }
    }
}

CommandPath commandPathFromBezierPath(const PathBase &path)
{
    CommandPath commands;
    appendBezierPathToCommandPath(path, commands);
    return commands;
}

TDBezierPath bezierPathFromCommandPath(const CommandPath &commands)
{
    TDBezierPath path = TDBezierPath::bezierPath();
    EnginePoint current, subpathStart;
    const int n = commands.commandCount();
    for (int i = 0; i < n; ++i) {
        const PathCommand &c = commands.command(i);
        switch (c.type()) {
        case kPathMoveTo:
            path.moveTo(toPoint(c.point()));
            current = subpathStart = c.point();
            break;
        case kPathLineTo:
            path.lineTo(toPoint(c.point()));
            current = c.point();
            break;
        case kPathCubicTo:
            path.curveTo(toPoint(c.point()),
                         Point(current.x + c.startTangentX * kThird, current.y + c.startTangentY * kThird),
                         Point(c.x - c.endTangentX * kThird, c.y - c.endTangentY * kThird));
            current = c.point();
            break;
        case kPathArcTo:
            appendArc(path, current, c.arc());
            current = c.point();
            break;
        case kPathBezierTo: {
            // A chain of quadratic pieces through the midpoints of its
            // control points; each piece is exactly a cubic.
            int count = std::max(0, c.count);
            while (count > 0 && (i + count >= n || commands.command(i + count).type() != kPathIntermediatePoint))
                --count;
            EnginePoint spanStart = current;
            for (int k = 0; k < count; ++k) {
                const EnginePoint control = commands.command(i + 1 + k).point();
                const EnginePoint next = commands.command(std::min(i + 2 + k, n - 1)).point();
                const EnginePoint spanEnd =
                    k + 1 < count ? EnginePoint{(control.x + next.x) / 2, (control.y + next.y) / 2} : c.point();
                path.curveTo(toPoint(spanEnd),
                             Point(spanStart.x + 2.0f / 3 * (control.x - spanStart.x),
                                   spanStart.y + 2.0f / 3 * (control.y - spanStart.y)),
                             Point(spanEnd.x + 2.0f / 3 * (control.x - spanEnd.x),
                                   spanEnd.y + 2.0f / 3 * (control.y - spanEnd.y)));
                spanStart = spanEnd;
            }
            if (count == 0)
                path.lineTo(toPoint(c.point()));
            current = c.point();
            i += count;
            break;
        }
        case kPathClose:
            path.close();
            current = subpathStart;
            break;
        default: break;
        }
    }
    return path;
}

int engineFillRule(WindingRule rule)
{
    return rule == WindingRule::NonZero ? engine::kNonZero : engine::kEvenOdd;
}

int engineJoin(LineJoinStyle join)
{
    switch (join) {
    case LineJoinStyle::Round: return engine::kJoinRound;
    case LineJoinStyle::Bevel: return engine::kJoinBevel;
    default: return engine::kJoinMiter;
    }
}

int engineCap(LineCapStyle cap)
{
    switch (cap) {
    case LineCapStyle::Round: return engine::kCapRound;
    case LineCapStyle::Square: return engine::kCapSquare;
    default: return engine::kCapButt;
    }
}

QString engineFailureMessage(int code)
{
    switch (code) {
    case engine::kTooComplex:
        return QCoreApplication::translate("PathEngine", "The shapes cross themselves too often to be combined.");
    case engine::kNotEulerian:
        return QCoreApplication::translate("PathEngine", "The shapes could not be combined into a closed outline.");
    default:
        return QCoreApplication::translate("PathEngine",
                                           "A shape lies too far out or has coordinates that are not numbers.");
    }
}

} // namespace scrivane
