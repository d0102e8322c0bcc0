#pragma once

// Exact arithmetic on the 1/32 grid.  Grid coordinates are integers of at
// most kMaxGridCoordinate in size, so orientation tests fit 64 bits and the
// crossing point of two segments, kept as an integer part and a remainder
// over a common denominator, compares exactly in 128 bits.

#include "geometry/EngineCodes.h"

#include <cmath>
#include <cstdint>

namespace scrivane::grid {

using Int = std::int64_t;
using Wide = __int128;

struct GridPoint {
    Int x = 0;
    Int y = 0;
    friend bool operator==(const GridPoint &, const GridPoint &) = default;
};

// Sweep order: by y, then x.
inline bool before(const GridPoint &a, const GridPoint &b)
{
    return a.y < b.y || (a.y == b.y && a.x < b.x);
}

inline Int cross(Int ax, Int ay, Int bx, Int by)
{
    return ax * by - ay * bx;
}

// Positive when p lies to the left of the line from a to b (y up).
inline Int orient(const GridPoint &a, const GridPoint &b, const GridPoint &p)
{
    return cross(b.x - a.x, b.y - a.y, p.x - a.x, p.y - a.y);
}

inline int sign(Wide v)
{
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
}

// A point (qx + rx/d, qy + ry/d) with 0 <= rx, ry < d; grid points have d 1.
struct ExactPoint {
    Int qx = 0;
    Int rx = 0;
    Int qy = 0;
    Int ry = 0;
    Int d = 1;

    static ExactPoint of(const GridPoint &p) { return {p.x, 0, p.y, 0, 1}; }
    bool isGridPoint() const { return rx == 0 && ry == 0; }
    GridPoint whole() const { return {qx, qy}; }
    // The pixel holding the point: pixels are half-open squares
    // [c - 1/2, c + 1/2) around their grid point c.
    GridPoint pixel() const { return {qx + (2 * rx >= d ? 1 : 0), qy + (2 * ry >= d ? 1 : 0)}; }
    double x() const { return double(qx) + double(rx) / double(d); }
    double y() const { return double(qy) + double(ry) / double(d); }
};

inline int compareFraction(Int r1, Int d1, Int r2, Int d2)
{
    return sign(Wide(r1) * d2 - Wide(r2) * d1);
}

// Sweep order of two exact points: -1, 0 or 1.
inline int compare(const ExactPoint &a, const ExactPoint &b)
{
    if (a.qy != b.qy)
        return a.qy < b.qy ? -1 : 1;
    if (const int c = compareFraction(a.ry, a.d, b.ry, b.d))
        return c;
    if (a.qx != b.qx)
        return a.qx < b.qx ? -1 : 1;
    return compareFraction(a.rx, a.d, b.rx, b.d);
}

// Side of an exact point relative to the line from a to b (as orient).
inline int orientExact(const GridPoint &a, const GridPoint &b, const ExactPoint &p)
{
    const Wide px = Wide(p.qx - a.x) * p.d + p.rx;
    const Wide py = Wide(p.qy - a.y) * p.d + p.ry;
    return sign(Wide(b.x - a.x) * py - Wide(b.y - a.y) * px);
}

inline void floorDivide(Wide num, Int den, Int &q, Int &r)
{
    Wide qq = num / den;
    Wide rr = num % den;
    if (rr < 0) {
        qq -= 1;
        rr += den;
    }
    q = Int(qq);
    r = Int(rr);
}

// True when the segments a-b and c-d cross at one point inside both.
inline bool properlyCross(const GridPoint &a, const GridPoint &b, const GridPoint &c, const GridPoint &d)
{
    const Int o1 = orient(c, d, a), o2 = orient(c, d, b);
    if (o1 == 0 || o2 == 0 || (o1 > 0) == (o2 > 0))
        return false;
    const Int o3 = orient(a, b, c), o4 = orient(a, b, d);
    return o3 != 0 && o4 != 0 && (o3 > 0) != (o4 > 0);
}

// a + d * num / den on one axis (den > 0), as an integer part and a
// remainder; in 64 bits when nothing overflows there.
inline void alongAxis(Int a, Int d, Int num, Int den, Int &q, Int &r)
{
    Int p1, p2, sum;
    if (!__builtin_mul_overflow(a, den, &p1) && !__builtin_mul_overflow(d, num, &p2)
        && !__builtin_add_overflow(p1, p2, &sum)) {
        q = sum / den;
        r = sum % den;
        if (r < 0) {
            q -= 1;
            r += den;
        }
        return;
    }
    floorDivide(Wide(a) * den + Wide(d) * num, den, q, r);
}

// The crossing point of two properly crossing segments, exactly.
inline ExactPoint crossingPoint(const GridPoint &a, const GridPoint &b, const GridPoint &c, const GridPoint &d)
{
    const Int d1x = b.x - a.x, d1y = b.y - a.y, d2x = d.x - c.x, d2y = d.y - c.y;
    Int den = cross(d1x, d1y, d2x, d2y);
    Int num = cross(c.x - a.x, c.y - a.y, d2x, d2y);
    if (den < 0) {
        den = -den;
        num = -num;
    }
    ExactPoint p;
    p.d = den;
    alongAxis(a.x, d1x, num, den, p.qx, p.rx);
    alongAxis(a.y, d1y, num, den, p.qy, p.ry);
    return p;
}

// v rounded to the nearest integer, halves away from zero, for |v| < 2^52
// (exact: the difference of v and its truncation is exact).
inline Int roundHalfAway(double v)
{
    // Without branches: the fraction of a coordinate is a coin toss.
    const Int i = Int(v);
    const double fraction = v - double(i);
    return i + Int(fraction >= 0.5) - Int(fraction <= -0.5);
}

// The grid coordinate of a float, as the sweep rounds it (half away from
// zero); false when it is not finite or too large for the exact arithmetic.
// Scaling by 32 is exact in floats, so this is roundf(ldexpf(v, 5)).
inline bool toGrid(float v, Int &out)
{
    const double scaled = double(v) * engine::kGridScale;
    if (!(std::fabs(scaled) <= double(engine::kMaxGridCoordinate) + 0.5))
        return false;
    const Int r = roundHalfAway(scaled);
    if (r > engine::kMaxGridCoordinate || r < -engine::kMaxGridCoordinate)
        return false;
    out = r;
    return true;
}

inline float fromGrid(Int v)
{
    return float(v) * (1.0f / float(engine::kGridScale));
}

} // namespace scrivane::grid
