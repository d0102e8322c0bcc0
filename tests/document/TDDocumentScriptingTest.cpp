// What scripts read and change of a document: the page size and the four
// lists of graphics, which run over the graphics inside the layers in
// stacking order, with insertion, removal and replacement.

#include "DocumentTestSupport.h"

#include "document/TDDocument.h"
#include "document/TDDocumentScripting.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDLayer.h"
#include "model/TDOval.h"
#include "model/TDRectangle.h"

#include <gtest/gtest.h>

using namespace scrivane;
using List = TDDocumentScripting::List;

namespace {
struct Drawing {
    TDDocument document;
    std::shared_ptr<TDLayer> second = TDLayer::layerWithName("Layer 2", &document);
    TDGraphicPtr rectangle = TDDocumentScripting::makeGraphic(List::Rectangles);
    TDGraphicPtr oval = TDDocumentScripting::makeGraphic(List::Ovals);
    TDGraphicPtr path = TDDocumentScripting::makeGraphic(List::Paths);
    TDGraphicPtr top = TDDocumentScripting::makeGraphic(List::Rectangles);

    Drawing()
    {
        document.setLayers({document.layers()[0], second});
        document.layers()[0]->addGraphic(rectangle);
        document.layers()[0]->addGraphic(oval);
        second->addGraphic(path);
        second->addGraphic(top);
        document.undoManager()->removeAllActions();
    }
};
} // namespace

TEST(TDDocumentScripting, ListsRunOverTheGraphicsInsideTheLayers)
{
    Drawing d;
    TDDocumentScripting s(d.document);
    EXPECT_EQ(s.elements(List::Graphics), (TDGraphicArray{d.rectangle, d.oval, d.path, d.top}));
    EXPECT_EQ(s.elements(List::Rectangles), (TDGraphicArray{d.rectangle, d.top}));
    EXPECT_EQ(s.elements(List::Ovals), (TDGraphicArray{d.oval}));
    EXPECT_EQ(s.elements(List::Paths), (TDGraphicArray{d.path}));
    for (const char *name : {"graphics", "rectangles", "ovals", "paths"})
        EXPECT_EQ(TDDocumentScripting::listName(*TDDocumentScripting::listNamed(name)), name);
    EXPECT_FALSE(TDDocumentScripting::listNamed("layers"));
}

TEST(TDDocumentScripting, InsertingAtZeroPutsTheGraphicAtTheBottomOfTheFirstLayer)
{
    Drawing d;
    TDDocumentScripting s(d.document);
    QString error;
    // Whatever the paths list holds: its first path is in the second layer.
    const auto first = TDDocumentScripting::makeGraphic(List::Paths);
    ASSERT_TRUE(s.insert(List::Paths, first, 0, &error)) << error.toStdString();
    EXPECT_EQ(d.document.layers()[0]->graphics().front(), first);

    // Any other index: just above the list's element before it.
    const auto second = TDDocumentScripting::makeGraphic(List::Paths);
    ASSERT_TRUE(s.insert(List::Paths, second, 2, &error)) << error.toStdString();
    EXPECT_EQ(d.second->graphics(), (TDGraphicArray{d.path, second, d.top}));

    // One undo step each.
    d.document.undoManager()->undo();
    EXPECT_EQ(d.second->graphics(), (TDGraphicArray{d.path, d.top}));
}

TEST(TDDocumentScripting, RemovesAndReplacesByIndexAndRefusesBadOnes)
{
    Drawing d;
    TDDocumentScripting s(d.document);
    QString error;
    ASSERT_TRUE(s.remove(List::Rectangles, 1, &error));
    EXPECT_EQ(d.second->graphics(), (TDGraphicArray{d.path}));
    const auto oval = TDDocumentScripting::makeGraphic(List::Ovals);
    ASSERT_TRUE(s.replace(List::Ovals, 0, oval, &error));
    EXPECT_EQ(d.document.layers()[0]->graphics(), (TDGraphicArray{d.rectangle, oval}));

    struct Case {
        const char *name;
        std::function<bool(QString *)> call;
    };
    const Case refused[] = {
        {"remove below 0", [&](QString *e) { return s.remove(List::Graphics, -1, e); }},
        {"remove past the end", [&](QString *e) { return s.remove(List::Ovals, 1, e); }},
        {"insert past the end",
         [&](QString *e) {
             return s.insert(List::Ovals, TDDocumentScripting::makeGraphic(List::Ovals), 2, e);
         }},
        {"replace in an empty list",
         [&](QString *e) {
             return s.replace(List::Rectangles, 1, TDDocumentScripting::makeGraphic(List::Rectangles), e);
         }},
        {"insert the wrong kind",
         [&](QString *e) {
             return s.insert(List::Ovals, TDDocumentScripting::makeGraphic(List::Paths), 0, e);
         }},
        {"insert a graphic placed already",
         [&](QString *e) { return s.insert(List::Graphics, d.rectangle, 0, e); }},
        {"insert nothing", [&](QString *e) { return s.insert(List::Graphics, nullptr, 0, e); }},
    };
    const auto before = s.elements(List::Graphics);
    for (const Case &c : refused) {
        SCOPED_TRACE(c.name);
        error.clear();
        EXPECT_FALSE(c.call(&error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(s.elements(List::Graphics), before);
    }
}

// The page height lies between the top and bottom margins, so setting it
// clears those two; the page width clears left and right.
TEST(TDDocumentScripting, PageSizesClearTheMarginsAcrossThem)
{
    TDDocument document;
    TDPrintInfo info;
    info.setMargins(10, 20, 30, 40);
    document.setPrintInfo(info);
    TDDocumentScripting s(document);
    QString error;
    ASSERT_TRUE(s.setPageHeight(500, &error));
    EXPECT_EQ(document.printInfo().topMargin(), 0);
    EXPECT_EQ(document.printInfo().bottomMargin(), 0);
    EXPECT_EQ(document.printInfo().leftMargin(), 10);
    EXPECT_EQ(s.pageHeight(), 500);
    ASSERT_TRUE(s.setPageWidth(300, &error));
    EXPECT_EQ(document.printInfo().leftMargin(), 0);
    EXPECT_EQ(document.printInfo().rightMargin(), 0);
    EXPECT_EQ(s.pageWidth(), 300);
    EXPECT_EQ(s.pageHeight(), 500);
    // Clamped like the paper size; a value that is no number is refused.
    ASSERT_TRUE(s.setPageWidth(-5, &error));
    EXPECT_EQ(s.pageWidth(), 1);
    EXPECT_FALSE(s.setPageWidth(std::nan(""), &error));
}
