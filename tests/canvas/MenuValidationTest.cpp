// Menu and toolbar items enabled by their tags, from the selection and the
// tool; the contextual menu of each tool.

#include "CanvasTestSupport.h"

#include "model/TDBezierGraphic.h"
#include "model/TDGroup.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

using Tag = TDGraphicView::MenuTag;

// The selections the table below is checked against.
enum class Selected { Nothing, OneRectangle, TwoRectangles, OneGroup, PathWithNodes };

struct ValidationRow {
    const char *name;
    int tag;
    Tool tool;
    Selected selected;
    bool enabled;
};

const ValidationRow validationRows[] = {
    {"selection tag without a selection", 1, Tool::Select, Selected::Nothing, false},
    {"selection tag with one graphic", 1, Tool::Select, Selected::OneRectangle, true},
    {"two-graphics tag with one graphic", 2, Tool::Select, Selected::OneRectangle, false},
    {"two-graphics tag with two", 2, Tool::Select, Selected::TwoRectangles, true},
    {"node tag in the select tool", 3, Tool::Select, Selected::PathWithNodes, false},
    {"node tag without selected nodes", 3, Tool::Edit, Selected::OneRectangle, false},
    {"node tag with selected nodes", 3, Tool::Edit, Selected::PathWithNodes, true},
    {"group tag without a group", 30, Tool::Select, Selected::TwoRectangles, false},
    {"group tag with a group", 30, Tool::Select, Selected::OneGroup, true},
    {"platform tag", 50, Tool::Select, Selected::Nothing, true},
    {"alignment with one graphic", 10, Tool::Select, Selected::OneRectangle, false},
    {"alignment with two", 13, Tool::Select, Selected::TwoRectangles, true},
    {"edge alignment in the edit tool", 10, Tool::Edit, Selected::TwoRectangles, false},
    {"node alignment in the edit tool", 14, Tool::Edit, Selected::Nothing, true},
    {"node alignment in the edit tool", 15, Tool::Edit, Selected::OneRectangle, true},
    {"arrange without a selection", 5, Tool::Select, Selected::Nothing, false},
    {"arrange with a selection", 9, Tool::Select, Selected::OneRectangle, true},
    {"plain item", 0, Tool::Select, Selected::Nothing, true},
    {"plain item", 4, Tool::Select, Selected::Nothing, true},
    {"negative tag", -2, Tool::Edit, Selected::Nothing, true},
};

class MenuValidationTest : public CanvasTest {
protected:
    void select(Selected selected)
    {
        view->clearSelection();
        view->setGraphicNodes({});
        switch (selected) {
        case Selected::Nothing:
            break;
        case Selected::OneRectangle:
            view->selectGraphics({rectangles[0]});
            break;
        case Selected::TwoRectangles:
            view->selectGraphics({rectangles[0], rectangles[1]});
            break;
        case Selected::OneGroup:
            view->selectGraphics({group});
            break;
        case Selected::PathWithNodes:
            view->selectGraphics({path});
            view->setNodes({1}, path.get());
            break;
        }
    }

    void SetUp() override
    {
        CanvasTest::SetUp();
        for (int i = 0; i < 2; ++i) {
            rectangles.push_back(filledRectangle(Rect(50 + 100 * i, 50, 60, 60), Color::black()));
            addQuietly(rectangles.back());
        }
        group = TDGroup::groupWithGraphics({filledRectangle(Rect(300, 50, 40, 40), Color::black())});
        addQuietly(group);
        PathBase line;
        line.moveTo(Point(50, 300));
        line.lineTo(Point(200, 300));
        path = TDBezierGraphic::graphicWithBezierPath(line);
        addQuietly(path);
    }

    std::vector<TDGraphicPtr> rectangles;
    TDGraphicPtr group;
    TDGraphicPtr path;
};

} // namespace

TEST_F(MenuValidationTest, MenuItemsByTagSelectionAndTool)
{
    for (const ValidationRow &row : validationRows) {
        SCOPED_TRACE(std::string(row.name) + " (tag " + std::to_string(row.tag) + ")");
        toolbar->toolStrip()->select(row.tool);
        select(row.selected);
        EXPECT_EQ(view->validateMenuItem(Tag(row.tag)), row.enabled);
    }
}

TEST_F(MenuValidationTest, ToolbarItemsByTag)
{
    struct Row {
        int tag;
        Selected selected;
        bool enabled;
    };
    for (const Row row : {Row{0, Selected::Nothing, true}, Row{-1, Selected::Nothing, true},
                          Row{1, Selected::Nothing, false}, Row{1, Selected::OneRectangle, true},
                          Row{2, Selected::OneRectangle, false}, Row{12, Selected::TwoRectangles, true}}) {
        SCOPED_TRACE(row.tag);
        select(row.selected);
        EXPECT_EQ(view->validateToolbarItem(Tag(row.tag)), row.enabled);
    }
}

// Tagged actions follow the canvas, submenus included; untagged ones are
// left alone.  A toolbar item waits for its command, then follows its tag.
TEST_F(MenuValidationTest, TaggedActionsAndToolbarItemsFollowTheSelection)
{
    QMenu menu;
    QAction *needsTwo = menu.addAction(QStringLiteral("Group"));
    TDGraphicView::setValidationTag(needsTwo, Tag::TwoGraphics);
    QMenu *sub = menu.addMenu(QStringLiteral("Arrange"));
    QAction *arrange = sub->addAction(QStringLiteral("Bring Forward"));
    TDGraphicView::setValidationTag(arrange, Tag::Arrange);
    QAction *plain = menu.addAction(QStringLiteral("Paste"));
    plain->setEnabled(true);

    select(Selected::Nothing);
    view->validateMenuItems(menu.actions());
    EXPECT_FALSE(needsTwo->isEnabled());
    EXPECT_FALSE(arrange->isEnabled());
    EXPECT_TRUE(plain->isEnabled());
    EXPECT_FALSE(TDGraphicView::validationTag(plain).has_value());

    select(Selected::TwoRectangles);
    view->validateMenuItems(menu.actions());
    EXPECT_TRUE(needsTwo->isEnabled());
    EXPECT_TRUE(arrange->isEnabled());

    toolbar->addAction(toolbar->itemForItemIdentifier(QStringLiteral("union")));
    QAction *unionItem = toolbar->itemWithIdentifier(QStringLiteral("union"));
    ASSERT_NE(unionItem, nullptr);
    EXPECT_FALSE(unionItem->isEnabled()) << "no command yet";
    int ran = 0;
    toolbar->setItemCommand(QStringLiteral("union"), [&ran](int tag) {
        EXPECT_EQ(tag, 2);
        ++ran;
    });
    EXPECT_TRUE(unionItem->isEnabled());
    unionItem->trigger();
    EXPECT_EQ(ran, 1);
    // A click on empty canvas clears the selection, which disables it.
    click(at(Point(400, 400)));
    EXPECT_TRUE(view->selection().empty());
    EXPECT_FALSE(unionItem->isEnabled());
}

TEST_F(MenuValidationTest, ContextualMenuByToolAndNoneOverAKnob)
{
    QMenu edit;
    QMenu selectMany;
    view->setContextualMenus(&edit, &selectMany);
    const auto clickAt = [this](Point p) {
        TDEvent event;
        event.type = TDEvent::Type::MouseDown;
        const QPointF inWindow = view->mapTo(window.get(), at(p));
        event.locationInWindow = Point(float(inWindow.x()), float(inWindow.y()));
        return event;
    };
    select(Selected::OneRectangle);
    EXPECT_EQ(view->menuForEvent(clickAt(Point(400, 400))), &selectMany);
    // The bottom-right knob of (50, 50, 60, 60) lies 10 pixels outside.
    EXPECT_EQ(view->menuForEvent(clickAt(Point(120, 120))), nullptr);
    toolbar->toolStrip()->select(Tool::Edit);
    EXPECT_EQ(view->menuForEvent(clickAt(Point(400, 400))), &edit);
    view->setContextualMenus(nullptr, nullptr);
}
