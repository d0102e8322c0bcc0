// The inspector as a person uses it: each control changes the selection as
// one named undo step, nothing selected edits the style of new graphics,
// the panes follow the active window and the units, and input that would
// harm the drawing is refused.

#include "AppTestSupport.h"

#include "app/JoystickView.h"
#include "app/TDColorWell.h"
#include "app/TDFillPane.h"
#include "app/TDGradientView.h"
#include "model/TDGradient.h"
#include "app/TDGridPane.h"
#include "app/TDInspectorController.h"
#include "app/TDLayoutPane.h"
#include "app/TDShadowPane.h"
#include "app/TDStrokePane.h"
#include "app/TDImageWell.h"
#include "app/TDTransformCentreView.h"
#include "app/TDTransformPane.h"
#include "app/UnitsTransformer.h"
#include "canvas/TDDocumentToolbar.h"
#include "canvas/TDGraphicView.h"
#include "canvas/TDToolStrip.h"
#include "document/TDPrintInfo.h"
#include "model/TDArrowhead.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDStrokeStyle.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSlider>
#include <QStackedWidget>

#include <cmath>
#include <functional>

using namespace scrivane;
using namespace scrivane::apptest;

namespace {

class InspectorTest : public AppFixture {
public:
    void SetUp() override
    {
        document = controller->newDocument();
        window = controller->windowForDocument(document);
        inspector = std::make_unique<TDInspectorController>();
        inspector->setMessageSink([this](const QString &message) { messages.append(message); });
        inspector->setMainWindow(window);
        a = addRectangle(document, Rect(10, 10, 100, 50));
        b = addRectangle(document, Rect(200, 10, 40, 40));
        for (const TDGraphicPtr &g : {a, b})
            g->fillStyle()->setStyle(TDFillStyle::ColorFill);
        undo()->eventHandled();
        select({a, b});
    }
    void TearDown() override { inspector.reset(); }

    TDGraphicView *view() const { return window->graphicView(); }
    TDUndoManager *undo() const { return document->undoManager(); }
    void select(const TDGraphicArray &graphics)
    {
        view()->selectGraphics(graphics);
        undo()->eventHandled();
        refresh();
    }
    void refresh()
    {
        inspector->graphicChanged(nullptr);
        inspector->windowDidUpdate();
    }
    // Typed into the field and confirmed, as a person does.
    static void type(QLineEdit *field, const QString &text)
    {
        field->setText(text);
        field->setModified(true);
        Q_EMIT field->editingFinished();
    }
    static void choose(QComboBox *popup, int index)
    {
        popup->setCurrentIndex(index);
        Q_EMIT popup->activated(index);
    }

    TDFillPane &fill() const { return *inspector->fillPane(); }
    TDStrokePane &stroke() const { return *inspector->strokePane(); }
    TDShadowPane &shadow() const { return *inspector->shadowPane(); }

    TDDocument *document = nullptr;
    TDDocumentWindow *window = nullptr;
    std::unique_ptr<TDInspectorController> inspector;
    TDGraphicPtr a, b;
    QStringList messages;
};

struct ControlRow {
    const char *name;
    std::function<void(InspectorTest &)> change;
    // Whether the graphic shows the change.
    std::function<bool(const TDGraphic &)> changed;
    const char *undoName;
};

} // namespace

// Each control changes every selected graphic as one undo step with its own
// name, which one undo takes back for all of them.
TEST_F(InspectorTest, EachControlIsOneNamedStepForTheWholeSelection)
{
    const Color red = Color::calibratedRGB(1, 0, 0);
    const auto &dashes = TDStrokeStyle::builtinDashes();
    ASSERT_GE(dashes.size(), 2u);
    ASSERT_GE(TDArrowhead::arrows().size(), 2u);
    const std::vector<ControlRow> rows = {
        {"fill kind", [](InspectorTest &t) { choose(t.fill().fillOption, TDFillStyle::GradientFill); },
         [](const TDGraphic &g) { return g.fillStyle()->style() == TDFillStyle::GradientFill; }, "Set Fill Style"},
        {"fill colour", [&](InspectorTest &t) { t.fill().fillColorWell->takeColor(red); },
         [&](const TDGraphic &g) { return g.fillStyle()->color() == red; }, "Set Fill Colour"},
        {"winding", [](InspectorTest &t) { t.fill().fillNonZero->click(); },
         [](const TDGraphic &g) { return g.fillStyle()->windingRule() == 0; }, "Set Winding Rule"},
        {"text padding", [](InspectorTest &t) { t.fill().textPaddingSlider->setValue(12); },
         [](const TDGraphic &g) { return g.fillStyle()->lineFragmentPadding() == 12; }, "Set Padding"},
        {"hyphenation", [](InspectorTest &t) { t.fill().textHyphenationSlider->setValue(50); },
         [](const TDGraphic &g) { return g.fillStyle()->hyphenation() == 0.5f; }, "Set Hyphenation"},
        {"text background", [](InspectorTest &t) { t.fill().textBackgroundCheck->click(); },
         [](const TDGraphic &g) { return g.fillStyle()->textBackground(); }, "Set Text Background"},
        {"stroke kind", [](InspectorTest &t) { choose(t.stroke().strokeOption, 0); },
         [](const TDGraphic &g) { return g.strokeStyle()->style() == TDStrokeStyle::None; }, "Set Stroke Style"},
        {"stroke colour", [&](InspectorTest &t) { t.stroke().strokeColorWell->takeColor(red); },
         [&](const TDGraphic &g) { return g.strokeStyle()->color() == red; }, "Set Stroke Colour"},
        {"stroke width typed", [](InspectorTest &t) { type(t.stroke().strokeWidthField, QStringLiteral("12")); },
         [](const TDGraphic &g) { return g.strokeStyle()->strokeWidth() == 12; }, "Set Stroke Width"},
        {"stroke width slider", [](InspectorTest &t) { t.stroke().strokeWidthSlider->setValue(45); },
         [](const TDGraphic &g) { return std::abs(g.strokeStyle()->strokeWidth() - 4.5f) < 1e-5f; },
         "Set Stroke Width"},
        {"cap", [](InspectorTest &t) { choose(t.stroke().strokeCapMenu, 1); },
         [](const TDGraphic &g) { return g.strokeStyle()->capStyle() == 1; }, "Set Stroke Cap"},
        {"join", [](InspectorTest &t) { choose(t.stroke().strokeJoinMenu, 2); },
         [](const TDGraphic &g) { return g.strokeStyle()->joinStyle() == 2; }, "Set Stroke Join"},
        {"dash", [](InspectorTest &t) { choose(t.stroke().strokeDashMenu, 1); },
         [&](const TDGraphic &g) { return g.strokeStyle()->dashes() == dashes[1].dash; }, "Set Dashes"},
        {"dash of one's own", [](InspectorTest &t) { type(t.stroke().customDashField, QStringLiteral("3 1.5")); },
         [](const TDGraphic &g) { return g.strokeStyle()->dashes() == std::vector<float>{3, 1.5f}; }, "Set Dashes"},
        {"start arrow", [](InspectorTest &t) { choose(t.stroke().arrowStartStyle, 1); },
         [](const TDGraphic &g) { return g.strokeStyle()->startArrowStyle() == 1; }, "Set Start Arrow"},
        {"end arrow size", [](InspectorTest &t) { type(t.stroke().arrowEndSizeField, QStringLiteral("150")); },
         [](const TDGraphic &g) { return std::abs(g.strokeStyle()->endArrowSize() - 150) < 1e-3f; },
         "Set End Arrow Size"},
        {"bend start arrow", [](InspectorTest &t) { t.stroke().arrowStartMorphCheck->click(); },
         [](const TDGraphic &g) { return g.strokeStyle()->morphStartArrow(); }, "Set Morph Start Arrow"},
        {"blend mode", [](InspectorTest &t) { choose(t.shadow().blendMode, 1); },
         [](const TDGraphic &g) { return g.blendMode() == 1; }, "Set Blend Mode"},
        {"opacity slider", [](InspectorTest &t) { t.shadow().effectAlpha->setValue(50); },
         [](const TDGraphic &g) { return g.alphaValue() == 0.5f; }, "Set Alpha Value"},
        {"opacity typed", [](InspectorTest &t) { type(t.shadow().effectAlphaField, QStringLiteral("0.25")); },
         [](const TDGraphic &g) { return g.alphaValue() == 0.25f; }, "Set Alpha Value"},
        {"shadow", [](InspectorTest &t) { t.shadow().shadowCheck->click(); },
         [](const TDGraphic &g) { return g.hasShadow(); }, "Set Shadow"},
        {"shadow radius", [](InspectorTest &t) { t.shadow().shadowRadiusSlider->setValue(7); },
         [](const TDGraphic &g) { return g.shadowRadius() == 7; }, "Set Shadow Radius"},
        {"shadow colour", [&](InspectorTest &t) { t.shadow().shadowColorWell->takeColor(red); },
         [&](const TDGraphic &g) { return g.shadowColor() == red; }, "Set Shadow Colour"},
        {"shadow distance", [](InspectorTest &t) { t.shadow().shadowView->setOffset(6); },
         [](const TDGraphic &g) { return g.shadowDistance() == 6; }, "Set Shadow Position"},
    };
    for (const ControlRow &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(row.changed(*a));
        row.change(*this);
        EXPECT_TRUE(row.changed(*a));
        EXPECT_TRUE(row.changed(*b));
        EXPECT_EQ(undo()->undoActionName(), QString::fromLatin1(row.undoName));
        undo()->undo();
        EXPECT_FALSE(row.changed(*a));
        EXPECT_FALSE(row.changed(*b));
        refresh();
    }
}

TEST_F(InspectorTest, ARefreshShowsTheFirstSelectedGraphicAndMixedValues)
{
    a->fillStyle()->setStyle(TDFillStyle::GradientFill);
    a->setAlphaValue(0.5f);
    b->strokeStyle()->setStrokeWidth(3);
    refresh();
    EXPECT_EQ(fill().fillOption->currentIndex(), -1) << "gradient and colour";
    EXPECT_EQ(fill().fillView->currentWidget(), fill().gradientFillView) << "the first one's options";
    EXPECT_TRUE(shadow().effectAlphaField->text().isEmpty());
    EXPECT_TRUE(stroke().strokeWidthField->text().isEmpty());
    EXPECT_EQ(shadow().blendMode->currentIndex(), 0) << "the same blend mode everywhere";

    select({b});
    EXPECT_EQ(fill().fillOption->currentData().toInt(), TDFillStyle::ColorFill);
    EXPECT_EQ(stroke().strokeWidthField->text(), UnitsTransformer::transformedValue(3, UnitsTransformer::Points));
    EXPECT_EQ(shadow().effectAlphaField->text(), QLocale().toString(1.0, 'f', 2));
}

// With nothing selected the panes edit the style graphic, without undo,
// and a new rectangle drawn on the canvas takes its style.
TEST_F(InspectorTest, NothingSelectedEditsTheStyleOfNewGraphics)
{
    select({});
    EXPECT_EQ(inspector->visibleGraphic(), inspector->styleGraphic());
    const QString before = undo()->undoActionName();
    type(stroke().strokeWidthField, QStringLiteral("7"));
    fill().fillColorWell->takeColor(Color::calibratedRGB(0, 0, 1));
    choose(fill().fillOption, TDFillStyle::ColorFill);
    EXPECT_EQ(inspector->styleGraphic()->strokeStyle()->strokeWidth(), 7);
    EXPECT_EQ(a->strokeStyle()->strokeWidth(), 1);
    EXPECT_EQ(undo()->undoActionName(), before) << "the style graphic records no undo";

    window->documentToolbar()->toolStrip()->select(Tool::Rectangle);
    const auto send = [&](QEvent::Type type, Point at, Qt::MouseButtons buttons) {
        const QPointF local = view()->widgetPointFromDocument(at);
        QMouseEvent event(type, local, view()->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view(), &event);
        controller->inputEventHandled();
    };
    send(QEvent::MouseButtonPress, Point(300, 300), Qt::LeftButton);
    send(QEvent::MouseMove, Point(340, 330), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Point(360, 350), Qt::NoButton);
    ASSERT_EQ(graphicCount(document), 3u);
    const TDGraphicPtr created = document->layers().front()->graphics().back();
    EXPECT_EQ(created->strokeStyle()->strokeWidth(), 7);
    EXPECT_EQ(created->fillStyle()->style(), TDFillStyle::ColorFill);
    EXPECT_EQ(created->fillStyle()->color(), Color::calibratedRGB(0, 0, 1));
}

// A slider dragged across many values is one step back to where it began.
TEST_F(InspectorTest, ADragOfASliderIsOneUndoStep)
{
    Q_EMIT shadow().effectAlpha->sliderPressed();
    for (int value : {90, 70, 40, 20})
        shadow().effectAlpha->setValue(value);
    Q_EMIT shadow().effectAlpha->sliderReleased();
    EXPECT_EQ(a->alphaValue(), 0.2f);
    EXPECT_EQ(undo()->undoActionName(), "Set Alpha Value");
    undo()->undo();
    EXPECT_EQ(a->alphaValue(), 1.0f);
    EXPECT_EQ(b->alphaValue(), 1.0f);
    EXPECT_NE(undo()->undoActionName(), "Set Alpha Value");
}

// Changes of many graphics are refreshed once, when the event loop runs.
TEST_F(InspectorTest, ChangesOnlyMarkThePanesStale)
{
    refresh();
    ASSERT_FALSE(inspector->needsUpdate());
    a->setAlphaValue(0.3f);
    b->setAlphaValue(0.3f);
    EXPECT_TRUE(inspector->needsUpdate());
    EXPECT_NE(shadow().effectAlphaField->text(), QLocale().toString(0.3, 'f', 2)) << "not yet";
    QCoreApplication::processEvents();
    EXPECT_FALSE(inspector->needsUpdate());
    EXPECT_EQ(shadow().effectAlphaField->text(), QLocale().toString(0.3, 'f', 2));
}

TEST_F(InspectorTest, PanesFollowTheActiveWindowAndLetGoOfAClosedOne)
{
    TDDocument *second = controller->newDocument();
    TDDocumentWindow *secondWindow = controller->windowForDocument(second);
    controller->windowDidBecomeActive(secondWindow);
    EXPECT_EQ(inspector->inspectingDocument(), second);
    EXPECT_EQ(inspector->visibleGraphic(), inspector->styleGraphic());
    second->setDrawsGrid(true);
    refresh();
    EXPECT_TRUE(inspector->gridPane()->documentGridDraw->isChecked());

    ASSERT_TRUE(controller->closeDocument(second));
    EXPECT_EQ(inspector->inspectingView(), nullptr);
    refresh();
    EXPECT_FALSE(inspector->layoutPane()->documentWidth->isEnabled());
    EXPECT_FALSE(shadow().effectAlpha->isEnabled());
    // Every action without a canvas or document changes nothing but the
    // style graphic.
    EXPECT_FALSE(inspector->documentWidth(QStringLiteral("100")));
    EXPECT_FALSE(inspector->documentMargin(TDInspectorController::Edge::Left, QStringLiteral("5")));
    EXPECT_FALSE(inspector->documentGridSteps(3));
    EXPECT_FALSE(inspector->transformRotate(QStringLiteral("45")));
    inspector->effectAlpha(0.4f);
    inspector->transformGraphics(AffineTransform::makeTranslation(5, 5));
    EXPECT_EQ(inspector->styleGraphic()->alphaValue(), 0.4f);
    EXPECT_EQ(a->alphaValue(), 1.0f);

    controller->windowDidBecomeActive(window);
    EXPECT_EQ(inspector->inspectingDocument(), document);
}

// The canvas is held weakly: a canvas that goes without telling anyone
// leaves an inspector that inspects nothing.
TEST_F(InspectorTest, ACanvasDeletedBehindItsBackIsNotUsed)
{
    TDDocument loose;
    auto *canvas = new TDGraphicView;
    canvas->setDocument(&loose);
    inspector->inspect(canvas);
    EXPECT_EQ(inspector->inspectingDocument(), &loose);
    delete canvas;
    EXPECT_EQ(inspector->inspectingView(), nullptr);
    EXPECT_EQ(inspector->inspectingDocument(), nullptr);
    EXPECT_FALSE(inspector->documentGridSize(QStringLiteral("10")));
    refresh();
    EXPECT_FALSE(inspector->gridPane()->documentGridSize->isEnabled());
}

TEST_F(InspectorTest, LengthsFollowTheUnitsMenu)
{
    const int before = UnitsTransformer::currentUnits();
    document->setSizeInPages(false);
    delegate->setMeasurementUnits(UnitsTransformer::Millimetres);
    QCoreApplication::processEvents();
    EXPECT_TRUE(inspector->layoutPane()->documentWidth->text().endsWith(QStringLiteral("mm")));
    EXPECT_TRUE(inspector->transformPane()->transformXField->text().endsWith(QStringLiteral("mm")));
    delegate->setMeasurementUnits(UnitsTransformer::Points);
    QCoreApplication::processEvents();
    EXPECT_TRUE(inspector->layoutPane()->documentWidth->text().endsWith(QStringLiteral("pt")));
    delegate->setMeasurementUnits(before);
}

TEST_F(InspectorTest, PageSizeInPagesAndInPaper)
{
    TDLayoutPane &layout = *inspector->layoutPane();
    ASSERT_TRUE(document->sizeInPages());
    EXPECT_EQ(layout.documentWidth->text(), QStringLiteral("1 page"));
    type(layout.documentWidth, QStringLiteral("3"));
    EXPECT_EQ(document->pagesWide(), 3);
    EXPECT_EQ(layout.documentWidth->text(), QStringLiteral("3 pages"));

    // The check box turns sizing in pages off again.
    layout.documentSizeInPages->click();
    EXPECT_FALSE(document->sizeInPages());
    type(layout.documentHeight, QStringLiteral("2 pages"));
    EXPECT_FLOAT_EQ(document->customSize().height, 2 * document->pageBounds().height());
    EXPECT_EQ(layout.documentHeight->text(), UnitsTransformer::transformedValue(document->paperBounds().height()));
}

// What would leave the drawing without a page, a grid or a visible stroke
// is refused; the field shows the value in force again.
TEST_F(InspectorTest, RefusedDocumentInputKeepsTheOldValue)
{
    document->setSizeInPages(false);
    refresh();
    TDLayoutPane &layout = *inspector->layoutPane();
    TDGridPane &grid = *inspector->gridPane();
    struct Row {
        const char *name;
        QLineEdit *field;
        const char *text;
    };
    const Row rows[] = {
        {"zero width", layout.documentWidth, "0"},
        {"negative width", layout.documentWidth, "-20"},
        {"width not a number", layout.documentWidth, "wide"},
        {"zero pages high", layout.documentHeight, "0 pages"},
        {"margins wider than the paper", layout.documentMarginLeft, "700pt"},
        {"negative margin", layout.documentMarginTop, "-3"},
        {"no grid spacing", grid.documentGridSize, "0"},
        {"grid spacing not a number", grid.documentGridSize, "fine"},
    };
    const TDPrintInfo print = document->printInfo();
    const Size custom = document->customSize();
    const float spacing = document->gridSpacing();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const QString shown = row.field->text();
        type(row.field, QString::fromLatin1(row.text));
        EXPECT_EQ(row.field->text(), shown);
        EXPECT_TRUE(document->printInfo() == print);
        EXPECT_EQ(document->customSize(), custom);
        EXPECT_EQ(document->gridSpacing(), spacing);
    }
}

TEST_F(InspectorTest, RefusedAndClampedStyleInput)
{
    a->strokeStyle()->setDashes({2, 1});
    refresh();
    // Opacity, widths and arrow sizes are held to what they can be.
    type(shadow().effectAlphaField, QStringLiteral("1.5"));
    EXPECT_EQ(a->alphaValue(), 1.0f);
    type(shadow().effectAlphaField, QStringLiteral("-2"));
    EXPECT_EQ(a->alphaValue(), 0.0f);
    type(shadow().effectAlphaField, QStringLiteral("opaque"));
    EXPECT_EQ(a->alphaValue(), 0.0f);
    EXPECT_EQ(shadow().effectAlphaField->text(), QLocale().toString(0.0, 'f', 2));
    type(stroke().strokeWidthField, QStringLiteral("-3"));
    EXPECT_EQ(a->strokeStyle()->strokeWidth(), 0);
    type(stroke().arrowStartSizeField, QStringLiteral("-10"));
    EXPECT_EQ(a->strokeStyle()->startArrowSize(), 0);

    // "Other..." shows the pattern of the graphic inspected and changes
    // nothing until a pattern is entered.
    choose(stroke().strokeDashMenu, stroke().strokeDashMenu->findData(-1));
    EXPECT_EQ(stroke().customDashField->text(), a->strokeStyle()->dashStringUnscaled());
    EXPECT_EQ(a->strokeStyle()->dashes(), (std::vector<float>{2, 1}));
    for (const char *text : {"0 0", "-1 2", "", "dotted", "2 nan", "1e39 1"}) {
        SCOPED_TRACE(text);
        type(stroke().customDashField, QString::fromLatin1(text));
        EXPECT_EQ(a->strokeStyle()->dashes(), (std::vector<float>{2, 1}));
        EXPECT_EQ(stroke().customDashField->text(), QStringLiteral("2 1"));
    }
}

TEST(StrokeDashes, TheModelRefusesPatternsThatStopDrawing)
{
    TDStrokeStyle stroke;
    ASSERT_TRUE(stroke.setDashes({4, 2}));
    const struct {
        const char *name;
        std::vector<float> dashes;
    } rows[] = {
        {"all zero", {0, 0}},
        {"negative", {3, -1}},
        {"not a number", {3, std::nanf("")}},
        {"infinite", {INFINITY, 1}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(stroke.setDashes(row.dashes));
        EXPECT_EQ(stroke.dashes(), (std::vector<float>{4, 2}));
    }
    EXPECT_TRUE(stroke.setDashes({})) << "a solid line";
    EXPECT_TRUE(stroke.setDashes({0, 2})) << "dots";
    EXPECT_FALSE(TDStrokeStyle::dashesFromText(QStringLiteral("2 x")).has_value());
    EXPECT_EQ(TDStrokeStyle::dashesFromText(QStringLiteral("2, 1;0.5")), (std::vector<float>{2, 1, 0.5f}));
}

// --- Transform pane ---------------------------------------------------------------------------------------

TEST_F(InspectorTest, TypedSizesScaleAboutThePickedPoint)
{
    TDTransformPane &pane = *inspector->transformPane();
    const Rect before = view()->boundsFor(view()->selection(), false);
    type(pane.transformWidthField, QStringLiteral("200%"));
    Rect after = view()->boundsFor(view()->selection(), false);
    EXPECT_NEAR(after.width(), 2 * before.width(), 1e-3);
    EXPECT_NEAR(after.height(), 2 * before.height(), 1e-3);
    EXPECT_NEAR(after.midX(), before.midX(), 1e-3);
    EXPECT_NEAR(after.midY(), before.midY(), 1e-3);
    EXPECT_EQ(undo()->undoActionName(), "Transform");
    undo()->undo();
    EXPECT_EQ(view()->boundsFor(view()->selection(), false), before);

    pane.transformScaleLock->setChecked(true);
    type(pane.transformWidthField, QStringLiteral("200%"));
    after = view()->boundsFor(view()->selection(), false);
    EXPECT_NEAR(after.width(), 2 * before.width(), 1e-3);
    EXPECT_NEAR(after.height(), before.height(), 1e-3) << "one side only";
}

TEST_F(InspectorTest, TypedMovesRotationsAndSkews)
{
    select({a});
    TDTransformPane &pane = *inspector->transformPane();
    // The picker's top left corner goes where X and Y say.
    pane.transformOriginView->setModes(TDTransformCentreView::Column::Left, TDTransformCentreView::Row::Top);
    type(pane.transformXField, QStringLiteral("30pt"));
    type(pane.transformYField, QStringLiteral("40pt"));
    EXPECT_EQ(a->bounds().origin, Point(30, 40));

    // Rotation is relative: the field shows zero again after each turn.
    pane.transformOriginView->setModes(TDTransformCentreView::Column::Centre, TDTransformCentreView::Row::Centre);
    type(pane.transformRotateField, QStringLiteral("45"));
    refresh();
    EXPECT_EQ(pane.transformRotateField->text(), QStringLiteral("0") + QChar(0x00B0));
    type(pane.transformRotateField, QStringLiteral("45"));
    EXPECT_NEAR(a->bounds().width(), 50, 1e-3);
    EXPECT_NEAR(a->bounds().height(), 100, 1e-3);
    EXPECT_NEAR(a->bounds().midX(), 80, 1e-3);
    EXPECT_NEAR(a->bounds().midY(), 65, 1e-3);
    undo()->undo();
    undo()->undo();
    EXPECT_NEAR(a->bounds().width(), 100, 1e-3);

    // A skew shears by the tangent of its angle.
    type(pane.transformSkewField, QStringLiteral("45"));
    EXPECT_NEAR(a->bounds().width(), 150, 1e-2);
    EXPECT_NEAR(a->bounds().height(), 50, 1e-3);
}

TEST_F(InspectorTest, TransformsThatCannotBeUndoneByTypingAreRefused)
{
    select({a});
    TDTransformPane &pane = *inspector->transformPane();
    const Rect before = a->bounds();
    const struct {
        const char *name;
        QLineEdit *field;
        const char *text;
    } rows[] = {
        {"skew of a right angle", pane.transformSkewField, "90"},
        {"skew at the limit", pane.transformSkewField, "89.9"},
        {"skew beyond it", pane.transformSkewField, "-120"},
        {"no width", pane.transformWidthField, "0%"},
        {"width not a number", pane.transformWidthField, "wide"},
        {"no height", pane.transformHeightField, "0"},
        {"rotation not a number", pane.transformRotateField, "right"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        type(row.field, QString::fromLatin1(row.text));
        EXPECT_EQ(a->bounds(), before);
    }
    // A negative factor flips.
    type(pane.transformWidthField, QStringLiteral("-100%"));
    EXPECT_NEAR(a->bounds().width(), before.width(), 1e-3);
    EXPECT_NEAR(a->transformation().m11, -100, 1e-3);
}

// --- Images --------------------------------------------------------------------------------------------

namespace {

quint32 crc32Of(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG file whose header claims an image of `side` by `side` pixels.
QByteArray pngClaiming(int side)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(1, 1, QImage::Format_ARGB32).save(&buffer, "PNG");
    // Width and height stand right after "IHDR"; its checksum follows.
    for (int shift = 0; shift < 4; ++shift) {
        png[16 + shift] = char((side >> (24 - 8 * shift)) & 0xFF);
        png[20 + shift] = char((side >> (24 - 8 * shift)) & 0xFF);
    }
    const quint32 crc = crc32Of(png.mid(12, 17));
    for (int shift = 0; shift < 4; ++shift)
        png[29 + shift] = char((crc >> (24 - 8 * shift)) & 0xFF);
    return png;
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

} // namespace

// Images come from strangers: what cannot be shown is refused with a
// message and changes nothing.
TEST_F(InspectorTest, ImagesThatCannotBeShownAreRefused)
{
    choose(fill().fillOption, TDFillStyle::ImageFill);
    const QString keyBefore = a->fillStyle()->imageKey();
    const QString before = undo()->undoActionName();
    const struct {
        const char *name;
        QByteArray bytes;
    } rows[] = {
        {"not an image", QByteArray("this is no picture")},
        {"empty", QByteArray()},
        {"declares 30000 pixels a side", pngClaiming(30000)},
        {"a truncated picture", pngClaiming(1).left(40)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        messages.clear();
        EXPECT_FALSE(inspector->applyImageFile(writeFile(pathIn(QStringLiteral("bad.png")), row.bytes)));
        EXPECT_EQ(messages.size(), 1);
        EXPECT_EQ(a->fillStyle()->imageKey(), keyBefore);
        EXPECT_EQ(undo()->undoActionName(), before);
        // Dropped into the well, the same.
        messages.clear();
        EXPECT_FALSE(fill().fillImageWell->takeImageData(row.bytes, QStringLiteral("png")));
        EXPECT_EQ(messages.size(), 1);
        EXPECT_EQ(a->fillStyle()->imageKey(), keyBefore);
    }
    EXPECT_FALSE(inspector->applyImageFile(pathIn(QStringLiteral("missing.png"))));

    // A picture that can be shown becomes every fill's image.
    EXPECT_TRUE(inspector->applyImageFile(writeFile(pathIn(QStringLiteral("good.png")), pngClaiming(1))));
    EXPECT_FALSE(a->fillStyle()->imageKey().isEmpty());
    EXPECT_EQ(a->fillStyle()->imageKey(), b->fillStyle()->imageKey());
    EXPECT_EQ(undo()->undoActionName(), "Set Fill Image");
    // An emptied well sets the missing image.
    fill().fillImageWell->clear();
    EXPECT_EQ(a->fillStyle()->imageKey(), QStringLiteral("?"));
}

// --- Gradient ---------------------------------------------------------------------------------------------

// A stop dragged in the editor changes the drawing live without undo; the
// release records one step from where the gesture began.
TEST_F(InspectorTest, AGradientDragIsOneStepAndLiveMeanwhile)
{
    choose(fill().fillOption, TDFillStyle::GradientFill);
    undo()->eventHandled();
    refresh();
    TDGradientView &editor = *fill().fillGradientView;
    editor.resize(220, 60);
    const float start = a->fillStyle()->gradient()->markerPosition(0);
    const QString before = undo()->undoActionName();

    Q_EMIT editor.pressed();
    editor.pressAt(QPointF(editor.xForPosition(start), 30));
    editor.dragTo(QPointF(editor.xForPosition(0.5f), 30));
    EXPECT_FLOAT_EQ(a->fillStyle()->gradient()->markerPosition(0), 0.5f);
    EXPECT_FLOAT_EQ(b->fillStyle()->gradient()->markerPosition(0), 0.5f);
    EXPECT_EQ(undo()->undoActionName(), before) << "nothing recorded while dragging";
    editor.release();
    Q_EMIT editor.released();

    EXPECT_EQ(undo()->undoActionName(), "Set Gradient");
    undo()->undo();
    EXPECT_FLOAT_EQ(a->fillStyle()->gradient()->markerPosition(0), start);
    EXPECT_FLOAT_EQ(b->fillStyle()->gradient()->markerPosition(0), start);
    EXPECT_EQ(undo()->undoActionName(), before);
}
