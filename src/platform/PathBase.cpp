#include "platform/PathBase.h"

#include "platform/CairoLine.h"
#include "platform/Degrees.h"

#include <algorithm>
#include <atomic>
#include <cairo.h>
#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

constexpr double Kappa = 0.5522847498; // 4/3·(√2 − 1): a quarter circle as one cubic
constexpr float MinimumFlatness = 0.001f;
// Halving a curve this often leaves pieces of 1/65536 of its parameter range.
constexpr int MaxSubdivision = 16;
constexpr int MaxWindingSubdivision = 24;

struct Vec {
    double x = 0;
    double y = 0;
};

Vec vec(Point p)
{
    return {p.x, p.y};
}

Point point(Vec v)
{
    return Point(static_cast<float>(v.x), static_cast<float>(v.y));
}

Vec lerp(Vec a, Vec b, double t)
{
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

struct Cubic {
    Vec p0, p1, p2, p3;

    void split(Cubic &left, Cubic &right) const
    {
        const Vec a = lerp(p0, p1, 0.5), b = lerp(p1, p2, 0.5), c = lerp(p2, p3, 0.5);
        const Vec d = lerp(a, b, 0.5), e = lerp(b, c, 0.5);
        const Vec m = lerp(d, e, 0.5);
        left = {p0, a, d, m};
        right = {m, e, c, p3};
    }

    Vec at(double t) const
    {
        const double u = 1 - t;
        const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
        return {b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x, b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y};
    }
};

double distanceToSegment(Vec p, Vec a, Vec b)
{
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    double t = 0;
    if (lengthSquared > 0)
        t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// The curve lies in the convex hull of its control points, so it stays
// within this distance of its chord.
bool isFlat(const Cubic &c, double flatness)
{
    return distanceToSegment(c.p1, c.p0, c.p3) <= flatness && distanceToSegment(c.p2, c.p0, c.p3) <= flatness;
}

void flattenCurve(const Cubic &c, double flatness, int depth, std::vector<Vec> &out)
{
    if (depth >= MaxSubdivision || isFlat(c, flatness)) {
        out.push_back(c.p3);
        return;
    }
    Cubic left, right;
    c.split(left, right);
    flattenCurve(left, flatness, depth + 1, out);
    flattenCurve(right, flatness, depth + 1, out);
}

// Signed crossing of the ray from p towards +x by the edge a → b; the lower
// end counts, the upper does not, so that a vertex is met once.
int edgeWinding(Vec p, Vec a, Vec b)
{
    if (a.y <= p.y && p.y < b.y) {
        const double x = a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y);
        return x > p.x ? 1 : 0;
    }
    if (b.y <= p.y && p.y < a.y) {
        const double x = a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y);
        return x > p.x ? -1 : 0;
    }
    return 0;
}

int curveWinding(Vec p, const Cubic &c, int depth)
{
    const double minY = std::min({c.p0.y, c.p1.y, c.p2.y, c.p3.y});
    const double maxY = std::max({c.p0.y, c.p1.y, c.p2.y, c.p3.y});
    if (p.y < minY || p.y > maxY)
        return 0;
    const double minX = std::min({c.p0.x, c.p1.x, c.p2.x, c.p3.x});
    const double maxX = std::max({c.p0.x, c.p1.x, c.p2.x, c.p3.x});
    if (maxX <= p.x)
        return 0;
    // Wholly to the right of the point, the curve crosses the ray as often
    // (with signs) as its chord does.
    if (minX > p.x || depth >= MaxWindingSubdivision)
        return edgeWinding(p, c.p0, c.p3);
    Cubic left, right;
    c.split(left, right);
    return curveWinding(p, left, depth + 1) + curveWinding(p, right, depth + 1);
}

// Extremes of one coordinate of a cubic: the roots in (0, 1) of its
// derivative, a quadratic.
void addCurveExtremes(double a, double b, double c, double d, std::vector<double> &ts)
{
    // Derivative / 3: (b − a)(1 − t)² + 2(c − b)(1 − t)t + (d − c)t²
    const double qa = (b - a) - 2 * (c - b) + (d - c);
    const double qb = 2 * ((c - b) - (b - a));
    const double qc = b - a;
    const auto add = [&ts](double t) {
        if (t > 0 && t < 1)
            ts.push_back(t);
    };
    if (std::abs(qa) < 1e-12) {
        if (std::abs(qb) > 1e-12)
            add(-qc / qb);
        return;
    }
    const double discriminant = qb * qb - 4 * qa * qc;
    if (discriminant < 0)
        return;
    const double root = std::sqrt(discriminant);
    add((-qb + root) / (2 * qa));
    add((-qb - root) / (2 * qa));
}

class BoundsBuilder {
public:
    void add(Point p) { add(p.x, p.y); }
    void add(double x, double y)
    {
        if (!m_any) {
            m_x0 = m_x1 = x;
            m_y0 = m_y1 = y;
            m_any = true;
            return;
        }
        m_x0 = std::min(m_x0, x);
        m_x1 = std::max(m_x1, x);
        m_y0 = std::min(m_y0, y);
        m_y1 = std::max(m_y1, y);
    }
    Rect rect() const
    {
        if (!m_any)
            return Rect();
        return Rect(static_cast<float>(m_x0), static_cast<float>(m_y0), static_cast<float>(m_x1 - m_x0),
                    static_cast<float>(m_y1 - m_y0));
    }

private:
    bool m_any = false;
    double m_x0 = 0, m_y0 = 0, m_x1 = 0, m_y1 = 0;
};

bool finite(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

Point endPoint(const PathBase::Element &e)
{
    return e.type == PathElementType::CurveTo ? e.points[2] : e.points[0];
}

} // namespace

PathBase::~PathBase() = default;

void PathBase::elementsDidChange(ElementChange, int) {}

std::uint64_t PathBase::nextStamp()
{
    static std::atomic<std::uint64_t> counter{0};
    return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

PathBase PathBase::withRect(const Rect &rect)
{
    PathBase path;
    path.appendRect(rect);
    return path;
}

PathBase PathBase::withOvalInRect(const Rect &rect)
{
    PathBase path;
    path.appendOvalInRect(rect);
    return path;
}

// --- Element access ------------------------------------------------------------

int PathBase::pointCount(PathElementType type)
{
    switch (type) {
    case PathElementType::MoveTo:
    case PathElementType::LineTo:
        return 1;
    case PathElementType::CurveTo:
        return 3;
    case PathElementType::ClosePath:
        return 0;
    }
    return 0;
}

bool PathBase::hasFinitePoints() const
{
    if (m_finite >= 0)
        return m_finite == 1;
    m_finite = 1;
    for (const Element &e : m_elements) {
        const int n = pointCount(e.type);
        for (int i = 0; i < n; ++i) {
            if (!finite(e.points[static_cast<std::size_t>(i)])) {
                m_finite = 0;
                return false;
            }
        }
    }
    return true;
}

PathElementType PathBase::elementAtIndex(int index) const
{
    if (index < 0 || index >= elementCount())
        return PathElementType::ClosePath;
    return m_elements[static_cast<std::size_t>(index)].type;
}

PathElementType PathBase::elementAtIndex(int index, Point *points) const
{
    if (index < 0 || index >= elementCount())
        return PathElementType::ClosePath;
    const Element &e = m_elements[static_cast<std::size_t>(index)];
    if (points)
        std::copy_n(e.points.begin(), pointCount(e.type), points);
    return e.type;
}

Point PathBase::currentPoint() const
{
    if (m_elements.empty())
        return Point();
    const Element &last = m_elements.back();
    if (last.type != PathElementType::ClosePath)
        return endPoint(last);
    for (auto it = m_elements.rbegin(); it != m_elements.rend(); ++it) {
        if (it->type == PathElementType::MoveTo)
            return it->points[0];
    }
    return Point();
}

// --- Building --------------------------------------------------------------------

void PathBase::addMove(Point p)
{
    m_elements.push_back({PathElementType::MoveTo, {p, Point(), Point()}});
}

void PathBase::addLine(Point p)
{
    m_elements.push_back({PathElementType::LineTo, {p, Point(), Point()}});
}

void PathBase::addCurve(Point control1, Point control2, Point end)
{
    m_elements.push_back({PathElementType::CurveTo, {control1, control2, end}});
}

// After a close, drawing goes on from the start of the closed subpath, as a
// new subpath of its own.
void PathBase::ensureStartForDrawing()
{
    if (!m_elements.empty() && m_elements.back().type == PathElementType::ClosePath)
        addMove(currentPoint());
}

void PathBase::moveTo(Point p)
{
    const int first = elementCount();
    addMove(p);
    elementsChanged(ElementChange::Appended, first);
}

void PathBase::lineTo(Point p)
{
    const int first = elementCount();
    if (m_elements.empty()) {
        addMove(p);
    } else {
        ensureStartForDrawing();
        addLine(p);
    }
    elementsChanged(ElementChange::Appended, first);
}

void PathBase::curveTo(Point end, Point control1, Point control2)
{
    const int first = elementCount();
    if (m_elements.empty())
        addMove(control1);
    else
        ensureStartForDrawing();
    addCurve(control1, control2, end);
    elementsChanged(ElementChange::Appended, first);
}

void PathBase::close()
{
    if (m_elements.empty() || m_elements.back().type == PathElementType::ClosePath)
        return;
    const int first = elementCount();
    m_elements.push_back({PathElementType::ClosePath, {}});
    elementsChanged(ElementChange::Appended, first);
}

void PathBase::relativeMoveTo(Point delta)
{
    const Point c = currentPoint();
    moveTo(Point(c.x + delta.x, c.y + delta.y));
}

void PathBase::relativeLineTo(Point delta)
{
    const Point c = currentPoint();
    lineTo(Point(c.x + delta.x, c.y + delta.y));
}

void PathBase::relativeCurveTo(Point end, Point control1, Point control2)
{
    const Point c = currentPoint();
    curveTo(Point(c.x + end.x, c.y + end.y), Point(c.x + control1.x, c.y + control1.y),
            Point(c.x + control2.x, c.y + control2.y));
}

void PathBase::appendPath(const PathBase &other)
{
    if (other.m_elements.empty())
        return;
    const int first = elementCount();
    if (&other == this) {
        m_elements.reserve(m_elements.size() * 2);
        std::copy_n(m_elements.begin(), first, std::back_inserter(m_elements));
    } else {
        m_elements.insert(m_elements.end(), other.m_elements.begin(), other.m_elements.end());
    }
    elementsChanged(ElementChange::Appended, first);
}

void PathBase::appendRect(const Rect &rect)
{
    const int first = elementCount();
    addMove(Point(rect.minX(), rect.minY()));
    addLine(Point(rect.maxX(), rect.minY()));
    addLine(Point(rect.maxX(), rect.maxY()));
    addLine(Point(rect.minX(), rect.maxY()));
    m_elements.push_back({PathElementType::ClosePath, {}});
    elementsChanged(ElementChange::Appended, first);
}

void PathBase::appendOvalInRect(const Rect &rect)
{
    const int first = elementCount();
    const double x0 = rect.minX(), x1 = rect.maxX(), y0 = rect.minY(), y1 = rect.maxY();
    const double mx = x0 + rect.width() / 2.0, my = y0 + rect.height() / 2.0;
    const double kx = rect.width() / 2.0 * Kappa, ky = rect.height() / 2.0 * Kappa;
    const auto p = [](double x, double y) { return Point(static_cast<float>(x), static_cast<float>(y)); };
    addMove(p(x1, my));
    addCurve(p(x1, my + ky), p(mx + kx, y1), p(mx, y1));
    addCurve(p(mx - kx, y1), p(x0, my + ky), p(x0, my));
    addCurve(p(x0, my - ky), p(mx - kx, y0), p(mx, y0));
    addCurve(p(mx + kx, y0), p(x1, my - ky), p(x1, my));
    m_elements.push_back({PathElementType::ClosePath, {}});
    elementsChanged(ElementChange::Appended, first);
}

void PathBase::appendPoints(std::span<const Point> points)
{
    if (points.empty())
        return;
    const int first = elementCount();
    std::size_t i = 0;
    if (m_elements.empty()) {
        addMove(points[0]);
        i = 1;
    } else {
        ensureStartForDrawing();
    }
    for (; i < points.size(); ++i)
        addLine(points[i]);
    elementsChanged(ElementChange::Appended, first);
}

void PathBase::addArc(Point center, double radius, double startDegrees, double sweepDegrees)
{
    double sine = 0, cosine = 1;
    sinCosDegrees(startDegrees, sine, cosine);
    const Vec c = vec(center);
    Vec from{c.x + radius * cosine, c.y + radius * sine};
    if (m_elements.empty()) {
        addMove(point(from));
    } else {
        ensureStartForDrawing();
        addLine(point(from));
    }
    if (sweepDegrees == 0)
        return;
    const int segments = std::max(1, static_cast<int>(std::ceil(std::abs(sweepDegrees) / 90.0 - 1e-9)));
    const double step = sweepDegrees / segments;
    const double k = 4.0 / 3.0 * std::tan(step * std::numbers::pi / 180.0 / 4.0) * radius;
    double fromSine = sine, fromCosine = cosine;
    for (int i = 1; i <= segments; ++i) {
        double toSine = 0, toCosine = 1;
        sinCosDegrees(i == segments ? startDegrees + sweepDegrees : startDegrees + step * i, toSine,
                      toCosine);
        const Vec to{c.x + radius * toCosine, c.y + radius * toSine};
        const Vec control1{from.x - k * fromSine, from.y + k * fromCosine};
        const Vec control2{to.x + k * toSine, to.y - k * toCosine};
        addCurve(point(control1), point(control2), point(to));
        from = to;
        fromSine = toSine;
        fromCosine = toCosine;
    }
}

void PathBase::appendArcWithCenter(Point center, float radius, float startAngle, float endAngle,
                                   bool clockwise)
{
    if (!finite(center) || !std::isfinite(radius) || !std::isfinite(startAngle) || !std::isfinite(endAngle))
        return;
    double sweep = static_cast<double>(endAngle) - startAngle;
    if (!clockwise && sweep < 0) {
        sweep = std::fmod(sweep, 360.0);
        if (sweep < 0)
            sweep += 360;
    } else if (clockwise && sweep > 0) {
        sweep = std::fmod(sweep, 360.0);
        if (sweep > 0)
            sweep -= 360;
    }
    sweep = std::clamp(sweep, -360.0, 360.0);
    const int first = elementCount();
    addArc(center, radius, startAngle, sweep);
    elementsChanged(ElementChange::Appended, first);
}

void PathBase::appendArcFromPoint(Point corner, Point to, float radius)
{
    const int first = elementCount();
    if (m_elements.empty()) {
        addMove(corner);
        elementsChanged(ElementChange::Appended, first);
        return;
    }
    const Vec p0 = vec(currentPoint()), p1 = vec(corner), p2 = vec(to);
    const Vec u{p0.x - p1.x, p0.y - p1.y}, v{p2.x - p1.x, p2.y - p1.y};
    const double lu = std::hypot(u.x, u.y), lv = std::hypot(v.x, v.y);
    const double cross = u.x * v.y - u.y * v.x;
    const double r = radius;
    if (!(r > 0) || !std::isfinite(r) || lu == 0 || lv == 0 || std::abs(cross) <= 1e-9 * lu * lv ||
        !std::isfinite(cross)) {
        ensureStartForDrawing();
        addLine(corner);
        elementsChanged(ElementChange::Appended, first);
        return;
    }
    const Vec un{u.x / lu, u.y / lu}, vn{v.x / lv, v.y / lv};
    const double cosTheta = std::clamp(un.x * vn.x + un.y * vn.y, -1.0, 1.0);
    const double theta = std::acos(cosTheta); // angle at the corner
    const double tangentDistance = r / std::tan(theta / 2);
    const Vec t1{p1.x + un.x * tangentDistance, p1.y + un.y * tangentDistance};
    const Vec t2{p1.x + vn.x * tangentDistance, p1.y + vn.y * tangentDistance};
    Vec bisector{un.x + vn.x, un.y + vn.y};
    const double lb = std::hypot(bisector.x, bisector.y);
    bisector = {bisector.x / lb, bisector.y / lb};
    const double centreDistance = r / std::sin(theta / 2);
    const Vec centre{p1.x + bisector.x * centreDistance, p1.y + bisector.y * centreDistance};
    const double a0 = std::atan2(t1.y - centre.y, t1.x - centre.x) * 180 / std::numbers::pi;
    const double a1 = std::atan2(t2.y - centre.y, t2.x - centre.x) * 180 / std::numbers::pi;
    // Turning left (negative cross product of the two legs as measured from
    // the corner) runs the arc counter-clockwise.
    double sweep = a1 - a0;
    if (cross < 0) {
        while (sweep < 0)
            sweep += 360;
    } else {
        while (sweep > 0)
            sweep -= 360;
    }
    addArc(point(centre), r, a0, sweep);
    elementsChanged(ElementChange::Appended, first);
}

void PathBase::setAssociatedPoints(const Point *points, int index)
{
    if (index < 0 || index >= elementCount() || !points)
        return;
    Element &e = m_elements[static_cast<std::size_t>(index)];
    std::copy_n(points, pointCount(e.type), e.points.begin());
    elementsChanged(ElementChange::PointsSet, index);
}

void PathBase::removeAllPoints()
{
    m_elements.clear();
    elementsChanged(ElementChange::Cleared, 0);
}

void PathBase::transform(const AffineTransform &t)
{
    for (Element &e : m_elements) {
        const int n = pointCount(e.type);
        for (int i = 0; i < n; ++i)
            e.points[static_cast<std::size_t>(i)] = t.transformPoint(e.points[static_cast<std::size_t>(i)]);
    }
    elementsChanged(ElementChange::Rebuilt, 0);
}

// --- Derived paths ---------------------------------------------------------------

PathBase PathBase::flattened(float flatness) const
{
    const double tolerance = (flatness > MinimumFlatness) ? flatness : MinimumFlatness;
    PathBase result = *this;
    result.m_elements.clear();
    result.m_elements.reserve(m_elements.size());
    result.m_finite = -1;
    result.m_stamp = nextStamp();
    Point current;
    Point subpathStart;
    std::vector<Vec> points;
    for (const Element &e : m_elements) {
        switch (e.type) {
        case PathElementType::MoveTo:
            result.m_elements.push_back(e);
            current = subpathStart = e.points[0];
            break;
        case PathElementType::LineTo:
            result.m_elements.push_back(e);
            current = e.points[0];
            break;
        case PathElementType::CurveTo:
            points.clear();
            flattenCurve({vec(current), vec(e.points[0]), vec(e.points[1]), vec(e.points[2])}, tolerance, 0,
                         points);
            // The last piece ends exactly on the curve's end point.
            points.back() = vec(e.points[2]);
            for (const Vec &p : points)
                result.addLine(point(p));
            current = e.points[2];
            break;
        case PathElementType::ClosePath:
            result.m_elements.push_back(e);
            current = subpathStart;
            break;
        }
    }
    return result;
}

PathBase PathBase::reversed() const
{
    PathBase result = *this;
    result.m_elements.clear();
    result.m_elements.reserve(m_elements.size());
    result.m_finite = -1;
    result.m_stamp = nextStamp();

    // Subpaths as index ranges [begin, end) of drawing elements after their
    // start point, walked from the last one to the first.
    struct Subpath {
        Point start;
        std::size_t begin = 0;
        std::size_t end = 0;
        bool closed = false;
    };
    std::vector<Subpath> subpaths;
    Point subpathStart;
    for (std::size_t i = 0; i < m_elements.size(); ++i) {
        const Element &e = m_elements[i];
        if (e.type == PathElementType::MoveTo) {
            subpathStart = e.points[0];
            subpaths.push_back({subpathStart, i + 1, i + 1, false});
        } else if (e.type == PathElementType::ClosePath) {
            if (!subpaths.empty() && !subpaths.back().closed)
                subpaths.back().closed = true;
        } else {
            if (subpaths.empty() || subpaths.back().closed)
                subpaths.push_back({subpathStart, i, i, false});
            subpaths.back().end = i + 1;
        }
    }

    for (auto s = subpaths.rbegin(); s != subpaths.rend(); ++s) {
        const auto startOf = [&](std::size_t i) {
            return i == s->begin ? s->start : endPoint(m_elements[i - 1]);
        };
        result.addMove(s->end > s->begin ? endPoint(m_elements[s->end - 1]) : s->start);
        for (std::size_t i = s->end; i > s->begin; --i) {
            const Element &e = m_elements[i - 1];
            if (e.type == PathElementType::CurveTo)
                result.addCurve(e.points[1], e.points[0], startOf(i - 1));
            else
                result.addLine(startOf(i - 1));
        }
        if (s->closed)
            result.m_elements.push_back({PathElementType::ClosePath, {}});
    }
    return result;
}

// --- Geometry ----------------------------------------------------------------------

Rect PathBase::bounds() const
{
    BoundsBuilder builder;
    Point current;
    Point subpathStart;
    std::vector<double> ts;
    for (const Element &e : m_elements) {
        switch (e.type) {
        case PathElementType::MoveTo:
            builder.add(e.points[0]);
            current = subpathStart = e.points[0];
            break;
        case PathElementType::LineTo:
            builder.add(e.points[0]);
            current = e.points[0];
            break;
        case PathElementType::CurveTo: {
            const Cubic c{vec(current), vec(e.points[0]), vec(e.points[1]), vec(e.points[2])};
            builder.add(e.points[2]);
            ts.clear();
            addCurveExtremes(c.p0.x, c.p1.x, c.p2.x, c.p3.x, ts);
            addCurveExtremes(c.p0.y, c.p1.y, c.p2.y, c.p3.y, ts);
            for (double t : ts) {
                const Vec p = c.at(t);
                builder.add(p.x, p.y);
            }
            current = e.points[2];
            break;
        }
        case PathElementType::ClosePath:
            current = subpathStart;
            break;
        }
    }
    return builder.rect();
}

Rect PathBase::controlPointBounds() const
{
    BoundsBuilder builder;
    for (const Element &e : m_elements) {
        const int n = pointCount(e.type);
        for (int i = 0; i < n; ++i)
            builder.add(e.points[static_cast<std::size_t>(i)]);
    }
    return builder.rect();
}

bool PathBase::containsPoint(Point p) const
{
    const Vec q = vec(p);
    int winding = 0;
    Vec current, subpathStart;
    bool open = false;
    for (const Element &e : m_elements) {
        switch (e.type) {
        case PathElementType::MoveTo:
            if (open)
                winding += edgeWinding(q, current, subpathStart);
            current = subpathStart = vec(e.points[0]);
            open = true;
            break;
        case PathElementType::LineTo:
            winding += edgeWinding(q, current, vec(e.points[0]));
            current = vec(e.points[0]);
            break;
        case PathElementType::CurveTo:
            winding += curveWinding(q, {current, vec(e.points[0]), vec(e.points[1]), vec(e.points[2])}, 0);
            current = vec(e.points[2]);
            break;
        case PathElementType::ClosePath:
            winding += edgeWinding(q, current, subpathStart);
            current = subpathStart;
            open = false;
            break;
        }
    }
    if (open)
        winding += edgeWinding(q, current, subpathStart);
    return m_windingRule == WindingRule::EvenOdd ? (winding % 2) != 0 : winding != 0;
}

// --- Attributes and drawing ------------------------------------------------------

void PathBase::setLineDash(std::span<const float> pattern, float phase)
{
    m_dash.assign(pattern.begin(), pattern.end());
    m_dashPhase = phase;
}

bool PathBase::addToCairo(cairo_t *cr) const
{
    if (!hasFinitePoints())
        return false;
    for (const Element &e : m_elements) {
        switch (e.type) {
        case PathElementType::MoveTo:
            cairo_move_to(cr, e.points[0].x, e.points[0].y);
            break;
        case PathElementType::LineTo:
            cairo_line_to(cr, e.points[0].x, e.points[0].y);
            break;
        case PathElementType::CurveTo:
            cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                           e.points[2].y);
            break;
        case PathElementType::ClosePath:
            cairo_close_path(cr);
            break;
        }
    }
    return true;
}

void PathBase::applyStrokeSettings(cairo_t *cr) const
{
    double width = m_lineWidth;
    if (!(width > 0) || !std::isfinite(width)) {
        double dx = 1, dy = 0;
        cairo_device_to_user_distance(cr, &dx, &dy);
        width = std::hypot(dx, dy);
    }
    setCairoLineSettings(cr, width, m_lineCap, m_lineJoin,
                         std::isfinite(m_miterLimit) && m_miterLimit > 0 ? m_miterLimit : 10.0, m_dash,
                         std::isfinite(m_dashPhase) ? m_dashPhase : 0.0);
}

void PathBase::applyFillRule(cairo_t *cr) const
{
    cairo_set_fill_rule(cr, m_windingRule == WindingRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD
                                                                  : CAIRO_FILL_RULE_WINDING);
}

} // namespace scrivane
