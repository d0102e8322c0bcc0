#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

namespace scrivane {

// The user's preferences over QSettings, with a table of registered
// defaults that answers for every key the user never set.  Values stored
// as text read back as numbers and booleans the way stored text is read:
// "YES", "true" and non-zero numbers are true, "NO" and "0" false.
// Setting a value posts "UserDefaultsDidChange" on the default notification
// centre with these defaults as object and the key under "key".
class UserDefaults {
public:
    // The application's defaults (QSettings' native store for the
    // organisation and application "Scrivane").
    static UserDefaults &standard();
    // Defaults over the given settings, which they own.
    explicit UserDefaults(std::unique_ptr<QSettings> settings);
    ~UserDefaults();

    // Adds the entries to the registered defaults (an entry of the same key
    // is replaced).  Registered values are not stored.
    void registerDefaults(const QVariantMap &defaults);

    // The stored value, else the registered one, else an invalid value.
    QVariant object(const QString &key) const;
    QString string(const QString &key) const;
    bool boolean(const QString &key) const;
    qint64 integer(const QString &key) const;
    double real(const QString &key) const;
    QVariantMap dictionary(const QString &key) const;

    void setObject(const QString &key, const QVariant &value);
    void setBool(const QString &key, bool value) { setObject(key, value); }
    void setInteger(const QString &key, qint64 value) { setObject(key, value); }
    void setReal(const QString &key, double value) { setObject(key, value); }
    void setString(const QString &key, const QString &value) { setObject(key, value); }
    // Forgets the stored value; the registered one answers again.
    void removeObject(const QString &key);

    static const QString didChangeNotification;

private:
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_registered;
};

} // namespace scrivane
