#include "platform/AffineTransform.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;

namespace {

void expectNear(Point actual, Point expected, float tolerance = 1e-5f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

} // namespace

TEST(AffineTransform, DefaultIsTheIdentity)
{
    const AffineTransform t;
    EXPECT_TRUE(t.isIdentity());
    EXPECT_EQ(t.transformPoint(Point(3, -4)), Point(3, -4));
    AffineTransform moved;
    moved.translate(0.0001f, 0);
    EXPECT_FALSE(moved.isIdentity()) << "no tolerance";
    moved.setIdentity();
    EXPECT_TRUE(moved.isIdentity());
}

TEST(AffineTransform, AppendActsAfterAndPrependBefore)
{
    const AffineTransform moveRight = AffineTransform::makeTranslation(10, 0);
    const AffineTransform twice = AffineTransform::makeScale(2, 2);

    AffineTransform appended = moveRight;
    appended.append(twice); // move, then scale
    EXPECT_EQ(appended.transformPoint(Point(1, 0)), Point(22, 0));

    AffineTransform prepended = moveRight;
    prepended.prepend(twice); // scale, then move
    EXPECT_EQ(prepended.transformPoint(Point(1, 0)), Point(12, 0));
}

TEST(AffineTransform, StepsPrependSoThatTheLastStepActsFirst)
{
    // Translate by a rectangle's origin, then scale by its size: the unit
    // square lands on the rectangle.
    AffineTransform t;
    t.translate(10, 20);
    t.scale(30, 40);
    EXPECT_EQ(t.transformPoint(Point(0, 0)), Point(10, 20));
    EXPECT_EQ(t.transformPoint(Point(1, 1)), Point(40, 60));

    AffineTransform r;
    r.translate(5, 0);
    r.rotateByDegrees(90);
    expectNear(r.transformPoint(Point(1, 0)), Point(5, 1));
}

TEST(AffineTransform, QuarterTurnsAreExact)
{
    const AffineTransform quarter = AffineTransform::makeRotationByDegrees(90);
    EXPECT_EQ(quarter, AffineTransform(0, 1, -1, 0, 0, 0));
    EXPECT_EQ(AffineTransform::makeRotationByDegrees(-90), AffineTransform(0, -1, 1, 0, 0, 0));
    EXPECT_EQ(AffineTransform::makeRotationByDegrees(540), AffineTransform(-1, 0, 0, -1, 0, 0));
    AffineTransform full;
    for (int i = 0; i < 4; ++i)
        full.rotateByDegrees(90);
    EXPECT_TRUE(full.isIdentity());
    AffineTransform radians;
    radians.rotateByRadians(static_cast<float>(M_PI / 6));
    expectNear(radians.transformPoint(Point(1, 0)), Point(std::sqrt(3.0f) / 2, 0.5f));
}

TEST(AffineTransform, ShearIsPrepended)
{
    AffineTransform shear;
    shear.shearXBy(2, 0);
    EXPECT_EQ(shear.transformPoint(Point(0, 1)), Point(2, 1));
    AffineTransform shearY;
    shearY.shearYBy(0.5f);
    EXPECT_EQ(shearY.transformPoint(Point(2, 0)), Point(2, 1));

    // Sheared first, then rotated: (0, 1) -> (1, 1) -> (-1, 1).  Appending
    // would have given (-1, 0).
    AffineTransform t = AffineTransform::makeRotationByDegrees(90);
    t.shearXBy(1);
    EXPECT_EQ(t.transformPoint(Point(0, 1)), Point(-1, 1));
}

TEST(AffineTransform, SingularMatricesHaveNoInverse)
{
    const AffineTransform singular[] = {
        AffineTransform::makeScale(0, 1),      AffineTransform(1, 2, 2, 4, 5, 6), // rows dependent
        AffineTransform::makeScale(1e-39f, 1), // inverse beyond single precision
        AffineTransform(NAN, 0, 0, 1, 0, 0),   AffineTransform(1, 0, 0, 1, INFINITY, 0),
    };
    for (const AffineTransform &t : singular) {
        SCOPED_TRACE(t.description().toStdString());
        EXPECT_FALSE(t.inverse().has_value());
        AffineTransform copy = t;
        EXPECT_FALSE(copy.invert());
        EXPECT_TRUE(copy == t || std::isnan(t.m11)) << "a failed inversion leaves the receiver alone";
    }
}

TEST(AffineTransform, InverseUndoesTheTransformation)
{
    AffineTransform t;
    t.translate(12, -7);
    t.rotateByDegrees(33);
    t.scale(2, 0.5f);
    t.shearXBy(0.3f);
    const auto inverse = t.inverse();
    ASSERT_TRUE(inverse.has_value());
    for (Point p : {Point(0, 0), Point(5, 9), Point(-120, 44)})
        expectNear(inverse->transformPoint(t.transformPoint(p)), p, 1e-4f);
    AffineTransform copy = t;
    EXPECT_TRUE(copy.invert());
    EXPECT_EQ(copy, *inverse);
}

TEST(AffineTransform, SizesIgnoreTheTranslation)
{
    const AffineTransform t(2, 0, 1, 3, 100, 200);
    EXPECT_EQ(t.transformSize(Size(1, 1)), Size(3, 3));
}

TEST(AffineTransform, TransformRectBoundsTheFourCorners)
{
    const AffineTransform t = AffineTransform::makeRotationByDegrees(45);
    const Rect r = t.transformRect(Rect(0, 0, 1, 1));
    const float half = std::sqrt(2.0f) / 2;
    EXPECT_NEAR(r.minX(), -half, 1e-6);
    EXPECT_NEAR(r.maxX(), half, 1e-6);
    EXPECT_NEAR(r.minY(), 0, 1e-6);
    EXPECT_NEAR(r.maxY(), 2 * half, 1e-6);
    // Centred on the rotated centre of the square.
    const Point centre = t.transformPoint(Point(0.5f, 0.5f));
    EXPECT_NEAR(r.midX(), centre.x, 1e-6);
    EXPECT_NEAR(r.midY(), centre.y, 1e-6);
    EXPECT_EQ(AffineTransform::makeScale(-1, 1).transformRect(Rect(1, 2, 3, 4)), Rect(-4, 2, 3, 4));
}

TEST(AffineTransform, TranslationAndLinearParts)
{
    const AffineTransform t(2, 0.5f, -1, 3, 7, 8);
    EXPECT_EQ(t.translation(), AffineTransform(1, 0, 0, 1, 7, 8));
    EXPECT_EQ(t.untranslatedTransformation(), AffineTransform(2, 0.5f, -1, 3, 0, 0));
    EXPECT_TRUE(t.isTranslationOf(AffineTransform(2, 0.5f, -1, 3, -100, 0)));
    EXPECT_FALSE(t.isTranslationOf(AffineTransform(2, 0.5f, -1, 3.0001f, 7, 8)));
}

TEST(AffineTransform, NonscaleRemovesTheAxisScale)
{
    const AffineTransform t(2, 0, 0, 4, 5, 6);
    EXPECT_EQ(t.nonscaleTransformation(), AffineTransform(1, 0, 0, 1, 5, 6));
    // A quarter turn has no diagonal: the result stays finite.
    const AffineTransform turned = AffineTransform::makeRotationByDegrees(90).nonscaleTransformation();
    EXPECT_EQ(turned, AffineTransform::makeRotationByDegrees(90));
    const AffineTransform half = AffineTransform(0, 1, -1, 2, 0, 0).nonscaleTransformation();
    EXPECT_TRUE(std::isfinite(half.m11) && std::isfinite(half.m21) && std::isfinite(half.m22));
    EXPECT_EQ(half, AffineTransform(0, 1, -0.5f, 1, 0, 0));
}

TEST(AffineTransform, DescriptionListsTheCoefficientsColumnByColumn)
{
    EXPECT_EQ(AffineTransform(1, 2, 3, 4, 5, 6).description(),
              QStringLiteral("(1.00,3.00, 2.00,4.00, 5.00,6.00)"));
    EXPECT_EQ(AffineTransform(-0.125f, 0, 0, 1, 1234.567f, -0.004f).description(),
              QStringLiteral("(-0.12,0.00, 0.00,1.00, 1234.57,-0.00)"));
}
