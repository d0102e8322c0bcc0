#pragma once

#include "platform/AffineTransform.h"
#include "platform/effects/EffectRect.h"

#include <optional>

namespace scrivane {

// The affine-transform value of a filter input.  It maps (x, y) to
// (m11·x + m21·y + tX, m12·x + m22·y + tY), the element order in which
// documents store transforms.
struct EffectTransform {
    double m11 = 1;
    double m12 = 0;
    double m21 = 0;
    double m22 = 1;
    double tX = 0;
    double tY = 0;

    constexpr EffectTransform() = default;
    constexpr EffectTransform(double a, double b, double c, double d, double tx, double ty)
        : m11(a), m12(b), m21(c), m22(d), tX(tx), tY(ty)
    {
    }

    static constexpr EffectTransform translation(double dx, double dy) { return {1, 0, 0, 1, dx, dy}; }
    static constexpr EffectTransform scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }

    // The drawing code's transform, element for element (single precision).
    static EffectTransform fromAffine(const AffineTransform &t);
    AffineTransform toAffine() const;

    EffectPoint map(EffectPoint p) const { return {m11 * p.x + m21 * p.y + tX, m12 * p.x + m22 * p.y + tY}; }
    // The bounding box of the mapped rectangle; the infinite rectangle stays
    // infinite.
    EffectRect mapRect(const EffectRect &rect) const;
    double determinant() const { return m11 * m22 - m12 * m21; }
    // No inverse for a transform that flattens the plane.
    std::optional<EffectTransform> inverted() const;
    // This transform followed by `next`.
    EffectTransform then(const EffectTransform &next) const;
    bool isIdentity() const { return *this == EffectTransform(); }

    friend constexpr bool operator==(const EffectTransform &, const EffectTransform &) = default;
};

} // namespace scrivane
