#pragma once

#include "canvas/TDGraphicView.h"
#include "canvas/TDTracker.h"

namespace scrivane {

// The edit tool's band: the nodes whose handles the rectangle spanned by
// the press and the pointer touches become the node selection (with Shift,
// added to the nodes selected before) when the band is let go, as one
// selection change.  While it is dragged the canvas shows the band's
// nodes; Escape leaves the node selection as it was.
class TDNodeBandTracker : public TDTracker {
public:
    TDNodeBandTracker(TDGraphicView &view, const TDEvent &event);

    bool mouseDragged(const TDEvent &event) override;
    bool mouseUp(const TDEvent &event) override;
    bool keyDown(const TDEvent &event) override;
    bool keyUp(const TDEvent &event) override;
    bool flagsChanged(const TDEvent &event) override;
    void cancel(const TDEvent &event) override;
    void finish() override;

private:
    void step(unsigned modifiers);

    Point m_start;
    Point m_current;
    TDGraphicView::NodeMap m_nodes;
    bool m_applied = false;
};

} // namespace scrivane
