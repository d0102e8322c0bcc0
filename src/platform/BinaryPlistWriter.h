#pragma once

#include "platform/PropertyList.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace scrivane {

// Builds a binary property list ("bplist00") object by object: each call
// adds one object and answers its index, by which containers refer to it;
// equal scalars, and containers holding the same references, are stored
// once.  Linear in the size of the list (libplist
// 2.2's own writer shares values through a hash table of fixed size, which
// makes large archives take quadratic time).
class BinaryPlistWriter {
public:
    using Ref = uint64_t;

    Ref string(const QString &text);
    Ref utf8String(std::string_view utf8);
    Ref integer(qint64 value);
    Ref real(double value);
    Ref boolean(bool value);
    Ref data(const QByteArray &bytes);
    // Seconds from 2001-01-01 00:00 UTC.
    Ref date(double seconds);
    Ref uid(quint64 value);
    Ref array(std::vector<Ref> elements);
    // Keys and values in pairs.
    Ref dictionary(const std::vector<std::pair<Ref, Ref>> &entries);
    // A whole plain value; refuses what PropertyList::toData refuses.
    bool value(const PropertyList &value, Ref &ref, QString *error);

    // The list with `top` as its top object.
    QByteArray finish(Ref top) const;

private:
    // Scalars keep their whole encoding in `m_bytes`, containers their
    // references in `m_refs`: two arenas instead of an allocation each.
    struct Object {
        uint8_t marker; // 0xA0 or 0xD0 for containers; 0 for scalars
        uint64_t begin;
        uint64_t size; // bytes of a scalar, references of a container
    };

    Ref scalar(const char *bytes, size_t size);
    Ref sharedNumber(std::unordered_map<uint64_t, Ref> &known, uint64_t key, const char *bytes, size_t size);
    // A real or a date: the marker, then the eight bytes of the double.
    Ref sharedDouble(std::unordered_map<uint64_t, Ref> &known, uint8_t marker, double value);
    Ref container(uint8_t marker, const Ref *refs, size_t count);
    Ref sharedContainer(uint8_t marker, size_t begin);

    std::vector<Object> m_objects;
    std::string m_bytes;
    std::vector<Ref> m_refs;
    std::unordered_map<std::string, Ref> m_texts; // strings and data
    std::unordered_map<uint64_t, Ref> m_integers;
    std::unordered_map<uint64_t, Ref> m_reals;
    std::unordered_map<uint64_t, Ref> m_singles;
    std::unordered_multimap<uint64_t, Ref> m_containers; // by a hash of their references
    std::unordered_map<uint64_t, Ref> m_dates;
    std::vector<Ref> m_uids;    // value -> ref + 1
    Ref m_booleans[2] = {0, 0}; // ref + 1
};

} // namespace scrivane
