#include "geometry/PathEvaluators.h"

#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;

bool finite(float v)
{
    return std::isfinite(v);
}

float angleOfUnitVector(float x, float y)
{
    if (x < -1.0f)
        return std::numbers::pi_v<float>;
    if (x > 1.0f)
        return 0.0f;
    const float a = std::acos(x);
    return y < 0.0f ? kTwoPi - a : a;
}

// Speed, unit tangent and radius from the first and second derivatives.
void curvatureFrom(double d1x, double d1y, double d2x, double d2y, CurveSample &s)
{
    const double speed = std::hypot(d1x, d1y);
    s.speed = float(speed);
    s.tangent = {float(d1x / speed), float(d1y / speed)};
    const double cross = d1x * d2y - d1y * d2x;
    s.radius = cross == 0.0 ? 1e8f : float(-(speed * speed * speed) / cross);
}

} // namespace

EnginePoint quadraticPointAt(float t, EnginePoint p0, EnginePoint p1, EnginePoint p2)
{
    return {p0.x + (p0.x - 2 * p1.x + p2.x) * t * t + (2 * p1.x - 2 * p0.x) * t,
            p0.y + (p0.y - 2 * p1.y + p2.y) * t * t + (2 * p1.y - 2 * p0.y) * t};
}

EnginePoint cubicTangentAt(float t, EnginePoint p0, EnginePoint t0, EnginePoint p1, EnginePoint t1)
{
    return {t0.x + (6 * p0.x + 3 * t0.x - 6 * p1.x + 3 * t1.x) * t * t
                + (6 * p1.x - 6 * p0.x - 4 * t0.x - 2 * t1.x) * t,
            t0.y + (6 * p0.y + 3 * t0.y - 6 * p1.y + 3 * t1.y) * t * t
                + (6 * p1.y - 6 * p0.y - 4 * t0.y - 2 * t1.y) * t};
}

bool arcCentreAndAngles(EnginePoint start, const ArcSpec &arc, bool limitChord, EnginePoint &centre,
                        float &startAngle, float &endAngle)
{
    const float rx = arc.radiusX;
    const float ry = arc.radiusY;
    if (!finite(rx) || !finite(ry) || !finite(arc.angle) || !finite(start.x) || !finite(start.y)
        || !finite(arc.end.x) || !finite(arc.end.y) || !(rx > 0.0f) || !(ry > 0.0f))
        return false;
    const float c = std::cos(arc.angle);
    const float s = std::sin(arc.angle);
    const float ex = arc.end.x - start.x;
    const float ey = arc.end.y - start.y;
    const float u = (ex * c + ey * s) / rx;
    const float v = (ey * c - ex * s) / ry;
    float q = u * u + v * v;
    // An arc that ends where it starts has no centre: the chord gives no
    // direction to put it in.
    if (!(q > 0.0f) || !finite(q))
        return false;
    if (limitChord && q > 4.0f)
        q = 4.0f;
    const float d = std::sqrt(q);
    const float h = std::sqrt(std::fmax(0.0f, 1.0f - q / 4.0f));
    float mx = h * v / d;
    float my = -h * u / d;
    float as = angleOfUnitVector(-u / 2 - mx, -v / 2 - my);
    float ae = angleOfUnitVector(u / 2 - mx, v / 2 - my);
    if (arc.clockwise == arc.largeArc) {
        const float ns = ae + std::numbers::pi_v<float>;
        const float ne = as + std::numbers::pi_v<float>;
        as = ns >= kTwoPi ? ns - kTwoPi : ns;
        ae = ne >= kTwoPi ? ne - kTwoPi : ne;
        mx = -mx;
        my = -my;
    }
    startAngle = as;
    endAngle = ae;
    centre = {(start.x + arc.end.x) / 2 + (c * rx * mx - s * ry * my),
              (start.y + arc.end.y) / 2 + (s * rx * mx + c * ry * my)};
    return true;
}

bool arcAnglesFromEndpoints(EnginePoint start, const ArcSpec &arc, float &startAngle, float &endAngle)
{
    EnginePoint centre;
    return arcCentreAndAngles(start, arc, false, centre, startAngle, endAngle);
}

CurveSample tangentOnSegmentAt(float t, EnginePoint start, EnginePoint end)
{
    CurveSample s;
    const float dx = end.x - start.x;
    const float dy = end.y - start.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 1e-6f)) {
        s.point = start;
        return s;
    }
    s.point = {(1 - t) * start.x + t * end.x, (1 - t) * start.y + t * end.y};
    s.tangent = {dx / length, dy / length};
    s.speed = length;
    s.radius = 1e8f;
    return s;
}

CurveSample tangentOnQuadraticAt(float t, EnginePoint start, EnginePoint control, EnginePoint end,
                                 bool reverse)
{
    CurveSample s;
    s.point = quadraticPointAt(t, start, control, end);
    const double d1x = 2.0 * ((1 - t) * (double(control.x) - start.x) + t * (double(end.x) - control.x));
    const double d1y = 2.0 * ((1 - t) * (double(control.y) - start.y) + t * (double(end.y) - control.y));
    const double d2x = 2.0 * (double(end.x) - 2.0 * control.x + start.x);
    const double d2y = 2.0 * (double(end.y) - 2.0 * control.y + start.y);
    if (std::hypot(d1x, d1y) > 0.0001) {
        curvatureFrom(d1x, d1y, d2x, d2y, s);
        return s;
    }
    const double l2 = std::hypot(d2x, d2y);
    if (l2 > 0.0001) {
        const float sign = reverse ? -1.0f : 1.0f;
        s.tangent = {float(sign * d2x / l2), float(sign * d2y / l2)};
        s.radius = 1e8f;
    }
    return s;
}

CurveSample tangentOnCubicAt(float t, EnginePoint start, EnginePoint end, EnginePoint startTangent,
                             EnginePoint endTangent, bool reverse)
{
    CurveSample s;
    const double tt = t;
    const double t2 = tt * tt;
    const double t3 = t2 * tt;
    const double h00 = 2 * t3 - 3 * t2 + 1, h10 = t3 - 2 * t2 + tt, h01 = -2 * t3 + 3 * t2, h11 = t3 - t2;
    s.point = {float(h00 * start.x + h10 * startTangent.x + h01 * end.x + h11 * endTangent.x),
               float(h00 * start.y + h10 * startTangent.y + h01 * end.y + h11 * endTangent.y)};
    const double a00 = 6 * t2 - 6 * tt, a10 = 3 * t2 - 4 * tt + 1, a01 = -6 * t2 + 6 * tt, a11 = 3 * t2 - 2 * tt;
    const double d1x = a00 * start.x + a10 * startTangent.x + a01 * end.x + a11 * endTangent.x;
    const double d1y = a00 * start.y + a10 * startTangent.y + a01 * end.y + a11 * endTangent.y;
    const double b00 = 12 * tt - 6, b10 = 6 * tt - 4, b01 = -12 * tt + 6, b11 = 6 * tt - 2;
    const double d2x = b00 * start.x + b10 * startTangent.x + b01 * end.x + b11 * endTangent.x;
    const double d2y = b00 * start.y + b10 * startTangent.y + b01 * end.y + b11 * endTangent.y;
    if (std::hypot(d1x, d1y) > 0.0001) {
        curvatureFrom(d1x, d1y, d2x, d2y, s);
        return s;
    }
    const double d3x = 12.0 * start.x + 6.0 * startTangent.x - 12.0 * end.x + 6.0 * endTangent.x;
    const double d3y = 12.0 * start.y + 6.0 * startTangent.y - 12.0 * end.y + 6.0 * endTangent.y;
    const float sign = reverse ? -1.0f : 1.0f;
    const double l2 = std::hypot(d2x, d2y);
    if (l2 > 0.0001) {
        CurveSample higher;
        curvatureFrom(d2x, d2y, d3x, d3y, higher);
        s.radius = higher.radius;
        s.tangent = {float(sign * d2x / l2), float(sign * d2y / l2)};
        return s;
    }
    const double l3 = std::hypot(d3x, d3y);
    if (l3 > 0.0001) {
        s.radius = 1e8f;
        s.tangent = {float(sign * d3x / l3), float(sign * d3y / l3)};
    }
    return s;
}

CurveSample tangentOnArcAt(float t, EnginePoint start, const ArcSpec &arc)
{
    CurveSample s;
    s.point = start;
    if (!(arc.radiusX > 0.0001f) || !(arc.radiusY > 0.0001f))
        return s;
    {
        // Too far apart for the radii: no point of the ellipse joins them.
        const float c = std::cos(arc.angle), sn = std::sin(arc.angle);
        const float ex = arc.end.x - start.x, ey = arc.end.y - start.y;
        const float u = (ex * c + ey * sn) / arc.radiusX, v = (ey * c - ex * sn) / arc.radiusY;
        if (!(u * u + v * v < 4.0f))
            return s;
    }
    EnginePoint centre;
    float a0 = 0, a1 = 0;
    if (!arcCentreAndAngles(start, arc, false, centre, a0, a1))
        return s;
    if (arc.clockwise && a1 > a0)
        a0 += kTwoPi;
    else if (!arc.clockwise && a0 > a1)
        a0 -= kTwoPi;
    const double theta = (1.0 - t) * a0 + double(t) * a1;
    const double c = std::cos(arc.angle), sn = std::sin(arc.angle);
    const double ct = std::cos(theta), st = std::sin(theta);
    const double rx = arc.radiusX, ry = arc.radiusY;
    s.point = {float(centre.x + rx * ct * c - ry * st * sn), float(centre.y + rx * ct * sn + ry * st * c)};
    // Derivatives with respect to the angle, turned along the direction of
    // travel (decreasing angle for a clockwise arc).
    const double dir = a1 < a0 ? -1.0 : 1.0;
    const double d1x = dir * (-rx * st * c - ry * ct * sn);
    const double d1y = dir * (-rx * st * sn + ry * ct * c);
    const double d2x = -rx * ct * c + ry * st * sn;
    const double d2y = -rx * ct * sn - ry * st * c;
    curvatureFrom(d1x, d1y, d2x, d2y, s);
    return s;
}

} // namespace scrivane
