// The text tool and in-place text editing on the canvas, through simulated
// pointer and key events.

#include "CanvasTestSupport.h"

#include "canvas/TDTextView.h"
#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"
#include "model/TDTextLayout.h"
#include "model/TDUndoManager.h"
#include "platform/NotificationCenter.h"

#include <QApplication>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

TDGraphicPtr onlyGraphic(const TDGraphicArray &graphics)
{
    return graphics.size() == 1 ? graphics.front() : nullptr;
}

} // namespace

TEST_F(CanvasTest, TextToolClickOpensAGrowingBoxThatFitsItsTextWhenEditingEnds)
{
    chooseTool(Tool::Text);
    click(at(Point(100, 100)));
    const TDGraphicPtr text = onlyGraphic(layerGraphics());
    ASSERT_TRUE(text);
    EXPECT_EQ(text->fillStyle()->style(), TDFillText);
    EXPECT_EQ(text->strokeStyle()->style(), TDStrokeNone);
    ASSERT_TRUE(view->textEditor());
    EXPECT_EQ(view->editingGraphic(), text.get());
    EXPECT_TRUE(text->editingText());
    const Rect startFrame = view->textEditor()->frame();
    EXPECT_NEAR(startFrame.width(), 10, 0.01);

    QTest::keyClicks(view, QStringLiteral("Hello world"));
    EXPECT_EQ(text->fillStyle()->contents()->toPlainText(), QStringLiteral("Hello world"));
    EXPECT_GT(view->textEditor()->frame().width(), 50) << "the box grows with the text";

    // A press elsewhere ends the editing; the box takes the text's size.
    click(at(Point(400, 400)));
    EXPECT_FALSE(view->textEditor());
    EXPECT_FALSE(text->editingText());
    const Size needed = text->requiredSize(1e6f);
    EXPECT_NEAR(text->bounds().width(), needed.width, 0.5);
    EXPECT_NEAR(text->bounds().height(), needed.height, 0.5);
    EXPECT_NEAR(needed.height, 17, 0.5); // one 12-point line and 3 points
}

TEST_F(CanvasTest, TextBoxDraggedToASizeKeepsItAndWrapsInside)
{
    chooseTool(Tool::Text);
    drag(at(Point(100, 100)), at(Point(300, 200)));
    const TDGraphicPtr text = onlyGraphic(layerGraphics());
    ASSERT_TRUE(text);
    ASSERT_TRUE(view->textEditor());
    const Rect box = text->bounds();
    QTest::keyClicks(view, QStringLiteral("one two three four five six seven eight nine ten eleven twelve"));
    key(Qt::Key_Return, Qt::AltModifier);
    EXPECT_FALSE(view->textEditor()) << "Alt+Return ends the editing";
    EXPECT_EQ(text->bounds(), box);
    EXPECT_GT(text->fillStyle()->textLayout().lineCount(), 1);
    // The typing is one step, the creation the one before it.
    TDUndoManager *undo = document->undoManager();
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Typing"));
    undo->undo();
    EXPECT_TRUE(text->fillStyle()->contents()->isEmpty());
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Create Text"));
}

TEST_F(CanvasTest, ReturnStartsAParagraphAndBackspaceDeletes)
{
    chooseTool(Tool::Text);
    click(at(Point(100, 100)));
    ASSERT_TRUE(view->textEditor());
    QTest::keyClicks(view, QStringLiteral("ab"));
    key(Qt::Key_Return);
    QTest::keyClicks(view, QStringLiteral("cd"));
    key(Qt::Key_Backspace);
    key(Qt::Key_Left);
    QTest::keyClicks(view, QStringLiteral("x"));
    const TDGraphicPtr text = onlyGraphic(layerGraphics());
    ASSERT_TRUE(text);
    EXPECT_EQ(text->fillStyle()->contents()->toPlainText(), QStringLiteral("ab\nxc"));
    // Ctrl+Z undoes typing inside the editor.
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text->fillStyle()->contents()->toPlainText(), QStringLiteral("ab\nc"));
}

TEST_F(CanvasTest, EditingEndsWhenUndoRemovesTheGraphic)
{
    chooseTool(Tool::Text);
    click(at(Point(100, 100)));
    QTest::keyClicks(view, QStringLiteral("gone"));
    ASSERT_TRUE(view->textEditor());
    const TDGraphicPtr text = onlyGraphic(layerGraphics());
    document->undoManager()->undo();
    EXPECT_TRUE(layerGraphics().empty());
    EXPECT_FALSE(view->textEditor());
    EXPECT_EQ(view->editingGraphic(), nullptr);
    EXPECT_FALSE(text->editingText());
    // Keys no longer reach a text.
    QTest::keyClicks(view, QStringLiteral("more"));
    EXPECT_EQ(text->fillStyle()->contents()->toPlainText(), QStringLiteral("gone"));
}

TEST_F(CanvasTest, EditingEndsWhenTheWindowCloses)
{
    chooseTool(Tool::Text);
    click(at(Point(100, 100)));
    const TDGraphicPtr text = onlyGraphic(layerGraphics());
    ASSERT_TRUE(text && text->editingText());
    window.reset();
    EXPECT_FALSE(text->editingText());
}

TEST_F(CanvasTest, DoubleClickWithTheSelectToolOpensTheEditorAndTypingIsOneUndoStep)
{
    chooseTool(Tool::Text);
    drag(at(Point(100, 100)), at(Point(300, 200)));
    QTest::keyClicks(view, QStringLiteral("first"));
    click(at(Point(500, 500)));
    const TDGraphicPtr text = onlyGraphic(layerGraphics());
    ASSERT_TRUE(text);
    ASSERT_FALSE(view->textEditor());
    document->undoManager()->removeAllActions();

    // The box has a text fill: a double click on it edits it again.
    press(at(Point(120, 105)));
    release(at(Point(120, 105)));
    QMouseEvent twice(QEvent::MouseButtonDblClick, at(Point(120, 105)), view->mapToGlobal(at(Point(120, 105))),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view, &twice);
    release(at(Point(120, 105)));
    ASSERT_TRUE(view->textEditor());
    key(Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(view, QStringLiteral(" second"));
    click(at(Point(500, 500)));
    EXPECT_EQ(text->fillStyle()->contents()->toPlainText(), QStringLiteral("first second"));
    document->undoManager()->undo();
    EXPECT_EQ(text->fillStyle()->contents()->toPlainText(), QStringLiteral("first"));
}

namespace {

bool near(const QColor &a, const QColor &b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

TEST_F(CanvasTest, TextBackgroundsShowTheFillColourBehindTheTextAndTheEditor)
{
    chooseTool(Tool::Text);
    drag(at(Point(100, 100)), at(Point(300, 200)));
    QTest::keyClicks(view, QStringLiteral("Hi"));
    click(at(Point(500, 500)));
    const TDGraphicPtr text = onlyGraphic(layerGraphics());
    ASSERT_TRUE(text);
    text->fillStyle()->setColor(Color::calibratedRGB(0, 0, 1, 0.5f));
    const Point empty(280, 180); // inside the box, away from the text
    const QColor halfBlueOnWhite(127, 127, 255);

    // Without the background flag only the text is painted.
    EXPECT_TRUE(near(pixelAt(empty), Qt::white)) << pixelAt(empty).name().toStdString();
    text->fillStyle()->setTextBackground(true);
    EXPECT_TRUE(near(pixelAt(empty), halfBlueOnWhite)) << pixelAt(empty).name().toStdString();

    // The editor shows the colour over white, opaque, whatever the flag.
    text->fillStyle()->setTextBackground(false);
    text->startEditingWithEvent(nullptr, view);
    ASSERT_TRUE(view->textEditor());
    const Color background = view->textEditor()->background();
    EXPECT_NEAR(background.alpha(), 1, 1e-6);
    EXPECT_NEAR(background.redComponent(), 0.5, 1e-3);
    EXPECT_NEAR(background.blueComponent(), 1, 1e-3);
    EXPECT_TRUE(near(pixelAt(empty), halfBlueOnWhite)) << pixelAt(empty).name().toStdString();
    // Outside the box the page shows.
    EXPECT_TRUE(near(pixelAt(Point(320, 180)), Qt::white));
}

TEST_F(CanvasTest, ChangeFontGoesToTheEditedSelectionElseToEverySelectedText)
{
    chooseTool(Tool::Text);
    drag(at(Point(100, 100)), at(Point(300, 200)));
    QTest::keyClicks(view, QStringLiteral("one two"));
    // The editor's selection only: "two" becomes 20 points.
    key(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
    const auto toTwenty = [](const QFont &font) {
        QFont f = font;
        f.setPointSizeF(20);
        return f;
    };
    view->changeFont(toTwenty);
    const TDGraphicPtr text = onlyGraphic(layerGraphics());
    ASSERT_TRUE(text);
    QTextDocument *contents = text->fillStyle()->contents();
    auto sizeAt = [contents](int position) {
        QTextCursor c(contents);
        c.setPosition(position + 1);
        return c.charFormat().font().resolve(contents->defaultFont()).pointSizeF();
    };
    EXPECT_EQ(sizeAt(0), 12);
    EXPECT_EQ(sizeAt(5), 20);
    click(at(Point(500, 500)));

    // Not editing: every run of every selected text box, one undo step,
    // each run keeping its family.
    view->selectGraphics(TDGraphicArray{text});
    document->undoManager()->removeAllActions();
    const auto toSerif = [](const QFont &font) {
        QFont f = font;
        f.setFamilies(QStringList{QStringLiteral("DejaVu Serif")});
        return f;
    };
    view->changeFont(toSerif);
    QTextCursor last(contents);
    last.movePosition(QTextCursor::End);
    EXPECT_EQ(last.charFormat().font().family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(sizeAt(5), 20);
    EXPECT_EQ(sizeAt(0), 12);
    ASSERT_TRUE(document->undoManager()->canUndo());
    document->undoManager()->undo();
    EXPECT_EQ(last.charFormat().font().resolve(contents->defaultFont()).family(), QStringLiteral("DejaVu Sans"));
}

TEST_F(CanvasTest, TheEditorAnnouncesSelectionAndAttributeChanges)
{
    std::vector<QString> heard;
    int lastOld = -1;
    NotificationCenter &centre = NotificationCenter::defaultCenter();
    centre.addObserver(this, TDTextView::selectionDidChangeNotification, nullptr, [&](const Notification &n) {
        heard.push_back(n.name);
        lastOld = n.userInfo.value(QStringLiteral("OldSelectedLocation")).toInt();
        EXPECT_EQ(qobject_cast<TDTextView *>(n.userInfo.value(QStringLiteral("TextView")).value<QObject *>()),
                  n.object);
    });
    centre.addObserver(this, TDTextView::typingAttributesDidChangeNotification, nullptr,
                       [&](const Notification &n) { heard.push_back(n.name); });
    chooseTool(Tool::Text);
    drag(at(Point(100, 100)), at(Point(300, 200)));
    EXPECT_GE(std::count(heard.begin(), heard.end(), TDTextView::selectionDidChangeNotification), 1)
        << "an editor announces itself when it opens";
    QTest::keyClicks(view, QStringLiteral("abc"));
    EXPECT_EQ(lastOld, 2);
    heard.clear();
    view->textEditor()->changeAttributes([](const QTextCharFormat &f) {
        QTextCharFormat changed = f;
        changed.setForeground(QColor(Qt::red));
        return changed;
    });
    EXPECT_EQ(heard, std::vector<QString>{TDTextView::typingAttributesDidChangeNotification});
    centre.removeObserver(this);
}
