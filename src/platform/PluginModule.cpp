#include "PluginModule.h"

#include "platform/PluginUUID.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace scrivane {

namespace {
void setError(QString *error, const QString &message)
{
    if (error)
        *error = message;
}
} // namespace

std::unique_ptr<PluginModule> PluginModule::load(const QString &path, QString *error)
{
    if (!QFileInfo(path).isFile()) {
        setError(error, QStringLiteral("The plug-in “%1” does not exist.").arg(path));
        return nullptr;
    }
    // Local symbols: the module's own copies of Scrivane's libraries must
    // not take the place of the program's, nor the other way round.
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *why = dlerror();
        setError(error, QStringLiteral("The plug-in “%1” cannot be loaded: %2")
                            .arg(path, why ? QString::fromLocal8Bit(why) : QStringLiteral("unknown reason")));
        return nullptr;
    }
    return std::unique_ptr<PluginModule>(new PluginModule(path, handle));
}

QString PluginModule::findBesideProgram(const QString &fileName, const QStringList &folders)
{
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (program.isEmpty())
        return QString();
    const QDir programFolder = QFileInfo(program).dir();
    for (const QString &folder : folders) {
        const QString candidate = QDir::cleanPath(programFolder.filePath(folder) + QLatin1Char('/') + fileName);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return QString();
}

void *PluginModule::symbol(const char *name) const
{
    return dlsym(m_handle, name);
}

void *PluginModule::create(const char *factoryName, const QUuid &type, const QUuid &interfaceID,
                           QString *error) const
{
    const auto factory = reinterpret_cast<PluginFactoryFunction>(symbol(factoryName));
    if (!factory) {
        setError(error, QStringLiteral("“%1” is not a plug-in of this kind: it has no factory “%2”.")
                            .arg(m_path, QLatin1String(factoryName)));
        return nullptr;
    }
    const PluginUUIDBytes typeBytes = PluginUUID::bytes(type);
    void *instance = factory(nullptr, &typeBytes);
    if (!instance) {
        setError(error, QStringLiteral("The plug-in “%1” makes no instance of the type %2.")
                            .arg(m_path, type.toString(QUuid::WithoutBraces)));
        return nullptr;
    }
    auto **base = static_cast<PluginBaseInterface **>(instance);
    void *result = nullptr;
    const PluginResult status = (*base)->QueryInterface(instance, PluginUUID::bytes(interfaceID), &result);
    // The factory's own reference goes; a successful query holds another.
    (*base)->Release(instance);
    if (status != PluginOK || !result) {
        setError(error, QStringLiteral("The plug-in “%1” lacks the interface %2.")
                            .arg(m_path, interfaceID.toString(QUuid::WithoutBraces)));
        return nullptr;
    }
    return result;
}

} // namespace scrivane
