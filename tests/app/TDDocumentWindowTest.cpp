// The document window as a person uses it: its status line, its keys,
// what a click on the canvas does to the document's changes, what becoming
// the active window tells the application, and the alert for a document
// with objects this program cannot read.

#include "AppTestSupport.h"

#include "canvas/ScalingScrollView.h"
#include "canvas/TDDocumentToolbar.h"
#include "canvas/TDGraphicView.h"
#include "canvas/TDRulerView.h"
#include "canvas/TDToolStrip.h"
#include "model/TDFillStyle.h"
#include "platform/KeyedArchiver.h"
#include "platform/PropertyList.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include <functional>

using namespace scrivane;
using namespace scrivane::apptest;

namespace {

using Answer = TDPrompter::SaveChangesAnswer;

class WindowTest : public AppFixture {
protected:
    // Filled, so that a click inside hits it (one more step).
    std::shared_ptr<TDGraphic> filled(std::shared_ptr<TDGraphic> graphic)
    {
        graphic->fillStyle()->setStyle(TDFillColor);
        controller->inputEventHandled();
        return graphic;
    }

    TDDocumentWindow *openWindow(TDDocument *document)
    {
        TDDocumentWindow *window = controller->windowForDocument(document);
        EXPECT_NE(window, nullptr);
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        return window;
    }

    // A mouse event on the canvas at a document point, then the end of the
    // input event as the application marks it.
    void mouse(TDDocumentWindow *window, QEvent::Type type, Point at, Qt::MouseButtons buttons)
    {
        TDGraphicView *view = window->graphicView();
        const QPointF local = view->widgetPointFromDocument(at);
        QMouseEvent event(type, local, view->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
        controller->inputEventHandled();
    }
    void click(TDDocumentWindow *window, Point at)
    {
        mouse(window, QEvent::MouseButtonPress, at, Qt::LeftButton);
        mouse(window, QEvent::MouseButtonRelease, at, Qt::NoButton);
    }
    void drag(TDDocumentWindow *window, Point from, Point to)
    {
        mouse(window, QEvent::MouseButtonPress, from, Qt::LeftButton);
        for (int i = 1; i <= 4; ++i)
            mouse(window, QEvent::MouseMove,
                  Point(from.x + (to.x - from.x) * float(i) / 4, from.y + (to.y - from.y) * float(i) / 4),
                  Qt::LeftButton);
        mouse(window, QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
};

} // namespace

TEST_F(WindowTest, StatusLineKeepsNoStaleTextAfterADragOrARevert)
{
    TDDocument *document = controller->newDocument();
    prompter->savePathAnswers.push_back(pathIn(QStringLiteral("Status.scrivane")));
    ASSERT_TRUE(controller->saveDocument(document));
    TDDocumentWindow *window = openWindow(document);
    QLabel *status = window->statusField();

    // While a rectangle is dragged out the line says so; once it is made,
    // that text is gone.
    window->documentToolbar()->toolStrip()->select(Tool::Rectangle);
    mouse(window, QEvent::MouseButtonPress, Point(100, 100), Qt::LeftButton);
    mouse(window, QEvent::MouseMove, Point(150, 140), Qt::LeftButton);
    EXPECT_TRUE(status->text().contains(QStringLiteral("Creating"))) << status->text().toStdString();
    mouse(window, QEvent::MouseButtonRelease, Point(150, 140), Qt::NoButton);
    ASSERT_EQ(graphicCount(document), 1u);
    EXPECT_FALSE(status->text().contains(QStringLiteral("Creating"))) << status->text().toStdString();

    // A revert shows the drawing read again: nothing of before stays.
    document->setStatusText(QStringLiteral("Creating: 1 x 1"));
    prompter->revertAnswers.push_back(true);
    ASSERT_TRUE(controller->revertDocument(document));
    EXPECT_FALSE(status->text().contains(QStringLiteral("Creating"))) << status->text().toStdString();
}

TEST_F(WindowTest, CtrlEqualsZoomsInLikeCtrlPlus)
{
    TDDocument *document = controller->newDocument();
    TDDocumentWindow *window = openWindow(document);
    ScalingScrollView *scroll = window->scrollView();
    window->graphicView()->setFocus();

    struct Case {
        const char *name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        float factor;
    };
    const Case cases[] = {
        {"Ctrl+= (no Shift)", Qt::Key_Equal, Qt::ControlModifier, 2.0f},
        {"Ctrl++ (keypad)", Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier, 2.0f},
        {"Ctrl+-", Qt::Key_Minus, Qt::ControlModifier, 0.5f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        scroll->setScaleFactor(1.0f, true);
        QTest::keyClick(window->graphicView(), c.key, c.modifiers);
        EXPECT_FLOAT_EQ(scroll->scaleFactor(), c.factor);
    }

    // While text is edited, the same keys make text bigger instead.
    delegate->setEditingText(true);
    EXPECT_TRUE(window->action(QStringLiteral("zoomIn"))->shortcuts().isEmpty());
    delegate->setEditingText(false);
    EXPECT_EQ(window->action(QStringLiteral("zoomIn"))->shortcuts().size(), 2);
}

TEST_F(WindowTest, APlainClickDoesNotMarkTheDocumentChanged)
{
    TDDocument *document = controller->newDocument();
    filled(addRectangle(document, Rect(100, 100, 80, 60)));
    prompter->savePathAnswers.push_back(pathIn(QStringLiteral("Clicked.scrivane")));
    ASSERT_TRUE(controller->saveDocument(document));
    TDDocumentWindow *window = openWindow(document);
    TDGraphicView *view = window->graphicView();
    ASSERT_FALSE(document->isDocumentEdited());

    // Selecting, deselecting, and undoing and redoing those steps: the
    // drawing is as it was saved.
    struct Step {
        const char *name;
        std::function<void()> run;
        size_t selected;
    };
    const Step steps[] = {
        {"click on the rectangle", [&] { click(window, Point(140, 130)); }, 1},
        {"click on empty paper", [&] { click(window, Point(400, 400)); }, 0},
        {"undo", [&] { window->action(QStringLiteral("undo"))->trigger(); }, 1},
        {"redo", [&] { window->action(QStringLiteral("redo"))->trigger(); }, 0},
        {"band over the rectangle", [&] { drag(window, Point(80, 80), Point(200, 200)); }, 1},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        step.run();
        EXPECT_EQ(view->selection().size(), step.selected);
        EXPECT_FALSE(document->isDocumentEdited());
        EXPECT_FALSE(window->isWindowModified());
    }
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Selection Change"));

    // Closing asks nothing.
    EXPECT_TRUE(controller->closeDocument(document));
    EXPECT_TRUE(prompter->saveChangesAsked.isEmpty());
}

TEST_F(WindowTest, AnEditAmongSelectionChangesStillCounts)
{
    TDDocument *document = controller->newDocument();
    const auto graphic = filled(addRectangle(document, Rect(100, 100, 80, 60)));
    prompter->savePathAnswers.push_back(pathIn(QStringLiteral("Moved.scrivane")));
    ASSERT_TRUE(controller->saveDocument(document));
    TDDocumentWindow *window = openWindow(document);

    // Selecting and moving in one drag is a change; undoing it is back to
    // the saved drawing; the selection step before it changes nothing.
    click(window, Point(140, 130));
    drag(window, Point(140, 130), Point(200, 130));
    EXPECT_TRUE(document->isDocumentEdited());
    window->action(QStringLiteral("undo"))->trigger();
    EXPECT_FALSE(document->isDocumentEdited());
    window->action(QStringLiteral("undo"))->trigger();
    EXPECT_FALSE(document->isDocumentEdited());
    window->action(QStringLiteral("redo"))->trigger();
    window->action(QStringLiteral("redo"))->trigger();
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_NE(graphic->bounds().minX(), 100.0f);
}

TEST_F(WindowTest, GuidesAndShowRulersSurviveASaveFromAWindow)
{
    // A package with guides on both rulers and the rulers shown, as a
    // program with rulers wrote it.
    const QString path = pathIn(QStringLiteral("Guides.scrivane"));
    {
        TDDocument written;
        PropertyList dictionary = written.drawDocumentDictionaryForGraphics({});
        dictionary.insert(QStringLiteral("Horizontal Markers"), PropertyList::Array{PropertyList(100.5), PropertyList(300.0)});
        dictionary.insert(QStringLiteral("Vertical Markers"), PropertyList::Array{PropertyList(50.0)});
        dictionary.insert(QStringLiteral("Show Rulers"), true);
        ASSERT_TRUE(QDir().mkpath(path));
        QFile data(QDir(path).filePath(QStringLiteral("data")));
        ASSERT_TRUE(data.open(QIODevice::WriteOnly));
        data.write(KeyedArchiver::archivedData(dictionary).value_or(QByteArray()));
    }

    // Opened in a window, edited and saved in place.
    TDDocument *document = controller->openDocument(path);
    ASSERT_NE(document, nullptr);
    TDGraphicView *view = controller->windowForDocument(document)->graphicView();
    EXPECT_TRUE(view->rulersVisible());
    EXPECT_EQ(view->hMarkers(), (std::vector<float>{100.5f, 300.0f}));
    addRectangle(document, Rect(10, 10, 20, 20));
    ASSERT_TRUE(controller->saveDocument(document));

    const auto reopen = [&path](const char *when) {
        auto reopened = std::make_unique<TDDocument>();
        EXPECT_TRUE(reopened->readFromFile(path, TDDocument::ScrivaneType)) << when;
        return reopened;
    };
    {
        const auto reopened = reopen("after a save");
        EXPECT_EQ(reopened->horizontalMarkers(), (std::vector<float>{100.5f, 300.0f}));
        EXPECT_EQ(reopened->verticalMarkers(), (std::vector<float>{50.0f}));
        EXPECT_TRUE(reopened->shouldShowRulers());
        EXPECT_EQ(graphicCount(reopened.get()), 1u);
    }

    // A save while a text editor has the horizontal ruler for its tab
    // stops writes the guides, and so does one after it; hidden rulers
    // are saved hidden.
    view->saveRulers();
    view->horizontalRuler()->setMarkers({std::make_shared<TDRulerMarker>(36.0f, QStringLiteral("tab"))});
    view->setRulersVisible(false);
    ASSERT_TRUE(controller->saveDocument(document));
    {
        const auto reopened = reopen("during text editing");
        EXPECT_EQ(reopened->horizontalMarkers(), (std::vector<float>{100.5f, 300.0f}));
        EXPECT_FALSE(reopened->shouldShowRulers());
    }
    view->cleanRulers();
    ASSERT_TRUE(controller->saveDocument(document));
    EXPECT_EQ(reopen("after text editing")->horizontalMarkers(), (std::vector<float>{100.5f, 300.0f}));
    ASSERT_TRUE(controller->closeDocument(document));
}

// The commands that need a selection are enabled with one, whether it came
// from a click or from undo, and their keys do nothing without one.
TEST_F(WindowTest, SelectionCommandsFollowTheSelection)
{
    TDDocument *document = controller->newDocument();
    filled(addRectangle(document, Rect(100, 100, 80, 60)));
    TDDocumentWindow *window = openWindow(document);
    const QStringList needSelection = {QStringLiteral("cut"), QStringLiteral("copy"),
                                       QStringLiteral("duplicate"), QStringLiteral("delete"),
                                       QStringLiteral("selectNone")};
    const auto expectEnabled = [&](bool enabled, const char *when) {
        for (const QString &name : needSelection) {
            QAction *item = window->action(name);
            ASSERT_NE(item, nullptr) << name.toStdString();
            EXPECT_EQ(item->isEnabled(), enabled) << name.toStdString() << " " << when;
        }
        EXPECT_TRUE(window->action(QStringLiteral("selectAll"))->isEnabled()) << when;
        EXPECT_TRUE(window->action(QStringLiteral("paste"))->isEnabled()) << when;
    };
    expectEnabled(false, "at first");
    click(window, Point(140, 130));
    expectEnabled(true, "after a click on the rectangle");
    window->action(QStringLiteral("undo"))->trigger();
    expectEnabled(false, "after undoing the selection");
    window->action(QStringLiteral("selectAll"))->trigger();
    EXPECT_EQ(window->graphicView()->selection().size(), 1u);
    expectEnabled(true, "after Select All");
    window->action(QStringLiteral("selectNone"))->trigger();
    EXPECT_TRUE(window->graphicView()->selection().empty());
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Select None"));
    expectEnabled(false, "after Select None");
}

// The active window's canvas sets the check marks of the view items, and
// the keys of graphics come back unless text is being edited in place.
TEST_F(WindowTest, BecomingTheActiveWindowShowsItsCanvasStateAndGivesTheKeysBack)
{
    TDDocument *plain = controller->newDocument();
    TDDocument *outlined = controller->newDocument();
    TDDocumentWindow *plainWindow = controller->windowForDocument(plain);
    TDDocumentWindow *outlinedWindow = controller->windowForDocument(outlined);
    ASSERT_TRUE(plainWindow && outlinedWindow);
    outlinedWindow->action(QStringLiteral("outlineView"))->trigger();
    ASSERT_TRUE(outlinedWindow->graphicView()->outlineView());

    struct Row {
        const char *name;
        TDDocumentWindow *window;
        bool outline;
    };
    for (const Row &row : {Row{"outlined", outlinedWindow, true}, Row{"plain", plainWindow, false}}) {
        SCOPED_TRACE(row.name);
        row.window->windowDidResignKey();
        EXPECT_TRUE(delegate->editingText()) << "another window has the keyboard";
        row.window->windowDidBecomeKey();
        EXPECT_FALSE(delegate->editingText());
        // Every window's item shows the state of the active one.
        EXPECT_EQ(plainWindow->action(QStringLiteral("outlineView"))->isChecked(), row.outline);
        EXPECT_EQ(outlinedWindow->action(QStringLiteral("outlineView"))->isChecked(), row.outline);
        EXPECT_FALSE(plainWindow->action(QStringLiteral("cmykPreview"))->isChecked());
    }

    // Text edited in place on the canvas keeps the keys of text.
    TDGraphicView *view = plainWindow->graphicView();
    view->selectTool(Tool::Text);
    click(plainWindow, Point(100, 100));
    ASSERT_TRUE(view->textEditor());
    plainWindow->windowDidResignKey();
    plainWindow->windowDidBecomeKey();
    EXPECT_TRUE(delegate->editingText());
    view->stopTextEditing();
    plainWindow->windowDidBecomeKey();
    EXPECT_FALSE(delegate->editingText());
}

namespace {
// An object of a kind a later version of the program writes.
class FutureObject : public Archivable {
public:
    QString archiveClassName() const override { return QStringLiteral("TDFutureGraphic"); }
    void encode(KeyedArchiver &archiver) const override { archiver.encodeInteger(7, QStringLiteral("Points")); }
};
} // namespace

// A document holding objects this program cannot read opens without them,
// says so once, and its next save asks for a new name so that the file
// keeps them.
TEST_F(WindowTest, OpeningADocumentWithUnreadableObjectsSaysSoOnce)
{
    const QString path = pathIn(QStringLiteral("Later.scrivane"));
    {
        TDDocument written;
        PropertyList dictionary = written.drawDocumentDictionaryForGraphics({});
        dictionary.insert(QStringLiteral("Future"), PropertyList(std::make_shared<FutureObject>()));
        ASSERT_TRUE(QDir().mkpath(path));
        QFile data(QDir(path).filePath(QStringLiteral("data")));
        ASSERT_TRUE(data.open(QIODevice::WriteOnly));
        data.write(KeyedArchiver::archivedData(dictionary).value_or(QByteArray()));
    }
    TDDocument *document = controller->openDocument(path);
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(prompter->errors.size(), 2) << "one alert: its message and its details";
    EXPECT_EQ(prompter->errors.at(0), QStringLiteral("Parts of “Later” cannot be shown."));
    EXPECT_TRUE(prompter->errors.at(1).contains(QStringLiteral("saving asks for a new name")));
    EXPECT_TRUE(document->docHasWarnedAboutCI());
    EXPECT_EQ(document->fileType(), TDDocument::UntitledType);

    // The save asks where to (and is cancelled here); no second alert.
    EXPECT_FALSE(controller->saveDocument(document));
    EXPECT_EQ(prompter->suggestedSavePaths.size(), 1);
    EXPECT_EQ(prompter->errors.size(), 2);

    // A document without such objects opens without a word.
    prompter->errors.clear();
    const QString plainPath = pathIn(QStringLiteral("Plain.scrivane"));
    {
        TDDocument written;
        ASSERT_TRUE(QDir().mkpath(plainPath));
        QFile data(QDir(plainPath).filePath(QStringLiteral("data")));
        ASSERT_TRUE(data.open(QIODevice::WriteOnly));
        data.write(KeyedArchiver::archivedData(written.drawDocumentDictionaryForGraphics({})).value_or(QByteArray()));
    }
    TDDocument *plain = controller->openDocument(plainPath);
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(prompter->errors.isEmpty());
    EXPECT_FALSE(plain->docHasWarnedAboutCI());
}
