#include "model/curvefit/ArcLength.h"

#include "CurveSampling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <utility>

using namespace scrivane;
using scrivane::test::randomCubic;
using scrivane::test::sampledLength;

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

float polygonLength(const CubicPoints &V)
{
    float polygon = V2DistanceBetween2Points(V[0], V[1]);
    polygon += V2DistanceBetween2Points(V[1], V[2]);
    polygon += V2DistanceBetween2Points(V[2], V[3]);
    return polygon;
}

} // namespace

TEST(ArcLength, SplitHalvesMeetAtTheMidpointAndReproduceTheCurve)
{
    const CubicPoints V{Point(0, 0), Point(10, 30), Point(40, -20), Point(50, 10)};
    const auto [left, right] = bezsplit(V);
    EXPECT_EQ(left[0], V[0]);
    EXPECT_EQ(right[3], V[3]);
    EXPECT_EQ(left[3], right[0]);
    for (double s : {0.0, 0.25, 0.5, 0.8, 1.0}) {
        const auto onLeft = test::pointOnCubic(left, s);
        const auto onWhole = test::pointOnCubic(V, s / 2);
        EXPECT_NEAR(onLeft.x, onWhole.x, 1e-4);
        EXPECT_NEAR(onLeft.y, onWhole.y, 1e-4);
        const auto onRight = test::pointOnCubic(right, s);
        const auto onWhole2 = test::pointOnCubic(V, 0.5 + s / 2);
        EXPECT_NEAR(onRight.x, onWhole2.x, 1e-4);
        EXPECT_NEAR(onRight.y, onWhole2.y, 1e-4);
    }
}

TEST(ArcLength, FourEqualPointsHaveNoLengthAndNoPointAtAnyDistance)
{
    const CubicPoints V{Point(7, 3), Point(7, 3), Point(7, 3), Point(7, 3)};
    EXPECT_EQ(arclen(V, 0.1f), 0.0f);
    for (float distance : {-1.0f, 0.0f, 0.5f, 10.0f})
        EXPECT_EQ(arcdistance(V, 1.0f, distance), -1.0f) << distance;
}

TEST(ArcLength, EvenlySpacedStraightCubicIsMeasuredByItsChord)
{
    const CubicPoints V{Point(0, 0), Point(10, 10), Point(20, 20), Point(30, 30)};
    const float chord = V2DistanceBetween2Points(V[0], V[3]);
    EXPECT_FLOAT_EQ(arclen(V, 0.1f), chord);
    for (float fraction : {0.1f, 0.5f, 0.9f})
        EXPECT_FLOAT_EQ(arcdistance(V, 1.0f, fraction * chord), fraction);
    EXPECT_EQ(arcdistance(V, 1.0f, 0.0f), -1.0f);
    EXPECT_EQ(arcdistance(V, 1.0f, chord), -1.0f);
    EXPECT_EQ(arcdistance(V, 1.0f, chord + 1.0f), -1.0f);
}

TEST(ArcLength, StraightCubicThatOvershootsItsEndsIsSubdivided)
{
    // The curve runs back behind its start and on past its end before it
    // settles, so it is longer than its chord of 10.
    const CubicPoints V{Point(0, 0), Point(-10, 0), Point(20, 0), Point(10, 0)};
    const float length = arclen(V, 0.01f);
    EXPECT_GT(length, 10.5f);
    EXPECT_LT(length, polygonLength(V));
    EXPECT_NEAR(length, sampledLength(V), 0.05);
}

TEST(ArcLength, DistanceOnTheBorderBetweenTwoPiecesIsFound)
{
    // Symmetric arch: not flat as a whole, flat in halves, so the walk
    // measures exactly two pieces and the first one ends at t = 0.5.
    const CubicPoints V{Point(0, 0), Point(10, 10), Point(20, 10), Point(30, 0)};
    const float error = 3.0f;
    const auto [left, right] = bezsplit(V);
    ASSERT_GT(polygonLength(V) - V2DistanceBetween2Points(V[0], V[3]), error);
    ASSERT_LE(polygonLength(left) - V2DistanceBetween2Points(left[0], left[3]), error);
    ASSERT_LE(polygonLength(right) - V2DistanceBetween2Points(right[0], right[3]), error);

    const float border = polygonLength(left);
    EXPECT_EQ(arcdistance(V, error, border), 0.5f);
    // Either side of the border the parameter is interpolated in its piece.
    EXPECT_LT(arcdistance(V, error, std::nextafter(border, 0.0f)), 0.5f);
    EXPECT_GT(arcdistance(V, error, std::nextafter(border, kInf)), 0.5f);
}

TEST(ArcLength, PropertyMatchesDenseSamplingOnRandomCubics)
{
    std::mt19937 random(20240611);
    for (int i = 0; i < 200; ++i) {
        const CubicPoints V = randomCubic(random, 500.0f);
        const double reference = sampledLength(V);
        // The control polygon of a flat piece is never shorter than its arc
        // and at most `error` longer than its chord; a polyline through the
        // curve is never longer than the curve.
        for (auto [error, relative] : {std::pair{0.01f, 1e-3}, std::pair{0.1f, 5e-3}}) {
            const float length = arclen(V, error);
            EXPECT_GE(length, reference * (1 - 1e-5)) << i;
            EXPECT_LE(length, reference * (1 + relative)) << i << " " << error;
        }
    }
}

TEST(ArcLength, PropertyLargerToleranceNeverMeasuresShorter)
{
    std::mt19937 random(77);
    for (int i = 0; i < 200; ++i) {
        const CubicPoints V = randomCubic(random, 300.0f);
        const float fine = arclen(V, 0.01f);
        const float medium = arclen(V, 0.1f);
        const float coarse = arclen(V, 2.0f);
        const float slack = 1e-5f * coarse; // rounding of the sums
        EXPECT_LE(fine, medium + slack) << i;
        EXPECT_LE(medium, coarse + slack) << i;
    }
}

TEST(ArcLength, PropertyEveryDistanceInsideTheMeasuredLengthIsFound)
{
    std::mt19937 random(4242);
    for (int i = 0; i < 200; ++i) {
        const CubicPoints V = randomCubic(random, 500.0f);
        for (float error : {0.1f, 1.0f}) {
            const float total = arclen(V, error);
            float previous = 0.0f;
            for (int k = 1; k < 50; ++k) {
                const float t = arcdistance(V, error, total * float(k) / 50.0f);
                ASSERT_GT(t, previous) << i << " " << k; // found, further along
                previous = t;
            }
            EXPECT_GT(arcdistance(V, error, std::nextafter(total, 0.0f)), previous) << i;
            EXPECT_LE(arcdistance(V, error, std::nextafter(total, 0.0f)), 1.0f) << i;
            EXPECT_EQ(arcdistance(V, error, total), -1.0f) << i;
        }
    }
}

TEST(ArcLength, CurvesWhoseFlatnessNeverSettlesStillEnd)
{
    // Coordinates near 1e7: rounding keeps the control polygon of some tiny
    // pieces longer than their chord, so subdivision never converged.
    const CubicPoints far{Point(-0x1.f37534p+22f, 0x1.2e4294p+23f), Point(0x1.8d9f3cp+22f, -0x1.bf8344p+22f),
                          Point(-0x1.e050fcp+22f, -0x1.4acadp+22f), Point(0x1.5ab5e8p+21f, -0x1.6f94p+21f)};
    const double reference = sampledLength(far, 1.0, 200000);
    EXPECT_NEAR(arclen(far, 0.1f), reference, 1e-5 * reference);
    const float t = arcdistance(far, 0.1f, float(reference / 2));
    EXPECT_GT(t, 0.0f);
    EXPECT_LT(t, 1.0f);

    // A tolerance that is not above 0 would split every piece for ever.
    const CubicPoints arch{Point(0, 0), Point(10, 10), Point(20, 10), Point(30, 0)};
    // (A million tiny pieces summed in single precision.)
    EXPECT_NEAR(arclen(arch, -1.0f), sampledLength(arch), 1e-2 * sampledLength(arch));
    EXPECT_NEAR(arclen(arch, 0.0f), sampledLength(arch), 1e-2 * sampledLength(arch));
}

TEST(ArcLength, NonFiniteCoordinatesEndAtOnce)
{
    const CubicPoints cases[] = {
        {Point(0, 0), Point(kInf, 1), Point(2, 0), Point(3, 1)},
        {Point(0, 0), Point(1, -kInf), Point(kInf, 0), Point(3, 1)},
        {Point(-kInf, 0), Point(1, 1), Point(2, 0), Point(kInf, 1)},
        {Point(0, 0), Point(kNaN, 1), Point(2, 0), Point(3, 1)},
        {Point(3e38f, 0), Point(-3e38f, 1), Point(3e38f, 0), Point(-3e38f, 1)},
    };
    for (const CubicPoints &V : cases) {
        EXPECT_FALSE(std::isfinite(arclen(V, 0.1f)));
        const float t = arcdistance(V, 1.0f, 5.0f);
        EXPECT_TRUE(t == -1.0f || (t >= 0.0f && t <= 1.0f)) << t;
    }
}
