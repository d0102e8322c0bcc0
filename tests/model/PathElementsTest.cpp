#include "PathTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

TEST(PathElements, CutSegmentTrimsLinesAndCurves)
{
    SegmentPoints line{Point(0, 0), Point(10, 20), Point(), Point()};
    cutSegment(line, Type::LineTo, 0.25f, 0.5f);
    EXPECT_EQ(line[0], Point(2.5f, 5));
    EXPECT_EQ(line[1], Point(5, 10));

    const SegmentPoints curve{Point(0, 0), Point(0, 100), Point(100, 100), Point(100, 0)};
    SegmentPoints part = curve;
    cutSegment(part, Type::CurveTo, 0.2f, 0.7f);
    EXPECT_EQ(part, curveBetween(curve, 0.2f, 0.7f));
    // The part runs along the curve between its parameters.
    for (float u : {0.0f, 0.3f, 0.5f, 1.0f}) {
        const Point a = TDPointOnCurve(part, u);
        const Point b = TDPointOnCurve(curve, 0.2f + 0.5f * u);
        EXPECT_NEAR(a.x, b.x, 1e-3);
        EXPECT_NEAR(a.y, b.y, 1e-3);
    }
    SegmentPoints untouched = curve;
    cutSegment(untouched, Type::ClosePath, 0.2f, 0.7f);
    EXPECT_EQ(untouched, curve);
}

TEST(PathElements, CrossingsOfOneElementAppendToTheArrayGiven)
{
    const SegmentPoints line{Point(0, 0), Point(10, 0), Point(), Point()};
    std::vector<TDIntersection> crossings;
    EXPECT_TRUE(lineIntersectsElement(LineSegment{5, -1, 5, 1}, line, Type::LineTo, &crossings));
    ASSERT_EQ(crossings.size(), 1u);
    EXPECT_EQ(crossings[0], TDIntersection(-1, 0.5f, Point(5, 0)));
    // No crossing, but the array still holds one: the answer is true.
    EXPECT_TRUE(
        lineIntersectsElementWithSegment(LineSegment{50, -1, 50, 1}, line, Type::LineTo, &crossings, 4));
    EXPECT_EQ(crossings.size(), 1u);
    EXPECT_TRUE(
        lineIntersectsElementWithSegment(LineSegment{2, -1, 2, 1}, line, Type::LineTo, &crossings, 4));
    ASSERT_EQ(crossings.size(), 2u);
    EXPECT_EQ(crossings[1].segment, 4);
    // Without an array, only whether there is a crossing.
    EXPECT_FALSE(lineIntersectsElement(LineSegment{50, -1, 50, 1}, line, Type::LineTo, nullptr));
    // Moves, closes, parallel and zero-length segments cross nothing.
    EXPECT_FALSE(lineIntersectsElement(LineSegment{5, -1, 5, 1}, line, Type::MoveTo, nullptr));
    EXPECT_FALSE(lineIntersectsElement(LineSegment{0, 0, 10, 0}, line, Type::LineTo, nullptr));
    EXPECT_FALSE(lineIntersectsElement(LineSegment{5, 0, 5, 0}, line, Type::LineTo, nullptr));
    const SegmentPoints curve{Point(0, 0), Point(0, 10), Point(10, 10), Point(10, 0)};
    EXPECT_FALSE(lineIntersectsElement(LineSegment{5, 3, 5, 3}, curve, Type::CurveTo, nullptr));
}

TEST(PathElements, CuttingAnElementAtALine)
{
    const SegmentPoints line{Point(0, 0), Point(10, 0), Point(), Point()};
    SegmentPoints start = line;
    EXPECT_TRUE(cutStartOfSegmentOnLine(start, Type::LineTo, LineSegment{4, -1, 4, 1}));
    EXPECT_EQ(start[0], Point(4, 0));
    EXPECT_EQ(start[1], Point(10, 0));
    SegmentPoints end = line;
    EXPECT_TRUE(cutEndOfSegmentOnLine(end, Type::LineTo, LineSegment{4, -1, 4, 1}));
    EXPECT_EQ(end[0], Point(0, 0));
    EXPECT_EQ(end[1], Point(4, 0));
    SegmentPoints none = line;
    EXPECT_FALSE(cutStartOfSegmentOnLine(none, Type::LineTo, LineSegment{40, -1, 40, 1}));
    EXPECT_FALSE(cutEndOfSegmentOnLine(none, Type::LineTo, LineSegment{40, -1, 40, 1}));
    EXPECT_EQ(none, line);

    // A curve crossing the line twice keeps what lies between the first
    // crossing and its end, or between its start and the last crossing.
    const SegmentPoints arch{Point(0, 0), Point(0, 100), Point(100, 100), Point(100, 0)};
    SegmentPoints fromFirst = arch, toLast = arch;
    const LineSegment level{-10, 50, 110, 50};
    ASSERT_TRUE(cutStartOfSegmentOnLine(fromFirst, Type::CurveTo, level));
    ASSERT_TRUE(cutEndOfSegmentOnLine(toLast, Type::CurveTo, level));
    EXPECT_NEAR(fromFirst[0].y, 50, 0.05);
    EXPECT_LT(fromFirst[0].x, 50);
    EXPECT_EQ(fromFirst[3], Point(100, 0));
    EXPECT_NEAR(toLast[3].y, 50, 0.05);
    EXPECT_GT(toLast[3].x, 50);
    EXPECT_EQ(toLast[0], Point(0, 0));
}

// Clipping against the line in single precision used to lose about one
// crossing in a hundred (a narrowed range ending right on a crossing lost
// the sign change that showed it) and now and then to report a crossing
// where a control point only pokes across the line.
TEST(PathElements, CurveCrossingsAgreeWithDenseSampling)
{
    std::mt19937 random(21);
    std::uniform_real_distribution<float> page(-20.0f, 520.0f);
    std::uniform_real_distribution<float> along(-0.1f, 1.1f);
    std::uniform_real_distribution<float> across(-0.6f, 0.6f);
    int checked = 0;
    for (int k = 0; k < 20000; ++k) {
        SegmentPoints V;
        LineSegment s;
        if (k % 2 == 0) { // page-sized curves and segments
            for (Point &p : V)
                p = Point(page(random), page(random));
            s = LineSegment{page(random), page(random), page(random), page(random)};
        } else { // stroke-space pieces against vertical borders, as mappings cut them
            for (Point &p : V)
                p = Point(along(random), across(random));
            const float x = along(random);
            s = LineSegment{x, -100, x, 100};
        }
        const double length = std::hypot(s.x1 - s.x0, s.y1 - s.y0);
        const auto side = [&](Point p) {
            return ((s.x1 - s.x0) * (double(p.y) - s.y0) - (s.y1 - s.y0) * (double(p.x) - s.x0)) / length;
        };
        const auto at = [&](Point p) {
            return ((double(p.x) - s.x0) * (s.x1 - s.x0) + (double(p.y) - s.y0) * (s.y1 - s.y0)) /
                   (length * length);
        };
        const std::vector<float> roots = curveIntersectLine(V, s);
        const double scale = std::max(1.0, length / 100);
        for (float t : roots) {
            EXPECT_LT(std::fabs(side(TDPointOnCurve(V, t))), 0.2 * scale) << "case " << k << " t " << t;
        }
        const int samples = 400;
        Point previous = V[0];
        for (int i = 1; i <= samples; ++i) {
            const Point p = TDPointOnCurve(V, float(i) / samples);
            const double a = side(previous), b = side(p);
            if (a * b < 0 && std::fabs(a - b) > 1e-6 * scale) {
                const double u = at(previous) + (at(p) - at(previous)) * a / (a - b);
                if (u > 0.001 && u < 0.999) {
                    ++checked;
                    const double t = (i - 0.5) / samples;
                    EXPECT_TRUE(std::any_of(roots.begin(), roots.end(),
                                            [&](float r) { return std::fabs(r - t) < 2.0 / samples; }))
                        << "case " << k << " crossing near t " << t;
                }
            }
            previous = p;
        }
        // One crossing is reported once.
        for (std::size_t i = 1; i < roots.size(); ++i) {
            EXPECT_GE(std::fabs(roots[i] - roots[i - 1]), 1e-4f) << "case " << k;
        }
    }
    EXPECT_GT(checked, 8000);
}

TEST(PathElements, CurveStartingOnTheLineDoesNotCrossItThere)
{
    const SegmentPoints curve{Point(0, 0), Point(10, 30), Point(20, 30), Point(30, 10)};
    EXPECT_TRUE(curveIntersectLine(curve, LineSegment{0, -10, 0, 10}).empty());
}
