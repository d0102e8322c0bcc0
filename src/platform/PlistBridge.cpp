#include "PlistBridge.h"

#include "platform/BinaryPlistReader.h"
#include "platform/BinaryPlistWriter.h"

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

// One node of a parsed tree into the writer; nesting was bounded by the
// check before parsing.
bool writeNode(plist_t node, BinaryPlistWriter &writer, BinaryPlistWriter::Ref &ref)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        ref = writer.boolean(b != 0);
        return true;
    }
    case PLIST_UINT: {
        uint64_t u = 0;
        plist_get_uint_val(node, &u);
        ref = writer.integer(static_cast<qint64>(u));
        return true;
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        ref = writer.real(d);
        return true;
    }
    case PLIST_STRING:
    case PLIST_KEY: {
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        ref = writer.utf8String(std::string_view(text ? text : "", text ? size_t(length) : 0));
        return true;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char *bytes = plist_get_data_ptr(node, &length);
        ref = writer.data(QByteArray(bytes, bytes ? qsizetype(length) : 0));
        return true;
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        ref = writer.date(double(sec) + double(usec) / 1e6);
        return true;
    }
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        ref = writer.uid(value);
        return true;
    }
    case PLIST_ARRAY: {
        std::vector<BinaryPlistWriter::Ref> elements;
        for (void *item : PlistBridge::arrayItems(node)) {
            BinaryPlistWriter::Ref element = 0;
            if (!writeNode(static_cast<plist_t>(item), writer, element))
                return false;
            elements.push_back(element);
        }
        ref = writer.array(std::move(elements));
        return true;
    }
    case PLIST_DICT: {
        std::vector<std::pair<BinaryPlistWriter::Ref, BinaryPlistWriter::Ref>> entries;
        for (const auto &[key, item] : PlistBridge::dictionaryItems(node)) {
            BinaryPlistWriter::Ref value = 0;
            if (!writeNode(static_cast<plist_t>(item), writer, value))
                return false;
            entries.emplace_back(writer.string(key), value);
        }
        ref = writer.dictionary(entries);
        return true;
    }
    default:
        return false;
    }
}

} // namespace

void PlistBridge::Free::operator()(void *node) const
{
    plist_free(static_cast<plist_t>(node));
}

bool PlistBridge::checkBinary(const QByteArray &data, const PropertyListLimits &limits, QString *error)
{
    return BinaryPlistReader().open(data, limits, error);
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

QByteArray PlistBridge::toBinary(void *node)
{
    BinaryPlistWriter writer;
    BinaryPlistWriter::Ref top = 0;
    if (!node || !writeNode(static_cast<plist_t>(node), writer, top))
        return QByteArray();
    return writer.finish(top);
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
