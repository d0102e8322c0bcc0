#include "KeyedUnarchiver.h"

#include "platform/ArchivedColor.h"
#include "platform/ArchivedPoint.h"
#include "platform/ArchivedTransform.h"
#include "platform/EncodedDictionary.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSet>

#include <plist/plist.h>

#include <charconv>
#include <cmath>
#include <limits>

namespace scrivane {

namespace {

constexpr qint64 referenceDateMs = 978307200000LL; // 2001-01-01 00:00 UTC

struct Registry {
    QMutex mutex;
    QHash<QString, KeyedUnarchiver::DecodeFunction> classes;
    QHash<QString, KeyedUnarchiver::DecodeFunction> substitutions;
};

Registry &registry()
{
    static Registry *shared = [] {
        auto *r = new Registry;
        // The value classes of the platform layer.
        r->classes.insert(ArchivedPoint::className(), &ArchivedPoint::decode);
        r->classes.insert(ArchivedColor::className(), &ArchivedColor::decode);
        r->classes.insert(ArchivedTransform::className(), &ArchivedTransform::decode);
        return r;
    }();
    return *shared;
}

quint64 saturatingAdd(quint64 a, quint64 b)
{
    return a > std::numeric_limits<quint64>::max() - b ? std::numeric_limits<quint64>::max() : a + b;
}

QString stringValue(plist_t node)
{
    uint64_t length = 0;
    const char *text = plist_get_string_ptr(node, &length);
    return QString::fromUtf8(text, text ? qsizetype(length) : 0);
}

// A reference: a UID, or in the XML form the dictionary {"CF$UID": n}
// that libplist writes for one and reads back as a dictionary.
bool uidValue(plist_t node, quint64 &reference)
{
    uint64_t value = 0;
    switch (plist_get_node_type(node)) {
    case PLIST_UID:
        plist_get_uid_val(node, &value);
        reference = value;
        return true;
    case PLIST_DICT: {
        const plist_t number = plist_dict_get_item(node, "CF$UID");
        if (plist_dict_get_size(node) != 1 || plist_get_node_type(number) != PLIST_UINT)
            return false;
        plist_get_uint_val(number, &value);
        reference = value;
        return true;
    }
    default:
        return false;
    }
}

bool isContainerClass(const QString &name)
{
    static const QStringList names = {QStringLiteral("NSArray"),        QStringLiteral("NSMutableArray"),
                                      QStringLiteral("NSDictionary"),   QStringLiteral("NSMutableDictionary"),
                                      QStringLiteral("NSDate"),         QStringLiteral("NSString"),
                                      QStringLiteral("NSMutableString")};
    return names.contains(name);
}

} // namespace

KeyedUnarchiver::KeyedUnarchiver(const QByteArray &data, const PropertyListLimits &limits)
    : m_data(data), m_limits(limits)
{
}

KeyedUnarchiver::~KeyedUnarchiver() = default;

std::optional<PropertyList> KeyedUnarchiver::unarchive(const QByteArray &data, QString *error)
{
    KeyedUnarchiver unarchiver(data);
    auto root = unarchiver.decodeRoot();
    if (!root && error)
        *error = unarchiver.errorString();
    return root;
}

void KeyedUnarchiver::registerClass(const QString &name, DecodeFunction decode)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    if (decode)
        r.classes.insert(name, std::move(decode));
    else
        r.classes.remove(name);
}

void KeyedUnarchiver::setGlobalClass(DecodeFunction decode, const QString &name)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    if (decode)
        r.substitutions.insert(name, std::move(decode));
    else
        r.substitutions.remove(name);
}

void KeyedUnarchiver::setClass(DecodeFunction decode, const QString &name)
{
    if (decode)
        m_substitutions.insert(name, std::move(decode));
    else
        m_substitutions.remove(name);
}

KeyedUnarchiver::DecodeFunction KeyedUnarchiver::decoderFor(const QString &name) const
{
    const auto own = m_substitutions.constFind(name);
    if (own != m_substitutions.constEnd())
        return *own;
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    const auto substituted = r.substitutions.constFind(name);
    if (substituted != r.substitutions.constEnd())
        return *substituted;
    const auto registered = r.classes.constFind(name);
    if (registered != r.classes.constEnd())
        return *registered;
    return &EncodedDictionary::decode;
}

void KeyedUnarchiver::failWithError(const QString &message)
{
    if (m_error.isEmpty())
        m_error = message.isEmpty() ? QStringLiteral("the archive could not be read") : message;
}

std::optional<PropertyList> KeyedUnarchiver::decodeRoot()
{
    if (m_decoded)
        return m_result;
    m_decoded = true;

    m_root = PlistBridge::parse(m_data, m_limits, &m_error);
    if (!m_root) {
        failWithError(QString());
        return std::nullopt;
    }
    const plist_t top = static_cast<plist_t>(m_root.get());
    if (plist_get_node_type(top) != PLIST_DICT) {
        failWithError(QStringLiteral("the data is a property list but not a keyed archive"));
        return std::nullopt;
    }
    const plist_t version = plist_dict_get_item(top, "$version");
    const plist_t archiver = plist_dict_get_item(top, "$archiver");
    const plist_t objects = plist_dict_get_item(top, "$objects");
    const plist_t topEntries = plist_dict_get_item(top, "$top");
    if (plist_get_node_type(archiver) != PLIST_STRING || plist_get_node_type(objects) != PLIST_ARRAY ||
        plist_get_node_type(topEntries) != PLIST_DICT || plist_get_node_type(version) != PLIST_UINT) {
        failWithError(QStringLiteral("the data is a property list but not a keyed archive"));
        return std::nullopt;
    }
    uint64_t versionNumber = 0;
    plist_get_uint_val(version, &versionNumber);
    if (versionNumber != 100000) {
        failWithError(QStringLiteral("the keyed archive has the unknown version %1").arg(versionNumber));
        return std::nullopt;
    }
    m_objects = PlistBridge::arrayItems(objects);
    const size_t count = m_objects.size();
    if (count == 0) {
        failWithError(QStringLiteral("the keyed archive holds no objects"));
        return std::nullopt;
    }
    m_values.resize(count);
    m_sizes.assign(count, 0);
    m_states.assign(count, 0);

    quint64 rootReference = 0;
    if (!uidValue(plist_dict_get_item(topEntries, "root"), rootReference)) {
        failWithError(QStringLiteral("the keyed archive has no root object"));
        return std::nullopt;
    }
    m_counts.push_back(0);
    PropertyList root = decodeValue(rootReference);
    if (failed())
        return std::nullopt;
    m_result = std::move(root);
    return m_result;
}

const KeyedUnarchiver::ClassInfo *KeyedUnarchiver::classInfo(void *dictionary, quint64 reference)
{
    quint64 classReference = 0;
    if (!uidValue(plist_dict_get_item(static_cast<plist_t>(dictionary), "$class"), classReference)) {
        failWithError(QStringLiteral("archived object %1 names no class").arg(reference));
        return nullptr;
    }
    const auto known = m_classInfos.find(classReference);
    if (known != m_classInfos.end())
        return &known->second;
    if (classReference == 0 || classReference >= m_objects.size()) {
        failWithError(
            QStringLiteral("archived object %1 refers to a missing class description").arg(reference));
        return nullptr;
    }
    const plist_t description = static_cast<plist_t>(m_objects[classReference]);
    const plist_t name = plist_dict_get_item(description, "$classname");
    if (plist_get_node_type(description) != PLIST_DICT || plist_get_node_type(name) != PLIST_STRING) {
        failWithError(QStringLiteral("archived object %1 has a malformed class description").arg(reference));
        return nullptr;
    }
    ClassInfo info;
    info.name = stringValue(name);
    const plist_t classes = plist_dict_get_item(description, "$classes");
    if (classes) {
        if (plist_get_node_type(classes) != PLIST_ARRAY) {
            failWithError(
                QStringLiteral("archived object %1 has a malformed class description").arg(reference));
            return nullptr;
        }
        for (void *item : PlistBridge::arrayItems(classes)) {
            const plist_t entry = static_cast<plist_t>(item);
            if (plist_get_node_type(entry) != PLIST_STRING) {
                failWithError(
                    QStringLiteral("archived object %1 has a malformed class description").arg(reference));
                return nullptr;
            }
            info.hierarchy.append(stringValue(entry));
        }
    }
    if (info.hierarchy.isEmpty())
        info.hierarchy.append(info.name);
    return &m_classInfos.emplace(classReference, std::move(info)).first->second;
}

PropertyList KeyedUnarchiver::decodeValue(quint64 reference)
{
    if (failed())
        return PropertyList();
    if (reference == 0) {
        m_counts.back() = saturatingAdd(m_counts.back(), 1);
        return PropertyList();
    }
    if (reference >= m_objects.size()) {
        failWithError(QStringLiteral("the archive refers to object %1, which does not exist").arg(reference));
        return PropertyList();
    }
    if (m_states[reference] == 2) {
        m_counts.back() = saturatingAdd(m_counts.back(), m_sizes[reference]);
        if (m_counts.back() > m_limits.maxNodes)
            failWithError(
                QStringLiteral("the archive unfolds into more than %1 values").arg(m_limits.maxNodes));
        return m_values[reference];
    }
    if (m_states[reference] == 1) {
        failWithError(QStringLiteral("archived object %1 contains itself").arg(reference));
        return PropertyList();
    }
    if (m_depth >= m_limits.maxDepth) {
        failWithError(QStringLiteral("the archive nests deeper than %1 levels").arg(m_limits.maxDepth));
        return PropertyList();
    }

    ++m_depth;
    m_states[reference] = 1;
    m_counts.push_back(1);
    const plist_t node = static_cast<plist_t>(m_objects[reference]);
    PropertyList value;
    if (plist_get_node_type(node) == PLIST_DICT)
        value = decodeDictionaryObject(reference, node);
    else if (!PlistBridge::toValue(node, value))
        failWithError(
            QStringLiteral("archived object %1 is of a kind that an archive cannot hold").arg(reference));
    const quint64 size = m_counts.back();
    m_counts.pop_back();
    --m_depth;
    if (failed())
        return PropertyList();

    m_states[reference] = 2;
    m_sizes[reference] = size;
    m_values[reference] = value;
    m_counts.back() = saturatingAdd(m_counts.back(), size);
    if (m_counts.back() > m_limits.maxNodes)
        failWithError(QStringLiteral("the archive unfolds into more than %1 values").arg(m_limits.maxNodes));
    return value;
}

PropertyList KeyedUnarchiver::decodeReferenceArray(void *array, const QString &what)
{
    if (plist_get_node_type(static_cast<plist_t>(array)) != PLIST_ARRAY) {
        failWithError(QStringLiteral("%1 is not a list of references").arg(what));
        return PropertyList();
    }
    const std::vector<void *> items = PlistBridge::arrayItems(array);
    PropertyList::Array elements;
    elements.reserve(items.size());
    for (void *item : items) {
        if (failed())
            break;
        quint64 reference = 0;
        if (!uidValue(static_cast<plist_t>(item), reference)) {
            failWithError(QStringLiteral("%1 is not a list of references").arg(what));
            return PropertyList();
        }
        elements.push_back(decodeValue(reference));
    }
    return PropertyList(std::move(elements));
}

PropertyList KeyedUnarchiver::decodeDictionaryObject(quint64 reference, void *dictionary)
{
    const plist_t object = static_cast<plist_t>(dictionary);
    const ClassInfo *info = classInfo(object, reference);
    if (!info)
        return PropertyList();
    const QString &name = info->name;
    const QString what = QStringLiteral("archived %1 %2").arg(name).arg(reference);

    if (isContainerClass(name)) {
        if (name.endsWith(QLatin1String("Array")))
            return decodeReferenceArray(plist_dict_get_item(object, "NS.objects"), what);
        if (name.endsWith(QLatin1String("Dictionary"))) {
            const plist_t keys = plist_dict_get_item(object, "NS.keys");
            const plist_t values = plist_dict_get_item(object, "NS.objects");
            const PropertyList keyList = decodeReferenceArray(keys, what);
            const PropertyList valueList = decodeReferenceArray(values, what);
            if (failed())
                return PropertyList();
            if (keyList.size() != valueList.size()) {
                failWithError(QStringLiteral("%1 has %2 keys but %3 values")
                                  .arg(what)
                                  .arg(keyList.size())
                                  .arg(valueList.size()));
                return PropertyList();
            }
            PropertyList::Dictionary entries;
            for (size_t i = 0; i < keyList.size(); ++i) {
                const PropertyList &key = keyList.toArray()[i];
                if (!key.isString()) {
                    failWithError(QStringLiteral("%1 has a key that is not text").arg(what));
                    return PropertyList();
                }
                entries.insert_or_assign(key.toString(), valueList.toArray()[i]);
            }
            return PropertyList(std::move(entries));
        }
        if (name == QLatin1String("NSDate")) {
            const plist_t time = plist_dict_get_item(object, "NS.time");
            const plist_type type = plist_get_node_type(time);
            if (type != PLIST_REAL && type != PLIST_UINT) {
                failWithError(QStringLiteral("%1 holds no time").arg(what));
                return PropertyList();
            }
            PropertyList seconds;
            PlistBridge::toValue(time, seconds);
            const double ms = seconds.toReal() * 1000.0;
            if (!(ms > -8.0e15 && ms < 8.0e15)) {
                failWithError(QStringLiteral("%1 lies outside the range of dates").arg(what));
                return PropertyList();
            }
            return PropertyList(
                QDateTime::fromMSecsSinceEpoch(referenceDateMs + qint64(std::llround(ms)), Qt::UTC));
        }
        // Strings stored as objects: text with NUL characters, or written by
        // other archivers.
        const plist_t text = plist_dict_get_item(object, "NS.string");
        if (plist_get_node_type(text) == PLIST_STRING)
            return PropertyList(stringValue(text));
        const plist_t bytes = plist_dict_get_item(object, "NS.bytes");
        if (plist_get_node_type(bytes) == PLIST_DATA) {
            PropertyList data;
            PlistBridge::toValue(bytes, data);
            return PropertyList(QString::fromUtf8(data.toData()));
        }
        failWithError(QStringLiteral("%1 holds no text").arg(what));
        return PropertyList();
    }

    const DecodeFunction decode = decoderFor(name);
    m_frames.push_back(Frame{dictionary, info});
    std::shared_ptr<Archivable> built = decode(*this);
    m_frames.pop_back();
    if (failed() || !built)
        return PropertyList();
    return PropertyList(std::move(built));
}

QString KeyedUnarchiver::className() const
{
    return m_frames.empty() ? QString() : m_frames.back().info->name;
}

QStringList KeyedUnarchiver::classHierarchy() const
{
    return m_frames.empty() ? QStringList() : m_frames.back().info->hierarchy;
}

void *KeyedUnarchiver::valueInCurrent(const QString &key) const
{
    if (m_frames.empty() || failed())
        return nullptr;
    return plist_dict_get_item(static_cast<plist_t>(m_frames.back().dictionary), key.toUtf8().constData());
}

QString KeyedUnarchiver::describeCurrent(const QString &key) const
{
    return QStringLiteral("the value \"%1\" of archived %2").arg(key, className());
}

bool KeyedUnarchiver::containsValue(const QString &key) const
{
    return valueInCurrent(key) != nullptr;
}

PropertyList KeyedUnarchiver::decodeObject()
{
    if (m_frames.empty())
        return PropertyList();
    return decodeObject(QStringLiteral("$%1").arg(m_frames.back().unkeyed++));
}

PropertyList KeyedUnarchiver::decodeObject(const QString &key)
{
    const plist_t node = static_cast<plist_t>(valueInCurrent(key));
    if (!node)
        return PropertyList();
    quint64 reference = 0;
    if (!uidValue(node, reference)) {
        failWithError(QStringLiteral("%1 is not a reference").arg(describeCurrent(key)));
        return PropertyList();
    }
    return decodeValue(reference);
}

bool KeyedUnarchiver::numberInCurrent(const QString &key, double &real, qint64 &integer, bool &isInteger)
{
    const plist_t node = static_cast<plist_t>(valueInCurrent(key));
    if (!node)
        return false;
    PropertyList value;
    const plist_type type = plist_get_node_type(node);
    if ((type != PLIST_BOOLEAN && type != PLIST_UINT && type != PLIST_REAL) ||
        !PlistBridge::toValue(node, value)) {
        failWithError(QStringLiteral("%1 is not a number").arg(describeCurrent(key)));
        return false;
    }
    isInteger = type != PLIST_REAL;
    real = value.toReal();
    integer = value.toInteger();
    return true;
}

bool KeyedUnarchiver::decodeBool(const QString &key)
{
    double real = 0;
    qint64 integer = 0;
    bool isInteger = false;
    if (!numberInCurrent(key, real, integer, isInteger))
        return false;
    return isInteger ? integer != 0 : real != 0.0;
}

qint64 KeyedUnarchiver::decodeInteger(const QString &key)
{
    double real = 0;
    qint64 integer = 0;
    bool isInteger = false;
    numberInCurrent(key, real, integer, isInteger);
    return integer;
}

double KeyedUnarchiver::decodeDouble(const QString &key)
{
    double real = 0;
    qint64 integer = 0;
    bool isInteger = false;
    numberInCurrent(key, real, integer, isInteger);
    return real;
}

float KeyedUnarchiver::decodeFloat(const QString &key)
{
    return PropertyList(decodeDouble(key)).toFloat();
}

QByteArray KeyedUnarchiver::decodeBytes(const QString &key)
{
    const plist_t node = static_cast<plist_t>(valueInCurrent(key));
    if (!node)
        return {};
    PropertyList value;
    if (plist_get_node_type(node) != PLIST_DATA || !PlistBridge::toValue(node, value)) {
        failWithError(QStringLiteral("%1 is not data").arg(describeCurrent(key)));
        return {};
    }
    return value.toData();
}

std::optional<Point> KeyedUnarchiver::pointFromString(const QString &text)
{
    const QByteArray bytes = text.toLatin1();
    const char *p = bytes.constData();
    const char *end = p + bytes.size();
    const auto skipBlanks = [&] {
        while (p != end && (*p == ' ' || *p == '\t'))
            ++p;
    };
    const auto number = [&](float &value) {
        skipBlanks();
        if (p != end && *p == '+')
            ++p;
        const auto result = std::from_chars(p, end, value);
        if (result.ec != std::errc())
            return false;
        p = result.ptr;
        skipBlanks();
        return true;
    };
    Point point;
    skipBlanks();
    if (p == end || *p++ != '{' || !number(point.x) || p == end || *p++ != ',' || !number(point.y) ||
        p == end || *p++ != '}')
        return std::nullopt;
    skipBlanks();
    if (p != end)
        return std::nullopt;
    return point;
}

Point KeyedUnarchiver::decodePoint()
{
    if (m_frames.empty())
        return Point();
    return decodePoint(QStringLiteral("$%1").arg(m_frames.back().unkeyed++));
}

Point KeyedUnarchiver::decodePoint(const QString &key)
{
    const plist_t node = static_cast<plist_t>(valueInCurrent(key));
    if (!node)
        return Point();
    std::optional<Point> point;
    if (plist_get_node_type(node) == PLIST_STRING)
        point = pointFromString(stringValue(node));
    if (!point) {
        failWithError(QStringLiteral("%1 is not a point").arg(describeCurrent(key)));
        return Point();
    }
    return *point;
}

std::vector<ArchivedEntry> KeyedUnarchiver::decodeEntries()
{
    std::vector<ArchivedEntry> entries;
    if (m_frames.empty() || failed())
        return entries;
    const plist_t object = static_cast<plist_t>(m_frames.back().dictionary);
    QSet<QString> seen;
    for (const auto &[key, item] : PlistBridge::dictionaryItems(object)) {
        ArchivedEntry entry;
        entry.key = key;
        // A key stored twice reads as its first value, as lookups by key do.
        if (entry.key == QLatin1String("$class") || seen.contains(entry.key))
            continue;
        seen.insert(entry.key);
        quint64 reference = 0;
        const plist_type type = plist_get_node_type(item);
        if (uidValue(item, reference)) {
            entry.form = ArchivedEntry::Form::Reference;
            entry.value = decodeValue(reference);
        } else if (type == PLIST_ARRAY && plist_array_get_size(item) > 0 &&
                   uidValue(plist_array_get_item(item, 0), reference)) {
            entry.form = ArchivedEntry::Form::ReferenceArray;
            entry.value = decodeReferenceArray(item, describeCurrent(entry.key));
        } else {
            entry.form = ArchivedEntry::Form::Inline;
            QString problem;
            auto value = PlistBridge::toPropertyList(item, &problem);
            if (!value)
                failWithError(
                    QStringLiteral("%1 cannot be kept: %2").arg(describeCurrent(entry.key), problem));
            else
                entry.value = std::move(*value);
        }
        if (failed())
            break;
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace scrivane
