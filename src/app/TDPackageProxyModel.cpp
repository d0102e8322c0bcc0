#include "app/TDPackageProxyModel.h"

#include <QApplication>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QStyle>

namespace scrivane {

TDPackageProxyModel::TDPackageProxyModel(const QStringList &packageExtensions, QObject *parent)
    : QSortFilterProxyModel(parent), m_extensions(packageExtensions)
{
}

void TDPackageProxyModel::setShowsFiles(bool shows)
{
    if (shows == m_showsFiles)
        return;
    m_showsFiles = shows;
    invalidateFilter();
}

void TDPackageProxyModel::setFileExtensions(const QStringList &extensions)
{
    m_fileExtensions = extensions;
    invalidateFilter();
}

bool TDPackageProxyModel::isDocumentFile(const QString &path) const
{
    const QFileInfo info(path);
    return info.isFile() && m_fileExtensions.contains(info.suffix(), Qt::CaseInsensitive);
}

bool TDPackageProxyModel::isPackage(const QString &path, const QStringList &extensions)
{
    const QFileInfo info(path);
    return info.isDir() && extensions.contains(info.suffix(), Qt::CaseInsensitive);
}

bool TDPackageProxyModel::isPackage(const QString &path) const
{
    return isPackage(path, m_extensions);
}

QVariant TDPackageProxyModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DecorationRole && index.column() == 0) {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (files && isPackage(files->filePath(mapToSource(index))))
            return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    }
    return QSortFilterProxyModel::data(index, role);
}

bool TDPackageProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_showsFiles)
        return true;
    const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
    if (!files)
        return true;
    // Folders (packages among them) stay; plain files are no documents,
    // unless they are drawings that open as documents.
    const QModelIndex index = files->index(sourceRow, 0, sourceParent);
    return files->isDir(index) ||
           (!m_fileExtensions.isEmpty() && m_fileExtensions.contains(files->fileInfo(index).suffix(),
                                                                     Qt::CaseInsensitive));
}

} // namespace scrivane
