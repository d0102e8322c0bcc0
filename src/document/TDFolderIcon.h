#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace scrivane {

class TDPackageFileSystem;

// The picture a file manager shows for a document package, which is a
// folder: a hidden PNG inside the package and a hidden ".directory" entry
// naming it (read by file managers that follow the desktop-entry
// convention for folders), written through the package's file system so
// that a save can put them into the new package before it takes the old
// one's place.  File managers that keep such pictures in the desktop's
// file metadata instead are told by the application (see metadataCommand).
//
// Both entries are hidden: the package reader never reads hidden entries,
// so they never become images of the drawing.
class TDFolderIcon {
public:
    // ".scrivane-icon.png" and ".directory".
    static const QString ImageName;
    static const QString DirectoryEntryName;
    static QStringList entryNames() { return {ImageName, DirectoryEntryName}; }

    // The ".directory" text naming the picture beside it.
    static QByteArray directoryEntry();

    // Writes the picture and the entry naming it into `folder`, which must
    // not hold them yet.  False with a message when either cannot be
    // written; the picture stays when only the entry failed (a hidden PNG
    // nobody names harms nothing).
    static bool write(TDPackageFileSystem &fs, const QString &folder, const QImage &icon, int fileMode,
                      QString *error);

    // The program and arguments that record the picture of `folder` in the
    // desktop's file metadata ("gio set ... metadata::custom-icon"), or an
    // empty list when the machine has no such program.
    static QStringList metadataCommand(const QString &folder);
    // Runs it without waiting for it; false when there is nothing to run.
    static bool publishMetadata(const QString &folder);
};

} // namespace scrivane
