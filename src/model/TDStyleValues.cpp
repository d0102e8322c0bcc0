#include "model/TDStyleValues.h"

#include "platform/ArchivedColor.h"
#include "platform/ArchivedPoint.h"

#include <QDebug>

#include <cmath>
#include <limits>

namespace scrivane {

void TDStyleValues::warn(const QString &key, const char *expected) const
{
    qWarning("%s: the stored value of \"%s\" is not %s; ignored", m_owner, qPrintable(key), expected);
}

std::optional<double> TDStyleValues::number(const QString &key) const
{
    const PropertyList value = m_dictionary.value(key);
    if (value.isNull())
        return std::nullopt;
    if (!value.isNumber() || !std::isfinite(value.toReal())) {
        warn(key, "a finite number");
        return std::nullopt;
    }
    return value.toReal();
}

std::optional<int> TDStyleValues::integer(const QString &key) const
{
    const auto n = number(key);
    if (!n)
        return std::nullopt;
    if (*n < std::numeric_limits<int>::min() || *n > std::numeric_limits<int>::max()) {
        warn(key, "a 32-bit integer");
        return std::nullopt;
    }
    return static_cast<int>(*n);
}

std::optional<float> TDStyleValues::real(const QString &key) const
{
    const auto n = number(key);
    if (!n)
        return std::nullopt;
    const float f = static_cast<float>(*n);
    if (!std::isfinite(f)) {
        warn(key, "a single-precision number");
        return std::nullopt;
    }
    return f;
}

std::optional<bool> TDStyleValues::boolean(const QString &key) const
{
    const auto n = number(key);
    if (!n)
        return std::nullopt;
    return *n != 0;
}

std::optional<QString> TDStyleValues::string(const QString &key) const
{
    const PropertyList value = m_dictionary.value(key);
    if (value.isNull())
        return std::nullopt;
    if (!value.isString()) {
        warn(key, "a string");
        return std::nullopt;
    }
    return value.toString();
}

std::optional<Color> TDStyleValues::color(const QString &key) const
{
    const PropertyList value = m_dictionary.value(key);
    if (value.isNull())
        return std::nullopt;
    const auto color = ArchivedColor::fromValue(value);
    if (!color)
        warn(key, "a colour");
    return color;
}

std::optional<Point> TDStyleValues::point(const QString &key) const
{
    const PropertyList value = m_dictionary.value(key);
    if (value.isNull())
        return std::nullopt;
    std::optional<Point> point = ArchivedPoint::fromValue(value);
    if (!point && value.isString())
        point = Point::fromString(value.toString());
    if (point && (!std::isfinite(point->x) || !std::isfinite(point->y)))
        point.reset();
    if (!point)
        warn(key, "a point");
    return point;
}

std::optional<PropertyList> TDStyleValues::array(const QString &key) const
{
    const PropertyList value = m_dictionary.value(key);
    if (value.isNull())
        return std::nullopt;
    if (!value.isArray()) {
        warn(key, "an array");
        return std::nullopt;
    }
    return value;
}

PropertyList TDStyleValues::pointValue(Point point)
{
    return PropertyList(point.toString());
}

} // namespace scrivane
