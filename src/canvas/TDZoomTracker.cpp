#include "canvas/TDZoomTracker.h"

#include "canvas/ScalingScrollView.h"
#include "canvas/TDGraphicView.h"

#include <algorithm>

namespace scrivane {

namespace {

Rect rectCentredOn(Point centre, float width, float height)
{
    return Rect(centre.x - width / 2, centre.y - height / 2, width, height);
}

} // namespace

TDZoomTracker::TDZoomTracker(TDGraphicView &view, const TDEvent &event)
    : TDTracker(view), m_start(view.convertPointFromWindow(
                           Point(event.locationInWindow.x + 0.5f, event.locationInWindow.y + 0.5f))),
      m_option(event.modifierFlags & TDEvent::Alternate)
{
    view.setRubberbandRect(Rect());
}

bool TDZoomTracker::mouseDragged(const TDEvent &event)
{
    TDGraphicView &v = view();
    v.autoscroll(event);
    const float grow = 1 / v.zoom();
    const Rect old = v.rubberbandRect().insetBy(-grow, -grow);
    const Point current =
        v.convertPointFromWindow(Point(event.locationInWindow.x + 0.5f, event.locationInWindow.y + 0.5f));
    v.setRubberbandRect(TDRectFromPoints(m_start, current));
    v.setNeedsDisplayInRect(MyUnionRect(old, v.rubberbandRect().insetBy(-grow, -grow)));
    return false;
}

bool TDZoomTracker::mouseUp(const TDEvent &event)
{
    mouseDragged(event);
    return true;
}

void TDZoomTracker::cancel(const TDEvent &)
{
    m_cancelled = true;
}

void TDZoomTracker::finish()
{
    TDGraphicView &v = view();
    ScalingScrollView *scroll = v.scrollView();
    const Rect band = v.rubberbandRect();
    if (scroll && !m_cancelled) {
        const QSize content = scroll->contentSize();
        if (band.width() >= 2 && band.height() >= 2) {
            const float z = std::min(float(content.width()) / (band.width() + 1),
                                     float(content.height()) / (band.height() + 1));
            scroll->setScaleFactor(z, true);
            v.scrollRectToVisible(band);
        } else {
            scroll->setScaleFactor(v.zoom() * (m_option ? 0.5f : 2.0f), true);
            const float z = v.zoom();
            v.scrollRectToVisible(
                rectCentredOn(m_start, float(content.width()) / z, float(content.height()) / z));
        }
    }
    v.setRubberbandRect(Rect());
    v.setNeedsDisplay();
}

} // namespace scrivane
