// The rulers beside the canvas and the guides dragged out of them: units,
// guide edits with undo, clearing, showing and hiding, snapping, the echo
// of the pointer and of a dragged selection, and the horizontal ruler
// lent to a text editor.

#include "CanvasTestSupport.h"

#include "canvas/TDRulerUnit.h"
#include "canvas/TDRulerView.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

namespace scrivane::canvastest {
namespace {

void sendTo(QWidget *widget, QEvent::Type type, QPointF where, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, where, widget->mapToGlobal(where), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

class RulersTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        view->setRulersVisible(true);
        QApplication::processEvents();
        h = view->horizontalRuler();
        v = view->verticalRuler();
        ASSERT_NE(h, nullptr);
        ASSERT_NE(v, nullptr);
        document->undoManager()->removeAllActions();
    }

    // A point on the ruler at the location, in its middle.
    QPointF onRuler(TDRulerView *ruler, float location) const
    {
        const double p = ruler->pixelForLocation(location);
        return ruler == h ? QPointF(p, 10) : QPointF(10, p);
    }
    // A point beside the ruler at the location, `distance` pixels into the
    // canvas side.
    QPointF besideRuler(TDRulerView *ruler, float location, double distance) const
    {
        const double p = ruler->pixelForLocation(location);
        return ruler == h ? QPointF(p, TDRulerView::ruleThickness + distance)
                          : QPointF(TDRulerView::ruleThickness + distance, p);
    }
    void rulerDrag(TDRulerView *ruler, QPointF from, QPointF to)
    {
        sendTo(ruler, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= 3; ++i)
            sendTo(ruler, QEvent::MouseMove, from + (to - from) * (i / 3.0), Qt::NoButton, Qt::LeftButton);
        sendTo(ruler, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        QApplication::processEvents();
    }
    // Drags a new guide out of the ruler and lets it go on the canvas.
    void dragOutGuide(TDRulerView *ruler, float location)
    {
        rulerDrag(ruler, onRuler(ruler, location), besideRuler(ruler, location, 80));
    }
    void undo() { document->undoManager()->undo(); }
    void redo() { document->undoManager()->redo(); }

    TDRulerView *h = nullptr;
    TDRulerView *v = nullptr;
};

std::vector<float> rounded(std::vector<float> values)
{
    for (float &value : values)
        value = std::round(value);
    return values;
}

TEST(RulerUnitTest, MeasurementCodesChooseRulerUnits)
{
    struct Row {
        const char *name;
        int code;
        const char *unit;
        double points;
    };
    const Row rows[] = {
        {"inches", 0, "Inches", 72.0},         {"centimetres", 1, "Centimeters", 28.35},
        {"points", 2, "Points", 1.0},          {"picas", 3, "Picas", 12.0},
        {"millimetres", 4, "Millimetres", 2.835}, {"pixels show inches", 5, "Inches", 72.0},
        {"per cent shows inches", 6, "Inches", 72.0}, {"negative shows inches", -1, "Inches", 72.0},
    };
    for (const Row &row : rows) {
        const TDRulerUnit unit = TDRulerUnit::unitForMeasurementCode(row.code);
        EXPECT_EQ(unit.name(), QLatin1String(row.unit)) << row.name;
        EXPECT_DOUBLE_EQ(unit.pointsPerUnit(), row.points) << row.name;
    }
    const TDRulerUnit mm = TDRulerUnit::unitForMeasurementCode(4);
    EXPECT_EQ(mm.abbreviation(), QStringLiteral("mm"));
    EXPECT_EQ(mm.stepUpCycle(), std::vector<double>{5.0});
    EXPECT_EQ(mm.stepDownCycle(), std::vector<double>{0.5});
}

TEST(RulerUnitTest, LabelsKeepTheirDistanceAtEveryScale)
{
    const TDRulerUnit inches = TDRulerUnit::unitForMeasurementCode(0);
    for (const double scale : {0.05, 0.25, 1.0, 4.0, 64.0}) {
        const TDRulerUnit::Spacing s = inches.spacing(scale, 40, 4);
        EXPECT_GE(s.labelUnits * 72 * scale, 40) << scale;
        double previous = s.labelUnits * 72;
        for (const double mark : s.markPoints) {
            EXPECT_LT(mark, previous) << scale;
            EXPECT_GE(mark * scale, 4) << scale;
            previous = mark;
        }
    }
    // Nonsense scales give the plain unit and no marks rather than a hang.
    for (const double scale : {0.0, -1.0, std::nan("")})
        EXPECT_TRUE(inches.spacing(scale, 40, 4).markPoints.empty());
}

TEST(RulerUnitTest, UnitsThatCannotStepAreRefused)
{
    EXPECT_FALSE(TDRulerUnit::registerUnit(TDRulerUnit(QStringLiteral("Bad"), QStringLiteral("b"), 0, {2}, {0.5})));
    EXPECT_FALSE(TDRulerUnit::registerUnit(TDRulerUnit(QStringLiteral("Bad"), QStringLiteral("b"), 1, {1}, {0.5})));
    EXPECT_FALSE(TDRulerUnit::registerUnit(TDRulerUnit(QStringLiteral("Bad"), QStringLiteral("b"), 1, {2}, {1})));
    EXPECT_FALSE(TDRulerUnit::unitNamed(QStringLiteral("Bad")).has_value());
}

TEST_F(RulersTest, RulersFollowTheUnitsSetting)
{
    UserDefaults::standard().setInteger(QStringLiteral("measurementUnits"), 4);
    view->updateUnits();
    EXPECT_EQ(h->measurementUnits().name(), QStringLiteral("Millimetres"));
    EXPECT_EQ(v->measurementUnits().name(), QStringLiteral("Millimetres"));
    UserDefaults::standard().setInteger(QStringLiteral("measurementUnits"), 5);
    view->updateUnits();
    EXPECT_EQ(h->measurementUnits().name(), QStringLiteral("Inches"));
    UserDefaults::standard().setInteger(QStringLiteral("measurementUnits"), 0);
}

TEST_F(RulersTest, RulerZeroSitsAtTheDocumentOrigin)
{
    for (const float zoom : {1.0f, 2.0f, 0.5f}) {
        scroll->setScaleFactor(zoom, true);
        QApplication::processEvents();
        const QPointF origin = view->mapTo(scroll->viewport(), at(Point(0, 0)));
        EXPECT_NEAR(h->pixelForLocation(0), origin.x(), 0.01) << zoom;
        EXPECT_NEAR(v->pixelForLocation(0), origin.y(), 0.01) << zoom;
        EXPECT_NEAR(h->pixelForLocation(100) - h->pixelForLocation(0), 100 * zoom, 0.01) << zoom;
    }
}

TEST_F(RulersTest, AGuideDraggedOutOfTheHorizontalRulerIsOneUndoStep)
{
    QAction guidesItem;
    view->setGuidesMenuItem(&guidesItem);
    view->toggleGuides();
    EXPECT_EQ(guidesItem.text(), QStringLiteral("Show Guides"));

    dragOutGuide(h, 100);
    EXPECT_EQ(rounded(view->hMarkers()), std::vector<float>{100});
    EXPECT_TRUE(view->vMarkers().empty());
    EXPECT_TRUE(view->showGuides());
    EXPECT_EQ(guidesItem.text(), QStringLiteral("Hide Guides"));
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Add Marker"));
    // A magenta line across the canvas.
    EXPECT_EQ(pixelAt(Point(view->hMarkers().front(), 300)), QColor(255, 0, 255));

    undo();
    EXPECT_TRUE(view->hMarkers().empty());
    redo();
    EXPECT_EQ(rounded(view->hMarkers()), std::vector<float>{100});
}

TEST_F(RulersTest, AGuideDraggedOutOfTheVerticalRulerIsAHorizontalLine)
{
    dragOutGuide(v, 250);
    EXPECT_EQ(rounded(view->vMarkers()), std::vector<float>{250});
    EXPECT_TRUE(view->hMarkers().empty());
}

TEST_F(RulersTest, MovingAGuideAndUndoingPutsItBack)
{
    view->addMarkers({100}, true);
    rulerDrag(h, onRuler(h, 100), onRuler(h, 160));
    EXPECT_EQ(rounded(view->hMarkers()), std::vector<float>{160});
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Move Marker"));
    undo();
    EXPECT_EQ(view->hMarkers(), std::vector<float>{100});
    redo();
    EXPECT_EQ(rounded(view->hMarkers()), std::vector<float>{160});
}

TEST_F(RulersTest, AMoveThatEndsWhereItBeganOrIsCancelledLeavesNoStep)
{
    view->addMarkers({100}, true);
    rulerDrag(h, onRuler(h, 100), onRuler(h, 100));
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_EQ(view->hMarkers(), std::vector<float>{100});

    sendTo(h, QEvent::MouseButtonPress, onRuler(h, 100), Qt::LeftButton, Qt::LeftButton);
    sendTo(h, QEvent::MouseMove, onRuler(h, 180), Qt::NoButton, Qt::LeftButton);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(h, &escape);
    sendTo(h, QEvent::MouseButtonRelease, onRuler(h, 180), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(view->hMarkers(), std::vector<float>{100});
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_FALSE(document->isDocumentEdited());
}

TEST_F(RulersTest, AGuideDraggedOffItsRulerIsRemovedAndUndoPutsItBackWhereItWas)
{
    // Guides read from a file are guides like any other.
    view->addMarkers({50, 120}, false);
    rulerDrag(v, onRuler(v, 120), QPointF(TDRulerView::ruleThickness + 60, v->pixelForLocation(140)));
    EXPECT_EQ(view->vMarkers(), std::vector<float>{50});
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Remove Marker"));
    undo();
    EXPECT_EQ(view->vMarkers(), (std::vector<float>{50, 120}));
}

TEST_F(RulersTest, ClearingGuidesIsOneStepThatKeepsOtherMarkers)
{
    view->addMarkers({100, 200}, true);
    view->addMarkers({50}, false);
    auto tab = std::make_shared<TDRulerMarker>(30.0f, QStringLiteral("tab"));
    h->addMarker(tab);

    view->clearGuides();
    EXPECT_TRUE(view->hMarkers().empty());
    EXPECT_TRUE(view->vMarkers().empty());
    ASSERT_EQ(h->markers().size(), 1u);
    EXPECT_EQ(h->markers().front(), tab);
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Clear Guides"));

    undo();
    EXPECT_EQ(view->hMarkers(), (std::vector<float>{100, 200}));
    EXPECT_EQ(view->vMarkers(), std::vector<float>{50});
    EXPECT_FALSE(document->undoManager()->canUndo());
    redo();
    EXPECT_TRUE(view->hMarkers().empty());

    // Nothing to clear: no step.
    document->undoManager()->removeAllActions();
    view->clearGuides();
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(RulersTest, GuidesSnapOnlyWhileTheyShow)
{
    view->addMarkers({100.7f}, true);
    view->addMarkers({40.2f}, false);
    scroll->setScaleFactor(2, true);
    // 98.6 lies 1.4 from the truncated 100, under 5 / 2.
    EXPECT_EQ(view->snapToMarkers(Point(98.6f, 42.0f)), Point(100, 40));
    EXPECT_EQ(view->snapToMarkers(Point(97.0f, 43.0f)), Point(97.0f, 43.0f));
    view->toggleGuides();
    EXPECT_EQ(view->snapToMarkers(Point(98.6f, 42.0f)), Point(98.6f, 42.0f));
}

TEST_F(RulersTest, ThePointerIsEchoedWhileTheRulersShow)
{
    EXPECT_TRUE(view->hasMouseTracking());
    sendTo(view, QEvent::MouseMove, at(Point(120, 80)), Qt::NoButton, Qt::NoButton);
    ASSERT_TRUE(view->mouseEchoPoint().has_value());
    EXPECT_NEAR(h->rulerLines().back(), 120, 0.5);
    EXPECT_NEAR(v->rulerLines().back(), 80, 0.5);
    sendTo(view, QEvent::MouseMove, at(Point(130, 90)), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(h->rulerLines().size(), 1u);

    view->setRulersVisible(false);
    EXPECT_FALSE(view->hasMouseTracking());
    EXPECT_FALSE(scroll->rulersVisible());
    EXPECT_TRUE(h->rulerLines().empty());
    EXPECT_TRUE(v->rulerLines().empty());
}

TEST_F(RulersTest, AKnobDragEchoesTheSelectionBounds)
{
    auto rectangle = filledRectangle(Rect(100, 100, 40, 20), Color::deviceRGB(0, 0, 1));
    addQuietly(rectangle);
    view->selectGraphic(rectangle);
    press(at(Point(120, 110)));
    move(at(Point(130, 110)));
    move(at(Point(150, 120)));
    ASSERT_TRUE(view->moveEchoRect().has_value());
    // Three lines for the rectangle, and the pointer's.
    EXPECT_EQ(h->rulerLines().size(), 4u);
    EXPECT_EQ(v->rulerLines().size(), 4u);
    release(at(Point(150, 120)));
    QApplication::processEvents();
    EXPECT_FALSE(view->moveEchoRect().has_value());
    EXPECT_EQ(h->rulerLines().size(), 1u);
}

TEST_F(RulersTest, TheBorrowedRulerGivesTheGuidesNotTheEditorsMarkers)
{
    view->addMarkers({100, 200}, true);
    view->saveRulers();
    // The editor puts its tab stops on the ruler in place of the guides.
    QObject editor;
    h->setClientView(&editor);
    h->setMarkers({std::make_shared<TDRulerMarker>(36.0f, QStringLiteral("tab"))});
    EXPECT_EQ(view->hMarkers(), (std::vector<float>{100, 200}));

    // Guide edits while it is lent act on the kept guides.
    view->clearGuides();
    EXPECT_TRUE(view->hMarkers().empty());
    undo();
    EXPECT_EQ(view->hMarkers(), (std::vector<float>{100, 200}));

    view->cleanRulers();
    EXPECT_EQ(h->clientView(), view);
    EXPECT_EQ(view->hMarkers(), (std::vector<float>{100, 200}));
    ASSERT_EQ(h->markers().size(), 2u);
    EXPECT_TRUE(h->markers().front()->isGuide());
}

TEST_F(RulersTest, TheRulersShowTheirGuidesAndTheCanvasTheirLines)
{
    UserDefaults::standard().setInteger(QStringLiteral("measurementUnits"), 1);
    view->updateUnits();
    view->addMarkers({100, 300}, true);
    view->addMarkers({200}, false);
    addQuietly(filledRectangle(Rect(120, 150, 140, 90), Color::deviceRGB(0.2f, 0.4f, 0.9f)));
    QApplication::processEvents();
    const QImage shot = window->grab().toImage();
    // Set SCRIVANE_SCREENSHOT to a file name to look at the window.
    if (const QString path = qEnvironmentVariable("SCRIVANE_SCREENSHOT"); !path.isEmpty())
        shot.save(path);
    UserDefaults::standard().setInteger(QStringLiteral("measurementUnits"), 0);
    // The wedge of each guide on its ruler, in the guide colour.
    const QImage ruler = h->grab().toImage();
    const int x = int(std::floor(h->pixelForLocation(100)));
    EXPECT_EQ(ruler.pixelColor(x, TDRulerView::ruleThickness - 3).red(), 200);
    const QImage vertical = v->grab().toImage();
    const int y = int(std::floor(v->pixelForLocation(200)));
    EXPECT_EQ(vertical.pixelColor(TDRulerView::ruleThickness - 3, y).red(), 200);
    EXPECT_EQ(pixelAt(Point(300, 100)), QColor(255, 0, 255));
    EXPECT_EQ(pixelAt(Point(50, 200)), QColor(255, 0, 255));
}

TEST_F(RulersTest, GuideMarkersArePicturesOfTheResourcesWithTheirOrigins)
{
    struct Row {
        const char *name;
        bool horizontal;
        QSize size;
        QPointF origin;
    };
    for (const Row row : {Row{"marker", true, QSize(9, 9), QPointF(4, 0)},
                          Row{"markerv", false, QSize(8, 9), QPointF(8, 5)}}) {
        SCOPED_TRACE(row.name);
        const TDRulerView::MarkerImage &picture = TDRulerView::markerImage(row.horizontal);
        EXPECT_EQ(picture.image.size(), row.size);
        EXPECT_EQ(picture.origin, row.origin);
        EXPECT_EQ(picture.image, QImage(QStringLiteral(":/canvas/%1.png").arg(QLatin1String(row.name))));
    }
}

TEST_F(RulersTest, ReadingTheDocumentAgainReplacesTheGuides)
{
    view->addMarkers({100}, true);
    view->replaceGuides({10, 20}, {30});
    EXPECT_EQ(view->hMarkers(), (std::vector<float>{10, 20}));
    EXPECT_EQ(view->vMarkers(), std::vector<float>{30});
    EXPECT_FALSE(document->undoManager()->canUndo());
}

} // namespace
} // namespace scrivane::canvastest
