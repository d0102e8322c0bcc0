#pragma once

#include "platform/Archivable.h"
#include "platform/Geometry.h"
#include "platform/BinaryPlistReader.h"
#include "platform/PropertyList.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace scrivane {

// Reads a keyed archive written by KeyedArchiver (docs/file-format.md) back
// into a value tree.  The data is untrusted: every value's kind is checked,
// nesting and the number of values are bounded, references must lie inside
// the archive and must not lead back to themselves, and any fault ends the
// reading with a message instead of a crash.
//
// Archived objects are built by decode functions found by their stored
// class name: first among the substitutions of this unarchiver, then among
// the process-wide substitutions, then among the registered classes.  A
// class found nowhere becomes an EncodedDictionary placeholder that keeps
// the stored values and writes them back unchanged.
class KeyedUnarchiver {
public:
    using DecodeFunction = std::function<std::shared_ptr<Archivable>(KeyedUnarchiver &)>;

    explicit KeyedUnarchiver(const QByteArray &data, const PropertyListLimits &limits = PropertyListLimits());
    ~KeyedUnarchiver();
    KeyedUnarchiver(const KeyedUnarchiver &) = delete;
    KeyedUnarchiver &operator=(const KeyedUnarchiver &) = delete;

    // The root value of an archive, or nothing with a message in `error`.
    static std::optional<PropertyList> unarchive(const QByteArray &data, QString *error = nullptr);

    // The root value, or nothing when the archive is faulty (errorString()
    // says why).  Decodes once; later calls answer the same.
    std::optional<PropertyList> decodeRoot();
    QString errorString() const { return m_error; }

    // Process-wide: the decode function of a class name (a model class
    // registers itself once).  Registering a name again replaces it.
    static void registerClass(const QString &name, DecodeFunction decode);
    // Process-wide substitution: objects stored under `name` are built by
    // `decode` instead of the registered class, in every unarchiver; an
    // empty function removes the substitution.
    static void setGlobalClass(DecodeFunction decode, const QString &name);
    // The same for this unarchiver only; it takes precedence.
    void setClass(DecodeFunction decode, const QString &name);

    // For decode functions, acting on the object being read.
    QString className() const;
    QStringList classHierarchy() const;
    bool containsValue(const QString &key) const;
    // The next unkeyed value ("$0", "$1", ...), or the value under a key.
    // A missing value reads as null, 0, false, empty data or (0, 0).
    PropertyList decodeObject();
    PropertyList decodeObject(const QString &key);
    bool decodeBool(const QString &key);
    qint64 decodeInteger(const QString &key);
    double decodeDouble(const QString &key);
    float decodeFloat(const QString &key);
    QByteArray decodeBytes(const QString &key);
    Point decodePoint();
    Point decodePoint(const QString &key);
    // Every stored value of the object but its class, as stored.
    std::vector<ArchivedEntry> decodeEntries();
    // Ends the reading with a message (the first one wins); the decode
    // functions called afterwards read only empty values.
    void failWithError(const QString &message);
    bool failed() const { return !m_error.isEmpty(); }

    // The text "{x, y}" read as a point.
    static std::optional<Point> pointFromString(const QString &text);

private:
    using Index = BinaryPlistReader::Index;
    struct ClassInfo {
        QString name;
        QStringList hierarchy;
        DecodeFunction decode; // found on first use
    };
    struct Frame {
        Index dictionary;
        ClassInfo *info;
        int unkeyed = 0;
    };

    PropertyList decodeValue(quint64 reference);
    PropertyList decodeDictionaryObject(quint64 reference, Index dictionary);
    template <class What> PropertyList decodeReferenceArray(std::optional<Index> array, const What &what);
    ClassInfo *classInfo(Index dictionary, quint64 reference);
    DecodeFunction decoderFor(const QString &name) const;
    std::optional<Index> valueInCurrent(QAnyStringView key) const;
    QString describeCurrent(const QString &key) const;
    bool numberInCurrent(const QString &key, double &real, qint64 &integer, bool &isInteger);
    bool uidValue(Index node, quint64 &reference) const;
    QString unkeyedName();

    QByteArray m_data;
    PropertyListLimits m_limits;
    BinaryPlistReader m_reader;
    Index m_objects = 0;    // the array of archived values
    quint64 m_objectCount = 0;
    std::vector<PropertyList> m_values;
    std::vector<quint64> m_sizes;                        // values each decoded value unfolds into
    std::vector<quint8> m_states;                        // 0 not read, 1 being read, 2 read
    std::unordered_map<quint64, ClassInfo> m_classInfos; // stable addresses for Frame
    QHash<QString, DecodeFunction> m_substitutions;
    std::vector<Frame> m_frames;
    std::vector<quint64> m_counts; // unfolded values of the values being read
    int m_depth = 0;
    std::optional<PropertyList> m_result;
    bool m_decoded = false;
    QString m_error;
};

} // namespace scrivane
