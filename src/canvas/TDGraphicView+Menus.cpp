#include "canvas/TDGraphicView.h"

#include "document/TDDocument.h"
#include "model/TDGraphic.h"
#include "model/TDGroup.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>

#include <algorithm>

namespace scrivane {

namespace {

const char *const kValidationTagProperty = "validationTag";

} // namespace

// --- Validation -------------------------------------------------------------------------------------

void TDGraphicView::setValidationTag(QAction *action, MenuTag tag)
{
    if (action)
        action->setProperty(kValidationTagProperty, int(tag));
}

std::optional<TDGraphicView::MenuTag> TDGraphicView::validationTag(const QAction *action)
{
    if (!action)
        return std::nullopt;
    const QVariant tag = action->property(kValidationTagProperty);
    if (!tag.isValid())
        return std::nullopt;
    return MenuTag(tag.toInt());
}

bool TDGraphicView::someSelectedGraphicHasSelectedNodes() const
{
    return std::any_of(m_selectedGraphics.begin(), m_selectedGraphics.end(),
                       [this](const TDGraphicPtr &g) { return !selectedNodesForGraphic(g.get()).isEmpty(); });
}

bool TDGraphicView::validateMenuItem(MenuTag tag) const
{
    const int value = int(tag);
    const size_t selected = m_selectedGraphics.size();
    switch (tag) {
    case MenuTag::Selection:
        return selected > 0;
    case MenuTag::TwoGraphics:
        return selected >= 2;
    case MenuTag::SelectedNodes:
        return drawMode() == Tool::Edit && someSelectedGraphicHasSelectedNodes();
    case MenuTag::Group:
        return std::any_of(m_selectedGraphics.begin(), m_selectedGraphics.end(), [](const TDGraphicPtr &g) {
            return std::dynamic_pointer_cast<TDGroup>(g) != nullptr;
        });
    case MenuTag::Effects:
        // The effects engine is always there.
        return true;
    default:
        break;
    }
    if (value > 9) {
        // Alignments: of nodes in the edit tool (the two centre
        // alignments), of two graphics or more otherwise.
        if (drawMode() == Tool::Edit)
            return value == 14 || value == 15;
        return selected >= 2;
    }
    if (value >= 5)
        return selected > 0;
    return true;
}

bool TDGraphicView::validateToolbarItem(MenuTag tag) const
{
    const int value = int(tag);
    if (value <= 0)
        return true;
    if (value == 1)
        return !m_selectedGraphics.empty();
    return m_selectedGraphics.size() >= 2;
}

void TDGraphicView::validateMenuItems(const QList<QAction *> &actions) const
{
    for (QAction *action : actions) {
        if (!action)
            continue;
        if (QMenu *submenu = action->menu())
            validateMenuItems(submenu->actions());
        if (const auto tag = validationTag(action))
            action->setEnabled(validateMenuItem(*tag));
    }
}

// --- Contextual menu --------------------------------------------------------------------------------

void TDGraphicView::setContextualMenus(QMenu *editMenu, QMenu *selectMenu)
{
    m_editContextualMenu = editMenu;
    m_selectContextualMenu = selectMenu;
}

QMenu *TDGraphicView::menuForEvent(const TDEvent &event) const
{
    if (knobUnderPoint(convertPointFromWindow(event.locationInWindow)) != Knob::None || m_didJustKeyZoom)
        return nullptr;
    QMenu *menu = drawMode() == Tool::Edit ? m_editContextualMenu.data() : m_selectContextualMenu.data();
    if (menu)
        validateMenuItems(menu->actions());
    return menu;
}

void TDGraphicView::contextMenuEvent(QContextMenuEvent *event)
{
    TDEvent click;
    click.type = TDEvent::Type::MouseDown;
    const QWidget *top = window();
    const QPointF inWindow = top == this ? QPointF(event->pos()) : QPointF(mapTo(top, event->pos()));
    click.locationInWindow = Point(float(inWindow.x()), float(inWindow.y()));
    if (QMenu *menu = menuForEvent(click))
        menu->popup(event->globalPos());
    event->accept();
}

} // namespace scrivane
