#include "UserDefaults.h"

#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"

namespace scrivane {

const QString UserDefaults::didChangeNotification = QStringLiteral("UserDefaultsDidChange");

namespace {

// A stored value as a property-list value, so that text converts to
// numbers and booleans by the one rule of the code base.
PropertyList asValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return PropertyList(value.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return PropertyList(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return PropertyList(value.toDouble());
    default:
        return PropertyList(value.toString());
    }
}

} // namespace

UserDefaults &UserDefaults::standard()
{
    static UserDefaults *shared =
        new UserDefaults(std::make_unique<QSettings>(QStringLiteral("Scrivane"), QStringLiteral("Scrivane")));
    return *shared;
}

UserDefaults::UserDefaults(std::unique_ptr<QSettings> settings) : m_settings(std::move(settings)) {}

UserDefaults::~UserDefaults() = default;

void UserDefaults::registerDefaults(const QVariantMap &defaults)
{
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_registered.insert(it.key(), it.value());
}

QVariant UserDefaults::object(const QString &key) const
{
    const QVariant stored = m_settings->value(key);
    if (stored.isValid())
        return stored;
    return m_registered.value(key);
}

QString UserDefaults::string(const QString &key) const
{
    const QVariant value = object(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("YES") : QStringLiteral("NO");
    return value.toString();
}

bool UserDefaults::boolean(const QString &key) const
{
    return asValue(object(key)).toBool();
}

qint64 UserDefaults::integer(const QString &key) const
{
    return asValue(object(key)).toInteger();
}

double UserDefaults::real(const QString &key) const
{
    return asValue(object(key)).toReal();
}

QVariantMap UserDefaults::dictionary(const QString &key) const
{
    return object(key).toMap();
}

void UserDefaults::setObject(const QString &key, const QVariant &value)
{
    m_settings->setValue(key, value);
    NotificationCenter::defaultCenter().post(didChangeNotification, this, {{QStringLiteral("key"), key}});
}

void UserDefaults::removeObject(const QString &key)
{
    m_settings->remove(key);
    NotificationCenter::defaultCenter().post(didChangeNotification, this, {{QStringLiteral("key"), key}});
}

} // namespace scrivane
