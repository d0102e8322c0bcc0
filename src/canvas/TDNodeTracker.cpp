#include "canvas/TDNodeTracker.h"

#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"
#include "model/TDBezierGraphic.h"
#include "model/TDGraphic.h"
#include "model/TDOval.h"
#include "model/TDStatusText.h"
#include "platform/StringTable.h"

#include <typeinfo>

namespace scrivane {

TDNodeTracker::TDNodeTracker(TDGraphicView &view, int handle, TDGraphicPtr graphic, const TDEvent &event)
    : TDTracker(view), m_handle(handle), m_graphic(std::move(graphic)), m_lastModifiers(event.modifierFlags)
{
    m_start = view.convertPointFromWindow(Point(event.locationInWindow.x + 0.5f, event.locationInWindow.y + 0.5f));
    m_geometry.setLastPointer(m_start);
    if (dragsNodes()) {
        // The node itself snaps, not the pointer.
        const Point node = m_graphic->node(handle);
        m_offset = Point(m_start.x - node.x, m_start.y - node.y);
        for (const TDGraphicPtr &g : view.selection())
            if (!view.selectedNodesForGraphic(g.get()).isEmpty())
                m_graphics.push_back(g);
    } else {
        m_graphics.push_back(m_graphic);
        QString text = QStringLiteral("Altering nodes.");
        const TDGraphic &grabbed = *m_graphic;
        if (typeid(grabbed) == typeid(TDBezierGraphic))
            text = QStringLiteral("Altering nodes.  *S constrain  *A not smooth  *M same angle  *E cancel");
        else if (typeid(grabbed) == typeid(TDOval))
            text = QStringLiteral("Altering nodes, inside: pie shapes, outside: arcs.  *S constrain");
        TDStatusText::show(view.tdDocument(), text, {});
    }
}

void TDNodeTracker::begin()
{
    TDGraphicView &v = view();
    m_begun = true;
    // The drag spans many events: one step from here to the release.
    if (TDDocument *document = v.tdDocument())
        if ((m_undo = document->undoManager()))
            m_undo->beginUndoGrouping();
    v.setOriginalSelectedBounds(v.boundsFor(m_graphics, false));
    m_geometry.reset(v.originalSelectedBounds());
    m_geometry.setLastPointer(m_start);
    for (const TDGraphicPtr &g : m_graphics)
        g->startManipulation();
}

Rect TDNodeTracker::shownArea() const
{
    const TDGraphicView &v = view();
    return v.insetRectForEditHandles(v.editingBoundsFor(m_graphics));
}

void TDNodeTracker::update(const TDEvent &event)
{
    TDGraphicView &v = view();
    m_lastModifiers = event.modifierFlags;
    if (!m_begun)
        begin();
    const Rect before = shownArea();
    if (dragsNodes()) {
        const AffineTransform t =
            v.transformationForMovingKnob(m_geometry, Knob::Body, m_start, m_offset, event);
        for (const TDGraphicPtr &g : m_graphics)
            g->transformNodes(v.selectedNodesForGraphic(g.get()), t);
    } else {
        // A control handle moves freely: Shift means something to the graphic.
        const AffineTransform t =
            v.transformationForMovingKnob(m_geometry, Knob::FreeMove, m_start, Point(0, 0), event);
        m_graphic->transformControl(m_handle, t, event.modifierFlags);
    }
    if (TDInspectorInterface *inspector = TDApplicationServices::inspector())
        inspector->updateTransform(v.selection());
    v.setNeedsDisplayInRect(MyUnionRect(before, shownArea()));
}

bool TDNodeTracker::mouseDragged(const TDEvent &event)
{
    view().autoscroll(event);
    update(event);
    return false;
}

bool TDNodeTracker::mouseUp(const TDEvent &event)
{
    if (m_begun)
        update(event);
    return true;
}

bool TDNodeTracker::keyDown(const TDEvent &event)
{
    if (m_begun)
        update(event);
    return false;
}

bool TDNodeTracker::keyUp(const TDEvent &event)
{
    return keyDown(event);
}

bool TDNodeTracker::flagsChanged(const TDEvent &event)
{
    return keyDown(event);
}

void TDNodeTracker::cancel(const TDEvent &event)
{
    m_escaped = true;
    // The identity: every node or handle goes back where it was (Alt: the
    // opposite control of a path is put back as it was, not mirrored).
    if (m_begun) {
        TDEvent back = event;
        back.modifierFlags = TDEvent::Alternate;
        update(back);
    }
}

void TDNodeTracker::finish()
{
    TDGraphicView &v = view();
    if (!m_begun)
        return;
    for (const TDGraphicPtr &g : m_graphics) {
        if (dragsNodes())
            g->recalculatePath();
        g->stopManipulation();
    }
    if (m_lastModifiers & TDEvent::Command)
        v.setTrackingWithCommand(true);
    v.calculateSize();
    v.setNeedsDisplayInRect(shownArea());
    if (m_undo) {
        m_undo->setActionName(StringTable::lookup(
            QStringLiteral("UndoStrings"), dragsNodes() ? QStringLiteral("Node alter") : QStringLiteral("Control alter")));
        m_undo->endUndoGrouping();
    }
}

} // namespace scrivane
