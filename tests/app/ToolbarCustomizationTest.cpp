// The document toolbar as a person customises it: the dialog offers the
// allowed items, the choice reaches every window and the next ones through
// the settings, and what the settings hold is taken only as far as it
// names allowed items.  The Colors item brings the colour panel forward.

#include "AppTestSupport.h"

#include "app/TDColorWell.h"
#include "app/TDToolbarCustomizeDialog.h"
#include "canvas/TDDocumentToolbar.h"
#include "canvas/TDToolStrip.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QColorDialog>
#include <QListWidget>
#include <QMenu>
#include <QWidgetAction>

using namespace scrivane;
using namespace scrivane::apptest;

namespace {

class ToolbarCustomizationTest : public AppFixture {
public:
    void SetUp() override { UserDefaults::standard().removeObject(TDToolbarCustomizeDialog::ItemsKey); }
    void TearDown() override { UserDefaults::standard().removeObject(TDToolbarCustomizeDialog::ItemsKey); }

    TDDocumentToolbar *toolbarOfNewWindow()
    {
        TDDocument *document = controller->newDocument();
        return controller->windowForDocument(document)->documentToolbar();
    }
    static void choose(QListWidget *list, const QString &identifier)
    {
        for (int row = 0; row < list->count(); ++row)
            if (list->item(row)->data(Qt::UserRole).toString() == identifier)
                list->setCurrentRow(row);
    }
};

// The toolbar's identifiers, read when the tests run (after the toolbar's
// own statics are made).
QString drawMode() { return TDDocumentToolbar::drawModeItemIdentifier; }
QString flexible() { return TDDocumentToolbar::flexibleSpaceItemIdentifier; }
QString space() { return TDDocumentToolbar::spaceItemIdentifier; }
QString colors() { return TDDocumentToolbar::showColorsItemIdentifier; }
QString fonts() { return TDDocumentToolbar::showFontsItemIdentifier; }

} // namespace

// Items are added after the chosen one, once each (spaces as often as
// wanted), removed, moved, and the default set comes back.
TEST_F(ToolbarCustomizationTest, TheDialogEditsTheListWithinTheAllowedItems)
{
    TDToolbarCustomizeDialog dialog(TDDocumentToolbar::toolbarDefaultItemIdentifiers());
    ASSERT_EQ(dialog.allowedList()->count(), TDDocumentToolbar::toolbarAllowedItemIdentifiers().size());
    EXPECT_EQ(dialog.allowedList()->item(0)->text(), TDDocumentToolbar::itemLabel(drawMode()));

    choose(dialog.allowedList(), "union");
    dialog.toolbarList()->setCurrentRow(0);
    dialog.addSelected();
    EXPECT_EQ(dialog.itemIdentifiers(), (QStringList{drawMode(), "union", flexible(), colors(), fonts()}));
    dialog.addSelected();
    EXPECT_EQ(dialog.itemIdentifiers().count("union"), 1) << "an item is on the toolbar once";
    choose(dialog.allowedList(), space());
    dialog.toolbarList()->setCurrentRow(0);
    dialog.addSelected();
    dialog.addSelected();
    EXPECT_EQ(dialog.itemIdentifiers(), (QStringList{drawMode(), space(), space(), "union", flexible(), colors(), fonts()}));

    dialog.toolbarList()->setCurrentRow(3);
    dialog.moveSelected(-1);
    dialog.moveSelected(-1);
    dialog.moveSelected(-1);
    dialog.moveSelected(-1); // already first
    EXPECT_EQ(dialog.itemIdentifiers().first(), "union");
    dialog.removeSelected();
    EXPECT_FALSE(dialog.itemIdentifiers().contains("union"));

    dialog.useDefaultSet();
    EXPECT_EQ(dialog.itemIdentifiers(), TDDocumentToolbar::toolbarDefaultItemIdentifiers());
}

// The confirmed choice goes to every open window and, through the
// settings, to the next one; the tool strip keeps working when it leaves
// the toolbar and comes back.
TEST_F(ToolbarCustomizationTest, ACustomizedToolbarComesBackInTheNextWindow)
{
    TDDocumentToolbar *first = toolbarOfNewWindow();
    TDDocumentToolbar *second = toolbarOfNewWindow();
    EXPECT_EQ(first->itemIdentifiers(), TDDocumentToolbar::toolbarDefaultItemIdentifiers());
    TDToolStrip *strip = first->toolStrip();

    auto *window = qobject_cast<TDDocumentWindow *>(first->window());
    ASSERT_NE(window, nullptr);
    TDToolbarCustomizeDialog *dialog = window->customizeToolbar();
    dialog->useDefaultSet();
    dialog->toolbarList()->setCurrentRow(0);
    dialog->removeSelected(); // the tool strip
    dialog->toolbarList()->setCurrentRow(-1);
    choose(dialog->allowedList(), "combine");
    dialog->addSelected();
    dialog->accept();
    const QStringList chosen{flexible(), colors(), fonts(), "combine"};
    EXPECT_EQ(first->itemIdentifiers(), chosen);
    EXPECT_EQ(second->itemIdentifiers(), chosen);
    EXPECT_EQ(toolbarOfNewWindow()->itemIdentifiers(), chosen);

    TDDocumentWindow::applyToolbarItems(TDDocumentToolbar::toolbarDefaultItemIdentifiers());
    auto *stripItem = qobject_cast<QWidgetAction *>(first->itemWithIdentifier(drawMode()));
    ASSERT_NE(stripItem, nullptr);
    EXPECT_EQ(stripItem->defaultWidget(), strip);
    EXPECT_EQ(first->toolStrip(), strip);
    strip->selectCell(3);
    EXPECT_EQ(strip->drawMode(), Tool::Paint);
}

// The settings come from outside the program: unknown identifiers and
// second copies are dropped, a value that is no list gives the default
// set, and an emptied toolbar stays empty.
TEST_F(ToolbarCustomizationTest, SavedItemsAreTakenOnlyAsFarAsTheyAreAllowed)
{
    UserDefaults &defaults = UserDefaults::standard();
    struct Row {
        const char *name;
        QVariant stored;
        QStringList expected;
    };
    const Row rows[] = {
        {"nothing saved", QVariant(), TDDocumentToolbar::toolbarDefaultItemIdentifiers()},
        {"unknown and repeated", QStringLiteral("union\nbogus\nunion\nSpace\nSpace\n"),
         QStringList{"union", space(), space()}},
        {"a number", QVariant(42), TDDocumentToolbar::toolbarDefaultItemIdentifiers()},
        {"emptied", QString(), QStringList()},
    };
    for (const Row &row : rows) {
        if (row.stored.isValid())
            defaults.setObject(TDToolbarCustomizeDialog::ItemsKey, row.stored);
        else
            defaults.removeObject(TDToolbarCustomizeDialog::ItemsKey);
        EXPECT_EQ(TDToolbarCustomizeDialog::savedItems(defaults), row.expected) << row.name;
        EXPECT_EQ(toolbarOfNewWindow()->itemIdentifiers(), row.expected) << row.name;
    }
}

// The Colors item opens the colour panel; the Customize item, once on the
// toolbar, opens the dialog, and so does the toolbar's context menu.
TEST_F(ToolbarCustomizationTest, TheColorsAndCustomizeItemsOpenTheirWindows)
{
    TDDocumentToolbar *toolbar = toolbarOfNewWindow();
    TDColorWell::sharedDialog()->hide();
    toolbar->itemWithIdentifier(colors())->trigger();
    EXPECT_TRUE(TDColorWell::sharedDialog()->isVisible());
    TDColorWell::sharedDialog()->hide();

    TDDocumentWindow::applyToolbarItems({TDDocumentToolbar::customizeItemIdentifier, colors()});
    ASSERT_NE(toolbar->itemWithIdentifier(TDDocumentToolbar::customizeItemIdentifier), nullptr);
    toolbar->itemWithIdentifier(TDDocumentToolbar::customizeItemIdentifier)->trigger();
    auto *dialog = toolbar->window()->findChild<TDToolbarCustomizeDialog *>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->itemIdentifiers(), (QStringList{TDDocumentToolbar::customizeItemIdentifier, colors()}));
    dialog->reject();
    delete dialog;

    // Without the item, the toolbar's context menu offers the same.
    TDDocumentWindow::applyToolbarItems(TDDocumentToolbar::toolbarDefaultItemIdentifiers());
    std::unique_ptr<QMenu> menu(toolbar->makeContextMenu());
    ASSERT_EQ(menu->actions().size(), 1);
    menu->actions().first()->trigger();
    EXPECT_NE(toolbar->window()->findChild<TDToolbarCustomizeDialog *>(), nullptr);
}
