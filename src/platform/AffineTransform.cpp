#include "platform/AffineTransform.h"

#include "platform/Degrees.h"
#include "platform/Numbers.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

// (first, then second): points go through `first`, then through `second`.
AffineTransform concatenate(const AffineTransform &first, const AffineTransform &second)
{
    const double a = first.m11, b = first.m12, c = first.m21, d = first.m22, x = first.tX, y = first.tY;
    const double A = second.m11, B = second.m12, C = second.m21, D = second.m22, X = second.tX, Y = second.tY;
    return AffineTransform(static_cast<float>(a * A + b * C), static_cast<float>(a * B + b * D),
                           static_cast<float>(c * A + d * C), static_cast<float>(c * B + d * D),
                           static_cast<float>(x * A + y * C + X), static_cast<float>(x * B + y * D + Y));
}

AffineTransform rotation(double sine, double cosine)
{
    return AffineTransform(static_cast<float>(cosine), static_cast<float>(sine), static_cast<float>(-sine),
                           static_cast<float>(cosine), 0, 0);
}

} // namespace

AffineTransform AffineTransform::makeTranslation(float dx, float dy)
{
    return AffineTransform(1, 0, 0, 1, dx, dy);
}

AffineTransform AffineTransform::makeScale(float sx, float sy)
{
    return AffineTransform(sx, 0, 0, sy, 0, 0);
}

AffineTransform AffineTransform::makeRotationByDegrees(float degrees)
{
    double sine = 0, cosine = 1;
    sinCosDegrees(degrees, sine, cosine);
    return rotation(sine, cosine);
}

void AffineTransform::append(const AffineTransform &other)
{
    *this = concatenate(*this, other);
}

void AffineTransform::prepend(const AffineTransform &other)
{
    *this = concatenate(other, *this);
}

void AffineTransform::translate(float dx, float dy)
{
    prepend(makeTranslation(dx, dy));
}

void AffineTransform::rotateByDegrees(float degrees)
{
    prepend(makeRotationByDegrees(degrees));
}

void AffineTransform::rotateByRadians(float radians)
{
    prepend(rotation(std::sin(static_cast<double>(radians)), std::cos(static_cast<double>(radians))));
}

void AffineTransform::scale(float factor)
{
    prepend(makeScale(factor, factor));
}

void AffineTransform::scale(float sx, float sy)
{
    prepend(makeScale(sx, sy));
}

void AffineTransform::shearXBy(float xShear, float yShear)
{
    prepend(AffineTransform(1, yShear, xShear, 1, 0, 0));
}

std::optional<AffineTransform> AffineTransform::inverse() const
{
    const double a = m11, b = m12, c = m21, d = m22, x = tX, y = tY;
    const double determinant = a * d - b * c;
    if (determinant == 0 || !std::isfinite(determinant))
        return std::nullopt;
    const double r = 1.0 / determinant;
    const AffineTransform result(static_cast<float>(d * r), static_cast<float>(-b * r),
                                 static_cast<float>(-c * r), static_cast<float>(a * r),
                                 static_cast<float>((c * y - d * x) * r),
                                 static_cast<float>((b * x - a * y) * r));
    const bool finite = std::isfinite(result.m11) && std::isfinite(result.m12) && std::isfinite(result.m21) &&
                        std::isfinite(result.m22) && std::isfinite(result.tX) && std::isfinite(result.tY);
    if (!finite)
        return std::nullopt;
    return result;
}

bool AffineTransform::invert()
{
    const auto inverted = inverse();
    if (!inverted)
        return false;
    *this = *inverted;
    return true;
}

Point AffineTransform::transformPoint(Point p) const
{
    const double x = p.x, y = p.y;
    return Point(static_cast<float>(m11 * x + m21 * y + tX), static_cast<float>(m12 * x + m22 * y + tY));
}

Size AffineTransform::transformSize(Size s) const
{
    const double w = s.width, h = s.height;
    return Size(static_cast<float>(m11 * w + m21 * h), static_cast<float>(m12 * w + m22 * h));
}

Rect AffineTransform::transformRect(const Rect &r) const
{
    const Point corners[4] = {
        transformPoint(Point(r.minX(), r.minY())),
        transformPoint(Point(r.maxX(), r.minY())),
        transformPoint(Point(r.maxX(), r.maxY())),
        transformPoint(Point(r.minX(), r.maxY())),
    };
    float x0 = corners[0].x, x1 = corners[0].x, y0 = corners[0].y, y1 = corners[0].y;
    for (const Point &p : corners) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

AffineTransform AffineTransform::nonscaleTransformation() const
{
    const float sx = (m11 != 0 && std::isfinite(1.0f / m11)) ? 1.0f / m11 : 1.0f;
    const float sy = (m22 != 0 && std::isfinite(1.0f / m22)) ? 1.0f / m22 : 1.0f;
    AffineTransform result = *this;
    result.scale(sx, sy);
    return result;
}

QString AffineTransform::description() const
{
    const auto f = [](float v) { return Numbers::formatFixed(v, 2); };
    return QLatin1Char('(') + f(m11) + QLatin1Char(',') + f(m21) + QLatin1String(", ") + f(m12) +
           QLatin1Char(',') + f(m22) + QLatin1String(", ") + f(tX) + QLatin1Char(',') + f(tY) +
           QLatin1Char(')');
}

} // namespace scrivane
