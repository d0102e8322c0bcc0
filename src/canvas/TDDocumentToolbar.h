#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QToolBar>

#include <functional>
#include <map>

class QAction;
class QContextMenuEvent;
class QMenu;

namespace scrivane {

class TDDocument;
class TDGraphicView;
class TDToolStrip;

// The toolbar of a document window.  Its main item is the tool strip; the
// other items it can hold (union, subtract, intersect, xor, the four
// alignments, combine, separate) send their command to the canvas, each
// with its tag, which says what the item needs enabled (1: a selection, 2
// and more: two selected graphics) and which edge an alignment aligns.  An
// item without a command stays disabled.
class TDDocumentToolbar : public QToolBar {
    Q_OBJECT

public:
    // The toolbar's identifier ("DocumentToolbar").
    static const QString identifier;
    static const QString drawModeItemIdentifier;   // "Draw Mode Item Identifier"
    static const QString flexibleSpaceItemIdentifier;
    static const QString spaceItemIdentifier;
    static const QString separatorItemIdentifier;
    static const QString showColorsItemIdentifier;
    static const QString showFontsItemIdentifier;
    static const QString customizeItemIdentifier;
    static const QString printItemIdentifier;

    explicit TDDocumentToolbar(QWidget *parent = nullptr);
    ~TDDocumentToolbar() override;

    // Builds the default items, ties the tool strip to the document and the
    // canvas and marks the initial tool (the document calls it when its
    // window has loaded).
    void setupToolbar(TDDocument *document, TDGraphicView *view);

    TDToolStrip *toolStrip() const { return m_toolStrip; }

    static QStringList toolbarDefaultItemIdentifiers();
    static QStringList toolbarAllowedItemIdentifiers();
    // A new item for the identifier, set up from the toolbar's table; an
    // identifier not in the table gives a bare item of that name.  The
    // draw-mode item's widget is the tool strip.
    QAction *itemForItemIdentifier(const QString &identifier);
    // The items on the toolbar, in order, with their identifiers.
    QStringList itemIdentifiers() const;
    // Puts these items on the toolbar, in order: identifiers that are not
    // allowed are left out, and so is a second copy of an item (spaces and
    // separators may repeat).
    void setItemIdentifiers(const QStringList &identifiers);
    // The allowed identifiers of the list, as setItemIdentifiers takes them.
    static QStringList sanitizedItemIdentifiers(const QStringList &identifiers);
    // The name a person sees for an item ("Colors", "Flexible Space").
    static QString itemLabel(const QString &identifier);
    // The toolbar's context menu: "Customize Toolbar..." (the caller owns
    // the menu).
    QMenu *makeContextMenu();
    QAction *itemWithIdentifier(const QString &identifier) const;

    // The command an item runs (the canvas's action with the item's tag);
    // items without one stay disabled.  Commands are kept by identifier, so
    // items added later find theirs.
    using ItemCommand = std::function<void(int tag)>;
    void setItemCommand(const QString &identifier, ItemCommand command);
    // Enables each command item that has a command and whose tag the
    // canvas validates; the toolbar does so whenever the canvas asks.
    void validateItems();

Q_SIGNALS:
    // The show-colours and show-fonts items: the application opens its
    // panels.
    void showColorsRequested();
    void showFontsRequested();
    void printRequested();
    // The customize item: the application lets the person choose the items.
    void customizeRequested();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void insertItem(const QString &identifier);

    TDToolStrip *m_toolStrip;
    // The tool strip's item, made once: it owns the strip.
    QAction *m_drawModeAction = nullptr;
    QPointer<TDGraphicView> m_view;
    std::map<QString, ItemCommand> m_commands;
};

} // namespace scrivane
