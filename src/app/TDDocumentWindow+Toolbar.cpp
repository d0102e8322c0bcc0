// The document toolbar's customisation and its Colors item.

#include "app/TDColorWell.h"
#include "app/TDDocumentWindow.h"
#include "app/TDToolbarCustomizeDialog.h"
#include "canvas/TDDocumentToolbar.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QColorDialog>

namespace scrivane {

void TDDocumentWindow::setupToolbarItems()
{
    m_toolbar->setItemIdentifiers(TDToolbarCustomizeDialog::savedItems(UserDefaults::standard()));
    connect(m_toolbar, &TDDocumentToolbar::customizeRequested, this, &TDDocumentWindow::customizeToolbar);
    connect(m_toolbar, &TDDocumentToolbar::showColorsRequested, this, &TDDocumentWindow::showColors);
}

TDToolbarCustomizeDialog *TDDocumentWindow::customizeToolbar()
{
    auto *dialog = new TDToolbarCustomizeDialog(m_toolbar->itemIdentifiers(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, dialog, [dialog] { applyToolbarItems(dialog->itemIdentifiers()); });
    dialog->open();
    return dialog;
}

void TDDocumentWindow::applyToolbarItems(const QStringList &items)
{
    TDToolbarCustomizeDialog::saveItems(UserDefaults::standard(), items);
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *documentWindow = qobject_cast<TDDocumentWindow *>(window))
            documentWindow->m_toolbar->setItemIdentifiers(items);
}

void TDDocumentWindow::showColors()
{
    QColorDialog *panel = TDColorWell::sharedDialog();
    panel->show();
    panel->raise();
    panel->activateWindow();
}

} // namespace scrivane
