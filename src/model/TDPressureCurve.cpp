#include "model/TDPressureCurve.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

constexpr int LastEntry = TDPressureCurve::TableSize - 1;

// Positions the table understands: [0, 1], NaN at the start.  The spline is
// sampled ten times per table step between two points, so clamping also
// bounds that work whatever a file says.
float position(float x)
{
    return std::isnan(x) ? 0.0f : std::clamp(x, 0.0f, 1.0f);
}

// A factor that is not a number is the plain width; an infinite one the
// nearest end of the factors a curve can show.
float factor(float y)
{
    if (std::isnan(y))
        return 1.0f;
    if (std::isinf(y))
        return y > 0 ? 2.0f : 0.0f;
    return y;
}

// The whole part of 99 × x as a table index, within the table.
int indexAt(double x)
{
    const double scaled = std::floor(x * LastEntry);
    if (!(scaled > 0))
        return 0;
    return scaled >= LastEntry ? LastEntry : static_cast<int>(scaled);
}

Point mirrored(Point centre, Point other)
{
    return Point(2 * centre.x - other.x, 2 * centre.y - other.y);
}

} // namespace

std::vector<Point> TDPressureCurve::defaultPoints()
{
    return {Point(0, 1), Point(1, 1)};
}

bool TDPressureCurve::sortPointX(Point a, Point b)
{
    const auto before = [](float u, float v) {
        // NaN after every number; two NaNs are equivalent.
        if (std::isnan(u))
            return false;
        if (std::isnan(v))
            return true;
        return u < v;
    };
    if (before(a.x, b.x))
        return true;
    if (before(b.x, a.x))
        return false;
    return before(a.y, b.y);
}

void TDPressureCurve::sortPoints(std::vector<Point> &points)
{
    std::stable_sort(points.begin(), points.end(), sortPointX);
}

Point TDPressureCurve::catmullRom(Point p, Point a, Point b, Point c, float t)
{
    const auto along = [t](float p0, float a0, float b0, float c0) {
        const double t2 = double(t) * t;
        return float(0.5 * (2.0 * a0 + (b0 - p0) * double(t) + (2.0 * p0 - 5.0 * a0 + 4.0 * b0 - c0) * t2 +
                            (-p0 + 3.0 * a0 - 3.0 * b0 + c0) * t2 * t));
    };
    return Point(along(p.x, a.x, b.x, c.x), along(p.y, a.y, b.y, c.y));
}

void TDPressureCurve::removeRedundantPoints(std::vector<Point> &points)
{
    bool removed = true;
    while (removed) {
        removed = false;
        for (size_t i = 0; i + 1 < points.size(); ++i) {
            const Point a = points[i];
            const Point b = points[i + 1];
            bool redundant = std::fabs(a.x - b.x) < 0.05f;
            if (!redundant && i + 2 < points.size()) {
                const Point c = points[i + 2];
                const Point d = i + 3 < points.size() ? points[i + 3] : mirrored(c, a);
                const Point p = i >= 1 ? points[i - 1] : mirrored(a, c);
                const Point m = catmullRom(p, a, c, d, 0.5f);
                redundant = std::fabs(b.x - m.x) < 0.1f && std::fabs(b.y - m.y) < 0.1f;
            }
            if (redundant) {
                // The loop goes on with the point that followed the removed one.
                points.erase(points.begin() + std::ptrdiff_t(i) + 1);
                removed = true;
            }
        }
    }
}

std::array<float, TDPressureCurve::TableSize> TDPressureCurve::table(std::vector<Point> &points)
{
    std::array<float, TableSize> table;
    table.fill(1.0f);
    sortPoints(points);
    if (points.empty())
        return table;
    std::vector<Point> P;
    P.reserve(points.size());
    for (Point p : points)
        P.emplace_back(position(p.x), factor(p.y));
    const size_t n = P.size();

    int next = 0;
    // Before the first point, its factor.
    while (next < LastEntry && double(next) < double(LastEntry) * P[0].x)
        table[size_t(next++)] = P[0].y;

    for (size_t k = 0; k + 1 < n; ++k) {
        const Point a = P[k];
        const Point b = P[k + 1];
        const Point p = k > 0 ? P[k - 1] : mirrored(a, b);
        const Point c = k + 2 < n ? P[k + 2] : mirrored(b, a);
        if ((double(b.x) - a.x) * LastEntry < 2) {
            // Closer than two table steps: no room for the spline.
            const int end = std::min(TableSize, std::max(0, static_cast<int>(std::floor(double(b.x) * LastEntry))));
            while (next < end)
                table[size_t(next++)] = b.y;
            continue;
        }
        // Ten samples per table step.
        const double steps = (double(b.x) - a.x) * 10 * LastEntry;
        for (int s = 0; s <= steps + 0.5; ++s) {
            const Point q = catmullRom(p, a, b, c, float(s / steps));
            const int target = q.x > 1 ? LastEntry : indexAt(q.x);
            if (next > target)
                continue;
            const float value = std::clamp(q.y, 0.0f, 2.0f);
            while (next <= target)
                table[size_t(next++)] = value;
        }
    }

    // After the last point, the last value; a curve whose points all lie at
    // the very start has none yet and holds its first point's factor.
    if (next == 0)
        table[size_t(next++)] = P[0].y;
    for (; next < TableSize; ++next)
        table[size_t(next)] = table[size_t(next - 1)];
    return table;
}

float TDPressureCurve::read(const std::array<float, TableSize> &table, float t)
{
    if (!(t >= 0))
        return table.front();
    if (t >= 1)
        return table.back();
    const double scaled = double(t) * LastEntry;
    const int i = std::min(static_cast<int>(scaled), LastEntry - 1);
    const double f = scaled - i;
    return float((1 - f) * table[size_t(i)] + f * table[size_t(i) + 1]);
}

float TDPressureCurve::slope(const std::array<float, TableSize> &table, float t)
{
    if (!(t >= 0 && t <= 1))
        return 0;
    const int i = std::min(static_cast<int>(double(t) * LastEntry), LastEntry - 1);
    return (table[size_t(i) + 1] - table[size_t(i)]) * LastEntry;
}

} // namespace scrivane
