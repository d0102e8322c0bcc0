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

class ArchivedDictionary;
class WorkBudget;

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

    // Whether a reader would take the archive as far as its size goes: the
    // property list is well formed and within the limits, and its objects
    // nest and unfold within them, each reference counted at every use as
    // a reader counts it.  Nothing is decoded, so this is cheap; a writer
    // runs it on what it wrote before that replaces anything.
    static bool checkLimits(const QByteArray &data, const PropertyListLimits &limits, QString *error);

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
    // What decoding may cost beyond the limits, when a budget was given:
    // decode functions that build much from little (a path's elements from
    // a few bytes each) charge it as they go.
    void setBudget(WorkBudget *budget) { m_budget = budget; }
    WorkBudget *budget() const { return m_budget; }

    // The text "{x, y}" read as a point.
    static std::optional<Point> pointFromString(const QString &text);

private:
    friend class ArchivedDictionary;
    using Index = BinaryPlistReader::Index;
    // The values that the unarchiver reads itself, by their class names.
    enum class Container : quint8 { None, Array, Dictionary, Date, String };
    struct ClassInfo {
        QString name;
        QStringList hierarchy;
        Container container = Container::None;
        DecodeFunction decode; // found on first use
    };
    struct Frame {
        Index dictionary;
        ClassInfo *info;
        int unkeyed = 0;
    };

    // An entry of a dictionary read in place (ArchivedDictionary) or
    // being read.
    struct StoredEntry {
        QString key;
        PropertyList value;
    };

    // Opens the property list and finds the objects and the root.
    bool openArchive(quint64 &rootReference);
    bool checkObjectLimits(quint64 root);
    // With `inPlace`, an archived dictionary read for the first time is not
    // built: its entries are appended to m_stored (and `inPlace` stays
    // true); anything else is answered as usual (and `inPlace` turns false).
    PropertyList decodeValue(quint64 reference, bool *inPlace = nullptr);
    PropertyList decodeDictionaryObject(quint64 reference, Index dictionary, bool *inPlace);
    template <class What> PropertyList decodeReferenceArray(std::optional<Index> array, const What &what);
    template <class What, class Put>
    bool decodeReferences(std::optional<Index> array, const What &what, const Put &put);
    template <class What>
    bool decodeDictionaryEntries(Index object, const What &what);
    PropertyList decodeKeyed(const QString &key, bool *inPlace);
    ClassInfo *classInfo(Index dictionary, quint64 reference);
    DecodeFunction decoderFor(const QString &name) const;
    std::optional<Index> valueInCurrent(QAnyStringView key) const;
    QString describeCurrent(const QString &key) const;
    bool numberInCurrent(const QString &key, double &real, qint64 &integer, bool &isInteger);
    bool uidValue(Index node, quint64 &reference) const;
    QString unkeyedName();

    QByteArray m_data;
    PropertyListLimits m_limits;
    WorkBudget *m_budget = nullptr;
    BinaryPlistReader m_reader;
    Index m_objects = 0;    // the array of archived values
    quint64 m_objectCount = 0;
    std::vector<PropertyList> m_values;
    std::vector<quint64> m_sizes;                        // values each decoded value unfolds into
    std::vector<quint8> m_states; // 0 not read, 1 being read, 2 read, 3 read in place (not built)
    std::vector<StoredEntry> m_stored;                   // dictionaries read in place, innermost last
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
