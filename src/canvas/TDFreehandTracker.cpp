#include "canvas/TDFreehandTracker.h"

#include "canvas/TDGraphicView.h"
#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"

namespace scrivane {

namespace {

Point pressPoint(const TDGraphicView &view, const TDEvent &event, std::optional<Point> start)
{
    if (start)
        return *start;
    // Not snapped: a stroke goes where the hand puts it.
    return view.convertPointFromWindow(Point(event.locationInWindow.x + 0.5f, event.locationInWindow.y + 0.5f));
}

} // namespace

TDFreehandTracker::TDFreehandTracker(TDGraphicView &view, std::shared_ptr<TDBezierGraphic> graphic,
                                     const TDEvent &event, std::optional<Point> start,
                                     TDGraphicViewInterface::TrackingCompletion completion)
    : TDTracker(view), m_graphic(std::move(graphic)), m_completion(std::move(completion)),
      m_stroke(pressPoint(view, event, start), view.zoom(), event.tablet)
{
    m_lastModifiers = event.modifierFlags;
    m_graphic->beginStroke(event.tablet);
    m_graphic->showStroke(m_stroke);
}

void TDFreehandTracker::add(const TDEvent &event)
{
    TDGraphicView &v = view();
    m_lastModifiers = event.modifierFlags;
    const Point q = v.convertPointFromWindow(event.locationInWindow);
    const std::optional<Rect> changed = m_stroke.addPoint(q, event.pressure);
    if (!changed)
        return;
    m_graphic->showStroke(m_stroke);
    if (m_graphic->fillStyle()->style() != TDFillNone) {
        // A fill changes everywhere inside the stroke.
        v.setNeedsDisplayInRect(v.insetRectForHalo(m_stroke.bounds()));
        return;
    }
    const float grow = m_graphic->strokeStyle()->strokeWidth() + 2 / v.zoom();
    v.setNeedsDisplayInRect(changed->insetBy(-grow, -grow));
}

bool TDFreehandTracker::mouseDragged(const TDEvent &event)
{
    view().autoscroll(event);
    add(event);
    return false;
}

bool TDFreehandTracker::mouseUp(const TDEvent &event)
{
    add(event);
    return true;
}

void TDFreehandTracker::cancel(const TDEvent &)
{
    m_cancelled = true;
}

void TDFreehandTracker::finish()
{
    TDGraphicView &v = view();
    const Rect drawn = m_graphic->drawingBounds();
    const bool smoothNodes = !(m_lastModifiers & TDEvent::Alternate);
    const bool made = m_graphic->finishStroke(m_stroke, smoothNodes);
    v.setNeedsDisplayInRect(v.insetRectForHalo(MyUnionRect(drawn, m_graphic->drawingBounds())));
    if (m_completion) {
        const auto completion = std::move(m_completion);
        m_completion = nullptr;
        completion({made && !m_cancelled, made});
    }
}

} // namespace scrivane
