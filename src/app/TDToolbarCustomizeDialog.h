#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace scrivane {

class UserDefaults;

// The document toolbar's customisation: the items a toolbar may hold on
// one side, the toolbar's items in order on the other; items are added,
// removed and moved, or the default set comes back.  The chosen list is
// kept in the settings and given to every document window's toolbar, and
// new windows start with it.
class TDToolbarCustomizeDialog : public QDialog {
    Q_OBJECT
public:
    // The settings key of the item list.
    static const QString ItemsKey; // "DocumentToolbar items"

    explicit TDToolbarCustomizeDialog(const QStringList &items, QWidget *parent = nullptr);

    // The toolbar's items as the dialog shows them now.
    QStringList itemIdentifiers() const;

    // Adds the allowed item chosen on the left after the chosen toolbar
    // item (at the end when none is chosen).
    void addSelected();
    void removeSelected();
    // Moves the chosen toolbar item up (-1) or down (+1).
    void moveSelected(int offset);
    void useDefaultSet();

    QListWidget *allowedList() const { return m_allowed; }
    QListWidget *toolbarList() const { return m_toolbar; }

    // The saved list (only allowed items, as the toolbar takes them), or
    // the default items when none was saved or what was saved is no text
    // of one identifier a line.
    static QStringList savedItems(const UserDefaults &defaults);
    static void saveItems(UserDefaults &defaults, const QStringList &items);

private:
    void show(const QStringList &items);

    QListWidget *m_allowed;
    QListWidget *m_toolbar;
};

} // namespace scrivane
