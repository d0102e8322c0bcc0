#pragma once

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace scrivane {

// The autosaved copy of one open document, and the copies that sessions
// which ended without closing their documents left behind.
//
// A copy is a package with a name no other has, in the autosave folder,
// beside a record of the document it belongs to and a lock file.  The
// program that owns a copy holds a lock on that file as long as the
// document is open; the system lets go of it when the program ends, however
// it ends (a crash, kill -9), so a copy whose lock can be taken belongs to
// nobody: its document was not closed cleanly, and the copy may be offered
// back.  A document closed cleanly takes its copy with it (discard).
class TDAutosavedCopy {
public:
    // What the copy is a copy of, as it stood at the last autosave.
    struct Record {
        QString fileName;    // the document's package; empty if never saved
        QString displayName; // what its window was titled
        QString fileType;    // the document type it is saved as
        QDateTime saved;     // when the copy was written
    };

    // The extension of the copies (the current package's).
    static const QString CopyExtension;

    ~TDAutosavedCopy();
    TDAutosavedCopy(const TDAutosavedCopy &) = delete;
    TDAutosavedCopy &operator=(const TDAutosavedCopy &) = delete;

    // A new copy's place in the folder (made when missing), held by this
    // program; nothing when the folder cannot be written (the reason goes
    // to `error`).
    static std::unique_ptr<TDAutosavedCopy> create(const QString &folder, QString *error = nullptr);
    // The copies in the folder that no running program holds, now held by
    // this one, oldest first.  Leftovers of a copy without its package are
    // removed on the way.
    static std::vector<std::unique_ptr<TDAutosavedCopy>> abandoned(const QString &folder);

    // Where the document is autosaved to.
    QString packagePath() const;
    bool hasPackage() const;
    // The record, as last written; nothing when there is none or it cannot
    // be read.
    std::optional<Record> record() const;
    bool writeRecord(const Record &record, QString *error = nullptr);

    // The document was saved (or read again): its copy and record go, the
    // place stays held for the next autosave.
    void removeContents();
    // The document closed, or the user dropped the copy: everything goes.
    void discard();

private:
    TDAutosavedCopy(QString stem, int lockDescriptor);
    QString lockPath() const;
    QString recordPath() const;

    // The folder and the unique name, without extension.
    QString m_stem;
    int m_lock = -1;
};

} // namespace scrivane
