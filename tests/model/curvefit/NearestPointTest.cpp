#include "model/curvefit/NearestPoint.h"

#include "CurveSampling.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <stdexcept>
#include <vector>

using namespace scrivane;

namespace {

// Control points of the Bernstein form of the monic polynomial with the given
// roots (x_i = i / n, y_i = coefficient).
std::vector<Point2> bernsteinWithRoots(const std::vector<double> &roots)
{
    const int n = int(roots.size());
    std::vector<double> power{1.0}; // power-basis coefficients, lowest first
    for (double r : roots) {
        std::vector<double> next(power.size() + 1, 0.0);
        for (std::size_t j = 0; j < power.size(); ++j) {
            next[j + 1] += power[j];
            next[j] -= r * power[j];
        }
        power = next;
    }
    const auto binomial = [](int a, int b) {
        double c = 1;
        for (int k = 1; k <= b; ++k)
            c = c * (a - b + k) / k;
        return c;
    };
    std::vector<Point2> w;
    for (int i = 0; i <= n; ++i) {
        double b = 0;
        for (int j = 0; j <= i; ++j)
            b += binomial(i, j) / binomial(n, j) * power[j];
        w.emplace_back(float(i) / float(n), float(b));
    }
    return w;
}

} // namespace

TEST(NearestPoint, BezierSplitsIntoTwoPartsOfTheSameCurve)
{
    const std::array<Point2, 4> V{Point2(0, 0), Point2(10, 30), Point2(40, -20), Point2(50, 10)};
    const float t = 0.3f;
    std::array<Point2, 4> left, right;
    const Point2 at = Bezier(V, 3, t, left, right);
    EXPECT_EQ(left[3], at);
    EXPECT_EQ(right[0], at);
    for (float s : {0.0f, 0.5f, 1.0f}) {
        const Point2 onLeft = Bezier(left, 3, s);
        const Point2 onWhole = Bezier(V, 3, s * t);
        EXPECT_NEAR(onLeft.x, onWhole.x, 1e-4f);
        EXPECT_NEAR(onLeft.y, onWhole.y, 1e-4f);
        const Point2 onRight = Bezier(right, 3, s);
        const Point2 onWhole2 = Bezier(V, 3, t + s * (1 - t));
        EXPECT_NEAR(onRight.x, onWhole2.x, 1e-4f);
        EXPECT_NEAR(onRight.y, onWhole2.y, 1e-4f);
    }
}

TEST(NearestPoint, FindRootsFindsEveryRootInOrder)
{
    const std::vector<double> roots{0.1, 0.3, 0.5, 0.7, 0.9};
    const std::vector<Point2> w = bernsteinWithRoots(roots);
    std::array<float, 5> t{};
    ASSERT_EQ(FindRoots(w, 5, t), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(t[i], roots[i], 1e-4) << i;

    // Lower degrees read only their own control points.
    const std::vector<Point2> cubic = bernsteinWithRoots({0.25, 0.5, 0.75});
    const std::array<Point2, 4> exact{cubic[0], cubic[1], cubic[2], cubic[3]};
    std::array<float, 3> t3{};
    ASSERT_EQ(FindRoots(exact, 3, t3), 3);
    EXPECT_NEAR(t3[0], 0.25, 1e-4);
    EXPECT_NEAR(t3[1], 0.5, 1e-4);
    EXPECT_NEAR(t3[2], 0.75, 1e-4);
}

TEST(NearestPoint, AtTheDepthLimitTheMiddleOfThePolygonIsTaken)
{
    // Exactly degree + 1 points: the middle comes from the last of them.
    const std::array<Point2, 4> w{Point2(0.25f, -1), Point2(0.3f, -0.5f), Point2(0.5f, 2), Point2(0.75f, 3)};
    std::array<float, 3> t{};
    ASSERT_EQ(FindRoots(w, 3, t, MAXDEPTH), 1);
    EXPECT_EQ(t[0], 0.5f);
}

TEST(NearestPoint, FindRootsNeverWritesPastItsOutput)
{
    const std::vector<Point2> w = bernsteinWithRoots({0.1, 0.3, 0.5, 0.7, 0.9});
    std::array<float, 6> buffer;
    buffer.fill(-7.0f);
    EXPECT_EQ(FindRoots(w, 5, std::span<float>(buffer).first(2)), 2);
    EXPECT_NEAR(buffer[0], 0.1, 1e-4);
    EXPECT_NEAR(buffer[1], 0.3, 1e-4);
    for (std::size_t i = 2; i < buffer.size(); ++i)
        EXPECT_EQ(buffer[i], -7.0f) << i;
    EXPECT_EQ(FindRoots(w, 5, std::span<float>()), 0);
}

TEST(NearestPoint, DegreeOutOfRangeIsRejected)
{
    const std::array<Point2, 7> w{};
    std::array<float, 6> t{};
    EXPECT_THROW(FindRoots(w, 6, t), std::invalid_argument);
    EXPECT_THROW(FindRoots(w, 0, t), std::invalid_argument);
    EXPECT_THROW(FindRoots(std::span(w).first(3), 3, t), std::invalid_argument);
    EXPECT_THROW(Bezier(w, 6, 0.5f), std::invalid_argument);
    std::array<Point2, 2> shortLeft;
    EXPECT_THROW(Bezier(w, 3, 0.5f, shortLeft), std::invalid_argument);
}

TEST(NearestPoint, EndsAndPerpendicularFeetOfAStraightCubic)
{
    const std::array<Point2, 4> V{Point2(0, 0), Point2(10, 0), Point2(20, 0), Point2(30, 0)};
    EXPECT_EQ(NearestPointOnCurve(V[0], V), 0.0f);
    EXPECT_EQ(NearestPointOnCurve(Point2(40, 3), V), 1.0f);
    EXPECT_EQ(NearestPointOnCurve(Point2(-5, 2), V), 0.0f);
    EXPECT_NEAR(NearestPointOnCurve(Point2(12, 5), V), 0.4f, 1e-5f);
    EXPECT_NEAR(NearestPointOnCurve(Point2(27, -4), V), 0.9f, 1e-5f);
}

TEST(NearestPoint, PointNearAnArchFindsItsFoot)
{
    // The root finder once took the degree-5 polygon for flat far too early
    // in single precision and answered t = 0.786, nearly a unit too far.
    const std::array<Point2, 4> V{Point2(0, 0), Point2(100, 200), Point2(300, 200), Point2(400, 0)};
    const Point2 P(350, 120);
    const float t = NearestPointOnCurve(P, V);
    EXPECT_NEAR(t, 0.79826f, 1e-4f);
    EXPECT_NEAR(test::distanceTo(V, t, P), test::sampledMinDistance(V, P), 1e-3);
}

TEST(NearestPoint, StartPointOfAnyCurveGivesZero)
{
    std::mt19937 random(5);
    for (int i = 0; i < 50; ++i) {
        const CubicPoints V = test::randomCubic(random, 100.0f);
        EXPECT_EQ(NearestPointOnCurve(V[0], V), 0.0f) << i;
    }
}

TEST(NearestPoint, PropertyNoSampledPointIsNearer)
{
    std::mt19937 random(31337);
    std::uniform_real_distribution<float> coordinate(-600.0f, 600.0f);
    std::uniform_real_distribution<float> parameter(0.0f, 1.0f);
    std::uniform_real_distribution<float> offset(-3.0f, 3.0f);
    for (int i = 0; i < 400; ++i) {
        const CubicPoints V = test::randomCubic(random, 500.0f);
        Point2 P(coordinate(random), coordinate(random));
        if (i % 2) { // near the curve, as when clicking on it
            const test::PointD q = test::pointOnCubic(V, parameter(random));
            P = Point2(float(q.x) + offset(random), float(q.y) + offset(random));
        }
        const float t = NearestPointOnCurve(P, V);
        ASSERT_GE(t, 0.0f);
        ASSERT_LE(t, 1.0f);
        const double found = test::distanceTo(V, t, P);
        const double sampled = test::sampledMinDistance(V, P);
        EXPECT_LE(found, sampled + 1e-3) << i << " t=" << t;
    }
}
