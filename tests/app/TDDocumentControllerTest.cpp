// The document machinery: new, save, save as, open, revert, close with the
// question about unsaved changes, quit, recent documents, autosave and
// export, each answered by a scripted prompter.

#include "AppTestSupport.h"

#include "app/TDExportPane.h"
#include "canvas/ScalingScrollView.h"
#include "canvas/TDGraphicView.h"
#include "model/TDLayer.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>

using namespace scrivane;
using namespace scrivane::apptest;

namespace {

using Answer = TDPrompter::SaveChangesAnswer;

class MachineryTest : public AppFixture {
protected:
    // A document with one rectangle saved at `name`.
    TDDocument *savedDocument(const QString &name)
    {
        TDDocument *document = controller->newDocument();
        addRectangle(document, Rect(20, 30, 100, 60));
        prompter->savePathAnswers.push_back(pathIn(name));
        EXPECT_TRUE(controller->saveDocument(document));
        return document;
    }
};

} // namespace

TEST_F(MachineryTest, NewDocumentGetsAWindowWithItsCanvas)
{
    TDDocument *document = controller->newDocument();
    ASSERT_NE(document, nullptr);
    TDDocumentWindow *window = controller->windowForDocument(document);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(document->graphicView(), window->graphicView());
    EXPECT_EQ(window->graphicView()->tdDocument(), document);
    EXPECT_TRUE(document->fileName().isEmpty());
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_TRUE(window->windowTitle().startsWith(document->displayName()));

    // Status hints of the canvas reach the window's status line.
    document->setStatusText(QStringLiteral("Drag to draw"));
    EXPECT_TRUE(window->statusField()->text().contains(QStringLiteral("Drag to draw")));

    addRectangle(document, Rect(0, 0, 10, 10));
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(window->action(QStringLiteral("undo"))->isEnabled());
}

TEST_F(MachineryTest, SaveAsksForANameOnceThenSavesInPlace)
{
    TDDocument *document = controller->newDocument();
    addRectangle(document, Rect(20, 30, 100, 60));

    // Cancelling the name leaves everything as it was.
    EXPECT_FALSE(controller->saveDocument(document));
    EXPECT_EQ(prompter->suggestedSavePaths.size(), 1);
    EXPECT_TRUE(prompter->suggestedSavePaths.front().endsWith(QStringLiteral(".scrivane")));
    EXPECT_TRUE(document->isDocumentEdited());

    const QString path = pathIn(QStringLiteral("Drawing.scrivane"));
    prompter->savePathAnswers.push_back(path);
    ASSERT_TRUE(controller->saveDocument(document)) << prompter->errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(document->fileName(), path);
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(controller->windowForDocument(document)->isWindowModified());
    EXPECT_EQ(controller->recentDocuments().value(0), path);

    // The next save asks nothing.
    addRectangle(document, Rect(0, 0, 5, 5));
    ASSERT_TRUE(controller->saveDocument(document));
    EXPECT_EQ(prompter->suggestedSavePaths.size(), 2);
    EXPECT_FALSE(document->isDocumentEdited());
}

TEST_F(MachineryTest, OpenReadsThePackageOnceAndReportsFailures)
{
    TDDocument *saved = savedDocument(QStringLiteral("Kept.scrivane"));
    addRectangle(saved, Rect(0, 0, 5, 5));
    ASSERT_TRUE(controller->saveDocument(saved));
    const QString path = saved->fileName();
    prompter->saveChangesAnswers.push_back(Answer::DontSave);
    ASSERT_TRUE(controller->closeDocument(saved));
    EXPECT_TRUE(controller->documents().empty());

    // Through the open dialog.
    prompter->openAnswers.push_back({path});
    controller->openDocumentWithDialog();
    ASSERT_EQ(controller->documents().size(), 1u);
    TDDocument *opened = controller->documents().front();
    EXPECT_EQ(graphicCount(opened), 2u);
    EXPECT_FALSE(opened->isDocumentEdited());
    EXPECT_FALSE(opened->undoManager()->canUndo());

    // Opening it again brings the same window forward.
    EXPECT_EQ(controller->openDocument(path), opened);
    EXPECT_EQ(controller->documents().size(), 1u);

    // A folder that is no package and a missing one: an error each, no
    // window, and the missing one leaves the recent list.
    QDir().mkpath(pathIn(QStringLiteral("Empty.scrivane")));
    controller->noteNewRecentDocument(pathIn(QStringLiteral("Gone.scrivane")));
    EXPECT_EQ(controller->openDocument(pathIn(QStringLiteral("Empty.scrivane"))), nullptr);
    EXPECT_EQ(controller->openDocument(pathIn(QStringLiteral("Gone.scrivane"))), nullptr);
    EXPECT_EQ(controller->documents().size(), 1u);
    ASSERT_EQ(prompter->errors.size(), 4);
    EXPECT_TRUE(prompter->errors[0].contains(QStringLiteral("Empty.scrivane")));
    EXPECT_FALSE(prompter->errors[1].isEmpty());
    EXPECT_FALSE(controller->recentDocuments().contains(pathIn(QStringLiteral("Gone.scrivane"))));
}

TEST_F(MachineryTest, RevertAsksThenReadsTheSavedPackage)
{
    TDDocument *document = savedDocument(QStringLiteral("Revert.scrivane"));
    addRectangle(document, Rect(0, 0, 5, 5));
    addRectangle(document, Rect(5, 5, 5, 5));
    ASSERT_EQ(graphicCount(document), 3u);

    prompter->revertAnswers.push_back(false);
    EXPECT_FALSE(controller->revertDocument(document));
    EXPECT_EQ(graphicCount(document), 3u);

    prompter->revertAnswers.push_back(true);
    ASSERT_TRUE(controller->revertDocument(document));
    EXPECT_EQ(prompter->revertsAsked, 2);
    EXPECT_EQ(graphicCount(document), 1u);
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_TRUE(controller->windowForDocument(document)->graphicView()->selection().empty());

    // A document never saved has nothing to revert to.
    TDDocument *untitled = controller->newDocument();
    EXPECT_FALSE(controller->revertDocument(untitled));
    EXPECT_EQ(prompter->revertsAsked, 2);
}

TEST_F(MachineryTest, ClosingAnEditedDocumentAsksFirst)
{
    struct Case {
        const char *name;
        Answer answer;
        bool closes;
        bool savesChange;
    };
    const Case cases[] = {
        {"Save", Answer::Save, true, true},
        {"DontSave", Answer::DontSave, true, false},
        {"Cancel", Answer::Cancel, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TDDocument *document = savedDocument(QString::fromUtf8(c.name) + QStringLiteral(".scrivane"));
        const QString path = document->fileName();
        addRectangle(document, Rect(0, 0, 5, 5));
        prompter->saveChangesAsked.clear();
        prompter->saveChangesAnswers.push_back(c.answer);

        EXPECT_EQ(controller->closeDocument(document), c.closes);
        EXPECT_EQ(prompter->saveChangesAsked, QStringList{QString::fromUtf8(c.name)});
        EXPECT_EQ(controller->documentForPath(path) != nullptr, !c.closes);

        TDDocument copy;
        ASSERT_TRUE(copy.readFromFile(path, TDDocument::ScrivaneType));
        EXPECT_EQ(graphicCount(&copy), c.savesChange ? 2u : 1u);
    }

    // A clean document closes without a question.
    TDDocument *clean = controller->newDocument();
    prompter->saveChangesAsked.clear();
    EXPECT_TRUE(controller->closeDocument(clean));
    EXPECT_TRUE(prompter->saveChangesAsked.isEmpty());

    // Saving an untitled document whose name is then cancelled keeps it.
    TDDocument *untitled = controller->newDocument();
    addRectangle(untitled, Rect(0, 0, 5, 5));
    prompter->saveChangesAnswers.push_back(Answer::Save);
    EXPECT_FALSE(controller->closeDocument(untitled));
    EXPECT_NE(controller->windowForDocument(untitled), nullptr);
}

TEST_F(MachineryTest, QuitStopsAtTheFirstDocumentKept)
{
    TDDocument *first = controller->newDocument();
    addRectangle(first, Rect(0, 0, 5, 5));
    TDDocument *second = controller->newDocument();
    addRectangle(second, Rect(0, 0, 5, 5));
    controller->newDocument();

    prompter->saveChangesAnswers = {Answer::Cancel};
    EXPECT_FALSE(controller->closeAllDocuments());
    EXPECT_EQ(prompter->saveChangesAsked.size(), 1);
    EXPECT_NE(controller->windowForDocument(first), nullptr);
    EXPECT_NE(controller->windowForDocument(second), nullptr);

    prompter->saveChangesAnswers = {Answer::DontSave, Answer::DontSave};
    EXPECT_TRUE(controller->closeAllDocuments());
    EXPECT_EQ(prompter->saveChangesAsked.size(), 3);
    EXPECT_TRUE(controller->documents().empty());
}

TEST_F(MachineryTest, RecentDocumentsNewestFirstWithoutRepeats)
{
    for (int i = 0; i < 12; ++i)
        controller->noteNewRecentDocument(pathIn(QStringLiteral("D%1.scrivane").arg(i)));
    controller->noteNewRecentDocument(pathIn(QStringLiteral("D5.scrivane")));
    const QStringList recent = controller->recentDocuments();
    ASSERT_EQ(recent.size(), TDDocumentController::MaximumRecentDocuments);
    EXPECT_EQ(recent.front(), pathIn(QStringLiteral("D5.scrivane")));
    EXPECT_EQ(recent.at(1), pathIn(QStringLiteral("D11.scrivane")));
    EXPECT_EQ(recent.count(pathIn(QStringLiteral("D5.scrivane"))), 1);

    // The windows' menus follow.
    TDDocument *document = controller->newDocument();
    QMenu *menu = controller->windowForDocument(document)->recentDocumentsMenu();
    EXPECT_EQ(menu->actions().front()->data().toString(), recent.front());
    controller->clearRecentDocuments();
    EXPECT_TRUE(controller->recentDocuments().isEmpty());
    EXPECT_EQ(menu->actions().size(), 2); // separator and "Clear Menu"
}

TEST_F(MachineryTest, AutosaveWritesACopyOfEditedDocumentsOnly)
{
    TDDocument *clean = controller->newDocument();
    TDDocument *edited = controller->newDocument();
    addRectangle(edited, Rect(0, 0, 5, 5));
    controller->autosaveDocuments();
    EXPECT_FALSE(QFileInfo::exists(clean->autosavedContentsFileName()));
    const QString copy = edited->autosavedContentsFileName();
    ASSERT_TRUE(QFileInfo(copy).isDir()) << copy.toStdString();
    EXPECT_TRUE(copy.startsWith(folder));
    EXPECT_TRUE(edited->isDocumentEdited());
    EXPECT_TRUE(edited->fileName().isEmpty());

    // Dropped when the document goes.
    prompter->saveChangesAnswers.push_back(Answer::DontSave);
    ASSERT_TRUE(controller->closeDocument(edited));
    EXPECT_FALSE(QFileInfo::exists(copy));
}

TEST_F(MachineryTest, ExportWritesTheChosenFormat)
{
    TDDocument *document = controller->newDocument();
    addRectangle(document, Rect(20, 30, 100, 60));
    TDExportPane *pane = delegate->exportPane();
    pane->setFormatTag(3);
    pane->resolutionField()->setText(QStringLiteral("144"));
    pane->setScopeTag(1);

    const QString path = pathIn(QStringLiteral("Export.png"));
    prompter->exportPathAnswers.push_back(path);
    ASSERT_TRUE(controller->exportDocument(document)) << prompter->errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(prompter->exportExtensions, QStringList{QStringLiteral("png")});
    // Nothing selected: only the whole document can be exported.
    EXPECT_FALSE(pane->selectionCell()->isEnabled());
    const QImage image(path);
    ASSERT_FALSE(image.isNull());
    const Rect paper = document->paperBounds();
    EXPECT_EQ(image.width(), int(paper.size.width * 2));

    // Cancelled: nothing written.
    EXPECT_FALSE(controller->exportDocument(document));
}

TEST_F(MachineryTest, TheWindowStateOfEachUserTravelsWithTheDocument)
{
    TDDocument *document = controller->newDocument();
    addRectangle(document, Rect(20, 30, 100, 60));
    TDDocumentWindow *window = controller->windowForDocument(document);
    window->scrollView()->setScaleFactor(2.0f, true);

    // Other users' states stay; one whose rectangles are not text is
    // dropped when the window loads.
    PropertyList preferences{PropertyList::Dictionary()};
    PropertyList other{PropertyList::Dictionary()};
    other.insert(QStringLiteral("window rect"), QStringLiteral("{{10, 10}, {300, 200}}"));
    other.insert(QStringLiteral("visible rect"), QStringLiteral("{{0, 0}, {100, 100}}"));
    other.insert(QStringLiteral("window zoom"), 0.5);
    PropertyList broken = other;
    broken.insert(QStringLiteral("window rect"), 5);
    preferences.insert(QStringLiteral("someone"), other);
    preferences.insert(QStringLiteral("broken"), broken);
    document->setUserPreferences(preferences);

    const QString path = pathIn(QStringLiteral("State.scrivane"));
    prompter->savePathAnswers.push_back(path);
    ASSERT_TRUE(controller->saveDocument(document));
    ASSERT_TRUE(controller->closeDocument(document));

    TDDocument *opened = controller->openDocument(path);
    ASSERT_NE(opened, nullptr);
    EXPECT_FLOAT_EQ(controller->windowForDocument(opened)->scrollView()->scaleFactor(), 2.0f);
    const PropertyList kept = opened->userPreferences();
    EXPECT_TRUE(kept.value(TDDocumentWindow::userName()).value(QStringLiteral("window rect")).isString());
    EXPECT_TRUE(kept.contains(QStringLiteral("someone")));
    EXPECT_FALSE(kept.contains(QStringLiteral("broken")));
}

TEST_F(MachineryTest, ASaveThatFailsIsReportedAndChangesNothing)
{
    TDDocument *first = savedDocument(QStringLiteral("First.scrivane"));
    const QString firstPath = first->fileName();
    TDDocument *second = controller->newDocument();
    addRectangle(second, Rect(0, 0, 5, 5));
    addRectangle(second, Rect(5, 5, 5, 5));

    struct Case {
        const char *name;
        QString path;
    };
    const Case cases[] = {
        // Another window's package would be replaced behind its back.
        {"open elsewhere", firstPath},
        {"folder missing", pathIn(QStringLiteral("no/such/folder/Second.scrivane"))},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        prompter->errors.clear();
        prompter->savePathAnswers.push_back(c.path);
        EXPECT_FALSE(controller->saveDocumentAs(second));
        ASSERT_EQ(prompter->errors.size(), 2);
        EXPECT_TRUE(prompter->errors[0].contains(QStringLiteral("could not be saved")));
        EXPECT_FALSE(prompter->errors[1].isEmpty());
        EXPECT_TRUE(second->fileName().isEmpty());
        EXPECT_TRUE(second->isDocumentEdited());
    }
    TDDocument copy;
    ASSERT_TRUE(copy.readFromFile(firstPath, TDDocument::ScrivaneType));
    EXPECT_EQ(graphicCount(&copy), 1u);
}

TEST_F(MachineryTest, TheWindowsMenuItemsDriveTheMachinery)
{
    TDDocument *document = savedDocument(QStringLiteral("Menus.scrivane"));
    TDDocumentWindow *window = controller->windowForDocument(document);
    EXPECT_FALSE(window->action(QStringLiteral("revert"))->isEnabled());

    addRectangle(document, Rect(0, 0, 5, 5));
    EXPECT_TRUE(window->action(QStringLiteral("revert"))->isEnabled());
    window->action(QStringLiteral("undo"))->trigger();
    EXPECT_EQ(graphicCount(document), 1u);
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(window->isWindowModified());
    window->action(QStringLiteral("redo"))->trigger();
    EXPECT_EQ(graphicCount(document), 2u);
    EXPECT_TRUE(window->isWindowModified());

    window->action(QStringLiteral("save"))->trigger();
    EXPECT_FALSE(document->isDocumentEdited());

    window->action(QStringLiteral("new"))->trigger();
    EXPECT_EQ(controller->documents().size(), 2u);

    // Closing the window itself goes through the same question.
    addRectangle(document, Rect(0, 0, 5, 5));
    prompter->saveChangesAnswers.push_back(Answer::Cancel);
    window->action(QStringLiteral("close"))->trigger();
    EXPECT_EQ(controller->windowForDocument(document), window);
    prompter->saveChangesAnswers.push_back(Answer::DontSave);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(controller->windowForDocument(document), nullptr);
}

TEST_F(MachineryTest, DxfDrawingOpensAsANewDocumentThatSavesUnderANewName)
{
    const QString dxf = pathIn(QStringLiteral("plan.dxf"));
    const QByteArray drawing = "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\nwalls\n10\n0\n20\n0\n11\n25.4\n21\n0\n"
                               "0\nENDSEC\n0\nEOF\n";
    {
        QFile file(dxf);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(drawing);
    }
    EXPECT_EQ(TDDocumentController::typeForPath(dxf), TDDocument::DxfType);
    TDDocument *document = controller->openDocument(dxf);
    ASSERT_TRUE(document) << prompter->errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(document->layerNamed(QStringLiteral("walls")));
    EXPECT_EQ(document->layerNamed(QStringLiteral("walls"))->graphics().size(), 1u);

    // Saving asks for a package beside the drawing; the drawing stays.
    const QString package = pathIn(QStringLiteral("plan.scrivane"));
    prompter->savePathAnswers.push_back(package);
    ASSERT_TRUE(controller->saveDocument(document)) << prompter->errors.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(prompter->suggestedSavePaths.size(), 1);
    EXPECT_EQ(QFileInfo(prompter->suggestedSavePaths.front()).fileName(), QStringLiteral("plan.scrivane"));
    EXPECT_EQ(document->fileName(), package);
    QFile file(dxf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), drawing);

    // A file that is no drawing is refused with the reason.
    const QString letter = pathIn(QStringLiteral("letter.dxf"));
    QFile prose(letter);
    ASSERT_TRUE(prose.open(QIODevice::WriteOnly));
    prose.write("Dear reader,\nthis is no drawing.\n");
    prose.close();
    prompter->errors.clear();
    EXPECT_EQ(controller->openDocument(letter), nullptr);
    ASSERT_EQ(prompter->errors.size(), 2);
    EXPECT_TRUE(prompter->errors[1].contains(QStringLiteral("group code")));
}

TEST_F(MachineryTest, ImportMenuPlacesTheChosenFiles)
{
    TDDocument *document = controller->newDocument();
    TDDocumentWindow *window = controller->windowForDocument(document);
    QImage image(8, 6, QImage::Format_ARGB32);
    image.fill(Qt::green);
    const QString png = pathIn(QStringLiteral("leaf.png"));
    ASSERT_TRUE(image.save(png));
    prompter->importAnswers.push_back({png, png});
    window->action(QStringLiteral("import"))->trigger();
    EXPECT_TRUE(prompter->importExtensions.contains(QStringLiteral("svg")));
    EXPECT_TRUE(prompter->importExtensions.contains(QStringLiteral("pdf")));
    ASSERT_EQ(graphicCount(document), 2u);
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_FALSE(window->action(QStringLiteral("parsePDF"))->isEnabled()) << "a bitmap is no PDF";
    // Cancelling adds nothing.
    window->action(QStringLiteral("import"))->trigger();
    EXPECT_EQ(graphicCount(document), 2u);
}
