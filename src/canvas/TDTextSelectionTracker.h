#pragma once

#include "canvas/TDTracker.h"
#include "platform/Geometry.h"

namespace scrivane {

// A press on the text being edited: dragging extends the editor's
// selection to the pointer until the release.
class TDTextSelectionTracker : public TDTracker {
public:
    // `press` in window coordinates: a release there keeps the selection
    // the press made (a word, a paragraph).
    TDTextSelectionTracker(TDGraphicView &view, Point press) : TDTracker(view), m_press(press) {}

    bool mouseDragged(const TDEvent &event) override;
    bool mouseUp(const TDEvent &event) override;
    void cancel(const TDEvent &) override {}

private:
    bool extend(const TDEvent &event);
    Point m_press;
    bool m_moved = false;
};

} // namespace scrivane
