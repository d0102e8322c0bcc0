// The knob geometry: what dragging each handle of the selection bounds
// does, with and without the Shift and Option constraints, and that no
// drag, however degenerate, gives a transformation that is not finite.

#include "canvas/TDKnobGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>

using namespace scrivane;

namespace {

// x 100..300, y 100..200 (y grows downwards).
constexpr Rect kBounds(100, 100, 200, 100);

// The drag as the canvas does it: the knob's offset from the press is
// taken off both points.
// Knobs are written by their numbers in the tables below.
AffineTransform drag(TDKnobGeometry &geometry, int number, Point start, Point end, bool shift = false,
                     bool alt = false)
{
    const Knob knob = Knob(number);
    const Point offset = geometry.offsetForKnob(knob, start);
    return geometry.transformation(knob, Point(start.x - offset.x, start.y - offset.y),
                                   Point(end.x - offset.x, end.y - offset.y), shift, alt);
}

bool finite(const AffineTransform &t)
{
    return std::isfinite(t.m11) && std::isfinite(t.m12) && std::isfinite(t.m21) && std::isfinite(t.m22) &&
           std::isfinite(t.tX) && std::isfinite(t.tY);
}

void expectRect(const Rect &actual, const Rect &expected, const char *label)
{
    EXPECT_NEAR(actual.minX(), expected.minX(), 1e-3) << label;
    EXPECT_NEAR(actual.minY(), expected.minY(), 1e-3) << label;
    EXPECT_NEAR(actual.width(), expected.width(), 1e-3) << label;
    EXPECT_NEAR(actual.height(), expected.height(), 1e-3) << label;
}

struct KnobCase {
    const char *label;
    int knob;
    Point start;
    Point end;
    bool shift;
    bool alt;
    Rect expected;
};

} // namespace

TEST(KnobGeometry, EachKnobDragGivesItsTransformation)
{
    const KnobCase cases[] = {
        {"1 top left", 1, {100, 100}, {50, 80}, false, false, {50, 80, 250, 120}},
        {"2 top middle", 2, {200, 100}, {230, 50}, false, false, {100, 50, 200, 150}},
        {"3 top right", 3, {300, 100}, {400, 150}, false, false, {100, 150, 300, 50}},
        {"4 middle left", 4, {100, 150}, {150, 170}, false, false, {150, 100, 150, 100}},
        {"5 middle right", 5, {300, 150}, {500, 0}, false, false, {100, 100, 400, 100}},
        {"6 bottom left", 6, {100, 200}, {0, 300}, false, false, {0, 100, 300, 200}},
        {"7 bottom middle", 7, {200, 200}, {0, 250}, false, false, {100, 100, 200, 150}},
        {"8 bottom right", 8, {300, 200}, {350, 150}, false, false, {100, 100, 250, 50}},
        {"8 pressed beside the handle", 8, {297, 198}, {347, 148}, false, false, {100, 100, 250, 50}},
        {"8 past the anchor flips", 8, {300, 200}, {50, 150}, false, false, {50, 100, 50, 50}},
        {"8 from the centre", 8, {300, 200}, {400, 250}, false, true, {0, 50, 400, 200}},
        {"9 body", 9, {150, 150}, {170, 130}, false, false, {120, 80, 200, 100}},
        {"10 rotate a quarter turn", 10, {300, 100}, {250, 250}, false, false, {150, 50, 100, 200}},
        {"11 skew along x", 11, {200, 100}, {250, 100}, false, false, {50, 100, 300, 100}},
        {"12 skew along y", 12, {300, 150}, {300, 250}, false, false, {100, 0, 200, 300}},
        {"13 free move", 13, {150, 150}, {155, 190}, true, false, {105, 140, 200, 100}},
        {"0 none", 0, {150, 150}, {400, 400}, false, false, kBounds},
        {"14 unknown", 14, {150, 150}, {400, 400}, false, false, kBounds},
        // Shift: corners take the larger signed factor for both axes.
        {"corner factors 2 and 1.2", 8, {300, 200}, {500, 220}, true, false, {100, 100, 400, 200}},
        {"corner factors -0.5 and 0.3", 8, {300, 200}, {0, 130}, true, false, {100, 100, 60, 30}},
        // Shift: middle handles in half steps.
        {"middle 1.3 becomes 1.5", 7, {200, 200}, {200, 230}, true, false, {100, 100, 200, 150}},
        {"middle 1.2 becomes 1", 7, {200, 200}, {200, 220}, true, false, {100, 100, 200, 100}},
        {"middle -0.2 becomes tiny", 7, {200, 200}, {200, 80}, true, false, {100, 100, 200, 0.01f}},
    };
    for (const KnobCase &c : cases) {
        TDKnobGeometry geometry(kBounds);
        const AffineTransform t = drag(geometry, c.knob, c.start, c.end, c.shift, c.alt);
        ASSERT_TRUE(finite(t)) << c.label;
        expectRect(t.transformRect(kBounds), c.expected, c.label);
    }
}

TEST(KnobGeometry, ShiftRoundsAnglesToFifteenDegreesAndFactorsToHalves)
{
    struct Angle {
        double in, out;
    };
    for (const Angle a : {Angle{22, 15}, Angle{23, 30}, Angle{-8, -15}, Angle{0, 0}, Angle{7.4, 0}, Angle{-7.6, -15},
                          Angle{180, 180}})
        EXPECT_DOUBLE_EQ(TDKnobGeometry::roundToFifteenDegrees(a.in), a.out) << a.in;
    struct Factor {
        float in, out;
    };
    for (const Factor f : {Factor{1.3f, 1.5f}, Factor{1.2f, 1.0f}, Factor{-0.2f, TDKnobGeometry::kSmallestFactor},
                           Factor{-0.8f, -1.0f}, Factor{0.3f, 0.5f},
                           Factor{0.1f, TDKnobGeometry::kSmallestFactor}})
        EXPECT_FLOAT_EQ(TDKnobGeometry::roundToHalf(f.in), f.out) << f.in;

    // A drag of 22 degrees about the centre (200, 150) turns by 15.
    TDKnobGeometry geometry(kBounds);
    const double a = 22 * std::numbers::pi / 180;
    const AffineTransform t = geometry.transformation(
        Knob::Rotate, Point(300, 150), Point(float(200 + 100 * std::cos(a)), float(150 + 100 * std::sin(a))),
        true, false);
    EXPECT_NEAR(t.m11, std::cos(15 * std::numbers::pi / 180), 1e-6);
    EXPECT_NEAR(t.m12, std::sin(15 * std::numbers::pi / 180), 1e-6);
    const Point centre = t.transformPoint(Point(200, 150));
    EXPECT_NEAR(centre.x, 200, 1e-3);
    EXPECT_NEAR(centre.y, 150, 1e-3);
}

TEST(KnobGeometry, ShiftMoveKeepsItsAxisUntilTheOtherWinsByTwentyPoints)
{
    TDKnobGeometry geometry(kBounds);
    struct Step {
        Point to;
        int lock;
        float dx, dy;
    };
    // Start at the bounds' origin (the body's offset already taken off).
    const Point start(100, 100);
    const Step steps[] = {
        {{105, 110}, 1, 0, 10},  // mostly vertical: locked vertical
        {{115, 110}, 1, 0, 10},  // horizontal wins, but not by 20 points
        {{125, 110}, 0, 25, 0},  // now past 20: horizontal
        {{125, 118}, 0, 25, 0},
        {{125, 130}, 1, 0, 30},  // vertical wins again, past 20
    };
    for (const Step &s : steps) {
        const AffineTransform t = geometry.transformation(Knob::Body, start, s.to, true, false);
        EXPECT_EQ(geometry.axisLock(), s.lock) << s.to.x << "," << s.to.y;
        EXPECT_FLOAT_EQ(t.tX, s.dx);
        EXPECT_FLOAT_EQ(t.tY, s.dy);
        EXPECT_TRUE(t.isTranslationOf(AffineTransform()));
    }
    geometry.reset(kBounds);
    EXPECT_EQ(geometry.axisLock(), -1);
}

TEST(KnobGeometry, RotatingAboutAPointerAtTheCentreStaysFinite)
{
    TDKnobGeometry geometry(kBounds);
    const Point centre(200, 150);
    // A press exactly on the centre: no direction, no rotation.
    AffineTransform t = geometry.transformation(Knob::Rotate, centre, Point(260, 150), false, false);
    EXPECT_TRUE(finite(t));
    EXPECT_TRUE(t.isIdentity());
    // A quarter turn, then the pointer through the centre: the turn stays.
    t = geometry.transformation(Knob::Rotate, Point(300, 150), Point(200, 250), false, false);
    const Rect turned = t.transformRect(kBounds);
    t = geometry.transformation(Knob::Rotate, Point(300, 150), centre, true, false);
    ASSERT_TRUE(finite(t));
    expectRect(t.transformRect(kBounds), turned, "pointer on the centre");
}

TEST(KnobGeometry, DegenerateSelectionsNeverGiveNonFiniteTransformations)
{
    // A vertical line (no width), a horizontal line (no height), a point.
    const Rect flats[] = {Rect(100, 100, 0, 80), Rect(100, 100, 80, 0), Rect(100, 100, 0, 0)};
    const Point pointers[] = {{100, 100}, {140, 180}, {100, 60}, {60, 140}};
    for (const Rect &flat : flats) {
        for (int knob = 0; knob <= 13; ++knob) {
            for (const Point p : pointers) {
                for (int flags = 0; flags < 4; ++flags) {
                    TDKnobGeometry geometry(flat);
                    const Point start(flat.midX(), flat.minY());
                    const AffineTransform t = drag(geometry, knob, start, p, flags & 1, flags & 2);
                    EXPECT_TRUE(finite(t)) << "knob " << knob << " bounds " << flat.width() << "x"
                                           << flat.height() << " flags " << flags;
                }
            }
        }
    }
    // The axis with extent still scales; the flat one keeps its size.
    TDKnobGeometry line(Rect(100, 100, 0, 80));
    const Rect scaled = drag(line, 8, Point(100, 180), Point(150, 260)).transformRect(line.bounds());
    expectRect(scaled, Rect(100, 100, 0, 160), "vertical line, corner drag");
    // With Shift, the flat axis follows the other one.
    const AffineTransform both = drag(line, 8, Point(100, 180), Point(150, 260), true);
    EXPECT_FLOAT_EQ(both.m11, 2);
    EXPECT_FLOAT_EQ(both.m22, 2);
}

TEST(KnobGeometry, ShiftRoundedSkewStopsShortOfARightAngle)
{
    TDKnobGeometry geometry(kBounds);
    // atan(1000 / 50) is about 87 degrees, which rounds to 90: a shear
    // without end.  It stays at 75.
    const AffineTransform t =
        geometry.transformation(Knob::SkewY, Point(300, 150), Point(300, 150 + 2000), true, false);
    ASSERT_TRUE(finite(t));
    EXPECT_NEAR(t.m12, std::tan(75 * std::numbers::pi / 180), 1e-4);
    // Without Shift the shear follows the pointer.
    const AffineTransform free =
        geometry.transformation(Knob::SkewY, Point(300, 150), Point(300, 250), false, false);
    EXPECT_NEAR(free.m12, 1, 1e-5);
}

TEST(KnobGeometry, RotationAndSkewCarryTheHandleToThePointer)
{
    // Rotation: the pressed point turns onto the pointer's ray from the
    // centre; skews: the handle follows the pointer along its axis.
    struct Case {
        Knob knob;
        Point start, end;
    };
    for (const Case c :
         {Case{Knob::Rotate, {300, 100}, {120, 260}}, Case{Knob::Rotate, {100, 200}, {330, 140}},
          Case{Knob::SkewX, {200, 100}, {260, 100}}, Case{Knob::SkewY, {100, 150}, {100, 90}}}) {
        TDKnobGeometry geometry(kBounds);
        const AffineTransform t = geometry.transformation(c.knob, c.start, c.end, false, false);
        const Point moved = t.transformPoint(c.start);
        if (c.knob == Knob::Rotate) {
            const double want = std::atan2(c.end.y - 150.0, c.end.x - 200.0);
            const double got = std::atan2(moved.y - 150.0, moved.x - 200.0);
            EXPECT_NEAR(got, want, 1e-5);
        } else {
            EXPECT_NEAR(moved.x, c.end.x, 1e-3);
            EXPECT_NEAR(moved.y, c.end.y, 1e-3);
        }
    }
}
