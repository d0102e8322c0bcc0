// The document toolbar: its default items with the tool strip, the items it
// can make, and the strip's cell images.

#include "CanvasTestSupport.h"

#include <QAction>
#include <QWidgetAction>

using namespace scrivane;
using namespace scrivane::canvastest;

TEST_F(CanvasTest, ToolbarHoldsTheDefaultItemsWithTheToolStrip)
{
    EXPECT_EQ(toolbar->itemIdentifiers(), TDDocumentToolbar::toolbarDefaultItemIdentifiers());
    auto *drawMode =
        qobject_cast<QWidgetAction *>(toolbar->itemWithIdentifier(TDDocumentToolbar::drawModeItemIdentifier));
    ASSERT_NE(drawMode, nullptr);
    EXPECT_EQ(drawMode->defaultWidget(), toolbar->toolStrip());
    EXPECT_EQ(toolbar->toolStrip()->size(), QSize(280, 28));
    // The initial tool is marked: select, locked.
    EXPECT_EQ(view->drawMode(), Tool::Select);
    EXPECT_EQ(toolbar->toolStrip()->imageIndexOfCell(0), 2);
}

TEST_F(CanvasTest, ToolbarMakesItemsFromItsTable)
{
    struct Case {
        const char *identifier;
        const char *label;
        int tag;
    };
    const Case cases[] = {{"union", "Union", 2},          {"align-top", "Align top", 12},
                          {"align-right", "Align right", 11}, {"separate", "Separate", 1},
                          {"combine", "Combine", 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.identifier);
        QAction *item = toolbar->itemForItemIdentifier(QString::fromLatin1(c.identifier));
        EXPECT_EQ(item->text(), QString::fromLatin1(c.label));
        EXPECT_EQ(item->data().toInt(), c.tag);
        EXPECT_FALSE(item->isEnabled()) << "the canvas does not offer the command yet";
        EXPECT_TRUE(TDDocumentToolbar::toolbarAllowedItemIdentifiers().contains(QString::fromLatin1(c.identifier)));
    }
    QAction *bare = toolbar->itemForItemIdentifier(QStringLiteral("no such item"));
    EXPECT_EQ(bare->objectName(), QStringLiteral("no such item"));
    EXPECT_EQ(bare->text(), QStringLiteral("no such item"));
}

TEST(TDToolStrip, CellImagesShowSelectionAndLock)
{
    for (int column = 0; column < TDToolStrip::toolCount; ++column) {
        SCOPED_TRACE(column);
        const QImage plain = TDToolStrip::cellImage(column, 0);
        const QImage once = TDToolStrip::cellImage(column, 1);
        const QImage locked = TDToolStrip::cellImage(column, 2);
        ASSERT_EQ(plain.size(), QSize(28, 28));
        EXPECT_NE(plain, locked);
        // The badge of a tool used once is the only difference to a locked one.
        EXPECT_NE(once, locked);
        EXPECT_EQ(once.copy(0, 16, 28, 12), locked.copy(0, 16, 28, 12));
    }
    EXPECT_TRUE(TDToolStrip::cellImage(10, 0).isNull());
}
