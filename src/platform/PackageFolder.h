#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

namespace scrivane {

class WorkBudget;

// A document package as untrusted input: packages come from strangers
// (mail, downloads) and are read by programs nobody started on purpose.
//
// Its entries are the regular files directly inside the folder whose names
// do not begin with "."; links, folders, pipes, devices and hidden files
// are not entries and are never opened.  Nothing is read when the package
// is opened: an entry is read when asked for, once, after its type and size
// were checked on the opened file itself (so that what is read is what was
// checked), and it is charged to the budget when one is given.  A plain
// file (a drawing format that is not a package) is one entry under its own
// name.  Entries can also be given in memory (tests, fuzzing).
class PackageFolder {
public:
    PackageFolder() = default;

    // Lists the package at `path`; nothing with a message when there is no
    // folder or file there, or it cannot be listed.  `path` itself may be
    // a link (the user named it); nothing inside it is followed.
    static std::optional<PackageFolder> open(const QString &path, QString *error = nullptr);

    // The package's path (absolute); empty for one in memory without one.
    const QString &path() const { return m_path; }
    void setPath(const QString &path) { m_path = path; }
    bool isFolder() const { return m_isFolder; }

    QStringList entryNames() const;
    bool contains(const QString &name) const { return m_entries.count(name) != 0; }
    // The size of an entry as listed; -1 for a name that is no entry.
    qint64 entrySize(const QString &name) const;

    // The contents of an entry of at most `maxSize` bytes, or nothing with
    // a message (no such entry, not a regular file any more, too large,
    // over the budget, unreadable).
    std::optional<QByteArray> read(const QString &name, qint64 maxSize, WorkBudget *budget,
                                   QString *error = nullptr) const;
    // The same, for entries read before or given in memory only.
    std::optional<QByteArray> readEntry(const QString &name) const;

    // An entry given in memory.
    void addEntry(const QString &name, const QByteArray &contents);

private:
    struct Entry {
        qint64 size = 0;
        // Read or given; shared between copies of the package.
        std::shared_ptr<std::optional<QByteArray>> contents = std::make_shared<std::optional<QByteArray>>();
    };
    QString fileOf(const QString &name) const;

    QString m_path;
    bool m_isFolder = true;
    std::map<QString, Entry> m_entries;
};

} // namespace scrivane
