#include "AppTestSupport.h"

#include "TestEnvironment.h"
#include "model/TDGroup.h"
#include "model/TDRectangle.h"
#include "platform/UserDefaults.h"

#include <QDir>

namespace scrivane::apptest {

TDPrompter::SaveChangesAnswer ScriptedPrompter::askToSaveChanges(QWidget *, const QString &displayName)
{
    saveChangesAsked << displayName;
    if (saveChangesAnswers.empty())
        return SaveChangesAnswer::Cancel;
    const SaveChangesAnswer answer = saveChangesAnswers.front();
    saveChangesAnswers.pop_front();
    return answer;
}

bool ScriptedPrompter::askToRevert(QWidget *, const QString &)
{
    ++revertsAsked;
    if (revertAnswers.empty())
        return false;
    const bool answer = revertAnswers.front();
    revertAnswers.pop_front();
    return answer;
}

QStringList ScriptedPrompter::chooseDocumentsToOpen(QWidget *, const QString &)
{
    if (openAnswers.empty())
        return {};
    QStringList answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

QStringList ScriptedPrompter::chooseFilesToImport(QWidget *, const QString &, const QStringList &extensions)
{
    importExtensions = extensions;
    if (importAnswers.empty())
        return {};
    QStringList answer = importAnswers.front();
    importAnswers.pop_front();
    return answer;
}

QString ScriptedPrompter::chooseSavePath(QWidget *, const QString &suggestedPath)
{
    suggestedSavePaths << suggestedPath;
    if (savePathAnswers.empty())
        return {};
    QString answer = savePathAnswers.front();
    savePathAnswers.pop_front();
    return answer;
}

QString ScriptedPrompter::chooseExportPath(QWidget *, const QString &, TDExportPane *,
                                           const std::function<QStringList()> &formatChanged)
{
    exportExtensions = formatChanged();
    if (exportPathAnswers.empty())
        return {};
    QString answer = exportPathAnswers.front();
    exportPathAnswers.pop_front();
    return answer;
}

TDPrompter::RecoverAnswer ScriptedPrompter::askToRecoverDocument(const QString &displayName, const QString &,
                                                                 const QDateTime &)
{
    recoveriesAsked << displayName;
    if (recoverAnswers.empty())
        return RecoverAnswer::Later;
    const RecoverAnswer answer = recoverAnswers.front();
    recoverAnswers.pop_front();
    return answer;
}

void ScriptedPrompter::showError(QWidget *, const QString &message, const QString &details)
{
    errors << message << details;
}

AppFixture::AppFixture() : folder(QString::fromStdString(test::temporaryFolder()))
{
    // Autosaved copies of one test never meet another's.
    qputenv("XDG_DATA_HOME", QDir(folder).filePath(QStringLiteral("data")).toUtf8());
    UserDefaults::standard().removeObject(TDDocumentController::RecentDocumentsKey);
    delegate = std::make_unique<TDAppDelegate>();
    auto scripted = std::make_unique<ScriptedPrompter>();
    prompter = scripted.get();
    controller = std::make_unique<TDDocumentController>(std::move(scripted));
    delegate->applicationWillFinishLaunching();
}

AppFixture::~AppFixture()
{
    controller.reset();
    delegate.reset();
    UserDefaults::standard().removeObject(TDDocumentController::RecentDocumentsKey);
}

std::shared_ptr<TDGraphic> addRectangleAsOneStep(TDDocument *document, const Rect &rect)
{
    auto rectangle = std::make_shared<TDRectangle>();
    rectangle->setInitialTransformation(TDGraphic::transformForBounds(rect));
    document->addGraphic(rectangle);
    document->undoManager()->eventHandled();
    return rectangle;
}

std::shared_ptr<TDGraphic> AppFixture::addRectangle(TDDocument *document, const Rect &rect)
{
    return addRectangleAsOneStep(document, rect);
}

size_t AppFixture::graphicCount(const TDDocument *document)
{
    return document->currentLayer()->graphics().size();
}

QString AppFixture::pathIn(const QString &name) const
{
    return QDir(folder).filePath(name);
}

} // namespace scrivane::apptest
