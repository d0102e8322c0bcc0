#include "PlistBridge.h"

#include <plist/plist.h>

#include <QDateTime>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
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

// The binary format ("bplist00"): a header, the objects, a table of object
// offsets and a 32-byte trailer giving the sizes of offsets and object
// references, the object count, the top object and where the table starts.
// Each object begins with a marker byte, type in the high nibble and a small
// count in the low one (15 = the count follows as an integer object).
class BinaryCheck {
public:
    BinaryCheck(const QByteArray &data, const PropertyListLimits &limits, QString *error)
        : m_data(reinterpret_cast<const uint8_t *>(data.constData())), m_size(size_t(data.size())),
          m_limits(limits), m_error(error)
    {
    }

    bool run();

private:
    enum class Type { Leaf, Array, Dictionary };
    struct Object {
        Type type = Type::Leaf;
        bool isString = false;
        bool hasNul = false; // a string holding a NUL character
        uint64_t count = 0;  // elements or entries of a container
        size_t refs = 0;     // where a container's references start
    };

    bool error(const QString &message) { return fail(m_error, message); }
    uint64_t readUInt(size_t at, unsigned bytes) const
    {
        uint64_t value = 0;
        for (unsigned i = 0; i < bytes; ++i)
            value = (value << 8) | m_data[at + i];
        return value;
    }
    uint64_t reference(const Object &object, uint64_t i) const
    {
        return readUInt(object.refs + i * m_refSize, m_refSize);
    }
    bool describe(uint64_t index, Object &object);
    bool lengthAfterMarker(size_t &at, uint8_t low, uint64_t &length);
    bool fits(size_t at, uint64_t bytes) const { return at <= m_tableOffset && bytes <= m_tableOffset - at; }
    bool checkUtf16(size_t at, uint64_t units, bool &hasNul) const;

    const uint8_t *m_data;
    size_t m_size;
    const PropertyListLimits &m_limits;
    QString *m_error;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    uint64_t m_objectCount = 0;
    uint64_t m_top = 0;
    size_t m_tableOffset = 0;
};

bool BinaryCheck::lengthAfterMarker(size_t &at, uint8_t low, uint64_t &length)
{
    if (low != 0x0F) {
        length = low;
        return true;
    }
    if (!fits(at, 1))
        return error(QStringLiteral("binary property list: an object's length lies outside the data"));
    const uint8_t marker = m_data[at];
    if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3)
        return error(QStringLiteral("binary property list: an object's length is not a valid integer"));
    const unsigned bytes = 1u << (marker & 0x0F);
    if (!fits(at + 1, bytes))
        return error(QStringLiteral("binary property list: an object's length lies outside the data"));
    length = readUInt(at + 1, bytes);
    at += 1 + bytes;
    return true;
}

bool BinaryCheck::checkUtf16(size_t at, uint64_t units, bool &hasNul) const
{
    bool expectLow = false;
    for (uint64_t i = 0; i < units; ++i) {
        const uint16_t unit = uint16_t(readUInt(at + 2 * i, 2));
        hasNul = hasNul || unit == 0;
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (expectLow != low)
            return false;
        expectLow = high;
    }
    return !expectLow;
}

bool BinaryCheck::describe(uint64_t index, Object &object)
{
    const uint64_t offset = readUInt(m_tableOffset + index * m_offsetSize, m_offsetSize);
    if (offset < 8 || offset >= m_tableOffset)
        return error(QStringLiteral("binary property list: object %1 lies outside the data").arg(index));
    size_t at = size_t(offset);
    const uint8_t marker = m_data[at++];
    const uint8_t low = marker & 0x0F;
    object = Object();
    uint64_t length = 0;
    switch (marker >> 4) {
    case 0x0:
        if (marker != 0x08 && marker != 0x09)
            return error(QStringLiteral("binary property list: object %1 has an unknown kind").arg(index));
        return true;
    case 0x1:
        if (low > 4 || !fits(at, 1u << low))
            return error(QStringLiteral("binary property list: integer %1 is malformed").arg(index));
        return true;
    case 0x2:
        if ((low != 2 && low != 3) || !fits(at, 1u << low))
            return error(QStringLiteral("binary property list: real %1 is malformed").arg(index));
        return true;
    case 0x3:
        if (marker != 0x33 || !fits(at, 8))
            return error(QStringLiteral("binary property list: date %1 is malformed").arg(index));
        return true;
    case 0x4:
    case 0x5:
        if (!lengthAfterMarker(at, low, length))
            return false;
        if (!fits(at, length))
            return error(
                QStringLiteral("binary property list: object %1 runs past the end of the data").arg(index));
        object.isString = (marker >> 4) == 0x5;
        object.hasNul = object.isString && std::memchr(m_data + at, 0, size_t(length)) != nullptr;
        return true;
    case 0x6:
        if (!lengthAfterMarker(at, low, length))
            return false;
        if (length > m_tableOffset / 2 || !fits(at, 2 * length))
            return error(
                QStringLiteral("binary property list: object %1 runs past the end of the data").arg(index));
        if (!checkUtf16(at, length, object.hasNul))
            return error(QStringLiteral("binary property list: string %1 is not valid UTF-16").arg(index));
        object.isString = true;
        return true;
    case 0x8:
        if ((low > 3 && low != 7) || !fits(at, low + 1u))
            return error(QStringLiteral("binary property list: reference %1 is malformed").arg(index));
        if (readUInt(at, low + 1u) > std::numeric_limits<uint32_t>::max())
            return error(QStringLiteral("binary property list: reference %1 is out of range").arg(index));
        return true;
    case 0xA:
    case 0xD: {
        if (!lengthAfterMarker(at, low, length))
            return false;
        const uint64_t references = (marker >> 4) == 0xD ? 2 : 1;
        if (length > m_tableOffset / (references * m_refSize) || !fits(at, length * references * m_refSize))
            return error(
                QStringLiteral("binary property list: object %1 runs past the end of the data").arg(index));
        object.type = (marker >> 4) == 0xD ? Type::Dictionary : Type::Array;
        object.count = length;
        object.refs = at;
        return true;
    }
    default:
        return error(QStringLiteral("binary property list: object %1 has an unknown kind").arg(index));
    }
}

bool BinaryCheck::run()
{
    constexpr size_t trailerSize = 32;
    if (m_size < 8 + 1 + trailerSize || std::memcmp(m_data, "bplist00", 8) != 0)
        return error(QStringLiteral("binary property list: the data is too short"));
    const size_t trailer = m_size - trailerSize;
    m_offsetSize = m_data[trailer + 6];
    m_refSize = m_data[trailer + 7];
    m_objectCount = readUInt(trailer + 8, 8);
    m_top = readUInt(trailer + 16, 8);
    const uint64_t tableOffset = readUInt(trailer + 24, 8);
    // libplist reads big-endian integers of 1, 2, 3, 4 and 8 bytes (and
    // writes 3-byte offsets and references); other widths it misreads.
    const auto validSize = [](unsigned s) { return s == 1 || s == 2 || s == 3 || s == 4 || s == 8; };
    if (!validSize(m_offsetSize) || !validSize(m_refSize))
        return error(QStringLiteral("binary property list: the trailer is malformed"));
    if (m_objectCount == 0 || m_top >= m_objectCount || tableOffset < 9 || tableOffset > trailer ||
        m_objectCount > (trailer - tableOffset) / m_offsetSize)
        return error(QStringLiteral("binary property list: the object table lies outside the data"));
    m_tableOffset = size_t(tableOffset);
    if (m_refSize < 8 && m_objectCount > (uint64_t(1) << (8 * m_refSize)))
        return error(QStringLiteral("binary property list: the trailer is malformed"));

    // Depth-first walk from the top object with an explicit stack: the
    // height and the unfolded size of every object, as libplist will build
    // them.  `unfolded` is 0 for an object not reached yet and `onStack`
    // for one whose descendants are being walked.
    constexpr uint64_t onStack = std::numeric_limits<uint64_t>::max();
    std::vector<uint64_t> unfolded(size_t(m_objectCount), 0);
    std::vector<uint16_t> height(size_t(m_objectCount), 0);
    struct Frame {
        uint64_t index;
        Object object;
        uint64_t next = 0; // next reference slot to look at
        uint64_t size = 1;
        uint16_t height = 0;
    };
    std::vector<Frame> stack;
    const int maxDepth = std::min(m_limits.maxDepth, int(std::numeric_limits<uint16_t>::max()) - 1);

    const auto enter = [&](uint64_t index) {
        Frame frame{index, {}};
        if (!describe(index, frame.object))
            return false;
        if (int(stack.size()) >= maxDepth)
            return error(QStringLiteral("property list nests deeper than %1 levels").arg(maxDepth));
        unfolded[size_t(index)] = onStack;
        stack.push_back(frame);
        return true;
    };
    if (!enter(m_top))
        return false;
    while (!stack.empty()) {
        Frame &frame = stack.back();
        const uint64_t references =
            frame.object.type == Type::Dictionary ? 2 * frame.object.count : frame.object.count;
        if (frame.next < references) {
            const uint64_t slot = frame.next++;
            const uint64_t child = reference(frame.object, slot);
            if (child >= m_objectCount)
                return error(QStringLiteral("binary property list: object %1 refers to a missing object")
                                 .arg(frame.index));
            if (frame.object.type == Type::Dictionary && slot < frame.object.count) {
                Object key;
                if (!describe(child, key))
                    return false;
                if (!key.isString)
                    return error(QStringLiteral("binary property list: a dictionary key is not a string"));
                // libplist asserts on keys with NUL characters.
                if (key.hasNul)
                    return error(
                        QStringLiteral("binary property list: a dictionary key holds a NUL character"));
                frame.size = saturatingAdd(frame.size, 1);
                continue;
            }
            const uint64_t known = unfolded[size_t(child)];
            if (known == onStack)
                return error(QStringLiteral("binary property list: object %1 contains itself").arg(child));
            if (known == 0) {
                if (!enter(child))
                    return false;
                continue;
            }
            frame.size = saturatingAdd(frame.size, known);
            frame.height = std::max<uint16_t>(frame.height, height[size_t(child)]);
        } else {
            const Frame done = frame;
            stack.pop_back();
            if (done.size > m_limits.maxNodes)
                return error(
                    QStringLiteral("property list holds more than %1 values").arg(m_limits.maxNodes));
            unfolded[size_t(done.index)] = done.size;
            height[size_t(done.index)] = uint16_t(done.height + 1);
            if (!stack.empty()) {
                Frame &parent = stack.back();
                parent.size = saturatingAdd(parent.size, done.size);
                parent.height = std::max<uint16_t>(parent.height, uint16_t(done.height + 1));
            }
        }
    }
    return true;
}

} // namespace

void PlistBridge::Free::operator()(void *node) const
{
    plist_free(static_cast<plist_t>(node));
}

bool PlistBridge::checkBinary(const QByteArray &data, const PropertyListLimits &limits, QString *error)
{
    return BinaryCheck(data, limits, error).run();
}

bool PlistBridge::checkXml(const QByteArray &data, const PropertyListLimits &limits, QString *error)
{
    // XML cannot hold NUL characters, and libplist's parser would stop at
    // one: refuse them outright.
    if (data.contains('\0'))
        return fail(error, QStringLiteral("XML property list: the data holds NUL characters"));
    // Count nesting by tags alone, ignoring comments and character data: an
    // overestimate for odd documents, never an underestimate, whatever
    // libplist makes of such constructs.
    int depth = 0;
    const qsizetype size = data.size();
    const char *text = data.constData();
    for (qsizetype i = 0; i + 1 < size; ++i) {
        if (text[i] != '<')
            continue;
        const char next = text[i + 1];
        if (next == '/') {
            depth = std::max(0, depth - 1);
            continue;
        }
        if (next == '?' || next == '!')
            continue;
        qsizetype end = i + 1;
        while (end < size && text[end] != '>' && text[end] != '<')
            ++end;
        if (end < size && text[end] == '>' && text[end - 1] == '/')
            continue; // an empty element
        if (++depth > limits.maxDepth)
            return fail(error,
                        QStringLiteral("property list nests deeper than %1 levels").arg(limits.maxDepth));
    }
    return true;
}

PlistBridge::Node PlistBridge::parse(const QByteArray &data, const PropertyListLimits &limits, QString *error)
{
    if (data.isEmpty())
        return fail(error, QStringLiteral("the property list is empty")), Node();
    const qsizetype largest = std::min<qsizetype>(limits.maxInputSize, std::numeric_limits<uint32_t>::max());
    if (data.size() > largest)
        return fail(error, QStringLiteral("the property list is larger than %1 bytes").arg(largest)), Node();
    plist_t root = nullptr;
    if (isBinary(data)) {
        if (!checkBinary(data, limits, error))
            return Node();
        plist_from_bin(data.constData(), uint32_t(data.size()), &root);
    } else {
        if (!checkXml(data, limits, error))
            return Node();
        plist_from_xml(data.constData(), uint32_t(data.size()), &root);
    }
    if (!root)
        fail(error, isBinary(data) ? QStringLiteral("the data is not a valid binary property list")
                                   : QStringLiteral("the data is not a valid property list"));
    return Node(root);
}

} // namespace scrivane

namespace scrivane {

namespace {

// Property-list dates count seconds from 2001-01-01 00:00 UTC.
constexpr qint64 referenceDateMs = 978307200000LL;

QDateTime dateFromReference(double seconds)
{
    const double ms = seconds * 1000.0;
    if (!(ms > -8.64e15 && ms < 8.64e15)) // QDateTime's range, NaN excluded
        return {};
    return QDateTime::fromMSecsSinceEpoch(referenceDateMs + qint64(ms), Qt::UTC);
}

} // namespace

std::vector<void *> PlistBridge::arrayItems(void *array)
{
    std::vector<void *> items;
    const plist_t node = static_cast<plist_t>(array);
    if (plist_get_node_type(node) != PLIST_ARRAY)
        return items;
    items.reserve(plist_array_get_size(node));
    plist_array_iter it = nullptr;
    plist_array_new_iter(node, &it);
    for (;;) {
        plist_t item = nullptr;
        plist_array_next_item(node, it, &item);
        if (!item)
            break;
        items.push_back(item);
    }
    free(it);
    return items;
}

std::vector<std::pair<QString, void *>> PlistBridge::dictionaryItems(void *dictionary)
{
    std::vector<std::pair<QString, void *>> items;
    const plist_t node = static_cast<plist_t>(dictionary);
    if (plist_get_node_type(node) != PLIST_DICT)
        return items;
    items.reserve(plist_dict_get_size(node));
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node, &it);
    for (;;) {
        char *key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, it, &key, &item);
        if (!item) {
            free(key);
            break;
        }
        items.emplace_back(QString::fromUtf8(key), item);
        free(key);
    }
    free(it);
    return items;
}

QByteArray PlistBridge::toXml(void *node)
{
    char *bytes = nullptr;
    uint32_t length = 0;
    plist_to_xml(static_cast<plist_t>(node), &bytes, &length);
    QByteArray result(bytes, bytes ? qsizetype(length) : 0);
    plist_to_xml_free(bytes);
    return result;
}

bool PlistBridge::toValue(void *n, PropertyList &value)
{
    const plist_t node = static_cast<plist_t>(n);
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        value = PropertyList(b != 0);
        return true;
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        value = PropertyList(static_cast<qint64>(u)); // libplist keeps negatives as two's complement
        return true;
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        value = PropertyList(d);
        return true;
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        value = PropertyList(QString::fromUtf8(text, text ? qsizetype(length) : 0));
        return true;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char *bytes = plist_get_data_ptr(node, &length);
        value = PropertyList(QByteArray(bytes, bytes ? qsizetype(length) : 0));
        return true;
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        value = PropertyList(dateFromReference(double(sec) + double(usec) / 1e6));
        return true;
    }
    default:
        return false;
    }
}

void *PlistBridge::newScalar(const PropertyList &value, QString *error)
{
    using Kind = PropertyList::Kind;
    switch (value.kind()) {
    case Kind::String: {
        const QString text = value.toString();
        if (text.contains(QChar(0))) {
            fail(error, QStringLiteral("a property list cannot hold text with NUL characters"));
            return nullptr;
        }
        return plist_new_string(text.toUtf8().constData());
    }
    case Kind::Integer:
        return plist_new_uint(static_cast<uint64_t>(value.toInteger()));
    case Kind::Real:
        return plist_new_real(value.toReal());
    case Kind::Boolean:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case Kind::Data: {
        const QByteArray data = value.toData();
        return plist_new_data(data.constData(), uint64_t(data.size()));
    }
    case Kind::Date: {
        const QDateTime date = value.toDate();
        if (!date.isValid()) {
            fail(error, QStringLiteral("a property list cannot hold an invalid date"));
            return nullptr;
        }
        const qint64 ms = date.toMSecsSinceEpoch() - referenceDateMs;
        const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        if (sec < std::numeric_limits<int32_t>::min() || sec > std::numeric_limits<int32_t>::max()) {
            fail(error,
                 QStringLiteral("a property list cannot hold the date %1").arg(date.toString(Qt::ISODate)));
            return nullptr;
        }
        return plist_new_date(int32_t(sec), int32_t((ms - sec * 1000) * 1000));
    }
    case Kind::Null:
        fail(error, QStringLiteral("a property list cannot hold a null value"));
        return nullptr;
    default:
        fail(error, QStringLiteral("a plain property list cannot hold archived objects"));
        return nullptr;
    }
}

std::optional<PropertyList> PlistBridge::toPropertyList(void *n, QString *error)
{
    const plist_t node = static_cast<plist_t>(n);
    switch (plist_get_node_type(node)) {
    case PLIST_ARRAY: {
        PropertyList::Array array;
        const std::vector<void *> items = arrayItems(node);
        array.reserve(items.size());
        for (void *item : items) {
            auto element = toPropertyList(item, error);
            if (!element)
                return std::nullopt;
            array.push_back(std::move(*element));
        }
        return PropertyList(std::move(array));
    }
    case PLIST_DICT: {
        PropertyList::Dictionary dictionary;
        for (const auto &[name, item] : dictionaryItems(node)) {
            auto element = toPropertyList(item, error);
            if (!element)
                return std::nullopt;
            dictionary.try_emplace(name, std::move(*element)); // the first of duplicate keys, as lookups find
        }
        return PropertyList(std::move(dictionary));
    }
    case PLIST_UID:
        fail(error, QStringLiteral("the property list holds archive references (it is a keyed archive)"));
        return std::nullopt;
    default: {
        PropertyList value;
        if (!toValue(node, value)) {
            fail(error, QStringLiteral("the property list holds a value of unknown kind"));
            return std::nullopt;
        }
        return value;
    }
    }
}

PlistBridge::Node PlistBridge::fromPropertyList(const PropertyList &value, QString *error)
{
    if (value.isArray()) {
        Node array(plist_new_array());
        for (const PropertyList &element : value.toArray()) {
            Node item = fromPropertyList(element, error);
            if (!item)
                return Node();
            plist_array_append_item(array.get(), item.release());
        }
        return array;
    }
    if (value.isDictionary()) {
        Node dictionary(plist_new_dict());
        for (const auto &[key, element] : value.toDictionary()) {
            if (key.contains(QChar(0)))
                return fail(error, QStringLiteral("a property list cannot hold keys with NUL characters")),
                       Node();
            Node item = fromPropertyList(element, error);
            if (!item)
                return Node();
            plist_dict_set_item(dictionary.get(), key.toUtf8().constData(), item.release());
        }
        return dictionary;
    }
    return Node(newScalar(value, error));
}

} // namespace scrivane
