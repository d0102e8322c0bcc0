// What the canvas paints (pixels of a grabbed canvas), which handles a
// selection shows, and how little a change repaints.

#include "CanvasTestSupport.h"

#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"

#include <QApplication>
#include <QPaintEvent>
#include <QTest>

#include <cmath>
#include <functional>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

QColor pixel(const QImage &image, QPointF p)
{
    return image.pixelColor(int(std::floor(p.x())), int(std::floor(p.y())));
}

bool isWhite(const QColor &c)
{
    return c.red() > 250 && c.green() > 250 && c.blue() > 250;
}

// Whether a pixel within 5 pixels of the point is dark (a handle's frame).
bool anyDark(const QImage &image, QPointF centre)
{
    for (int dy = -5; dy <= 5; ++dy)
        for (int dx = -5; dx <= 5; ++dx)
            if (pixel(image, centre + QPointF(dx, dy)).lightness() < 100)
                return true;
    return false;
}

} // namespace

TEST_F(CanvasTest, GrabbedCanvasShowsPaperGraphicsAndTheVeilOutside)
{
    addQuietly(filledRectangle(Rect(100, 100, 50, 40), Color::calibratedRGB(1, 0, 0)));
    const QImage image = view->grab().toImage();
    ASSERT_FALSE(image.isNull());

    const QColor inside = pixel(image, at(Point(125, 120)));
    EXPECT_GT(inside.red(), 240);
    EXPECT_LT(inside.green(), 15);
    EXPECT_TRUE(isWhite(pixel(image, at(Point(300, 300))))) << "paper";
    // Outside the paper: white under the grey veil of 0.4 alpha.
    const Rect paper = document->paperBounds();
    const QColor outside = pixel(image, at(Point(paper.maxX() + 40, 10)));
    EXPECT_NEAR(outside.red(), 0.6 * 255 + 0.4 * 128, 3);
    EXPECT_EQ(outside.red(), outside.blue());
    // The shadow darkens the pixels right of the paper's edge.
    const QColor shadow = pixel(image, at(Point(paper.maxX(), 300)) + QPointF(1, 0));
    EXPECT_LT(shadow.red(), outside.red());
}

TEST_F(CanvasTest, SelectionHandlesAreDrawnOnlyWithTheSelectTool)
{
    const auto graphic = filledRectangle(Rect(200, 200, 100, 80), Color::calibratedRGB(0, 1, 0));
    addQuietly(graphic);
    view->selectGraphics({graphic});
    // The top-left corner handle sits 10 pixels out from the bounds.
    const QPointF corner = at(Point(190, 190));
    const QImage selected = view->grab().toImage();
    EXPECT_TRUE(anyDark(selected, corner));

    struct Case {
        const char *name;
        std::function<void()> set;
        std::function<void()> reset;
    };
    const Case hiding[] = {
        {"edit tool", [&] { toolbar->toolStrip()->select(Tool::Edit); },
         [&] { toolbar->toolStrip()->select(Tool::Select); }},
        {"rubber band", [&] { view->setRubberbandRect(Rect(400, 400, 20, 20)); },
         [&] { view->setRubberbandRect(Rect()); }},
    };
    for (const Case &c : hiding) {
        SCOPED_TRACE(c.name);
        c.set();
        EXPECT_FALSE(anyDark(view->grab().toImage(), corner));
        c.reset();
        view->selectGraphics({graphic});
    }
}

TEST_F(CanvasTest, PageBreaksAndGridFollowTheDocument)
{
    document->setPagesWide(3);
    document->updateLayout();
    view->calculateSize();
    const Rect page = document->pageBounds();
    const QImage image = view->grab().toImage();
    // Two dashed cyan lines for three pages (y 102.5 lies in a dash).
    for (int i = 1; i <= 2; ++i) {
        SCOPED_TRACE(i);
        const float x = std::trunc(float(i) * page.width()) + 0.5f;
        const QColor line = pixel(image, at(Point(x, 102.5f)));
        EXPECT_LT(line.red(), 40) << "cyan page break";
        EXPECT_GT(line.blue(), 220);
        EXPECT_TRUE(isWhite(pixel(image, at(Point(x + 10, 102.5f)))));
    }

    document->setDrawsGrid(true);
    document->setGridColor(Color::calibratedWhite(0, 1));
    const QImage grid = view->grab().toImage();
    EXPECT_LT(pixel(grid, at(Point(0.2f, 200.5f))).red(), 220) << "main line at x = 0";
}

TEST_F(CanvasTest, HandlesForThinSelectionsAndTheKnobInTheMiddle)
{
    struct Case {
        const char *name;
        Rect rect;
        std::array<bool, 4> expected;
    };
    const Case cases[] = {
        {"ordinary", Rect(0, 0, 100, 80), {true, true, true, true}},
        {"too small for the centre", Rect(0, 0, 30, 30), {true, true, false, true}},
        {"horizontal line", Rect(0, 0, 100, 0), {false, true, true, false}},
        {"vertical line", Rect(0, 0, 0, 100), {true, false, true, false}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(view->showHandlesForSelectionRect(c.rect), c.expected);
    }

    const auto small = filledRectangle(Rect(100, 100, 30, 30), Color::black());
    addQuietly(small);
    view->selectGraphics({small});
    EXPECT_EQ(view->knobUnderPoint(Point(115, 115)), Knob::Body);
    EXPECT_EQ(view->knobUnderPoint(Point(90, 90)), Knob::TopLeft);
    EXPECT_EQ(view->knobUnderPoint(Point(140, 140)), Knob::BottomRight);
    EXPECT_EQ(view->knobUnderPoint(Point(300, 300)), Knob::None);
    view->clearSelection();
    EXPECT_EQ(view->knobUnderPoint(Point(115, 115)), Knob::None);

    EXPECT_EQ(MyUnionRect(Rect(), Rect(5, 5, 0, 10)), Rect(5, 5, 0, 10));
}

TEST_F(CanvasTest, ChangingOneGraphicRepaintsOnlyAroundIt)
{
    const auto graphic = filledRectangle(Rect(100, 100, 40, 40), Color::black());
    addQuietly(graphic);
    QApplication::processEvents();
    PaintRecorder recorder;
    view->installEventFilter(&recorder);

    view->invalidateGraphic(graphic.get());
    QApplication::processEvents();
    const QRect around = view->widgetRectFromDocument(view->insetRectForHalo(graphic->updateBounds()));
    ASSERT_FALSE(recorder.painted.isEmpty());
    EXPECT_TRUE(around.contains(recorder.painted.boundingRect()))
        << "painted " << recorder.painted.boundingRect().width() << " x "
        << recorder.painted.boundingRect().height();

    // Recording gathers rectangles and invalidates their union once.
    recorder.painted = QRegion();
    view->startRecordingInvalidation();
    view->setNeedsDisplayInRect(Rect(300, 300, 10, 10));
    view->setNeedsDisplayInRect(Rect(320, 300, 10, 10));
    QApplication::processEvents();
    EXPECT_TRUE(recorder.painted.isEmpty());
    view->endRecordingInvalidation();
    QApplication::processEvents();
    EXPECT_TRUE(recorder.painted.boundingRect().contains(view->widgetRectFromDocument(Rect(300, 300, 30, 10))));
    view->removeEventFilter(&recorder);
}

TEST_F(CanvasTest, CreatingGraphicIsDrawnWhileDragged)
{
    toolbar->toolStrip()->select(Tool::Rectangle);
    inspector.visible = filledRectangle(Rect(0, 0, 1, 1), Color::calibratedRGB(0, 0, 1));
    press(at(Point(100, 100)));
    move(at(Point(150, 150)));
    move(at(Point(200, 200)));
    ASSERT_NE(view->creatingGraphic(), nullptr);
    const QImage during = view->grab().toImage();
    release(at(Point(200, 200)));
    // The creating graphic is drawn over the paper while the button is down
    // (its style is copied when it is added, so it shows the default look).
    EXPECT_FALSE(isWhite(pixel(during, at(Point(100.5f, 150)))));
}


TEST_F(CanvasTest, EscapeDuringADragRepaintsWhereTheDraggedImageWas)
{
    // The graphics go back where they started; the place they were dragged
    // to must be painted again, or their image stays there.
    struct Case {
        const char *name;
        Tool tool;
        Point from;
        Point to;
    };
    const Case cases[] = {
        {"moving the selection", Tool::Select, Point(120, 120), Point(420, 320)},
        {"creating a rectangle", Tool::Rectangle, Point(100, 400), Point(260, 520)},
    };
    const Color red = Color::calibratedRGB(1, 0, 0);
    inspector.visible = filledRectangle(Rect(0, 0, 1, 1), red);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.tool == Tool::Select) {
            const auto graphic = filledRectangle(Rect(100, 100, 80, 60), red);
            addQuietly(graphic);
            view->selectGraphics({graphic});
        } else {
            view->clearSelection();
        }
        toolbar->toolStrip()->select(c.tool);
        QApplication::processEvents();
        press(at(c.from));
        for (int i = 1; i <= 4; ++i) {
            const float f = float(i) / 4;
            move(at(Point(c.from.x + (c.to.x - c.from.x) * f, c.from.y + (c.to.y - c.from.y) * f)));
        }
        ASSERT_TRUE(view->isTracking());
        const Rect draggedBounds = c.tool == Tool::Select ? view->boundsFor(view->selection(), true)
                                               : view->creatingGraphic()->updateBounds();
        QApplication::processEvents();

        PaintRecorder recorder;
        view->installEventFilter(&recorder);
        key(Qt::Key_Escape);
        release(at(c.to));
        QApplication::processEvents();
        view->removeEventFilter(&recorder);
        const QRect stale = view->widgetRectFromDocument(draggedBounds).intersected(view->rect());
        ASSERT_FALSE(stale.isEmpty());
        EXPECT_TRUE(recorder.painted.contains(stale))
            << "painted " << recorder.painted.boundingRect().x() << ", " << recorder.painted.boundingRect().y()
            << " " << recorder.painted.boundingRect().width() << " x " << recorder.painted.boundingRect().height();
    }
}

TEST_F(CanvasTest, AOneUnitLineStaysOnePixelWideWhereverTheCanvasLies)
{
    // A one-point black line on pixel centres, at zoom 1 and 2; the canvas
    // then moves its origin: a graphic sticks out of the paper by a part of
    // a point (after a resize), or the window is resized.
    auto framed = std::make_shared<TDRectangle>();
    framed->setTransformation(TDGraphic::transformForBounds(Rect(100.5f, 100.5f, 200, 100)));
    framed->fillStyle()->setStyle(TDFillNone);
    framed->strokeStyle()->setStyle(TDStrokeLine);
    framed->strokeStyle()->setStrokeWidth(1);
    framed->strokeStyle()->setColor(Color::black());
    framed->recalculatePath();
    addQuietly(framed);
    const auto outside = filledRectangle(Rect(-37.3f, 400, 50, 50), Color::calibratedRGB(0, 0, 1));

    // The dark columns of the left edge, along a row through its middle.
    const auto darkColumns = [&] {
        const QImage image = view->grab().toImage();
        const QPointF middle = at(Point(100.5f, 150));
        int dark = 0;
        for (int dx = -4; dx <= 4; ++dx)
            if (pixel(image, middle + QPointF(dx, 0)).lightness() < 250)
                ++dark;
        return dark;
    };
    struct Case {
        const char *name;
        float zoom;
        std::function<void()> move;
        int columns;
    };
    const Case cases[] = {
        {"as it starts", 1, [] {}, 1},
        {"a graphic out of the paper by a part of a point", 1,
         [&] {
             addQuietly(outside);
             view->calculateSize();
         },
         1},
        {"the window a pixel narrower", 1,
         [&] {
             window->resize(window->width() - 1, window->height() - 1);
             QApplication::processEvents();
         },
         1},
        {"zoom 2", 2, [] {}, 2},
        {"zoom 2, the window resized", 2,
         [&] {
             window->resize(window->width() + 3, window->height() + 3);
             QApplication::processEvents();
         },
         2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        scroll->setScaleFactor(c.zoom, true);
        c.move();
        view->scrollRectToVisible(Rect(90, 90, 30, 120));
        // One pixel per point, crisp: no pixel half covered on either side.
        EXPECT_EQ(darkColumns(), c.columns);
        EXPECT_FLOAT_EQ(framed->strokeStyle()->strokeWidth(), 1.0f);
    }
}
