// The Edit menu's clipboard items reach the canvas of their window.

#include "AppTestSupport.h"

#include "canvas/TDGraphicView.h"
#include "platform/Pasteboard.h"

#include <QAction>
#include <QCursor>

using namespace scrivane;
using namespace scrivane::apptest;

TEST_F(AppFixture, TheEditMenuCutsCopiesPastesDuplicatesAndDeletes)
{
    TDDocument *document = controller->newDocument();
    TDDocumentWindow *window = controller->windowForDocument(document);
    ASSERT_NE(window, nullptr);
    const auto graphic = addRectangle(document, Rect(20, 30, 100, 60));
    window->graphicView()->selectGraphic(graphic);
    document->undoManager()->eventHandled();

    EXPECT_EQ(window->action(QStringLiteral("pasteInPlace"))->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+Alt+V")));
    EXPECT_EQ(window->action(QStringLiteral("duplicate"))->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+D")));
    EXPECT_TRUE(
        window->action(QStringLiteral("delete"))->shortcuts().contains(QKeySequence(Qt::Key_Backspace)));

    window->action(QStringLiteral("copy"))->trigger();
    window->action(QStringLiteral("pasteInPlace"))->trigger();
    ASSERT_EQ(graphicCount(document), 2u);
    const TDGraphicPtr pasted = window->graphicView()->selection().front();
    EXPECT_EQ(pasted->bounds(), graphic->bounds());

    window->action(QStringLiteral("duplicate"))->trigger();
    EXPECT_EQ(graphicCount(document), 3u);
    EXPECT_EQ(window->graphicView()->selection().front()->bounds().minX(), graphic->bounds().minX() + 20);

    window->action(QStringLiteral("delete"))->trigger();
    EXPECT_EQ(graphicCount(document), 2u);
    window->action(QStringLiteral("undo"))->trigger();
    EXPECT_EQ(graphicCount(document), 3u);

    window->graphicView()->clearSelection();
    window->graphicView()->selectGraphic(graphic);
    window->action(QStringLiteral("cut"))->trigger();
    EXPECT_EQ(graphicCount(document), 2u);
    QCursor::setPos(-4000, -4000);
    window->action(QStringLiteral("paste"))->trigger();
    EXPECT_EQ(graphicCount(document), 3u);

    // The pictures promised for the cut graphics are made before the end.
    EXPECT_FALSE(Pasteboard::general().hasDataForType(Pasteboard::PDFType));
    delegate->applicationWillTerminate();
    EXPECT_TRUE(Pasteboard::general().hasDataForType(Pasteboard::PDFType));
    EXPECT_TRUE(Pasteboard::general().hasDataForType(Pasteboard::TIFFType));
}
