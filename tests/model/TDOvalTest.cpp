#include "ShapeTestDoubles.h"

#include "model/TDModelArchiving.h"
#include "model/TDOval.h"
#include "model/TDStrokeStyle.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {

std::shared_ptr<TDOval> oval(const Rect &bounds)
{
    auto o = std::make_shared<TDOval>();
    o->setTransformation(TDGraphic::transformForBounds(bounds));
    return o;
}

void expectNear(Point actual, Point expected, float tolerance = 1e-4f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

// The drag that takes a handle of a 100 x 100 oval at the origin from `from`
// to the point at `degrees` and `radius` (in unit-square terms) around the
// centre.
AffineTransform dragTo(Point from, double degrees, double radius)
{
    const double a = degrees / 57.29577951308232;
    const Point to(float(50 + 100 * radius * std::cos(a)), float(50 - 100 * radius * std::sin(a)));
    return AffineTransform::makeTranslation(to.x - from.x, to.y - from.y);
}

} // namespace

TEST(TDOval, PathsOfEllipsesArcsAndPies)
{
    auto a = std::make_shared<TDOval>();
    auto b = std::make_shared<TDOval>();
    EXPECT_EQ(a->bezierPath(), b->bezierPath()); // the one full ellipse
    EXPECT_EQ(a->bezierPath()->bounds(), Rect(0, 0, 1, 1));

    b->setAngleB(90);
    auto arc = b->bezierPath();
    ASSERT_EQ(arc->elementCount(), 2);
    Point p[3];
    EXPECT_EQ(arc->elementAtIndex(0, p), PathElementType::MoveTo);
    expectNear(p[0], Point(0.5f, 0)); // -90 degrees
    EXPECT_EQ(arc->elementAtIndex(1, p), PathElementType::CurveTo);
    expectNear(p[2], Point(1, 0.5f)); // 0 degrees

    b->setJoined(true);
    auto pie = b->bezierPath();
    ASSERT_EQ(pie->elementCount(), 4);
    EXPECT_EQ(pie->elementAtIndex(2, p), PathElementType::LineTo);
    expectNear(p[0], Point(0.5f, 0.5f));
    EXPECT_EQ(pie->elementAtIndex(3), PathElementType::ClosePath);

    // Equal angles, whatever they are, are the full ellipse.
    b->setAngleA(90);
    EXPECT_EQ(b->bezierPath(), a->bezierPath());
}

TEST(TDOval, HandlePoints)
{
    auto o = oval(Rect(0, 0, 100, 100));
    o->setAngleA(90);
    o->setAngleB(180);
    expectNear(o->node(-1), Point(50, 0));
    expectNear(o->node(-2), Point(0, 50));
    expectNear(o->node(-3), Point(50, 0));
    expectNear(o->node(-4), Point(0, 50));
    expectNear(o->node(3), Point());

    DrawingCanvas canvas;
    EXPECT_EQ(o->nodeUnderPoint(Point(52, 2), &canvas), -1); // -1 before -3 at the same place
    EXPECT_EQ(o->nodeUnderPoint(Point(1, 49), &canvas), -2);
    EXPECT_EQ(o->nodeUnderPoint(Point(50, 50), &canvas), TDNotFound);
}

TEST(TDOval, AngleHandlesMakePiesInsideAndArcsOutside)
{
    struct Case {
        double degrees;
        double radius;
        unsigned flags;
        float angleA;
        bool joined;
        QString status;
    };
    // Angle B stands at 90 degrees; handle A starts at 0 degrees, (100, 50).
    const Case cases[] = {
        {45, 0.3, 0, 45, true, QStringLiteral("Angles: 45.00° to 90.00°")},
        {45, 0.7, 0, 45, false, QStringLiteral("Angles: 45.00° to 90.00°")},
        // Within 3 degrees of angle B the shape closes, unless Option.
        {88, 0.4, 0, 90, true, QStringLiteral("Angles: 90.00° to 90.00°")},
        {88, 0.4, TDEvent::Alternate, 88, true, QStringLiteral("Angles: 88.00° to 90.00°")},
        // Shift rounds to 15 degrees.
        {50, 0.4, TDEvent::Shift, 45, true, QStringLiteral("Angles: 45.00° to 90.00°")},
        // Negative angles are shown a turn later.
        {-30, 0.4, 0, -30, true, QStringLiteral("Angles: 330.00° to 90.00°")},
        // On the left the angle is taken from below -90.
        {135, 0.4, 0, -225, true, QStringLiteral("Angles: 135.00° to 90.00°")},
    };
    for (const Case &c : cases) {
        ShapeScene scene;
        auto o = scene.add(oval(Rect(0, 0, 100, 100)));
        o->setAngleB(90);
        o->startManipulation();
        o->transformControl(-1, dragTo(Point(100, 50), c.degrees, c.radius), c.flags);
        EXPECT_NEAR(o->angleA(), c.angleA, 1e-3) << c.degrees;
        EXPECT_EQ(o->joined(), c.joined) << c.degrees;
        ASSERT_FALSE(scene.document.statusTexts.empty());
        EXPECT_EQ(scene.document.statusTexts.back(), c.status);
        o->stopManipulation();
    }
}

TEST(TDOval, ShiftRoundsHalvesAwayFromZero)
{
    const std::pair<float, float> cases[] = {{20, 15},      {-20, -15},  {-23, -30},
                                             {-22.5f, -30}, {22.5f, 30}, {7, 0}};
    for (const auto &[in, out] : cases)
        EXPECT_EQ(TDOval::roundedAngle(in), out) << in;
}

TEST(TDOval, SizeHandlesScaleAboutTheCentreLine)
{
    struct Case {
        int handle;
        AffineTransform drag;
        QString status;
        Rect bounds;
    };
    // A 100 x 100 oval at the origin; height handle at (50, 0), width
    // handle at (0, 50).
    const Case cases[] = {
        {-3, AffineTransform::makeTranslation(0, 50), QStringLiteral("Height: 0.00%"), Rect(0, 50, 100, 0)},
        {-3, AffineTransform::makeTranslation(0, -50), QStringLiteral("Height: 200.00%"),
         Rect(0, -50, 100, 200)},
        {-3, AffineTransform::makeTranslation(0, 100), QStringLiteral("Height: -100.00%"),
         Rect(0, 0, 100, 100)},
        {-4, AffineTransform::makeTranslation(25, 0), QStringLiteral("Width: 50.00%"), Rect(25, 0, 50, 100)},
    };
    for (const Case &c : cases) {
        ShapeScene scene;
        auto o = scene.add(oval(Rect(0, 0, 100, 100)));
        o->startManipulation();
        o->transformControl(c.handle, c.drag, 0);
        ASSERT_FALSE(scene.document.statusTexts.empty());
        EXPECT_EQ(scene.document.statusTexts.back(), c.status);
        EXPECT_NEAR(o->bounds().minX(), c.bounds.minX(), 1e-3) << c.status.toStdString();
        EXPECT_NEAR(o->bounds().minY(), c.bounds.minY(), 1e-3) << c.status.toStdString();
        EXPECT_NEAR(o->bounds().width(), c.bounds.width(), 1e-3) << c.status.toStdString();
        EXPECT_NEAR(o->bounds().height(), c.bounds.height(), 1e-3) << c.status.toStdString();
        o->stopManipulation();
    }
}

TEST(TDOval, SettersRegisterChangesAndADragRegistersAtItsEnd)
{
    ShapeScene scene;
    auto o = scene.add(oval(Rect(0, 0, 100, 100)));
    TDUndoManager &undo = scene.document.undo();
    o->setAngleA(0); // unchanged
    o->setJoined(false);
    EXPECT_FALSE(undo.canUndo());
    o->setAngleB(90);
    undo.undo();
    EXPECT_EQ(o->angleB(), 0);
    EXPECT_FALSE(undo.canUndo());
    o->setAngleB(90);
    undo.removeAllActions();

    undo.beginUndoGrouping();
    o->startManipulation();
    o->transformControl(-1, dragTo(Point(100, 50), 45, 0.3), 0);
    o->transformControl(-1, dragTo(Point(100, 50), 30, 0.2), 0);
    EXPECT_FALSE(undo.lastRegistration()); // nothing yet
    o->stopManipulation();
    undo.endUndoGrouping();
    EXPECT_NEAR(o->angleA(), 30, 1e-3);
    EXPECT_TRUE(o->joined());

    undo.undo();
    EXPECT_EQ(o->angleA(), 0);
    EXPECT_EQ(o->angleB(), 90);
    EXPECT_FALSE(o->joined());
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_NEAR(o->angleA(), 30, 1e-3);
    EXPECT_TRUE(o->joined());
}

TEST(TDOval, DragsThroughASingularTransformationAreSkipped)
{
    ShapeScene scene;
    auto o = scene.add(oval(Rect(0, 0, 100, 0)));
    o->setAngleB(90);
    o->startManipulation();
    o->transformControl(-1, AffineTransform::makeTranslation(-30, -30), 0);
    o->transformControl(-3, AffineTransform::makeTranslation(0, 10), 0);
    o->transformControl(-4, AffineTransform::makeTranslation(10, 0), 0);
    EXPECT_EQ(o->angleA(), 0);
    EXPECT_EQ(o->transformation(), TDGraphic::transformForBounds(Rect(0, 0, 100, 0)));
    EXPECT_TRUE(scene.document.statusTexts.empty());
    o->stopManipulation();
    EXPECT_TRUE(isFinitePath(*o->cachedBezierPath()));
}

TEST(TDOval, EditingBoundsCoverTheWholeEllipse)
{
    auto o = oval(Rect(0, 0, 100, 100));
    o->setAngleB(90); // the top right quarter
    EXPECT_NEAR(o->bounds().minX(), 50, 1e-3);
    const Rect editing = o->editingBounds();
    EXPECT_LE(editing.minX(), 0);
    EXPECT_LE(editing.minY(), 0);
    EXPECT_GE(editing.maxX(), 100);
    EXPECT_GE(editing.maxY(), 100);
    o->setHasShadow(true);
    EXPECT_LE(o->editingBounds().minX(), -o->shadowRadius() - o->shadowDistance());
}

TEST(TDOval, DrawsItsFourHandles)
{
    ShapeScene scene;
    auto o = scene.add(oval(Rect(0, 0, 100, 100)));
    o->setAngleB(90);
    scene.canvas.drawEditing(*o, 120, 120);
    ASSERT_EQ(scene.canvas.handles.size(), 4u);
    EXPECT_EQ(scene.canvas.handles[0], std::make_pair(Point(50, 0), HandleType::Edge));
    EXPECT_EQ(scene.canvas.handles[1], std::make_pair(Point(0, 50), HandleType::Edge));
    EXPECT_EQ(scene.canvas.handles[2], std::make_pair(Point(100, 50), HandleType::CurveControl));
    EXPECT_EQ(scene.canvas.handles[3].second, HandleType::CurveControl);
    expectNear(scene.canvas.handles[3].first, Point(50, 0));
}

TEST(TDOval, DictionaryAndArchive)
{
    TDModelArchiving::registerClasses();
    auto o = oval(Rect(5, 6, 70, 80));
    o->setName(QStringLiteral("Pie"));
    o->setAngleA(-30);
    o->setAngleB(120);
    o->setJoined(true);
    o->strokeStyle()->setStrokeWidth(3);
    const PropertyList d = o->toYAML();
    EXPECT_EQ(d.value(QStringLiteral("angleA")).toFloat(), -30);
    EXPECT_EQ(d.value(QStringLiteral("angleB")).toFloat(), 120);
    EXPECT_EQ(d.value(QStringLiteral("joined")), PropertyList(true));
    EXPECT_EQ(oval(Rect(0, 0, 1, 1))->toYAML().value(QStringLiteral("joined")), PropertyList(false));

    const auto copy = TDOval::objectWithYAML(d);
    EXPECT_EQ(copy->toYAML(), d);
    EXPECT_EQ(copy->cachedBezierPath()->elementCount(), o->cachedBezierPath()->elementCount());

    const auto data = KeyedArchiver::archivedData(PropertyList(o));
    ASSERT_TRUE(data);
    const auto root = KeyedUnarchiver::unarchive(*data);
    ASSERT_TRUE(root);
    const auto back = root->objectAs<TDOval>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toYAML(), d);
    EXPECT_EQ(back->bounds(), o->bounds());

    PropertyList wrong = d;
    wrong.insert(QStringLiteral("angleA"), QStringLiteral("north"));
    wrong.insert(QStringLiteral("joined"), PropertyList(PropertyList::Array()));
    const auto skipped = TDOval::objectWithYAML(wrong);
    EXPECT_EQ(skipped->angleA(), 0);
    EXPECT_FALSE(skipped->joined());
    EXPECT_EQ(skipped->angleB(), 120);
}
