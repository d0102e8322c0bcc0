#include "KeyedArchiver.h"

#include "platform/PlistBridge.h"

#include <QDebug>

#include <plist/plist.h>

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

struct KeyedArchiver::Frame {
    plist_t dictionary;
    int unkeyed = 0;
};

KeyedArchiver::KeyedArchiver() = default;

KeyedArchiver::~KeyedArchiver()
{
    for (void *node : m_objects)
        plist_free(static_cast<plist_t>(node));
}

std::optional<QByteArray> KeyedArchiver::archivedData(const PropertyList &root, PropertyList::Format format,
                                                      QString *error)
{
    KeyedArchiver archiver;
    archiver.m_objects.push_back(plist_new_string("$null"));
    const quint64 rootReference = archiver.encodeValue(root);
    if (!archiver.m_error.isEmpty()) {
        if (error)
            *error = archiver.m_error;
        return std::nullopt;
    }

    PlistBridge::Node top(plist_new_dict());
    plist_t objects = plist_new_array();
    for (void *&node : archiver.m_objects) {
        plist_array_append_item(objects, static_cast<plist_t>(node));
        node = nullptr;
    }
    plist_t topEntry = plist_new_dict();
    plist_dict_set_item(topEntry, "root", plist_new_uid(rootReference));
    plist_dict_set_item(top.get(), "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(top.get(), "$objects", objects);
    plist_dict_set_item(top.get(), "$top", topEntry);
    plist_dict_set_item(top.get(), "$version", plist_new_uint(100000));
    QByteArray bytes = PlistBridge::serialize(top.get(), format);
    if (bytes.isEmpty()) {
        if (error)
            *error = QStringLiteral("the archive could not be written");
        return std::nullopt;
    }
    return bytes;
}

quint64 KeyedArchiver::append(void *node)
{
    m_objects.push_back(node);
    return m_objects.size() - 1;
}

quint64 KeyedArchiver::encodeString(const QString &string)
{
    const auto known = m_strings.constFind(string);
    if (known != m_strings.constEnd())
        return *known;
    quint64 reference = 0;
    if (string.contains(QChar(0))) {
        // libplist keeps strings as C strings: text with NUL characters
        // travels as UTF-8 data inside a string object instead.
        plist_t object = plist_new_dict();
        const QByteArray utf8 = string.toUtf8();
        plist_dict_set_item(object, "NS.bytes", plist_new_data(utf8.constData(), uint64_t(utf8.size())));
        plist_dict_set_item(object, "$class", plist_new_uid(classReference(QStringLiteral("NSString"),
                                                                           {QStringLiteral("NSString"), QStringLiteral("NSObject")})));
        reference = append(object);
    } else {
        reference = append(plist_new_string(string.toUtf8().constData()));
    }
    m_strings.insert(string, reference);
    return reference;
}

quint64 KeyedArchiver::classReference(const QString &name, const QStringList &hierarchy)
{
    const QString key = hierarchy.join(QChar(0)) + QChar(1) + name;
    const auto known = m_classes.constFind(key);
    if (known != m_classes.constEnd())
        return *known;
    plist_t description = plist_new_dict();
    plist_t classes = plist_new_array();
    for (const QString &entry : hierarchy)
        plist_array_append_item(classes, plist_new_string(entry.toUtf8().constData()));
    plist_dict_set_item(description, "$classes", classes);
    plist_dict_set_item(description, "$classname", plist_new_string(name.toUtf8().constData()));
    const quint64 reference = append(description);
    m_classes.insert(key, reference);
    return reference;
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
    case Kind::Real:
    case Kind::Boolean:
    case Kind::Data:
        return append(PlistBridge::newScalar(value, nullptr));
    case Kind::Date: {
        const quint64 reference = append(nullptr);
        plist_t object = plist_new_dict();
        const QDateTime date = value.toDate();
        const double seconds = date.isValid() ? double(date.toMSecsSinceEpoch() - referenceDateMs) / 1000.0 : 0.0;
        plist_dict_set_item(object, "NS.time", plist_new_real(seconds));
        plist_dict_set_item(object, "$class", plist_new_uid(classReference(QStringLiteral("NSDate"),
                                                                           {QStringLiteral("NSDate"), QStringLiteral("NSObject")})));
        m_objects[reference] = object;
        return reference;
    }
    case Kind::Array: {
        const quint64 reference = append(nullptr);
        plist_t object = plist_new_dict();
        m_objects[reference] = object;  // owned from here on, whatever happens below
        plist_t elements = plist_new_array();
        plist_dict_set_item(object, "NS.objects", elements);
        for (const PropertyList &element : value.toArray())
            plist_array_append_item(elements, plist_new_uid(encodeValue(element)));
        plist_dict_set_item(object, "$class", plist_new_uid(classReference(QStringLiteral("NSArray"),
                                                                           {QStringLiteral("NSArray"), QStringLiteral("NSObject")})));
        return reference;
    }
    case Kind::Dictionary: {
        const quint64 reference = append(nullptr);
        plist_t object = plist_new_dict();
        m_objects[reference] = object;
        plist_t keys = plist_new_array();
        plist_t elements = plist_new_array();
        plist_dict_set_item(object, "NS.keys", keys);
        plist_dict_set_item(object, "NS.objects", elements);
        for (const auto &[key, element] : value.toDictionary()) {
            plist_array_append_item(keys, plist_new_uid(encodeString(key)));
            plist_array_append_item(elements, plist_new_uid(encodeValue(element)));
        }
        plist_dict_set_item(object, "$class",
                            plist_new_uid(classReference(QStringLiteral("NSDictionary"),
                                                         {QStringLiteral("NSDictionary"), QStringLiteral("NSObject")})));
        return reference;
    }
    case Kind::Object:
        return encodeArchivable(value.toObject());
    }
    return 0;
}

quint64 KeyedArchiver::encodeArchivable(const std::shared_ptr<Archivable> &object)
{
    const auto known = m_archived.find(object.get());
    if (known != m_archived.end()) {
        for (const Frame &frame : m_frames) {
            if (frame.dictionary == m_objects[known->second]) {
                m_error = QStringLiteral("an object of class %1 contains itself").arg(object->archiveClassName());
                return 0;
            }
        }
        return known->second;
    }
    const quint64 reference = append(plist_new_dict());
    m_archived.emplace(object.get(), reference);
    m_frames.push_back(Frame{static_cast<plist_t>(m_objects[reference])});
    object->encode(*this);
    m_frames.pop_back();
    QStringList hierarchy = object->archiveClassHierarchy();
    const QString name = object->archiveClassName();
    if (hierarchy.isEmpty() || hierarchy.front() != name)
        hierarchy.prepend(name);
    plist_dict_set_item(static_cast<plist_t>(m_objects[reference]), "$class",
                        plist_new_uid(classReference(name, hierarchy)));
    return reference;
}

void KeyedArchiver::setInCurrent(const QString &key, void *node)
{
    if (m_frames.empty()) {
        qWarning("KeyedArchiver: a value was encoded outside an object's encode function");
        plist_free(static_cast<plist_t>(node));
        return;
    }
    plist_dict_set_item(m_frames.back().dictionary, key.toUtf8().constData(), static_cast<plist_t>(node));
}

void KeyedArchiver::encodeObject(const PropertyList &value)
{
    if (m_frames.empty()) {
        qWarning("KeyedArchiver: a value was encoded outside an object's encode function");
        return;
    }
    const QString key = QStringLiteral("$%1").arg(m_frames.back().unkeyed++);
    encodeObject(value, key);
}

void KeyedArchiver::encodeObject(const PropertyList &value, const QString &key)
{
    const quint64 reference = encodeValue(value);
    setInCurrent(key, plist_new_uid(reference));
}

void KeyedArchiver::encodeBool(bool value, const QString &key)
{
    setInCurrent(key, plist_new_bool(value ? 1 : 0));
}

void KeyedArchiver::encodeInteger(qint64 value, const QString &key)
{
    setInCurrent(key, plist_new_uint(static_cast<uint64_t>(value)));
}

void KeyedArchiver::encodeDouble(double value, const QString &key)
{
    setInCurrent(key, plist_new_real(value));
}

void KeyedArchiver::encodeFloat(float value, const QString &key)
{
    setInCurrent(key, plist_new_real(double(value)));
}

void KeyedArchiver::encodeBytes(const QByteArray &value, const QString &key)
{
    setInCurrent(key, plist_new_data(value.constData(), uint64_t(value.size())));
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
    const QString key = QStringLiteral("$%1").arg(m_frames.back().unkeyed++);
    encodePoint(value, key);
}

void KeyedArchiver::encodePoint(Point value, const QString &key)
{
    setInCurrent(key, plist_new_string(stringFromPoint(value).toUtf8().constData()));
}

void KeyedArchiver::encodeEntry(const ArchivedEntry &entry)
{
    switch (entry.form) {
    case ArchivedEntry::Form::Reference:
        encodeObject(entry.value, entry.key);
        return;
    case ArchivedEntry::Form::ReferenceArray: {
        plist_t references = plist_new_array();
        for (const PropertyList &element : entry.value.toArray())
            plist_array_append_item(references, plist_new_uid(encodeValue(element)));
        setInCurrent(entry.key, references);
        return;
    }
    case ArchivedEntry::Form::Inline: {
        PlistBridge::Node node = PlistBridge::fromPropertyList(entry.value, nullptr);
        if (node)
            setInCurrent(entry.key, node.release());
        return;
    }
    }
}

} // namespace scrivane
