#include "model/TDDictionaryReader.h"

#include "platform/ArchivedColor.h"
#include "platform/ArchivedPoint.h"
#include "platform/ArchivedTransform.h"

#include <QDebug>

#include <cmath>
#include <limits>

namespace scrivane {

TDDictionaryReader::TDDictionaryReader(const ArchivedDictionary &stored, const char *owner) : m_owner(owner)
{
    if (stored.isInPlace())
        m_stored = &stored;
    else
        m_dictionary = stored.whole();
}

const PropertyList *TDDictionaryReader::find(const QString &key) const
{
    if (m_stored)
        return m_stored->find(key);
    const PropertyList::Dictionary &entries = m_dictionary.toDictionary();
    const auto it = entries.find(key);
    return it == entries.end() ? nullptr : &it->second;
}

PropertyList TDDictionaryReader::value(const QString &key) const
{
    const PropertyList *found = find(key);
    return found ? *found : PropertyList();
}

void TDDictionaryReader::skip(const QString &key, const char *expected) const
{
    qWarning().noquote() << QStringLiteral("%1: the stored value of \"%2\" is not %3; it was skipped")
                                .arg(QLatin1String(m_owner), key, QLatin1String(expected));
}

std::optional<QString> TDDictionaryReader::string(const QString &key) const
{
    const PropertyList *found = find(key);
    if (!found)
        return std::nullopt;
    const PropertyList &value = *found;
    if (!value.isString()) {
        skip(key, "a string");
        return std::nullopt;
    }
    return value.toString();
}

std::optional<float> TDDictionaryReader::number(const QString &key) const
{
    const PropertyList *found = find(key);
    if (!found)
        return std::nullopt;
    const PropertyList &value = *found;
    const double real = value.toReal();
    if (!value.isNumber() || !std::isfinite(real) || std::abs(real) > std::numeric_limits<float>::max()) {
        skip(key, "a finite number");
        return std::nullopt;
    }
    return float(real);
}

std::optional<int> TDDictionaryReader::integer(const QString &key) const
{
    const PropertyList *found = find(key);
    if (!found)
        return std::nullopt;
    const PropertyList &value = *found;
    const double real = value.toReal();
    if (!value.isNumber() || !std::isfinite(real) || real < std::numeric_limits<int>::min() ||
        real > std::numeric_limits<int>::max()) {
        skip(key, "an integer");
        return std::nullopt;
    }
    return int(value.kind() == PropertyList::Kind::Real ? std::trunc(real) : double(value.toInteger()));
}

std::optional<bool> TDDictionaryReader::boolean(const QString &key) const
{
    const PropertyList *found = find(key);
    if (!found)
        return std::nullopt;
    const PropertyList &value = *found;
    if (!value.isNumber()) {
        skip(key, "a boolean");
        return std::nullopt;
    }
    return value.toBool();
}

std::optional<Color> TDDictionaryReader::color(const QString &key) const
{
    const PropertyList *found = find(key);
    if (!found)
        return std::nullopt;
    auto color = ArchivedColor::fromValue(*found);
    if (!color)
        skip(key, "a colour");
    return color;
}

std::optional<AffineTransform> TDDictionaryReader::transform(const QString &key) const
{
    const PropertyList *found = find(key);
    if (!found)
        return std::nullopt;
    auto transform = ArchivedTransform::fromValue(*found);
    if (!transform)
        skip(key, "a transformation");
    return transform;
}

std::optional<Point> TDDictionaryReader::point(const QString &key) const
{
    const PropertyList *found = find(key);
    if (!found)
        return std::nullopt;
    const PropertyList &value = *found;
    std::optional<Point> point = ArchivedPoint::fromValue(value);
    if (!point && value.isString())
        point = Point::fromString(value.toString());
    if (point && (!std::isfinite(point->x) || !std::isfinite(point->y)))
        point.reset();
    if (!point)
        skip(key, "a point");
    return point;
}

PropertyList TDDictionaryReader::pointValue(Point point)
{
    return PropertyList(point.toString());
}

std::optional<PropertyList> TDDictionaryReader::array(const QString &key) const
{
    const PropertyList *found = find(key);
    if (!found)
        return std::nullopt;
    const PropertyList &value = *found;
    if (!value.isArray()) {
        skip(key, "an array");
        return std::nullopt;
    }
    return value;
}

std::optional<PropertyList> TDDictionaryReader::dictionary(const QString &key) const
{
    const PropertyList *found = find(key);
    if (!found)
        return std::nullopt;
    const PropertyList &value = *found;
    if (!value.isDictionary()) {
        skip(key, "a dictionary");
        return std::nullopt;
    }
    return value;
}

std::optional<PropertyList> TDDictionaryReader::objectOrDictionary(const QString &key) const
{
    const PropertyList *found = find(key);
    if (!found)
        return std::nullopt;
    const PropertyList &value = *found;
    if (!value.isObject() && !value.isDictionary()) {
        skip(key, "an object");
        return std::nullopt;
    }
    return value;
}

} // namespace scrivane
