#pragma once

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/PropertyList.h"

#include <QString>

#include <optional>

namespace scrivane {

// Typed reads of the values in a stored style dictionary.  Dictionaries come
// from files and the pasteboard: a value of the wrong kind is skipped with a
// warning naming the class and the key, never trusted; an absent key is
// simply nothing.
class TDStyleValues {
public:
    TDStyleValues(const PropertyList &dictionary, const char *owner)
        : m_dictionary(dictionary), m_owner(owner)
    {
    }

    bool contains(const QString &key) const { return !m_dictionary.value(key).isNull(); }
    const PropertyList &dictionary() const { return m_dictionary; }

    // A number (integer, real or boolean); a number that is not finite is
    // refused too.
    std::optional<double> number(const QString &key) const;
    std::optional<int> integer(const QString &key) const;
    std::optional<float> real(const QString &key) const;
    std::optional<bool> boolean(const QString &key) const;
    std::optional<QString> string(const QString &key) const;
    std::optional<Color> color(const QString &key) const;
    // A point object, or the text "{x, y}".
    std::optional<Point> point(const QString &key) const;
    std::optional<PropertyList> array(const QString &key) const;

    // A point value as dictionaries store it: the text "{x, y}".
    static PropertyList pointValue(Point point);

    void warn(const QString &key, const char *expected) const;

private:
    const PropertyList &m_dictionary;
    const char *m_owner;
};

} // namespace scrivane
