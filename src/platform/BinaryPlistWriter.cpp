#include "BinaryPlistWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace scrivane {

namespace {

constexpr qint64 referenceDateMs = 978307200000LL; // 2001-01-01 00:00 UTC

unsigned bytesFor(uint64_t value)
{
    return value <= 0xff ? 1 : value <= 0xffff ? 2 : value <= 0xffffffffu ? 4 : 8;
}

// Widths of references and offsets: any from 1 to 8 bytes is read, and
// a large list saves a byte per reference with three.
unsigned tableBytesFor(uint64_t value)
{
    return value <= 0xffffff && value > 0xffff ? 3 : bytesFor(value);
}

uint8_t sizeCode(unsigned bytes)
{
    return bytes == 1 ? 0 : bytes == 2 ? 1 : bytes == 4 ? 2 : 3;
}

template <class Out> void appendUInt(Out &out, uint64_t value, unsigned bytes)
{
    for (int shift = int(bytes - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(char((value >> shift) & 0xff));
}

// A marker with its count: in the low nibble, or 15 and an integer object.
template <class Out> void appendHeader(Out &out, uint8_t marker, uint64_t count)
{
    if (count < 15) {
        out.push_back(char(marker | count));
        return;
    }
    out.push_back(char(marker | 0x0f));
    const unsigned bytes = bytesFor(count);
    out.push_back(char(0x10 | sizeCode(bytes)));
    appendUInt(out, count, bytes);
}

} // namespace

BinaryPlistWriter::Ref BinaryPlistWriter::scalar(const char *bytes, size_t size)
{
    m_objects.push_back(Object{0, m_bytes.size(), size});
    m_bytes.append(bytes, size);
    return m_objects.size() - 1;
}

BinaryPlistWriter::Ref BinaryPlistWriter::sharedNumber(std::unordered_map<uint64_t, Ref> &known, uint64_t key,
                                                       const char *bytes, size_t size)
{
    const auto [it, inserted] = known.try_emplace(key, 0);
    if (inserted)
        it->second = scalar(bytes, size);
    return it->second;
}

BinaryPlistWriter::Ref BinaryPlistWriter::container(uint8_t marker, const Ref *refs, size_t count)
{
    const size_t begin = m_refs.size();
    m_refs.insert(m_refs.end(), refs, refs + count);
    return sharedContainer(marker, begin);
}

// The references of the new container are the last ones of m_refs: an
// equal container written before is answered instead (and they are
// dropped), as equal scalars are.
BinaryPlistWriter::Ref BinaryPlistWriter::sharedContainer(uint8_t marker, size_t begin)
{
    const size_t count = m_refs.size() - begin;
    uint64_t hash = 0xcbf29ce484222325ULL ^ marker;
    for (size_t i = begin; i < m_refs.size(); ++i)
        hash = (hash ^ m_refs[i]) * 0x100000001b3ULL;
    const auto [first, last] = m_containers.equal_range(hash);
    for (auto it = first; it != last; ++it) {
        const Object &known = m_objects[it->second];
        if (known.marker == marker && known.size == count &&
            std::equal(m_refs.begin() + qsizetype(known.begin), m_refs.begin() + qsizetype(known.begin + count),
                       m_refs.begin() + qsizetype(begin))) {
            m_refs.resize(begin);
            return it->second;
        }
    }
    m_objects.push_back(Object{marker, begin, count});
    const Ref ref = m_objects.size() - 1;
    m_containers.emplace(hash, ref);
    return ref;
}

BinaryPlistWriter::Ref BinaryPlistWriter::utf8String(std::string_view utf8)
{
    for (const char c : utf8) {
        if (uint8_t(c) >= 0x80)
            return string(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    }
    std::string bytes;
    appendHeader(bytes, 0x50, utf8.size());
    bytes.append(utf8);
    const auto [it, inserted] = m_texts.try_emplace(std::move(bytes), 0);
    if (inserted)
        it->second = scalar(it->first.data(), it->first.size());
    return it->second;
}

BinaryPlistWriter::Ref BinaryPlistWriter::string(const QString &text)
{
    bool ascii = true;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    std::string bytes;
    if (ascii) {
        appendHeader(bytes, 0x50, uint64_t(text.size()));
        for (const QChar c : text)
            bytes.push_back(char(c.unicode()));
    } else {
        appendHeader(bytes, 0x60, uint64_t(text.size()));
        for (const QChar c : text)
            appendUInt(bytes, c.unicode(), 2);
    }
    const auto [it, inserted] = m_texts.try_emplace(std::move(bytes), 0);
    if (inserted)
        it->second = scalar(it->first.data(), it->first.size());
    return it->second;
}

BinaryPlistWriter::Ref BinaryPlistWriter::integer(qint64 value)
{
    // Negative numbers take 8 bytes, which readers take as signed.
    const uint64_t bits = static_cast<uint64_t>(value);
    const unsigned size = value < 0 ? 8 : bytesFor(bits);
    char bytes[9] = {char(0x10 | sizeCode(size))};
    for (unsigned i = 0; i < size; ++i)
        bytes[1 + i] = char((bits >> (8 * (size - 1 - i))) & 0xff);
    return sharedNumber(m_integers, bits, bytes, 1 + size);
}

BinaryPlistWriter::Ref BinaryPlistWriter::sharedDouble(std::unordered_map<uint64_t, Ref> &known,
                                                       uint8_t marker, double value)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    char bytes[9] = {char(marker)};
    for (unsigned i = 0; i < 8; ++i)
        bytes[1 + i] = char((bits >> (8 * (7 - i))) & 0xff);
    return sharedNumber(known, bits, bytes, 9);
}

BinaryPlistWriter::Ref BinaryPlistWriter::real(double value)
{
    // A value that is exactly a single-precision number (the model's
    // geometry and colours are) takes four bytes.
    const float single = float(value);
    if (std::isfinite(value) && double(single) == value) {
        uint32_t bits = 0;
        std::memcpy(&bits, &single, sizeof bits);
        const char bytes[5] = {char(0x22), char(bits >> 24), char((bits >> 16) & 0xff), char((bits >> 8) & 0xff),
                               char(bits & 0xff)};
        return sharedNumber(m_singles, bits, bytes, 5);
    }
    return sharedDouble(m_reals, 0x23, value);
}

BinaryPlistWriter::Ref BinaryPlistWriter::date(double seconds)
{
    return sharedDouble(m_dates, 0x33, seconds);
}

BinaryPlistWriter::Ref BinaryPlistWriter::boolean(bool value)
{
    Ref &known = m_booleans[value ? 1 : 0];
    if (!known) {
        const char marker = char(value ? 0x09 : 0x08);
        known = scalar(&marker, 1) + 1;
    }
    return known - 1;
}

BinaryPlistWriter::Ref BinaryPlistWriter::data(const QByteArray &bytes)
{
    std::string encoded;
    appendHeader(encoded, 0x40, uint64_t(bytes.size()));
    encoded.append(bytes.constData(), size_t(bytes.size()));
    const auto [it, inserted] = m_texts.try_emplace(std::move(encoded), 0);
    if (inserted)
        it->second = scalar(it->first.data(), it->first.size());
    return it->second;
}

BinaryPlistWriter::Ref BinaryPlistWriter::uid(quint64 value)
{
    // Archive references count up from 0 without gaps: a table beats hashing.
    if (value < (quint64(1) << 32)) {
        if (value >= m_uids.size())
            m_uids.resize(std::max<size_t>(size_t(value) + 1, 2 * m_uids.size()), 0);
        if (m_uids[size_t(value)])
            return m_uids[size_t(value)] - 1;
    }
    const unsigned size = bytesFor(value);
    char bytes[9] = {char(0x80 | (size - 1))};
    for (unsigned i = 0; i < size; ++i)
        bytes[1 + i] = char((value >> (8 * (size - 1 - i))) & 0xff);
    const Ref ref = scalar(bytes, 1 + size);
    if (value < (quint64(1) << 32))
        m_uids[size_t(value)] = ref + 1;
    return ref;
}

BinaryPlistWriter::Ref BinaryPlistWriter::array(std::vector<Ref> elements)
{
    return container(0xA0, elements.data(), elements.size());
}

BinaryPlistWriter::Ref BinaryPlistWriter::dictionary(const std::vector<std::pair<Ref, Ref>> &entries)
{
    const size_t begin = m_refs.size();
    for (const auto &entry : entries)
        m_refs.push_back(entry.first);
    for (const auto &entry : entries)
        m_refs.push_back(entry.second);
    return sharedContainer(0xD0, begin);
}

bool BinaryPlistWriter::value(const PropertyList &value, Ref &ref, QString *error)
{
    const auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    using Kind = PropertyList::Kind;
    switch (value.kind()) {
    case Kind::String:
        if (value.toString().contains(QChar(0)))
            return fail(QStringLiteral("a property list cannot hold text with NUL characters"));
        ref = string(value.toString());
        return true;
    case Kind::Integer:
        ref = integer(value.toInteger());
        return true;
    case Kind::Real:
        ref = real(value.toReal());
        return true;
    case Kind::Boolean:
        ref = boolean(value.toBool());
        return true;
    case Kind::Data:
        ref = data(value.toData());
        return true;
    case Kind::Date: {
        const QDateTime date = value.toDate();
        if (!date.isValid())
            return fail(QStringLiteral("a property list cannot hold an invalid date"));
        const double seconds = double(date.toMSecsSinceEpoch() - referenceDateMs) / 1000.0;
        // The range libplist reads back (its seconds are 32-bit).
        if (seconds < double(std::numeric_limits<int32_t>::min()) ||
            seconds >= double(std::numeric_limits<int32_t>::max()))
            return fail(
                QStringLiteral("a property list cannot hold the date %1").arg(date.toString(Qt::ISODate)));
        ref = this->date(seconds);
        return true;
    }
    case Kind::Array: {
        std::vector<Ref> elements;
        elements.reserve(value.size());
        for (const PropertyList &element : value.toArray()) {
            Ref child = 0;
            if (!this->value(element, child, error))
                return false;
            elements.push_back(child);
        }
        ref = array(std::move(elements));
        return true;
    }
    case Kind::Dictionary: {
        std::vector<std::pair<Ref, Ref>> entries;
        entries.reserve(value.size());
        for (const auto &[key, element] : value.toDictionary()) {
            if (key.contains(QChar(0)))
                return fail(QStringLiteral("a property list cannot hold keys with NUL characters"));
            Ref child = 0;
            if (!this->value(element, child, error))
                return false;
            entries.emplace_back(string(key), child);
        }
        ref = dictionary(entries);
        return true;
    }
    case Kind::Null:
        return fail(QStringLiteral("a property list cannot hold a null value"));
    case Kind::Object:
        return fail(QStringLiteral("a plain property list cannot hold archived objects"));
    }
    return false;
}

QByteArray BinaryPlistWriter::finish(Ref top) const
{
    const unsigned refSize = tableBytesFor(m_objects.empty() ? 0 : m_objects.size() - 1);
    QByteArray out("bplist00");
    out.reserve(qsizetype(8 + m_bytes.size() + m_refs.size() * refSize + m_objects.size() * 5 + 32));
    std::vector<uint64_t> offsets;
    offsets.reserve(m_objects.size());
    for (const Object &object : m_objects) {
        offsets.push_back(uint64_t(out.size()));
        if (object.marker == 0) {
            out.append(m_bytes.data() + object.begin, qsizetype(object.size));
            continue;
        }
        appendHeader(out, object.marker, object.marker == 0xD0 ? object.size / 2 : object.size);
        for (uint64_t i = 0; i < object.size; ++i)
            appendUInt(out, m_refs[object.begin + i], refSize);
    }
    const uint64_t tableOffset = uint64_t(out.size());
    const unsigned offsetSize = tableBytesFor(tableOffset);
    for (uint64_t offset : offsets)
        appendUInt(out, offset, offsetSize);
    out.append(QByteArray(6, '\0'));
    out.append(char(offsetSize));
    out.append(char(refSize));
    appendUInt(out, m_objects.size(), 8);
    appendUInt(out, top, 8);
    appendUInt(out, tableOffset, 8);
    return out;
}

} // namespace scrivane
