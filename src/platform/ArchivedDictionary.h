#pragma once

#include "platform/PropertyList.h"

#include <QString>

#include <cstddef>

namespace scrivane {

class KeyedUnarchiver;

// The dictionary that an archived object stores as its next unkeyed value,
// for the object's decode function.  Read with the same checks and limits
// as KeyedUnarchiver::decodeObject(), but the first time a dictionary is
// read its entries are looked up where the unarchiver read them instead of
// being built into a dictionary value (which is built only if the archive
// refers to the dictionary again).  Lives inside the decode function that
// made it: views nest like the calls.
class ArchivedDictionary {
public:
    explicit ArchivedDictionary(KeyedUnarchiver &unarchiver);
    ~ArchivedDictionary();
    ArchivedDictionary(const ArchivedDictionary &) = delete;
    ArchivedDictionary &operator=(const ArchivedDictionary &) = delete;

    // False when the stored value is missing, not a dictionary, or could
    // not be read.
    bool isDictionary() const { return m_inPlace || m_whole.isDictionary(); }
    // The value under `key` (of a key stored twice, the last one, as in a
    // dictionary value), or nullptr.  Valid until the unarchiver reads on.
    const PropertyList *find(const QString &key) const;
    // The stored value when it was not read in place (else null).
    const PropertyList &whole() const { return m_whole; }
    bool isInPlace() const { return m_inPlace; }

private:
    KeyedUnarchiver &m_unarchiver;
    PropertyList m_whole;
    size_t m_begin = 0;
    size_t m_end = 0;
    bool m_inPlace = false;
};

} // namespace scrivane
