#include "canvas/TDTextSelectionTracker.h"

#include "canvas/TDGraphicView.h"
#include "canvas/TDTextView.h"

namespace scrivane {

bool TDTextSelectionTracker::extend(const TDEvent &event)
{
    TDTextView *editor = view().textEditor();
    if (!editor)
        return false;
    m_moved = m_moved || event.locationInWindow != m_press;
    if (m_moved) {
        editor->mouseDrag(view().convertPointFromWindow(event.locationInWindow));
        view().setNeedsDisplayInRect(editor->area());
    }
    return true;
}

bool TDTextSelectionTracker::mouseDragged(const TDEvent &event)
{
    view().autoscroll(event);
    return !extend(event);
}

bool TDTextSelectionTracker::mouseUp(const TDEvent &event)
{
    extend(event);
    return true;
}

} // namespace scrivane
