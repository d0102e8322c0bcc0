#include "EffectTransform.h"

#include <cmath>

namespace scrivane {

EffectTransform EffectTransform::fromAffine(const AffineTransform &t)
{
    return {t.m11, t.m12, t.m21, t.m22, t.tX, t.tY};
}

AffineTransform EffectTransform::toAffine() const
{
    return {float(m11), float(m12), float(m21), float(m22), float(tX), float(tY)};
}

EffectRect EffectTransform::mapRect(const EffectRect &rect) const
{
    if (rect.isInfinite())
        return EffectRect::infinite();
    if (rect.isEmpty())
        return EffectRect();
    const EffectPoint corners[4] = {
        map({rect.x, rect.y}),
        map({rect.maxX(), rect.y}),
        map({rect.x, rect.maxY()}),
        map({rect.maxX(), rect.maxY()}),
    };
    return EffectRect::bounding(corners, 4);
}

std::optional<EffectTransform> EffectTransform::inverted() const
{
    const double det = determinant();
    if (!std::isfinite(det) || std::abs(det) < 1e-12)
        return std::nullopt;
    const double a = m22 / det;
    const double b = -m12 / det;
    const double c = -m21 / det;
    const double d = m11 / det;
    return EffectTransform(a, b, c, d, -(a * tX + c * tY), -(b * tX + d * tY));
}

EffectTransform EffectTransform::then(const EffectTransform &n) const
{
    return EffectTransform(n.m11 * m11 + n.m21 * m12, n.m12 * m11 + n.m22 * m12, n.m11 * m21 + n.m21 * m22,
                           n.m12 * m21 + n.m22 * m22, n.m11 * tX + n.m21 * tY + n.tX,
                           n.m12 * tX + n.m22 * tY + n.tY);
}

} // namespace scrivane
