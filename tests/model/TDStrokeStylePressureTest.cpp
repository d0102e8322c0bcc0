#include "model/TDStrokeStyle.h"

#include "StyleTestDoubles.h"
#include "model/TDBezierGraphic.h"
#include "platform/ArchivedPoint.h"

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::styletest;

TEST(TDStrokeStylePressure, OffTheCurveIsReadButNotApplied)
{
    TDStrokeStyle stroke;
    EXPECT_FLOAT_EQ(stroke.myPressureAt(0.5f), 1) << "no table yet";
    stroke.setPressureArray({Point(0, 0), Point(1, 2)});
    EXPECT_FLOAT_EQ(stroke.pressureAt(0.75f), 1);
    EXPECT_FLOAT_EQ(stroke.pressureGradientAt(0.5f), 0);
    EXPECT_NEAR(stroke.myPressureAt(0.75f), 1.5f, 0.02f);
    stroke.setUsesPressure(true);
    EXPECT_NEAR(stroke.pressureAt(0.75f), 1.5f, 0.02f);
    EXPECT_NEAR(stroke.pressureGradientAt(0.5f), 2, 0.05f);
    EXPECT_FLOAT_EQ(stroke.pressureGradientAt(1.5f), 0);
}

TEST(TDStrokeStylePressure, UndoGivesBackTheOldPoints)
{
    GraphicInDocument f;
    const std::vector<Point> first{Point(0, 0.5f), Point(1, 1.5f)};
    f.stroke().setPressureArray(first);
    f.stroke().setUsesPressure(true);
    f.document.undo().removeAllActions();
    std::vector<Point> edited = first;
    edited.emplace_back(0.5f, 2);
    f.stroke().setPressureArray(edited);
    edited[0].y = 0; // the caller's array is its own
    f.document.undo().undo();
    EXPECT_EQ(f.stroke().pressureArray(), first);
    EXPECT_NEAR(f.stroke().pressureAt(1), 1.5f, 1e-3) << "the table follows undo";
    f.document.undo().redo();
    EXPECT_EQ(f.stroke().pressureArray().size(), 3u);
    EXPECT_FLOAT_EQ(f.stroke().pressureArray()[0].y, 0.5f);
    f.stroke().setUsesPressure(false);
    f.document.undo().undo();
    EXPECT_TRUE(f.stroke().usesPressure());
}

TEST(TDStrokeStylePressure, RecordedCurvesAreSortedAndSimplified)
{
    TDStrokeStyle stroke;
    stroke.setSimplifyPressureArray({Point(1, 1), Point(0.5f, 1), Point(0, 1)});
    EXPECT_EQ(stroke.pressureArray(), (std::vector<Point>{Point(0, 1), Point(1, 1)}));
}

TEST(TDStrokeStylePressure, TheDictionaryHoldsThePointsOfABrushWithPressure)
{
    struct Case {
        const char *name;
        int style;
        bool pressure;
        bool written;
    };
    const Case cases[] = {
        {"a brush with pressure", TDStrokeStyle::BrushStroke, true, true},
        {"a brush without pressure", TDStrokeStyle::BrushStroke, false, false},
        {"a line", TDStrokeStyle::Line, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TDStrokeStyle stroke;
        stroke.setStyle(c.style);
        stroke.setPressureArray({Point(0, 0.25f), Point(0.5f, 2), Point(1, 1)});
        stroke.setUsesPressure(c.pressure);
        const PropertyList stored = stroke.toYAML();
        ASSERT_EQ(stored.contains("Pressure"), c.written);
        if (!c.written)
            continue;
        auto read = TDStrokeStyle::objectWithYAML(stored);
        EXPECT_TRUE(read->usesPressure());
        EXPECT_EQ(read->pressureArray(), stroke.pressureArray());
        EXPECT_EQ(read->toYAML(), stored);
    }

    // No points at all: the flat curve.
    PropertyList empty{PropertyList::Dictionary()};
    empty.insert("StrokeStyle", 2);
    empty.insert("Pressure", PropertyList(PropertyList::Array()));
    auto read = TDStrokeStyle::objectWithYAML(empty);
    EXPECT_EQ(read->pressureArray(), TDPressureCurve::defaultPoints());
    EXPECT_FLOAT_EQ(read->pressureAt(0.3f), 1);
}

TEST(TDStrokeStylePressure, LegacyPressureArraysBecomePoints)
{
    struct Case {
        const char *name;
        std::vector<PropertyList> values;
        std::vector<Point> points; // empty: pressure stays off
    };
    const Case cases[] = {
        {"three values", {1.0, 2.0, 3.0}, {Point(0, 1), Point(0.5f, 2), Point(1, 3)}},
        {"one value holds throughout", {0.5}, {Point(0, 0.5f)}},
        {"the last value is no number", {1.0, QString("x")}, {}},
        {"no values", {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PropertyList array{PropertyList::Array()};
        for (const PropertyList &v : c.values)
            array.append(v);
        PropertyList d{PropertyList::Dictionary()};
        d.insert("Pressure", array);
        const auto graphic = TDBezierGraphic::objectWithYAML(d);
        const TDStrokeStyle &stroke = *graphic->strokeStyle();
        EXPECT_EQ(stroke.usesPressure(), !c.points.empty());
        if (!c.points.empty()) {
            EXPECT_EQ(stroke.pressureArray(), c.points);
        }
        EXPECT_FALSE(graphic->toYAML().contains("Pressure")) << "the graphic no longer keeps it";
    }
}
