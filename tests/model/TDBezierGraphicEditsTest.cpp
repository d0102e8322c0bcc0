#include "ShapeTestDoubles.h"

#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <functional>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// Paths written the short way: "M x y", "L x y", "C x1 y1 x2 y2 x y", "Z".
PathBase pathOf(const QString &text)
{
    PathBase path;
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto number = [&words](int i) { return words.value(i).toFloat(); };
    for (int i = 0; i < words.size();) {
        const QString op = words[i];
        if (op == QLatin1String("M")) {
            path.moveTo(Point(number(i + 1), number(i + 2)));
            i += 3;
        } else if (op == QLatin1String("L")) {
            path.lineTo(Point(number(i + 1), number(i + 2)));
            i += 3;
        } else if (op == QLatin1String("C")) {
            path.curveTo(Point(number(i + 5), number(i + 6)), Point(number(i + 1), number(i + 2)),
                         Point(number(i + 3), number(i + 4)));
            i += 7;
        } else {
            path.close();
            i += 1;
        }
    }
    return path;
}

QString textOf(const PathBase &path)
{
    QStringList words;
    const auto add = [&words](Point p) {
        words << QString::number(double(p.x), 'g', 5) << QString::number(double(p.y), 'g', 5);
    };
    for (const PathBase::Element &e : path.elements()) {
        switch (e.type) {
        case PathElementType::MoveTo:
            words << QStringLiteral("M");
            add(e.points[0]);
            break;
        case PathElementType::LineTo:
            words << QStringLiteral("L");
            add(e.points[0]);
            break;
        case PathElementType::CurveTo:
            words << QStringLiteral("C");
            for (const Point &p : e.points)
                add(p);
            break;
        case PathElementType::ClosePath:
            words << QStringLiteral("Z");
            break;
        }
    }
    return words.join(QLatin1Char(' '));
}

const char *const square = "M 0 0 L 10 0 L 10 10 L 0 10 Z";

struct EditCase {
    const char *name;
    const char *before;
    std::function<void(TDBezierGraphic &)> edit;
    const char *after;
};

void PrintTo(const EditCase &c, std::ostream *out)
{
    *out << c.name;
}

class PathEdits : public ::testing::TestWithParam<EditCase> {};

TEST_P(PathEdits, GiveThePath)
{
    const EditCase &c = GetParam();
    ShapeScene scene;
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(pathOf(QString::fromLatin1(c.before))));
    c.edit(*g);
    EXPECT_EQ(textOf(*g->bezierPath()), QString::fromLatin1(c.after));
    EXPECT_EQ(g->layer(), scene.layer);
}

using G = TDBezierGraphic;

INSTANTIATE_TEST_SUITE_P(
    TDBezierGraphic, PathEdits,
    ::testing::Values(
        EditCase{"curve_a_line_at_its_thirds", "M 0 0 L 30 0", [](G &g) { g.curveNodes({1}); },
                 "M 0 0 C 10 0 20 0 30 0"},
        EditCase{"curve_after_a_close_starts_from_the_last_node", "M 0 0 L 30 0 Z M 60 0 L 90 30",
                 [](G &g) { g.curveNodes({4}); }, "M 0 0 L 30 0 Z M 60 0 C 70 10 80 20 90 30"},
        EditCase{"flat_then_curve_puts_the_controls_at_the_thirds", "M 0 0 C 0 30 30 30 30 0",
                 [](G &g) {
                     g.flatNodes({1});
                     g.curveNodes({1});
                 },
                 "M 0 0 C 10 0 20 0 30 0"},
        EditCase{"split_doubles_the_node", "M 0 0 L 10 0 L 20 0", [](G &g) { g.splitNodes({1}); },
                 "M 0 0 L 10 0 L 10 0 L 20 0"},
        EditCase{"delete_the_start", "M 0 0 L 10 0 L 20 0", [](G &g) { g.deleteNodes({0}); }, "M 10 0 L 20 0"},
        EditCase{"delete_an_inner_node", "M 0 0 L 10 0 L 20 0", [](G &g) { g.deleteNodes({1}); },
                 "M 0 0 L 20 0"},
        EditCase{"delete_a_whole_subpath", "M 0 0 L 10 0 M 20 0 L 30 0", [](G &g) { g.deleteNodes({0, 1}); },
                 "M 20 0 L 30 0"},
        EditCase{"delete_leaves_no_lonely_move", "M 0 0 L 10 0 M 20 0 L 30 0", [](G &g) { g.deleteNodes({1}); },
                 "M 20 0 L 30 0"},
        EditCase{"delete_the_start_of_a_closed_path", square, [](G &g) { g.deleteNodes({0}); },
                 "M 10 0 L 10 10 L 0 10 Z"},
        EditCase{"connect_both_ends_of_one_subpath_closes_it", "M 0 0 L 10 0 L 10 10",
                 [](G &g) { g.connectNodes({0, 2}); }, "M 0 0 L 10 0 L 10 10 Z"},
        EditCase{"connect_an_end_to_a_later_start", "M 0 0 L 10 0 M 20 0 L 30 0",
                 [](G &g) { g.connectNodes({1, 2}); }, "M 0 0 L 10 0 L 20 0 L 30 0"},
        EditCase{"connect_an_end_to_an_earlier_start", "M 0 0 L 10 0 M 20 0 L 30 0",
                 [](G &g) { g.connectNodes({0, 3}); }, "M 20 0 L 30 0 L 0 0 L 10 0"},
        EditCase{"connect_two_ends_turns_the_second_round", "M 0 0 L 10 0 M 30 0 L 20 0",
                 [](G &g) { g.connectNodes({1, 3}); }, "M 0 0 L 10 0 L 20 0 L 30 0"},
        EditCase{"connect_two_starts_turns_the_second_round", "M 10 0 L 0 0 M 20 0 L 30 0",
                 [](G &g) { g.connectNodes({0, 2}); }, "M 30 0 L 20 0 L 10 0 L 0 0"},
        EditCase{"connect_picks_the_nearest_of_the_others", "M 0 0 L 10 0 M 50 0 L 90 0 M 14 0 L 14 9",
                 [](G &g) { g.connectNodes({1, 3, 4}); }, "M 0 0 L 10 0 L 14 0 L 14 9 M 50 0 L 90 0"},
        EditCase{"connect_refuses_an_inner_node", "M 0 0 L 10 0 L 20 0 M 30 0 L 40 0",
                 [](G &g) { g.connectNodes({1, 3}); }, "M 0 0 L 10 0 L 20 0 M 30 0 L 40 0"},
        EditCase{"connect_refuses_a_closed_subpath", "M 0 0 L 10 0 L 10 10 Z M 30 0 L 40 0",
                 [](G &g) { g.connectNodes({0, 5}); }, "M 0 0 L 10 0 L 10 10 Z M 30 0 L 40 0"},
        EditCase{"cut_an_open_path", "M 0 0 L 10 0 L 20 0", [](G &g) { g.cutNodes({1}); },
                 "M 0 0 L 10 0 M 10 0 L 20 0"},
        EditCase{"cut_a_closed_square_once", square, [](G &g) { g.cutNodes({1}); },
                 "M 10 0 L 10 10 L 0 10 L 0 0 L 10 0"},
        EditCase{"cut_a_closed_square_at_its_start", square, [](G &g) { g.cutNodes({0}); },
                 "M 0 0 L 10 0 L 10 10 L 0 10 L 0 0"},
        EditCase{"cut_a_closed_square_twice", square, [](G &g) { g.cutNodes({1, 3}); },
                 "M 10 0 L 10 10 L 0 10 M 0 10 L 0 0 L 10 0"},
        EditCase{"cut_a_square_that_returns_to_its_start", "M 0 0 L 10 0 L 10 10 L 0 0 Z",
                 [](G &g) { g.cutNodes({3}); }, "M 0 0 L 10 0 L 10 10 L 0 0"},
        // Each closed subpath opens at its own cut node, whatever the order
        // of the subpaths.
        EditCase{"cut_several_closed_subpaths", "M 0 0 L 10 0 L 10 10 Z M 20 0 L 30 0 L 30 10 Z M 40 0 L 50 0 Z",
                 [](G &g) { g.cutNodes({2, 5}); },
                 "M 10 10 L 0 0 L 10 0 L 10 10 M 30 0 L 30 10 L 20 0 L 30 0 M 40 0 L 50 0 Z"},
        EditCase{"split_a_line", "M 0 0 L 10 0", [](G &g) { EXPECT_EQ(g.splitPath(1, 0.3f), 1); },
                 "M 0 0 L 3 0 L 10 0"},
        EditCase{"split_a_closing_line", "M 0 0 L 10 0 Z", [](G &g) { EXPECT_EQ(g.splitPath(2, 0.5f), 2); },
                 "M 0 0 L 10 0 L 5 0 Z"},
        EditCase{"split_a_curve_in_half", "M 0 0 C 0 8 8 8 8 0", [](G &g) { EXPECT_EQ(g.splitPath(1, 0.5f), 1); },
                 "M 0 0 C 0 4 2 6 4 6 C 6 6 8 4 8 0"},
        EditCase{"split_refuses_a_move", "M 0 0 L 10 0",
                 [](G &g) { EXPECT_EQ(g.splitPath(0, 0.5f), TDNotFound); }, "M 0 0 L 10 0"},
        EditCase{"split_refuses_no_number", "M 0 0 L 10 0",
                 [](G &g) { EXPECT_EQ(g.splitPath(1, std::nanf("")), TDNotFound); }, "M 0 0 L 10 0"},
        EditCase{"numbers_that_name_no_node_change_nothing", "M 0 0 L 10 0",
                 [](G &g) {
                     g.curveNodes({7, -4});
                     g.deleteNodes({9});
                     g.cutNodes({-1});
                     g.connectNodes({1, 40});
                 },
                 "M 0 0 L 10 0"}),
    [](const ::testing::TestParamInfo<EditCase> &info) { return std::string(info.param.name); });

TEST(TDBezierGraphic, EachPathEditIsOneUndoStep)
{
    const std::vector<std::function<void(G &)>> edits = {
        [](G &g) { g.curveNodes({1, 2}); },   [](G &g) { g.flatNodes({3}); },
        [](G &g) { g.splitNodes({2}); },      [](G &g) { g.deleteNodes({1}); },
        [](G &g) { g.cutNodes({2}); },        [](G &g) { g.connectNodes({0, 3}); },
        [](G &g) { g.splitPath(3, 0.25f); },
    };
    const PathBase before = pathOf(QStringLiteral("M 0 0 L 10 0 L 10 10 C 5 15 0 15 0 10"));
    for (size_t k = 0; k < edits.size(); ++k) {
        SCOPED_TRACE(k);
        ShapeScene scene;
        auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(before));
        TDUndoManager &undo = scene.document.undo();
        undo.beginUndoGrouping();
        edits[k](*g);
        undo.endUndoGrouping();
        const QString edited = textOf(*g->bezierPath());
        EXPECT_NE(edited, textOf(before));
        undo.undo();
        EXPECT_EQ(textOf(*g->bezierPath()), textOf(before));
        EXPECT_EQ(textOf(*g->cachedBezierPath()), textOf(before));
        undo.redo();
        EXPECT_EQ(textOf(*g->bezierPath()), edited);
    }
}

TEST(TDBezierGraphic, AnEditThatChangesNothingLeavesNoUndoStep)
{
    ShapeScene scene;
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(pathOf(QStringLiteral("M 0 0 C 0 8 8 8 8 0"))));
    TDUndoManager &undo = scene.document.undo();
    undo.beginUndoGrouping();
    g->curveNodes({1}); // already a curve
    g->flatNodes({0});  // a move
    g->cutNodes({1});   // the end of an open path
    undo.endUndoGrouping();
    EXPECT_FALSE(undo.canUndo());
}

TEST(TDBezierGraphic, DeletingEveryNodeTakesTheGraphicOutOfItsDocument)
{
    ShapeScene scene;
    std::weak_ptr<TDBezierGraphic> weak;
    {
        auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(pathOf(QString::fromLatin1(square))));
        scene.canvas.selection = {g};
        weak = g;
    }
    TDUndoManager &undo = scene.document.undo();
    undo.beginUndoGrouping();
    // The layer and the selection hold the graphic; both let go of it
    // inside its own call.
    weak.lock()->deleteNodes({0, 1, 2, 3});
    undo.endUndoGrouping();
    EXPECT_TRUE(scene.layer->graphics().empty());
    EXPECT_TRUE(scene.canvas.selection.empty());
    undo.undo();
    ASSERT_EQ(scene.layer->graphics().size(), 1u);
    const auto back = std::dynamic_pointer_cast<TDBezierGraphic>(scene.layer->graphics().front());
    ASSERT_TRUE(back);
    EXPECT_EQ(textOf(*back->bezierPath()), QString::fromLatin1(square));
}

} // namespace
