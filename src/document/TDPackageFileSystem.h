#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace scrivane {

// The file operations a package save is made of, behind one interface so
// that tests can make any of them fail (or stop, as a crash would).  Each
// answers false with a message in `error` when it fails.
//
// None of them follows a symbolic link at the path it is given, apart from
// the folders that lead to it: a package received from someone else may
// hold links to anything on the machine, and a save must neither read
// through them nor replace what they point to.  Modes are given before the
// user's umask applies, so what is made is never wider than the user's
// usual permissions.
class TDPackageFileSystem {
public:
    enum class EntryKind { Missing, File, Directory, Link, Other };
    static constexpr int UsualFileMode = 0666;
    static constexpr int UsualFolderMode = 0777;

    virtual ~TDPackageFileSystem() = default;

    // The operations of the machine's file system.
    static TDPackageFileSystem &standard();

    // Creates one folder with `mode`; fails when something stands at the
    // path.
    virtual bool makeDirectory(const QString &path, int mode, QString *error);
    // Writes a new file with `mode` and flushes it to the disk.
    virtual bool writeFile(const QString &path, const QByteArray &data, int mode, QString *error);
    // Copies a regular file, flushed to the disk, with at most the source's
    // permissions.  A link, a folder, a pipe or a device at `from` is
    // refused, never read.  The copy is streamed: holes of a sparse file
    // stay holes and nothing is held in memory whole.
    virtual bool copyFile(const QString &from, const QString &to, QString *error);
    // Renames a file or folder within one file system; fails when something
    // stands at the target.
    virtual bool rename(const QString &from, const QString &to, QString *error);
    // Swaps two entries of one file system in one step: after it, each
    // stands where the other stood, and no moment passes with either path
    // empty.  `unsupported` is set when the file system cannot do this (the
    // caller then has to do with two renames).
    virtual bool exchange(const QString &first, const QString &second, QString *error, bool *unsupported);
    // Sets the permission bits of a file or folder (never of a link),
    // narrowed by the umask like those of what is made.
    virtual bool setPermissions(const QString &path, int mode, QString *error);
    // Removes a file, a link (not what it points to) or a folder with
    // everything inside.  Folders of the user's own that were made
    // read-only are made writable to be emptied.
    virtual bool removeRecursively(const QString &path, QString *error);
    // Flushes a folder's entries to the disk.
    virtual bool syncDirectory(const QString &path, QString *error);

    // Not failure points: questions about what exists, without following a
    // link at the path.
    virtual EntryKind kind(const QString &path) const;
    bool exists(const QString &path) const { return kind(path) != EntryKind::Missing; }
    bool isDirectory(const QString &path) const { return kind(path) == EntryKind::Directory; }
    // The permission bits of what stands at the path.
    virtual std::optional<int> mode(const QString &path) const;
    // Whether the user may change the folder's entries.
    virtual bool isWritable(const QString &path) const;
    // The names inside a folder (hidden ones too).
    virtual QStringList entries(const QString &path) const;
};

} // namespace scrivane
