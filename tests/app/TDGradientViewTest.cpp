// The gradient editor: adding, dragging, removing and putting back stops,
// and what it reports.

#include "app/TDGradientColorWell.h"
#include "app/TDGradientView.h"
#include "model/TDGradient.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

class GradientViewTest : public ::testing::Test {
protected:
    GradientViewTest()
    {
        view.resize(220, 60);
        view.setGradient(TDGradient::withColors(Color::calibratedRGB(1, 0, 0), Color::calibratedRGB(0, 0, 1)));
    }
    // The point over position p in the strip, or in the band of the wells.
    QPointF inStrip(float p) const { return QPointF(view.xForPosition(p), 30); }
    QPointF inWells(float p) const { return QPointF(view.xForPosition(p), view.height() - 5); }
    const QPointF outside{300, -40};

    TDGradientView view;
};

} // namespace

TEST_F(GradientViewTest, InstallingReportsNothingAndEveryEditReports)
{
    QSignalSpy changes(&view, &TDGradientView::gradientChanged);
    view.setGradient(TDGradient::withColors(Color::black(), Color::white()));
    EXPECT_EQ(changes.count(), 0);
    view.pressAt(inStrip(0.1f));
    view.dragTo(inStrip(0.3f));
    view.release();
    EXPECT_GE(changes.count(), 1);
    EXPECT_FLOAT_EQ(view.gradient()->markerPosition(0), 0.3f);
}

// A click in the band of the wells adds a stop of the colour already there,
// so that nothing changes to the eye.
TEST_F(GradientViewTest, AnAddedStopTakesTheColourAtItsPlace)
{
    const Color before = view.gradient()->nscolorAtPosition(0.25f);
    view.pressAt(inWells(0.25f));
    view.release();
    ASSERT_EQ(view.gradient()->numberOfmarkers(), 3);
    EXPECT_FLOAT_EQ(view.gradient()->markerPosition(2), 0.25f);
    EXPECT_EQ(view.gradient()->markerColor(2), before);
    EXPECT_EQ(view.wells().size(), 3u);

    // In the strip itself, or beside the usable width, nothing is added.
    view.pressAt(inStrip(0.6f));
    view.release();
    view.pressAt(QPointF(3, view.height() - 5));
    view.release();
    EXPECT_EQ(view.gradient()->numberOfmarkers(), 3);
}

TEST_F(GradientViewTest, DraggingOutRemovesAStopButNeverTheLastOneShown)
{
    view.pressAt(inStrip(0));
    view.dragTo(outside);
    EXPECT_EQ(view.gradient()->markerPosition(0), -1);
    // Back in during the same drag: it returns where the pointer is.
    view.dragTo(inStrip(0.4f));
    EXPECT_FLOAT_EQ(view.gradient()->markerPosition(0), 0.4f);
    view.dragTo(outside);
    view.release();
    EXPECT_EQ(view.gradient()->copy()->numberOfmarkers(), 1);

    view.pressAt(inStrip(1));
    view.dragTo(outside);
    view.release();
    EXPECT_FLOAT_EQ(view.gradient()->markerPosition(1), 1.0f) << "clamped, kept";
}

TEST_F(GradientViewTest, EscapePutsTheDraggedStopBack)
{
    view.pressAt(inWells(0.5f));
    view.release();
    view.pressAt(inStrip(0.0f));
    view.dragTo(inStrip(0.7f));
    view.cancelOperation();
    EXPECT_EQ(view.selectedMarker(), -1);
    EXPECT_FLOAT_EQ(view.gradient()->markerPosition(0), 0.0f);
    EXPECT_EQ(view.gradient()->numberOfmarkers(), 3) << "the stop added before stays";
}

// A control with no room for a strip ignores the mouse rather than divide
// by its width.
TEST_F(GradientViewTest, NarrowControlsIgnoreTheMouse)
{
    for (int width : {20, 10, 0}) {
        SCOPED_TRACE(width);
        view.resize(width, 60);
        EXPECT_FALSE(view.positionAt(5).has_value());
        view.pressAt(QPointF(5, 55));
        view.dragTo(QPointF(8, 30));
        view.release();
        EXPECT_EQ(view.gradient()->numberOfmarkers(), 2);
        EXPECT_EQ(view.gradient()->markerPosition(0), 0);
        view.grab(); // draws without a strip
    }
}

TEST_F(GradientViewTest, AWellRecoloursItsStop)
{
    view.wells()[1]->takeColor(Color::calibratedRGB(0, 1, 0));
    EXPECT_EQ(view.gradient()->markerColor(1), Color::calibratedRGB(0, 1, 0));
}
