#include "document/TDPackageWrapper.h"

#include <QDebug>

namespace scrivane {

std::optional<TDPackageWrapper> TDPackageWrapper::read(const QString &path, QString *error)
{
    auto folder = PackageFolder::open(path, error);
    if (!folder)
        return std::nullopt;
    return TDPackageWrapper(std::move(*folder));
}

std::optional<QByteArray> TDPackageWrapper::contentsOfEntry(const QString &name) const
{
    if (!m_folder.contains(name))
        return std::nullopt;
    QString error;
    auto contents = m_folder.read(name, MaximumImageFileSize, m_budget.get(), &error);
    if (!contents)
        qWarning().noquote() << QStringLiteral("An entry of the document package was not read: %1").arg(error);
    return contents;
}

} // namespace scrivane
