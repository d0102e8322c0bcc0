#pragma once

#include "platform/effects/EffectFilter.h"
#include "platform/effects/EffectPluginHost.h"
#include "platform/effects/FilterClassAttributes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace scrivane {

// The outcome of loading one filter plug-in.
struct EffectPluginLoad {
    QString path;
    QStringList registered; // names of the filters it registered
    QString error;          // empty on success

    bool ok() const { return error.isEmpty(); }
};

// The process-wide catalogue of filters by name: the built-in filters and
// those that plug-ins register.  Used on the main thread.
class EffectRegistry {
public:
    using Constructor = EffectPluginHost::Constructor;

    // The registry of the process, with the built-in filters registered.
    static EffectRegistry &shared();

    // An empty registry (tests; the shared one is what the program uses).
    EffectRegistry();
    ~EffectRegistry();
    EffectRegistry(const EffectRegistry &) = delete;
    EffectRegistry &operator=(const EffectRegistry &) = delete;

    // Registers a filter class.  False when the name is empty or already
    // registered (the first registration stays) or the constructor is empty.
    bool registerFilter(const FilterClassAttributes &attributes, Constructor constructor);

    bool contains(const QString &name) const;
    // A new filter of that name with its defaults set; null for a name that
    // is not registered (or a constructor that fails).
    std::unique_ptr<EffectFilter> create(const QString &name) const;
    // Every registered name, in registration order; or those of a category.
    QStringList filterNames() const;
    QStringList filterNames(const QString &category) const;
    const FilterClassAttributes *classAttributes(const QString &name) const;

    // The name users see for a category (FilterCategory.h), from the
    // "Filters" table.
    static QString categoryDisplayName(const QString &category);

    // Loads a filter plug-in (a shared library, see EffectPluginHost.h) and
    // lets it register its filters.  A plug-in that cannot be loaded, lacks
    // the entry points, was built for another interface version or fails to
    // register is reported in the answer's error and unloaded.
    EffectPluginLoad loadPlugin(const QString &path);
    // Loads every shared library (*.so) directly inside `folder`, in name
    // order; a missing folder loads nothing.
    std::vector<EffectPluginLoad> loadPlugins(const QString &folder);

private:
    class Host;
    struct Entry {
        FilterClassAttributes attributes;
        Constructor constructor;
    };

    const Entry *find(const QString &name) const;

    std::vector<Entry> m_entries;
};

} // namespace scrivane
