// The effects pane as a person uses it: effects added from the category
// menu, tuned, enabled, reordered by dragging and removed, each change
// reaching every selected graphic as one undo step, with the built-in
// filters and those of the Lumenfold plug-in; and the faults a list that
// outlives its graphic could cause.

#include "AppTestSupport.h"

#include "app/CIController.h"
#include "app/CIVectorWrapper.h"
#include "app/DoubleSlider.h"
#include "app/FilterListView.h"
#include "app/FilterView.h"
#include "app/ScaleTransformer.h"
#include "app/TDEffectsPane.h"
#include "app/TDInspectorController.h"
#include "canvas/TDGraphicView.h"
#include "model/TDFilter.h"
#include "platform/NotificationCenter.h"
#include "platform/effects/EffectFilter.h"
#include "platform/effects/EffectRegistry.h"
#include "platform/effects/FilterCategory.h"

#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

#include <cmath>
#include <numbers>

using namespace scrivane;
using namespace scrivane::apptest;

namespace {

// A filter of the tests' own, registered under the name it is given.
class ProbeFilter : public EffectFilter {
public:
    using EffectFilter::EffectFilter;
    ImageRef outputImage() override { return nullptr; }
};

InputAttribute probeInput(const char *key, ValueKind kind, InputType type)
{
    InputAttribute input;
    input.key = QString::fromLatin1(key);
    input.kind = kind;
    input.type = type;
    input.displayName = input.key;
    return input;
}

void registerProbe(const char *name, std::vector<InputAttribute> inputs)
{
    FilterClassAttributes attributes;
    attributes.name = QString::fromLatin1(name);
    attributes.displayName = attributes.name;
    attributes.categories = {QString::fromLatin1(FilterCategory::Stylize)};
    EffectRegistry::shared().registerFilter(attributes, [inputs] { return std::make_unique<ProbeFilter>(inputs); });
}

QStringList names(const TDGraphic &graphic)
{
    QStringList result;
    for (const auto &effect : graphic.filterArray())
        result << effect->filterName();
    return result;
}

double number(const TDGraphic &graphic, int index, const QString &key)
{
    return graphic.filterArray().at(size_t(index))->filter()->number(key);
}

class EffectsPaneTest : public AppFixture {
public:
    void SetUp() override
    {
        if (!EffectRegistry::shared().contains(QStringLiteral("QVDropShadow"))) {
            ASSERT_TRUE(EffectRegistry::shared().loadPlugin(QStringLiteral(LUMENFOLD_PLUGIN)).ok());
        }
        document = controller->newDocument();
        window = controller->windowForDocument(document);
        inspector = std::make_unique<TDInspectorController>();
        inspector->setMainWindow(window);
        a = addRectangle(document, Rect(10, 10, 100, 50));
        b = addRectangle(document, Rect(200, 10, 40, 40));
        select({a, b});
    }
    void TearDown() override { inspector.reset(); }

    TDGraphicView *view() const { return window->graphicView(); }
    TDUndoManager *undo() const { return document->undoManager(); }
    CIController &effects() const { return *inspector->effectsController(); }
    const std::vector<FilterView *> &views() const { return effects().filterViewArray(); }
    FilterListView *list() const { return inspector->effectsPane()->interfaceView; }

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
    // The input event is over: its undo group closes, the panes refresh.
    void handled()
    {
        undo()->eventHandled();
        refresh();
    }
    QAction *menuItem(const char *category, const char *filter) const
    {
        QMenu *submenu = effects().addMenu()->findChild<QMenu *>(QString::fromLatin1(category));
        if (!submenu)
            return nullptr;
        for (QAction *item : submenu->actions())
            if (item->data().toString() == QLatin1String(filter))
                return item;
        return nullptr;
    }
    // Chosen from the add menu, as one input event.
    void addFromMenu(const char *category, const char *filter)
    {
        QAction *item = menuItem(category, filter);
        ASSERT_NE(item, nullptr) << category << " " << filter;
        item->trigger();
        handled();
    }
    static void type(QLineEdit *field, const QString &text)
    {
        field->setText(text);
        field->setModified(true);
        Q_EMIT field->editingFinished();
    }
    static void mouse(QWidget *widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    // A press in the view's header moved down by `dy` points and released.
    static void dragHeader(FilterView *filterView, int dy)
    {
        mouse(filterView, QEvent::MouseButtonPress, QPoint(100, 8), Qt::LeftButton);
        mouse(filterView, QEvent::MouseMove, QPoint(100, 8 + dy), Qt::LeftButton);
        mouse(filterView, QEvent::MouseButtonRelease, QPoint(100, 8 + dy), Qt::NoButton);
    }
    static bool drop(QWidget *target, const QMimeData &data, int y, bool *markShown = nullptr)
    {
        QDragEnterEvent enter(QPoint(20, y), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(QPoint(20, y), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
        if (markShown)
            *markShown = static_cast<FilterListView *>(target)->showsMark();
        QDropEvent dropped(QPointF(20, y), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        return dropped.isAccepted();
    }

    TDDocument *document = nullptr;
    TDDocumentWindow *window = nullptr;
    std::unique_ptr<TDInspectorController> inspector;
    TDGraphicPtr a, b;
};

} // namespace

// The menu offers what the registry holds, by category and in the
// categories' order, and only filters every input of which a view can edit.
TEST_F(EffectsPaneTest, TheAddMenuListsEditableFiltersByCategory)
{
    registerProbe("ProbeUnrangedNumber", {probeInput("inputImage", ValueKind::Image, InputType::Image),
                                          probeInput("inputAmount", ValueKind::Number, InputType::Scalar)});
    registerProbe("ProbeText", {probeInput("inputText", ValueKind::String, InputType::Unspecified)});
    registerProbe("ProbePosition3", {probeInput("inputPoint", ValueKind::Vector, InputType::Position3),
                                     probeInput("inputFlag", ValueKind::Number, InputType::Boolean)});
    effects().awakeFromNib();

    QStringList titles;
    for (QAction *item : effects().addMenu()->actions())
        titles << item->text();
    QStringList expected;
    for (const QString &category : CIController::menuCategories())
        expected << EffectRegistry::categoryDisplayName(category);
    EXPECT_EQ(titles, expected);

    EXPECT_NE(menuItem(FilterCategory::Blur, "CIGaussianBlur"), nullptr);
    EXPECT_NE(menuItem(FilterCategory::GeometryAdjustment, "CIAffineTransform"), nullptr);
    EXPECT_NE(menuItem(FilterCategory::Stylize, "QVReflection"), nullptr) << "the plug-in's filters list themselves";
    EXPECT_NE(menuItem(FilterCategory::Stylize, "QVDropShadow"), nullptr);
    EXPECT_EQ(menuItem(FilterCategory::Generator, "CIConstantColorGenerator"), nullptr);
    EXPECT_EQ(menuItem(FilterCategory::Stylize, "ProbeUnrangedNumber"), nullptr);
    EXPECT_EQ(menuItem(FilterCategory::Stylize, "ProbeText"), nullptr);
    EXPECT_NE(menuItem(FilterCategory::Stylize, "ProbePosition3"), nullptr);
    EXPECT_TRUE(effects().positionalFilters().contains("ProbePosition3"));
    EXPECT_TRUE(effects().positionalFilters().contains("CITwirlDistortion"));
    EXPECT_FALSE(effects().positionalFilters().contains("CIGaussianBlur"));

    // Shown from a document, a filter keeps the rows it can have.
    auto unranged = std::make_shared<TDFilter>(EffectRegistry::shared().create("ProbeUnrangedNumber"));
    unranged->setExpanded(true);
    FilterView bare(unranged, nullptr, 0);
    EXPECT_EQ(bare.QWidget::height(), FilterView::HeaderHeight);
    EXPECT_EQ(bare.disclosureButton(), nullptr);
    EXPECT_FALSE(unranged->expanded());
    FilterView invert(TDFilter::filterWithName("CIColorInvert"), nullptr, 0);
    EXPECT_EQ(invert.QWidget::height(), FilterView::HeaderHeight);
    EXPECT_EQ(invert.disclosureButton(), nullptr);
}

// The first effect also switches effects on, in the same step; a second
// one leaves that switch alone.  Undo takes each addition back whole, from
// every selected graphic.
TEST_F(EffectsPaneTest, AddingFromACategoryReachesEverySelectedGraphicAsOneStep)
{
    addFromMenu(FilterCategory::Blur, "CIGaussianBlur");
    for (const TDGraphicPtr &g : {a, b}) {
        EXPECT_EQ(names(*g), QStringList{"CIGaussianBlur"});
        EXPECT_TRUE(g->usesFilters());
    }
    ASSERT_EQ(views().size(), 1u);
    EXPECT_NE(views()[0]->filter(), a->filterArray()[0]) << "the pane edits a copy";

    inspector->usesFilters(false);
    handled();
    addFromMenu(FilterCategory::Stylize, "QVDropShadow");
    EXPECT_EQ(names(*a), (QStringList{"CIGaussianBlur", "QVDropShadow"}));
    EXPECT_FALSE(a->usesFilters()) << "only the first effect switches effects on";

    undo()->undo();
    refresh();
    EXPECT_EQ(names(*a), QStringList{"CIGaussianBlur"});
    undo()->undo(); // effects off
    undo()->undo();
    refresh();
    for (const TDGraphicPtr &g : {a, b}) {
        EXPECT_TRUE(names(*g).isEmpty());
        EXPECT_FALSE(g->usesFilters()) << "the addition and the switch were one step";
    }
    EXPECT_TRUE(views().empty());
}

// Each step of a slider is pushed once; the drag from press to release is
// one undo step; the pushes keep the views (the slider stays under the
// pointer) until the next refresh after the drag.
TEST_F(EffectsPaneTest, SliderStepsArePushedOncePerStepAndADragIsOneUndoStep)
{
    addFromMenu(FilterCategory::Blur, "CIGaussianBlur");
    FilterView *shown = views().at(0);
    auto *slider = shown->findChild<DoubleSlider *>("inputRadius");
    ASSERT_NE(slider, nullptr);
    int pushes = 0;
    NotificationCenter::defaultCenter().addObserver(this, TDGraphic::didChangeNotification, a.get(),
                                                    [&](const Notification &) { ++pushes; });

    Q_EMIT slider->sliderPressed();
    for (int step : {200, 300, 400}) {
        slider->setValue(step);
        refresh();
        EXPECT_EQ(views().at(0), shown) << "a push keeps the views";
    }
    Q_EMIT slider->sliderReleased();
    undo()->eventHandled();
    NotificationCenter::defaultCenter().removeObserver(this);
    EXPECT_EQ(pushes, 3);
    EXPECT_DOUBLE_EQ(number(*a, 0, "inputRadius"), 40);
    EXPECT_DOUBLE_EQ(number(*b, 0, "inputRadius"), 40);

    refresh();
    EXPECT_NE(views().at(0), shown) << "the refresh after the drag rebuilds";
    undo()->undo();
    EXPECT_DOUBLE_EQ(number(*a, 0, "inputRadius"), 10) << "the whole drag is one step";
    EXPECT_DOUBLE_EQ(number(*b, 0, "inputRadius"), 10);

    // A slider whose list is rebuilt under it never sends its release: its
    // step closes all the same.
    refresh();
    Q_EMIT views().at(0)->findChild<DoubleSlider *>("inputRadius")->sliderPressed();
    EXPECT_EQ(undo()->groupingLevel(), 1);
    select({b});
    EXPECT_EQ(undo()->groupingLevel(), 0);
}

// Lengths are shown at the effects resolution and angles in degrees; what
// is typed is held to the input's range; the perspective filter's corners
// are edited upside down, as the canvas is flipped.
TEST_F(EffectsPaneTest, FieldsShowResolutionAndDegreesAndHoldTypedValuesToTheRange)
{
    inspector->filterResolution(2);
    handled();
    addFromMenu(FilterCategory::Blur, "CIGaussianBlur");
    addFromMenu(FilterCategory::ColorAdjustment, "CIHueAdjust");
    addFromMenu(FilterCategory::GeometryAdjustment, "CIPerspectiveTransform");
    ASSERT_EQ(views().size(), 3u);
    EXPECT_DOUBLE_EQ(number(*a, 0, "inputRadius"), 20) << "a new blur of 10 points at two pixels per point";

    auto *radius = views()[0]->findChild<QLineEdit *>("inputRadius.field");
    ASSERT_NE(radius, nullptr);
    EXPECT_EQ(radius->text(), QLocale().toString(10.0, 'f', 2));
    type(radius, QLocale().toString(15.0));
    handled();
    EXPECT_DOUBLE_EQ(number(*a, 0, "inputRadius"), 30);
    type(views()[0]->findChild<QLineEdit *>("inputRadius.field"), QStringLiteral("-40"));
    handled();
    EXPECT_DOUBLE_EQ(number(*a, 0, "inputRadius"), 0) << "held to the minimum";

    auto *angle = views()[1]->findChild<QLineEdit *>("inputAngle.field");
    type(angle, QStringLiteral("180"));
    handled();
    EXPECT_NEAR(number(*a, 1, "inputAngle"), std::numbers::pi, 1e-6);
    EXPECT_EQ(views()[1]->findChild<QLineEdit *>("inputAngle.field")->text(), QLocale().toString(180.0, 'f', 2));
    EXPECT_NEAR(views()[1]->findChild<DoubleSlider *>("inputAngle")->doubleValue(), std::numbers::pi, 1e-6)
        << "the slider works in radians";

    auto *corner = views()[2]->findChild<QLineEdit *>("inputTopLeft.X");
    ASSERT_NE(corner, nullptr);
    EXPECT_EQ(corner->toolTip(), "Bottom Left");
    const EffectVector bottomLeft = a->filterArray()[2]->filter()->vector("inputBottomLeft");
    type(corner, QStringLiteral("7"));
    handled();
    EXPECT_DOUBLE_EQ(a->filterArray()[2]->filter()->vector("inputTopLeft").x, 14);
    EXPECT_EQ(a->filterArray()[2]->filter()->vector("inputBottomLeft"), bottomLeft);
    type(views()[2]->findChild<QLineEdit *>("inputTopLeft.Y"), QStringLiteral("many"));
    handled();
    EXPECT_DOUBLE_EQ(a->filterArray()[2]->filter()->vector("inputTopLeft").x, 14) << "no number, no change";
}

// A header dragged more than six points and dropped between two views
// moves that effect there; a drop where it already is changes nothing and
// shows no mark; a press below the header, a short move, foreign data and
// a drag that outlived its list are no moves at all.
TEST_F(EffectsPaneTest, DraggingAHeaderReordersTheEffects)
{
    for (const char *name : {"CIGaussianBlur", "CIHueAdjust", "QVReflection"}) {
        effects().add(QString::fromLatin1(name));
        handled();
    }
    ASSERT_EQ(names(*a), (QStringList{"CIGaussianBlur", "CIHueAdjust", "QVReflection"}));

    int dropY = 0;
    bool markShown = true;
    bool dropped = false;
    int drags = 0;
    effects().setDragRunner([&](FilterView *, QMimeData *data, const QPixmap &, QPoint) {
        std::unique_ptr<QMimeData> owned(data);
        ++drags;
        dropped = drop(list(), *data, dropY, &markShown);
    });

    // Just below the first view: where the second already is.
    dropY = views()[0]->geometry().bottom() + 1;
    dragHeader(views()[1], 10);
    EXPECT_EQ(drags, 1);
    EXPECT_FALSE(markShown);
    handled();
    EXPECT_EQ(names(*a), (QStringList{"CIGaussianBlur", "CIHueAdjust", "QVReflection"}));

    dropY = views()[2]->geometry().bottom();
    dragHeader(views()[1], 10);
    EXPECT_TRUE(dropped);
    EXPECT_TRUE(markShown);
    handled();
    EXPECT_EQ(names(*a), (QStringList{"CIGaussianBlur", "QVReflection", "CIHueAdjust"}));
    EXPECT_EQ(names(*b), names(*a));

    dropY = 0;
    dragHeader(views()[2], 12);
    handled();
    EXPECT_EQ(names(*a), (QStringList{"CIHueAdjust", "CIGaussianBlur", "QVReflection"}));
    undo()->undo();
    EXPECT_EQ(names(*a), (QStringList{"CIGaussianBlur", "QVReflection", "CIHueAdjust"}));
    refresh();

    // No drags.
    drags = 0;
    mouse(views()[1], QEvent::MouseButtonPress, QPoint(100, 30), Qt::LeftButton);
    mouse(views()[1], QEvent::MouseMove, QPoint(100, 60), Qt::LeftButton);
    mouse(views()[1], QEvent::MouseButtonRelease, QPoint(100, 60), Qt::NoButton);
    dragHeader(views()[1], 6);
    EXPECT_EQ(drags, 0);

    // Foreign data, and the data of a drag whose list was rebuilt.
    QMimeData text;
    text.setText(QStringLiteral("CIGaussianBlur"));
    EXPECT_FALSE(drop(list(), text, 0));
    std::unique_ptr<QMimeData> stale;
    effects().setDragRunner([&](FilterView *, QMimeData *data, const QPixmap &, QPoint) {
        stale.reset(data);
        refresh();
        inspector->filterResolution(2);
        handled(); // the list is rebuilt while the drag is under way
        EXPECT_FALSE(drop(list(), *data, 0));
    });
    dragHeader(views()[2], 10);
    ASSERT_NE(stale, nullptr);
    EXPECT_FALSE(drop(list(), *stale, 0)) << "nor once the drag is over";
    EXPECT_EQ(names(*a), (QStringList{"CIGaussianBlur", "QVReflection", "CIHueAdjust"}));
}

// The delete button and the enable check box push the list; undo brings
// back what was there.
TEST_F(EffectsPaneTest, DeleteAndEnableAreStepsOfTheirOwn)
{
    effects().add(QStringLiteral("QVDropShadow"));
    handled();
    effects().add(QStringLiteral("CIGaussianBlur"));
    handled();
    ASSERT_EQ(views().size(), 2u);
    const double offset = number(*a, 0, "inputOffset");

    views()[1]->toggleButton()->click();
    handled();
    EXPECT_FALSE(a->filterArray()[1]->enabled());
    EXPECT_FALSE(b->filterArray()[1]->enabled());

    views()[0]->deleteButton()->click();
    handled();
    EXPECT_EQ(names(*a), QStringList{"CIGaussianBlur"});
    ASSERT_EQ(views().size(), 1u);
    EXPECT_EQ(views()[0]->geometry().y(), 2) << "the rest moves up";

    undo()->undo();
    refresh();
    EXPECT_EQ(names(*a), (QStringList{"QVDropShadow", "CIGaussianBlur"}));
    EXPECT_DOUBLE_EQ(number(*a, 0, "inputOffset"), offset);
    undo()->undo();
    EXPECT_TRUE(a->filterArray()[1]->enabled());
}

// The list is rebuilt when the graphic, its list or its resolution
// changes, and only then; a list built for one graphic never writes to
// another.
TEST_F(EffectsPaneTest, AListNeverPushesOntoAnotherGraphic)
{
    select({a});
    effects().add(QStringLiteral("CIGaussianBlur"));
    handled();
    FilterView *shown = views().at(0);
    refresh();
    EXPECT_EQ(views().at(0), shown) << "same graphic, same list, same resolution: no rebuild";

    // A parameter pushed, then another graphic selected: it is shown, not
    // skipped as the edited one's refresh would be.
    shown->findChild<DoubleSlider *>("inputRadius")->setValue(500);
    undo()->eventHandled();
    select({b});
    EXPECT_TRUE(views().empty());
    EXPECT_TRUE(names(*b).isEmpty());

    // The selection changes, the panes are not refreshed yet, and an edit
    // comes from the list built for the first graphic.
    select({a});
    shown = views().at(0);
    view()->selectGraphics({b});
    shown->findChild<DoubleSlider *>("inputRadius")->setValue(900);
    shown->toggleButton()->click();
    undo()->eventHandled();
    EXPECT_TRUE(names(*b).isEmpty());
    EXPECT_DOUBLE_EQ(number(*a, 0, "inputRadius"), 50);

    // A view of an earlier build pushes nothing, even for its own graphic.
    select({a});
    FilterView *old = views().at(0);
    inspector->filterResolution(2);
    handled();
    ASSERT_NE(views().at(0), old) << "a new resolution rebuilds";
    old->findChild<DoubleSlider *>("inputRadius")->setValue(0);
    old->deleteFilter();
    undo()->eventHandled();
    EXPECT_DOUBLE_EQ(number(*a, 0, "inputRadius"), 100);
}

// "Set..." picks the position on the canvas, measured from the graphic and
// at the effects resolution; Escape puts the old one back; a click in
// another window ends the pick; without a canvas nothing waits.
TEST_F(EffectsPaneTest, PositionsArePickedOnTheCanvas)
{
    select({a});
    effects().add(QStringLiteral("CITwirlDistortion"));
    handled();
    auto *set = views().at(0)->findChild<QPushButton *>("inputCenter.set");
    ASSERT_NE(set, nullptr);
    const Point origin = a->drawingBoundsWithoutEffects().origin;

    set->click();
    ASSERT_TRUE(views()[0]->isPicking());
    const QPoint at = view()->widgetPointFromDocument(Point(origin.x + 30, origin.y + 20)).toPoint();
    mouse(view(), QEvent::MouseButtonPress, at, Qt::LeftButton);
    mouse(view(), QEvent::MouseButtonRelease, at, Qt::NoButton);
    EXPECT_FALSE(views()[0]->isPicking());
    undo()->eventHandled();
    const Point picked = view()->documentPointFromWidget(QPointF(at) + QPointF(0.5, 0.5));
    const EffectVector center = a->filterArray()[0]->filter()->vector("inputCenter");
    EXPECT_NEAR(center.x, picked.x - origin.x, 1e-3);
    EXPECT_NEAR(center.y, picked.y - origin.y, 1e-3);
    EXPECT_TRUE(view()->selection().size() == 1 && view()->selection()[0] == a) << "the canvas saw no click";
    refresh();

    views()[0]->findChild<QPushButton *>("inputCenter.set")->click();
    mouse(view(), QEvent::MouseButtonPress, at + QPoint(40, 40), Qt::LeftButton);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(view(), &escape);
    undo()->eventHandled();
    EXPECT_FALSE(views()[0]->isPicking());
    EXPECT_EQ(a->filterArray()[0]->filter()->vector("inputCenter").x, center.x);
    select({a});
    ASSERT_FALSE(views().empty());

    views()[0]->findChild<QPushButton *>("inputCenter.set")->click();
    mouse(inspector->effectsPane(), QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    EXPECT_FALSE(views()[0]->isPicking()) << "a click in another window ends the pick";

    inspector->inspect(nullptr);
    refresh();
    effects().add(QStringLiteral("CITwirlDistortion"));
    refresh();
    ASSERT_FALSE(views().empty());
    views()[0]->findChild<QPushButton *>("inputCenter.set")->click();
    EXPECT_FALSE(views()[0]->isPicking()) << "no canvas, no pick";
    EXPECT_EQ(names(*inspector->styleGraphic()), QStringList{"CITwirlDistortion"})
        << "nothing inspected: the style of new graphics";
}

TEST(ScaleTransformer, ShowsLengthsAtTheResolutionAndAnglesInDegrees)
{
    CIController::initialize();
    struct Row {
        const char *name;
        std::optional<double> stored;
        double shown;
    };
    const Row rows[] = {
        {"x2 ScaleTransformer", 20.0, 10.0},
        {"x8 ScaleTransformer", 4.0, 0.5},
        {"NumberTransformer", 3.25, 3.25},
        {"AngleTransformer", std::numbers::pi, 180.0},
        {"x4 ScaleTransformer", std::nullopt, 0.0},
    };
    for (const Row &row : rows) {
        const ScaleTransformer *t = ScaleTransformer::valueTransformerForName(QString::fromLatin1(row.name));
        ASSERT_NE(t, nullptr) << row.name;
        EXPECT_NEAR(t->transformedValue(row.stored), row.shown, 1e-4) << row.name;
        if (row.stored) {
            EXPECT_NEAR(t->reverseTransformedValue(row.shown), *row.stored, 1e-4) << row.name;
        }
    }
    EXPECT_EQ(ScaleTransformer::valueTransformerForName("x3 ScaleTransformer"), nullptr);
}
