#include "PixelRect.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

constexpr double kLimit = double(1 << 29);
// Products of effect coordinates and scales carry rounding noise; a pixel is
// only counted when the rectangle reaches into it by more than this.
constexpr double kNoise = 1e-7;

int clampedFloor(double v)
{
    return int(std::clamp(std::floor(v + kNoise), -kLimit, kLimit));
}

int clampedCeil(double v)
{
    return int(std::clamp(std::ceil(v - kNoise), -kLimit, kLimit));
}

} // namespace

PixelRect PixelRect::covering(const EffectRect &rect, double scale)
{
    if (rect.isInfinite()) {
        const int limit = 1 << 29;
        return PixelRect(-limit, -limit, 2 * limit, 2 * limit);
    }
    if (rect.isEmpty() || !(scale > 0))
        return PixelRect();
    const int left = clampedFloor(rect.x * scale);
    const int top = clampedFloor(rect.y * scale);
    const int right = clampedCeil(rect.maxX() * scale);
    const int bottom = clampedCeil(rect.maxY() * scale);
    if (right <= left || bottom <= top)
        return PixelRect();
    return PixelRect(left, top, right - left, bottom - top);
}

EffectRect PixelRect::toEffect(double scale) const
{
    if (isEmpty())
        return EffectRect();
    return EffectRect(x / scale, y / scale, width / scale, height / scale);
}

bool PixelRect::contains(const PixelRect &o) const
{
    return !o.isEmpty() && o.x >= x && o.y >= y && o.right() <= right() && o.bottom() <= bottom();
}

PixelRect PixelRect::intersected(const PixelRect &o) const
{
    const int left = std::max(x, o.x);
    const int top = std::max(y, o.y);
    const int r = std::min(right(), o.right());
    const int b = std::min(bottom(), o.bottom());
    if (r <= left || b <= top)
        return PixelRect();
    return PixelRect(left, top, r - left, b - top);
}

PixelRect PixelRect::united(const PixelRect &o) const
{
    if (isEmpty())
        return o;
    if (o.isEmpty())
        return *this;
    const int left = std::min(x, o.x);
    const int top = std::min(y, o.y);
    return PixelRect(left, top, std::max(right(), o.right()) - left, std::max(bottom(), o.bottom()) - top);
}

PixelRect PixelRect::grown(int dx, int dy) const
{
    if (isEmpty())
        return *this;
    const std::int64_t left = std::int64_t(x) - dx;
    const std::int64_t top = std::int64_t(y) - dy;
    const std::int64_t w = std::int64_t(width) + 2 * std::int64_t(dx);
    const std::int64_t h = std::int64_t(height) + 2 * std::int64_t(dy);
    if (w <= 0 || h <= 0)
        return PixelRect();
    const std::int64_t limit = std::int64_t(1) << 29;
    const std::int64_t l = std::clamp(left, -limit, limit);
    const std::int64_t t = std::clamp(top, -limit, limit);
    const std::int64_t r = std::clamp(left + w, -limit, limit);
    const std::int64_t b = std::clamp(top + h, -limit, limit);
    return PixelRect(int(l), int(t), int(r - l), int(b - t));
}

} // namespace scrivane
