#include "canvas/TDNodeBandTracker.h"

#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"
#include "model/TDStatusText.h"

#include <algorithm>

namespace scrivane {

TDNodeBandTracker::TDNodeBandTracker(TDGraphicView &view, const TDEvent &event) : TDTracker(view)
{
    view.setRubberbandNodes(TDGraphicView::NodeMap());
    view.setEditState(TDGraphicView::EditState::NodeBand);
    TDStatusText::show(view.tdDocument(), QStringLiteral("Drag to select nodes.  *S add to selection"), {});
    m_start = m_current = view.convertPointFromWindow(event.locationInWindow);
}

void TDNodeBandTracker::step(unsigned modifiers)
{
    TDGraphicView &v = view();
    const Rect old = v.rubberbandRect();
    const Rect band = TDRectFromPoints(m_start, m_current);
    v.setNeedsDisplayInRect(old.insetBy(-1, -1));
    v.setRubberbandRect(band);
    m_nodes = v.nodesIntersectingRect(band);
    if (modifiers & TDEvent::Shift) {
        // The nodes selected before stay.
        for (const auto &[id, nodes] : v.graphicNodes()) {
            QList<int> &merged = m_nodes[id];
            for (int n : nodes)
                if (!merged.contains(n))
                    merged.append(n);
            std::sort(merged.begin(), merged.end());
        }
    }
    v.setRubberbandNodes(m_nodes);
    if (TDInspectorInterface *inspector = TDApplicationServices::inspector())
        inspector->updateTransform(v.selection());
    v.setNeedsDisplayInRect(band.insetBy(-1, -1));
}

bool TDNodeBandTracker::mouseDragged(const TDEvent &event)
{
    view().autoscroll(event);
    m_current = view().convertPointFromWindow(event.locationInWindow);
    step(event.modifierFlags);
    return false;
}

bool TDNodeBandTracker::mouseUp(const TDEvent &event)
{
    m_current = view().convertPointFromWindow(event.locationInWindow);
    step(event.modifierFlags);
    m_applied = true;
    return true;
}

bool TDNodeBandTracker::keyDown(const TDEvent &event)
{
    step(event.modifierFlags);
    return false;
}

bool TDNodeBandTracker::keyUp(const TDEvent &event)
{
    return keyDown(event);
}

bool TDNodeBandTracker::flagsChanged(const TDEvent &event)
{
    return keyDown(event);
}

void TDNodeBandTracker::cancel(const TDEvent &)
{
    m_applied = false;
}

void TDNodeBandTracker::finish()
{
    TDGraphicView &v = view();
    const Rect old = v.rubberbandRect();
    v.setRubberbandRect(Rect());
    if (!old.isEmpty())
        v.setNeedsDisplayInRect(old.insetBy(-1, -1));
    v.setRubberbandNodes(std::nullopt);
    if (m_applied)
        v.setGraphicNodes(m_nodes);
    v.setEditState(TDGraphicView::EditState::EditTool);
}

} // namespace scrivane
