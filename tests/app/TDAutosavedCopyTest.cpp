// Autosaved copies and crash recovery: a session that ends without closing
// its documents (a crash, kill -9) leaves their copies, which the next start
// offers back; saving or closing a document takes its copy away, and a
// running session's copies are never offered to another.

#include "AppTestSupport.h"

#include "app/TDAutosavedCopy.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <cstdio>

using namespace scrivane;
using namespace scrivane::apptest;

namespace {

using Answer = TDPrompter::RecoverAnswer;

const char *const HelperVariable = "SCRIVANE_AUTOSAVE_CRASH_HELPER";

class RecoveryTest : public AppFixture {
protected:
    // Copies in the autosave folder, by package name.
    QStringList copiesOnDisk() const
    {
        return QDir(TDDocumentController::autosaveFolder())
            .entryList({QStringLiteral("*.") + TDAutosavedCopy::CopyExtension}, QDir::Dirs);
    }

    // A saved document with one rectangle and an unsaved second, autosaved.
    TDDocument *autosavedDocument(const QString &name)
    {
        TDDocument *document = controller->newDocument();
        addRectangle(document, Rect(10, 10, 40, 30));
        prompter->savePathAnswers.push_back(pathIn(name));
        EXPECT_TRUE(controller->saveDocument(document));
        addRectangle(document, Rect(60, 10, 40, 30));
        controller->autosaveDocuments();
        EXPECT_TRUE(QFileInfo(document->autosavedContentsFileName()).isDir());
        return document;
    }

    // The controller of a new session over the same folders; the old one's
    // windows go without being closed, as at a crash (their copies stay,
    // their locks are let go).
    void restart()
    {
        controller.reset();
        auto scripted = std::make_unique<ScriptedPrompter>();
        prompter = scripted.get();
        controller = std::make_unique<TDDocumentController>(std::move(scripted));
    }
};

} // namespace

// Run by the next test in a process of its own, which it kills.
TEST(AutosaveCrashHelper, EditsAutosavesAndWaitsToBeKilled)
{
    if (qEnvironmentVariableIsEmpty(HelperVariable))
        GTEST_SKIP() << "run by ACrashedSessionsCopyIsOfferedAtTheNextStart";
    const QString saved = qEnvironmentVariable(HelperVariable);
    auto prompter = std::make_unique<ScriptedPrompter>();
    prompter->savePathAnswers.push_back(saved);
    TDDocumentController controller(std::move(prompter));
    TDDocument *document = controller.newDocument();
    addRectangleAsOneStep(document, Rect(10, 10, 40, 30));
    ASSERT_TRUE(controller.saveDocument(document));
    addRectangleAsOneStep(document, Rect(60, 10, 40, 30));
    controller.autosaveDocuments();
    std::printf("autosaved\n");
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

TEST_F(RecoveryTest, ACrashedSessionsCopyIsOfferedAtTheNextStart)
{
    const QString saved = pathIn(QStringLiteral("Crashed.scrivane"));
    QProcess session;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(HelperVariable), saved);
    environment.insert(QStringLiteral("XDG_DATA_HOME"), qEnvironmentVariable("XDG_DATA_HOME"));
    session.setProcessEnvironment(environment);
    session.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--gtest_filter=AutosaveCrashHelper.*")});
    ASSERT_TRUE(session.waitForStarted());
    QByteArray output;
    while (!output.contains("autosaved") && session.waitForReadyRead(60000))
        output += session.readAllStandardOutput();
    ASSERT_TRUE(output.contains("autosaved")) << output.toStdString()
                                              << session.readAllStandardError().toStdString();

    // While that session runs, its copy is its own.
    EXPECT_EQ(controller->recoverAutosavedDocuments(), 0);
    EXPECT_TRUE(prompter->recoveriesAsked.isEmpty());

    session.kill();
    ASSERT_TRUE(session.waitForFinished());
    ASSERT_EQ(copiesOnDisk().size(), 1);

    // The next start offers it; restored, it is the saved document with the
    // change made after the save, not yet saved.
    prompter->recoverAnswers.push_back(Answer::Restore);
    EXPECT_EQ(controller->recoverAutosavedDocuments(), 1);
    EXPECT_EQ(prompter->recoveriesAsked, QStringList{QStringLiteral("Crashed")});
    ASSERT_EQ(controller->documents().size(), 1u);
    TDDocument *restored = controller->documents().front();
    EXPECT_EQ(restored->fileName(), saved);
    EXPECT_EQ(graphicCount(restored), 2u);
    EXPECT_TRUE(restored->isDocumentEdited());
    EXPECT_TRUE(controller->windowForDocument(restored)->isWindowModified());

    // Saved, it is the file; closed, nothing is left to offer.
    ASSERT_TRUE(controller->saveDocument(restored));
    TDDocument check;
    ASSERT_TRUE(check.readFromFile(saved, TDDocument::ScrivaneType));
    EXPECT_EQ(graphicCount(&check), 2u);
    EXPECT_TRUE(copiesOnDisk().isEmpty());
    ASSERT_TRUE(controller->closeDocument(restored));
    EXPECT_EQ(controller->recoverAutosavedDocuments(), 0);
    EXPECT_EQ(prompter->recoveriesAsked.size(), 1);
}

TEST_F(RecoveryTest, EachAnswerToAnAbandonedCopy)
{
    struct Case {
        const char *name;
        Answer answer;
        size_t documents;
        int copiesLeft;
    };
    const Case cases[] = {
        {"restore", Answer::Restore, 1, 1},
        {"discard deletes it", Answer::Discard, 0, 0},
        {"later keeps it for the next start", Answer::Later, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        autosavedDocument(QStringLiteral("%1.scrivane").arg(QString::fromLatin1(c.name).section(QLatin1Char(' '), 0, 0)));
        restart();
        ASSERT_EQ(copiesOnDisk().size(), 1);
        prompter->recoverAnswers.push_back(c.answer);
        EXPECT_EQ(controller->recoverAutosavedDocuments(), int(c.documents));
        EXPECT_EQ(prompter->recoveriesAsked.size(), 1);
        EXPECT_EQ(controller->documents().size(), c.documents);
        EXPECT_EQ(copiesOnDisk().size(), c.copiesLeft);
        // Whatever is left is cleared for the next case.
        for (TDDocument *document : controller->documents()) {
            prompter->saveChangesAnswers.push_back(TDPrompter::SaveChangesAnswer::DontSave);
            controller->closeDocument(document);
        }
        prompter->recoverAnswers.push_back(Answer::Discard);
        controller->recoverAutosavedDocuments();
        EXPECT_TRUE(copiesOnDisk().isEmpty());
    }
}

TEST_F(RecoveryTest, SavingOrClosingADocumentTakesItsCopyAway)
{
    // Saved: the copy goes, the next autosave makes it again.
    TDDocument *document = autosavedDocument(QStringLiteral("Saved.scrivane"));
    ASSERT_EQ(copiesOnDisk().size(), 1);
    ASSERT_TRUE(controller->saveDocument(document));
    EXPECT_TRUE(copiesOnDisk().isEmpty());
    addRectangle(document, Rect(0, 0, 5, 5));
    controller->autosaveDocuments();
    EXPECT_EQ(copiesOnDisk().size(), 1);

    // Closed without saving: the copy goes too; nothing is left to offer.
    prompter->saveChangesAnswers.push_back(TDPrompter::SaveChangesAnswer::DontSave);
    ASSERT_TRUE(controller->closeDocument(document));
    EXPECT_TRUE(copiesOnDisk().isEmpty());
    EXPECT_TRUE(QDir(TDDocumentController::autosaveFolder()).entryList(QDir::Files).isEmpty());
    restart();
    EXPECT_EQ(controller->recoverAutosavedDocuments(), 0);
    EXPECT_TRUE(prompter->recoveriesAsked.isEmpty());
}

TEST_F(RecoveryTest, CopiesHaveNamesOfTheirOwnInTheUsersDataFolder)
{
    TDDocument *first = controller->newDocument();
    TDDocument *second = controller->newDocument();
    EXPECT_NE(first->autosavedContentsFileName(), second->autosavedContentsFileName());
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    EXPECT_TRUE(first->autosavedContentsFileName().startsWith(data)) << first->autosavedContentsFileName().toStdString();
    // An untitled document restored is untitled again, and asks for a name.
    addRectangle(first, Rect(0, 0, 5, 5));
    controller->autosaveDocuments();
    restart();
    prompter->recoverAnswers.push_back(Answer::Restore);
    ASSERT_EQ(controller->recoverAutosavedDocuments(), 1);
    TDDocument *restored = controller->documents().front();
    EXPECT_TRUE(restored->fileName().isEmpty());
    EXPECT_EQ(prompter->recoveriesAsked, QStringList{QStringLiteral("Untitled")});
    EXPECT_TRUE(restored->isDocumentEdited());
    prompter->savePathAnswers.push_back(pathIn(QStringLiteral("Named.scrivane")));
    ASSERT_TRUE(controller->saveDocument(restored));
    EXPECT_EQ(prompter->suggestedSavePaths.size(), 1);
}
