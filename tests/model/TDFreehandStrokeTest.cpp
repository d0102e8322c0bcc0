// The raw freehand stroke: which pointer positions it takes at a zoom, the
// points it fills in along long jumps, its bounds, and the pressure curve
// a tablet stroke leaves.

#include "model/TDBezierPath.h"
#include "model/TDFreehandStroke.h"
#include "model/TDPressureCurve.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;

namespace {

struct StrokeCase {
    const char *name;
    float zoom;
    Point to;
    // Elements after the move: the filled-in points and the point itself;
    // 0 when the point is passed over.
    int added;
};

// At zoom z a point is taken when it lies more than 1/z (squared) away, and
// a jump longer than 25/z gets n - 1 points in between, n = jump / (25/z).
const StrokeCase strokeCases[] = {
    {"zoom1_underOnePixel", 1, Point(100.9f, 100), 0},
    {"zoom1_justOverOnePixel", 1, Point(101.1f, 100), 1},
    {"zoom4_quarterPixelTaken", 4, Point(100.6f, 100), 1},
    {"zoom4_tooClose", 4, Point(100.4f, 100), 0},
    {"zoom1_jump30_onlyThePoint", 1, Point(130, 100), 1},
    {"zoom1_jump60_oneBetween", 1, Point(160, 100), 2},
    {"zoom1_jump80_twoBetween", 1, Point(180, 100), 3},
    {"zoom4_jump15_oneBetween", 4, Point(115, 100), 2},
};

} // namespace

TEST(TDFreehandStrokeTest, TakesPointsByScreenDistanceAndFillsInLongJumps)
{
    for (const StrokeCase &c : strokeCases) {
        SCOPED_TRACE(c.name);
        TDFreehandStroke stroke(Point(100, 100), c.zoom, false);
        const auto changed = stroke.addPoint(c.to);
        EXPECT_EQ(changed.has_value(), c.added > 0);
        ASSERT_EQ(stroke.path()->elementCount(), 1 + c.added);
        if (c.added == 0)
            continue;
        EXPECT_EQ(stroke.path()->elements().back().points[0], c.to);
        // The points in between are spaced evenly along the jump.
        for (int k = 1; k < c.added; ++k) {
            const float x = stroke.path()->elements()[size_t(k)].points[0].x;
            EXPECT_NEAR(x, 100 + (c.to.x - 100) * k / c.added, 1e-3);
        }
    }
}

TEST(TDFreehandStrokeTest, BoundsGrowWithThePointsAndChangedAreaIsTheNewPiece)
{
    TDFreehandStroke stroke(Point(50, 50), 1, false);
    stroke.addPoint(Point(70, 40));
    const auto changed = stroke.addPoint(Point(60, 90));
    ASSERT_TRUE(changed);
    EXPECT_EQ(*changed, Rect(60, 40, 10, 50));
    EXPECT_EQ(stroke.bounds(), Rect(50, 40, 20, 50));
    EXPECT_EQ(stroke.bounds(), stroke.path()->bounds());
    // A position that is no number is passed over.
    EXPECT_FALSE(stroke.addPoint(Point(NAN, 3)));
    // The move, the first point, and the 51-point jump filled in once.
    EXPECT_EQ(stroke.path()->elementCount(), 4);
}

TEST(TDFreehandStrokeTest, TabletPressureRunsFromZeroToOneAndTheLiftTakesThePressureBefore)
{
    TDFreehandStroke stroke(Point(0, 0), 1, true);
    stroke.addPoint(Point(10, 0), 0.25f);
    stroke.addPoint(Point(20, 0), 0.5f);
    stroke.addPoint(Point(40, 0), 0.75f);
    stroke.addPoint(Point(50, 0), 0.1f);
    const std::vector<Point> curve = stroke.pressureCurve();
    ASSERT_EQ(curve.size(), 4u);
    // Positions: the length drawn at each sample over the whole length.
    EXPECT_FLOAT_EQ(curve[0].x, 0);
    EXPECT_FLOAT_EQ(curve[1].x, 0.25f);
    EXPECT_FLOAT_EQ(curve[2].x, 0.75f);
    EXPECT_FLOAT_EQ(curve[3].x, 1);
    // Twice the pen's pressure; the last sample repeats the one before.
    EXPECT_FLOAT_EQ(curve[0].y, 0.5f);
    EXPECT_FLOAT_EQ(curve[2].y, 1.5f);
    EXPECT_FLOAT_EQ(curve[3].y, 1.5f);
}

TEST(TDFreehandStrokeTest, SingleTabletSampleGivesTheDefaultCurveNotZeroOverZero)
{
    TDFreehandStroke stroke(Point(0, 0), 1, true);
    stroke.addPoint(Point(5, 0), 0.8f);
    const std::vector<Point> curve = stroke.pressureCurve();
    EXPECT_EQ(curve, TDPressureCurve::defaultPoints());
    for (Point p : curve)
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
}
