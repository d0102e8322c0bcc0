// The shape walk as a pure function: where lines of text may go inside a
// shape, over a table of shapes.

#include "model/TDShapeWalk.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;

namespace {

PathBase rect(float x, float y, float w, float h)
{
    PathBase p;
    p.appendRect(Rect(x, y, w, h));
    return p;
}

PathBase oval(float x, float y, float w, float h)
{
    PathBase p;
    p.appendOvalInRect(Rect(x, y, w, h));
    return p;
}

// A 100 x 100 square with a 40 x 40 square hole in its middle (even-odd).
PathBase ring()
{
    PathBase p = rect(0, 0, 100, 100);
    p.appendPath(rect(30, 30, 40, 40));
    p.setWindingRule(WindingRule::EvenOdd);
    return p;
}

// A diamond whose side vertices lie exactly at y = 50.
PathBase diamond()
{
    PathBase p;
    p.moveTo(Point(50, 0));
    p.lineTo(Point(100, 50));
    p.lineTo(Point(50, 100));
    p.lineTo(Point(0, 50));
    p.close();
    return p;
}

// An L: a horizontal edge at y = 40 runs along the line band's top.
PathBase ell()
{
    PathBase p;
    p.moveTo(Point(0, 0));
    p.lineTo(Point(30, 0));
    p.lineTo(Point(30, 40));
    p.lineTo(Point(100, 40));
    p.lineTo(Point(100, 100));
    p.lineTo(Point(0, 100));
    p.close();
    return p;
}

// A square with a notch cut into its top edge between x 40 and 60, down to
// y 25: a band whose top and bottom are both inside at x 50 is not inside
// in its middle when it straddles the notch's bottom.
PathBase notched()
{
    PathBase p;
    p.moveTo(Point(0, 0));
    p.lineTo(Point(40, 0));
    p.lineTo(Point(40, 25));
    p.lineTo(Point(60, 25));
    p.lineTo(Point(60, 0));
    p.lineTo(Point(100, 0));
    p.lineTo(Point(100, 100));
    p.lineTo(Point(0, 100));
    p.close();
    return p;
}

struct WalkRow {
    const char *name;
    PathBase shape;
    Rect proposed;
    Rect fragment;  // expected, within 0.2 (curves are flattened)
    Rect remaining; // expected, within 0.2
};

void PrintTo(const WalkRow &row, std::ostream *os)
{
    *os << row.name;
}

class ShapeWalkTable : public ::testing::TestWithParam<WalkRow> {};

void expectRect(const Rect &actual, const Rect &expected, const char *what)
{
    EXPECT_NEAR(actual.minX(), expected.minX(), 0.2) << what;
    EXPECT_NEAR(actual.minY(), expected.minY(), 0.2) << what;
    EXPECT_NEAR(actual.width(), expected.width(), 0.2) << what;
    EXPECT_NEAR(actual.height(), expected.height(), 0.2) << what;
}

} // namespace

TEST_P(ShapeWalkTable, AnswersTheFragmentAndWhatIsLeftOfTheLine)
{
    const WalkRow &row = GetParam();
    const TDShapeWalk walk(row.shape);
    Rect remaining(-7, -7, -7, -7); // must be overwritten
    const Rect fragment = walk.lineFragmentRect(row.proposed, &remaining);
    expectRect(fragment, row.fragment, "fragment");
    expectRect(remaining, row.remaining, "remaining");
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ShapeWalkTable,
    ::testing::Values(
        WalkRow{"rectangle_first_line_one_point_below_the_top", rect(0, 0, 200, 100), Rect(0, 0, 200, 14),
                Rect(0, 1, 200, 14), Rect()},
        WalkRow{"rectangle_later_line", rect(0, 0, 200, 100), Rect(0, 30, 200, 14), Rect(0, 30, 200, 14), Rect()},
        WalkRow{"rectangle_line_starting_left_of_the_shape_moves_right", rect(10, 0, 100, 100),
                Rect(0, 20, 110, 14), Rect(10, 20, 100, 14), Rect()},
        WalkRow{"rectangle_below_the_shape_does_not_fit", rect(0, 0, 200, 100), Rect(0, 100, 200, 14), Rect(),
                Rect()},
        WalkRow{"oval_middle_line_spans_the_chord", oval(0, 0, 200, 100), Rect(0, 43, 200, 14),
                // The chord of the band's top and bottom: y = 43 and 57 lie
                // 7 from the centre, x half-width 100 * sqrt(1 - (7/50)^2).
                Rect(100 - 99.015f, 43, 2 * 99.015f, 14), Rect()},
        WalkRow{"ring_splits_the_line_around_the_hole", ring(), Rect(0, 40, 100, 14), Rect(0, 40, 30, 14),
                Rect(70, 40, 30, 14)},
        WalkRow{"ring_remaining_rectangle_is_proposed_next", ring(), Rect(70, 40, 30, 14), Rect(70, 40, 30, 14),
                Rect()},
        WalkRow{"ring_above_the_hole_is_one_span", ring(), Rect(0, 10, 100, 14), Rect(0, 10, 100, 14), Rect()},
        WalkRow{"ring_band_touching_the_hole_top_is_whole", ring(), Rect(0, 16, 100, 14), Rect(0, 16, 100, 14),
                Rect()},
        WalkRow{"diamond_band_through_the_side_vertices", diamond(), Rect(0, 43, 100, 14),
                // The band's ends decide: at y 43 and at y 57 the diamond
                // spans x 7 .. 93, at the vertices between them all of it.
                Rect(7, 43, 86, 14), Rect()},
        WalkRow{"ell_band_top_on_a_horizontal_edge", ell(), Rect(0, 40, 100, 14), Rect(0, 40, 100, 14), Rect()},
        WalkRow{"ell_band_crossing_the_horizontal_edge_keeps_the_stem", ell(), Rect(0, 33, 100, 14),
                Rect(0, 33, 30, 14), Rect()},
        WalkRow{"notch_band_straddling_its_bottom_is_split", notched(), Rect(0, 20, 100, 14), Rect(0, 20, 40, 14),
                Rect(60, 20, 40, 14)},
        WalkRow{"too_narrow_first_span_goes_half_a_line_lower", diamond(), Rect(0, 1, 100, 14),
                // At y 1 the diamond is narrower than 14; half a line lower
                // (y 8) it is 2 * 8 = 16 wide at the top, still narrower
                // than the bottom: the span is the top's.
                Rect(42, 8, 16, 14), Rect()},
        WalkRow{"too_narrow_everywhere_fits_nothing", rect(0, 0, 8, 100), Rect(0, 0, 8, 14), Rect(), Rect()}),
    [](const ::testing::TestParamInfo<WalkRow> &info) { return std::string(info.param.name); });

TEST(TDShapeWalk, NoLineLiesOutsideTheShapeOrInsideTheHole)
{
    const PathBase shapes[] = {ring(), oval(0, 0, 180, 120), diamond(), notched(), ell()};
    for (const PathBase &shape : shapes) {
        const TDShapeWalk walk(shape);
        for (float y = 0; y < 120; y += 0.7f) {
            Rect remaining;
            const Rect fragment = walk.lineFragmentRect(Rect(0, y, 200, 12), &remaining);
            if (fragment.isEmpty())
                continue;
            // Every point of the fragment, sampled densely, is inside.
            for (float fy = fragment.minY() + 0.05f; fy < fragment.maxY(); fy += 0.5f) {
                for (float fx = fragment.minX() + 0.05f; fx < fragment.maxX() - 0.05f; fx += 0.5f)
                    ASSERT_TRUE(shape.containsPoint(Point(fx, fy))) << fx << ", " << fy << " from y " << y;
            }
        }
    }
}

TEST(TDShapeWalk, EmptyOrBrokenShapesAnswerNothingAndClearTheRemainder)
{
    PathBase broken = rect(0, 0, 100, 100);
    broken.lineTo(Point(NAN, 4));
    for (const PathBase &shape : {PathBase(), broken}) {
        const TDShapeWalk walk(shape);
        Rect remaining(1, 2, 3, 4);
        EXPECT_TRUE(walk.lineFragmentRect(Rect(0, 0, 100, 14), &remaining).isEmpty());
        EXPECT_EQ(remaining, Rect());
    }
    const TDShapeWalk walk(rect(0, 0, 100, 100));
    Rect remaining(1, 2, 3, 4);
    EXPECT_TRUE(walk.lineFragmentRect(Rect(0, NAN, 100, 14), &remaining).isEmpty());
    EXPECT_EQ(remaining, Rect());
}

TEST(TDShapeWalk, NonZeroWindingFillsOverlappingSubpaths)
{
    PathBase twice = rect(0, 0, 100, 100);
    twice.appendPath(rect(30, 30, 40, 40));
    twice.setWindingRule(WindingRule::NonZero);
    const TDShapeWalk walk(twice);
    Rect remaining;
    const Rect fragment = walk.lineFragmentRect(Rect(0, 40, 100, 14), &remaining);
    EXPECT_NEAR(fragment.width(), 100, 0.05);
}
