#include "KeyedArchiver.h"

#include "platform/EncodedDictionary.h"
#include "platform/PlistBridge.h"

#include <QDebug>

#include <plist/plist.h>

#include <algorithm>
#include <charconv>

namespace scrivane {

namespace {

// Seconds from 2001-01-01 00:00 UTC, the reference date of archived dates.
constexpr qint64 referenceDateMs = 978307200000LL;

QString floatText(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

} // namespace

KeyedArchiver::KeyedArchiver() : m_writer(std::make_unique<BinaryPlistWriter>()) {}

KeyedArchiver::~KeyedArchiver() = default;

std::optional<QByteArray> KeyedArchiver::archivedData(const PropertyList &root, PropertyList::Format format,
                                                      QString *error)
{
    KeyedArchiver archiver;
    BinaryPlistWriter &writer = *archiver.m_writer;
    archiver.m_objects.push_back(writer.utf8String("$null"));
    const quint64 rootReference = archiver.encodeValue(root);
    if (!archiver.m_error.isEmpty()) {
        if (error)
            *error = archiver.m_error;
        return std::nullopt;
    }
    const auto top = writer.dictionary({
        {writer.utf8String("$archiver"), writer.utf8String("NSKeyedArchiver")},
        {writer.utf8String("$objects"), writer.array(archiver.m_objects)},
        {writer.utf8String("$top"),
         writer.dictionary({{writer.utf8String("root"), writer.uid(rootReference)}})},
        {writer.utf8String("$version"), writer.integer(100000)},
    });
    QByteArray bytes = writer.finish(top);
    if (format == PropertyList::Format::Xml) {
        plist_t node = nullptr;
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &node);
        const PlistBridge::Node parsed(node);
        bytes = parsed ? PlistBridge::toXml(parsed.get()) : QByteArray();
    }
    if (bytes.isEmpty()) {
        if (error)
            *error = QStringLiteral("the archive could not be written");
        return std::nullopt;
    }
    return bytes;
}

quint64 KeyedArchiver::reserve()
{
    m_objects.push_back(0);
    return m_objects.size() - 1;
}

quint64 KeyedArchiver::store(Ref object)
{
    const quint64 index = reserve();
    m_objects[index] = object;
    return index;
}

quint64 KeyedArchiver::storeShared(Ref object)
{
    // The writer answers the same object for equal values: one archive
    // number serves every place that holds the value.
    const auto [it, inserted] = m_shared.try_emplace(object, 0);
    if (inserted)
        it->second = store(object);
    return it->second;
}

KeyedArchiver::Ref KeyedArchiver::key(const QString &key)
{
    const auto known = m_keys.constFind(key);
    if (known != m_keys.constEnd())
        return *known;
    const Ref ref = m_writer->string(key);
    m_keys.insert(key, ref);
    return ref;
}

quint64 KeyedArchiver::encodeString(const QString &string)
{
    const auto known = m_strings.constFind(string);
    if (known != m_strings.constEnd())
        return *known;
    quint64 index = 0;
    if (string.contains(QChar(0))) {
        // libplist keeps strings as C strings: text with NUL characters
        // travels as UTF-8 data inside a string object instead.
        index = reserve();
        encodeContainer(QStringLiteral("NSString"),
                        {{key(QStringLiteral("NS.bytes")), m_writer->data(string.toUtf8())}}, index);
    } else {
        index = store(m_writer->string(string));
    }
    m_strings.insert(string, index);
    return index;
}

quint64 KeyedArchiver::classReference(const QString &name, const QStringList &hierarchy)
{
    const QString id = hierarchy.join(QChar(0)) + QChar(1) + name;
    const auto known = m_classes.constFind(id);
    if (known != m_classes.constEnd())
        return *known;
    std::vector<Ref> classes;
    for (const QString &entry : hierarchy)
        classes.push_back(m_writer->string(entry));
    const quint64 index =
        store(m_writer->dictionary({{key(QStringLiteral("$classes")), m_writer->array(std::move(classes))},
                                    {key(QStringLiteral("$classname")), m_writer->string(name)}}));
    m_classes.insert(id, index);
    return index;
}

quint64 KeyedArchiver::encodeContainer(const QString &className, std::vector<std::pair<Ref, Ref>> entries,
                                       quint64 index)
{
    const quint64 classIndex = classReference(className, {className, QStringLiteral("NSObject")});
    entries.emplace_back(key(QStringLiteral("$class")), m_writer->uid(classIndex));
    m_objects[index] = m_writer->dictionary(entries);
    return index;
}

quint64 KeyedArchiver::encodeValue(const PropertyList &value)
{
    using Kind = PropertyList::Kind;
    if (!m_error.isEmpty())
        return 0;
    switch (value.kind()) {
    case Kind::Null:
        return 0;
    case Kind::String:
        return encodeString(value.toString());
    case Kind::Integer:
        return storeShared(m_writer->integer(value.toInteger()));
    case Kind::Real:
        return storeShared(m_writer->real(value.toReal()));
    case Kind::Boolean:
        return storeShared(m_writer->boolean(value.toBool()));
    case Kind::Data:
        return storeShared(m_writer->data(value.toData()));
    case Kind::Date: {
        const quint64 index = reserve();
        const QDateTime date = value.toDate();
        const double seconds =
            date.isValid() ? double(date.toMSecsSinceEpoch() - referenceDateMs) / 1000.0 : 0.0;
        return encodeContainer(QStringLiteral("NSDate"),
                               {{key(QStringLiteral("NS.time")), m_writer->real(seconds)}}, index);
    }
    case Kind::Array: {
        if (const quint64 known = knownContainer(value))
            return known;
        // Empty lists are alike wherever they stand (a line's dashes).
        if (value.size() == 0 && m_emptyArray)
            return m_emptyArray;
        const quint64 index = reserve();
        rememberContainer(value, index);
        std::vector<Ref> elements;
        elements.reserve(value.size());
        for (const PropertyList &element : value.toArray())
            elements.push_back(m_writer->uid(encodeValue(element)));
        encodeContainer(QStringLiteral("NSArray"),
                        {{key(QStringLiteral("NS.objects")), m_writer->array(std::move(elements))}}, index);
        if (value.size() == 0)
            m_emptyArray = index;
        return index;
    }
    case Kind::Dictionary: {
        if (const quint64 known = knownContainer(value))
            return known;
        const quint64 index = reserve();
        rememberContainer(value, index);
        std::vector<Ref> keys, elements;
        keys.reserve(value.size());
        elements.reserve(value.size());
        for (const auto &[name, element] : value.toDictionary()) {
            keys.push_back(m_writer->uid(encodeString(name)));
            elements.push_back(m_writer->uid(encodeValue(element)));
        }
        return encodeContainer(QStringLiteral("NSDictionary"),
                               {{key(QStringLiteral("NS.keys")), m_writer->array(std::move(keys))},
                                {key(QStringLiteral("NS.objects")), m_writer->array(std::move(elements))}},
                               index);
    }
    case Kind::Object:
        return encodeArchivable(value.toObject());
    }
    return 0;
}

quint64 KeyedArchiver::knownContainer(const PropertyList &value) const
{
    const void *storage = value.sharedContainer();
    if (!storage)
        return 0;
    const auto known = m_containers.find(storage);
    return known == m_containers.end() ? 0 : known->second;
}

void KeyedArchiver::rememberContainer(const PropertyList &value, quint64 index)
{
    // Only storage shared with other values can be met again.  It is kept
    // alive until the archive is done, so that its address cannot pass to
    // another container made on the fly.
    if (const void *storage = value.sharedContainer()) {
        m_containers.emplace(storage, index);
        m_retainedContainers.push_back(value);
    }
}

quint64 KeyedArchiver::encodeArchivable(const std::shared_ptr<Archivable> &object)
{
    const auto known = m_archived.find(object.get());
    if (known != m_archived.end()) {
        if (std::find(m_inProgress.begin(), m_inProgress.end(), known->second) != m_inProgress.end()) {
            m_error = QStringLiteral("an object of class %1 contains itself").arg(object->archiveClassName());
            return 0;
        }
        return known->second;
    }
    const quint64 index = reserve();
    m_archived.emplace(object.get(), index);
    // Objects are known by address: one freed during the archive (a value
    // made on the fly by an encode function) could leave its address to
    // another object, which would then be written as a reference to it.
    m_retained.push_back(object);
    m_inProgress.push_back(index);
    m_frames.push_back(Frame{index, {}, {}});
    object->encode(*this);
    std::vector<std::pair<Ref, Ref>> entries = std::move(m_frames.back().entries);
    m_frames.pop_back();
    m_inProgress.pop_back();

    entries.emplace_back(key(QStringLiteral("$class")), m_writer->uid(classOf(*object)));
    m_objects[index] = m_writer->dictionary(entries);
    return index;
}

quint64 KeyedArchiver::classOf(const Archivable &object)
{
    const QString name = object.archiveClassName();
    // Objects of one type that name the same class describe it alike, but
    // for placeholders, which keep the class list they were read with.
    const bool placeholder = dynamic_cast<const EncodedDictionary *>(&object) != nullptr;
    const std::type_index type(typeid(object));
    if (!placeholder) {
        const auto known = m_classesByType.find(type);
        if (known != m_classesByType.end() && known->second.first == name)
            return known->second.second;
    }
    QStringList hierarchy = object.archiveClassHierarchy();
    if (hierarchy.isEmpty() || hierarchy.front() != name)
        hierarchy.prepend(name);
    const quint64 index = classReference(name, hierarchy);
    if (!placeholder)
        m_classesByType.insert_or_assign(type, std::make_pair(name, index));
    return index;
}

void KeyedArchiver::setInCurrent(const QString &name, Ref value)
{
    if (m_frames.empty()) {
        qWarning("KeyedArchiver: a value was encoded outside an object's encode function");
        return;
    }
    // A key written twice keeps its last value, as in a dictionary.  Small
    // objects are searched; large ones (placeholders of odd archives may
    // have thousands of entries) keep an index.
    Frame &frame = m_frames.back();
    const Ref keyRef = key(name);
    constexpr size_t searched = 16;
    if (frame.entries.size() < searched) {
        for (auto &entry : frame.entries) {
            if (entry.first == keyRef) {
                entry.second = value;
                return;
            }
        }
    } else {
        if (frame.positions.empty()) {
            for (size_t i = 0; i < frame.entries.size(); ++i)
                frame.positions.emplace(frame.entries[i].first, i);
        }
        const auto [it, inserted] = frame.positions.try_emplace(keyRef, frame.entries.size());
        if (!inserted) {
            frame.entries[it->second].second = value;
            return;
        }
    }
    frame.entries.emplace_back(keyRef, value);
}

void KeyedArchiver::encodeObject(const PropertyList &value)
{
    if (m_frames.empty()) {
        qWarning("KeyedArchiver: a value was encoded outside an object's encode function");
        return;
    }
    const QString name = QStringLiteral("$%1").arg(m_frames.back().unkeyed++);
    encodeObject(value, name);
}

void KeyedArchiver::encodeObject(const PropertyList &value, const QString &name)
{
    const quint64 reference = encodeValue(value);
    setInCurrent(name, m_writer->uid(reference));
}

void KeyedArchiver::encodeBool(bool value, const QString &name)
{
    setInCurrent(name, m_writer->boolean(value));
}

void KeyedArchiver::encodeInteger(qint64 value, const QString &name)
{
    setInCurrent(name, m_writer->integer(value));
}

void KeyedArchiver::encodeDouble(double value, const QString &name)
{
    setInCurrent(name, m_writer->real(value));
}

void KeyedArchiver::encodeFloat(float value, const QString &name)
{
    setInCurrent(name, m_writer->real(double(value)));
}

void KeyedArchiver::encodeBytes(const QByteArray &value, const QString &name)
{
    setInCurrent(name, m_writer->data(value));
}

QString KeyedArchiver::stringFromPoint(Point point)
{
    return QStringLiteral("{%1, %2}").arg(floatText(point.x), floatText(point.y));
}

void KeyedArchiver::encodePoint(Point value)
{
    if (m_frames.empty()) {
        qWarning("KeyedArchiver: a value was encoded outside an object's encode function");
        return;
    }
    const QString name = QStringLiteral("$%1").arg(m_frames.back().unkeyed++);
    encodePoint(value, name);
}

void KeyedArchiver::encodePoint(Point value, const QString &name)
{
    setInCurrent(name, m_writer->string(stringFromPoint(value)));
}

void KeyedArchiver::encodeEntry(const ArchivedEntry &entry)
{
    switch (entry.form) {
    case ArchivedEntry::Form::Reference:
        encodeObject(entry.value, entry.key);
        return;
    case ArchivedEntry::Form::ReferenceArray: {
        std::vector<Ref> references;
        for (const PropertyList &element : entry.value.toArray())
            references.push_back(m_writer->uid(encodeValue(element)));
        setInCurrent(entry.key, m_writer->array(std::move(references)));
        return;
    }
    case ArchivedEntry::Form::Inline: {
        Ref ref = 0;
        if (m_writer->value(entry.value, ref, nullptr))
            setInCurrent(entry.key, ref);
        return;
    }
    }
}

} // namespace scrivane
