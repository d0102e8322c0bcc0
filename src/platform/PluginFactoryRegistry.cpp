#include "PluginFactoryRegistry.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace scrivane {

namespace {
struct Registry {
    QMutex mutex;
    QHash<QUuid, int> counts;
};

Registry &registry()
{
    static Registry shared;
    return shared;
}
} // namespace

void PluginFactoryRegistry::addInstanceForFactory(const QUuid &factoryID)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    ++r.counts[factoryID];
}

void PluginFactoryRegistry::removeInstanceForFactory(const QUuid &factoryID)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    const auto it = r.counts.find(factoryID);
    if (it == r.counts.end())
        return;
    if (--*it <= 0)
        r.counts.erase(it);
}

int PluginFactoryRegistry::instancesForFactory(const QUuid &factoryID)
{
    Registry &r = registry();
    QMutexLocker lock(&r.mutex);
    return r.counts.value(factoryID, 0);
}

} // namespace scrivane
