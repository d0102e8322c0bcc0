#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace scrivane {

class TDExportPane;

// The questions the document machinery asks the user, and its error
// reports.  The application answers them with dialogs (TDDialogPrompter);
// tests answer them in code.
class TDPrompter {
public:
    enum class SaveChangesAnswer { Save, DontSave, Cancel };
    enum class RecoverAnswer { Restore, Discard, Later };

    virtual ~TDPrompter() = default;

    // Unsaved changes of the document are about to be lost (closing or
    // quitting).
    virtual SaveChangesAnswer askToSaveChanges(QWidget *window, const QString &displayName) = 0;
    // Whether the document's changes since the last save may be dropped.
    virtual bool askToRevert(QWidget *window, const QString &displayName) = 0;
    // Document packages to open; empty when cancelled.
    virtual QStringList chooseDocumentsToOpen(QWidget *parent, const QString &directory) = 0;
    // Pictures and drawings to import, of the given extensions; empty when
    // cancelled.
    virtual QStringList chooseFilesToImport(QWidget *window, const QString &directory,
                                            const QStringList &extensions) = 0;
    // Where to save a document (ending in the package extension); empty
    // when cancelled.
    virtual QString chooseSavePath(QWidget *window, const QString &suggestedPath) = 0;
    // Where to export, with the export accessory shown; `formatChanged`
    // answers the allowed extensions (empty: any name) whenever the
    // accessory's format or scope changes.  Empty when cancelled.
    virtual QString chooseExportPath(QWidget *window, const QString &suggestedPath, TDExportPane *pane,
                                     const std::function<QStringList()> &formatChanged) = 0;
    // A copy autosaved by a session that ended without closing the
    // document: open it again, delete it, or decide at the next start.
    // `fileName` is the document's package (empty when it was never saved).
    virtual RecoverAnswer askToRecoverDocument(const QString &displayName, const QString &fileName,
                                               const QDateTime &saved) = 0;
    // `message` says what failed, `details` why (the document's lastError()).
    virtual void showError(QWidget *window, const QString &message, const QString &details) = 0;
};

} // namespace scrivane
