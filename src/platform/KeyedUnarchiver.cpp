#include "KeyedUnarchiver.h"

#include "platform/ArchivedColor.h"
#include "platform/ArchivedPoint.h"
#include "platform/ArchivedTransform.h"
#include "platform/EncodedDictionary.h"
#include "platform/PlistBridge.h"

#include <QMutex>
#include <QMutexLocker>
#include <QSet>

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

// A reference: a UID, or in the XML form the dictionary {"CF$UID": n}
// (kept as a dictionary when the XML form is turned into the binary one).
bool KeyedUnarchiver::uidValue(Index node, quint64 &reference) const
{
    switch (m_reader.kind(node)) {
    case BinaryPlistReader::Kind::Uid:
        reference = m_reader.uid(node);
        return true;
    case BinaryPlistReader::Kind::Dictionary: {
        if (m_reader.count(node) != 1 || !m_reader.stringEquals(m_reader.key(node, 0), QLatin1StringView("CF$UID")))
            return false;
        const Index number = m_reader.value(node, 0);
        if (m_reader.kind(number) != BinaryPlistReader::Kind::Integer)
            return false;
        reference = m_reader.integer(number);
        return true;
    }
    default:
        return false;
    }
}

std::optional<PropertyList> KeyedUnarchiver::decodeRoot()
{
    if (m_decoded)
        return m_result;
    m_decoded = true;

    if (m_data.isEmpty()) {
        failWithError(QStringLiteral("the property list is empty"));
        return std::nullopt;
    }
    bool opened = false;
    if (PlistBridge::isBinary(m_data)) {
        opened = m_reader.open(m_data, m_limits, &m_error);
    } else {
        // The XML form is rare (older clipboards, hand-made files): parsed
        // by libplist and read through its binary form.
        const PlistBridge::Node parsed = PlistBridge::parse(m_data, m_limits, &m_error);
        if (parsed) {
            const QByteArray binary = PlistBridge::toBinary(parsed.get());
            opened = !binary.isEmpty() && m_reader.open(binary, m_limits, &m_error);
            if (!opened && m_error.isEmpty())
                m_error = QStringLiteral("the data is not a valid property list");
        }
    }
    if (!opened) {
        failWithError(QString());
        return std::nullopt;
    }
    using Kind = BinaryPlistReader::Kind;
    const Index top = m_reader.top();
    if (m_reader.kind(top) != Kind::Dictionary) {
        failWithError(QStringLiteral("the data is a property list but not a keyed archive"));
        return std::nullopt;
    }
    const auto version = m_reader.find(top, QLatin1StringView("$version"));
    const auto archiver = m_reader.find(top, QLatin1StringView("$archiver"));
    const auto objects = m_reader.find(top, QLatin1StringView("$objects"));
    const auto topEntries = m_reader.find(top, QLatin1StringView("$top"));
    if (!archiver || m_reader.kind(*archiver) != Kind::String || !objects ||
        m_reader.kind(*objects) != Kind::Array || !topEntries || m_reader.kind(*topEntries) != Kind::Dictionary ||
        !version || m_reader.kind(*version) != Kind::Integer) {
        failWithError(QStringLiteral("the data is a property list but not a keyed archive"));
        return std::nullopt;
    }
    const quint64 versionNumber = m_reader.integer(*version);
    if (versionNumber != 100000) {
        failWithError(QStringLiteral("the keyed archive has the unknown version %1").arg(versionNumber));
        return std::nullopt;
    }
    m_objects = *objects;
    const size_t count = size_t(m_reader.count(m_objects));
    m_objectCount = count;
    if (count == 0) {
        failWithError(QStringLiteral("the keyed archive holds no objects"));
        return std::nullopt;
    }
    m_values.resize(count);
    m_sizes.assign(count, 0);
    m_states.assign(count, 0);

    quint64 rootReference = 0;
    const auto rootEntry = m_reader.find(*topEntries, QLatin1StringView("root"));
    if (!rootEntry || !uidValue(*rootEntry, rootReference)) {
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

KeyedUnarchiver::ClassInfo *KeyedUnarchiver::classInfo(Index dictionary, quint64 reference)
{
    using Kind = BinaryPlistReader::Kind;
    quint64 classReference = 0;
    const auto classEntry = m_reader.find(dictionary, QLatin1StringView("$class"));
    if (!classEntry || !uidValue(*classEntry, classReference)) {
        failWithError(QStringLiteral("archived object %1 names no class").arg(reference));
        return nullptr;
    }
    const auto known = m_classInfos.find(classReference);
    if (known != m_classInfos.end())
        return &known->second;
    if (classReference == 0 || classReference >= m_objectCount) {
        failWithError(
            QStringLiteral("archived object %1 refers to a missing class description").arg(reference));
        return nullptr;
    }
    const Index description = m_reader.element(m_objects, classReference);
    const auto name = m_reader.kind(description) == Kind::Dictionary
                          ? m_reader.find(description, QLatin1StringView("$classname"))
                          : std::nullopt;
    if (!name || m_reader.kind(*name) != Kind::String) {
        failWithError(QStringLiteral("archived object %1 has a malformed class description").arg(reference));
        return nullptr;
    }
    ClassInfo info;
    info.name = m_reader.string(*name);
    if (const auto classes = m_reader.find(description, QLatin1StringView("$classes"))) {
        if (m_reader.kind(*classes) != Kind::Array) {
            failWithError(
                QStringLiteral("archived object %1 has a malformed class description").arg(reference));
            return nullptr;
        }
        const quint64 n = m_reader.count(*classes);
        for (quint64 i = 0; i < n; ++i) {
            const Index entry = m_reader.element(*classes, i);
            if (m_reader.kind(entry) != Kind::String) {
                failWithError(
                    QStringLiteral("archived object %1 has a malformed class description").arg(reference));
                return nullptr;
            }
            info.hierarchy.append(m_reader.string(entry));
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
    if (reference >= m_objectCount) {
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
    const Index node = m_reader.element(m_objects, reference);
    PropertyList value;
    if (m_reader.kind(node) == BinaryPlistReader::Kind::Dictionary)
        value = decodeDictionaryObject(reference, node);
    else if (!m_reader.toValue(node, value))
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

// `what` names the list in a message; it is only called on a fault.
template <class What>
PropertyList KeyedUnarchiver::decodeReferenceArray(std::optional<Index> array, const What &what)
{
    if (!array || m_reader.kind(*array) != BinaryPlistReader::Kind::Array) {
        failWithError(QStringLiteral("%1 is not a list of references").arg(what()));
        return PropertyList();
    }
    const quint64 n = m_reader.count(*array);
    PropertyList::Array elements;
    elements.reserve(size_t(n));
    for (quint64 i = 0; i < n; ++i) {
        if (failed())
            break;
        quint64 reference = 0;
        if (!uidValue(m_reader.element(*array, i), reference)) {
            failWithError(QStringLiteral("%1 is not a list of references").arg(what()));
            return PropertyList();
        }
        elements.push_back(decodeValue(reference));
    }
    return PropertyList(std::move(elements));
}

PropertyList KeyedUnarchiver::decodeDictionaryObject(quint64 reference, Index object)
{
    ClassInfo *info = classInfo(object, reference);
    if (!info)
        return PropertyList();
    const QString &name = info->name;
    const auto what = [&] { return QStringLiteral("archived %1 %2").arg(name).arg(reference); };

    if (isContainerClass(name)) {
        using Kind = BinaryPlistReader::Kind;
        if (name.endsWith(QLatin1String("Array")))
            return decodeReferenceArray(m_reader.find(object, QLatin1StringView("NS.objects")), what);
        if (name.endsWith(QLatin1String("Dictionary"))) {
            const auto keys = m_reader.find(object, QLatin1StringView("NS.keys"));
            const auto values = m_reader.find(object, QLatin1StringView("NS.objects"));
            const PropertyList keyList = decodeReferenceArray(keys, what);
            const PropertyList valueList = decodeReferenceArray(values, what);
            if (failed())
                return PropertyList();
            if (keyList.size() != valueList.size()) {
                failWithError(QStringLiteral("%1 has %2 keys but %3 values")
                                  .arg(what())
                                  .arg(keyList.size())
                                  .arg(valueList.size()));
                return PropertyList();
            }
            PropertyList::Dictionary entries;
            for (size_t i = 0; i < keyList.size(); ++i) {
                const PropertyList &key = keyList.toArray()[i];
                if (!key.isString()) {
                    failWithError(QStringLiteral("%1 has a key that is not text").arg(what()));
                    return PropertyList();
                }
                entries.insert_or_assign(key.toString(), valueList.toArray()[i]);
            }
            return PropertyList(std::move(entries));
        }
        if (name == QLatin1String("NSDate")) {
            const auto time = m_reader.find(object, QLatin1StringView("NS.time"));
            const Kind kind = time ? m_reader.kind(*time) : Kind::Invalid;
            if (kind != Kind::Real && kind != Kind::Integer) {
                failWithError(QStringLiteral("%1 holds no time").arg(what()));
                return PropertyList();
            }
            PropertyList seconds;
            m_reader.toValue(*time, seconds);
            const double ms = seconds.toReal() * 1000.0;
            if (!(ms > -8.0e15 && ms < 8.0e15)) {
                failWithError(QStringLiteral("%1 lies outside the range of dates").arg(what()));
                return PropertyList();
            }
            return PropertyList(
                QDateTime::fromMSecsSinceEpoch(referenceDateMs + qint64(std::llround(ms)), Qt::UTC));
        }
        // Strings stored as objects: text with NUL characters, or written by
        // other archivers.
        const auto text = m_reader.find(object, QLatin1StringView("NS.string"));
        if (text && m_reader.kind(*text) == Kind::String)
            return PropertyList(m_reader.string(*text));
        const auto bytes = m_reader.find(object, QLatin1StringView("NS.bytes"));
        if (bytes && m_reader.kind(*bytes) == Kind::Data)
            return PropertyList(QString::fromUtf8(m_reader.data(*bytes)));
        failWithError(QStringLiteral("%1 holds no text").arg(what()));
        return PropertyList();
    }

    if (!info->decode)
        info->decode = decoderFor(name);
    m_frames.push_back(Frame{object, info});
    std::shared_ptr<Archivable> built = info->decode(*this);
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

std::optional<KeyedUnarchiver::Index> KeyedUnarchiver::valueInCurrent(QAnyStringView key) const
{
    if (m_frames.empty() || failed())
        return std::nullopt;
    return m_reader.find(m_frames.back().dictionary, key);
}

QString KeyedUnarchiver::describeCurrent(const QString &key) const
{
    return QStringLiteral("the value \"%1\" of archived %2").arg(key, className());
}

bool KeyedUnarchiver::containsValue(const QString &key) const
{
    return valueInCurrent(key).has_value();
}

QString KeyedUnarchiver::unkeyedName()
{
    return QLatin1Char('$') + QString::number(m_frames.back().unkeyed++);
}

PropertyList KeyedUnarchiver::decodeObject()
{
    if (m_frames.empty())
        return PropertyList();
    return decodeObject(unkeyedName());
}

PropertyList KeyedUnarchiver::decodeObject(const QString &key)
{
    const auto node = valueInCurrent(key);
    if (!node)
        return PropertyList();
    quint64 reference = 0;
    if (!uidValue(*node, reference)) {
        failWithError(QStringLiteral("%1 is not a reference").arg(describeCurrent(key)));
        return PropertyList();
    }
    return decodeValue(reference);
}

bool KeyedUnarchiver::numberInCurrent(const QString &key, double &real, qint64 &integer, bool &isInteger)
{
    using Kind = BinaryPlistReader::Kind;
    const auto node = valueInCurrent(key);
    if (!node)
        return false;
    PropertyList value;
    const Kind kind = m_reader.kind(*node);
    if ((kind != Kind::Boolean && kind != Kind::Integer && kind != Kind::Real) || !m_reader.toValue(*node, value)) {
        failWithError(QStringLiteral("%1 is not a number").arg(describeCurrent(key)));
        return false;
    }
    isInteger = kind != Kind::Real;
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
    const auto node = valueInCurrent(key);
    if (!node)
        return {};
    if (m_reader.kind(*node) != BinaryPlistReader::Kind::Data) {
        failWithError(QStringLiteral("%1 is not data").arg(describeCurrent(key)));
        return {};
    }
    return m_reader.data(*node);
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
    return decodePoint(unkeyedName());
}

Point KeyedUnarchiver::decodePoint(const QString &key)
{
    const auto node = valueInCurrent(key);
    if (!node)
        return Point();
    std::optional<Point> point;
    if (m_reader.kind(*node) == BinaryPlistReader::Kind::String)
        point = pointFromString(m_reader.string(*node));
    if (!point) {
        failWithError(QStringLiteral("%1 is not a point").arg(describeCurrent(key)));
        return Point();
    }
    return *point;
}

std::vector<ArchivedEntry> KeyedUnarchiver::decodeEntries()
{
    using Kind = BinaryPlistReader::Kind;
    std::vector<ArchivedEntry> entries;
    if (m_frames.empty() || failed())
        return entries;
    const Index object = m_frames.back().dictionary;
    QSet<QString> seen;
    const quint64 n = m_reader.count(object);
    for (quint64 i = 0; i < n; ++i) {
        const Index item = m_reader.value(object, i);
        ArchivedEntry entry;
        entry.key = m_reader.string(m_reader.key(object, i));
        // A key stored twice reads as its first value, as lookups by key do.
        if (entry.key == QLatin1String("$class") || seen.contains(entry.key))
            continue;
        seen.insert(entry.key);
        quint64 reference = 0;
        const auto what = [&] { return describeCurrent(entry.key); };
        if (uidValue(item, reference)) {
            entry.form = ArchivedEntry::Form::Reference;
            entry.value = decodeValue(reference);
        } else if (m_reader.kind(item) == Kind::Array && m_reader.count(item) > 0 &&
                   uidValue(m_reader.element(item, 0), reference)) {
            entry.form = ArchivedEntry::Form::ReferenceArray;
            entry.value = decodeReferenceArray(item, what);
        } else {
            entry.form = ArchivedEntry::Form::Inline;
            QString problem;
            auto value = m_reader.toPropertyList(item, &problem);
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
