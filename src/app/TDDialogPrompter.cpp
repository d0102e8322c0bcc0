#include "app/TDDialogPrompter.h"

#include <QFileDialog>

#include "app/TDDocumentController.h"
#include "app/TDExportPane.h"
#include "app/TDPackageFileDialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

namespace scrivane {

TDPrompter::SaveChangesAnswer TDDialogPrompter::askToSaveChanges(QWidget *window, const QString &displayName)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Scrivane"),
                    QStringLiteral("Do you want to save the changes you made in the document “%1”?")
                        .arg(displayName),
                    QMessageBox::NoButton, window);
    box.setInformativeText(QStringLiteral("Your changes will be lost if you don’t save them."));
    QPushButton *save = box.addButton(QStringLiteral("Save"), QMessageBox::AcceptRole);
    QPushButton *dontSave = box.addButton(QStringLiteral("Don’t Save"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return SaveChangesAnswer::Save;
    if (box.clickedButton() == dontSave)
        return SaveChangesAnswer::DontSave;
    return SaveChangesAnswer::Cancel;
}

bool TDDialogPrompter::askToRevert(QWidget *window, const QString &displayName)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Scrivane"),
                    QStringLiteral("Do you want to revert to the most recently saved version of the document “%1”?")
                        .arg(displayName),
                    QMessageBox::NoButton, window);
    box.setInformativeText(QStringLiteral("Your current changes will be lost."));
    QPushButton *revert = box.addButton(QStringLiteral("Revert"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == revert;
}

TDPrompter::RecoverAnswer TDDialogPrompter::askToRecoverDocument(const QString &displayName,
                                                                 const QString &fileName, const QDateTime &saved)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Scrivane"),
                    QStringLiteral("Scrivane ended without closing the document “%1”. Do you want to restore the "
                                   "copy autosaved %2?")
                        .arg(displayName, QLocale().toString(saved.toLocalTime(), QLocale::ShortFormat)),
                    QMessageBox::NoButton);
    box.setInformativeText(fileName.isEmpty()
                               ? QStringLiteral("The document was never saved. If you discard the copy, it is lost.")
                               : QStringLiteral("The copy holds changes not saved in “%1”. If you discard the copy, "
                                                "they are lost.")
                                     .arg(fileName));
    QPushButton *restore = box.addButton(QStringLiteral("Restore"), QMessageBox::AcceptRole);
    QPushButton *discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    QPushButton *later = box.addButton(QStringLiteral("Decide Later"), QMessageBox::RejectRole);
    box.setDefaultButton(restore);
    box.setEscapeButton(later);
    box.exec();
    if (box.clickedButton() == restore)
        return RecoverAnswer::Restore;
    if (box.clickedButton() == discard)
        return RecoverAnswer::Discard;
    return RecoverAnswer::Later;
}

QStringList TDDialogPrompter::chooseDocumentsToOpen(QWidget *parent, const QString &directory)
{
    TDPackageFileDialog dialog(parent, TDPackageFileDialog::Purpose::OpenDocuments,
                               TDDocumentController::packageExtensions());
    dialog.setDocumentFileExtensions(TDDocumentController::documentFileExtensions());
    if (!directory.isEmpty())
        dialog.setDirectory(directory);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.chosenPaths();
}

QStringList TDDialogPrompter::chooseFilesToImport(QWidget *window, const QString &directory,
                                                  const QStringList &extensions)
{
    QStringList patterns;
    for (const QString &extension : extensions)
        patterns << QStringLiteral("*.") + extension << QStringLiteral("*.") + extension.toUpper();
    return QFileDialog::getOpenFileNames(
        window, QStringLiteral("Import"), directory,
        QStringLiteral("Pictures and drawings (%1);;All files (*)").arg(patterns.join(QLatin1Char(' '))));
}

QString TDDialogPrompter::chooseSavePath(QWidget *window, const QString &suggestedPath)
{
    TDPackageFileDialog dialog(window, TDPackageFileDialog::Purpose::SaveDocument,
                               TDDocumentController::packageExtensions());
    const QFileInfo suggested(suggestedPath);
    if (!suggested.path().isEmpty())
        dialog.setDirectory(suggested.absolutePath());
    dialog.selectFile(suggested.fileName());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.chosenPaths().value(0);
}

QString TDDialogPrompter::chooseExportPath(QWidget *window, const QString &suggestedPath, TDExportPane *pane,
                                           const std::function<QStringList()> &formatChanged)
{
    TDPackageFileDialog dialog(window, TDPackageFileDialog::Purpose::Export,
                               TDDocumentController::packageExtensions());
    const QFileInfo suggested(suggestedPath);
    if (!suggested.path().isEmpty())
        dialog.setDirectory(suggested.absolutePath());
    dialog.selectFile(suggested.fileName());

    // The accessory sits under the dialog's own controls for as long as the
    // dialog is open; the delegate keeps it (and its settings) afterwards.
    QWidget *previousParent = pane->parentWidget();
    if (auto *grid = qobject_cast<QGridLayout *>(dialog.layout()))
        grid->addWidget(pane, grid->rowCount(), 0, 1, grid->columnCount());
    pane->show();
    auto follow = [&] {
        dialog.setAllowedExtensions(formatChanged(), pane->formatPopup()->currentText());
    };
    const QMetaObject::Connection connection = QObject::connect(pane, &TDExportPane::formatChanged, &dialog, follow);
    follow();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    QObject::disconnect(connection);
    pane->hide();
    pane->setParent(previousParent);
    return accepted ? dialog.chosenPaths().value(0) : QString();
}

void TDDialogPrompter::showError(QWidget *window, const QString &message, const QString &details)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Scrivane"), message, QMessageBox::Ok, window);
    box.setInformativeText(details);
    box.exec();
}

} // namespace scrivane
