#pragma once

#include "platform/Geometry.h"

#include <QString>

#include <optional>

namespace scrivane {

// A single-precision affine transformation of the plane.  It maps (x, y) to
// (m11·x + m21·y + tX, m12·x + m22·y + tY); its linear part is
// (m11, m12, m21, m22).  A default-made transformation is the identity.
//
// Composition order: `append(B)` makes the receiver apply itself first and
// B second; `prepend(B)` makes B act first.  `translate`, `rotateByDegrees`,
// `rotateByRadians`, `scale` and the shears prepend, so that a sequence of
// calls reads from the outermost placement inwards: translate by the
// rectangle's origin, then scale by its size, maps the unit square onto the
// rectangle.
//
// Copying is plain value copying; assigning `AffineTransform()` resets to
// the identity.
struct AffineTransform {
    float m11 = 1;
    float m12 = 0;
    float m21 = 0;
    float m22 = 1;
    float tX = 0;
    float tY = 0;

    constexpr AffineTransform() = default;
    constexpr AffineTransform(float m11_, float m12_, float m21_, float m22_, float tX_, float tY_)
        : m11(m11_), m12(m12_), m21(m21_), m22(m22_), tX(tX_), tY(tY_)
    {
    }
    friend constexpr bool operator==(const AffineTransform &, const AffineTransform &) = default;

    static AffineTransform makeTranslation(float dx, float dy);
    static AffineTransform makeScale(float sx, float sy);
    // Counter-clockwise in a y-up space; multiples of 90 degrees give exact
    // coefficients.
    static AffineTransform makeRotationByDegrees(float degrees);

    // Composition (see above).
    void append(const AffineTransform &other);
    void prepend(const AffineTransform &other);
    void translate(float dx, float dy);
    void rotateByDegrees(float degrees);
    void rotateByRadians(float radians);
    void scale(float factor);
    void scale(float sx, float sy);
    // Prepends the shear (1, y, x, 1, 0, 0): points are sheared first,
    // x' = x + xShear·y and y' = y + yShear·x, then mapped by the receiver.
    void shearXBy(float xShear, float yShear);
    void shearXBy(float xShear) { shearXBy(xShear, 0); }
    void shearYBy(float yShear) { shearXBy(0, yShear); }

    // Inverts in place; false, and the receiver unchanged, when the matrix is
    // singular or the inverse would not be finite.
    bool invert();
    // The inverted copy, or nothing for a singular matrix.
    std::optional<AffineTransform> inverse() const;

    Point transformPoint(Point p) const;
    // A size is a vector: the linear part only.
    Size transformSize(Size s) const;
    // The smallest axis-aligned rectangle holding the four mapped corners.
    Rect transformRect(const Rect &r) const;

    // Exactly (1, 0, 0, 1, 0, 0), no tolerance.
    bool isIdentity() const { return *this == AffineTransform(); }
    void setIdentity() { *this = AffineTransform(); }

    // The identity linear part with the receiver's translation.
    AffineTransform translation() const { return AffineTransform(1, 0, 0, 1, tX, tY); }
    // The receiver's linear part without translation.
    AffineTransform untranslatedTransformation() const { return AffineTransform(m11, m12, m21, m22, 0, 0); }
    // True when the two linear parts are exactly equal.
    bool isTranslationOf(const AffineTransform &other) const
    {
        return m11 == other.m11 && m12 == other.m12 && m21 == other.m21 && m22 == other.m22;
    }
    // A copy with the scale (1 / m11, 1 / m22) prepended, which removes the
    // receiver's own axis scale when it has no rotation or shear.  An axis
    // whose diagonal coefficient is 0 keeps its scale (factor 1) instead of
    // becoming infinite.
    AffineTransform nonscaleTransformation() const;

    // "(%.2f,%.2f, %.2f,%.2f, %.2f,%.2f)" of m11, m21, m12, m22, tX, tY.
    QString description() const;
};

} // namespace scrivane
