#pragma once

#include "canvas/TDTracker.h"
#include "model/TDModelTypes.h"
#include "platform/Geometry.h"

#include <memory>

namespace scrivane {

class TDBezierGraphic;
class TDUndoManager;

// The gradient of the selection edited on the canvas: the first selected
// graphic with a gradient fill shows its start, end and (radial) radius
// handles joined by an arrow; a press grabs the handle under it (within 5
// screen pixels) or, on a selected graphic, starts the gradient there, and
// a drag moves it (Shift: the end or start turns to 15 degrees at the same
// distance, the radius stays square to the axis and snaps to a circle).
// Every selected graphic takes the gradient as it moves.  The session ends
// at a key or a press elsewhere, which then does what it does anyway (an
// Escape also leaves a group); one undo step keeps the new gradients,
// Escape gives the old ones back.  A
// handle dragged onto the other keeps its place: a gradient needs a
// direction.
class TDGradientTracker : public TDTracker {
public:
    // Null when no selected graphic has a gradient fill.
    static std::unique_ptr<TDGradientTracker> start(TDGraphicView &view);

    bool spansPresses() const override { return true; }
    bool passesEndingEventOn() const override { return true; }
    bool mouseDown(const TDEvent &event) override;
    bool mouseDragged(const TDEvent &event) override;
    bool mouseUp(const TDEvent &event) override;
    bool keyDown(const TDEvent &event) override;
    bool flagsChanged(const TDEvent &event) override;
    void interrupt(const TDEvent &event) override;
    void cancel(const TDEvent &event) override;
    void finish() override;

    enum class Handle { None, Start, End, Radius };
    Point startHandle() const { return m_s; }
    Point endHandle() const { return m_e; }
    Point radiusHandle() const { return m_r; }

private:
    TDGradientTracker(TDGraphicView &view, TDGraphicPtr first);
    void drag(Point pointer, unsigned modifiers);
    void apply(unsigned modifiers);
    void showOverlay();

    TDGraphicPtr m_first;
    TDGraphicArray m_graphics;
    std::shared_ptr<TDBezierGraphic> m_overlay;
    bool m_radial = false;
    Point m_s, m_e, m_r;
    Handle m_grabbed = Handle::None;
    bool m_cancelled = false;
    Rect m_shown;
    TDUndoManager *m_undo = nullptr;
};

} // namespace scrivane
