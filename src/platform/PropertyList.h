#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <concepts>
#include <map>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace scrivane {

class Archivable;
struct PropertyListLimits;

// One value of a property list: a string, integer, real, boolean, data,
// date, array or dictionary, or a reference to an archivable object (which
// only a keyed archive can store).  Arrays and dictionaries are shared
// between copies until one of them is changed, so copying a large tree is
// cheap.  Dictionaries keep their keys sorted.
class PropertyList {
public:
    enum class Kind : quint8 { Null, String, Integer, Real, Boolean, Data, Date, Array, Dictionary, Object };
    enum class Format : quint8 { Binary, Xml };
    using Array = std::vector<PropertyList>;
    using Dictionary = std::map<QString, PropertyList>;

    PropertyList() = default;
    // Defined out of line: inlined copies of the underlying variant trip
    // GCC's maybe-uninitialized analysis in every caller.
    PropertyList(const PropertyList &other);
    PropertyList(PropertyList &&other) noexcept;
    PropertyList &operator=(const PropertyList &other);
    PropertyList &operator=(PropertyList &&other) noexcept;
    ~PropertyList();

    PropertyList(const QString &string);
    PropertyList(const char *utf8);
    PropertyList(bool boolean);
    template <std::integral T>
    requires(!std::same_as<T, bool>) PropertyList(T integer)
        : PropertyList(Integer{static_cast<qint64>(integer)})
    {
    }
    PropertyList(double real);
    PropertyList(const QByteArray &data);
    PropertyList(const QDateTime &date);
    PropertyList(Array array);
    PropertyList(Dictionary dictionary);
    // A null object pointer makes a null value.
    PropertyList(std::shared_ptr<Archivable> object);
    template <std::derived_from<Archivable> T>
    requires(!std::same_as<T, Archivable>) PropertyList(std::shared_ptr<T> object)
        : PropertyList(std::shared_ptr<Archivable>(std::move(object)))
    {
    }

    Kind kind() const { return static_cast<Kind>(m_value.index()); }
    bool isNull() const { return kind() == Kind::Null; }
    bool isString() const { return kind() == Kind::String; }
    bool isNumber() const; // integer, real or boolean
    bool isArray() const { return kind() == Kind::Array; }
    bool isDictionary() const { return kind() == Kind::Dictionary; }
    bool isObject() const { return kind() == Kind::Object; }

    // Readers.  Numbers convert among themselves; a string reads as a number
    // or a boolean the way stored text is read back ("YES", "true" and
    // non-zero numbers are true; a number is read from the start of the
    // text, "C" locale).  Anything else answers the empty value.
    QString toString() const;
    qint64 toInteger() const;
    double toReal() const;
    float toFloat() const;
    bool toBool() const;
    QByteArray toData() const;
    QDateTime toDate() const;
    const Array &toArray() const;
    const Dictionary &toDictionary() const;
    std::shared_ptr<Archivable> toObject() const;
    template <class T> std::shared_ptr<T> objectAs() const
    {
        return std::dynamic_pointer_cast<T>(toObject());
    }

    // Dictionary access: the value under the key, null when there is none or
    // when this is not a dictionary.
    PropertyList value(const QString &key) const;
    bool contains(const QString &key) const;
    // Array access: the element, null when out of range or not an array.
    PropertyList at(size_t index) const;
    // Elements of an array or entries of a dictionary; 0 otherwise.
    size_t size() const;

    // Writers.  `insert` turns a null value into an empty dictionary first,
    // `append` into an empty array; on other kinds they do nothing.
    void insert(const QString &key, PropertyList value);
    void remove(const QString &key);
    void append(PropertyList value);

    // Same kind and value; objects compare through `Archivable::isEqualTo`.
    friend bool operator==(const PropertyList &, const PropertyList &);

    // The storage of an array or dictionary that other values share with
    // this one (copies not changed since), or null: a writer that meets the
    // same storage twice may store it once.
    const void *sharedContainer() const;

    // Number of values in the tree, this one included; objects count as one
    // each, without what they hold.
    quint64 nodeCount() const;

    // Plain property lists through libplist: a binary ("bplist00") or XML
    // property list.  Reading checks the structure first (nesting, sizes,
    // references) so that hostile input yields an error, never a crash; a
    // list that holds archive references is refused (use KeyedUnarchiver).
    static std::optional<PropertyList> fromData(const QByteArray &data, QString *error = nullptr);
    static std::optional<PropertyList> fromData(const QByteArray &data, const PropertyListLimits &limits,
                                                QString *error = nullptr);
    // Fails for trees that hold objects or strings with NUL characters.
    std::optional<QByteArray> toData(Format format, QString *error = nullptr) const;

    // YAML text (UTF-8) read into the same tree: mappings become
    // dictionaries, sequences arrays; plain scalars that read as null,
    // booleans ("true", "false"), integers or reals become those kinds,
    // everything else (and every quoted scalar) a string.  "!!binary"
    // scalars become data and "!!timestamp" scalars dates.
    static std::optional<PropertyList> fromYaml(const QByteArray &utf8, QString *error = nullptr);
    static std::optional<PropertyList> fromYaml(const QByteArray &utf8, const PropertyListLimits &limits,
                                                QString *error = nullptr);

private:
    struct Integer {
        qint64 value;
    };
    explicit PropertyList(Integer integer);
    Array &mutableArray();
    Dictionary &mutableDictionary();

    std::variant<std::monostate, QString, qint64, double, bool, QByteArray, QDateTime, std::shared_ptr<Array>,
                 std::shared_ptr<Dictionary>, std::shared_ptr<Archivable>>
        m_value;
};

// Bounds on what a reader accepts from outside: the input size, how deep
// values nest, and how many values the tree may hold once shared parts are
// counted once per use (a small file that shares one part many times would
// otherwise unfold into a huge tree).
struct PropertyListLimits {
    qsizetype maxInputSize = 512 * 1024 * 1024;
    int maxDepth = 512;
    quint64 maxNodes = 16 * 1024 * 1024;
};

} // namespace scrivane
