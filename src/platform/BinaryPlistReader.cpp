#include "BinaryPlistReader.h"

#include <QDateTime>

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

namespace scrivane {

namespace {

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

quint64 saturatingAdd(quint64 a, quint64 b)
{
    return a > std::numeric_limits<quint64>::max() - b ? std::numeric_limits<quint64>::max() : a + b;
}

// Property-list dates count seconds from 2001-01-01 00:00 UTC.
constexpr qint64 referenceDateMs = 978307200000LL;

} // namespace

// The format: a header, the objects, a table of object offsets and a
// 32-byte trailer giving the sizes of offsets and object references, the
// object count, the top object and where the table starts.  Each object
// begins with a marker byte, type in the high nibble and a small count in
// the low one (15 = the count follows as an integer object).

bool BinaryPlistReader::lengthAfterMarker(size_t &at, quint8 low, quint64 &length, QString *error) const
{
    if (low != 0x0F) {
        length = low;
        return true;
    }
    if (!fits(at, 1))
        return fail(error, QStringLiteral("binary property list: an object's length lies outside the data"));
    const quint8 marker = m_bytes[at];
    if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3)
        return fail(error, QStringLiteral("binary property list: an object's length is not a valid integer"));
    const unsigned bytes = 1u << (marker & 0x0F);
    if (!fits(at + 1, bytes))
        return fail(error, QStringLiteral("binary property list: an object's length lies outside the data"));
    length = readUInt(at + 1, bytes);
    at += 1 + bytes;
    return true;
}

bool BinaryPlistReader::checkUtf16(size_t at, quint64 units, bool &hasNul) const
{
    bool expectLow = false;
    for (quint64 i = 0; i < units; ++i) {
        const quint16 unit = quint16(readUInt(at + 2 * i, 2));
        hasNul = hasNul || unit == 0;
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (expectLow != low)
            return false;
        expectLow = high;
    }
    return !expectLow;
}

bool BinaryPlistReader::describe(Index index, Object &object, QString *error) const
{
    object = Object();
    if (index >= m_objectCount)
        return fail(error, QStringLiteral("binary property list: object %1 does not exist").arg(index));
    const quint64 offset = readUInt(m_tableOffset + index * m_offsetSize, m_offsetSize);
    if (offset < 8 || offset >= m_tableOffset)
        return fail(error, QStringLiteral("binary property list: object %1 lies outside the data").arg(index));
    size_t at = size_t(offset);
    const quint8 marker = m_bytes[at++];
    const quint8 low = marker & 0x0F;
    object.marker = marker;
    object.at = at;
    quint64 length = 0;
    switch (marker >> 4) {
    case 0x0:
        if (marker != 0x08 && marker != 0x09)
            return fail(error, QStringLiteral("binary property list: object %1 has an unknown kind").arg(index));
        return true;
    case 0x1:
        if (low > 4 || !fits(at, 1u << low))
            return fail(error, QStringLiteral("binary property list: integer %1 is malformed").arg(index));
        object.count = 1u << low;
        return true;
    case 0x2:
        if ((low != 2 && low != 3) || !fits(at, 1u << low))
            return fail(error, QStringLiteral("binary property list: real %1 is malformed").arg(index));
        object.count = 1u << low;
        return true;
    case 0x3:
        if (marker != 0x33 || !fits(at, 8))
            return fail(error, QStringLiteral("binary property list: date %1 is malformed").arg(index));
        object.count = 8;
        return true;
    case 0x4:
    case 0x5:
        if (!lengthAfterMarker(at, low, length, error))
            return false;
        if (!fits(at, length))
            return fail(error,
                        QStringLiteral("binary property list: object %1 runs past the end of the data").arg(index));
        object.isString = (marker >> 4) == 0x5;
        object.hasNul = object.isString && std::memchr(m_bytes + at, 0, size_t(length)) != nullptr;
        object.count = length;
        object.at = at;
        return true;
    case 0x6:
        if (!lengthAfterMarker(at, low, length, error))
            return false;
        if (length > m_tableOffset / 2 || !fits(at, 2 * length))
            return fail(error,
                        QStringLiteral("binary property list: object %1 runs past the end of the data").arg(index));
        if (!checkUtf16(at, length, object.hasNul))
            return fail(error, QStringLiteral("binary property list: string %1 is not valid UTF-16").arg(index));
        object.isString = true;
        object.count = length;
        object.at = at;
        return true;
    case 0x8:
        if ((low > 3 && low != 7) || !fits(at, low + 1u))
            return fail(error, QStringLiteral("binary property list: reference %1 is malformed").arg(index));
        if (readUInt(at, low + 1u) > std::numeric_limits<quint32>::max())
            return fail(error, QStringLiteral("binary property list: reference %1 is out of range").arg(index));
        object.count = low + 1u;
        return true;
    case 0xA:
    case 0xD: {
        if (!lengthAfterMarker(at, low, length, error))
            return false;
        const quint64 references = (marker >> 4) == 0xD ? 2 : 1;
        if (length > m_tableOffset / (references * m_refSize) || !fits(at, length * references * m_refSize))
            return fail(error,
                        QStringLiteral("binary property list: object %1 runs past the end of the data").arg(index));
        object.count = length;
        object.at = at;
        return true;
    }
    default:
        return fail(error, QStringLiteral("binary property list: object %1 has an unknown kind").arg(index));
    }
}

bool BinaryPlistReader::open(const QByteArray &data, const PropertyListLimits &limits, QString *error)
{
    m_data = QByteArray();
    m_bytes = nullptr;
    m_objectCount = 0;
    m_entries.clear();
    const qsizetype largest = std::min<qsizetype>(limits.maxInputSize, std::numeric_limits<uint32_t>::max());
    if (data.size() > largest)
        return fail(error, QStringLiteral("the property list is larger than %1 bytes").arg(largest));
    constexpr size_t trailerSize = 32;
    const size_t size = size_t(data.size());
    const auto *bytes = reinterpret_cast<const quint8 *>(data.constData());
    if (size < 8 + 1 + trailerSize || std::memcmp(bytes, "bplist00", 8) != 0)
        return fail(error, QStringLiteral("binary property list: the data is too short"));
    m_bytes = bytes;
    const size_t trailer = size - trailerSize;
    m_offsetSize = bytes[trailer + 6];
    m_refSize = bytes[trailer + 7];
    const quint64 objectCount = readUInt(trailer + 8, 8);
    const quint64 top = readUInt(trailer + 16, 8);
    const quint64 tableOffset = readUInt(trailer + 24, 8);
    const auto validSize = [](unsigned s) { return s == 1 || s == 2 || s == 3 || s == 4 || s == 8; };
    const auto refuse = [&](const QString &message) {
        m_bytes = nullptr;
            m_objectCount = 0;
        return fail(error, message);
    };
    if (!validSize(m_offsetSize) || !validSize(m_refSize))
        return refuse(QStringLiteral("binary property list: the trailer is malformed"));
    if (objectCount == 0 || top >= objectCount || tableOffset < 9 || tableOffset > trailer ||
        objectCount > (trailer - tableOffset) / m_offsetSize)
        return refuse(QStringLiteral("binary property list: the object table lies outside the data"));
    if (m_refSize < 8 && objectCount > (quint64(1) << (8 * m_refSize)))
        return refuse(QStringLiteral("binary property list: the trailer is malformed"));
    // Every object costs memory while reading; a list of more objects than
    // values it may hold is refused before anything is allocated.
    if (objectCount > limits.maxNodes)
        return refuse(QStringLiteral("property list holds more than %1 values").arg(limits.maxNodes));
    m_objectCount = objectCount;
    m_top = top;
    m_tableOffset = size_t(tableOffset);
    if (!checkGraph(limits, error)) {
        m_bytes = nullptr;
            m_objectCount = 0;
        return false;
    }
    m_data = data;
    return true;
}

// Depth-first walk from the top object with an explicit stack: the height
// and the unfolded size of every object, as a tree built from the list
// would hold them.  `unfolded` is 0 for an object not reached yet and
// `onStack` for one whose descendants are being walked.
bool BinaryPlistReader::checkGraph(const PropertyListLimits &limits, QString *error)
{
    m_entries.assign(size_t(m_objectCount), Entry());
    const auto remember = [&](Index index, const Object &object) {
        m_entries[size_t(index)] = Entry{quint32(object.at), quint32(object.count), object.marker, false};
    };
    constexpr quint64 onStack = std::numeric_limits<quint64>::max();
    std::vector<quint64> unfolded(size_t(m_objectCount), 0);
    std::vector<quint16> height(size_t(m_objectCount), 0);
    struct Frame {
        Index index;
        Object object;
        bool isDictionary = false;
        quint64 next = 0; // next reference slot to look at
        quint64 size = 1;
        quint16 height = 0;
    };
    std::vector<Frame> stack;
    const int maxDepth = std::min(limits.maxDepth, int(std::numeric_limits<quint16>::max()) - 1);

    // `object` is what describe() found of `index`.
    const auto enter = [&](Index index, const Object &object) {
        Frame frame{index, object};
        remember(index, frame.object);
        if (int(stack.size()) >= maxDepth)
            return fail(error, QStringLiteral("property list nests deeper than %1 levels").arg(maxDepth));
        const quint8 type = frame.object.marker >> 4;
        frame.isDictionary = type == 0xD;
        if (type != 0xA && type != 0xD)
            frame.object.count = 0; // leaves refer to nothing
        unfolded[size_t(index)] = onStack;
        stack.push_back(frame);
        return true;
    };
    Object top;
    if (!describe(m_top, top, error) || !enter(m_top, top))
        return false;
    while (!stack.empty()) {
        Frame &frame = stack.back();
        const quint64 references = frame.isDictionary ? 2 * frame.object.count : frame.object.count;
        if (frame.next < references) {
            const quint64 slot = frame.next++;
            const quint64 child = reference(frame.object, slot);
            if (child >= m_objectCount)
                return fail(error, QStringLiteral("binary property list: object %1 refers to a missing object")
                                       .arg(frame.index));
            if (frame.isDictionary && slot < frame.object.count) {
                // Keys are shared by many dictionaries: checked once.
                if (m_entries[size_t(child)].soundKey) {
                    frame.size = saturatingAdd(frame.size, 1);
                    continue;
                }
                Object key;
                if (!describe(child, key, error))
                    return false;
                remember(child, key);
                if (!key.isString)
                    return fail(error, QStringLiteral("binary property list: a dictionary key is not a string"));
                if (key.hasNul)
                    return fail(error,
                                QStringLiteral("binary property list: a dictionary key holds a NUL character"));
                m_entries[size_t(child)].soundKey = true;
                frame.size = saturatingAdd(frame.size, 1);
                continue;
            }
            const quint64 known = unfolded[size_t(child)];
            if (known == onStack)
                return fail(error, QStringLiteral("binary property list: object %1 contains itself").arg(child));
            if (known == 0) {
                Object found;
                if (!describe(child, found, error))
                    return false;
                const quint8 type = found.marker >> 4;
                if (type == 0xA || type == 0xD) {
                    if (!enter(child, found))
                        return false;
                    continue;
                }
                // A leaf is done at once, as entering and leaving it would.
                remember(child, found);
                if (int(stack.size()) >= maxDepth)
                    return fail(error, QStringLiteral("property list nests deeper than %1 levels").arg(maxDepth));
                if (1 > limits.maxNodes)
                    return fail(error, QStringLiteral("property list holds more than %1 values").arg(limits.maxNodes));
                unfolded[size_t(child)] = 1;
                height[size_t(child)] = 1;
                frame.size = saturatingAdd(frame.size, 1);
                frame.height = std::max<quint16>(frame.height, 1);
                continue;
            }
            // A shared object is unfolded wherever it is referred to: below
            // this frame it reaches as deep as its own height.
            if (stack.size() + height[size_t(child)] > size_t(maxDepth))
                return fail(error, QStringLiteral("property list nests deeper than %1 levels").arg(maxDepth));
            frame.size = saturatingAdd(frame.size, known);
            frame.height = std::max<quint16>(frame.height, height[size_t(child)]);
        } else {
            const Frame done = frame;
            stack.pop_back();
            if (done.size > limits.maxNodes)
                return fail(error, QStringLiteral("property list holds more than %1 values").arg(limits.maxNodes));
            unfolded[size_t(done.index)] = done.size;
            height[size_t(done.index)] = quint16(done.height + 1);
            if (!stack.empty()) {
                Frame &parent = stack.back();
                parent.size = saturatingAdd(parent.size, done.size);
                parent.height = std::max<quint16>(parent.height, quint16(done.height + 1));
            }
        }
    }
    return true;
}

bool BinaryPlistReader::boolean(Index index) const
{
    return object(index).marker == 0x09;
}

quint64 BinaryPlistReader::integer(Index index) const
{
    const Object o = object(index);
    if (kindOf(o.marker) != Kind::Integer)
        return 0;
    // 16-byte integers: the low 64 bits.
    return o.count == 16 ? readUInt(o.at + 8, 8) : readUInt(o.at, unsigned(o.count));
}

double BinaryPlistReader::real(Index index) const
{
    const Object o = object(index);
    const Kind kind = kindOf(o.marker);
    if (kind != Kind::Real && kind != Kind::Date)
        return 0;
    if (o.count == 4)
        return double(std::bit_cast<float>(quint32(readUInt(o.at, 4))));
    return std::bit_cast<double>(readUInt(o.at, 8));
}

double BinaryPlistReader::date(Index index) const
{
    return real(index);
}

// Text ends at its first NUL character, as libplist (which reads the plain
// lists and wrote the archives' reader before) has always read it: text
// with NUL characters cannot be written back as a plain string.
QString BinaryPlistReader::string(Index index) const
{
    const Object o = object(index);
    switch (o.marker >> 4) {
    case 0x5: {
        const char *text = reinterpret_cast<const char *>(m_bytes + o.at);
        const void *nul = std::memchr(text, 0, size_t(o.count));
        const qsizetype length = nul ? static_cast<const char *>(nul) - text : qsizetype(o.count);
        return QString::fromUtf8(text, length);
    }
    case 0x6: {
        QString text(qsizetype(o.count), Qt::Uninitialized);
        char16_t *units = reinterpret_cast<char16_t *>(text.data());
        for (quint64 i = 0; i < o.count; ++i) {
            units[i] = char16_t(readUInt(o.at + 2 * i, 2));
            if (units[i] == 0) {
                text.truncate(qsizetype(i));
                break;
            }
        }
        return text;
    }
    default:
        return QString();
    }
}

QByteArray BinaryPlistReader::data(Index index) const
{
    const Object o = object(index);
    if ((o.marker >> 4) != 0x4)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(m_bytes + o.at), qsizetype(o.count));
}

bool BinaryPlistReader::stringEquals(Index index, QAnyStringView text) const
{
    const Object o = object(index);
    switch (o.marker >> 4) {
    case 0x5:
        return QAnyStringView::equal(
            QUtf8StringView(reinterpret_cast<const char *>(m_bytes + o.at), qsizetype(o.count)), text);
    case 0x6:
        return QAnyStringView::equal(string(index), text);
    default:
        return false;
    }
}

std::optional<BinaryPlistReader::Index> BinaryPlistReader::find(Index dictionary, QAnyStringView key) const
{
    const Object o = object(dictionary);
    if (kindOf(o.marker) != Kind::Dictionary)
        return std::nullopt;
    // Keys are almost always short ASCII strings: compare their bytes with
    // the key's characters before anything else.
    const auto sameAscii = [&](size_t at, quint64 length) -> int {
        const auto *bytes = m_bytes + at;
        return key.visit([&](auto view) -> int {
            using View = decltype(view);
            if constexpr (std::is_same_v<View, QUtf8StringView>) {
                if (quint64(view.size()) != length)
                    return 0;
                return std::memcmp(bytes, view.data(), size_t(length)) == 0 ? 1 : 0;
            } else {
                if (quint64(view.size()) != length)
                    return 0;
                for (quint64 i = 0; i < length; ++i) {
                    if (bytes[i] >= 0x80)
                        return -1;
                    if (char16_t(bytes[i]) != char16_t(view[qsizetype(i)].unicode()))
                        return 0;
                }
                return 1;
            }
        });
    };
    const quint64 keySize = quint64(key.size());
    for (quint64 i = 0; i < o.count; ++i) {
        const Index keyIndex = reference(o, i);
        if (keyIndex >= m_entries.size())
            continue;
        const Entry &entry = m_entries[size_t(keyIndex)];
        if ((entry.marker & 0xF0) == 0x50) {
            if (entry.count != keySize)
                continue; // what the comparison below would answer
            const int same = sameAscii(entry.at, entry.count);
            if (same == 1)
                return reference(o, o.count + i);
            if (same == 0)
                continue;
        }
        if (stringEquals(keyIndex, key))
            return reference(o, o.count + i);
    }
    return std::nullopt;
}

bool BinaryPlistReader::toValue(Index index, PropertyList &value) const
{
    switch (kind(index)) {
    case Kind::Boolean:
        value = PropertyList(boolean(index));
        return true;
    case Kind::Integer:
        value = PropertyList(static_cast<qint64>(integer(index)));
        return true;
    case Kind::Real:
        value = PropertyList(real(index));
        return true;
    case Kind::String:
        value = PropertyList(string(index));
        return true;
    case Kind::Data:
        value = PropertyList(data(index));
        return true;
    case Kind::Date: {
        const double ms = date(index) * 1000.0;
        if (!(ms > -8.64e15 && ms < 8.64e15)) // QDateTime's range, NaN excluded
            value = PropertyList(QDateTime());
        else
            value = PropertyList(QDateTime::fromMSecsSinceEpoch(referenceDateMs + qint64(ms), Qt::UTC));
        return true;
    }
    default:
        return false;
    }
}

std::optional<PropertyList> BinaryPlistReader::toPropertyList(Index index, QString *error) const
{
    switch (kind(index)) {
    case Kind::Array: {
        PropertyList::Array array;
        const quint64 n = count(index);
        array.reserve(size_t(n));
        for (quint64 i = 0; i < n; ++i) {
            auto element = toPropertyList(this->element(index, i), error);
            if (!element)
                return std::nullopt;
            array.push_back(std::move(*element));
        }
        return PropertyList(std::move(array));
    }
    case Kind::Dictionary: {
        PropertyList::Dictionary dictionary;
        const quint64 n = count(index);
        for (quint64 i = 0; i < n; ++i) {
            auto element = toPropertyList(value(index, i), error);
            if (!element)
                return std::nullopt;
            dictionary.try_emplace(string(key(index, i)), std::move(*element));
        }
        return PropertyList(std::move(dictionary));
    }
    case Kind::Uid:
        fail(error, QStringLiteral("the property list holds archive references (it is a keyed archive)"));
        return std::nullopt;
    default: {
        PropertyList value;
        if (!toValue(index, value)) {
            fail(error, QStringLiteral("the property list holds a value of unknown kind"));
            return std::nullopt;
        }
        return value;
    }
    }
}

} // namespace scrivane
