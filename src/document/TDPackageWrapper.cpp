#include "document/TDPackageWrapper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace scrivane {

std::optional<TDPackageWrapper> TDPackageWrapper::read(const QString &path, QString *error)
{
    auto fail = [error](const QString &message) -> std::optional<TDPackageWrapper> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("There is no document at “%1”.").arg(path));
    TDPackageWrapper wrapper;
    wrapper.m_path = info.absoluteFilePath();
    auto readFile = [&](const QString &file, const QString &name) {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            return false;
        wrapper.m_entries[name] = in.readAll();
        return in.error() == QFileDevice::NoError;
    };
    if (info.isFile()) {
        wrapper.m_isPackage = false;
        if (!readFile(path, info.fileName()))
            return fail(QStringLiteral("The file “%1” cannot be read.").arg(path));
        return wrapper;
    }
    const QDir folder(path);
    if (!folder.isReadable())
        return fail(QStringLiteral("The document package “%1” cannot be read.").arg(path));
    const QFileInfoList entries =
        folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink() || !entry.isFile())
            continue;
        if (!readFile(entry.absoluteFilePath(), entry.fileName()))
            return fail(QStringLiteral("The file “%1” of the document package cannot be read.")
                            .arg(entry.fileName()));
    }
    return wrapper;
}

QStringList TDPackageWrapper::entryNames() const
{
    QStringList names;
    for (const auto &[name, contents] : m_entries)
        names.append(name);
    return names;
}

std::optional<QByteArray> TDPackageWrapper::contentsOfEntry(const QString &name) const
{
    const auto it = m_entries.find(name);
    if (it == m_entries.end())
        return std::nullopt;
    return it->second;
}

} // namespace scrivane
