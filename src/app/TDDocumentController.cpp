#include "app/TDDocumentController.h"

#include "app/TDAppDelegate.h"
#include "app/TDAutosavedCopy.h"
#include "app/TDDialogPrompter.h"
#include "app/TDDocumentWindow.h"
#include "app/TDExportPane.h"
#include "app/TDInspectorController.h"
#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace scrivane {

const QString TDDocumentController::PackageExtension = QStringLiteral("scrivane");
const QString TDDocumentController::OlderPackageExtension = QStringLiteral("verdane");
const QString TDDocumentController::RecentDocumentsKey = QStringLiteral("RecentDocuments");

namespace {
TDDocumentController *g_shared = nullptr;

QString canonical(const QString &path)
{
    const QFileInfo info(path);
    const QString resolved = info.canonicalFilePath();
    return resolved.isEmpty() ? info.absoluteFilePath() : resolved;
}
} // namespace

TDDocumentController::TDDocumentController(std::unique_ptr<TDPrompter> prompter, QObject *parent)
    : QObject(parent), m_prompter(prompter ? std::move(prompter) : std::make_unique<TDDialogPrompter>())
{
    g_shared = this;
    connect(&m_autosaveTimer, &QTimer::timeout, this, &TDDocumentController::autosaveDocuments);
}

TDDocumentController::~TDDocumentController()
{
    m_autosaveTimer.stop();
    // Windows own their documents; whatever is left goes now.
    for (const auto &window : m_windows)
        delete window.data();
    m_windows.clear();
    if (g_shared == this)
        g_shared = nullptr;
}

TDDocumentController *TDDocumentController::shared()
{
    return g_shared;
}

QStringList TDDocumentController::packageExtensions()
{
    return {PackageExtension, OlderPackageExtension};
}

void TDDocumentController::setPrompter(std::unique_ptr<TDPrompter> prompter)
{
    if (prompter)
        m_prompter = std::move(prompter);
}

// --- Documents -----------------------------------------------------------------------

std::vector<TDDocumentWindow *> TDDocumentController::windows() const
{
    std::vector<TDDocumentWindow *> result;
    for (const auto &window : m_windows)
        if (window)
            result.push_back(window.data());
    return result;
}

std::vector<TDDocument *> TDDocumentController::documents() const
{
    std::vector<TDDocument *> result;
    for (TDDocumentWindow *window : windows())
        result.push_back(window->document());
    return result;
}

TDDocumentWindow *TDDocumentController::windowForDocument(const TDDocument *document) const
{
    for (TDDocumentWindow *window : windows())
        if (window->document() == document)
            return window;
    return nullptr;
}

TDDocument *TDDocumentController::currentDocument() const
{
    if (auto *active = qobject_cast<TDDocumentWindow *>(QApplication::activeWindow()))
        return active->document();
    if (m_lastActive)
        return m_lastActive->document();
    const auto all = windows();
    return all.empty() ? nullptr : all.back()->document();
}

TDDocument *TDDocumentController::documentForPath(const QString &path) const
{
    const QString wanted = canonical(path);
    for (TDDocument *document : documents())
        if (!document->fileName().isEmpty() && canonical(document->fileName()) == wanted)
            return document;
    return nullptr;
}

QString TDDocumentController::typeForPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == OlderPackageExtension)
        return TDDocument::VerdaneType;
    if (suffix == QStringLiteral("dxf"))
        return TDDocument::DxfType;
    return TDDocument::ScrivaneType;
}

TDDocumentWindow *TDDocumentController::addWindow(std::unique_ptr<TDDocument> document,
                                                  std::unique_ptr<TDAutosavedCopy> copy)
{
    // Every document autosaves to a copy of its own.
    if (!copy) {
        QString error;
        copy = TDAutosavedCopy::create(autosaveFolder(), &error);
        if (!copy)
            qWarning().noquote() << QStringLiteral("The document “%1” will not be autosaved: %2")
                                        .arg(document->displayName(), error);
    }
    if (copy) {
        document->setAutosavedContentsFileName(copy->packagePath());
        m_autosavedCopies[document.get()] = std::move(copy);
    }
    auto *window = new TDDocumentWindow(std::move(document), this);
    m_windows.push_back(window);
    window->windowControllerDidLoadNib();
    window->show();
    Q_EMIT documentsChanged();
    return window;
}

TDDocument *TDDocumentController::newDocument()
{
    return addWindow(std::make_unique<TDDocument>())->document();
}

TDDocument *TDDocumentController::openLinkedDocument(const std::shared_ptr<Link> &link)
{
    if (!link)
        return nullptr;
    return addWindow(TDDocument::withLink(link))->document();
}

TDDocument *TDDocumentController::documentForLink(const Link *link) const
{
    for (TDDocument *document : documents())
        if (link && document->link().get() == link)
            return document;
    return nullptr;
}

TDDocument *TDDocumentController::openDocument(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (TDDocument *open = documentForPath(absolute)) {
        TDDocumentWindow *window = windowForDocument(open);
        window->raise();
        window->activateWindow();
        noteNewRecentDocument(absolute);
        return open;
    }
    auto document = std::make_unique<TDDocument>();
    if (!document->readFromFile(absolute, typeForPath(absolute))) {
        m_prompter->showError(windowWidget(currentDocument()),
                              QStringLiteral("The document “%1” could not be opened.")
                                  .arg(QFileInfo(absolute).fileName()),
                              document->lastError());
        removeRecentDocument(absolute);
        return nullptr;
    }
    m_lastDirectory = QFileInfo(absolute).absolutePath();
    noteNewRecentDocument(absolute);
    TDDocument *opened = addWindow(std::move(document))->document();
    // Objects this program cannot build are not shown, and a save over the
    // original could lose them: the user hears of it once per document,
    // and the next save asks for a new name.
    if (opened->docHasWarnedAboutCI())
        m_prompter->showError(windowWidget(opened),
                              QStringLiteral("Parts of “%1” cannot be shown.").arg(opened->displayName()),
                              QStringLiteral("The document contains effects or objects that this version of "
                                             "Scrivane cannot read. It is shown without them; saving asks for a "
                                             "new name, so that the original file keeps them."));
    return opened;
}

void TDDocumentController::openDocumentWithDialog()
{
    QString directory = m_lastDirectory;
    if (directory.isEmpty())
        directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    for (const QString &path : m_prompter->chooseDocumentsToOpen(windowWidget(currentDocument()), directory))
        openDocument(path);
}

QWidget *TDDocumentController::windowWidget(TDDocument *document) const
{
    return document ? windowForDocument(document) : nullptr;
}

void TDDocumentController::showError(TDDocument *document, const QString &message, const QString &details)
{
    m_prompter->showError(windowWidget(document), message, details);
}

// --- Saving ------------------------------------------------------------------------------

QString TDDocumentController::suggestedSavePath(TDDocument *document) const
{
    if (!document->needsSaveName())
        return document->fileName();
    QString folder = !document->fileName().isEmpty() ? QFileInfo(document->fileName()).absolutePath()
                                                      : m_lastDirectory;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir(folder).filePath(document->displayName() + QLatin1Char('.') + PackageExtension);
}

bool TDDocumentController::saveDocument(TDDocument *document)
{
    if (!document)
        return false;
    if (document->link())
        return document->saveLink() || !document->isDocumentEdited();
    if (document->needsSaveName())
        return saveDocumentAs(document);
    if (TDDocumentWindow *window = windowForDocument(document))
        window->saveWindowState();
    bool saved = document->saveDocument();
    if (!saved && document->lastSaveFoundFileChanged()) {
        // Someone else's file stands where the drawing was: the user says
        // whether it may be replaced.
        switch (m_prompter->askAboutChangedFile(windowWidget(document), document->displayName())) {
        case TDPrompter::ChangedFileAnswer::SaveAnyway:
            saved = document->saveDocument(TDDocumentBase::ChangedFile::Overwrite);
            break;
        case TDPrompter::ChangedFileAnswer::SaveAs:
            return saveDocumentAs(document);
        case TDPrompter::ChangedFileAnswer::Cancel:
            return false;
        }
    }
    if (!saved) {
        showError(document, QStringLiteral("The document “%1” could not be saved.").arg(document->displayName()),
                  document->lastError());
        return false;
    }
    documentWasSaved(document);
    return true;
}

bool TDDocumentController::saveDocumentAs(TDDocument *document)
{
    if (!document)
        return false;
    const QString path = m_prompter->chooseSavePath(windowWidget(document), suggestedSavePath(document));
    if (path.isEmpty())
        return false;
    // Another open document is kept at that path: it would be replaced
    // behind its window's back.
    if (TDDocument *other = documentForPath(path); other && other != document) {
        showError(document, QStringLiteral("The document “%1” could not be saved.").arg(document->displayName()),
                  QStringLiteral("“%1” is open in another window.").arg(QFileInfo(path).fileName()));
        return false;
    }
    if (TDDocumentWindow *window = windowForDocument(document))
        window->saveWindowState();
    if (!document->saveDocumentAs(path, TDDocument::ScrivaneType)) {
        showError(document,
                  QStringLiteral("The document “%1” could not be saved as “%2”.")
                      .arg(document->displayName(), QFileInfo(path).fileName()),
                  document->lastError());
        return false;
    }
    m_lastDirectory = QFileInfo(path).absolutePath();
    documentWasSaved(document);
    return true;
}

void TDDocumentController::documentWasSaved(TDDocument *document)
{
    noteNewRecentDocument(document->fileName());
    removeAutosavedCopy(document);
    if (TDDocumentWindow *window = windowForDocument(document))
        window->documentStateChanged();
}

bool TDDocumentController::revertDocument(TDDocument *document)
{
    if (!document || document->fileName().isEmpty())
        return false;
    if (!m_prompter->askToRevert(windowWidget(document), document->displayName()))
        return false;
    if (!document->revertDocumentToSaved()) {
        showError(document,
                  QStringLiteral("The document “%1” could not be reverted.").arg(document->displayName()),
                  document->lastError());
        return false;
    }
    removeAutosavedCopy(document);
    if (TDDocumentWindow *window = windowForDocument(document))
        window->documentReloaded();
    return true;
}

int TDDocumentController::importFiles(TDDocument *document)
{
    TDDocumentWindow *window = windowForDocument(document);
    if (!window)
        return 0;
    QString folder = m_lastDirectory;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QStringList paths = m_prompter->chooseFilesToImport(window, folder, TDGraphicView::importFileTypes());
    if (paths.isEmpty())
        return 0;
    m_lastDirectory = QFileInfo(paths.first()).absolutePath();
    const int added = window->graphicView()->importFiles(paths);
    window->documentStateChanged();
    return added;
}

bool TDDocumentController::exportDocument(TDDocument *document)
{
    TDAppDelegate *delegate = TDAppDelegate::shared();
    TDDocumentWindow *window = windowForDocument(document);
    if (!document || !delegate || !window)
        return false;
    TDExportPane *pane = delegate->exportPane();
    delegate->enableSelectionBounds(!window->graphicView()->selection().empty());
    QString folder = document->fileName().isEmpty() ? m_lastDirectory
                                                    : QFileInfo(document->fileName()).absolutePath();
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = m_prompter->chooseExportPath(window, QDir(folder).filePath(document->displayName()), pane,
                                                      [document] { return document->exportFormat(); });
    if (path.isEmpty())
        return false;
    if (!document->exportPanelDidEnd(path, true)) {
        showError(document, QStringLiteral("The drawing could not be exported."), document->lastError());
        return false;
    }
    return true;
}

// --- Closing --------------------------------------------------------------------------

bool TDDocumentController::canCloseDocument(TDDocument *document)
{
    if (!document || !document->isDocumentEdited())
        return true;
    if (TDDocumentWindow *window = windowForDocument(document)) {
        window->raise();
        window->activateWindow();
    }
    switch (m_prompter->askToSaveChanges(windowWidget(document), document->displayName())) {
    case TDPrompter::SaveChangesAnswer::Save:
        return saveDocument(document);
    case TDPrompter::SaveChangesAnswer::DontSave:
        return true;
    case TDPrompter::SaveChangesAnswer::Cancel:
        break;
    }
    return false;
}

bool TDDocumentController::closeDocument(TDDocument *document)
{
    TDDocumentWindow *window = windowForDocument(document);
    return window && window->close();
}

bool TDDocumentController::closeAllDocuments()
{
    // The active window first, as the user sees it.
    std::vector<TDDocumentWindow *> all = windows();
    if (auto *active = qobject_cast<TDDocumentWindow *>(QApplication::activeWindow())) {
        const auto it = std::find(all.begin(), all.end(), active);
        if (it != all.end())
            std::rotate(all.begin(), it, it + 1);
    }
    for (TDDocumentWindow *window : all) {
        if (!window->close())
            return false;
    }
    return true;
}

void TDDocumentController::terminate()
{
    if (!closeAllDocuments())
        return;
    QCoreApplication::quit();
}

void TDDocumentController::windowDidClose(TDDocumentWindow *window)
{
    // Closed cleanly: nothing is left to offer back.
    if (const auto found = m_autosavedCopies.find(window->document()); found != m_autosavedCopies.end()) {
        found->second->discard();
        m_autosavedCopies.erase(found);
    }
    std::erase_if(m_windows, [window](const QPointer<TDDocumentWindow> &w) { return w.isNull() || w == window; });
    if (m_lastActive == window)
        m_lastActive = nullptr;
    // The inspector lets go of the canvas before the window goes.
    if (TDInspectorController *inspector = TDInspectorController::shared();
        inspector && inspector->inspectingView() == window->graphicView())
        inspector->setMainWindow(nullptr);
    window->deleteLater();
    Q_EMIT documentsChanged();
}

void TDDocumentController::windowDidBecomeActive(TDDocumentWindow *window)
{
    m_lastActive = window;
    if (TDInspectorController *inspector = TDInspectorController::shared())
        inspector->setMainWindow(window);
}

// --- Recent documents ---------------------------------------------------------------------------

QStringList TDDocumentController::recentDocuments() const
{
    return UserDefaults::standard().object(RecentDocumentsKey).toStringList();
}

void TDDocumentController::noteNewRecentDocument(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = recentDocuments();
    list.removeAll(absolute);
    list.prepend(absolute);
    while (list.size() > MaximumRecentDocuments)
        list.removeLast();
    UserDefaults::standard().setObject(RecentDocumentsKey, list);
    Q_EMIT recentDocumentsChanged();
}

void TDDocumentController::removeRecentDocument(const QString &path)
{
    QStringList list = recentDocuments();
    if (list.removeAll(QFileInfo(path).absoluteFilePath()) == 0)
        return;
    UserDefaults::standard().setObject(RecentDocumentsKey, list);
    Q_EMIT recentDocumentsChanged();
}

void TDDocumentController::clearRecentDocuments()
{
    UserDefaults::standard().removeObject(RecentDocumentsKey);
    Q_EMIT recentDocumentsChanged();
}

// --- Autosave ---------------------------------------------------------------------------------

QString TDDocumentController::autosaveFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("Autosave Information"));
}

void TDDocumentController::setAutosavingDelay(int seconds)
{
    m_autosaveDelay = std::max(0, seconds);
    if (m_autosaveDelay == 0) {
        m_autosaveTimer.stop();
        return;
    }
    m_autosaveTimer.start(m_autosaveDelay * 1000);
}

void TDDocumentController::autosaveDocuments()
{
    for (TDDocument *document : documents()) {
        const auto found = m_autosavedCopies.find(document);
        if (!document->hasUnautosavedChanges() || found == m_autosavedCopies.end())
            continue;
        // The record first: a copy found after a crash must say whose it is.
        QString error;
        if (!found->second->writeRecord({document->fileName(), document->displayName(), document->fileType(),
                                         QDateTime::currentDateTimeUtc(), document->fileIdentity()},
                                        &error) ||
            !document->autosaveDocument())
            qWarning().noquote() << QStringLiteral("The document “%1” could not be autosaved: %2")
                                        .arg(document->displayName(),
                                             error.isEmpty() ? document->lastError() : error);
    }
}

void TDDocumentController::removeAutosavedCopy(TDDocument *document)
{
    if (const auto found = m_autosavedCopies.find(document); found != m_autosavedCopies.end())
        found->second->removeContents();
}

int TDDocumentController::recoverAutosavedDocuments()
{
    int restored = 0;
    for (std::unique_ptr<TDAutosavedCopy> &copy : TDAutosavedCopy::abandoned(autosaveFolder())) {
        const std::optional<TDAutosavedCopy::Record> record = copy->record();
        const QString fileName = record ? record->fileName : QString();
        QString name = record ? record->displayName : QString();
        if (name.isEmpty())
            name = fileName.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(fileName).completeBaseName();
        const QDateTime saved = record && record->saved.isValid() ? record->saved
                                                                  : QFileInfo(copy->packagePath()).lastModified();
        switch (m_prompter->askToRecoverDocument(name, fileName, saved)) {
        case TDPrompter::RecoverAnswer::Restore: {
            QString type = record ? record->fileType : QString();
            if (type.isEmpty() && !fileName.isEmpty())
                type = typeForPath(fileName);
            auto document = std::make_unique<TDDocument>();
            // The copy is in the current format, whatever the document's.
            if (!document->readFromAutosavedFile(copy->packagePath(), TDDocument::ScrivaneType, fileName, type,
                                                 record ? record->original : std::nullopt)) {
                // Kept: it may still be read by other means.
                showError(nullptr, QStringLiteral("The autosaved copy of “%1” could not be restored.").arg(name),
                          document->lastError());
                break;
            }
            addWindow(std::move(document), std::move(copy));
            ++restored;
            break;
        }
        case TDPrompter::RecoverAnswer::Discard:
            copy->discard();
            break;
        case TDPrompter::RecoverAnswer::Later:
            break;
        }
    }
    return restored;
}

// --- Application-wide --------------------------------------------------------------------------

void TDDocumentController::inputEventHandled()
{
    for (TDDocumentWindow *window : windows())
        window->inputEventHandled();
}

void TDDocumentController::recenterCanvases()
{
    for (TDDocumentWindow *window : windows()) {
        TDGraphicView *view = window->graphicView();
        const Rect visible = view->visibleRect();
        view->calculateSize();
        view->scrollRectToVisible(visible);
    }
}

} // namespace scrivane
