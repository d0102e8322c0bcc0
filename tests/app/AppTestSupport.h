#pragma once

// Shared pieces of the application tests: a prompter that answers the
// document machinery's questions from a script and records what was asked,
// and a fixture with a running delegate and document controller whose
// settings and autosaved copies live in a fresh folder.

#include "app/TDAppDelegate.h"
#include "app/TDDocumentController.h"
#include "app/TDDocumentWindow.h"
#include "app/TDPrompter.h"
#include "document/TDDocument.h"
#include "model/TDGraphic.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>

#include <gtest/gtest.h>

namespace scrivane::apptest {

// A rectangle over the rectangle, added to the document's current layer as
// one undoable input event (so the document counts a change).
std::shared_ptr<TDGraphic> addRectangleAsOneStep(TDDocument *document, const Rect &rect);

class ScriptedPrompter : public TDPrompter {
public:
    // The answers, taken in order; an empty queue answers Cancel, no,
    // nothing chosen, later.
    std::deque<SaveChangesAnswer> saveChangesAnswers;
    std::deque<bool> revertAnswers;
    std::deque<QStringList> openAnswers;
    std::deque<QStringList> importAnswers;
    std::deque<QString> savePathAnswers;
    std::deque<QString> exportPathAnswers;
    std::deque<RecoverAnswer> recoverAnswers;

    // What was asked.
    QStringList saveChangesAsked; // display names
    int revertsAsked = 0;
    QStringList suggestedSavePaths;
    QStringList errors; // message, then details
    QStringList recoveriesAsked; // display names

    SaveChangesAnswer askToSaveChanges(QWidget *, const QString &displayName) override;
    bool askToRevert(QWidget *, const QString &) override;
    QStringList chooseDocumentsToOpen(QWidget *, const QString &) override;
    QStringList chooseFilesToImport(QWidget *, const QString &, const QStringList &extensions) override;
    QString chooseSavePath(QWidget *, const QString &suggestedPath) override;
    QString chooseExportPath(QWidget *, const QString &, TDExportPane *,
                             const std::function<QStringList()> &formatChanged) override;
    RecoverAnswer askToRecoverDocument(const QString &displayName, const QString &fileName,
                                       const QDateTime &saved) override;
    void showError(QWidget *, const QString &message, const QString &details) override;

    // The extensions the import dialog was last offered.
    QStringList importExtensions;
    // The allowed extensions the export dialog was last told.
    QStringList exportExtensions;
};

// A delegate and a controller as the program has them, with the defaults
// registered; each test starts with its own settings, autosave folder and
// working folder.
class AppFixture : public ::testing::Test {
protected:
    AppFixture();
    ~AppFixture() override;

    // A rectangle over the rectangle, added to the current layer as one
    // undoable input event (so the document counts a change).
    std::shared_ptr<TDGraphic> addRectangle(TDDocument *document, const Rect &rect);
    static size_t graphicCount(const TDDocument *document);
    QString pathIn(const QString &name) const;

    QString folder;
    ScriptedPrompter *prompter = nullptr; // owned by the controller
    std::unique_ptr<TDAppDelegate> delegate;
    std::unique_ptr<TDDocumentController> controller;
};

} // namespace scrivane::apptest
