#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace scrivane {

// The file operations a package save is made of, behind one interface so
// that tests can make any of them fail.  Each answers false with a message
// in `error` when it fails.
class TDPackageFileSystem {
public:
    virtual ~TDPackageFileSystem() = default;

    // The operations of the machine's file system.
    static TDPackageFileSystem &standard();

    // Creates one folder; fails when something stands at the path.
    virtual bool makeDirectory(const QString &path, QString *error);
    // Writes a new file and flushes it to the disk.
    virtual bool writeFile(const QString &path, const QByteArray &data, QString *error);
    // Copies a file (flushed to the disk).
    virtual bool copyFile(const QString &from, const QString &to, QString *error);
    // Renames a file or folder within one file system; fails when something
    // stands at the target.
    virtual bool rename(const QString &from, const QString &to, QString *error);
    // Removes a file or a folder with everything inside.
    virtual bool removeRecursively(const QString &path, QString *error);
    // Flushes a folder's entries to the disk.
    virtual bool syncDirectory(const QString &path, QString *error);

    // Not failure points: questions about what exists.
    virtual bool exists(const QString &path) const;
    virtual bool isDirectory(const QString &path) const;
    // The names inside a folder (hidden ones too).
    virtual QStringList entries(const QString &path) const;
};

} // namespace scrivane
