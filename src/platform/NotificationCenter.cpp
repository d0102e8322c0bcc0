#include "NotificationCenter.h"

#include <QMutexLocker>

#include <algorithm>

namespace scrivane {

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter *shared = new NotificationCenter;
    return *shared;
}

NotificationCenter::Token NotificationCenter::addObserver(const void *owner, const QString &name,
                                                          const void *object, Callback callback)
{
    QMutexLocker lock(&m_mutex);
    const Token token = m_nextToken++;
    m_observers.push_back(
        Observer{token, owner, name, object, std::make_shared<Callback>(std::move(callback))});
    return token;
}

void NotificationCenter::removeObserver(Token token)
{
    QMutexLocker lock(&m_mutex);
    std::erase_if(m_observers, [token](const Observer &o) { return o.token == token; });
}

void NotificationCenter::removeObserver(const void *owner, const QString &name, const void *object)
{
    QMutexLocker lock(&m_mutex);
    std::erase_if(m_observers, [&](const Observer &o) {
        return o.owner == owner && (name.isEmpty() || o.name == name) && (!object || o.object == object);
    });
}

void NotificationCenter::post(const QString &name, const void *object, const QVariantMap &userInfo)
{
    post(Notification{name, object, userInfo});
}

void NotificationCenter::post(const Notification &notification)
{
    // Collect the matching observers first: callbacks run without the lock
    // and may change the list.
    std::vector<std::pair<Token, std::shared_ptr<Callback>>> matching;
    {
        QMutexLocker lock(&m_mutex);
        for (const Observer &o : m_observers) {
            if ((o.name.isEmpty() || o.name == notification.name) &&
                (!o.object || o.object == notification.object))
                matching.emplace_back(o.token, o.callback);
        }
    }
    for (const auto &[token, callback] : matching) {
        bool stillThere = false;
        {
            QMutexLocker lock(&m_mutex);
            stillThere = std::any_of(m_observers.begin(), m_observers.end(),
                                     [token = token](const Observer &o) { return o.token == token; });
        }
        if (stillThere)
            (*callback)(notification);
    }
}

} // namespace scrivane
