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
#include <iterator>
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
    quint64 rootReference = 0;
    if (!openArchive(rootReference))
        return std::nullopt;
    m_values.resize(size_t(m_objectCount));
    m_sizes.assign(size_t(m_objectCount), 0);
    m_states.assign(size_t(m_objectCount), 0);
    m_counts.push_back(0);
    PropertyList root = decodeValue(rootReference);
    if (failed())
        return std::nullopt;
    m_result = std::move(root);
    return m_result;
}

bool KeyedUnarchiver::openArchive(quint64 &rootReference)
{
    if (m_data.isEmpty()) {
        failWithError(QStringLiteral("the property list is empty"));
        return false;
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
        return false;
    }
    using Kind = BinaryPlistReader::Kind;
    const Index top = m_reader.top();
    if (m_reader.kind(top) != Kind::Dictionary) {
        failWithError(QStringLiteral("the data is a property list but not a keyed archive"));
        return false;
    }
    const auto version = m_reader.find(top, QLatin1StringView("$version"));
    const auto archiver = m_reader.find(top, QLatin1StringView("$archiver"));
    const auto objects = m_reader.find(top, QLatin1StringView("$objects"));
    const auto topEntries = m_reader.find(top, QLatin1StringView("$top"));
    if (!archiver || m_reader.kind(*archiver) != Kind::String || !objects ||
        m_reader.kind(*objects) != Kind::Array || !topEntries || m_reader.kind(*topEntries) != Kind::Dictionary ||
        !version || m_reader.kind(*version) != Kind::Integer) {
        failWithError(QStringLiteral("the data is a property list but not a keyed archive"));
        return false;
    }
    const quint64 versionNumber = m_reader.integer(*version);
    if (versionNumber != 100000) {
        failWithError(QStringLiteral("the keyed archive has the unknown version %1").arg(versionNumber));
        return false;
    }
    m_objects = *objects;
    m_objectCount = m_reader.count(m_objects);
    if (m_objectCount == 0) {
        failWithError(QStringLiteral("the keyed archive holds no objects"));
        return false;
    }
    const auto rootEntry = m_reader.find(*topEntries, QLatin1StringView("root"));
    if (!rootEntry || !uidValue(*rootEntry, rootReference)) {
        failWithError(QStringLiteral("the keyed archive has no root object"));
        return false;
    }
    return true;
}

bool KeyedUnarchiver::checkLimits(const QByteArray &data, const PropertyListLimits &limits, QString *error)
{
    KeyedUnarchiver archive(data, limits);
    quint64 root = 0;
    const bool within = archive.openArchive(root) && archive.checkObjectLimits(root);
    if (!within && error)
        *error = archive.errorString();
    return within;
}

// Walks the references as a reader follows them, without decoding: every
// object's unfolded size once (a shared object counts its size at each
// use) and the longest chain of references.
bool KeyedUnarchiver::checkObjectLimits(quint64 root)
{
    using Kind = BinaryPlistReader::Kind;
    enum : quint8 { Unseen, Open, Done };
    std::vector<quint8> state(size_t(m_objectCount), Unseen);
    std::vector<quint64> size(size_t(m_objectCount), 0);
    std::vector<quint16> height(size_t(m_objectCount), 0);
    const auto tooMany = [this] {
        failWithError(QStringLiteral("the archive unfolds into more than %1 values").arg(m_limits.maxNodes));
        return false;
    };
    // The references an object holds: its entries' references and the
    // references in arrays among its entries (its class aside).
    const auto referencesOf = [this](Index object, std::vector<quint64> &out) {
        out.clear();
        if (m_reader.kind(object) != Kind::Dictionary)
            return;
        const quint64 n = m_reader.count(object);
        for (quint64 i = 0; i < n; ++i) {
            if (m_reader.stringEquals(m_reader.key(object, i), QLatin1StringView("$class")))
                continue;
            const Index item = m_reader.value(object, i);
            quint64 reference = 0;
            if (uidValue(item, reference)) {
                out.push_back(reference);
            } else if (m_reader.kind(item) == Kind::Array) {
                const quint64 count = m_reader.count(item);
                for (quint64 j = 0; j < count; ++j)
                    if (uidValue(m_reader.element(item, j), reference))
                        out.push_back(reference);
            }
        }
    };
    struct Step {
        quint64 reference;
        std::vector<quint64> children;
        size_t next = 0;
        quint64 size = 1;
        quint16 height = 1;
    };
    std::vector<Step> stack;
    if (root >= m_objectCount) {
        failWithError(QStringLiteral("the archive refers to object %1, which does not exist").arg(root));
        return false;
    }
    const auto enter = [&](quint64 reference) {
        if (int(stack.size()) >= m_limits.maxDepth) {
            failWithError(QStringLiteral("the archive nests deeper than %1 levels").arg(m_limits.maxDepth));
            return false;
        }
        state[size_t(reference)] = Open;
        Step step{reference, {}};
        referencesOf(m_reader.element(m_objects, reference), step.children);
        stack.push_back(std::move(step));
        return true;
    };
    if (root != 0 && !enter(root))
        return false;
    while (!stack.empty()) {
        Step &step = stack.back();
        if (step.next == step.children.size()) {
            state[size_t(step.reference)] = Done;
            size[size_t(step.reference)] = step.size;
            height[size_t(step.reference)] = step.height;
            const Step done = std::move(stack.back());
            stack.pop_back();
            if (!stack.empty()) {
                Step &parent = stack.back();
                parent.size = saturatingAdd(parent.size, done.size);
                parent.height = std::max<quint16>(parent.height, quint16(done.height + 1));
                if (parent.size > m_limits.maxNodes)
                    return tooMany();
            }
            continue;
        }
        const quint64 child = step.children[step.next++];
        if (child == 0) {
            step.size = saturatingAdd(step.size, 1);
            continue;
        }
        if (child >= m_objectCount) {
            failWithError(QStringLiteral("the archive refers to object %1, which does not exist").arg(child));
            return false;
        }
        switch (state[size_t(child)]) {
        case Open:
            failWithError(QStringLiteral("archived object %1 contains itself").arg(child));
            return false;
        case Done:
            if (int(stack.size()) + height[size_t(child)] > m_limits.maxDepth) {
                failWithError(
                    QStringLiteral("the archive nests deeper than %1 levels").arg(m_limits.maxDepth));
                return false;
            }
            step.size = saturatingAdd(step.size, size[size_t(child)]);
            step.height = std::max<quint16>(step.height, quint16(height[size_t(child)] + 1));
            if (step.size > m_limits.maxNodes)
                return tooMany();
            break;
        default:
            if (!enter(child))
                return false;
        }
    }
    return true;
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
    if (isContainerClass(info.name)) {
        if (info.name.endsWith(QLatin1String("Array")))
            info.container = Container::Array;
        else if (info.name.endsWith(QLatin1String("Dictionary")))
            info.container = Container::Dictionary;
        else if (info.name == QLatin1String("NSDate"))
            info.container = Container::Date;
        else
            info.container = Container::String;
    }
    return &m_classInfos.emplace(classReference, std::move(info)).first->second;
}

PropertyList KeyedUnarchiver::decodeValue(quint64 reference, bool *inPlace)
{
    bool place = inPlace && *inPlace;
    if (inPlace)
        *inPlace = false;
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
    if (m_states[reference] >= 2) {
        m_counts.back() = saturatingAdd(m_counts.back(), m_sizes[reference]);
        if (m_counts.back() > m_limits.maxNodes)
            failWithError(
                QStringLiteral("the archive unfolds into more than %1 values").arg(m_limits.maxNodes));
        if (m_states[reference] == 3) {
            // A dictionary read in place is met again (an archive may refer
            // to one dictionary twice): built now from its keys and values,
            // all read already, so nothing is counted twice.
            m_counts.push_back(0);
            const Index node = m_reader.element(m_objects, reference);
            PropertyList value = decodeDictionaryObject(reference, node, nullptr);
            m_counts.pop_back();
            if (failed())
                return PropertyList();
            m_states[reference] = 2;
            m_values[reference] = std::move(value);
        }
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
        value = decodeDictionaryObject(reference, node, place ? &place : nullptr);
    else if (!m_reader.toValue(node, value))
        failWithError(
            QStringLiteral("archived object %1 is of a kind that an archive cannot hold").arg(reference));
    const quint64 size = m_counts.back();
    m_counts.pop_back();
    --m_depth;
    if (failed())
        return PropertyList();

    m_sizes[reference] = size;
    if (place) {
        m_states[reference] = 3;
        *inPlace = true;
    } else {
        m_states[reference] = 2;
        m_values[reference] = value;
    }
    m_counts.back() = saturatingAdd(m_counts.back(), size);
    if (m_counts.back() > m_limits.maxNodes)
        failWithError(QStringLiteral("the archive unfolds into more than %1 values").arg(m_limits.maxNodes));
    return value;
}

// `what` names the list in a message; it is only called on a fault.  Each
// value read goes to `put(i, value)`; false when the reading failed.
template <class What, class Put>
bool KeyedUnarchiver::decodeReferences(std::optional<Index> array, const What &what, const Put &put)
{
    if (!array || m_reader.kind(*array) != BinaryPlistReader::Kind::Array) {
        failWithError(QStringLiteral("%1 is not a list of references").arg(what()));
        return false;
    }
    const quint64 n = m_reader.count(*array);
    for (quint64 i = 0; i < n; ++i) {
        if (failed())
            break;
        quint64 reference = 0;
        if (!uidValue(m_reader.element(*array, i), reference)) {
            failWithError(QStringLiteral("%1 is not a list of references").arg(what()));
            return false;
        }
        put(i, decodeValue(reference));
    }
    return !failed();
}

template <class What>
PropertyList KeyedUnarchiver::decodeReferenceArray(std::optional<Index> array, const What &what)
{
    PropertyList::Array elements;
    if (array && m_reader.kind(*array) == BinaryPlistReader::Kind::Array)
        elements.reserve(size_t(m_reader.count(*array)));
    if (!decodeReferences(array, what, [&](quint64, PropertyList &&value) { elements.push_back(std::move(value)); }))
        return PropertyList();
    return PropertyList(std::move(elements));
}

// The entries of an archived dictionary, appended to m_stored in the order
// stored; false, with nothing appended, when they cannot be read.
template <class What>
bool KeyedUnarchiver::decodeDictionaryEntries(Index object, const What &what)
{
    const size_t begin = m_stored.size();
    const auto keys = m_reader.find(object, QLatin1StringView("NS.keys"));
    const auto values = m_reader.find(object, QLatin1StringView("NS.objects"));
    // Values met while reading may be dictionaries read in place too: they
    // append above these entries and are gone again when reading returns.
    quint64 keyCount = 0;
    quint64 valueCount = 0;
    bool allText = true;
    decodeReferences(keys, what, [&](quint64, PropertyList &&key) {
        allText = allText && key.isString();
        m_stored.push_back(StoredEntry{key.toString(), PropertyList()});
        ++keyCount;
    });
    decodeReferences(values, what, [&](quint64 i, PropertyList &&value) {
        if (i < keyCount)
            m_stored[begin + size_t(i)].value = std::move(value);
        ++valueCount;
    });
    const auto drop = [&] {
        m_stored.erase(m_stored.begin() + qsizetype(begin), m_stored.end());
        return false;
    };
    if (failed())
        return drop();
    if (keyCount != valueCount) {
        failWithError(QStringLiteral("%1 has %2 keys but %3 values").arg(what()).arg(keyCount).arg(valueCount));
        return drop();
    }
    if (!allText) {
        failWithError(QStringLiteral("%1 has a key that is not text").arg(what()));
        return drop();
    }
    return true;
}

PropertyList KeyedUnarchiver::decodeDictionaryObject(quint64 reference, Index object, bool *inPlace)
{
    const bool place = inPlace && *inPlace;
    if (inPlace)
        *inPlace = false;
    ClassInfo *info = classInfo(object, reference);
    if (!info)
        return PropertyList();
    const QString &name = info->name;
    const auto what = [&] { return QStringLiteral("archived %1 %2").arg(name).arg(reference); };

    if (info->container != Container::None) {
        using Kind = BinaryPlistReader::Kind;
        if (info->container == Container::Array)
            return decodeReferenceArray(m_reader.find(object, QLatin1StringView("NS.objects")), what);
        if (info->container == Container::Dictionary) {
            const size_t begin = m_stored.size();
            if (!decodeDictionaryEntries(object, what))
                return PropertyList();
            if (place) {
                *inPlace = true;
                return PropertyList();
            }
            // A key stored twice holds its last value.
            PropertyList::Dictionary entries;
            for (size_t i = begin; i < m_stored.size(); ++i)
                entries.insert_or_assign(std::move(m_stored[i].key), std::move(m_stored[i].value));
            m_stored.erase(m_stored.begin() + qsizetype(begin), m_stored.end());
            return PropertyList(std::move(entries));
        }
        if (info->container == Container::Date) {
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
    // Made once: nearly every object reads "$0".
    static const QString first[] = {QStringLiteral("$0"), QStringLiteral("$1"), QStringLiteral("$2"),
                                    QStringLiteral("$3")};
    const int index = m_frames.back().unkeyed++;
    if (index < int(std::size(first)))
        return first[index];
    return QLatin1Char('$') + QString::number(index);
}

PropertyList KeyedUnarchiver::decodeObject()
{
    if (m_frames.empty())
        return PropertyList();
    return decodeObject(unkeyedName());
}

PropertyList KeyedUnarchiver::decodeObject(const QString &key)
{
    return decodeKeyed(key, nullptr);
}

PropertyList KeyedUnarchiver::decodeKeyed(const QString &key, bool *inPlace)
{
    if (inPlace)
        *inPlace = false;
    const auto node = valueInCurrent(key);
    if (!node)
        return PropertyList();
    quint64 reference = 0;
    if (!uidValue(*node, reference)) {
        failWithError(QStringLiteral("%1 is not a reference").arg(describeCurrent(key)));
        return PropertyList();
    }
    if (inPlace)
        *inPlace = true;
    return decodeValue(reference, inPlace);
}

bool KeyedUnarchiver::numberInCurrent(const QString &key, double &real, qint64 &integer, bool &isInteger)
{
    using Kind = BinaryPlistReader::Kind;
    const auto node = valueInCurrent(key);
    if (!node)
        return false;
    switch (m_reader.kind(*node)) {
    case Kind::Boolean:
        isInteger = true;
        integer = m_reader.boolean(*node) ? 1 : 0;
        real = double(integer);
        return true;
    case Kind::Integer:
        isInteger = true;
        integer = qint64(m_reader.integer(*node));
        real = double(integer);
        return true;
    case Kind::Real: {
        // Converted as a stored real converts.
        const PropertyList value(m_reader.real(*node));
        isInteger = false;
        real = value.toReal();
        integer = value.toInteger();
        return true;
    }
    default:
        failWithError(QStringLiteral("%1 is not a number").arg(describeCurrent(key)));
        return false;
    }
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
