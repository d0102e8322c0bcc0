#include "canvas/TDGraphicView.h"

#include "canvas/TDGradientTracker.h"
#include "canvas/TDHitList.h"
#include "canvas/TDNodeBandTracker.h"
#include "canvas/TDNodeTracker.h"
#include "canvas/TDRubberBandTracker.h"
#include "canvas/TDSpatialIndex.h"
#include "canvas/TDTextView.h"

#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"
#include "model/TDGraphic.h"
#include "model/TDGroup.h"
#include "platform/NotificationCenter.h"
#include "platform/StringTable.h"

#include <QPointer>

#include <algorithm>
#include <unordered_set>

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

// Appends the graphics that are not in `selection` yet, each once.  (A
// set keeps this linear: a band over thousands of graphics selects them
// all at once.)
void appendUnselected(TDGraphicArray &selection, const TDGraphicArray &graphics)
{
    std::unordered_set<const TDGraphic *> present;
    present.reserve(selection.size() + graphics.size());
    for (const auto &g : selection)
        present.insert(g.get());
    for (const auto &graphic : graphics)
        if (graphic && present.insert(graphic.get()).second)
            selection.push_back(graphic);
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
    Q_EMIT validationNeeded();
}

void TDGraphicView::addToSelectionGraphics(const TDGraphicArray &graphics)
{
    const auto old = weakAll(m_selectedGraphics);
    registerSelectionUndo(
        QStringLiteral("selectGraphics"), [old](TDGraphicView &view) { view.selectGraphics(lockAll(old)); },
        QStringLiteral("Selection Change"));
    invalidateSelection();
    // A graphic is never selected twice: one selected already, or named
    // twice, is added once.
    appendUnselected(m_selectedGraphics, graphics);
    invalidateSelection();
    m_pasteCascadeNumber = 0;
    Q_EMIT validationNeeded();
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
    appendUnselected(m_selectedGraphics, graphics);
    invalidateSelection();
    m_pasteCascadeNumber = 0;
    Q_EMIT validationNeeded();
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
    Q_EMIT validationNeeded();
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
    Q_EMIT validationNeeded();
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
    Q_EMIT validationNeeded();
}

QList<int> TDGraphicView::selectedNodesForGraphic(const TDGraphic *graphic) const
{
    if (!graphic)
        return {};
    const NodeMap &nodes = m_rubberbandNodes ? *m_rubberbandNodes : m_graphicNodes;
    const auto found = nodes.find(graphic->IDint());
    return found == nodes.end() ? QList<int>() : found->second;
}

namespace {

// Every graphic of the list and, inside groups, of their children.
void forEachGraphic(const TDGraphicArray &graphics, const std::function<void(const TDGraphicPtr &)> &visit)
{
    for (const TDGraphicPtr &graphic : graphics) {
        visit(graphic);
        if (const auto group = std::dynamic_pointer_cast<TDGroup>(graphic))
            forEachGraphic(group->graphics(), visit);
    }
}

} // namespace

void TDGraphicView::invalidateNodeChanges(const NodeMap &before, const NodeMap &after)
{
    if (!m_document)
        return;
    std::unordered_set<int> changed;
    const auto differing = [&changed](const NodeMap &a, const NodeMap &b) {
        for (const auto &[id, nodes] : a) {
            const auto other = b.find(id);
            if (other == b.end() ? !nodes.isEmpty() : other->second != nodes)
                changed.insert(id);
        }
    };
    differing(before, after);
    differing(after, before);
    if (changed.empty())
        return;
    forEachGraphic(m_document->graphics(), [this, &changed](const TDGraphicPtr &graphic) {
        if (changed.count(graphic->IDint()))
            setNeedsDisplayInRect(insetRectForEditHandles(graphic->editingBounds()));
    });
}

void TDGraphicView::setGraphicNodes(const NodeMap &nodes)
{
    const NodeMap old = m_graphicNodes;
    registerSelectionUndo(
        QStringLiteral("setGraphicNodes"), [old](TDGraphicView &view) { view.setGraphicNodes(old); },
        QStringLiteral("Selected Nodes"));
    m_graphicNodes = nodes;
    invalidateNodeChanges(old, m_graphicNodes);
    Q_EMIT validationNeeded();
}

void TDGraphicView::setNodes(const QList<int> &nodes, TDGraphic *graphic)
{
    if (!graphic)
        return;
    const int id = graphic->IDint();
    const auto found = m_graphicNodes.find(id);
    const QList<int> old = found == m_graphicNodes.end() ? QList<int>() : found->second;
    const std::weak_ptr<TDGraphic> weak = graphic->weak_from_this();
    registerSelectionUndo(
        QStringLiteral("setNodes"),
        [old, weak](TDGraphicView &view) {
            if (const auto g = weak.lock())
                view.setNodes(old, g.get());
        },
        QStringLiteral("Selected Nodes"));
    const NodeMap before = m_graphicNodes;
    m_graphicNodes[id] = nodes;
    invalidateNodeChanges(before, m_graphicNodes);
    Q_EMIT validationNeeded();
}

void TDGraphicView::setRubberbandNodes(std::optional<NodeMap> nodes)
{
    const NodeMap before = m_rubberbandNodes ? *m_rubberbandNodes : m_graphicNodes;
    m_rubberbandNodes = std::move(nodes);
    invalidateNodeChanges(before, m_rubberbandNodes ? *m_rubberbandNodes : m_graphicNodes);
}

void TDGraphicView::invalidateGraphics(const TDGraphicArray &graphics)
{
    for (const auto &graphic : graphics)
        invalidateGraphic(graphic.get());
}

TDSpatialIndex *TDGraphicView::hitIndex() const
{
    return m_outlineView || !graphicIndex() ? nullptr : m_index.get();
}

TDGraphicArray TDGraphicView::editableGraphicsNear(const Rect &rect) const
{
    if (!m_document)
        return {};
    TDSpatialIndex *index = hitIndex();
    if (!index)
        return m_document->editableGraphics();
    const TDDocument::EditableScope scope = m_document->editableScope();
    TDGraphicArray result;
    std::vector<int> near;
    for (const TDGroup *container : scope.containers) {
        const TDGraphicArray &children = container->graphics();
        if (index->childrenNear(*container, rect, near)) {
            for (const int i : near)
                if (scope.editable(*children[size_t(i)]))
                    result.push_back(children[size_t(i)]);
        } else {
            for (const TDGraphicPtr &graphic : children)
                if (scope.editable(*graphic))
                    result.push_back(graphic);
        }
    }
    return result;
}

namespace {

// Where a hit at the point can come from: TDGraphic::hitTest looks 2 points
// beyond the drawing bounds; a little more allows for the rounding of that
// comparison.
Rect nearPoint(Point point)
{
    return Rect(point.x - 3, point.y - 3, 6, 6);
}

// A path's own test against a rectangle's edges may round a little beyond
// its bounds.
Rect nearRect(const Rect &rect)
{
    return rect.insetBy(-1, -1);
}

} // namespace

TDGraphicPtr TDGraphicView::graphicUnderPoint(Point point, bool beneath) const
{
    if (!m_document)
        return nullptr;
    // What lies beneath the selection depends on where every selected
    // graphic stands, hit or not: that search looks at all of them.
    const TDGraphicArray candidates = beneath ? m_document->editableGraphics() : editableGraphicsNear(nearPoint(point));
    return TDHitList::graphicUnderPoint(candidates, point, beneath,
                                        [this](const TDGraphic *g) { return graphicIsSelected(g); });
}

TDGraphicArray TDGraphicView::graphicsUnderPoint(Point point) const
{
    return TDHitList::graphicsUnderPoint(editableGraphicsNear(nearPoint(point)), point);
}

TDGraphicArray TDGraphicView::graphicsIntersectingRect(const Rect &rect, const TDGraphic *first) const
{
    return TDHitList::graphicsIntersectingRect(editableGraphicsNear(nearRect(rect)), rect, first);
}

TDGraphicArray TDGraphicView::graphicsUnderRect(const Rect &rect, const TDGraphic *first) const
{
    return TDHitList::graphicsUnderRect(editableGraphicsNear(nearRect(rect)), rect, first);
}

TDGraphicArray TDGraphicView::orderedSelectedGraphics() const
{
    return TDHitList::orderedGraphics(m_selectedGraphics, m_document ? m_document->graphics() : TDGraphicArray());
}

void TDGraphicView::selectAll()
{
    if (!m_document)
        return;
    selectGraphics(m_document->editableGraphics());
    if (TDUndoManager *undo = m_document->undoManager(); undo && undo->groupingLevel() > 0)
        undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Select All")));
}

void TDGraphicView::selectNone()
{
    TDUndoManager *undo = m_document ? m_document->undoManager() : nullptr;
    if (undo)
        undo->beginUndoGrouping();
    for (const auto &graphic : TDGraphicArray(m_selectedGraphics))
        deselectGraphic(graphic.get());
    if (undo) {
        undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Select None")));
        undo->endUndoGrouping();
    }
}

void TDGraphicView::changeFont(const std::function<QFont(const QFont &)> &convert)
{
    if (!convert)
        return;
    if (m_textEditor) {
        m_textEditor->changeFont(convert);
        setNeedsDisplayInRect(m_textEditor->area());
        return;
    }
    TDUndoManager *undo = m_document ? m_document->undoManager() : nullptr;
    if (undo)
        undo->beginUndoGrouping();
    for (const TDGraphicPtr &graphic : TDGraphicArray(m_selectedGraphics))
        graphic->fillStyle()->changeFont(convert);
    if (undo)
        undo->endUndoGrouping();
}

// The presses of the select and edit tools.  Selecting, moving and the
// rubber band, and node editing, are built on these two hooks.
void TDGraphicView::selectAndTrackMouseWithEvent(const TDEvent &event)
{
    const bool shift = event.modifierFlags & TDEvent::Shift;
    const bool command = event.modifierFlags & TDEvent::Command;
    const bool option = event.modifierFlags & TDEvent::Alternate;
    const Point point = convertPointFromWindow(event.locationInWindow);
    const TDGraphicPtr graphic = graphicUnderPoint(point);
    const bool wasSelected = graphic && graphicIsSelected(graphic.get());
    const Knob knob = knobUnderPoint(point);

    const bool clears = knob == Knob::None && !wasSelected && !shift && !command;
    if (clears && (!graphic || option)) {
        // A band starts from nothing selected.  The clearing and what the
        // band selects are one step, taken when the band ends.
        beginTracking(std::make_unique<TDRubberBandTracker>(*this, event, true));
        return;
    }
    if (clears)
        clearSelection();
    if (option && knob == Knob::Body) {
        copyWithEvent(event);
        return;
    }
    if (knob != Knob::None) {
        if (m_mode != EditState::EditTool)
            trackKnob(knob, event);
        return;
    }
    if (!command && graphic) {
        if (option) {
            rubberbandSelectWithEvent(event);
            return;
        }
        if (!shift)
            selectGraphic(graphic);
        else if (wasSelected)
            deselectGraphic(graphic.get());
        else
            selectGraphic(graphic);
    }
    if (!graphic && !command) {
        rubberbandSelectWithEvent(event);
        return;
    }
    // A Shift-click that took the graphic out of the selection is over:
    // the rest of the press moves nothing.
    if (graphic && !graphicIsSelected(graphic.get()) && !command)
        return;
    if (!command && graphic)
        makeFirstSelected(graphic.get());
    if (m_mode == EditState::EditTool) {
        if (command) {
            const TDGraphicPtr beneath = graphicUnderPoint(point, true);
            clearSelection();
            if (beneath)
                selectGraphic(beneath);
        }
        return;
    }
    trackKnob(Knob::Body, event);
}

void TDGraphicView::rubberbandSelectWithEvent(const TDEvent &event)
{
    beginTracking(std::make_unique<TDRubberBandTracker>(*this, event, false));
}

void TDGraphicView::selectAndTrackEditWithEvent(const TDEvent &event)
{
    const bool shift = event.modifierFlags & TDEvent::Shift;
    const bool command = event.modifierFlags & TDEvent::Command;
    const bool option = event.modifierFlags & TDEvent::Alternate;
    const Point point = convertPointFromWindow(event.locationInWindow);
    TDInspectorInterface *inspector = TDApplicationServices::inspector();

    if (command && option) {
        if (const TDGraphicPtr graphic = graphicUnderPoint(point))
            addNodeAt(point, graphic.get());
        if (inspector)
            inspector->updateTransform(m_selectedGraphics);
        return;
    }
    // Ctrl looks from the last element: a node lying on another is reached.
    int handle = TDNotFound;
    TDGraphicPtr owner;
    for (const TDGraphicPtr &graphic : TDGraphicArray(m_selectedGraphics)) {
        handle = graphic->nodeUnderPoint(point, this, command);
        if (handle != TDNotFound) {
            owner = graphic;
            break;
        }
    }
    if (!owner) {
        rubberbandSelectNodesWithEvent(event);
        return;
    }
    if (handle < 0) {
        trackControl(handle, owner, event);
        return;
    }
    const auto found = m_graphicNodes.find(owner->IDint());
    const bool hasSet = found != m_graphicNodes.end();
    const QList<int> current = hasSet ? found->second : QList<int>();
    if (!current.contains(handle) && !shift) {
        setGraphicNodes({{owner->IDint(), {handle}}});
    } else if (!current.contains(handle) && !hasSet) {
        setNodes({handle}, owner.get());
    } else {
        QList<int> nodes = current;
        if (shift && nodes.contains(handle))
            nodes.removeAll(handle);
        else if (!nodes.contains(handle))
            nodes.append(handle);
        setNodes(nodes, owner.get());
    }
    if (inspector)
        inspector->updateTransform(m_selectedGraphics);
    trackNode(handle, owner, event);
}

bool TDGraphicView::setGradientForGraphics()
{
    std::unique_ptr<TDGradientTracker> tracker = TDGradientTracker::start(*this);
    if (!tracker)
        return false;
    beginTracking(std::move(tracker));
    return true;
}

void TDGraphicView::rubberbandSelectNodesWithEvent(const TDEvent &event)
{
    beginTracking(std::make_unique<TDNodeBandTracker>(*this, event));
}

void TDGraphicView::trackNode(int node, const TDGraphicPtr &graphic, const TDEvent &event)
{
    beginTracking(std::make_unique<TDNodeTracker>(*this, node, graphic, event));
}

void TDGraphicView::trackControl(int control, const TDGraphicPtr &graphic, const TDEvent &event)
{
    beginTracking(std::make_unique<TDNodeTracker>(*this, control, graphic, event));
}

TDGraphicView::NodeMap TDGraphicView::nodesIntersectingRect(const Rect &rect)
{
    NodeMap nodes;
    for (const TDGraphicPtr &graphic : graphicsIntersectingRect(rect))
        nodes[graphic->IDint()] = graphic->nodesUnderRect(rect, this);
    return nodes;
}

void TDGraphicView::addNodeAt(Point point, TDGraphic *graphic)
{
    auto *bezier = dynamic_cast<TDBezierGraphic *>(graphic);
    const std::shared_ptr<TDBezierPath> path = bezier ? bezier->cachedBezierPath() : nullptr;
    if (!path)
        return;
    Point near;
    float t = 0;
    int element = -1;
    if (!path->intersectsPoint(point, 15 / zoom(), &near, &t, &element) || element < 0)
        return;
    const int node = bezier->splitPath(element, std::clamp(t, 0.0f, 1.0f));
    if (node == TDNotFound)
        return;
    setGraphicNodes({{bezier->IDint(), {node}}});
    TDDocument *document = m_document;
    if (TDUndoManager *undo = document ? document->undoManager() : nullptr; undo && undo->groupingLevel() > 0)
        undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Add Node")));
}

} // namespace scrivane
