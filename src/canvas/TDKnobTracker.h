#pragma once

#include "canvas/TDKnobGeometry.h"
#include "canvas/TDTracker.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDModelTypes.h"
#include "platform/AffineTransform.h"

namespace scrivane {

// Moves a knob of some graphics with the pointer, from the press to the
// release: sizing a graphic being created, and the knob drags of the
// selection (move, scale, rotate, skew).  A move of the selection waits
// for the pointer to travel more than 3 screen pixels, so that a click
// nudges nothing.  The graphics are manipulated from the start of the drag
// to its end and composed with the total transformation at every event;
// Escape puts them back.  The completion hears whether the drag completed
// and whether the pointer moved at all.
class TDKnobTracker : public TDTracker {
public:
    TDKnobTracker(TDGraphicView &view, Knob knob, TDGraphicArray graphics, const TDEvent &event,
                  TDGraphicViewInterface::TrackingCompletion completion);

    bool mouseDragged(const TDEvent &event) override;
    bool mouseUp(const TDEvent &event) override;
    bool keyDown(const TDEvent &event) override;
    bool keyUp(const TDEvent &event) override;
    bool flagsChanged(const TDEvent &event) override;
    void cancel(const TDEvent &event) override;
    void finish() override;
    bool hidesSelectionHandles() const override { return m_moved; }

private:
    void begin();
    void scaleKeys(const TDEvent &event, bool up);
    void update(const TDEvent &event);
    void statusText(const AffineTransform &t);

    Knob m_knob;
    TDGraphicArray m_graphics;
    TDGraphicViewInterface::TrackingCompletion m_completion;
    TDKnobGeometry m_geometry;
    Point m_start;
    Point m_rawStart;
    bool m_waiting = false;
    bool m_moved = false;
    bool m_endedBeforeMove = false;
    bool m_escaped = false;
    unsigned m_lastModifiers = 0;
    AffineTransform m_lastTransform;
};

} // namespace scrivane
