#include "canvas/TDGraphicView.h"

#include "canvas/TDKnobGeometry.h"
#include "canvas/TDFreehandTracker.h"
#include "canvas/TDKnobTracker.h"
#include "canvas/TDPolygonTracker.h"
#include "canvas/TDSnapping.h"
#include "canvas/TDTracker.h"
#include "document/TDDocument.h"
#include "model/TDGraphic.h"
#include "platform/StringTable.h"

#include <QPointer>

namespace scrivane {

namespace {

Point offsetHalf(Point p)
{
    return Point(p.x + 0.5f, p.y + 0.5f);
}

} // namespace

void TDGraphicView::trackKnob(Knob knob, const TDGraphicArray &graphics, const TDEvent &event,
                              TrackingCompletion completion)
{
    beginTracking(std::make_unique<TDKnobTracker>(*this, knob, graphics, event, std::move(completion)));
}

void TDGraphicView::trackPath(const std::shared_ptr<TDBezierGraphic> &graphic, CreationMode mode,
                              const TDEvent &event, std::optional<Point> start, TrackingCompletion completion)
{
    if (!graphic) {
        if (completion)
            completion({});
        return;
    }
    QPointer<TDGraphicView> guard(this);
    TrackingCompletion done = [guard, completion = std::move(completion)](TrackingResult result) {
        if (guard)
            guard->m_creationScope.reset();
        if (completion)
            completion(result);
    };
    if (mode == CreationMode::Drag)
        beginTracking(std::make_unique<TDFreehandTracker>(*this, graphic, event, start, std::move(done)));
    else
        beginTracking(std::make_unique<TDPolygonTracker>(*this, graphic, event, start, std::move(done)));
}

void TDGraphicView::trackKnob(Knob knob, const TDEvent &event)
{
    QPointer<TDGraphicView> guard(this);
    trackKnob(knob, m_selectedGraphics, event, [guard](TrackingResult) {
        // Named also when cancelled: whatever the drag registered is one
        // step.  (Only a step of this event: without one, the name would
        // land on the step before.)
        if (guard && guard->m_document)
            if (TDUndoManager *undo = guard->m_document->undoManager(); undo && undo->groupingLevel() > 0)
                undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Transform")));
    });
}

bool TDGraphicView::isTrackingKnobs() const
{
    return m_tracker && m_tracker->hidesSelectionHandles();
}

void TDGraphicView::selectionMoved(float dx, float dy)
{
    if (m_pasteCascadeNumber == 2) {
        m_pasteDx = dx + 20;
        m_pasteDy = dy + 20;
    } else {
        m_pasteCascadeNumber = 0;
    }
}

// --- Knob geometry ------------------------------------------------------------------------------------

AffineTransform TDGraphicView::transformationForMovingKnob(TDKnobGeometry &drag, Knob knob, Point start,
                                                           const TDEvent &event) const
{
    drag.setBounds(m_originalSelectedBounds);
    return transformationForMovingKnob(drag, knob, start, drag.offsetForKnob(knob, start), event);
}

AffineTransform TDGraphicView::transformationForMovingKnob(TDKnobGeometry &drag, Knob knob, Point start,
                                                           Point offset, const TDEvent &event) const
{
    if (isEventEscape(event))
        return AffineTransform();
    if (event.type == TDEvent::Type::MouseDragged || event.type == TDEvent::Type::MouseUp ||
        event.type == TDEvent::Type::MouseDown)
        drag.setLastPointer(convertPointFromWindow(offsetHalf(event.locationInWindow)));
    return transformationForMovingKnob(drag, knob, start, drag.lastPointer(), offset,
                                       event.modifierFlags & TDEvent::Shift,
                                       event.modifierFlags & TDEvent::Alternate);
}

AffineTransform TDGraphicView::transformationForMovingKnob(TDKnobGeometry &drag, Knob knob, Point start,
                                                           Point current, bool shiftConstrained,
                                                           bool altConstrained) const
{
    drag.setBounds(m_originalSelectedBounds);
    return transformationForMovingKnob(drag, knob, start, current, drag.offsetForKnob(knob, start),
                                       shiftConstrained, altConstrained);
}

AffineTransform TDGraphicView::transformationForMovingKnob(TDKnobGeometry &drag, Knob knob, Point start,
                                                           Point current, Point offset, bool shiftConstrained,
                                                           bool altConstrained) const
{
    drag.setBounds(m_originalSelectedBounds);
    // The knob's own place snaps, not the pointer.
    const Point S(start.x - offset.x, start.y - offset.y);
    const Point P = snapToGrid(Point(current.x - offset.x, current.y - offset.y));
    return drag.transformation(knob, S, P, shiftConstrained, altConstrained);
}

// --- Snapping and keys ----------------------------------------------------------------------------

Point TDGraphicView::snapToGrid(Point point) const
{
    if (m_document) {
        TDSnapping::Grid grid;
        grid.snap = m_document->snapToGrid();
        grid.spacing = m_document->gridSpacing();
        grid.subdivisions = m_document->numberOfSubGrids();
        grid.pixelAligned = m_document->gridPixelAligned();
        point = TDSnapping::snapToGrid(point, grid);
    }
    return snapToMarkers(point);
}

Point TDGraphicView::snapToMarkers(Point point) const
{
    if (!m_showGuides)
        return point;
    const std::vector<float> xGuides = hMarkers();
    const std::vector<float> yGuides = vMarkers();
    return TDSnapping::snapToGuides(point, xGuides, yGuides, zoom());
}

bool TDGraphicView::isEventEscape(const TDEvent &event) const
{
    if (event.type != TDEvent::Type::KeyDown && event.type != TDEvent::Type::KeyUp)
        return false;
    if (event.characters == QString(QChar(27)))
        return true;
    return event.characters == QLatin1String(".") && (event.modifierFlags & TDEvent::Command);
}

void TDGraphicView::resetFillTransform()
{
    TDUndoManager *undo = m_document ? m_document->undoManager() : nullptr;
    if (undo)
        undo->beginUndoGrouping();
    for (const auto &graphic : TDGraphicArray(m_selectedGraphics))
        graphic->resetFillTransform();
    if (undo) {
        undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Reset Fill Transform")));
        undo->endUndoGrouping();
    }
}

void TDGraphicView::resetStrokeTransform()
{
    TDUndoManager *undo = m_document ? m_document->undoManager() : nullptr;
    if (undo)
        undo->beginUndoGrouping();
    for (const auto &graphic : TDGraphicArray(m_selectedGraphics))
        graphic->resetStrokeTransform();
    if (undo) {
        undo->setActionName(
            StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Reset Stroke Transform")));
        undo->endUndoGrouping();
    }
}

bool TDGraphicView::isEventTab(const TDEvent &event) const
{
    return event.type == TDEvent::Type::KeyDown && event.characters == QLatin1String("\t");
}

} // namespace scrivane
