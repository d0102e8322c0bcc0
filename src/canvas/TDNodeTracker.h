#pragma once

#include "canvas/TDKnobGeometry.h"
#include "canvas/TDTracker.h"
#include "model/TDModelTypes.h"
#include "platform/AffineTransform.h"

namespace scrivane {

class TDUndoManager;

// The edit tool's drags.  A node (a handle number of 0 or more) moves every
// selected node of every selected graphic together, the node itself
// snapping to the grid and guides and Shift locking the move to an axis;
// the undo step is named "Node alter".  A control handle (a negative
// number: a path's control point, a rectangle's rounded corner, an oval's
// angles) moves alone and the graphic reads the modifiers (Shift, Alt,
// Ctrl); the step is named "Control alter".  Nothing is changed, and no
// step made, until the pointer moves; Escape puts everything back.
class TDNodeTracker : public TDTracker {
public:
    TDNodeTracker(TDGraphicView &view, int handle, TDGraphicPtr graphic, const TDEvent &event);

    bool mouseDragged(const TDEvent &event) override;
    bool mouseUp(const TDEvent &event) override;
    bool keyDown(const TDEvent &event) override;
    bool keyUp(const TDEvent &event) override;
    bool flagsChanged(const TDEvent &event) override;
    void cancel(const TDEvent &event) override;
    void finish() override;

private:
    bool dragsNodes() const { return m_handle >= 0; }
    void begin();
    void update(const TDEvent &event);
    // The area the dragged graphics cover with their edit handles.
    Rect shownArea() const;

    int m_handle;
    TDGraphicPtr m_graphic;
    // The graphics moved: the grabbed one for a control; for nodes, the
    // selected graphics that have selected nodes.
    TDGraphicArray m_graphics;
    TDKnobGeometry m_geometry;
    Point m_start;
    Point m_offset;
    bool m_begun = false;
    bool m_escaped = false;
    unsigned m_lastModifiers = 0;
    TDUndoManager *m_undo = nullptr;
};

} // namespace scrivane
