#include "geometry/CommandPath.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace scrivane {

namespace {

bool usableThreshold(float threshold)
{
    return threshold > 0.0f && std::isfinite(threshold);
}

struct Point2 {
    double x = 0, y = 0;
};

Point2 bezierAt(const Point2 c[4], double u)
{
    const double v = 1 - u;
    const double b0 = v * v * v, b1 = 3 * u * v * v, b2 = 3 * u * u * v, b3 = u * u * u;
    return {b0 * c[0].x + b1 * c[1].x + b2 * c[2].x + b3 * c[3].x, b0 * c[0].y + b1 * c[1].y + b2 * c[2].y + b3 * c[3].y};
}

// Sum over the inner points of the squared distance to the curve at their
// parameters.
double fitError(const std::vector<Point2> &p, const std::vector<double> &u, const Point2 c[4])
{
    double e = 0;
    for (std::size_t i = 1; i + 1 < p.size(); ++i) {
        const Point2 q = bezierAt(c, u[i]);
        e += (q.x - p[i].x) * (q.x - p[i].x) + (q.y - p[i].y) * (q.y - p[i].y);
    }
    return e;
}

// The two inner control points by least squares with both ends fixed;
// false when the system is singular.
bool solveControls(const std::vector<Point2> &p, const std::vector<double> &u, Point2 c[4])
{
    const std::size_t n = p.size();
    double c11 = 0, c12 = 0, c22 = 0, x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double t = u[i], v = 1 - t;
        const double b1 = 3 * t * v * v, b2 = 3 * t * t * v;
        const double rx = p[i].x - v * v * v * p[0].x - t * t * t * p[n - 1].x;
        const double ry = p[i].y - v * v * v * p[0].y - t * t * t * p[n - 1].y;
        c11 += b1 * b1;
        c12 += b1 * b2;
        c22 += b2 * b2;
        x1 += b1 * rx;
        x2 += b2 * rx;
        y1 += b1 * ry;
        y2 += b2 * ry;
    }
    const double det = c11 * c22 - c12 * c12;
    if (!(std::fabs(det) >= 1e-6))
        return false;
    c[0] = p[0];
    c[3] = p[n - 1];
    c[1] = {(c22 * x1 - c12 * x2) / det, (c22 * y1 - c12 * y2) / det};
    c[2] = {(c11 * x2 - c12 * x1) / det, (c11 * y2 - c12 * y1) / det};
    return true;
}

CommandPath::CubicFit fitOf(const Point2 c[4])
{
    return {{float(c[3].x), float(c[3].y)},
            {float(3 * (c[1].x - c[0].x)), float(3 * (c[1].y - c[0].y))},
            {float(3 * (c[3].x - c[2].x)), float(3 * (c[3].y - c[2].y))}};
}

} // namespace

float nearestParameterStep(EnginePoint point, const EnginePoint cubic[4], float u)
{
    const double t = u, v = 1 - t;
    Point2 c[4];
    for (int k = 0; k < 4; ++k)
        c[k] = {cubic[k].x, cubic[k].y};
    const Point2 b = bezierAt(c, t);
    // First and second derivatives.
    const double d1x = 3 * (v * v * (c[1].x - c[0].x) + 2 * t * v * (c[2].x - c[1].x) + t * t * (c[3].x - c[2].x));
    const double d1y = 3 * (v * v * (c[1].y - c[0].y) + 2 * t * v * (c[2].y - c[1].y) + t * t * (c[3].y - c[2].y));
    const double d2x = 6 * (v * (c[2].x - 2 * c[1].x + c[0].x) + t * (c[3].x - 2 * c[2].x + c[1].x));
    const double d2y = 6 * (v * (c[2].y - 2 * c[1].y + c[0].y) + t * (c[3].y - 2 * c[2].y + c[1].y));
    const double dx = b.x - point.x, dy = b.y - point.y;
    const double denominator = d1x * d1x + d1y * d1y + dx * d2x + dy * d2y;
    if (!(std::fabs(denominator) > 1e-7))
        return u;
    const double next = t - (dx * d1x + dy * d1y) / denominator;
    return std::isfinite(next) ? float(next) : u;
}

bool CommandPath::fitCubicToPoints(int first, int last, float threshold, CubicFit &fit) const
{
    if (first < 0 || last >= pointCount() || last - first < 1 || !usableThreshold(threshold))
        return false;
    const int n = last - first + 1;
    std::vector<Point2> p(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        p[std::size_t(i)] = {mPoints[std::size_t(first + i)].x, mPoints[std::size_t(first + i)].y};
    const double limit = double(threshold) * threshold;
    if (n == 2) {
        // The straight cubic: both tangents along the chord.
        const float cx = float(p[1].x - p[0].x), cy = float(p[1].y - p[0].y);
        fit = {{float(p[1].x), float(p[1].y)}, {cx, cy}, {cx, cy}};
        return true;
    }
    std::vector<double> u(std::size_t(n), 0.0);
    double total = 0;
    for (int i = 1; i < n; ++i) {
        total += std::hypot(p[std::size_t(i)].x - p[std::size_t(i) - 1].x, p[std::size_t(i)].y - p[std::size_t(i) - 1].y);
        u[std::size_t(i)] = total;
    }
    if (!(total >= 1e-5))
        return false;
    for (double &v : u)
        v /= total;
    if (n == 3) {
        // Too few points for the least squares: the curve whose tangents
        // are the two sides, kept only when it passes the middle point
        // within the threshold.
        const Point2 c[4] = {p[0],
                             {p[0].x + (p[1].x - p[0].x) / 3, p[0].y + (p[1].y - p[0].y) / 3},
                             {p[2].x - (p[2].x - p[1].x) / 3, p[2].y - (p[2].y - p[1].y) / 3},
                             p[2]};
        if (!(limit > fitError(p, u, c)))
            return false;
        fit = fitOf(c);
        return true;
    }
    Point2 c[4];
    if (!solveControls(p, u, c))
        return false;
    const double e1 = fitError(p, u, c);
    if (!(limit > e1))
        return false;
    fit = fitOf(c);
    // One Newton pass on the parameters, each kept between its neighbours,
    // then the least squares again.
    EnginePoint control[4];
    for (int k = 0; k < 4; ++k)
        control[k] = {float(c[k].x), float(c[k].y)};
    for (int i = 1; i + 1 < n; ++i) {
        const float stepped = nearestParameterStep({float(p[std::size_t(i)].x), float(p[std::size_t(i)].y)}, control,
                                                   float(u[std::size_t(i)]));
        u[std::size_t(i)] = std::clamp(double(stepped), u[std::size_t(i) - 1], u[std::size_t(i) + 1]);
    }
    Point2 d[4];
    if (!solveControls(p, u, d))
        return true;
    const double e2 = fitError(p, u, d);
    if (!(e2 < e1 + 1e-5))
        return false;
    fit = fitOf(d);
    return true;
}

void CommandPath::coalesce(float threshold)
{
    cancelBezier();
    closeSubpath(0);
    if (commandCount() < 3 || !usableThreshold(threshold))
        return;
    setWeighted(false);
    setBackData(false);
    convertToPolyline(threshold);
    const int n = commandCount();
    int write = 0;
    std::optional<PathCommand> pending;
    int runStart = mCommands[0].associatedPoint;
    int lastTaken = runStart;
    int previous = runStart;
    auto writePending = [&] {
        if (pending)
            mCommands[std::size_t(write++)] = *pending;
        pending.reset();
    };
    auto fitted = [&](int end, float t, const PathCommand &last) -> std::optional<PathCommand> {
        CubicFit fit;
        if (runStart < 0 || end < 0 || !fitCubicToPoints(runStart, end, t, fit))
            return std::nullopt;
        PathCommand c;
        c.kind = kPathCubicTo;
        c.associatedPoint = last.associatedPoint;
        c.x = fit.end.x;
        c.y = fit.end.y;
        c.startTangentX = fit.startTangent.x;
        c.startTangentY = fit.startTangent.y;
        c.endTangentX = fit.endTangent.x;
        c.endTangentY = fit.endTangent.y;
        return c;
    };
    for (int i = 0; i < n; ++i) {
        const PathCommand c = mCommands[std::size_t(i)];
        switch (c.type()) {
        case kPathMoveTo:
            writePending();
            mCommands[std::size_t(write++)] = c;
            runStart = lastTaken = c.associatedPoint;
            break;
        case kPathLineTo:
        case kPathCubicTo:
        case kPathArcTo:
            if (pending) {
                if (auto grown = fitted(c.associatedPoint, threshold, c)) {
                    pending = grown;
                } else {
                    writePending();
                    pending = c;
                    runStart = lastTaken;
                }
            } else {
                runStart = previous;
                pending = c;
            }
            lastTaken = c.associatedPoint;
            break;
        case kPathForcedPoint: {
            // A corner the path keeps unless one cubic runs across it well
            // within the threshold.
            const int at = c.associatedPoint >= 0 ? c.associatedPoint : previous;
            if (pending && !fitted(at, 0.1f * threshold, c)) {
                writePending();
                runStart = lastTaken = at;
            }
            break;
        }
        case kPathClose:
            if (pending) {
                if (auto grown = fitted(c.associatedPoint, threshold, c))
                    pending = grown;
            }
            writePending();
            mCommands[std::size_t(write++)] = c;
            runStart = lastTaken = c.associatedPoint;
            break;
        case kPathBezierTo: {
            writePending();
            int count = std::max(0, c.count);
            while (count > 0 && (i + count >= n || mCommands[std::size_t(i + count)].type() != kPathIntermediatePoint))
                --count;
            for (int k = 0; k <= count; ++k)
                mCommands[std::size_t(write++)] = mCommands[std::size_t(i + k)];
            i += count;
            runStart = lastTaken = c.associatedPoint;
            break;
        }
        default: break;
        }
        if (c.associatedPoint >= 0)
            previous = c.associatedPoint;
    }
    writePending();
    mCommands.resize(std::size_t(write));
    mPendingMoveTo = -1;
}

void CommandPath::fitPolylineSubpath(int first, int last, float threshold)
{
    last = std::min(last, pointCount() - 1);
    if (first < 0 || last - first < 1 || !usableThreshold(threshold))
        return;
    const PolylinePoint start = mPoints[std::size_t(first)];
    moveTo(start.x, start.y);
    EnginePoint end = {start.x, start.y};
    int k = first;
    while (k < last) {
        int j = k + 1;
        std::optional<CubicFit> best;
        for (;;) {
            if (mPoints[std::size_t(j)].kind == kPolylineForced)
                break;
            if (j - k >= 2) {
                CubicFit fit;
                if (!fitCubicToPoints(k, j, threshold, fit)) {
                    --j;
                    break;
                }
                best = fit;
            }
            if (j == last)
                break;
            ++j;
        }
        const PolylinePoint &to = mPoints[std::size_t(j)];
        if (best && j - k >= 2)
            cubicTo(best->end.x, best->end.y, best->startTangent.x, best->startTangent.y, best->endTangent.x,
                    best->endTangent.y);
        else
            lineTo(to.x, to.y);
        end = {to.x, to.y};
        k = j;
    }
    if (std::fabs(end.x - start.x) < 1e-5f && std::fabs(end.y - start.y) < 1e-5f)
        close();
}

void CommandPath::simplifyPolyline(float threshold)
{
    if (pointCount() < 2 || !usableThreshold(threshold))
        return;
    reset();
    const int n = pointCount();
    int first = 0;
    for (int i = 1; i <= n; ++i) {
        if (i == n || mPoints[std::size_t(i)].kind == kPolylineMoveTo) {
            fitPolylineSubpath(first, i - 1, threshold);
            first = i;
        }
    }
}

} // namespace scrivane
