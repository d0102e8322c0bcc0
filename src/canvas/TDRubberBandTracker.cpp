#include "canvas/TDRubberBandTracker.h"

#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"
#include "model/TDGraphic.h"
#include "model/TDStatusText.h"

#include <cmath>
#include <unordered_set>

namespace scrivane {

namespace {

Rect grown(const Rect &r, float by)
{
    return r.insetBy(-by, -by);
}

} // namespace

TDRubberBandTracker::TDRubberBandTracker(TDGraphicView &view, const TDEvent &event, bool clearFirst)
    : TDTracker(view), m_before(view.selection())
{
    if (clearFirst && !view.selection().empty()) {
        view.invalidateSelection();
        view.setSelectionQuietly({});
    }
    m_kept = view.selection();
    view.setEditState(TDGraphicView::EditState::GraphicsBand);
    m_start = pointOf(event);
    m_current = m_start;
    m_band = TDRectFromPoints(m_start, m_current);
    TDStatusText::show(view.tdDocument(),
                       QStringLiteral("Drag to select graphics.  *S add to selection  *A inside box"), {});
}

Point TDRubberBandTracker::pointOf(const TDEvent &event) const
{
    // The half pixel is added after the conversion.
    const Point p = view().convertPointFromWindow(event.locationInWindow);
    return Point(p.x + 0.5f, p.y + 0.5f);
}

bool TDRubberBandTracker::mouseDragged(const TDEvent &event)
{
    view().autoscroll(event);
    m_current = pointOf(event);
    step(event.modifierFlags);
    return false;
}

bool TDRubberBandTracker::mouseUp(const TDEvent &event)
{
    m_current = pointOf(event);
    step(event.modifierFlags);
    return true;
}

bool TDRubberBandTracker::keyDown(const TDEvent &event)
{
    step(event.modifierFlags);
    return false;
}

bool TDRubberBandTracker::keyUp(const TDEvent &event)
{
    step(event.modifierFlags);
    return false;
}

bool TDRubberBandTracker::flagsChanged(const TDEvent &event)
{
    step(event.modifierFlags);
    return false;
}

void TDRubberBandTracker::step(unsigned modifiers)
{
    TDGraphicView &v = view();
    const Rect band = TDRectFromPoints(m_start, m_current);
    if (band == m_band)
        return;

    TDGraphicArray result = (modifiers & TDEvent::Alternate) ? v.graphicsUnderRect(band, m_first.get())
                                                             : v.graphicsIntersectingRect(band, m_first.get());
    std::unordered_set<const TDGraphic *> inResult;
    inResult.reserve(result.size() + m_kept.size());
    for (const auto &g : result)
        inResult.insert(g.get());
    if (modifiers & TDEvent::Shift) {
        for (const auto &g : m_kept)
            if (inResult.insert(g.get()).second)
                result.push_back(g);
    }
    if (result.empty())
        m_first = nullptr;
    else if (!m_first)
        m_first = result.front();

    // What changes on screen: both bands and every graphic whose selection
    // state changed.
    std::unordered_set<const TDGraphic *> before;
    before.reserve(v.selection().size());
    for (const auto &g : v.selection())
        before.insert(g.get());
    TDGraphicArray flipped;
    for (const auto &g : v.selection())
        if (!inResult.count(g.get()))
            flipped.push_back(g);
    for (const auto &g : result)
        if (!before.count(g.get()))
            flipped.push_back(g);

    const float halo = 1 / v.zoom();
    Rect dirty = MyUnionRect(grown(m_band, halo), grown(band, halo));
    dirty = v.insetRectForHalo(MyUnionRect(dirty, v.boundsFor(flipped, true)));

    v.setSelectionQuietly(result);
    m_result = std::move(result);
    m_band = band;
    v.setRubberbandRect(band);
    m_changed = true;
    if (TDInspectorInterface *inspector = TDApplicationServices::inspector())
        inspector->updateTransform(v.selection());
    if (TDLayerControllerInterface *layers = TDApplicationServices::layerController())
        layers->invalidate();
    v.setNeedsDisplayInRect(dirty);
}

void TDRubberBandTracker::cancel(const TDEvent &)
{
    m_cancelled = true;
}

void TDRubberBandTracker::finish()
{
    TDGraphicView &v = view();
    // The selection as it was; what the band found becomes one selection
    // change of its own.
    v.invalidateSelection();
    v.setSelectionQuietly(m_before);
    if (!m_cancelled) {
        if (m_changed)
            v.selectGraphics(m_result);
        else if (m_kept.empty())
            v.clearSelection(); // a click on empty space: only the press's clearing

    }
    const float halo = 1 / v.zoom();
    v.setNeedsDisplayInRect(MyUnionRect(grown(m_band, halo), v.selectedDrawingBounds()));
    v.invalidateSelection();
    v.setRubberbandRect(Rect());
    if (TDInspectorInterface *inspector = TDApplicationServices::inspector())
        inspector->updateTransform(v.selection());
}

} // namespace scrivane
