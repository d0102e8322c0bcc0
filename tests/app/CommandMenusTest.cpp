// The Arrange and Path menus reach the canvas of their window, and no two
// items of a window answer the same keys.

#include "AppTestSupport.h"

#include "canvas/TDDocumentToolbar.h"
#include "canvas/TDGraphicView.h"
#include "model/TDGroup.h"

#include <QAction>

#include <map>

using namespace scrivane;
using namespace scrivane::apptest;

TEST_F(AppFixture, TheCommandMenusWorkOnTheSelection)
{
    TDDocument *document = controller->newDocument();
    TDDocumentWindow *window = controller->windowForDocument(document);
    ASSERT_NE(window, nullptr);
    const auto a = addRectangle(document, Rect(20, 30, 100, 60));
    const auto b = addRectangle(document, Rect(60, 50, 100, 60));
    TDGraphicView *canvas = window->graphicView();
    canvas->selectGraphic(a);
    canvas->selectGraphic(b);
    document->undoManager()->eventHandled();

    QAction *group = window->action(QStringLiteral("group"));
    ASSERT_TRUE(group);
    EXPECT_EQ(group->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
    EXPECT_EQ(group->data().toInt(), 2) << "grouping needs two graphics";
    group->trigger();
    ASSERT_EQ(graphicCount(document), 1u);
    EXPECT_TRUE(std::dynamic_pointer_cast<TDGroup>(canvas->selection().front()));
    window->action(QStringLiteral("ungroup"))->trigger();
    EXPECT_EQ(graphicCount(document), 2u);
    window->action(QStringLiteral("boolAdd"))->trigger();
    EXPECT_EQ(graphicCount(document), 1u);
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Add"));

    const char *names[] = {"alignLeft", "alignRight", "alignTop", "alignBottom", "alignHorizontalCenters",
                           "alignVerticalCenters", "distributeHorizontally", "distributeVertically",
                           "flipHorizontally", "flipVertically", "boolSubtract", "boolIntersect", "boolXOR",
                           "boolCut", "boolDivide", "boolOutline", "combine", "split", "convertToBezier",
                           "convertToOutline", "convertToBitmap", "reversePath", "curveNodes", "lineNodes",
                           "splitNodes", "cutNodes", "connectNodes"};
    for (const char *name : names) {
        QAction *item = window->action(QString::fromLatin1(name));
        ASSERT_TRUE(item) << name;
        EXPECT_FALSE(item->shortcut().isEmpty()) << name;
    }

    std::map<QString, QString> owners;
    for (QAction *item : window->findChildren<QAction *>()) {
        for (const QKeySequence &key : item->shortcuts()) {
            const auto [at, fresh] = owners.emplace(key.toString(), item->objectName());
            EXPECT_TRUE(fresh) << key.toString().toStdString() << " answers " << at->second.toStdString()
                               << " and " << item->objectName().toStdString();
        }
    }
}

TEST_F(AppFixture, TheToolbarCommandItemsRunTheirCommands)
{
    TDDocument *document = controller->newDocument();
    TDDocumentWindow *window = controller->windowForDocument(document);
    ASSERT_NE(window, nullptr);
    const auto a = addRectangle(document, Rect(20, 30, 100, 60));
    const auto b = addRectangle(document, Rect(60, 50, 100, 60));
    TDGraphicView *canvas = window->graphicView();
    TDDocumentToolbar *toolbar = window->documentToolbar();
    for (const char *id : {"union", "separate"})
        toolbar->addAction(toolbar->itemForItemIdentifier(QString::fromLatin1(id)));
    QAction *unite = toolbar->itemWithIdentifier(QStringLiteral("union"));
    QAction *separate = toolbar->itemWithIdentifier(QStringLiteral("separate"));
    ASSERT_TRUE(unite && separate);

    canvas->selectGraphic(a);
    EXPECT_FALSE(unite->isEnabled()) << "a union needs two graphics";
    EXPECT_TRUE(separate->isEnabled());
    canvas->selectGraphic(b);
    document->undoManager()->eventHandled();
    ASSERT_TRUE(unite->isEnabled());
    unite->trigger();
    EXPECT_EQ(graphicCount(document), 1u);
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Add"));
}
