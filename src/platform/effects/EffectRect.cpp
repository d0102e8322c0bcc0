#include "EffectRect.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace scrivane {

namespace {

// Sizes from here on count as the whole plane.  Half of the largest double
// keeps sums of an origin and a size finite.
constexpr double kInfiniteSize = std::numeric_limits<double>::max() / 2;
constexpr double kInfiniteThreshold = 1e300;

} // namespace

EffectRect EffectRect::infinite()
{
    return EffectRect(-kInfiniteSize / 2, -kInfiniteSize / 2, kInfiniteSize, kInfiniteSize);
}

EffectRect EffectRect::fromRect(const Rect &rect)
{
    return EffectRect(rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
}

EffectRect EffectRect::bounding(const EffectPoint *points, int count)
{
    if (count <= 0)
        return EffectRect();
    double minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
    for (int i = 1; i < count; ++i) {
        minX = std::min(minX, points[i].x);
        maxX = std::max(maxX, points[i].x);
        minY = std::min(minY, points[i].y);
        maxY = std::max(maxY, points[i].y);
    }
    return EffectRect(minX, minY, maxX - minX, maxY - minY);
}

bool EffectRect::isInfinite() const
{
    return width >= kInfiniteThreshold || height >= kInfiniteThreshold;
}

bool EffectRect::isEmpty() const
{
    return !isInfinite() && !(width > 0 && height > 0);
}

EffectRect EffectRect::intersected(const EffectRect &other) const
{
    if (isInfinite())
        return other.isInfinite() ? infinite() : other;
    if (other.isInfinite())
        return *this;
    const double left = std::max(x, other.x);
    const double top = std::max(y, other.y);
    const double right = std::min(maxX(), other.maxX());
    const double bottom = std::min(maxY(), other.maxY());
    if (right <= left || bottom <= top)
        return EffectRect();
    return EffectRect(left, top, right - left, bottom - top);
}

EffectRect EffectRect::united(const EffectRect &other) const
{
    if (isInfinite() || other.isInfinite())
        return infinite();
    if (isEmpty())
        return other;
    if (other.isEmpty())
        return *this;
    const double left = std::min(x, other.x);
    const double top = std::min(y, other.y);
    const double right = std::max(maxX(), other.maxX());
    const double bottom = std::max(maxY(), other.maxY());
    return EffectRect(left, top, right - left, bottom - top);
}

EffectRect EffectRect::translated(double dx, double dy) const
{
    if (isInfinite())
        return infinite();
    return EffectRect(x + dx, y + dy, width, height);
}

EffectRect EffectRect::grown(double dx, double dy) const
{
    if (isInfinite() || isEmpty())
        return *this;
    const double w = width + 2 * dx;
    const double h = height + 2 * dy;
    if (w <= 0 || h <= 0)
        return EffectRect();
    return EffectRect(x - dx, y - dy, w, h);
}

EffectRect EffectRect::integral() const
{
    if (isInfinite() || isEmpty())
        return *this;
    const double left = std::floor(x);
    const double top = std::floor(y);
    return EffectRect(left, top, std::ceil(maxX()) - left, std::ceil(maxY()) - top);
}

Rect EffectRect::toRect() const
{
    return Rect(float(x), float(y), float(width), float(height));
}

} // namespace scrivane
