#include "EffectRegistry.h"

#include "platform/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

#include <exception>

namespace scrivane {

// The registry as a plug-in sees it while registering: it records what was
// registered for the load report.
class EffectRegistry::Host final : public EffectPluginHost {
public:
    explicit Host(EffectRegistry &registry) : m_registry(registry) {}

    int interfaceVersion() const override { return kEffectPluginInterfaceVersion; }

    bool registerFilter(const FilterClassAttributes &attributes, Constructor constructor) override
    {
        if (!m_registry.registerFilter(attributes, std::move(constructor))) {
            m_refused.append(attributes.name);
            return false;
        }
        m_registered.append(attributes.name);
        return true;
    }

    QString localizedString(const QString &table, const QString &key) const override
    {
        return StringTable::lookup(table, key);
    }

    QStringList m_registered;
    QStringList m_refused;

private:
    EffectRegistry &m_registry;
};

EffectPluginLoad EffectRegistry::loadPlugin(const QString &path)
{
    EffectPluginLoad load;
    load.path = path;
    if (!QFileInfo(path).isFile()) {
        load.error = QStringLiteral("The filter plug-in \"%1\" does not exist.").arg(path);
        return load;
    }
    const QByteArray file = QFile::encodeName(path);
    // Local symbols: the plug-in's own copy of the engine must not take the
    // place of the program's, nor the other way round.
    void *handle = dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *why = dlerror();
        load.error = QStringLiteral("The filter plug-in \"%1\" cannot be loaded: %2.")
                         .arg(path, why ? QString::fromLocal8Bit(why) : QStringLiteral("unknown reason"));
        return load;
    }
    using InterfaceFunction = int (*)();
    using RegisterFunction = bool (*)(EffectPluginHost *);
    auto interface = reinterpret_cast<InterfaceFunction>(dlsym(handle, kEffectPluginInterfaceSymbol));
    auto registration = reinterpret_cast<RegisterFunction>(dlsym(handle, kEffectPluginRegisterSymbol));
    if (!interface || !registration) {
        load.error = QStringLiteral("\"%1\" is not a filter plug-in: it lacks the entry points %2 and %3.")
                         .arg(path, QLatin1String(kEffectPluginInterfaceSymbol),
                              QLatin1String(kEffectPluginRegisterSymbol));
        dlclose(handle);
        return load;
    }
    const int version = interface();
    if (version != kEffectPluginInterfaceVersion) {
        load.error =
            QStringLiteral(
                "The filter plug-in \"%1\" was built for interface version %2; this program has version %3.")
                .arg(path)
                .arg(version)
                .arg(kEffectPluginInterfaceVersion);
        dlclose(handle);
        return load;
    }

    Host host(*this);
    bool registered = false;
    try {
        registered = registration(&host);
    } catch (const std::exception &) {
        registered = false;
    }
    load.registered = host.m_registered;
    if (!registered || !host.m_refused.isEmpty()) {
        load.error =
            host.m_refused.isEmpty()
                ? QStringLiteral("The filter plug-in \"%1\" failed to register its filters.").arg(path)
                : QStringLiteral("The filter plug-in \"%1\" registers names that are already taken: %2.")
                      .arg(path, host.m_refused.join(QStringLiteral(", ")));
    }
    // Filters it registered (if any) use its code from now on, so it stays
    // loaded whatever else happened.
    if (host.m_registered.isEmpty())
        dlclose(handle);
    return load;
}

std::vector<EffectPluginLoad> EffectRegistry::loadPlugins(const QString &folder)
{
    std::vector<EffectPluginLoad> loads;
    const QDir dir(folder);
    if (!dir.exists())
        return loads;
    const QStringList files = dir.entryList({QStringLiteral("*.so")}, QDir::Files, QDir::Name);
    for (const QString &file : files)
        loads.push_back(loadPlugin(dir.filePath(file)));
    return loads;
}

} // namespace scrivane
