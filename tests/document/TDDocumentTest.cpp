// The document core: layers, lists of graphics, grid and page settings,
// the change count and its gate, the info dictionary, the status line.

#include "DocumentTestSupport.h"

#include "document/TDDocument.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::doctest;

namespace {

struct Fixture : ::testing::Test {
    Fixture()
    {
        document.undoManager()->setGroupsByEvent(false);
        document.setGraphicView(&canvas);
    }
    ~Fixture() override { document.setGraphicView(nullptr); }

    std::shared_ptr<TestShape> add(const Rect &rect, const Color &color = Color::calibratedRGB(1, 0, 0))
    {
        auto shape = TestShape::make(rect, color);
        document.addGraphic(shape);
        return shape;
    }

    TDDocument document;
    TestCanvas canvas{&document};
};

} // namespace

TEST(TDDocumentCore, NewDocumentHasOneCurrentLayerAndCountsNames)
{
    TDDocument document;
    ASSERT_EQ(document.layers().size(), 1u);
    EXPECT_EQ(document.layers()[0]->name(), "Layer 1");
    EXPECT_EQ(document.currentLayer(), document.layers()[0].get());
    EXPECT_EQ(document.graphics().size(), 1u);
    EXPECT_EQ(document.graphicNumber(), 1);
    EXPECT_EQ(document.graphicNumber(), 2);
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_EQ(document.layerNamed("Layer 1"), document.layers()[0]);
    EXPECT_EQ(document.layerNamed("Layer 2"), nullptr);
}

TEST(TDDocumentCore, SettersClampWhatWouldBreakTheCanvas)
{
    TDDocument document;
    struct Case {
        float spacing;
        float expected;
    };
    for (const Case c : {Case{0.5f, 1}, Case{-3, 1}, Case{std::nanf(""), 1}, Case{12, 12}}) {
        document.setGridSpacing(c.spacing);
        EXPECT_EQ(document.gridSpacing(), c.expected) << c.spacing;
    }
    for (int pages : {0, -3}) {
        document.setPagesWide(pages);
        document.setPagesHigh(pages);
        EXPECT_EQ(document.pagesWide(), 1);
        EXPECT_EQ(document.pagesHigh(), 1);
    }
    // The canvas divides the grid spacing by the sub-grids.
    document.setNumberOfSubGrids(0);
    EXPECT_EQ(document.numberOfSubGrids(), 1);
    document.setWidth(-5);
    EXPECT_GE(document.customSize().width, 1);
}

TEST(TDDocumentCore, PaperBoundsInPagesOrCustom)
{
    TDDocument document;
    TDPrintInfo info;
    info.setPaperSize(Size(612, 792));
    info.setMargins(18, 18, 36, 36);
    document.setPrintInfo(info);
    EXPECT_EQ(document.pageBounds(), Rect(0, 0, 576, 720));
    document.setPagesWide(2);
    document.setPagesHigh(3);
    EXPECT_EQ(document.paperBounds(), Rect(0, 0, 1152, 2160));
    document.setSizeInPages(false);
    document.setWidth(300);
    document.setHeight(200);
    EXPECT_EQ(document.paperBounds(), Rect(0, 0, 300, 200));
}

TEST_F(Fixture, EditableGraphicsLeaveOutLockedHiddenAndTheCurrentChain)
{
    auto a = add(Rect(0, 0, 10, 10));
    auto locked = add(Rect(0, 0, 10, 10));
    locked->setLockedQuiet(true);
    auto group = TDGroup::groupWithGraphics({TestShape::make(Rect(5, 5, 5, 5), Color::black())});
    document.addGraphic(group);

    auto second = TDLayer::layerWithName("Layer 2", &document);
    auto hidden = TDLayer::layerWithName("Layer 3", &document);
    hidden->setVisibleQuiet(false);
    document.setLayers({document.layers()[0], second, hidden});
    auto b = TestShape::make(Rect(0, 0, 1, 1), Color::black());
    second->addGraphic(b);
    hidden->addGraphic(TestShape::make(Rect(0, 0, 1, 1), Color::black()));

    EXPECT_EQ(document.editableGraphics(), (TDGraphicArray{a, group, b}));
    EXPECT_EQ(document.visibleGraphics().size(), 4u);

    // In isolation only the isolated group's children count, and the group
    // itself never does.
    document.setCurrentLayer(group.get());
    EXPECT_TRUE(canvas.isolated);
    EXPECT_EQ(document.editableGraphics(), group->graphics());
    EXPECT_EQ(document.visibleGraphics(), group->graphics());
    EXPECT_EQ(document.semiVisibleGraphics().size(), 4u);
    canvas.isolated = false;
    const TDGraphicArray editable = document.editableGraphics();
    EXPECT_EQ(std::count(editable.begin(), editable.end(), group), 0);
}

TEST_F(Fixture, SortedSelectionFollowsTheStackingOrder)
{
    auto bottom = add(Rect(0, 0, 10, 10));
    auto middle = add(Rect(0, 0, 10, 10));
    auto top = add(Rect(0, 0, 10, 10));
    auto upper = TDLayer::layerWithName("Layer 2", &document);
    document.setLayers({document.layers()[0], upper});
    auto above = TestShape::make(Rect(0, 0, 1, 1), Color::black());
    upper->addGraphic(above);
    auto stray = TestShape::make(Rect(0, 0, 1, 1), Color::black());

    canvas.selection = {above, top, stray, bottom, middle};
    EXPECT_EQ(document.sortedSelectedGraphics(), (TDGraphicArray{bottom, middle, top, above, stray}));
}

TEST_F(Fixture, RemovingAndReplacingDeselectFirst)
{
    auto a = add(Rect(0, 0, 10, 10));
    auto b = add(Rect(0, 0, 10, 10));
    canvas.selection = {a, b};
    document.removeGraphic(a.get());
    EXPECT_EQ(canvas.selection, TDGraphicArray{b});
    EXPECT_EQ(document.currentLayer()->graphics(), TDGraphicArray{b});
    auto c = TestShape::make(Rect(1, 1, 2, 2), Color::black());
    document.replaceGraphic(b.get(), c);
    EXPECT_TRUE(canvas.selection.empty());
    EXPECT_EQ(document.currentLayer()->graphics(), TDGraphicArray{c});
}

TEST_F(Fixture, OnlyDocumentChangingRegistrationsMarkTheDocumentEdited)
{
    // A selection change is registered as a non-change.
    document.undoManager()->prepareWithNonChangeInvocationTarget(ObjectId(99), "selectGraphic", [] {});
    EXPECT_FALSE(document.isDocumentEdited());

    document.undoManager()->beginUndoGrouping();
    add(Rect(0, 0, 10, 10));
    document.undoManager()->endUndoGrouping();
    EXPECT_TRUE(document.isDocumentEdited());
    document.undoManager()->undo();
    EXPECT_FALSE(document.isDocumentEdited());
    document.undoManager()->redo();
    EXPECT_TRUE(document.isDocumentEdited());

    // Clearing the stack clears the flag: later non-changes do not count.
    document.updateChangeCount(TDDocumentBase::ChangeKind::Cleared);
    document.undoManager()->removeAllActions();
    document.undoManager()->prepareWithNonChangeInvocationTarget(ObjectId(99), "selectGraphic", [] {});
    EXPECT_FALSE(document.isDocumentEdited());
}

TEST_F(Fixture, InfoValuesUndo)
{
    document.setInfoValue("title", QString("Harbour"));
    EXPECT_EQ(document.infoDictionary().value("title").toString(), "Harbour");
    EXPECT_TRUE(document.isDocumentEdited());
    document.undoManager()->undo();
    EXPECT_EQ(document.infoDictionary().value("title").toString(), "");
    EXPECT_EQ(document.infoDictionary().value("colorizationMethod").toInteger(), 0);
    EXPECT_FALSE(document.infoDictionary().value("keyColor").toData().isEmpty());
}

TEST(TDDocumentCore, StatusTextMarksKeysAndBold)
{
    const QString blue = "<span style=\"color:#0000ff\">";
    const QString html = TDDocument::statusRichText("*S drag to <b>constrain</b> *Z stroke", "Z");
    EXPECT_EQ(html, blue + "Shift:</span> drag to <b>constrain</b> " + blue + "Z:</span> stroke");
    // Keys held together read as one chord, in Linux words.
    EXPECT_EQ(TDDocument::statusRichText("*A*M add node", ""), blue + "Alt+Ctrl:</span> add node");
    EXPECT_EQ(TDDocument::statusRichText("*C rotate  *E end  *D delete  *R finish", ""),
              blue + "Meta:</span> rotate  " + blue + "Esc:</span> end  " + blue + "Backspace:</span> delete  " +
                  blue + "Return:</span> finish");
    // A replacement that holds a code is not expanded again.
    EXPECT_EQ(TDDocument::statusRichText("*Z", "*Z"), blue + "*Z:</span>");
    EXPECT_EQ(TDDocument::statusRichText("a < b", ""), QString("a &lt; b"));
    // Escaped text (a graphic's name) is shown as it stands.
    EXPECT_EQ(TDDocument::statusRichText("<b>\\*S \\<b>x\\</b> selected.</b> *S", ""),
              "<b>*S &lt;b&gt;x&lt;/b&gt; selected.</b> " + blue + "Shift:</span>");

    TDDocument document;
    QString shown;
    document.setStatusText("ignored without a sink");
    document.setStatusSink([&shown](const QString &text) { shown = text; });
    document.setStatusText(QString());
    EXPECT_TRUE(shown.isEmpty());
    document.setStatusText("*E cancels");
    EXPECT_EQ(shown, blue + "Esc:</span> cancels");
}

TEST(TDDocumentCore, RemovingTheCurrentLayerNeverLeavesItDangling)
{
    TDDocument document;
    auto first = document.layers()[0];
    auto second = TDLayer::layerWithName("Layer 2", &document);
    document.setLayers({first, second});
    document.setCurrentLayerIndex(1);
    EXPECT_TRUE(document.removeFromGraphics(second.get()));
    EXPECT_EQ(document.currentLayer(), first.get());
    EXPECT_TRUE(document.removeFromGraphics(first.get()));
    ASSERT_EQ(document.layers().size(), 1u);
    EXPECT_EQ(document.currentLayer(), document.layers()[0].get());
    document.setCurrentLayerIndex(7);
    EXPECT_EQ(document.currentLayer(), document.layers()[0].get());
}
