#include "canvas/TDDocumentToolbar.h"

#include "canvas/TDGraphicView.h"
#include "canvas/TDToolStrip.h"
#include "document/TDDocument.h"
#include "platform/StringTable.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QWidgetAction>

namespace scrivane {

const QString TDDocumentToolbar::identifier = QStringLiteral("DocumentToolbar");
const QString TDDocumentToolbar::drawModeItemIdentifier = QStringLiteral("Draw Mode Item Identifier");
const QString TDDocumentToolbar::flexibleSpaceItemIdentifier = QStringLiteral("FlexibleSpace");
const QString TDDocumentToolbar::spaceItemIdentifier = QStringLiteral("Space");
const QString TDDocumentToolbar::separatorItemIdentifier = QStringLiteral("Separator");
const QString TDDocumentToolbar::showColorsItemIdentifier = QStringLiteral("ShowColors");
const QString TDDocumentToolbar::showFontsItemIdentifier = QStringLiteral("ShowFonts");
const QString TDDocumentToolbar::customizeItemIdentifier = QStringLiteral("Customize");
const QString TDDocumentToolbar::printItemIdentifier = QStringLiteral("Print");

namespace {

struct CommandItem {
    const char *identifier;
    const char *label;
    int tag;
};

// The command items: their labels and the tags that say what they need
// (1 a selection, 2 two selected graphics) and which edge an alignment
// aligns.
constexpr CommandItem commandItems[] = {
    {"union", "Union", 2},
    {"subtract", "Subtract", 2},
    {"intersect", "Intersect", 2},
    {"xor", "XOR", 2},
    {"align-bottom", "Align bottom", 13},
    {"align-top", "Align top", 12},
    {"align-left", "Align left", 10},
    {"align-right", "Align right", 11},
    {"combine", "Combine", 2},
    {"separate", "Separate", 1},
};

QString label(const char *key)
{
    return StringTable::lookup(QStringLiteral("ToolbarStrings"), QLatin1String(key));
}

} // namespace

TDDocumentToolbar::TDDocumentToolbar(QWidget *parent) : QToolBar(parent), m_toolStrip(new TDToolStrip(this))
{
    setObjectName(identifier);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setMovable(false);
    m_toolStrip->hide();
}

TDDocumentToolbar::~TDDocumentToolbar() = default;

QStringList TDDocumentToolbar::toolbarDefaultItemIdentifiers()
{
    return {drawModeItemIdentifier, flexibleSpaceItemIdentifier, showColorsItemIdentifier,
            showFontsItemIdentifier};
}

QStringList TDDocumentToolbar::toolbarAllowedItemIdentifiers()
{
    return {drawModeItemIdentifier,
            customizeItemIdentifier,
            printItemIdentifier,
            separatorItemIdentifier,
            showFontsItemIdentifier,
            showColorsItemIdentifier,
            flexibleSpaceItemIdentifier,
            spaceItemIdentifier,
            QStringLiteral("union"),
            QStringLiteral("subtract"),
            QStringLiteral("intersect"),
            QStringLiteral("xor"),
            QStringLiteral("align-top"),
            QStringLiteral("align-bottom"),
            QStringLiteral("align-left"),
            QStringLiteral("align-right"),
            QStringLiteral("combine"),
            QStringLiteral("separate")};
}

void TDDocumentToolbar::setupToolbar(TDDocument *document, TDGraphicView *view)
{
    if (m_view)
        disconnect(m_view, nullptr, this, nullptr);
    m_view = view;
    if (view)
        connect(view, &TDGraphicView::validationNeeded, this, &TDDocumentToolbar::validateItems);
    m_toolStrip->setDocument(document);
    m_toolStrip->setGraphicView(view);
    if (view)
        view->setToolStrip(m_toolStrip);
    setItemIdentifiers(toolbarDefaultItemIdentifiers());
    m_toolStrip->changeMode();
    validateItems();
}

void TDDocumentToolbar::insertItem(const QString &id)
{
    if (id == flexibleSpaceItemIdentifier || id == spaceItemIdentifier) {
        auto *spacer = new QWidget(this);
        if (id == flexibleSpaceItemIdentifier)
            spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        else
            spacer->setFixedWidth(16);
        QAction *action = addWidget(spacer);
        action->setObjectName(id);
        return;
    }
    if (id == separatorItemIdentifier) {
        addSeparator()->setObjectName(id);
        return;
    }
    if (id == drawModeItemIdentifier && m_drawModeAction) {
        addAction(m_drawModeAction);
        return;
    }
    QAction *action = itemForItemIdentifier(id);
    if (id == drawModeItemIdentifier) {
        // The strip is the item's widget (as a QWidgetAction it is placed
        // in the toolbar).
        auto *widgetAction = static_cast<QWidgetAction *>(action);
        m_toolStrip->show();
        widgetAction->setDefaultWidget(m_toolStrip);
        m_drawModeAction = action;
    }
    addAction(action);
}

QAction *TDDocumentToolbar::itemForItemIdentifier(const QString &id)
{
    if (id == drawModeItemIdentifier) {
        auto *action = new QWidgetAction(this);
        action->setObjectName(id);
        action->setText(label("Drawing Mode"));
        return action;
    }
    auto *action = new QAction(this);
    action->setObjectName(id);
    if (id == showColorsItemIdentifier) {
        action->setText(tr("Colors"));
        connect(action, &QAction::triggered, this, &TDDocumentToolbar::showColorsRequested);
        return action;
    }
    if (id == showFontsItemIdentifier) {
        action->setText(tr("Fonts"));
        connect(action, &QAction::triggered, this, &TDDocumentToolbar::showFontsRequested);
        return action;
    }
    if (id == printItemIdentifier) {
        action->setText(tr("Print"));
        connect(action, &QAction::triggered, this, &TDDocumentToolbar::printRequested);
        return action;
    }
    if (id == customizeItemIdentifier) {
        action->setText(itemLabel(id));
        connect(action, &QAction::triggered, this, &TDDocumentToolbar::customizeRequested);
        return action;
    }
    for (const CommandItem &item : commandItems) {
        if (id == QLatin1String(item.identifier)) {
            action->setText(label(item.label));
            action->setData(item.tag);
            connect(action, &QAction::triggered, this, [this, id, tag = item.tag] {
                const auto found = m_commands.find(id);
                if (found != m_commands.end() && found->second && m_view &&
                    m_view->validateToolbarItem(TDGraphicView::MenuTag(tag)))
                    found->second(tag);
            });
            action->setEnabled(m_commands.count(id) && m_view &&
                               m_view->validateToolbarItem(TDGraphicView::MenuTag(item.tag)));
            return action;
        }
    }
    action->setText(id);
    return action;
}

QStringList TDDocumentToolbar::sanitizedItemIdentifiers(const QStringList &identifiers)
{
    const QStringList allowed = toolbarAllowedItemIdentifiers();
    QStringList result;
    for (const QString &id : identifiers) {
        if (!allowed.contains(id))
            continue;
        const bool repeats = id == spaceItemIdentifier || id == flexibleSpaceItemIdentifier ||
                             id == separatorItemIdentifier;
        if (!repeats && result.contains(id))
            continue;
        result.append(id);
    }
    return result;
}

void TDDocumentToolbar::setItemIdentifiers(const QStringList &identifiers)
{
    const QStringList wanted = sanitizedItemIdentifiers(identifiers);
    for (QAction *action : actions()) {
        removeAction(action);
        // The tool strip's item stays for the next time (it holds the
        // strip the canvas changes tools through).
        if (action != m_drawModeAction)
            action->deleteLater();
    }
    for (const QString &id : wanted)
        insertItem(id);
    validateItems();
}

QString TDDocumentToolbar::itemLabel(const QString &id)
{
    if (id == drawModeItemIdentifier)
        return label("Drawing Mode");
    if (id == flexibleSpaceItemIdentifier)
        return tr("Flexible Space");
    if (id == spaceItemIdentifier)
        return tr("Space");
    if (id == separatorItemIdentifier)
        return tr("Separator");
    if (id == showColorsItemIdentifier)
        return tr("Colors");
    if (id == showFontsItemIdentifier)
        return tr("Fonts");
    if (id == customizeItemIdentifier)
        return tr("Customize");
    if (id == printItemIdentifier)
        return tr("Print");
    for (const CommandItem &item : commandItems)
        if (id == QLatin1String(item.identifier))
            return label(item.label);
    return id;
}

QMenu *TDDocumentToolbar::makeContextMenu()
{
    auto *menu = new QMenu(this);
    QAction *customize = menu->addAction(tr("Customize Toolbar..."));
    customize->setObjectName(customizeItemIdentifier);
    connect(customize, &QAction::triggered, this, &TDDocumentToolbar::customizeRequested);
    return menu;
}

void TDDocumentToolbar::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = makeContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

QStringList TDDocumentToolbar::itemIdentifiers() const
{
    QStringList result;
    for (QAction *action : actions())
        result.append(action->objectName());
    return result;
}

QAction *TDDocumentToolbar::itemWithIdentifier(const QString &id) const
{
    for (QAction *action : actions())
        if (action->objectName() == id)
            return action;
    return nullptr;
}

void TDDocumentToolbar::setItemCommand(const QString &identifier, ItemCommand command)
{
    m_commands[identifier] = std::move(command);
    validateItems();
}

void TDDocumentToolbar::validateItems()
{
    for (QAction *action : actions()) {
        for (const CommandItem &item : commandItems) {
            if (action->objectName() != QLatin1String(item.identifier))
                continue;
            const auto found = m_commands.find(action->objectName());
            const bool offered = found != m_commands.end() && found->second;
            action->setEnabled(offered && m_view &&
                               m_view->validateToolbarItem(TDGraphicView::MenuTag(item.tag)));
        }
    }
}

} // namespace scrivane
