#include "app/TDPackageFileDialog.h"

#include "app/TDPackageProxyModel.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

namespace scrivane {

TDPackageFileDialog::TDPackageFileDialog(QWidget *parent, Purpose purpose, const QStringList &packageExtensions)
    : QFileDialog(parent), m_purpose(purpose), m_extensions(packageExtensions),
      m_proxy(new TDPackageProxyModel(packageExtensions, this))
{
    // The platform's own dialog would enter packages like any folder.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::DontConfirmOverwrite, true);
    m_proxy->setShowsFiles(purpose == Purpose::Export);
    setProxyModel(m_proxy);

    QStringList patterns;
    for (const QString &extension : packageExtensions)
        patterns << QStringLiteral("*.") + extension;
    const QString documents = QStringLiteral("Scrivane documents (%1)").arg(patterns.join(QLatin1Char(' ')));
    switch (purpose) {
    case Purpose::OpenDocuments:
        setWindowTitle(QStringLiteral("Open"));
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(QFileDialog::ExistingFiles);
        setNameFilter(documents);
        break;
    case Purpose::SaveDocument:
        setWindowTitle(QStringLiteral("Save"));
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setNameFilter(documents);
        break;
    case Purpose::Export:
        setWindowTitle(QStringLiteral("Export"));
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setLabelText(QFileDialog::Accept, QStringLiteral("Export"));
        break;
    }
    confirmReplace = [this](const QString &path) {
        const QString name = QFileInfo(path).fileName();
        return QMessageBox::warning(this, windowTitle(),
                                    QStringLiteral("“%1” already exists. Do you want to replace it?").arg(name),
                                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
    };
    connect(this, &QFileDialog::directoryEntered, this, &TDPackageFileDialog::onDirectoryEntered);
}

bool TDPackageFileDialog::isPackage(const QString &path) const
{
    return TDPackageProxyModel::isPackage(path, m_extensions);
}

void TDPackageFileDialog::setDocumentFileExtensions(const QStringList &extensions)
{
    m_proxy->setFileExtensions(extensions);
    QStringList patterns;
    for (const QString &extension : m_extensions + extensions)
        patterns << QStringLiteral("*.") + extension;
    setNameFilter(QStringLiteral("Drawings (%1)").arg(patterns.join(QLatin1Char(' '))));
}

void TDPackageFileDialog::setAllowedExtensions(const QStringList &extensions, const QString &formatName)
{
    m_allowed = extensions;
    if (extensions.isEmpty()) {
        setNameFilter(QStringLiteral("%1 (*)").arg(formatName));
        setDefaultSuffix(QString());
        return;
    }
    QStringList patterns;
    for (const QString &extension : extensions)
        patterns << QStringLiteral("*.") + extension;
    setNameFilter(QStringLiteral("%1 (%2)").arg(formatName, patterns.join(QLatin1Char(' '))));
    setDefaultSuffix(extensions.first());
    // The name typed so far follows the format.
    if (auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) {
        const QString typed = edit->text();
        if (!typed.isEmpty()) {
            const QFileInfo info(typed);
            QString base = info.suffix().isEmpty() ? typed : info.completeBaseName();
            if (!info.path().isEmpty() && info.path() != QStringLiteral("."))
                base = QDir(info.path()).filePath(base);
            edit->setText(base + QLatin1Char('.') + extensions.first());
        }
    }
}

QString TDPackageFileDialog::withExtension(const QString &path, const QStringList &allowed)
{
    if (allowed.isEmpty())
        return path;
    const QString suffix = QFileInfo(path).suffix();
    if (allowed.contains(suffix, Qt::CaseInsensitive))
        return path;
    return path + QLatin1Char('.') + allowed.first();
}

void TDPackageFileDialog::onDirectoryEntered(const QString &directory)
{
    // A package was opened like a folder: step back out and choose it.
    if (m_accepting || !isPackage(directory) || m_purpose == Purpose::Export)
        return;
    const QFileInfo package(directory);
    setDirectory(package.absolutePath());
    selectFile(package.fileName());
    if (acceptPaths({package.absoluteFilePath()}))
        QDialog::accept();
}

void TDPackageFileDialog::accept()
{
    QStringList paths = selectedFiles();
    if (paths.isEmpty())
        return;
    // An ordinary folder is entered, as in any file dialog.
    if (paths.size() == 1) {
        const QFileInfo info(paths.first());
        if (info.isDir() && !isPackage(info.absoluteFilePath())) {
            setDirectory(info.absoluteFilePath());
            if (auto *edit = findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                edit->clear();
            return;
        }
    }
    if (acceptPaths(paths))
        QDialog::accept();
}

bool TDPackageFileDialog::acceptPaths(const QStringList &paths)
{
    m_accepting = true;
    QStringList chosen;
    bool ok = true;
    switch (m_purpose) {
    case Purpose::OpenDocuments:
        for (const QString &path : paths) {
            if (!isPackage(path) && !m_proxy->isDocumentFile(path)) {
                ok = false;
                break;
            }
            chosen << QFileInfo(path).absoluteFilePath();
        }
        break;
    case Purpose::SaveDocument:
    case Purpose::Export: {
        const QStringList allowed = m_purpose == Purpose::SaveDocument ? QStringList{m_extensions.value(0)} : m_allowed;
        const QString path = QFileInfo(withExtension(paths.first(), allowed)).absoluteFilePath();
        const QFileInfo target(path);
        if (target.exists()) {
            // A folder that is no document is never replaced by one.
            if (target.isDir() && !isPackage(path))
                ok = false;
            else
                ok = !confirmReplace || confirmReplace(path);
        }
        if (ok)
            chosen << path;
        break;
    }
    }
    m_accepting = false;
    if (ok)
        m_chosen = chosen;
    return ok;
}

} // namespace scrivane
