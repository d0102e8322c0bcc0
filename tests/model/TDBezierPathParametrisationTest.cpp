#include "PathTestSupport.h"

#include "model/curvefit/ArcLength.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>

using namespace scrivane;
using namespace scrivane::test;

namespace {

struct ConstantPressure : PressureSource {
    explicit ConstantPressure(float value) : value(value) {}
    float pressureAt(float) const override { return value; }
    float value;
};

} // namespace

TEST(TDBezierPathParametrisation, FractionsMapToElementsWithBordersGoingToTheLaterElement)
{
    const TDBezierPath path = polyline({Point(0, 0), Point(10, 0), Point(10, 10)});
    struct Case {
        float f;
        int element;
        float t;
    };
    for (const Case &c : {Case{0.0f, 1, 0.0f}, Case{0.5f, 2, 0.0f}, Case{0.75f, 2, 0.5f}, Case{1.0f, 2, 1.0f},
                          Case{-0.25f, 1, -0.5f}, Case{1.25f, 2, 1.5f}}) {
        float t = -99;
        EXPECT_EQ(path.elementPercentage(t, c.f), c.element) << "f = " << c.f;
        EXPECT_FLOAT_EQ(t, c.t) << "f = " << c.f;
    }
}

TEST(TDBezierPathParametrisation, ZeroLengthElementsAndLaterMovesAreNeverFound)
{
    float t = -1;
    const TDBezierPath degenerate = polyline({Point(0, 0), Point(10, 0), Point(10, 0), Point(10, 10)});
    EXPECT_EQ(degenerate.elementPercentage(t, 0.5f), 3);
    EXPECT_EQ(t, 0.0f);

    TDBezierPath twoSubpaths = polyline({Point(0, 0), Point(10, 0)});
    twoSubpaths.moveTo(Point(0, 5));
    twoSubpaths.lineTo(Point(10, 5));
    EXPECT_EQ(twoSubpaths.elementPercentage(t, 0.5f), 3);
    EXPECT_EQ(t, 0.0f);

    // Before the start of a path whose first line has no length.
    const TDBezierPath leadingDot = polyline({Point(0, 0), Point(0, 0), Point(10, 0)});
    EXPECT_EQ(leadingDot.elementPercentage(t, -0.5f), 2);
    EXPECT_FLOAT_EQ(t, -0.5f);
}

TEST(TDBezierPathParametrisation, TheClosingLineIsPartOfThePath)
{
    TDBezierPath square = polyline({Point(0, 0), Point(10, 0), Point(10, 10), Point(0, 10)});
    square.close();
    float t = 0;
    EXPECT_EQ(square.elementPercentage(t, 0.875f), 4);
    EXPECT_FLOAT_EQ(t, 0.5f);
    EXPECT_EQ(square.pointAt(0.875f), Point(0, 5));
    EXPECT_EQ(square.lastElementAccessed(), 4);
    EXPECT_EQ(square.lastElementPercentage(), 0.5f);
}

// Lengths are subtracted one by one in single precision; the element found
// near a border follows that rounding, not an exact sum.
TEST(TDBezierPathParametrisation, MappingFollowsSequentialSinglePrecisionSubtraction)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<float> step(0.001f, 3.0f);
    std::uniform_real_distribution<float> big(100.0f, 5000.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int differsFromExactSum = 0;
    for (int round = 0; round < 6; ++round) {
        TDBezierPath path;
        path.moveTo(Point(0, 0));
        float x = 0;
        for (int i = 0; i < 3000; ++i) {
            x += (i % 97 == 0) ? big(random) : step(random);
            path.lineTo(Point(x, float(i % 3)));
        }
        const float total = path.length();
        std::vector<float> fractions;
        for (int i = 0; i < 300; ++i)
            fractions.push_back(unit(random));
        // Right at and beside the borders, where rounding decides.
        for (int e = 1; e < path.elementCount(); e += 7) {
            const float border = path.lengthToElement(e) / total;
            fractions.push_back(border);
            fractions.push_back(std::nextafter(border, 0.0f));
            fractions.push_back(std::nextafter(border, 2.0f));
        }
        for (float f : fractions) {
            float expectedT = 0, t = 0;
            const int expected = referenceElementPercentage(path, expectedT, f);
            ASSERT_EQ(path.elementPercentage(t, f), expected) << "f = " << f;
            ASSERT_EQ(t, expectedT) << "f = " << f;

            // A double-precision running sum would often pick another element.
            double d = double(f) * total;
            int exact = 1;
            while (exact < path.elementCount() - 1 && d - path.lengthOfElement(exact) >= 0) {
                d -= path.lengthOfElement(exact);
                ++exact;
            }
            differsFromExactSum += exact != expected;
        }
    }
    EXPECT_GT(differsFromExactSum, 0) << "the cases do not tell the two orders apart";
}

// Long paths asked many times walk their lengths by jumps; the answers must
// be those of the one-by-one walk to the last bit, also where a length falls
// exactly half way between two representable steps (odd whole lengths on a
// path longer than 2^24) and where lengths span many magnitudes.
TEST(TDBezierPathParametrisation, LongPathsMapExactlyAsTheOneByOneWalk)
{
    std::mt19937 random(29);
    struct Kind {
        const char *name;
        std::function<float()> length;
    };
    std::uniform_int_distribution<int> odd(0, 20);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::exponential_distribution<float> spread(0.05f);
    const std::vector<Kind> kinds = {
        // Followed by one line of 2^25: subtracting odd whole lengths from
        // values in [2^24, 2^25), where steps are 2, is half way each time.
        {"odd whole lengths past 2^24", [&] { return float(2 * odd(random) + 1); }},
        {"odd multiples of 1/8", [&] { return float(2 * odd(random) + 1) / 8.0f; }},
        {"spread magnitudes", [&] { return spread(random) * (unit(random) < 0.05f ? 1000.0f : 1.0f); }},
        {"with zero lengths", [&] { return unit(random) < 0.3f ? 0.0f : unit(random) * 10.0f; }},
    };
    for (const Kind &kind : kinds) {
        SCOPED_TRACE(kind.name);
        TDBezierPath path;
        path.moveTo(Point(0, 0));
        float x = 0;
        for (int i = 0; i < 4000; ++i) {
            // Lines along x measure exactly their length.
            x += kind.length();
            path.lineTo(Point(x, 0));
        }
        path.lineTo(Point(x, 33554432.0f));
        std::vector<float> fractions;
        for (int i = 0; i < 3000; ++i)
            fractions.push_back(unit(random) * 1.1f);
        for (int e = 1; e < path.elementCount(); e += 13) {
            const float border = path.lengthToElement(e) / path.length();
            fractions.insert(fractions.end(),
                             {border, std::nextafter(border, 0.0f), std::nextafter(border, 2.0f)});
        }
        for (float f : fractions) {
            float expectedT = 0, t = 0;
            const int expected = referenceElementPercentage(path, expectedT, f);
            ASSERT_EQ(path.elementPercentage(t, f), expected) << "f = " << f;
            ASSERT_EQ(std::bit_cast<std::uint32_t>(t), std::bit_cast<std::uint32_t>(expectedT))
                << "f = " << f;
        }
    }
}

TEST(TDBezierPathParametrisation, PointsTangentsAndCurvature)
{
    TDBezierPath path;
    path.moveTo(Point(0, 0));
    path.lineTo(Point(100, 0));
    path.curveTo(Point(100, 100), Point(100, 0), Point(100, 0)); // first control point at its start
    EXPECT_EQ(path.pointAt(0.25f, 1), Point(25, 0));
    EXPECT_EQ(path.rawGradientAt(0.7f, 1), Point(100, 0));
    EXPECT_EQ(path.gradientAt(0.7f, 1), Point(1, 0));
    EXPECT_EQ(path.curvatureAt(0.5f, 1), 0.0f);

    // At the very start of this curve the derivative vanishes; the clamped
    // parameter still gives a usable direction.
    const Point g = path.gradientAt(0.0f, 2);
    EXPECT_NEAR(std::hypot(g.x, g.y), 1.0, 1e-5);
    EXPECT_NEAR(g.y, 1.0, 1e-3);
    EXPECT_EQ(path.pointAt(1.0f, 2), Point(100, 100));

    // Derivative with respect to the overall fraction: the line is half the
    // path, so moving along it takes twice its own derivative.
    const Point d = path.myGradientAt(0.5f, 1);
    EXPECT_FLOAT_EQ(d.x, 100.0f * path.length() / 100.0f);
    EXPECT_EQ(d.y, 0.0f);
}

TEST(TDBezierPathParametrisation, CurvatureIsClampedOnTightCurves)
{
    TDBezierPath path;
    path.moveTo(Point(0, 0));
    path.curveTo(Point(1, 0), Point(0, 2), Point(1, 2)); // a tight hairpin
    const float raw = path.curvatureAt(0.5f, 1);
    EXPECT_GT(std::fabs(raw), 1.0f);
    for (float f = 0; f <= 1.0f; f += 0.05f) {
        const float c = path.curvatureAt(f);
        EXPECT_LE(std::fabs(c), 1.0f);
    }
    // Turning left (counter-clockwise, y up) is positive.
    TDBezierPath left;
    left.moveTo(Point(0, 0));
    left.curveTo(Point(100, 100), Point(55, 0), Point(100, 45));
    EXPECT_GT(left.curvatureAt(0.5f, 1), 0.0f);
}

TEST(TDBezierPathParametrisation, OffsetPointsLieToTheLeftInLineWidths)
{
    TDBezierPath path = polyline({Point(0, 0), Point(100, 0), Point(100, 100)});
    path.setLineWidth(8);
    EXPECT_EQ(path.transformedCoordinate(Point(0.25f, 0)), path.pointAt(0.25f));
    EXPECT_EQ(path.transformedCoordinate(Point(0.25f, 0.5f)), Point(50, 4));
    EXPECT_EQ(path.transformedCoordinate(Point(0.75f, 0.5f)), Point(96, 50));

    const ConstantPressure doubled(2.0f);
    path.setPressure(&doubled);
    EXPECT_EQ(path.transformedCoordinate(Point(0.25f, 0.5f)), Point(50, 8));
    EXPECT_EQ(path.transformedTotalCoordinate(Point(0.25f, 0.5f), 1), Point(50, 8));
    // In one element by its local fraction, never scaled by pressure.
    EXPECT_EQ(path.transformedCoordinate(Point(0.5f, 0.5f), 2), Point(96, 50));
    // Kept inside elements 1 .. 1 and within them.
    EXPECT_EQ(path.transformedCoordinate(Point(0.75f, 0.5f), 1, 1), Point(100, 8));
    EXPECT_EQ(path.transformedCoordinate(Point(-0.5f, 0.0f), 1, 2), Point(0, 0));
}

TEST(TDBezierPathParametrisation, BetterPointAtCorrectsForArcLength)
{
    const TDBezierPath line = polyline({Point(0, 0), Point(10, 0)});
    EXPECT_EQ(line.betterPointAt(0.3f), 0.3f);

    TDBezierPath path;
    path.moveTo(Point(0, 0));
    path.curveTo(Point(300, 0), Point(0, 200), Point(300, 300));
    path.lineTo(Point(300, -100));
    const Point V[4] = {Point(0, 0), Point(0, 200), Point(300, 300), Point(300, 0)};
    const float total = path.length();
    for (float f : {0.05f, 0.2f, 0.4f}) {
        const float corrected = path.betterPointAt(f);
        path.pointAt(corrected);
        ASSERT_EQ(path.lastElementAccessed(), 1);
        // The arc length up to the parameter found, measured densely.
        const double u = path.lastElementPercentage();
        double measured = 0;
        Point previous = V[0];
        for (int i = 1; i <= 20000; ++i) {
            const Point q = TDPointOnCurve(V, float(u * i / 20000));
            measured += distance(previous, q);
            previous = q;
        }
        EXPECT_NEAR(measured, f * total, 1.5) << "f = " << f;
    }
    // At the ends of a curve: its start and its end.
    EXPECT_EQ(path.betterPointAt(0.0f, 1), 0.0f);
    // (Measured with a coarser tolerance, the curve is a little longer than
    // its cached length, so its end is found just before parameter 1.)
    EXPECT_NEAR(path.betterPointAt(1.0f, 1), 1.0f, 0.01);
    EXPECT_EQ(path.betterPointAt(1.5f, 1), 1.5f);
}

TEST(TDBezierPathParametrisation, PathsWithoutLengthGiveNoNaN)
{
    TDBezierPath empty;
    TDBezierPath dot;
    dot.moveTo(Point(4, 4));
    TDBezierPath zero = polyline({Point(4, 4), Point(4, 4), Point(4, 4)});
    zero.setLineWidth(3);
    for (const TDBezierPath *path : {&empty, &dot, &zero}) {
        for (float f : {-0.5f, 0.0f, 0.5f, 1.0f, 2.0f}) {
            float t = -1;
            const int e = path->elementPercentage(t, f);
            EXPECT_GE(e, 0);
            EXPECT_EQ(t, 0.0f);
            for (Point p : {path->pointAt(f), path->gradientAt(f), path->myGradientAt(f),
                            path->transformedCoordinate(Point(f, 0.5f))}) {
                EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
            }
            EXPECT_TRUE(std::isfinite(path->curvatureAt(f)));
            EXPECT_TRUE(std::isfinite(path->betterPointAt(f)));
        }
    }
    EXPECT_EQ(zero.pointAt(0.5f), Point(4, 4));
    EXPECT_EQ(zero.gradientAt(0.5f), Point());
    EXPECT_EQ(zero.elementPercentageFromElement(1, 0.5f), 0.0f);
    EXPECT_EQ(zero.overallPercentageForElementPercentage(0.5f, 1), 0.0f);
}

TEST(TDBezierPathParametrisation, ElementIndexesAreRangeChecked)
{
    const TDBezierPath path = polyline({Point(0, 0), Point(10, 0)});
    for (int e : {-1, 2, 1000}) {
        EXPECT_EQ(path.pointAt(0.5f, e), Point());
        EXPECT_EQ(path.rawGradientAt(0.5f, e), Point());
        EXPECT_EQ(path.gradientAt(0.5f, e), Point());
        EXPECT_EQ(path.myGradientAt(0.5f, e), Point());
        EXPECT_EQ(path.curvatureAt(0.5f, e), 0.0f);
        EXPECT_EQ(path.betterPointAt(0.5f, e), 0.5f);
        EXPECT_EQ(path.elementPercentageFromElement(e, 0.5f), 0.0f);
        EXPECT_EQ(path.transformedCoordinate(Point(0.5f, 1), e), Point());
    }
    EXPECT_EQ(path.pointAt(0.5f, 0), Point()); // a move has no points along it
}

TEST(TDBezierPathParametrisation, PointHelpers)
{
    static_assert(TDPointSubtract(Point(5, 7), Point(1, 2)) == Point(4, 5));
    static_assert(TDPointAdd(Point(5, 7), Point(1, -2)) == Point(6, 5));
}

TEST(TDBezierPathParametrisation, FractionConversionsRoundTrip)
{
    const TDBezierPath path = polyline({Point(0, 0), Point(30, 0), Point(30, 10)});
    EXPECT_FLOAT_EQ(path.overallPercentageForElementPercentage(0.5f, 1), 0.375f);
    EXPECT_FLOAT_EQ(path.elementPercentageFromElement(2, 0.875f), 0.5f);
    // No search: a fraction outside the element gives a local fraction
    // outside [0, 1].
    EXPECT_FLOAT_EQ(path.elementPercentageFromElement(2, 0.0f), -3.0f);
}
