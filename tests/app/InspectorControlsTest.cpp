// The small controls of the inspector: the shadow joystick and the
// reference-point picker.

#include "app/JoystickView.h"
#include "app/TDTransformCentreView.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace scrivane;

TEST(JoystickView, DraggingSetsAngleFromStraightUpAndHoldsTheDistance)
{
    JoystickView joystick;
    const QPointF c(joystick.width() / 2.0, joystick.height() / 2.0);
    QSignalSpy offsets(&joystick, &JoystickView::offsetChanged);
    QSignalSpy angles(&joystick, &JoystickView::angleChanged);
    const struct {
        const char *name;
        QPointF at;
        float angle;
        float offset;
    } rows[] = {
        {"straight up, beyond the limit", c + QPointF(0, -50), 0, 15},
        {"right", c + QPointF(10, 0), 90, 10},
        {"down", c + QPointF(0, 5), 180, 5},
        {"left", c + QPointF(-8, 0), 270, 8},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        joystick.updateForPosition(row.at);
        EXPECT_NEAR(joystick.angle(), row.angle, 1e-3);
        EXPECT_NEAR(joystick.offset(), row.offset, 1e-3);
    }
    EXPECT_EQ(offsets.count(), 4);
    EXPECT_EQ(angles.count(), 4);
    // The refresh sets both without telling anyone.
    offsets.clear();
    angles.clear();
    joystick.setAngle(45, 3);
    EXPECT_EQ(offsets.count(), 0);
    EXPECT_EQ(angles.count(), 0);
    EXPECT_EQ(joystick.offset(), 3);
}

TEST(TDTransformCentreView, TheReferencePointOfEachSquare)
{
    TDTransformCentreView picker;
    const Rect bounds(10, 20, 100, 50);
    using C = TDTransformCentreView::Column;
    using R = TDTransformCentreView::Row;
    const struct {
        C column;
        R row;
        Point expected;
    } rows[] = {
        {C::Left, R::Top, Point(10, 20)},       {C::Centre, R::Centre, Point(60, 45)},
        {C::Right, R::Bottom, Point(110, 70)},  {C::Right, R::Top, Point(110, 20)},
    };
    for (const auto &row : rows) {
        picker.setModes(row.column, row.row);
        EXPECT_EQ(picker.originFromBounds(bounds), row.expected);
    }
}
