#include "model/TDBezierPath.h"

#include "model/curvefit/ArcLength.h"

#include <QtGlobal>

#include <cmath>

namespace scrivane {

namespace {

// arcdistance places a point along a curve within this tolerance.
constexpr float DistanceError = 1.0f;

Point offsetAlongNormal(Point p, Point unitTangent, float y, float width, float k)
{
    return Point(p.x - unitTangent.y * y * width * k, p.y + unitTangent.x * y * width * k);
}

} // namespace

// --- Mapping fractions to elements ---------------------------------------------

int TDBezierPath::elementPercentage(float &t, float f) const
{
    for (const Located &r : m_recent) {
        if (r.element >= 0 && r.f == f) {
            t = r.t;
            return r.element;
        }
    }
    const int e = locate(t, f);
    m_recent[m_nextRecent] = {f, e, t};
    m_nextRecent = (m_nextRecent + 1) % RecentLookups;
    return e;
}

void TDBezierPath::elementsDidChange(ElementChange change, int index)
{
    TDBezierPathCache::elementsDidChange(change, index);
    for (Located &r : m_recent)
        r.element = -1;
}

int TDBezierPath::locate(float &t, float f) const
{
    const std::span<const float> l = elementLengths();
    const int n = static_cast<int>(l.size());
    const float total = length();
    if (f < 0.0f) {
        // Extrapolated before the start of the first element that has a
        // length (element 1 unless that one is degenerate).
        for (int i = 1; i < n; ++i) {
            if (l[i] != 0.0f) {
                t = f * total / l[i];
                return i;
            }
        }
    } else {
        float d = f * total;
        const int i = subtractLengthsUntilNegative(d);
        if (i < n) {
            t = (d + l[i]) / l[i];
            return i;
        }
        for (int j = n - 1; j >= 1; --j) {
            if (l[j] != 0.0f) {
                t = d / l[j] + 1.0f;
                return j;
            }
        }
    }
    // Nothing has a length: the last element that draws, at its start.
    t = 0.0f;
    for (int j = n - 1; j >= 1; --j) {
        if (elementAtIndex(j) != PathElementType::MoveTo)
            return j;
    }
    return 0;
}

float TDBezierPath::elementPercentageFromElement(int e, float f) const
{
    const float l = lengthOfElement(e);
    if (l == 0.0f)
        return 0.0f;
    return (f * length() - lengthToElement(e)) / l;
}

float TDBezierPath::overallPercentageForElementPercentage(float t, int e) const
{
    const float total = length();
    if (total == 0.0f)
        return 0.0f;
    return (t * lengthOfElement(e) + lengthToElement(e)) / total;
}

// --- Within one element ------------------------------------------------------------

Point TDBezierPath::pointAt(float t, int e) const
{
    if (e < 0 || e >= elementCount())
        return Point();
    const Element &element = elements()[static_cast<std::size_t>(e)];
    const Point s = startPointOfElement(e);
    switch (element.type) {
    case PathElementType::LineTo:
    case PathElementType::ClosePath: {
        const Point p = endPointOfElement(e);
        return Point((1.0f - t) * s.x + t * p.x, (1.0f - t) * s.y + t * p.y);
    }
    case PathElementType::CurveTo: {
        const Point c1 = element.points[0], c2 = element.points[1], end = element.points[2];
        const float u = 1.0f - t;
        const float b0 = u * u * u;
        const float b1 = 3.0f * t * u * u;
        const float b2 = 3.0f * t * t * u;
        const float b3 = t * t * t;
        return Point(b0 * s.x + b1 * c1.x + b2 * c2.x + b3 * end.x,
                     b0 * s.y + b1 * c1.y + b2 * c2.y + b3 * end.y);
    }
    case PathElementType::MoveTo:
        qWarning("PA can't handle move to");
        break;
    }
    return Point();
}

Point TDBezierPath::rawGradientAt(float t, int e) const
{
    if (e < 0 || e >= elementCount())
        return Point();
    const Element &element = elements()[static_cast<std::size_t>(e)];
    const Point s = startPointOfElement(e);
    switch (element.type) {
    case PathElementType::LineTo:
    case PathElementType::ClosePath: {
        const Point p = endPointOfElement(e);
        return Point(p.x - s.x, p.y - s.y);
    }
    case PathElementType::CurveTo: {
        const Point c1 = element.points[0], c2 = element.points[1], end = element.points[2];
        const float u = 1.0f - t;
        const float g0 = -3.0f * u * u;
        const float g1 = 3.0f * (3.0f * t * t - 4.0f * t + 1.0f);
        const float g2 = 3.0f * t * (2.0f - 3.0f * t);
        const float g3 = 3.0f * t * t;
        return Point(g0 * s.x + g1 * c1.x + g2 * c2.x + g3 * end.x,
                     g0 * s.y + g1 * c1.y + g2 * c2.y + g3 * end.y);
    }
    case PathElementType::MoveTo:
        qWarning("GA can't handle move to");
        break;
    }
    return Point();
}

Point TDBezierPath::gradientAt(float t, int e) const
{
    if (t < 0.001f)
        t = 0.001f;
    if (t > 0.999f)
        t = 0.999f;
    const Point g = rawGradientAt(t, e);
    const float l = TDPointLength(g);
    // A degenerate element has no direction to give.
    if (!(l > 0.0f) || !std::isfinite(l))
        return Point();
    return Point(g.x / l, g.y / l);
}

Point TDBezierPath::myGradientAt(float t, int e) const
{
    const float l = lengthOfElement(e);
    if (l == 0.0f)
        return Point();
    const Point g = rawGradientAt(t, e);
    const float scale = length() / l;
    return Point(g.x * scale, g.y * scale);
}

float TDBezierPath::curvatureAt(float t, int e) const
{
    if (e < 0 || e >= elementCount())
        return 0.0f;
    const Element &element = elements()[static_cast<std::size_t>(e)];
    if (element.type == PathElementType::MoveTo) {
        qWarning("CA can't handle move to");
        return 0.0f;
    }
    if (element.type != PathElementType::CurveTo)
        return 0.0f;
    const Point s = startPointOfElement(e);
    const Point c1 = element.points[0], c2 = element.points[1], end = element.points[2];
    const float u = 1.0f - t;
    const auto first = [&](float a0, float a1, float a2, float a3) {
        return 3.0f * (u * (u * (a1 - a0) + t * (a2 - a1)) + t * (u * (a2 - a1) + t * (a3 - a2)));
    };
    const auto second = [&](float a0, float a1, float a2, float a3) {
        return 6.0f * (u * ((a2 - a1) - (a1 - a0)) + t * ((a3 - a2) - (a2 - a1)));
    };
    const float dx = first(s.x, c1.x, c2.x, end.x);
    const float dy = first(s.y, c1.y, c2.y, end.y);
    const float ddx = second(s.x, c1.x, c2.x, end.x);
    const float ddy = second(s.y, c1.y, c2.y, end.y);
    const float denominator = std::pow(dx * dx + dy * dy, 1.5f);
    // Where the curve stops (a cusp, a curve of zero length) there is no
    // curvature to speak of.
    if (!(denominator > 0.0f) || !std::isfinite(denominator))
        return 0.0f;
    return (dx * ddy - dy * ddx) / denominator;
}

float TDBezierPath::betterPointAt(float t, int e) const
{
    if (e < 0 || e >= elementCount() || elementAtIndex(e) != PathElementType::CurveTo)
        return t;
    const Element &element = elements()[static_cast<std::size_t>(e)];
    const Point V[4] = {startPointOfElement(e), element.points[0], element.points[1], element.points[2]};
    const float found = arcdistance(V, DistanceError, t * lengthOfElement(e));
    if (found >= 0.0f)
        return found;
    // Not found: the length asked for lies at or before the start, or at or
    // beyond the end as measured.
    if (t <= 0.0f)
        return t;
    return t > 1.0f ? t : 1.0f;
}

// --- At an overall fraction ---------------------------------------------------------

int TDBezierPath::rememberedElementPercentage(float &t, float f) const
{
    const int e = elementPercentage(t, f);
    m_lastElement = e;
    m_lastElementPercentage = t;
    return e;
}

Point TDBezierPath::pointAt(float f) const
{
    float t = 0;
    const int e = rememberedElementPercentage(t, f);
    return pointAt(t, e);
}

Point TDBezierPath::gradientAt(float f) const
{
    float t = 0;
    const int e = rememberedElementPercentage(t, f);
    return gradientAt(t, e);
}

Point TDBezierPath::myGradientAt(float f) const
{
    float t = 0;
    const int e = rememberedElementPercentage(t, f);
    return myGradientAt(t, e);
}

float TDBezierPath::curvatureAt(float f) const
{
    float t = 0;
    const int e = rememberedElementPercentage(t, f);
    float c = curvatureAt(t, e);
    if (c < -1.0f)
        c = -1.0f;
    if (c > 1.0f)
        c = 1.0f;
    return c;
}

float TDBezierPath::betterPointAt(float f) const
{
    float t = 0;
    const int e = rememberedElementPercentage(t, f);
    if (elementAtIndex(e) != PathElementType::CurveTo)
        return f;
    return overallPercentageForElementPercentage(betterPointAt(t, e), e);
}

// --- Offset points ----------------------------------------------------------------------

Point TDBezierPath::transformedCoordinate(Point p) const
{
    float t = 0;
    const int e = elementPercentage(t, p.x);
    m_lastElementPercentage = t;
    const float k = m_pressure ? m_pressure->pressureAt(p.x) : 1.0f;
    return offsetAlongNormal(pointAt(t, e), gradientAt(t, e), p.y, lineWidth(), k);
}

Point TDBezierPath::transformedCoordinate(Point p, int e) const
{
    return offsetAlongNormal(pointAt(p.x, e), gradientAt(p.x, e), p.y, lineWidth(), 1.0f);
}

Point TDBezierPath::transformedTotalCoordinate(Point p, int e) const
{
    const float t = elementPercentageFromElement(e, p.x);
    const float k = m_pressure ? m_pressure->pressureAt(p.x) : 1.0f;
    return offsetAlongNormal(pointAt(t, e), gradientAt(t, e), p.y, lineWidth(), k);
}

Point TDBezierPath::transformedCoordinate(Point p, int first, int last) const
{
    float t = 0;
    int e = elementPercentage(t, p.x);
    if (e < first) {
        e = first;
        t = elementPercentageFromElement(e, p.x);
    } else if (e > last) {
        e = last;
        t = elementPercentageFromElement(e, p.x);
    }
    if (t < 0.0f)
        t = 0.0f;
    if (t > 1.0f)
        t = 1.0f;
    const float k = m_pressure ? m_pressure->pressureAt(p.x) : 1.0f;
    return offsetAlongNormal(pointAt(t, e), gradientAt(t, e), p.y, lineWidth(), k);
}

} // namespace scrivane
