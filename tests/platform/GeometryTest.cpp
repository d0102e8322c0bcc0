#include "platform/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;

TEST(Geometry, RectanglesCompareByOriginAndSize)
{
    EXPECT_EQ(Rect(1, 2, 3, 4), Rect(Point(1, 2), Size(3, 4)));
    EXPECT_NE(Rect(1, 2, 3, 4), Rect(1, 2, 3, 5));
}

TEST(Geometry, PointsOnTheMaximumEdgesAreOutside)
{
    const Rect r(0, 0, 10, 10);
    struct Case {
        Point p;
        bool inside;
    };
    const Case cases[] = {
        {{0, 0}, true},        {{5, 0}, true},    {{0, 5}, true},    {{9.999f, 9.999f}, true},
        {{10, 5}, false},      {{5, 10}, false},  {{10, 10}, false}, {{-0.001f, 5}, false},
        {{5, -0.001f}, false}, {{NAN, 5}, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(r.contains(c.p), c.inside) << c.p.x << ", " << c.p.y;
    EXPECT_FALSE(Rect(0, 0, 0, 10).contains(Point(0, 5))) << "an empty rectangle contains nothing";
    EXPECT_FALSE(Rect(10, 0, -10, 10).contains(Point(5, 5))) << "negative width counts as empty";
}

TEST(Geometry, Emptiness)
{
    EXPECT_TRUE(Rect().isEmpty());
    EXPECT_TRUE(Rect(0, 0, 0, 5).isEmpty());
    EXPECT_TRUE(Rect(0, 0, 5, -1).isEmpty());
    EXPECT_TRUE(Rect(0, 0, NAN, 5).isEmpty());
    EXPECT_FALSE(Rect(-5, -5, 0.001f, 0.001f).isEmpty());
}

TEST(Geometry, UnionIgnoresEmptyRectangles)
{
    const Rect a(0, 0, 10, 10), b(20, -5, 5, 5);
    EXPECT_EQ(a.united(b), Rect(0, -5, 25, 15));
    EXPECT_EQ(b.united(a), Rect(0, -5, 25, 15));
    // An empty rectangle far away must not stretch the union.
    EXPECT_EQ(a.united(Rect(100, 100, 0, 0)), a);
    EXPECT_EQ(Rect(-100, -100, 0, 50).united(a), a);
    EXPECT_EQ(Rect(5, 5, 0, 0).united(Rect(7, 7, -1, 3)), Rect());
}

TEST(Geometry, IntersectionNeedsACommonArea)
{
    const Rect a(0, 0, 10, 10);
    EXPECT_EQ(a.intersected(Rect(5, -5, 10, 10)), Rect(5, 0, 5, 5));
    EXPECT_TRUE(a.intersects(Rect(5, -5, 10, 10)));
    // Touching edges or corners share no area.
    EXPECT_FALSE(a.intersects(Rect(10, 0, 5, 5)));
    EXPECT_EQ(a.intersected(Rect(10, 0, 5, 5)), Rect());
    EXPECT_FALSE(a.intersects(Rect(10, 10, 1, 1)));
    // An empty rectangle inside another intersects nothing.
    EXPECT_FALSE(a.intersects(Rect(5, 5, 0, 3)));
    EXPECT_EQ(a.intersected(Rect(5, 5, 0, 3)), Rect());
    EXPECT_EQ(a.intersected(Rect(2, 3, 4, 5)), Rect(2, 3, 4, 5));
}

TEST(Geometry, ContainmentOfRectangles)
{
    const Rect a(0, 0, 10, 10);
    EXPECT_TRUE(a.contains(a));
    EXPECT_TRUE(a.contains(Rect(0, 0, 10, 5)));
    EXPECT_FALSE(a.contains(Rect(5, 5, 6, 1)));
    EXPECT_FALSE(a.contains(Rect(5, 5, 0, 0))) << "an empty rectangle is never contained";
    EXPECT_FALSE(Rect(0, 0, 0, 0).contains(Rect(0, 0, 0, 0)));
}

TEST(Geometry, InsetAndOffset)
{
    EXPECT_EQ(Rect(0, 0, 10, 20).insetBy(2, 3), Rect(2, 3, 6, 14));
    EXPECT_EQ(Rect(0, 0, 10, 20).insetBy(-1, -1), Rect(-1, -1, 12, 22));
    EXPECT_EQ(Rect(0, 0, 10, 20).insetBy(6, 0), Rect(6, 0, -2, 20));
    EXPECT_TRUE(Rect(0, 0, 10, 20).insetBy(6, 0).isEmpty());
    EXPECT_EQ(Rect(1, 2, 3, 4).offsetBy(-1, 0.5f), Rect(0, 2.5f, 3, 4));
    EXPECT_EQ(Rect(1, 2, 3, 4).maxX(), 4);
    EXPECT_EQ(Rect(1, 2, 3, 4).midY(), 4);
}

TEST(Geometry, StringFormsAreWrittenWithPercentG)
{
    EXPECT_EQ(Point(10, 20).toString(), QStringLiteral("{10, 20}"));
    EXPECT_EQ(Point(-1.5f, 2e-7f).toString(), QStringLiteral("{-1.5, 2e-07}"));
    EXPECT_EQ(Size(612, 792).toString(), QStringLiteral("{612, 792}"));
    EXPECT_EQ(Rect(1.5f, -2, 1e10f, 0.000125f).toString(), QStringLiteral("{{1.5, -2}, {1e+10, 0.000125}}"));
    EXPECT_EQ(Rect(0.1f, 1234567, 0, 0).toString(), QStringLiteral("{{0.1, 1.23457e+06}, {0, 0}}"));
}

TEST(Geometry, StringFormsRoundTrip)
{
    // Values with at most six significant digits come back exactly.
    const Rect rects[] = {Rect(), Rect(-12.5f, 3, 100, 0.25f), Rect(1e-5f, -2e+7f, 123456, -0.000125f),
                          Rect(-0.0f, 5e20f, 1.5e-30f, 3)};
    for (const Rect &r : rects) {
        SCOPED_TRACE(r.toString().toStdString());
        EXPECT_EQ(Rect::fromString(r.toString()), r);
        EXPECT_EQ(Point::fromString(r.origin.toString()), r.origin);
        EXPECT_EQ(Size::fromString(r.size.toString()), r.size);
    }
}

TEST(Geometry, StringFormsAreReadWithBlanksButNothingElse)
{
    EXPECT_EQ(Point::fromString(u"{1,2}"), Point(1, 2));
    EXPECT_EQ(Point::fromString(u"  { -1 ,\t2.5e1 }  "), Point(-1, 25));
    EXPECT_EQ(Rect::fromString(u"{{0,0},{3,4}}"), Rect(0, 0, 3, 4));
    EXPECT_EQ(Size::fromString(u"{ .5, 5. }"), Size(0.5f, 5));
    const char16_t *bad[] = {u"",         u"{1, 2",        u"{1 2}",     u"1, 2",   u"{1, 2} x",
                             u"{nan, 1}", u"{1e39, 0}",    u"{1, 2, 3}", u"{1,,2}", u"{{1, 2}, {3, 4}",
                             u"{1; 2}",   u"{1\u00a0, 2}", u"{0x10, 2}"};
    for (const char16_t *text : bad) {
        SCOPED_TRACE(QString::fromUtf16(text).toStdString());
        EXPECT_FALSE(Point::fromString(text).has_value());
        EXPECT_FALSE(Rect::fromString(text).has_value());
    }
    EXPECT_FALSE(Rect::fromString(u"{1, 2}").has_value());
    EXPECT_FALSE(Point::fromString(u"{{0, 0}, {1, 1}}").has_value());
}
