#pragma once

#include "platform/PropertyList.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QtEndian>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace scrivane {

// Reads a binary property list ("bplist00") in place: `open` checks the
// whole structure once, then values are read straight from the data by
// object index, without building a tree.  The check is what makes the data
// safe to walk: every offset, length and reference lies inside the data,
// widths are 1, 2, 3, 4 or 8 bytes, dictionary keys are strings without NUL
// characters, UTF-16 text is well formed, no container contains itself,
// nesting and the unfolded size stay within the limits.
//
// The accessors expect indices met while walking from `top()` (a reference
// found in a container); an index that cannot be read reads as Invalid or
// as an empty value, never outside the data.
class BinaryPlistReader {
public:
    using Index = quint64;
    enum class Kind : quint8 { Invalid, Boolean, Integer, Real, Date, Data, String, Uid, Array, Dictionary };

    // False with a message when the data is not a well-formed binary list.
    bool open(const QByteArray &data, const PropertyListLimits &limits, QString *error);

    Index top() const { return m_top; }
    Kind kind(Index index) const
    {
        return index < m_entries.size() ? kindOf(m_entries[size_t(index)].marker) : Kind::Invalid;
    }

    bool boolean(Index index) const;
    // Integers as stored (negative numbers are 64-bit two's complement).
    quint64 integer(Index index) const;
    double real(Index index) const;
    // Seconds from 2001-01-01 00:00 UTC.
    double date(Index index) const;
    quint64 uid(Index index) const
    {
        if (index >= m_entries.size())
            return 0;
        const Entry &e = m_entries[size_t(index)];
        return kindOf(e.marker) == Kind::Uid ? readUInt(e.at, unsigned(e.count)) : 0;
    }
    QString string(Index index) const;
    QByteArray data(Index index) const;

    // Elements of an array, entries of a dictionary; 0 for other kinds.
    quint64 count(Index index) const
    {
        const Kind k = kind(index);
        return k == Kind::Array || k == Kind::Dictionary ? m_entries[size_t(index)].count : 0;
    }
    Index element(Index array, quint64 i) const { return slot(array, Kind::Array, i, 0); }
    Index key(Index dictionary, quint64 i) const { return slot(dictionary, Kind::Dictionary, i, 0); }
    Index value(Index dictionary, quint64 i) const { return slot(dictionary, Kind::Dictionary, i, 1); }
    // The value of the first entry stored under `key`.
    std::optional<Index> find(Index dictionary, QAnyStringView key) const;
    bool stringEquals(Index index, QAnyStringView text) const;

    // Scalars as values; false for containers and references.
    bool toValue(Index index, PropertyList &value) const;
    // A whole tree without references (the first of duplicate keys wins).
    std::optional<PropertyList> toPropertyList(Index index, QString *error) const;

private:
    struct Object {
        quint8 marker = 0;
        bool isString = false;
        bool hasNul = false; // a string holding a NUL character
        quint64 count = 0;   // bytes, UTF-16 units, elements or entries
        size_t at = 0;       // where the payload (or the references) starts
    };

    quint64 readUInt(size_t at, unsigned bytes) const
    {
        const quint8 *p = m_bytes + at;
        switch (bytes) { // big-endian; the usual widths without a loop
        case 1:
            return p[0];
        case 2:
            return (quint64(p[0]) << 8) | p[1];
        case 4:
            return qFromBigEndian<quint32>(p);
        case 8:
            return qFromBigEndian<quint64>(p);
        default: {
            quint64 value = 0;
            for (unsigned i = 0; i < bytes; ++i)
                value = (value << 8) | p[i];
            return value;
        }
        }
    }
    quint64 reference(const Object &object, quint64 i) const { return readUInt(object.at + i * m_refSize, m_refSize); }
    bool fits(size_t at, quint64 bytes) const { return at <= m_tableOffset && bytes <= m_tableOffset - at; }
    // The object's header; a message in `error` (when given) if it is malformed.
    bool describe(Index index, Object &object, QString *error) const;
    bool lengthAfterMarker(size_t &at, quint8 low, quint64 &length, QString *error) const;
    bool checkUtf16(size_t at, quint64 units, bool &hasNul) const;
    bool checkGraph(const PropertyListLimits &limits, QString *error);
    Object object(Index index) const
    {
        if (index >= m_entries.size())
            return Object();
        const Entry &e = m_entries[size_t(index)];
        Object o;
        o.marker = e.marker;
        o.count = e.count;
        o.at = e.at;
        return o;
    }
    static Kind kindOf(quint8 marker)
    {
        // By the high nibble; markers 0x08 and 0x09 are the booleans.
        constexpr Kind kinds[16] = {Kind::Invalid, Kind::Integer, Kind::Real,    Kind::Date,
                                    Kind::Data,    Kind::String,  Kind::String,  Kind::Invalid,
                                    Kind::Uid,     Kind::Invalid, Kind::Array,   Kind::Invalid,
                                    Kind::Invalid, Kind::Dictionary, Kind::Invalid, Kind::Invalid};
        if ((marker >> 4) == 0)
            return marker == 0x08 || marker == 0x09 ? Kind::Boolean : Kind::Invalid;
        return kinds[marker >> 4];
    }
    // Reference `i` of an array (part 0) or the key (part 0) or value
    // (part 1) `i` of a dictionary; m_objectCount when there is none.
    Index slot(Index container, Kind expected, quint64 i, quint64 part) const
    {
        if (container >= m_entries.size())
            return m_objectCount;
        const Entry &e = m_entries[size_t(container)];
        if (kindOf(e.marker) != expected || i >= e.count)
            return m_objectCount;
        return readUInt(e.at + (part * e.count + i) * m_refSize, m_refSize);
    }

    // What the check found of each object it reached (marker 0 for the
    // others): reading a value then needs no parsing of headers.
    struct Entry {
        quint32 at = 0;
        quint32 count = 0;
        quint8 marker = 0;
        bool soundKey = false; // checked as a dictionary key
    };
    std::vector<Entry> m_entries;
    QByteArray m_data; // keeps the bytes alive
    const quint8 *m_bytes = nullptr;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    quint64 m_objectCount = 0;
    Index m_top = 0;
    size_t m_tableOffset = 0;
};

} // namespace scrivane
