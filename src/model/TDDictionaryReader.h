#pragma once

#include "platform/AffineTransform.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/PropertyList.h"

#include <QString>

#include <optional>

namespace scrivane {

// Typed reads of stored dictionaries, which come from files and other
// programs and are not trusted: a value of the wrong kind is skipped with a
// warning that names the owner and the key, and reads as absent.  Numbers
// must be numbers (integer, real or boolean) and finite.
class TDDictionaryReader {
public:
    TDDictionaryReader(const PropertyList &dictionary, const char *owner)
        : m_dictionary(dictionary), m_owner(owner)
    {
    }

    bool contains(const QString &key) const { return m_dictionary.contains(key); }
    std::optional<QString> string(const QString &key) const;
    std::optional<float> number(const QString &key) const;
    std::optional<float> real(const QString &key) const { return number(key); }
    std::optional<int> integer(const QString &key) const;
    std::optional<bool> boolean(const QString &key) const;
    std::optional<Color> color(const QString &key) const;
    std::optional<AffineTransform> transform(const QString &key) const;
    // A point object, or the text "{x, y}".
    std::optional<Point> point(const QString &key) const;
    std::optional<PropertyList> array(const QString &key) const;
    std::optional<PropertyList> dictionary(const QString &key) const;
    // An archived object or a stored dictionary: anything but a scalar.
    std::optional<PropertyList> objectOrDictionary(const QString &key) const;

    // Warns that the value under `key` was skipped.
    void skip(const QString &key, const char *expected) const;

    // A point value as style dictionaries store it: the text "{x, y}".
    static PropertyList pointValue(Point point);

private:
    PropertyList m_dictionary;
    const char *m_owner;
};

} // namespace scrivane
