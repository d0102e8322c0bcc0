#pragma once

#include <QMutex>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <vector>

namespace scrivane {

// A posted notification: its name, the object it is about (any pointer,
// compared by address only, never dereferenced by the centre) and details.
struct Notification {
    QString name;
    const void *object = nullptr;
    QVariantMap userInfo;
};

// Synchronous notifications: `post` calls every matching observer before
// it returns, in the order the observers were added.  An observer matches
// when its name is empty or equal to the notification's and its object is
// null or the same as the notification's.  Observers added while a
// notification is delivered do not receive it; observers removed while it
// is delivered and not yet called are not called.  Observers may post and
// may add or remove observers from inside their callback.
class NotificationCenter {
public:
    using Callback = std::function<void(const Notification &)>;
    using Token = quint64;

    // The process-wide centre ("TDGraphicDidChange" and the others).
    static NotificationCenter &defaultCenter();

    // `owner` groups observers for removal (an address, or null); the token
    // removes this one observer.
    Token addObserver(const void *owner, const QString &name, const void *object, Callback callback);
    void removeObserver(Token token);
    // Every observer of the owner; with a name or an object, only those
    // registered with that name or that object.
    void removeObserver(const void *owner, const QString &name = QString(), const void *object = nullptr);

    void post(const Notification &notification);
    void post(const QString &name, const void *object = nullptr, const QVariantMap &userInfo = {});

private:
    struct Observer {
        Token token;
        const void *owner;
        QString name;
        const void *object;
        std::shared_ptr<Callback> callback;
    };

    mutable QMutex m_mutex;
    std::vector<Observer> m_observers;
    Token m_nextToken = 1;
};

} // namespace scrivane
