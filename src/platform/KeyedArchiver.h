#pragma once

#include "platform/Archivable.h"
#include "platform/BinaryPlistWriter.h"
#include "platform/Geometry.h"
#include "platform/PropertyList.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <memory>
#include <optional>
#include <typeindex>
#include <unordered_map>
#include <vector>

namespace scrivane {

// Writes a value tree as a keyed archive (the layout is described in
// docs/file-format.md): a binary property list whose "$objects" array holds
// every archived value once, the values referring to each other by index.
// Archivable objects write themselves through the encode functions below,
// which act on the object being written; the same object met twice is
// stored once and both places refer to it.  So is an array or dictionary
// whose storage several values share: a tree read with its sharing kept
// is written with it kept, instead of unfolding into a far larger archive.
class KeyedArchiver {
public:
    KeyedArchiver();
    ~KeyedArchiver();
    KeyedArchiver(const KeyedArchiver &) = delete;
    KeyedArchiver &operator=(const KeyedArchiver &) = delete;

    // The archive of `root`, or nothing (with a message in `error`) when an
    // object contains itself through its own values.
    static std::optional<QByteArray> archivedData(const PropertyList &root,
                                                  PropertyList::Format format = PropertyList::Format::Binary,
                                                  QString *error = nullptr);

    // For Archivable::encode: each call stores one value of the object being
    // written.  An unkeyed value takes the next of the keys "$0", "$1", ...
    void encodeObject(const PropertyList &value);
    void encodeObject(const PropertyList &value, const QString &key);
    void encodeBool(bool value, const QString &key);
    void encodeInteger(qint64 value, const QString &key);
    void encodeDouble(double value, const QString &key);
    void encodeFloat(float value, const QString &key);
    void encodeBytes(const QByteArray &value, const QString &key);
    // Points are stored as the text "{x, y}" (shortest exact float form).
    void encodePoint(Point value);
    void encodePoint(Point value, const QString &key);
    // Writes back an entry exactly as it was read (placeholders).
    void encodeEntry(const ArchivedEntry &entry);

    // The text form of a point, "{x, y}"; KeyedUnarchiver reads it back.
    static QString stringFromPoint(Point point);

private:
    using Ref = BinaryPlistWriter::Ref; // an object of the binary list being written
    struct Frame {
        quint64 index; // the object's number in "$objects"
        std::vector<std::pair<Ref, Ref>> entries;
        std::unordered_map<Ref, size_t> positions; // of the entries, once there are many
        int unkeyed = 0;
    };

    quint64 encodeValue(const PropertyList &value);
    quint64 encodeArchivable(const std::shared_ptr<Archivable> &object);
    // The archive number of a shared container already written (0: none).
    quint64 knownContainer(const PropertyList &value) const;
    void rememberContainer(const PropertyList &value, quint64 index);
    quint64 encodeString(const QString &string);
    quint64 encodeContainer(const QString &className, std::vector<std::pair<Ref, Ref>> entries,
                            quint64 index);
    quint64 classReference(const QString &name, const QStringList &hierarchy);
    // The class description of an object being written.
    quint64 classOf(const Archivable &object);
    quint64 reserve();
    // A new archive number for an object already written to the list.
    quint64 store(Ref object);
    // The archive number of a plain value (number, boolean, data) of the
    // list, the same for every use of an equal value.
    quint64 storeShared(Ref object);
    void setInCurrent(const QString &key, Ref value);
    Ref key(const QString &key);

    std::unique_ptr<BinaryPlistWriter> m_writer;
    std::vector<Ref> m_objects; // "$objects": archive number -> object of the list
    QHash<QString, quint64> m_strings;
    std::unordered_map<Ref, quint64> m_shared;
    quint64 m_emptyArray = 0;
    QHash<QString, quint64> m_classes;
    std::unordered_map<std::type_index, std::pair<QString, quint64>> m_classesByType;
    QHash<QString, Ref> m_keys;
    std::unordered_map<const Archivable *, quint64> m_archived;
    std::vector<std::shared_ptr<Archivable>> m_retained; // keeps the addresses above unique
    std::unordered_map<const void *, quint64> m_containers;
    std::vector<PropertyList> m_retainedContainers; // likewise
    std::vector<quint64> m_inProgress;
    std::vector<Frame> m_frames;
    QString m_error;
};

} // namespace scrivane
