#include "PropertyList.h"

#include "platform/Archivable.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace scrivane {

namespace {

const PropertyList::Array &emptyArray()
{
    static const PropertyList::Array empty;
    return empty;
}

const PropertyList::Dictionary &emptyDictionary()
{
    static const PropertyList::Dictionary empty;
    return empty;
}

// Stored text read as a number: leading blanks, then the longest prefix
// that reads as a number in the "C" locale ("12abc" is 12, "abc" is 0).
double leadingNumber(const QString &text)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    const char *begin = bytes.constData();
    const char *end = begin + bytes.size();
    if (begin != end && *begin == '+')
        ++begin;
    double value = 0;
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() ? value : 0.0;
}

qint64 clampToInteger(double value)
{
    if (std::isnan(value))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it saturates.
    if (value >= 9223372036854775808.0)
        return std::numeric_limits<qint64>::max();
    if (value <= -9223372036854775808.0)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(value);
}

bool textIsTrue(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    const QChar first = t.at(0).toLower();
    if (first == u'y' || first == u't')
        return true;
    return leadingNumber(t) != 0.0;
}

} // namespace

PropertyList::PropertyList(const PropertyList &other) = default;
PropertyList::PropertyList(PropertyList &&other) noexcept = default;
PropertyList &PropertyList::operator=(const PropertyList &other) = default;
PropertyList &PropertyList::operator=(PropertyList &&other) noexcept = default;
PropertyList::~PropertyList() = default;

PropertyList::PropertyList(const QString &string) : m_value(string) {}
PropertyList::PropertyList(const char *utf8) : m_value(QString::fromUtf8(utf8)) {}
PropertyList::PropertyList(bool boolean) : m_value(boolean) {}
PropertyList::PropertyList(Integer integer) : m_value(integer.value) {}
PropertyList::PropertyList(double real) : m_value(real) {}
PropertyList::PropertyList(const QByteArray &data) : m_value(data) {}
PropertyList::PropertyList(const QDateTime &date) : m_value(date) {}
PropertyList::PropertyList(Array array) : m_value(std::make_shared<Array>(std::move(array))) {}
PropertyList::PropertyList(Dictionary dictionary)
    : m_value(std::make_shared<Dictionary>(std::move(dictionary)))
{
}

PropertyList::PropertyList(std::shared_ptr<Archivable> object)
{
    if (object)
        m_value = std::move(object);
}

bool PropertyList::isNumber() const
{
    const Kind k = kind();
    return k == Kind::Integer || k == Kind::Real || k == Kind::Boolean;
}

QString PropertyList::toString() const
{
    if (const auto *s = std::get_if<QString>(&m_value))
        return *s;
    return {};
}

qint64 PropertyList::toInteger() const
{
    switch (kind()) {
    case Kind::Integer:
        return std::get<qint64>(m_value);
    case Kind::Real:
        return clampToInteger(std::get<double>(m_value));
    case Kind::Boolean:
        return std::get<bool>(m_value) ? 1 : 0;
    case Kind::String:
        return clampToInteger(leadingNumber(std::get<QString>(m_value)));
    default:
        return 0;
    }
}

double PropertyList::toReal() const
{
    switch (kind()) {
    case Kind::Integer:
        return static_cast<double>(std::get<qint64>(m_value));
    case Kind::Real:
        return std::get<double>(m_value);
    case Kind::Boolean:
        return std::get<bool>(m_value) ? 1.0 : 0.0;
    case Kind::String:
        return leadingNumber(std::get<QString>(m_value));
    default:
        return 0.0;
    }
}

float PropertyList::toFloat() const
{
    const double value = toReal();
    // Out-of-range doubles become infinities rather than an undefined cast.
    constexpr double largest = std::numeric_limits<float>::max();
    if (value > largest)
        return std::numeric_limits<float>::infinity();
    if (value < -largest)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

bool PropertyList::toBool() const
{
    switch (kind()) {
    case Kind::Boolean:
        return std::get<bool>(m_value);
    case Kind::Integer:
        return std::get<qint64>(m_value) != 0;
    case Kind::Real:
        return std::get<double>(m_value) != 0.0;
    case Kind::String:
        return textIsTrue(std::get<QString>(m_value));
    default:
        return false;
    }
}

QByteArray PropertyList::toData() const
{
    if (const auto *d = std::get_if<QByteArray>(&m_value))
        return *d;
    return {};
}

QDateTime PropertyList::toDate() const
{
    if (const auto *d = std::get_if<QDateTime>(&m_value))
        return *d;
    return {};
}

const PropertyList::Array &PropertyList::toArray() const
{
    if (const auto *a = std::get_if<std::shared_ptr<Array>>(&m_value))
        return **a;
    return emptyArray();
}

const PropertyList::Dictionary &PropertyList::toDictionary() const
{
    if (const auto *d = std::get_if<std::shared_ptr<Dictionary>>(&m_value))
        return **d;
    return emptyDictionary();
}

std::shared_ptr<Archivable> PropertyList::toObject() const
{
    if (const auto *o = std::get_if<std::shared_ptr<Archivable>>(&m_value))
        return *o;
    return {};
}

PropertyList PropertyList::value(const QString &key) const
{
    const Dictionary &d = toDictionary();
    const auto it = d.find(key);
    return it == d.end() ? PropertyList() : it->second;
}

bool PropertyList::contains(const QString &key) const
{
    return toDictionary().count(key) != 0;
}

PropertyList PropertyList::at(size_t index) const
{
    const Array &a = toArray();
    return index < a.size() ? a[index] : PropertyList();
}

size_t PropertyList::size() const
{
    if (isArray())
        return toArray().size();
    if (isDictionary())
        return toDictionary().size();
    return 0;
}

PropertyList::Array &PropertyList::mutableArray()
{
    auto &shared = std::get<std::shared_ptr<Array>>(m_value);
    if (shared.use_count() > 1)
        shared = std::make_shared<Array>(*shared);
    return *shared;
}

PropertyList::Dictionary &PropertyList::mutableDictionary()
{
    auto &shared = std::get<std::shared_ptr<Dictionary>>(m_value);
    if (shared.use_count() > 1)
        shared = std::make_shared<Dictionary>(*shared);
    return *shared;
}

void PropertyList::insert(const QString &key, PropertyList value)
{
    if (isNull())
        m_value = std::make_shared<Dictionary>();
    if (isDictionary())
        mutableDictionary().insert_or_assign(key, std::move(value));
}

void PropertyList::remove(const QString &key)
{
    if (contains(key))
        mutableDictionary().erase(key);
}

void PropertyList::append(PropertyList value)
{
    if (isNull())
        m_value = std::make_shared<Array>();
    if (isArray())
        mutableArray().push_back(std::move(value));
}

bool operator==(const PropertyList &a, const PropertyList &b)
{
    using Kind = PropertyList::Kind;
    if (a.kind() != b.kind())
        return false;
    switch (a.kind()) {
    case Kind::Array: {
        const auto &x = std::get<std::shared_ptr<PropertyList::Array>>(a.m_value);
        const auto &y = std::get<std::shared_ptr<PropertyList::Array>>(b.m_value);
        return x == y || *x == *y;
    }
    case Kind::Dictionary: {
        const auto &x = std::get<std::shared_ptr<PropertyList::Dictionary>>(a.m_value);
        const auto &y = std::get<std::shared_ptr<PropertyList::Dictionary>>(b.m_value);
        return x == y || *x == *y;
    }
    case Kind::Object: {
        const auto &x = std::get<std::shared_ptr<Archivable>>(a.m_value);
        const auto &y = std::get<std::shared_ptr<Archivable>>(b.m_value);
        return x == y || x->isEqualTo(*y);
    }
    default:
        return a.m_value == b.m_value;
    }
}

const void *PropertyList::sharedContainer() const
{
    if (const auto *a = std::get_if<std::shared_ptr<Array>>(&m_value))
        return a->use_count() > 1 ? a->get() : nullptr;
    if (const auto *d = std::get_if<std::shared_ptr<Dictionary>>(&m_value))
        return d->use_count() > 1 ? d->get() : nullptr;
    return nullptr;
}

quint64 PropertyList::nodeCount() const
{
    quint64 count = 1;
    if (isArray()) {
        for (const PropertyList &element : toArray())
            count += element.nodeCount();
    } else if (isDictionary()) {
        for (const auto &[key, element] : toDictionary())
            count += element.nodeCount();
    }
    return count;
}

} // namespace scrivane
