#pragma once

#include "platform/AffineTransform.h"
#include "platform/ArchivedDictionary.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/PropertyList.h"

#include <QString>

#include <optional>

namespace scrivane {

// Typed reads of stored dictionaries, which come from files and other
// programs and are not trusted: a value of the wrong kind is skipped with a
// warning that names the owner and the key, and reads as absent.  Numbers
// must be numbers (integer, real or boolean) and finite.  The values come
// from a dictionary value or straight from an archive being read; the
// reads are the same either way.
class TDDictionaryReader {
public:
    TDDictionaryReader(const PropertyList &dictionary, const char *owner)
        : m_dictionary(dictionary), m_owner(owner)
    {
    }
    // The reader keeps a reference: `stored` must outlive it.
    TDDictionaryReader(const ArchivedDictionary &stored, const char *owner);

    // The same values, with warnings in another owner's name.
    TDDictionaryReader withOwner(const char *owner) const
    {
        TDDictionaryReader reader(*this);
        reader.m_owner = owner;
        return reader;
    }

    bool isDictionary() const { return m_stored || m_dictionary.isDictionary(); }
    bool contains(const QString &key) const { return find(key) != nullptr; }
    // The value as stored, null when there is none.
    PropertyList value(const QString &key) const;
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
    const PropertyList *find(const QString &key) const;

    PropertyList m_dictionary;
    const ArchivedDictionary *m_stored = nullptr; // read in place
    const char *m_owner;
};

} // namespace scrivane
