#include "canvas/TDGraphicView.h"

#include "document/TDDocument.h"
#include "model/TDGraphic.h"
#include "platform/NotificationCenter.h"
#include "platform/StringTable.h"

#include <QPointer>

#include <algorithm>

namespace scrivane {

namespace {

TDGraphicArray lockAll(const std::vector<std::weak_ptr<TDGraphic>> &weak)
{
    TDGraphicArray result;
    for (const auto &w : weak)
        if (auto g = w.lock())
            result.push_back(std::move(g));
    return result;
}

std::vector<std::weak_ptr<TDGraphic>> weakAll(const TDGraphicArray &graphics)
{
    return std::vector<std::weak_ptr<TDGraphic>>(graphics.begin(), graphics.end());
}

} // namespace

void TDGraphicView::registerSelectionUndo(const QString &operation, std::function<void(TDGraphicView &)> undo,
                                          const QString &actionName)
{
    TDUndoManager *manager = m_document ? m_document->undoManager() : nullptr;
    if (!manager)
        return;
    QPointer<TDGraphicView> guard(this);
    // Selection changes are undoable but never mark the document changed.
    manager->prepareWithNonChangeInvocationTarget(m_identity, operation, [guard, undo = std::move(undo)] {
        if (guard)
            undo(*guard);
    });
    manager->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), actionName));
}

void TDGraphicView::postSelectionChange(TDGraphic *graphic)
{
    NotificationCenter::defaultCenter().post(TDGraphic::didChangeNotification, graphic);
}

void TDGraphicView::selectGraphic(const TDGraphicPtr &graphic)
{
    if (!graphic || graphicIsSelected(graphic.get()))
        return;
    const std::weak_ptr<TDGraphic> weak = graphic;
    registerSelectionUndo(
        QStringLiteral("deselectGraphic"),
        [weak](TDGraphicView &view) {
            if (const auto g = weak.lock())
                view.deselectGraphic(g.get());
        },
        QStringLiteral("Selection Change"));
    invalidateSelection();
    m_selectedGraphics.push_back(graphic);
    invalidateSelection();
    m_pasteCascadeNumber = 0;
    postSelectionChange(graphic.get());
}

void TDGraphicView::addToSelectionGraphics(const TDGraphicArray &graphics)
{
    const auto old = weakAll(m_selectedGraphics);
    registerSelectionUndo(
        QStringLiteral("selectGraphics"), [old](TDGraphicView &view) { view.selectGraphics(lockAll(old)); },
        QStringLiteral("Selection Change"));
    invalidateSelection();
    for (const auto &graphic : graphics)
        if (graphic)
            m_selectedGraphics.push_back(graphic);
    invalidateSelection();
    m_pasteCascadeNumber = 0;
}

void TDGraphicView::selectGraphics(const TDGraphicArray &graphics)
{
    if (graphics == m_selectedGraphics)
        return;
    const auto old = weakAll(m_selectedGraphics);
    registerSelectionUndo(
        QStringLiteral("selectGraphics"), [old](TDGraphicView &view) { view.selectGraphics(lockAll(old)); },
        QStringLiteral("Selection Change"));
    if (!m_selectedGraphics.empty())
        invalidateSelection();
    m_selectedGraphics.clear();
    for (const auto &graphic : graphics)
        if (graphic)
            m_selectedGraphics.push_back(graphic);
    invalidateSelection();
    m_pasteCascadeNumber = 0;
}

void TDGraphicView::deselectGraphic(TDGraphic *graphic)
{
    const auto found = std::find_if(m_selectedGraphics.begin(), m_selectedGraphics.end(),
                                    [graphic](const TDGraphicPtr &g) { return g.get() == graphic; });
    if (!graphic || found == m_selectedGraphics.end())
        return;
    const std::weak_ptr<TDGraphic> weak = *found;
    registerSelectionUndo(
        QStringLiteral("selectGraphic"),
        [weak](TDGraphicView &view) {
            if (const auto g = weak.lock())
                view.selectGraphic(g);
        },
        QStringLiteral("Selection Change"));
    invalidateSelection();
    // The graphic may go away with its last owner here: keep it for the
    // notification.
    const TDGraphicPtr keep = *found;
    m_selectedGraphics.erase(found);
    invalidateSelection();
    m_pasteCascadeNumber = 0;
    postSelectionChange(graphic);
}

void TDGraphicView::clearSelection()
{
    if (m_selectedGraphics.empty())
        return;
    const auto old = weakAll(m_selectedGraphics);
    registerSelectionUndo(
        QStringLiteral("selectGraphics"), [old](TDGraphicView &view) { view.selectGraphics(lockAll(old)); },
        QStringLiteral("Selection Change"));
    invalidateSelection();
    m_selectedGraphics.clear();
}

void TDGraphicView::makeFirstSelected(TDGraphic *graphic)
{
    if (m_selectedGraphics.size() < 2)
        return;
    const auto found = std::find_if(m_selectedGraphics.begin(), m_selectedGraphics.end(),
                                    [graphic](const TDGraphicPtr &g) { return g.get() == graphic; });
    if (!graphic || found == m_selectedGraphics.end())
        return;
    const std::weak_ptr<TDGraphic> oldFirst = m_selectedGraphics.front();
    registerSelectionUndo(
        QStringLiteral("makeFirstSelected"),
        [oldFirst](TDGraphicView &view) {
            if (const auto g = oldFirst.lock())
                view.makeFirstSelected(g.get());
        },
        QStringLiteral("Selected Object Change"));
    const TDGraphicPtr previous = m_selectedGraphics.front();
    const TDGraphicPtr moved = *found;
    m_selectedGraphics.erase(found);
    m_selectedGraphics.insert(m_selectedGraphics.begin(), moved);
    invalidateGraphic(previous.get());
    invalidateGraphic(moved.get());
}

QList<int> TDGraphicView::selectedNodesForGraphic(const TDGraphic *graphic) const
{
    if (!graphic)
        return {};
    const auto found = m_graphicNodes.find(graphic->IDint());
    return found == m_graphicNodes.end() ? QList<int>() : found->second;
}

void TDGraphicView::invalidateGraphics(const TDGraphicArray &graphics)
{
    for (const auto &graphic : graphics)
        invalidateGraphic(graphic.get());
}

TDGraphicPtr TDGraphicView::graphicUnderPoint(Point point, bool beneath) const
{
    if (!m_document)
        return nullptr;
    const TDGraphicArray editable = m_document->editableGraphics();
    bool passedSelected = false;
    TDGraphicPtr fallback;
    for (auto it = editable.rbegin(); it != editable.rend(); ++it) {
        const TDGraphicPtr &graphic = *it;
        const bool selected = graphicIsSelected(graphic.get());
        if (!beneath) {
            if (graphic->hitTest(point))
                return graphic;
            continue;
        }
        if (passedSelected && !selected) {
            if (graphic->hitTest(point))
                return graphic;
        } else if (!fallback && graphic->hitTest(point)) {
            fallback = graphic;
        }
        if (selected)
            passedSelected = true;
    }
    return fallback;
}

// The presses of the select and edit tools.  Selecting, moving and the
// rubber band, and node editing, are built on these two hooks.
void TDGraphicView::selectAndTrackMouseWithEvent(const TDEvent &)
{
}

void TDGraphicView::selectAndTrackEditWithEvent(const TDEvent &)
{
}

} // namespace scrivane
