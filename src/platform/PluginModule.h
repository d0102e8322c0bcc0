#pragma once

#include "platform/PluginInterface.h"

#include <QString>
#include <QStringList>
#include <QUuid>

#include <memory>
#include <utility>

namespace scrivane {

// One reference to a plug-in instance seen through the interface table
// `Interface` (a struct that begins with SCRIVANE_PLUGIN_BASE_INTERFACE);
// the reference is released when this goes.
template <class Interface>
class PluginInstance {
public:
    PluginInstance() = default;
    explicit PluginInstance(Interface **instance) : m_instance(instance) {}
    PluginInstance(PluginInstance &&other) noexcept : m_instance(std::exchange(other.m_instance, nullptr)) {}
    PluginInstance &operator=(PluginInstance &&other) noexcept
    {
        if (this != &other) {
            reset();
            m_instance = std::exchange(other.m_instance, nullptr);
        }
        return *this;
    }
    PluginInstance(const PluginInstance &) = delete;
    PluginInstance &operator=(const PluginInstance &) = delete;
    ~PluginInstance() { reset(); }

    explicit operator bool() const { return m_instance != nullptr; }
    // The instance pointer the interface's functions take first.
    void *get() const { return m_instance; }
    const Interface *operator->() const { return *m_instance; }
    void reset()
    {
        if (m_instance)
            (*m_instance)->Release(m_instance);
        m_instance = nullptr;
    }

private:
    Interface **m_instance = nullptr;
};

// A plug-in module loaded by path.  Its symbols stay local to it, and it
// stays loaded for the life of the process: what it registered with the
// libraries both sides share (Qt, cairo) may outlive its instances.
class PluginModule {
public:
    // The module at `path`, or nothing with a message.
    static std::unique_ptr<PluginModule> load(const QString &path, QString *error = nullptr);

    // The path of `fileName` in the first of `folders` (relative to the
    // folder of the running program) that holds it; empty when none does.
    static QString findBesideProgram(const QString &fileName, const QStringList &folders);

    const QString &path() const { return m_path; }
    // An exported symbol, or null.
    void *symbol(const char *name) const;

    // Makes an instance of `type` through the factory exported as
    // `factoryName` and asks it for `interfaceID`; nothing, with a
    // message, when the module has no such factory, the factory makes no
    // such type or the instance lacks the interface.
    template <class Interface>
    PluginInstance<Interface> createInstance(const char *factoryName, const QUuid &type, const QUuid &interfaceID,
                                             QString *error = nullptr) const
    {
        return PluginInstance<Interface>(static_cast<Interface **>(create(factoryName, type, interfaceID, error)));
    }

private:
    explicit PluginModule(QString path, void *handle) : m_path(std::move(path)), m_handle(handle) {}
    void *create(const char *factoryName, const QUuid &type, const QUuid &interfaceID, QString *error) const;

    QString m_path;
    void *m_handle;
};

} // namespace scrivane
