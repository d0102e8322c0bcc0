#include "app/TDPressureView.h"

#include "document/TDDocument.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDPressureCurve.h"
#include "model/TDStrokeStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

// Two brush strokes in a document; the view edits both and shows the first.
// The view is 224 by 54: its graph runs from (2, 2) to (204, 52), so the
// curve point (x, y) lies at (2 + 202 x, 52 - 25 y).
class PressureViewTest : public ::testing::Test {
protected:
    PressureViewTest()
    {
        document.undoManager()->setGroupsByEvent(false);
        for (auto &g : graphics) {
            g = std::make_shared<TDBezierGraphic>();
            PathBase line;
            line.moveTo(Point(0, 0));
            line.lineTo(Point(100, 0));
            g->setBezierPath(std::make_shared<TDBezierPath>(line));
            g->strokeStyle()->setStyle(TDStrokeStyle::BrushStroke);
            document.addGraphic(g);
        }
        document.undoManager()->removeAllActions();
        view.resize(224, 54);
        view.setToggleCheck(&check);
        view.setGraphic(graphics[0]);
        view.setTargets([this] { return TDGraphicArray{graphics[0], graphics[1]}; });
    }

    void send(QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), view.mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    }
    void drag(QPoint from, QPoint to)
    {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
    std::vector<Point> points(int i = 0) const { return graphics[size_t(i)]->strokeStyle()->pressureArray(); }

    TDDocument document;
    std::shared_ptr<TDBezierGraphic> graphics[2];
    QCheckBox check;
    TDPressureView view;
};

void expectNear(Point a, Point b)
{
    EXPECT_NEAR(a.x, b.x, 0.01);
    EXPECT_NEAR(a.y, b.y, 0.01);
}

} // namespace

TEST_F(PressureViewTest, APressNearAPointDragsItAndFartherAddsOne)
{
    drag(QPoint(6, 29), QPoint(6, 29)); // 4.5 from (0, 1)
    ASSERT_EQ(points().size(), 2u);
    expectNear(points()[0], Point(4 / 202.0f, 23 / 25.0f));
    drag(QPoint(103, 10), QPoint(103, 10));
    ASSERT_EQ(points().size(), 3u);
    expectNear(points()[1], Point(0.5f, 42 / 25.0f));
}

TEST_F(PressureViewTest, DraggingOffTheGraphRemovesAPointWhileTwoOthersRemain)
{
    graphics[0]->strokeStyle()->setPressureArray({Point(0, 1), Point(0.5f, 1), Point(1, 1)});
    drag(QPoint(103, 27), QPoint(103, 100));
    EXPECT_EQ(points(), (std::vector<Point>{Point(0, 1), Point(1, 1)}));
    // With one other left the point stays, held at the graph's edge.
    drag(QPoint(2, 27), QPoint(2, 100));
    ASSERT_EQ(points().size(), 2u);
    expectNear(points()[0], Point(0, 0));
}

TEST_F(PressureViewTest, EditingSwitchesPressureOnInOneUndoStepForEveryStroke)
{
    ASSERT_FALSE(graphics[0]->strokeStyle()->usesPressure());
    drag(QPoint(103, 10), QPoint(150, 40));
    for (int i : {0, 1}) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(graphics[size_t(i)]->strokeStyle()->usesPressure());
        ASSERT_EQ(points(i).size(), 3u);
        expectNear(points(i)[1], Point(148 / 202.0f, 12 / 25.0f));
    }
    EXPECT_TRUE(check.isChecked());
    document.undoManager()->undo();
    EXPECT_FALSE(document.undoManager()->canUndo()) << "one step";
    for (int i : {0, 1}) {
        EXPECT_FALSE(graphics[size_t(i)]->strokeStyle()->usesPressure());
        EXPECT_EQ(points(i), TDPressureCurve::defaultPoints());
    }
}

TEST_F(PressureViewTest, ResetIsOneNamedStep)
{
    drag(QPoint(103, 10), QPoint(103, 10));
    const std::vector<Point> edited = points();
    view.reset();
    EXPECT_EQ(points(0), TDPressureCurve::defaultPoints());
    EXPECT_EQ(points(1), TDPressureCurve::defaultPoints());
    EXPECT_EQ(document.undoManager()->undoActionName(), "Reset Pressure");
    document.undoManager()->undo();
    EXPECT_EQ(points(0), edited);
    EXPECT_EQ(points(1), edited);
}

TEST_F(PressureViewTest, TheCheckBoxSwitchesPressure)
{
    check.click();
    EXPECT_TRUE(graphics[0]->strokeStyle()->usesPressure());
    EXPECT_TRUE(graphics[1]->strokeStyle()->usesPressure());
    view.setGraphic(nullptr);
    EXPECT_FALSE(check.isChecked());
}

TEST_F(PressureViewTest, TinyViewsAndStrayDragsEditNothing)
{
    send(QEvent::MouseMove, QPoint(103, 10), Qt::LeftButton); // no press came first
    send(QEvent::MouseButtonRelease, QPoint(103, 10), Qt::NoButton);
    view.resize(20, 3);
    drag(QPoint(5, 1), QPoint(10, 2));
    EXPECT_EQ(points(), TDPressureCurve::defaultPoints());
    EXPECT_FALSE(graphics[0]->strokeStyle()->usesPressure());
    EXPECT_FALSE(document.undoManager()->canUndo());
    view.grab(); // draws without a graph
}
