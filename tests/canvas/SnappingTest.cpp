// Snapping of tracked points to the document grid and to guides.

#include "canvas/TDSnapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace scrivane;

TEST(Snapping, GridSnapsEachCoordinateToTheNearestStep)
{
    struct Case {
        const char *label;
        TDSnapping::Grid grid;
        Point in;
        Point out;
    };
    const Case cases[] = {
        {"spacing 10, 2 subdivisions", {true, 10, 2, false}, {7.4f, 12.6f}, {5, 15}},
        {"pixel aligned centre", {true, 10, 2, true}, {7.4f, 12.6f}, {5.5f, 15.5f}},
        {"negative coordinates", {true, 10, 1, false}, {-14.9f, -15.1f}, {-10, -20}},
        {"halves go up", {true, 10, 1, false}, {5, -5}, {10, 0}},
        {"snapping off", {false, 10, 2, false}, {7.4f, 12.6f}, {7.4f, 12.6f}},
        // A grid without steps leaves the point alone rather than making
        // it not a number.
        {"zero subdivisions count as one", {true, 10, 0, false}, {7.4f, 12.6f}, {10, 10}},
        {"negative subdivisions count as one", {true, 10, -3, false}, {7.4f, 12.6f}, {10, 10}},
        {"zero spacing", {true, 0, 2, false}, {7.4f, 12.6f}, {7.4f, 12.6f}},
        {"spacing not a number", {true, std::numeric_limits<float>::quiet_NaN(), 2, false}, {7.4f, 12.6f},
         {7.4f, 12.6f}},
        {"infinite spacing", {true, std::numeric_limits<float>::infinity(), 2, false}, {7.4f, 12.6f},
         {7.4f, 12.6f}},
    };
    for (const Case &c : cases) {
        const Point p = TDSnapping::snapToGrid(c.in, c.grid);
        EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y)) << c.label;
        EXPECT_FLOAT_EQ(p.x, c.out.x) << c.label;
        EXPECT_FLOAT_EQ(p.y, c.out.y) << c.label;
    }
}

TEST(Snapping, GuidesPullCoordinatesWithinFiveScreenPixels)
{
    struct Case {
        const char *label;
        std::vector<float> xGuides, yGuides;
        float zoom;
        Point in;
        Point out;
    };
    const Case cases[] = {
        // 1.4 from the whole-number location 100 is under 5 / 2.
        {"guide at 100.7, zoom 2", {100.7f}, {}, 2, {98.6f, 40}, {100, 40}},
        {"just out of reach at zoom 2", {100.7f}, {}, 2, {97.4f, 40}, {97.4f, 40}},
        {"reach grows when zoomed out", {100.7f}, {}, 0.5f, {91.5f, 40}, {100, 40}},
        {"y guides snap y only", {}, {50}, 1, {52, 52}, {52, 50}},
        {"the first guide within reach wins", {104, 101}, {}, 1, {100.5f, 0}, {104, 0}},
        {"no guides", {}, {}, 1, {3, 4}, {3, 4}},
        {"a zoom of zero reads as one", {10}, {}, 0, {13, 0}, {10, 0}},
    };
    for (const Case &c : cases) {
        const Point p = TDSnapping::snapToGuides(c.in, c.xGuides, c.yGuides, c.zoom);
        EXPECT_FLOAT_EQ(p.x, c.out.x) << c.label;
        EXPECT_FLOAT_EQ(p.y, c.out.y) << c.label;
    }
}
