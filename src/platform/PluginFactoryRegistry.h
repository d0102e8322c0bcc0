#pragma once

#include <QUuid>

namespace scrivane {

// The instances alive per plug-in factory, as plug-ins report them: an
// instance registers with its factory's UUID when it is made and leaves
// when it is freed.  A module whose factories have no instance left may be
// unloaded.  Safe to use from any thread.
class PluginFactoryRegistry {
public:
    static void addInstanceForFactory(const QUuid &factoryID);
    // Does nothing for a factory without instances.
    static void removeInstanceForFactory(const QUuid &factoryID);
    static int instancesForFactory(const QUuid &factoryID);
};

} // namespace scrivane
