// Zoom steps and the zoom popup of the scroll view, and the zoom, hand and
// dropper tools.

#include "CanvasTestSupport.h"

#include "model/TDFillStyle.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

QStringList titles(const QComboBox *popup)
{
    QStringList result;
    for (int i = 0; i < popup->count(); ++i)
        result.append(popup->itemText(i));
    return result;
}

} // namespace

TEST_F(CanvasTest, ZoomStepsSelectTheMatchingEntryOrInsertOneCustomEntry)
{
    QComboBox *popup = scroll->scalePopUpButton();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->currentText(), QStringLiteral("100%"));

    struct Case {
        const char *name;
        float from;
        float factor;
        float expected;
        const char *shown;
    };
    const Case cases[] = {
        {"200% in", 2, 2, 4, "400%"},
        {"150% in", 1.5f, 2, 3, "300.0%"},
        {"out to a listed value", 1, 0.5f, 0.5f, "50%"},
        {"above the largest", 256, 2, 256, "25600.0%"},
        {"below the smallest", 0.05f, 0.5f, 0.05f, "5.0%"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        scroll->setScaleFactor(c.from, true);
        view->zoom(c.factor);
        EXPECT_FLOAT_EQ(view->zoom(), c.expected);
        EXPECT_EQ(popup->currentText(), QString::fromLatin1(c.shown));
    }

    // 300% goes between 200% and 400%; a second custom zoom replaces it.
    scroll->setScaleFactor(3, true);
    EXPECT_EQ(titles(popup).indexOf(QStringLiteral("300.0%")), titles(popup).indexOf(QStringLiteral("200%")) + 1);
    scroll->setScaleFactor(1.375f, true);
    EXPECT_EQ(popup->currentText(), QStringLiteral("137.5%"));
    EXPECT_EQ(titles(popup).filter(QRegularExpression(QStringLiteral("[0-9]\\.[0-9]%"))).size(), 1) << titles(popup).join(u' ').toStdString();
    // Exactly 25% counts as no match: a custom entry before "25%".
    scroll->setScaleFactor(0.25f, true);
    EXPECT_EQ(popup->itemText(0), QStringLiteral("25.0%"));
    EXPECT_EQ(popup->currentIndex(), 0);
}

TEST_F(CanvasTest, ZoomChangesTheCanvasSizeAndKeepsTheCentre)
{
    const int before = view->width();
    const Rect visible = view->visibleRect();
    view->zoomIn();
    EXPECT_GT(view->width(), before);
    const Rect after = view->visibleRect();
    EXPECT_NEAR(after.midX(), visible.midX(), 2);
    EXPECT_NEAR(after.midY(), visible.midY(), 2);
    view->actualSize();
    EXPECT_FLOAT_EQ(view->zoom(), 1);
}

TEST_F(CanvasTest, PopupChoiceAndCustomField)
{
    QComboBox *popup = scroll->scalePopUpButton();
    scroll->scalePopUpAction(5);
    EXPECT_FLOAT_EQ(scroll->scaleFactor(), 2);

    struct Case {
        const char *typed;
        float expected;
    };
    const Case cases[] = {{"150%", 1.5f}, {"0", 1.5f}, {"abc%", 1.5f}, {"-20", 1.5f}, {"37.5", 0.375f}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        scroll->scalePopUpAction(popup->count() - 1);
        ASSERT_NE(scroll->customField(), nullptr);
        scroll->customField()->setText(QString::fromLatin1(c.typed));
        scroll->customAction();
        EXPECT_FLOAT_EQ(scroll->scaleFactor(), c.expected);
        EXPECT_EQ(scroll->customField(), nullptr);
    }
}

TEST_F(CanvasTest, TurningOffTheHorizontalScrollerResetsTheZoomOnly)
{
    scroll->setScaleFactor(2, true);
    scroll->setHasHorizontalScroller(false);
    EXPECT_FLOAT_EQ(scroll->scaleFactor(), 1);
    EXPECT_EQ(scroll->scalePopUpButton(), nullptr);
}

TEST_F(CanvasTest, ZoomToolClicksAndBands)
{
    struct Case {
        const char *name;
        Qt::KeyboardModifiers modifiers;
        float expected;
    };
    for (const Case &c : {Case{"click", Qt::NoModifier, 2}, Case{"option click", Qt::AltModifier, 0.5f}}) {
        SCOPED_TRACE(c.name);
        scroll->setScaleFactor(1, true);
        toolbar->toolStrip()->select(Tool::Zoom);
        const Point target(300, 400);
        click(at(target), c.modifiers);
        EXPECT_FLOAT_EQ(view->zoom(), c.expected);
        EXPECT_EQ(view->drawMode(), Tool::Select) << "an unlocked zoom tool is used once";
        if (c.expected > 1) {
            const Rect visible = view->visibleRect();
            EXPECT_NEAR(visible.midX(), target.x, 2);
            EXPECT_NEAR(visible.midY(), target.y, 2);
        }
    }

    scroll->setScaleFactor(1, true);
    toolbar->toolStrip()->select(Tool::Zoom);
    drag(at(Point(100, 100)), at(Point(200, 150)));
    const QSize content = scroll->contentSize();
    EXPECT_NEAR(view->zoom(), std::min(content.width() / 101.0, content.height() / 51.0), 0.02);
    EXPECT_EQ(view->rubberbandRect(), Rect());
}

TEST_F(CanvasTest, HandToolScrollsWithThePointer)
{
    scroll->setScaleFactor(4, true);
    QApplication::processEvents();
    QScrollBar *h = scroll->horizontalScrollBar();
    QScrollBar *v = scroll->verticalScrollBar();
    h->setValue(h->maximum() / 2);
    v->setValue(v->maximum() / 2);
    const int h0 = h->value(), v0 = v->value();
    toolbar->toolStrip()->select(Tool::Hand);
    // In window coordinates the pointer moves 40 left and 30 up; the
    // canvas moves with it (the press point stays under the pointer).
    // The pointer is where it is in the window, while the canvas moves under it.
    const auto inView = [this](QPointF inWindow) { return view->mapFrom(window.get(), inWindow); };
    const QPointF start(400, 300);
    press(inView(start));
    move(inView(start + QPointF(-20, -15)));
    move(inView(start + QPointF(-40, -30)));
    release(inView(start + QPointF(-40, -30)));
    EXPECT_NEAR(h->value() - h0, 40, 2);
    EXPECT_NEAR(v->value() - v0, 30, 2);
}

TEST_F(CanvasTest, DropperCopiesTheStyleOfTheGraphicUnderThePress)
{
    const auto source = filledRectangle(Rect(100, 100, 50, 50), Color::calibratedRGB(1, 0, 0));
    const auto target = filledRectangle(Rect(300, 100, 50, 50), Color::calibratedRGB(0, 0, 1));
    addQuietly(source);
    addQuietly(target);

    // With a selection the selected graphics take the style.
    view->selectGraphics({target});
    toolbar->toolStrip()->select(Tool::Dropper);
    click(at(Point(125, 125)));
    EXPECT_FLOAT_EQ(target->fillStyle()->color().redComponent(), 1);

    // Without one, the inspector's style graphic does; empty canvas does nothing.
    view->clearSelection();
    inspector.style = filledRectangle(Rect(0, 0, 1, 1), Color::calibratedRGB(0, 1, 0));
    toolbar->toolStrip()->select(Tool::Dropper);
    click(at(Point(500, 500)));
    EXPECT_FLOAT_EQ(inspector.style->fillStyle()->color().greenComponent(), 1);
    toolbar->toolStrip()->select(Tool::Dropper);
    click(at(Point(125, 125)), Qt::ShiftModifier);
    EXPECT_FLOAT_EQ(inspector.style->fillStyle()->color().redComponent(), 1);
    EXPECT_FLOAT_EQ(inspector.style->fillStyle()->color().greenComponent(), 0);
}

TEST_F(CanvasTest, ZoomToFitShowsPaperAndGraphics)
{
    addQuietly(filledRectangle(Rect(-200, -100, 50, 50), Color::black()));
    view->zoomToFit();
    const Rect visible = view->visibleRect();
    const Rect paper = document->paperBounds();
    EXPECT_LE(visible.minX(), -200);
    EXPECT_LE(visible.minY(), -100);
    EXPECT_GE(visible.maxX(), paper.maxX());
    EXPECT_GE(visible.maxY(), paper.maxY());
}

TEST_F(CanvasTest, CustomFieldEndsWithReturnOrWhenLeft)
{
    QComboBox *popup = scroll->scalePopUpButton();
    struct Case {
        const char *name;
        const char *typed;
        bool leave;
        float expected;
    };
    const Case cases[] = {{"return", "250", false, 2.5f}, {"left empty", "%", true, 2.5f}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        scroll->scalePopUpAction(popup->count() - 1);
        QLineEdit *field = scroll->customField();
        ASSERT_NE(field, nullptr);
        field->setText(QString::fromLatin1(c.typed));
        if (c.leave)
            view->setFocus();
        else
            QTest::keyClick(field, Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(scroll->customField(), nullptr);
        EXPECT_FLOAT_EQ(scroll->scaleFactor(), c.expected);
        EXPECT_EQ(popup->currentText(), QStringLiteral("250.0%"));
    }
}
