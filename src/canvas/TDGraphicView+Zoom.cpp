#include "canvas/TDGraphicView.h"

#include "canvas/ScalingScrollView.h"
#include "canvas/TDHandTracker.h"
#include "canvas/TDTracker.h"
#include "canvas/TDZoomTracker.h"
#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"
#include "model/TDGraphic.h"
#include "model/TDLayer.h"
#include "platform/NotificationCenter.h"

#include <QCursor>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

Rect rectCentredOn(Point centre, float width, float height)
{
    return Rect(centre.x - width / 2, centre.y - height / 2, width, height);
}

} // namespace

// --- Zoom commands ------------------------------------------------------------------------------------

void TDGraphicView::zoom(float factor)
{
    ScalingScrollView *scroll = scrollView();
    if (!scroll || !std::isfinite(factor) || factor <= 0)
        return;
    const QSize content = scroll->contentSize();
    const Rect visible = visibleRect();
    const Point centre(visible.midX(), visible.midY());
    scroll->setScaleFactor(zoom() * factor, true);
    const float z = zoom();
    scrollRectToVisible(rectCentredOn(centre, float(content.width()) / z, float(content.height()) / z));
}

void TDGraphicView::zoomToRect(const Rect &rect)
{
    ScalingScrollView *scroll = scrollView();
    if (!scroll)
        return;
    const QSize content = scroll->contentSize();
    const float z = std::min(float(content.width()) / (rect.width() + 1), float(content.height()) / (rect.height() + 1));
    scroll->setScaleFactor(z * 0.95f, true);
    const Rect visible = visibleRect();
    scrollRectToVisible(rect.insetBy((rect.width() - visible.width()) / 2, (rect.height() - visible.height()) / 2));
}

void TDGraphicView::zoomToFitRect(const Rect &rect)
{
    const Rect visible = visibleRect();
    if (visible.contains(rect))
        return;
    zoomToRect(MyUnionRect(visible, rect));
}

void TDGraphicView::zoomToFit()
{
    if (!m_selectedGraphics.empty()) {
        zoomToRect(maxDrawingBoundsFor(m_selectedGraphics));
        return;
    }
    if (!m_document)
        return;
    zoomToRect(m_document->paperBounds().united(maxDrawingBoundsFor(m_document->graphics())));
}

Rect TDGraphicView::maxDrawingBoundsFor(const TDGraphicArray &graphics) const
{
    Rect result;
    for (const auto &graphic : graphics)
        result = MyUnionRect(result, graphic->editingBounds());
    return result;
}

// --- Zoom tool ----------------------------------------------------------------------------------------

void TDGraphicView::zoomWithEvent(const TDEvent &event)
{
    beginTracking(std::make_unique<TDZoomTracker>(*this, event));
}

// --- Hand tool ----------------------------------------------------------------------------------------

void TDGraphicView::grabWithEvent(const TDEvent &event)
{
    beginTracking(std::make_unique<TDHandTracker>(*this, event));
}

// --- Dropper tool -------------------------------------------------------------------------------------

void TDGraphicView::dropperWithEvent(const TDEvent &event)
{
    const TDGraphicPtr picked = graphicUnderPoint(convertPointFromWindow(event.locationInWindow));
    if (!picked)
        return;
    std::vector<TDGraphic *> targets;
    for (const auto &graphic : m_selectedGraphics)
        if (graphic != picked)
            targets.push_back(graphic.get());
    if (m_selectedGraphics.empty()) {
        TDInspectorInterface *inspector = TDApplicationServices::inspector();
        TDGraphic *style = inspector ? inspector->styleGraphic() : nullptr;
        if (!style)
            return;
        NotificationCenter::defaultCenter().post(TDGraphic::didChangeNotification, nullptr);
        targets.push_back(style);
    }
    const unsigned flags = event.modifierFlags;
    const bool fill = flags & TDEvent::Shift;
    const bool stroke = flags & TDEvent::Alternate;
    const bool effects = flags & TDEvent::Command;
    if (!fill && !stroke && !effects) {
        for (TDGraphic *target : targets)
            target->copyStyleFrom(*picked);
        return;
    }
    for (TDGraphic *target : targets) {
        target->willChange();
        if (fill)
            target->copyFillFrom(*picked);
        if (stroke)
            target->copyStrokeFrom(*picked);
        if (effects)
            target->copyEffectsFrom(*picked);
        target->didChange();
    }
}

// --- Autoscroll ----------------------------------------------------------------------------------------

void TDGraphicView::autoscroll(const TDEvent &event)
{
    ScalingScrollView *scroll = scrollView();
    if (!scroll)
        return;
    const QWidget *top = window();
    const QPointF local = top == this ? QPointF(event.locationInWindow.x, event.locationInWindow.y)
                                      : mapFrom(top, QPointF(event.locationInWindow.x, event.locationInWindow.y));
    scroll->ensureVisible(int(std::lround(std::clamp(local.x(), -1.0e9, 1.0e9))),
                          int(std::lround(std::clamp(local.y(), -1.0e9, 1.0e9))), 0, 0);
}

} // namespace scrivane
