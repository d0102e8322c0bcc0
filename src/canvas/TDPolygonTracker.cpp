#include "canvas/TDPolygonTracker.h"

#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDStatusText.h"
#include "model/TDStrokeStyle.h"

#include <Qt>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

const QString placingText = QStringLiteral(
    "Click to create lines. Drag to create curves.  *S constrain  *D delete last segment  *R finish  *E cancel");
const QString closingText = QStringLiteral("Click to close polygon.  *A don't close");

float squaredDistance(Point a, Point b)
{
    const float dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

Point mirrored(Point p, Point about)
{
    return Point(2 * about.x - p.x, 2 * about.y - p.y);
}

// The point turned around `from` onto the nearest multiple of 15 degrees,
// at the same distance and on the same side (above or below) of it.
Point constrained(Point p, Point from)
{
    const double dx = double(p.x) - from.x;
    const double dy = double(p.y) - from.y;
    const double length = std::hypot(dx, dy);
    if (!(length > 0) || !std::isfinite(length))
        return p;
    const double degree = std::numbers::pi / 180;
    double angle = std::acos(std::clamp(dx / length, -1.0, 1.0));
    angle += angle > 0 ? 7.5 * degree : -7.5 * degree;
    angle = std::trunc(angle / (15 * degree)) * 15 * degree;
    const double side = dy < 0 ? -1 : 1;
    return Point(float(from.x + length * std::cos(angle)), float(from.y + side * length * std::sin(angle)));
}

Point endOf(const PathBase::Element &e)
{
    return e.type == PathElementType::CurveTo ? e.points[2] : e.points[0];
}

} // namespace

TDPolygonTracker::TDPolygonTracker(TDGraphicView &view, std::shared_ptr<TDBezierGraphic> graphic,
                                   const TDEvent &event, std::optional<Point> start,
                                   TDGraphicViewInterface::TrackingCompletion completion)
    : TDTracker(view), m_graphic(std::move(graphic)), m_completion(std::move(completion)), m_zoom(view.zoom())
{
    m_graphic->strokeStyle()->setStyle(TDStrokeLine);
    m_first = start ? *start
                    : view.snapToGrid(view.convertPointFromWindow(
                          Point(event.locationInWindow.x + 0.5f, event.locationInWindow.y + 0.5f)));
    auto path = std::make_shared<TDBezierPath>();
    path->setWindingRule(WindingRule::EvenOdd);
    path->moveTo(m_first);
    m_graphic->setInitialTransformation(AffineTransform());
    m_graphic->setBezierPath(path);
    m_rawPointer = m_pointer = m_node = m_nextControl = m_pendingHandle = m_incoming = m_first;
    m_pressing = true;
    TDStatusText::show(view.tdDocument(), placingText, {});
    auto preview = std::make_shared<TDBezierPath>(*path);
    preview->lineTo(m_first);
    showPreview(preview);
}

Point TDPolygonTracker::lastNode() const
{
    const std::shared_ptr<TDBezierPath> path = m_graphic->bezierPath();
    return path && !path->isEmpty() ? endOf(path->elements().back()) : m_first;
}

Point TDPolygonTracker::firstControl() const
{
    return m_lastSegmentCurve ? m_nextControl : lastNode();
}

Point TDPolygonTracker::pointerOf(const TDEvent &event)
{
    TDGraphicView &v = view();
    if (event.type != TDEvent::Type::FlagsChanged && event.type != TDEvent::Type::KeyDown &&
        event.type != TDEvent::Type::KeyUp)
        m_rawPointer =
            v.convertPointFromWindow(Point(event.locationInWindow.x + 0.5f, event.locationInWindow.y + 0.5f));
    Point p = m_rawPointer;
    if (event.modifierFlags & TDEvent::Shift)
        p = constrained(p, m_curveDrag ? m_node : lastNode());
    const bool highlighted = !(event.modifierFlags & TDEvent::Alternate) &&
                             m_graphic->bezierPath()->elementCount() > 1 &&
                             squaredDistance(p, m_first) < 25 / m_zoom;
    if (highlighted != m_firstHighlighted) {
        m_firstHighlighted = highlighted;
        TDStatusText::show(v.tdDocument(), highlighted ? closingText : placingText, {});
    }
    return v.snapToGrid(p);
}

void TDPolygonTracker::showPreview(std::shared_ptr<TDBezierPath> preview)
{
    m_graphic->setPreviewPath(preview);
    m_graphic->setBounds(preview->bounds());
    publish();
}

void TDPolygonTracker::publish()
{
    TDBezierGraphic::Construction c;
    c.firstPressDragged = m_firstPressDragged;
    c.pointer = m_pointer;
    c.curveDrag = m_curveDrag;
    c.pendingHandle = m_pendingHandle;
    c.firstNodeHighlighted = m_firstHighlighted;
    m_graphic->setConstruction(c);
    m_graphic->setNextControlPoint(m_curveDrag ? m_pendingHandle : m_nextControl);

    // What is drawn now: the preview with its handles, the mirrored first
    // handle and the pending one.
    TDGraphicView &v = view();
    const std::shared_ptr<TDBezierPath> preview = m_graphic->cachedBezierPath();
    Rect shown = preview ? preview->controlPointBounds() : Rect();
    for (Point p : {m_pointer, mirrored(m_pointer, m_first), m_pendingHandle, m_nextControl})
        shown = shown.united(Rect(p, Size(0, 0)));
    const float grow = m_graphic->strokeStyle()->strokeWidth();
    shown = v.insetRectForEditHandles(shown.insetBy(-grow, -grow));
    v.setNeedsDisplayInRect(MyUnionRect(m_shown, shown));
    m_shown = shown;
}

void TDPolygonTracker::showPendingSegment()
{
    auto preview = std::make_shared<TDBezierPath>(*m_graphic->bezierPath());
    if (m_lastSegmentCurve)
        preview->curveTo(m_pointer, m_nextControl, m_pointer);
    else
        preview->lineTo(m_pointer);
    showPreview(preview);
}

bool TDPolygonTracker::mouseDown(const TDEvent &event)
{
    // The second press of a double click ends the path with the node of
    // the first.
    if (event.clickCount > 1)
        return true;
    m_pointer = m_node = m_incoming = m_pendingHandle = pointerOf(event);
    m_pressing = true;
    m_curveDrag = false;
    if (m_firstHighlighted)
        m_closeRequested = true;
    auto preview = std::make_shared<TDBezierPath>(*m_graphic->bezierPath());
    preview->lineTo(m_node);
    showPreview(preview);
    return false;
}

bool TDPolygonTracker::mouseDragged(const TDEvent &event)
{
    TDGraphicView &v = view();
    v.autoscroll(event);
    if (m_phase == Phase::FirstPress) {
        m_pointer = v.convertPointFromWindow(Point(event.locationInWindow.x + 0.5f, event.locationInWindow.y + 0.5f));
        m_nextControl = m_pointer;
        if (squaredDistance(m_first, m_pointer) > 16 / m_zoom) {
            m_firstPressDragged = true;
            m_lastSegmentCurve = true;
        }
        auto preview = std::make_shared<TDBezierPath>(*m_graphic->bezierPath());
        preview->lineTo(m_first);
        showPreview(preview);
        return false;
    }
    if (!m_pressing)
        return mouseMoved(event);
    const Point p = pointerOf(event);
    m_pointer = p;
    if (m_curveDrag || squaredDistance(m_node, p) > 16 / m_zoom) {
        m_curveDrag = true;
        m_pendingHandle = p;
        // Alt leaves the incoming side as it was: a corner when held from the
        // start of the drag.
        if (!(event.modifierFlags & TDEvent::Alternate))
            m_incoming = mirrored(p, m_node);
        auto preview = std::make_shared<TDBezierPath>(*m_graphic->bezierPath());
        preview->curveTo(m_node, firstControl(), m_incoming);
        showPreview(preview);
    }
    return false;
}

bool TDPolygonTracker::mouseUp(const TDEvent &event)
{
    if (m_phase == Phase::FirstPress) {
        m_phase = Phase::Placing;
        m_pressing = false;
        m_pointer = pointerOf(event);
        showPendingSegment();
        return false;
    }
    if (!m_pressing)
        return false;
    m_pressing = false;
    const std::shared_ptr<TDBezierPath> path = m_graphic->bezierPath();
    const Point from = lastNode();
    if (m_curveDrag) {
        const Point c1 = firstControl();
        if (c1 == from && m_incoming == m_node)
            path->lineTo(m_node);
        else
            path->curveTo(m_node, c1, m_incoming);
        m_nextControl = m_pendingHandle;
        m_lastSegmentCurve = true;
    } else if (!m_closeRequested) {
        // A click after a smooth node keeps the curve the preview showed: it
        // leaves along that node's handle and arrives at a corner.
        const Point c1 = firstControl();
        if (c1 == from)
            path->lineTo(m_node);
        else
            path->curveTo(m_node, c1, m_node);
        m_lastSegmentCurve = false;
    }
    m_curveDrag = false;
    if (m_closeRequested) {
        path->close();
        m_graphic->recalculatePath();
        return true;
    }
    m_graphic->recalculatePath();
    m_pointer = pointerOf(event);
    showPendingSegment();
    return false;
}

bool TDPolygonTracker::mouseMoved(const TDEvent &event)
{
    if (m_phase == Phase::FirstPress || m_pressing)
        return false;
    m_pointer = pointerOf(event);
    showPendingSegment();
    return false;
}

bool TDPolygonTracker::keyDown(const TDEvent &event)
{
    switch (event.key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        if (m_pressing)
            return false;
        if (m_graphic->bezierPath()->elementCount() < 2) {
            // Nothing left to take back: the path is given up.
            m_made = false;
            return true;
        }
        takeBackLastSegment();
        return false;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return false;
    }
}

bool TDPolygonTracker::flagsChanged(const TDEvent &event)
{
    if (m_phase == Phase::FirstPress)
        return false;
    if (m_pressing)
        return mouseDragged(event);
    return mouseMoved(event);
}

void TDPolygonTracker::takeBackLastSegment()
{
    const TDBezierPath &old = *m_graphic->bezierPath();
    const int count = old.elementCount();
    const PathBase::Element removed = old.elements()[size_t(count - 1)];
    const PathBase::Element &newLast = old.elements()[size_t(count - 2)];
    m_lastSegmentCurve = newLast.type == PathElementType::CurveTo;
    if (removed.type == PathElementType::CurveTo)
        m_nextControl = removed.points[0];
    else if (m_lastSegmentCurve)
        m_nextControl = mirrored(newLast.points[1], newLast.points[2]);
    auto path = std::make_shared<TDBezierPath>(old);
    path->removeAllPoints();
    path->appendBezierPath(old, 0, count - 1);
    m_graphic->setBezierPath(path);
    showPendingSegment();
}

void TDPolygonTracker::interrupt(const TDEvent &)
{
    // The window lost the pointer or the keys: the path stays as far as it
    // was drawn.
}

void TDPolygonTracker::cancel(const TDEvent &)
{
    m_made = false;
}

void TDPolygonTracker::finish()
{
    TDGraphicView &v = view();
    m_graphic->setConstruction(std::nullopt);
    m_graphic->recalculatePath();
    // A path of a lone move (Return after the first click, a close on the
    // first node) draws nothing: it is not kept.
    const std::shared_ptr<TDBezierPath> path = m_graphic->bezierPath();
    bool draws = false;
    for (const PathBase::Element &e : path->elements())
        draws = draws || e.type == PathElementType::LineTo || e.type == PathElementType::CurveTo;
    const bool made = m_made && draws;
    v.setNeedsDisplayInRect(MyUnionRect(m_shown, v.insetRectForHalo(m_graphic->drawingBounds())));
    if (m_completion) {
        const auto completion = std::move(m_completion);
        m_completion = nullptr;
        completion({made, true});
    }
}

} // namespace scrivane
