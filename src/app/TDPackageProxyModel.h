#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>

namespace scrivane {

// The file list of the open and save dialogs: document packages are
// folders on disk but show as documents (with a document icon), and in the
// open dialog plain files that are no documents are hidden.
class TDPackageProxyModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit TDPackageProxyModel(const QStringList &packageExtensions, QObject *parent = nullptr);

    // Shows plain files as well (saving and exporting).
    void setShowsFiles(bool shows);
    bool showsFiles() const { return m_showsFiles; }
    // Plain files with these extensions are documents too (drawings of
    // other programs that open as documents): they show in the open dialog.
    void setFileExtensions(const QStringList &extensions);
    bool isDocumentFile(const QString &path) const;

    bool isPackage(const QString &path) const;
    static bool isPackage(const QString &path, const QStringList &extensions);

    QVariant data(const QModelIndex &index, int role) const override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QStringList m_extensions;
    QStringList m_fileExtensions;
    bool m_showsFiles = false;
};

} // namespace scrivane
