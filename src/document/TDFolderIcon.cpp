#include "document/TDFolderIcon.h"

#include "document/TDPackageFileSystem.h"

#include <QBuffer>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace scrivane {

const QString TDFolderIcon::ImageName = QStringLiteral(".scrivane-icon.png");
const QString TDFolderIcon::DirectoryEntryName = QStringLiteral(".directory");

QByteArray TDFolderIcon::directoryEntry()
{
    // A path relative to the folder keeps naming the picture when the
    // package is moved or copied.
    return QByteArrayLiteral("[Desktop Entry]\nIcon=./") + ImageName.toUtf8() + '\n';
}

bool TDFolderIcon::write(TDPackageFileSystem &fs, const QString &folder, const QImage &icon, int fileMode,
                         QString *error)
{
    if (icon.isNull()) {
        if (error)
            *error = QStringLiteral("there is no picture to show");
        return false;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!icon.save(&buffer, "PNG")) {
        if (error)
            *error = QStringLiteral("the picture could not be encoded");
        return false;
    }
    const QDir dir(folder);
    return fs.writeFile(dir.filePath(ImageName), png, fileMode, error) &&
           fs.writeFile(dir.filePath(DirectoryEntryName), directoryEntry(), fileMode, error);
}

QStringList TDFolderIcon::metadataCommand(const QString &folder)
{
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (gio.isEmpty())
        return {};
    const QString image = QDir(folder).absoluteFilePath(ImageName);
    return {gio, QStringLiteral("set"), QDir(folder).absolutePath(), QStringLiteral("metadata::custom-icon"),
            QUrl::fromLocalFile(image).toString(QUrl::FullyEncoded)};
}

bool TDFolderIcon::publishMetadata(const QString &folder)
{
    QStringList command = metadataCommand(folder);
    if (command.isEmpty())
        return false;
    const QString program = command.takeFirst();
    // Where the desktop keeps no file metadata the program fails, which
    // changes nothing: the ".directory" entry still names the picture.
    return QProcess::startDetached(program, command);
}

} // namespace scrivane
