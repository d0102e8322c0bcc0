#pragma once

#include "app/TDPrompter.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <map>
#include <memory>
#include <vector>

class QWidget;

namespace scrivane {

class Link;
class TDAutosavedCopy;
class TDDocument;
class TDDocumentWindow;
class TDPrompter;

// The document machinery: makes and opens documents, each in its own
// window, saves them (asking for a name when they have none), reverts,
// closes them with a question about unsaved changes, quits with all of
// them, keeps the list of recent documents and autosaves.  One exists while
// the program runs.
class TDDocumentController : public QObject {
    Q_OBJECT
public:
    // The extension of the current document packages, and of the older ones.
    static const QString PackageExtension;
    static const QString OlderPackageExtension;
    static QStringList packageExtensions();
    // Extensions of plain files that open as documents (DXF drawings).
    static QStringList documentFileExtensions() { return {QStringLiteral("dxf")}; }
    // How many documents the recent list keeps.
    static constexpr int MaximumRecentDocuments = 10;
    // The defaults key of the recent list (newest first).
    static const QString RecentDocumentsKey;

    // Without a prompter, questions are asked with dialogs.
    explicit TDDocumentController(std::unique_ptr<TDPrompter> prompter = nullptr, QObject *parent = nullptr);
    ~TDDocumentController() override;

    // The controller of the running program, or null.
    static TDDocumentController *shared();

    TDPrompter &prompter() const { return *m_prompter; }
    void setPrompter(std::unique_ptr<TDPrompter> prompter);

    // --- Documents --------------------------------------------------------------
    std::vector<TDDocument *> documents() const;
    std::vector<TDDocumentWindow *> windows() const;
    TDDocumentWindow *windowForDocument(const TDDocument *document) const;
    // The document of the active window, else of the window last active.
    TDDocument *currentDocument() const;
    TDDocument *documentForPath(const QString &path) const;
    // The document type a path opens as ("Scrivane Document", "Verdane
    // Document" or "dxf").
    static QString typeForPath(const QString &path);

    // A new untitled document in its own window.
    TDDocument *newDocument();
    // A document in its own window that edits the item of an embedding
    // link; saving it sends the item back.
    TDDocument *openLinkedDocument(const std::shared_ptr<Link> &link);
    // The document that edits the item of the link, or null.
    TDDocument *documentForLink(const Link *link) const;
    // Opens the package (or brings its window to the front when it is open
    // already); on failure the user is told why and nothing is returned.
    TDDocument *openDocument(const QString &path);
    // Asks for packages and opens them.
    void openDocumentWithDialog();

    // Saves in place; asks for a name first when the document has none or
    // must be saved under a new one; a document editing a linked item sends
    // it back instead.  False when it was not saved.
    bool saveDocument(TDDocument *document);
    bool saveDocumentAs(TDDocument *document);
    // Asks, then reads the saved package again.
    bool revertDocument(TDDocument *document);
    // Asks for pictures and drawings and places them in the document.
    // Answers how many files added something.
    int importFiles(TDDocument *document);
    // Asks for the export file with the export accessory and writes it.
    bool exportDocument(TDDocument *document);
    // Closes the document's window; false when the user cancelled.
    bool closeDocument(TDDocument *document);
    // For closing: true when the document may go (saved, or its changes
    // dropped by the user).
    bool canCloseDocument(TDDocument *document);
    // Closes every window, asking for each; false when one was kept.
    bool closeAllDocuments();
    // Closes everything and ends the program; nothing when a document was
    // kept.
    void terminate();

    // --- Recent documents -----------------------------------------------------------
    QStringList recentDocuments() const;
    void noteNewRecentDocument(const QString &path);
    void removeRecentDocument(const QString &path);
    void clearRecentDocuments();

    // --- Autosave --------------------------------------------------------------------------
    // Seconds between autosaves; 0 turns autosaving off.
    void setAutosavingDelay(int seconds);
    int autosavingDelay() const { return m_autosaveDelay; }
    // Writes the autosaved copy of every document with changes not yet
    // autosaved.
    void autosaveDocuments();
    // Where the documents' autosaved copies go: a folder of the user's
    // data; each copy has a name of its own.
    static QString autosaveFolder();
    // Offers back, one by one, the copies that sessions which ended without
    // closing their documents left in the autosave folder: a restored copy
    // opens as the document it is a copy of, with its changes unsaved; a
    // discarded one is deleted.  Answers how many documents were restored.
    int recoverAutosavedDocuments();

    // --- Application-wide ------------------------------------------------------------------
    // After each input event the application handled: each document's undo
    // group for the event closes, and the windows' menus follow.
    void inputEventHandled();
    // Re-centres every canvas, keeping what it shows in view.
    void recenterCanvases();

    // Called by a window that has closed.
    void windowDidClose(TDDocumentWindow *window);
    void windowDidBecomeActive(TDDocumentWindow *window);

Q_SIGNALS:
    void recentDocumentsChanged();
    void documentsChanged();

private:
    // `copy` is where the document autosaves (a new place when null).
    TDDocumentWindow *addWindow(std::unique_ptr<TDDocument> document,
                                std::unique_ptr<TDAutosavedCopy> copy = nullptr);
    void showError(TDDocument *document, const QString &message, const QString &details);
    QWidget *windowWidget(TDDocument *document) const;
    void documentWasSaved(TDDocument *document);
    void removeAutosavedCopy(TDDocument *document);
    QString suggestedSavePath(TDDocument *document) const;

    std::unique_ptr<TDPrompter> m_prompter;
    std::vector<QPointer<TDDocumentWindow>> m_windows;
    QPointer<TDDocumentWindow> m_lastActive;
    QTimer m_autosaveTimer;
    int m_autosaveDelay = 0;
    QString m_lastDirectory;
    std::map<const TDDocument *, std::unique_ptr<TDAutosavedCopy>> m_autosavedCopies;
};

} // namespace scrivane
