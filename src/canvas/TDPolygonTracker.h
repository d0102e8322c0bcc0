#pragma once

#include "canvas/TDTracker.h"
#include "model/TDGraphicViewInterface.h"

#include <memory>
#include <optional>

namespace scrivane {

class TDBezierGraphic;
class TDBezierPath;

// The polygon tool: a path drawn node by node over several presses.  A
// click adds a corner joined by a line, a press-and-drag a smooth node
// whose handles follow the pointer (Alt keeps the incoming side as it
// was); Shift turns the segment or the handle to the nearest 15 degrees.
// Backspace or Delete takes the last segment back; Return, Enter, a double
// click, a click on the first node (closing the path; Alt clicks there
// anyway) or losing the window end the path.  Escape cancels, and so does
// taking back the last segment: the completion hears no path.
//
// The tool's state lives here; the graphic is told what to draw
// (TDBezierGraphic::Construction) and shows the path plus the segment to
// the pointer.
class TDPolygonTracker : public TDTracker {
public:
    TDPolygonTracker(TDGraphicView &view, std::shared_ptr<TDBezierGraphic> graphic, const TDEvent &event,
                     std::optional<Point> start, TDGraphicViewInterface::TrackingCompletion completion);

    bool spansPresses() const override { return true; }
    bool mouseDown(const TDEvent &event) override;
    bool mouseDragged(const TDEvent &event) override;
    bool mouseUp(const TDEvent &event) override;
    bool mouseMoved(const TDEvent &event) override;
    bool keyDown(const TDEvent &event) override;
    bool flagsChanged(const TDEvent &event) override;
    void interrupt(const TDEvent &event) override;
    void cancel(const TDEvent &event) override;
    void finish() override;

private:
    enum class Phase { FirstPress, Placing };

    // The pointer of the event (mouse events) or the last one (modifier
    // changes): turned to 15 degrees with Shift, the first node highlighted
    // when it is near (without Alt), snapped to the grid.
    Point pointerOf(const TDEvent &event);
    // The first control of a segment from the last node: the outgoing
    // handle left by a smooth node, else the node itself.
    Point firstControl() const;
    Point lastNode() const;
    void showPreview(std::shared_ptr<TDBezierPath> preview);
    void showPendingSegment();
    void takeBackLastSegment();
    void publish();

    std::shared_ptr<TDBezierGraphic> m_graphic;
    TDGraphicViewInterface::TrackingCompletion m_completion;
    Phase m_phase = Phase::FirstPress;
    float m_zoom = 1;
    Point m_first;
    Point m_rawPointer;
    Point m_pointer;
    // The node being placed by the current press and its handles.
    Point m_node;
    Point m_incoming;
    Point m_pendingHandle;
    Point m_nextControl;
    bool m_pressing = false;
    bool m_closeRequested = false;
    bool m_curveDrag = false;
    bool m_lastSegmentCurve = false;
    bool m_firstPressDragged = false;
    bool m_firstHighlighted = false;
    bool m_optionAtDragStart = false;
    bool m_made = true;
    Rect m_shown;
};

} // namespace scrivane
