#pragma once

#include "app/TDPrompter.h"

namespace scrivane {

// The document machinery's questions as message boxes and file dialogs.
class TDDialogPrompter : public TDPrompter {
public:
    SaveChangesAnswer askToSaveChanges(QWidget *window, const QString &displayName) override;
    bool askToRevert(QWidget *window, const QString &displayName) override;
    QStringList chooseDocumentsToOpen(QWidget *parent, const QString &directory) override;
    QStringList chooseFilesToImport(QWidget *window, const QString &directory,
                                    const QStringList &extensions) override;
    QString chooseSavePath(QWidget *window, const QString &suggestedPath) override;
    QString chooseExportPath(QWidget *window, const QString &suggestedPath, TDExportPane *pane,
                             const std::function<QStringList()> &formatChanged) override;
    RecoverAnswer askToRecoverDocument(const QString &displayName, const QString &fileName,
                                       const QDateTime &saved) override;
    void showError(QWidget *window, const QString &message, const QString &details) override;
};

} // namespace scrivane
