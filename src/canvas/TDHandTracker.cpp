#include "canvas/TDHandTracker.h"

#include "canvas/TDCursors.h"
#include "canvas/TDGraphicView.h"

namespace scrivane {

TDHandTracker::TDHandTracker(TDGraphicView &view, const TDEvent &event)
    : TDTracker(view), m_start(event.locationInWindow), m_origin(view.visibleRect().origin)
{
    view.setCursor(TDCursors::shared().cursor(TDCursors::Kind::HandClosed));
}

bool TDHandTracker::mouseDragged(const TDEvent &event)
{
    TDGraphicView &v = view();
    const float z = v.zoom();
    // Window coordinates do not move with the scrolling, and run down like
    // the canvas.
    v.scrollPoint(Point(m_origin.x - (event.locationInWindow.x - m_start.x) / z,
                        m_origin.y - (event.locationInWindow.y - m_start.y) / z));
    return false;
}

bool TDHandTracker::mouseUp(const TDEvent &event)
{
    mouseDragged(event);
    return true;
}

void TDHandTracker::finish()
{
    view().setCursor(TDCursors::shared().cursor(TDCursors::Kind::HandOpen));
}

} // namespace scrivane
