#pragma once

#include "model/TDEvent.h"

namespace scrivane {

class TDGraphicView;

// One interactive gesture of the canvas, from the press to the release:
// the canvas feeds it the events that follow the press until it says it
// is done, and what should happen when the gesture is over runs from its
// completion.  Only one tracker runs at a time; the canvas owns it.
//
// Escape (or Ctrl+.) ends a tracker through `cancel`; a release that never
// comes (the window lost the focus, the mouse grab was broken) ends it
// through `mouseUp` with the last known position, like a release.
class TDTracker {
public:
    explicit TDTracker(TDGraphicView &view) : m_view(view) {}
    virtual ~TDTracker() = default;
    TDTracker(const TDTracker &) = delete;
    TDTracker &operator=(const TDTracker &) = delete;

    // Each answers true when the gesture is over; the canvas then calls
    // `finish` and drops the tracker.
    virtual bool mouseDragged(const TDEvent &event) = 0;
    virtual bool mouseUp(const TDEvent &event) = 0;
    virtual bool keyDown(const TDEvent &) { return false; }
    virtual bool keyUp(const TDEvent &) { return false; }
    virtual bool flagsChanged(const TDEvent &) { return false; }
    // A gesture that goes on over several presses (the polygon tool) also
    // hears the presses and the pointer's moves without a button, and a
    // release ends it only when it says so.
    virtual bool spansPresses() const { return false; }
    virtual bool mouseDown(const TDEvent &) { return false; }
    virtual bool mouseMoved(const TDEvent &) { return false; }
    // The event that ended the gesture also does what it does without it
    // (a press elsewhere, a key), once the gesture is over.
    virtual bool passesEndingEventOn() const { return false; }
    // The gesture is cut short (the window lost the focus, the grab was
    // broken): by default as at a release at the last known position.  The
    // gesture is over afterwards.
    virtual void interrupt(const TDEvent &event) { mouseUp(event); }
    // Escape or Ctrl+.: the gesture is undone where it can be, and over.
    virtual void cancel(const TDEvent &event) = 0;
    // Runs once after the tracker is over and out of the canvas's hands:
    // what follows the gesture.
    virtual void finish() {}
    // While true the canvas draws no selection handles (a knob drag that
    // moved: the handles would not follow the graphics).
    virtual bool hidesSelectionHandles() const { return false; }

protected:
    TDGraphicView &view() const { return m_view; }

private:
    TDGraphicView &m_view;
};

} // namespace scrivane
