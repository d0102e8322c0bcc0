#include "model/curvefit/CurveFitting.h"

#include "CurveSampling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace scrivane;

namespace {

std::vector<CubicPoints> fit(const std::vector<Point2> &points, float error)
{
    std::vector<CubicPoints> segments;
    FitCurve(points, error, [&](const CubicPoints &curve) { segments.push_back(curve); });
    return segments;
}

void expectChained(const std::vector<CubicPoints> &segments, const std::vector<Point2> &points)
{
    ASSERT_FALSE(segments.empty());
    EXPECT_EQ(segments.front()[0], points.front());
    EXPECT_EQ(segments.back()[3], points.back());
    for (std::size_t i = 1; i < segments.size(); ++i)
        EXPECT_EQ(segments[i - 1][3], segments[i][0]) << i;
}

bool finite(const CubicPoints &curve)
{
    for (const Point2 &p : curve)
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return false;
    return true;
}

Vector2 direction(Point2 from, Point2 to)
{
    Vector2 v = V2Sub(to, from);
    return V2Normalize(v);
}

} // namespace

TEST(CurveFitting, TwoPointsGiveHandlesAThirdAlongTheTangents)
{
    const std::vector<Point2> points{Point2(0, 0), Point2(30, 0)};
    const auto segments = fit(points, 1.0f);
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0], (CubicPoints{Point2(0, 0), Point2(10, 0), Point2(20, 0), Point2(30, 0)}));

    const auto diagonal = fit({Point2(1, 1), Point2(4, 5)}, 1.0f);
    ASSERT_EQ(diagonal.size(), 1u);
    // Length 5, direction (0.6, 0.8): handles 5/3 long.
    EXPECT_FLOAT_EQ(diagonal[0][1].x, 2.0f);
    EXPECT_FLOAT_EQ(diagonal[0][1].y, 1.0f + 4.0f / 3.0f);
    EXPECT_FLOAT_EQ(diagonal[0][2].x, 3.0f);
    EXPECT_FLOAT_EQ(diagonal[0][2].y, 5.0f - 4.0f / 3.0f);
}

TEST(CurveFitting, CollinearEvenlySpacedPointsGiveOneSegment)
{
    std::vector<Point2> points;
    for (int i = 0; i <= 10; ++i)
        points.emplace_back(3.0f * i, 4.0f * i);
    const auto segments = fit(points, 0.01f);
    ASSERT_EQ(segments.size(), 1u);
    expectChained(segments, points);
    for (const Point2 &handle : {segments[0][1], segments[0][2]}) // on the line
        EXPECT_NEAR(handle.x * 4.0f - handle.y * 3.0f, 0.0f, 1e-3f);
}

TEST(CurveFitting, LeastSquaresRecoversACubicFromItsOwnPoints)
{
    const CubicPoints curve{Point2(0, 0), Point2(20, 40), Point2(70, 50), Point2(100, 0)};
    std::vector<Point2> points;
    std::vector<float> u;
    for (int i = 0; i <= 20; ++i) {
        const float t = float(i) / 20.0f;
        const test::PointD p = test::pointOnCubic(curve, t);
        points.emplace_back(float(p.x), float(p.y));
        u.push_back(t);
    }
    const CubicPoints fitted =
        GenerateBezier(points, 0, 20, u, direction(curve[0], curve[1]), direction(curve[3], curve[2]));
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(fitted[i].x, curve[i].x, 1e-2f) << i;
        EXPECT_NEAR(fitted[i].y, curve[i].y, 1e-2f) << i;
    }
}

TEST(CurveFitting, SharpCornerSplitsThereWithOppositeTangents)
{
    std::vector<Point2> points;
    for (int i = 0; i <= 10; ++i)
        points.emplace_back(float(i), 0.0f);
    for (int i = 1; i <= 10; ++i)
        points.emplace_back(10.0f, float(i));
    const auto segments = fit(points, 0.25f);
    expectChained(segments, points);
    ASSERT_GE(segments.size(), 2u);

    const Point2 corner(10, 0);
    std::size_t before = segments.size();
    for (std::size_t i = 0; i + 1 < segments.size(); ++i)
        if (segments[i][3] == corner)
            before = i;
    ASSERT_LT(before, segments.size()) << "no segment ends at the corner";
    const Vector2 incoming = direction(corner, segments[before][2]);
    const Vector2 outgoing = direction(corner, segments[before + 1][1]);
    EXPECT_NEAR(incoming.x, -outgoing.x, 1e-6f);
    EXPECT_NEAR(incoming.y, -outgoing.y, 1e-6f);
    EXPECT_NEAR(V2Length(incoming), 1.0f, 1e-6f);
}

TEST(CurveFitting, TooFewPointsGiveNothing)
{
    EXPECT_TRUE(fit({}, 1.0f).empty());
    EXPECT_TRUE(fit({Point2(1, 2)}, 1.0f).empty());
    FitCurve(std::vector<Point2>{Point2(0, 0), Point2(1, 1)}, 1.0f, nullptr); // no receiver: no harm
    int calls = 0;
    FitCubic(std::vector<Point2>{Point2(0, 0), Point2(1, 1)}, 1, 5, Vector2(1, 0), Vector2(-1, 0), 1.0f,
             [&](const CubicPoints &) { ++calls; });
    EXPECT_EQ(calls, 0);
}

TEST(CurveFitting, CoincidentPointsNeverYieldANaNCurve)
{
    const std::vector<Point2> same(6, Point2(5, 5));
    const auto segments = fit(same, 1.0f);
    ASSERT_FALSE(segments.empty());
    for (const CubicPoints &curve : segments) {
        EXPECT_TRUE(finite(curve));
        EXPECT_EQ(curve[0], Point2(5, 5));
        EXPECT_EQ(curve[3], Point2(5, 5));
    }

    std::vector<Point2> stutter{Point2(0, 0), Point2(1, 0), Point2(2, 1), Point2(2, 1),
                                Point2(2, 1), Point2(3, 3), Point2(5, 4)};
    const auto stuttered = fit(stutter, 0.1f);
    expectChained(stuttered, stutter);
    for (const CubicPoints &curve : stuttered)
        EXPECT_TRUE(finite(curve));
}

TEST(CurveFitting, MaxErrorNamesAPointOfTheRun)
{
    std::vector<Point2> points;
    for (int i = 0; i < 10; ++i)
        points.emplace_back(float(i), i == 6 ? 2.0f : 0.0f);
    const CubicPoints line{Point2(4, 0), Point2(5, 0), Point2(7, 0), Point2(8, 0)};
    const std::vector<float> u{0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    int split = -1;
    EXPECT_FLOAT_EQ(ComputeMaxError(points, 4, 8, line, u, split), 4.0f);
    EXPECT_EQ(split, 6);
    // A run without inner points still names one of its own points.
    EXPECT_EQ(ComputeMaxError(points, 4, 5, line, u, split), 0.0f);
    EXPECT_GE(split, 4);
    EXPECT_LE(split, 5);
}

TEST(CurveFitting, PropertyEveryPointLiesWithinTheError)
{
    std::mt19937 random(8);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (int i = 0; i < 40; ++i) {
        const CubicPoints source = test::randomCubic(random, 200.0f);
        std::vector<Point2> points;
        for (int k = 0; k <= 60; ++k) {
            const test::PointD p = test::pointOnCubic(source, k / 60.0);
            const Point2 q(float(p.x) + noise(random), float(p.y) + noise(random));
            if (points.empty() || !(points.back() == q))
                points.push_back(q);
        }
        const float error = 4.0f; // squared: within 2 units
        const auto segments = fit(points, error);
        expectChained(segments, points);
        for (std::size_t k = 0; k < points.size(); ++k) {
            double nearest = INFINITY;
            for (const CubicPoints &curve : segments)
                nearest = std::min(nearest, test::sampledMinDistance(curve, points[k], 2000));
            EXPECT_LE(nearest, std::sqrt(error) + 1e-3) << i << " point " << k;
        }
    }
}
