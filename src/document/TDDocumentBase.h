#pragma once

#include <QString>

namespace scrivane {

// What a document needs of a document framework, kept small: where it lives
// on disk and as what type, whether it has unsaved changes, and the save,
// save as, save to, revert and autosave operations, each of which ends in
// the two hooks a subclass writes (writeToFile, readFromFile).  Windows,
// panels and alerts belong to the application: every operation here answers
// true or false and leaves its reason in lastError().
class TDDocumentBase {
public:
    enum class SaveOperation { Save, SaveAs, SaveTo, Autosave };
    // How the change count moves: an edit done, undone or redone, the
    // document saved or read (cleared), or autosaved.
    enum class ChangeKind { Done, Undone, Redone, Cleared, Autosaved };

    // The autosave period in seconds of the application's timer.
    static constexpr int autosaveDelay = 300;

    TDDocumentBase() = default;
    virtual ~TDDocumentBase() = default;
    TDDocumentBase(const TDDocumentBase &) = delete;
    TDDocumentBase &operator=(const TDDocumentBase &) = delete;

    // The package path; empty for a document never saved.
    const QString &fileName() const { return m_fileName; }
    void setFileName(const QString &path) { m_fileName = path; }
    const QString &fileType() const { return m_fileType; }
    void setFileType(const QString &type) { m_fileType = type; }
    // The file name without folder and extension, or "Untitled".
    virtual QString displayName() const;

    // Unsaved changes: edits since the last save or read, counting undos
    // back.  updateChangeCount is the one door through which the count
    // moves; a subclass may refuse calls (and then calls
    // TDDocumentBase::updateChangeCount itself where it must).
    bool isDocumentEdited() const { return m_changeCount != 0; }
    int changeCount() const { return m_changeCount; }
    virtual void updateChangeCount(ChangeKind kind);
    bool hasUnautosavedChanges() const { return m_unautosaved; }

    // Saves to fileName() as fileType(); false without a file name.
    bool saveDocument();
    // Saves under a new name and type, which the document takes on success.
    bool saveDocumentAs(const QString &path, const QString &type);
    // Writes a copy; the document keeps its name and its changes.
    bool saveDocumentTo(const QString &path, const QString &type);
    // Reads the document back from the copy autosaved before a session
    // ended without closing it: it takes the name and type of the document
    // it is a copy of (empty for one never saved), keeps autosaving to the
    // copy, and has unsaved changes (the copy's are not in its file).
    bool readFromAutosavedFile(const QString &autosavedPath, const QString &readType, const QString &fileName,
                               const QString &fileType);
    // Reads the document from a file; on success it takes the file's name
    // and type and is clean.
    bool readFromFile(const QString &path, const QString &type);
    // Reads fileName() again.  A revert that fails leaves the document as it
    // was (the subclass's reader promises that).
    bool revertDocumentToSaved();

    // Autosave: the copy written by autosaveDocument, by default in the
    // user's data folder ("Autosave Information"), named after the
    // document.  Nothing is written while there are no unautosaved changes.
    QString autosavedContentsFileName() const;
    void setAutosavedContentsFileName(const QString &path) { m_autosavePath = path; }
    bool autosaveDocument();

    // Why the last operation failed.
    const QString &lastError() const { return m_lastError; }

protected:
    // Writes the document to `path`.  `originalFile` is the package being
    // replaced by a plain save (else empty).
    virtual bool writeToFile(const QString &path, const QString &type, const QString &originalFile,
                             SaveOperation operation) = 0;
    // Reads the document from `path` (a package folder or a file).
    virtual bool readFromPath(const QString &path, const QString &type) = 0;
    void setLastError(const QString &error) { m_lastError = error; }

private:
    bool save(const QString &path, const QString &type, SaveOperation operation);

    QString m_fileName;
    QString m_fileType;
    QString m_autosavePath;
    QString m_lastError;
    int m_changeCount = 0;
    bool m_unautosaved = false;
};

} // namespace scrivane
