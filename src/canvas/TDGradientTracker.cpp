#include "canvas/TDGradientTracker.h"

#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"
#include "model/TDGraphic.h"
#include "model/TDStrokeStyle.h"
#include "model/TDUndoManager.h"
#include "platform/StringTable.h"

#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

float squaredDistance(Point a, Point b)
{
    const float dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

// The end as seen from `from` at the same distance, turned to the nearest
// lower multiple of 15 degrees after adding 7.5 (so: the nearest one).
Point snappedDirection(Point from, Point to)
{
    const double dx = double(to.x) - from.x, dy = double(to.y) - from.y;
    const double length = std::hypot(dx, dy);
    if (!(length > 0))
        return to;
    const double degree = std::numbers::pi / 180;
    double angle = std::atan2(dy, dx) / degree;
    if (angle < 0)
        angle += 360;
    angle = std::trunc((angle + 7.5) / 15) * 15 * degree;
    return Point(float(from.x + length * std::cos(angle)), float(from.y + length * std::sin(angle)));
}

Point quarterTurn(Point s, Point e)
{
    return Point(s.x - (e.y - s.y), s.y + (e.x - s.x));
}

} // namespace

std::unique_ptr<TDGradientTracker> TDGradientTracker::start(TDGraphicView &view)
{
    for (const TDGraphicPtr &g : view.selection())
        if (g->fillStyle()->style() == TDFillStyle::GradientFill)
            return std::unique_ptr<TDGradientTracker>(new TDGradientTracker(view, g));
    return nullptr;
}

TDGradientTracker::TDGradientTracker(TDGraphicView &view, TDGraphicPtr first)
    : TDTracker(view), m_first(std::move(first)), m_graphics(view.selection())
{
    const TDFillStyle &fill = *m_first->fillStyle();
    m_radial = fill.gradientStyle() != 0;
    const Point s = fill.gradientStart(), e = fill.gradientEnd();
    const AffineTransform &t = m_first->fillTransformation();
    m_s = t.transformPoint(s);
    m_e = t.transformPoint(e);
    m_r = t.transformPoint(quarterTurn(s, e));
    {
        // The overlay is no graphic of the drawing: nothing of it is undone.
        TDUndoManager::CreateGraphicsScope quiet;
        m_overlay = std::make_shared<TDBezierGraphic>();
        m_overlay->setDocument(view.tdDocument());
        m_overlay->strokeStyle()->setStyle(TDStrokeLine);
        m_overlay->strokeStyle()->setStrokeWidth(1 / view.zoom());
        m_overlay->strokeStyle()->setStartArrowStyle(1);
        if (m_radial)
            m_overlay->strokeStyle()->setEndArrowStyle(2);
        m_overlay->fillStyle()->setStyle(0);
    }
    // The session spans many events: one step from here to its end.
    if (TDDocument *document = view.tdDocument())
        if ((m_undo = document->undoManager()))
            m_undo->beginUndoGrouping();
    for (const TDGraphicPtr &g : m_graphics)
        g->fillStyle()->startEditingGradient();
    view.setCreatingGraphic(m_overlay);
    showOverlay();
}

void TDGradientTracker::showOverlay()
{
    TDUndoManager::CreateGraphicsScope quiet;
    auto path = std::make_shared<TDBezierPath>();
    path->moveTo(m_e);
    path->lineTo(m_s);
    if (m_radial)
        path->lineTo(m_r);
    m_overlay->setBezierPath(path);
    TDGraphicView &v = view();
    const float grow = 3 / v.zoom();
    Rect shown = m_overlay->drawingBounds().insetBy(-grow, -grow);
    for (const TDGraphicPtr &g : m_graphics)
        shown = shown.united(v.insetRectForHalo(g->drawingBounds()));
    v.setNeedsDisplayInRect(MyUnionRect(m_shown, shown));
    m_shown = shown;
}

void TDGradientTracker::apply(unsigned modifiers)
{
    const bool elliptical = m_radial && (m_grabbed == Handle::Radius || (modifiers & TDEvent::Alternate));
    // The free radius handle follows the axis: its quarter turn, taken
    // through the first graphic's fill transformation as it stands before
    // this step (the identity once a plain gradient was set, so from the
    // second step on the handle is the quarter turn itself).
    if (!elliptical)
        m_r = m_first->fillTransformation().transformPoint(quarterTurn(m_s, m_e));
    for (const TDGraphicPtr &g : m_graphics) {
        if (elliptical)
            g->fillStyle()->setGradientFromGlobalPoint(m_s, m_e, m_r);
        else
            g->fillStyle()->setGradientFromGlobalPoint(m_s, m_e);
    }
    showOverlay();
}

void TDGradientTracker::drag(Point p, unsigned modifiers)
{
    const bool shift = modifiers & TDEvent::Shift;
    const Point s = m_s, e = m_e, r = m_r;
    switch (m_grabbed) {
    case Handle::None:
        return;
    case Handle::End:
        m_e = shift ? snappedDirection(m_s, p) : p;
        break;
    case Handle::Start:
        if (shift) {
            // Turned about the end: the direction from start to end snaps.
            const Point turned = snappedDirection(m_e, p);
            m_s = turned;
        } else {
            m_s = p;
        }
        break;
    case Handle::Radius: {
        m_r = p;
        if (shift) {
            // Square to the axis; near the axis's length, a circle.
            const Point n(m_e.y - m_s.y, -(m_e.x - m_s.x));
            const double nn = double(n.x) * n.x + double(n.y) * n.y;
            if (nn > 0) {
                const double f = ((double(p.x) - m_s.x) * n.x + (double(p.y) - m_s.y) * n.y) / nn;
                m_r = Point(float(m_s.x + n.x * f), float(m_s.y + n.y * f));
                const double ln = std::sqrt(nn);
                const double lr = std::sqrt(double(squaredDistance(m_r, m_s)));
                if (std::abs(ln - lr) < std::sqrt(25.0 / view().zoom())) {
                    const bool negative = n.x * (m_r.x - m_s.x) <= 0;
                    m_r = negative ? Point(m_s.x - n.x, m_s.y - n.y) : Point(m_s.x + n.x, m_s.y + n.y);
                }
            }
        }
        break;
    }
    }
    // A gradient needs a direction (and a radial one a plane): a handle
    // dragged onto another keeps its place.
    const bool degenerate = squaredDistance(m_s, m_e) == 0 ||
                            (m_grabbed == Handle::Radius && squaredDistance(m_r, m_s) == 0) ||
                            !std::isfinite(m_s.x + m_s.y + m_e.x + m_e.y + m_r.x + m_r.y);
    if (degenerate) {
        m_s = s;
        m_e = e;
        m_r = r;
        return;
    }
    apply(modifiers);
}

bool TDGradientTracker::mouseDown(const TDEvent &event)
{
    TDGraphicView &v = view();
    const Point p = v.convertPointFromWindow(Point(event.locationInWindow.x + 0.5f, event.locationInWindow.y + 0.5f));
    const float capture = 25 / v.zoom();
    m_grabbed = Handle::None;
    if (squaredDistance(p, m_e) < capture)
        m_grabbed = Handle::End;
    else if (squaredDistance(p, m_s) < capture)
        m_grabbed = Handle::Start;
    else if (m_radial && squaredDistance(p, m_r) < capture)
        m_grabbed = Handle::Radius;
    if (m_grabbed != Handle::None) {
        apply(event.modifierFlags);
        return false;
    }
    for (const TDGraphicPtr &g : m_graphics) {
        if (g->hitTest(p)) {
            // The gradient starts where the press is and follows the drag.
            if (squaredDistance(p, m_e) > 0)
                m_s = p;
            m_grabbed = Handle::End;
            apply(event.modifierFlags);
            return false;
        }
    }
    // A press elsewhere ends the session and then does what it does.
    return true;
}

bool TDGradientTracker::mouseDragged(const TDEvent &event)
{
    TDGraphicView &v = view();
    v.autoscroll(event);
    drag(v.convertPointFromWindow(Point(event.locationInWindow.x + 0.5f, event.locationInWindow.y + 0.5f)),
         event.modifierFlags);
    return false;
}

bool TDGradientTracker::mouseUp(const TDEvent &event)
{
    mouseDragged(event);
    m_grabbed = Handle::None;
    return false;
}

bool TDGradientTracker::keyDown(const TDEvent &)
{
    return true;
}

bool TDGradientTracker::flagsChanged(const TDEvent &)
{
    return false;
}

void TDGradientTracker::interrupt(const TDEvent &)
{
}

void TDGradientTracker::cancel(const TDEvent &)
{
    m_cancelled = true;
}

void TDGradientTracker::finish()
{
    TDGraphicView &v = view();
    for (const TDGraphicPtr &g : m_graphics) {
        if (m_cancelled)
            g->fillStyle()->cancelEditingGradient();
        else
            g->fillStyle()->endEditingGradient();
    }
    if (v.creatingGraphic() == m_overlay.get())
        v.setCreatingGraphic(nullptr);
    v.setNeedsDisplayInRect(m_shown);
    if (m_undo) {
        if (!m_cancelled)
            m_undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Set Gradient")));
        m_undo->endUndoGrouping();
    }
}

} // namespace scrivane
