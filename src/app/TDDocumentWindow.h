#pragma once

#include "canvas/TDGraphicView.h"
#include "platform/Geometry.h"
#include "platform/NotificationCenter.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QMenu;

namespace scrivane {

class ScalingScrollView;
class TDDocument;
class TDDocumentController;
class TDDocumentToolbar;
class TDToolbarCustomizeDialog;
class TDGraphicView;

// The window of one document: the canvas in its scaling scroll view, the
// document toolbar with the tool strip, a status line for the canvas's
// hints, and the menus.  The window owns its document (the canvas lets go
// of it first).  Closing it asks the document controller, which asks the
// user about unsaved changes.
class TDDocumentWindow : public QMainWindow {
    Q_OBJECT
public:
    TDDocumentWindow(std::unique_ptr<TDDocument> document, TDDocumentController *controller);
    ~TDDocumentWindow() override;

    TDDocument *document() const { return m_document.get(); }
    TDGraphicView *graphicView() const { return m_graphicView; }
    ScalingScrollView *scrollView() const { return m_scrollView; }
    TDDocumentToolbar *documentToolbar() const { return m_toolbar; }
    QLabel *statusField() const { return m_statusField; }

    // The window has been made for its document: the toolbar, the window
    // state saved for this user (or a frame around the page), the guides,
    // and an empty undo stack.
    void windowControllerDidLoadNib();
    // Writes the window state of this user into the document's preferences
    // (the next save stores it).
    void saveWindowState();
    // The login name the window state is kept under.
    static QString userName();

    // The document was read again: the canvas forgets its selection and
    // shows the drawing anew.
    void documentReloaded();
    // The title, the edited mark and the menus follow the document.
    void documentStateChanged();
    // After each input event: the document's undo group for the event
    // closes and the menus follow.
    void inputEventHandled();

    // The window's menu actions, by name ("new", "open", "close", "save",
    // "saveAs", "revert", "export", "quit", "undo", "redo", "cut", "copy",
    // "paste", "pasteInPlace", "duplicate", "delete", "selectAll",
    // "selectNone", "zoomIn", "zoomOut", "actualSize", "zoomToFit",
    // "outlineView", "isolation", "showMediaBrowser", "showHelp",
    // "gotoWebsite", and the editing commands: "group",
    // "ungroup", "alignLeft" ... "distributeVertically", "flipHorizontally",
    // "boolAdd" ... "boolOutline", "combine", "split", "convertToBezier",
    // "convertToOutline", "convertToBitmap", "reversePath", and the
    // inspector panes "showFill" ... "showGrid", "showText").  Each editing
    // command carries the tag that says what it needs selected.
    QAction *action(const QString &name) const;
    // Enables the menu items by what the canvas says of their tags.
    void validateMenus();
    QMenu *recentDocumentsMenu() const { return m_recentMenu; }

    // The window became the active one: the menus' check marks follow its
    // canvas, and the keys of graphics apply unless text is edited in
    // place on the canvas.
    void windowDidBecomeKey();
    // Another window (a panel, another program) took the keyboard: the
    // keys that text fields use go to text.
    void windowDidResignKey();

    // --- Toolbar (TDDocumentWindow+Toolbar.cpp) ---------------------------------------
    // The customize item: a dialog to choose the toolbar's items, whose
    // choice, once confirmed, goes to every document window (and to the
    // settings, for the windows to come).  The dialog closes itself.
    TDToolbarCustomizeDialog *customizeToolbar();
    static void applyToolbarItems(const QStringList &items);
    // The Colors item: the colour panel comes forward.
    static void showColors();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildMenus();
    // The Arrange and Path menus (TDDocumentWindow+Commands.cpp).
    void buildCommandMenus();
    // The Window menu: the inspector and its panes (TDDocumentWindow+Panels.cpp).
    void buildPanelMenu();
    // The saved items and the toolbar's requests.
    void setupToolbarItems();
    // The Help menu: the manual and the product's web page.
    void buildHelpMenu();
    QAction *addAction(QMenu *menu, const QString &name, const QString &title, const QKeySequence &key,
                       std::function<void()> slot);
    // The same for a command that reads or passes on its own item (a
    // checkable one: the item shows the state the command sets).
    QAction *addAction(QMenu *menu, const QString &name, const QString &title, const QKeySequence &key,
                       std::function<void(QAction *)> slot);
    QAction *newAction(QMenu *menu, const QString &name, const QString &title, const QKeySequence &key);
    // A menu item that the canvas enables by its tag; its key equivalent
    // runs the command only when the canvas still enables it.
    QAction *addCommand(QMenu *menu, const QString &name, const QString &title, const QKeySequence &key,
                        TDGraphicView::MenuTag tag, std::function<void()> slot);
    void rebuildRecentMenu();
    void updateUndoActions();
    void restoreWindowState();
    void placeOnScreen(QRect frame);
    void cascade();

    std::unique_ptr<TDDocument> m_document;
    TDDocumentController *m_controller;
    ScalingScrollView *m_scrollView = nullptr;
    TDGraphicView *m_graphicView = nullptr;
    TDDocumentToolbar *m_toolbar = nullptr;
    QLabel *m_statusField = nullptr;
    QMenu *m_recentMenu = nullptr;
    bool m_closed = false;
};

} // namespace scrivane
