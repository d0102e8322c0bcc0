#pragma once

#include "model/TDCanvasTypes.h"
#include "model/TDDrawProtocol.h"
#include "model/TDEvent.h"
#include "model/TDModelTypes.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/PathBase.h"

#include <QList>

#include <algorithm>
#include <cmath>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace scrivane {

class TDBezierGraphic;
class TDGraphicIndex;

// What the model and the document ask of the canvas.  The canvas widget
// implements it; the model never sees the widget itself.  Every graphic
// reaches the canvas through its document (TDDocumentInterface::graphicView),
// and a missing canvas simply means nothing is asked.
class TDGraphicViewInterface : public TDDrawProtocol {
public:
    // How an interactive tracking ended: completed, or cancelled (Escape,
    // Ctrl+.); and whether the pointer was dragged at all (a press released
    // where it started is a click).
    struct TrackingResult {
        bool completed = false;
        bool moved = false;
    };
    using TrackingCompletion = std::function<void(TrackingResult result)>;

    // --- Selection ---------------------------------------------------------
    // Ordered, first selected first.
    virtual TDGraphicArray selectedGraphics() const = 0;
    virtual void selectGraphics(const TDGraphicArray &graphics) = 0;
    virtual void clearSelection() = 0;
    // When selected: registers the reselection as a non-changing undo
    // ("Selection Change"), repaints the selection, deselects the graphic
    // and posts "TDGraphicDidChange" with it; otherwise nothing.
    virtual void deselectGraphic(TDGraphic *graphic) = 0;
    // Node numbers of the graphic's selected nodes.
    virtual QList<int> selectedNodesForGraphic(const TDGraphic *graphic) const = 0;
    // The area painted for the selection (bounds with their handles).
    virtual Rect selectionRect() const = 0;

    // --- Editing state -----------------------------------------------------
    // The graphic being created at the moment, or null.
    virtual TDGraphic *creatingGraphic() const = 0;
    virtual void setEditingGraphic(TDGraphic *graphic) = 0;
    virtual void stopEditing() = 0;
    virtual void stopTextEditing() = 0;
    virtual bool isolationState() const = 0;
    virtual void setIsolation(bool isolated) = 0;

    // --- In-place text editing ------------------------------------------------
    // What the canvas's text editor needs to open over a graphic with a
    // text fill: its frame in document coordinates, the text-space size
    // the frame shows, the shape in text space (empty: the frame itself is
    // outlined) and the colour behind the text.
    struct TextEditorSetup {
        Rect frame;
        Size boundsSize;
        PathBase outline;
        Color background = Color::white();
    };
    // Opens the editor over `graphic` and gives it the keyboard.
    virtual void openTextEditor(TDGraphic *, const TextEditorSetup &) {}
    // The frame of the open editor changed (a box growing with its text).
    virtual void resizeTextEditor(TDGraphic *, const Rect & /*frame*/, Size /*boundsSize*/) {}
    // Closes the editor over `graphic` when it is open.
    virtual void closeTextEditor(TDGraphic *) {}

    // --- Interaction ---------------------------------------------------------
    // Starts a tracker that moves `knob` of the graphics with the mouse from
    // the press `event` until the release (the bottom-right corner sizes a
    // graphic being created).  `completion` runs once when the tracking
    // ends.
    virtual void trackKnob(Knob knob, const TDGraphicArray &graphics, const TDEvent &event,
                           TrackingCompletion completion) = 0;
    // Starts the tracker that draws a path graphic from the press: the
    // freehand stroke (CreationMode::Drag) or the polygon clicks (any other
    // mode), from `start` (canvas coordinates) when given, else from the
    // press.  `completion` runs once when the tracking ends: completed when
    // a path was made.  A target without trackers makes nothing.
    virtual void trackPath(const std::shared_ptr<TDBezierGraphic> &graphic, CreationMode mode,
                           const TDEvent &event, std::optional<Point> start, TrackingCompletion completion)
    {
        (void)graphic, (void)mode, (void)event, (void)start;
        if (completion)
            completion({});
    }
    // A point of the window's base space in canvas coordinates.
    virtual Point convertPointFromWindow(Point point) const = 0;
    // Grid and guide snapping; the point unchanged when snapping is off.
    virtual Point snapToGrid(Point point) const = 0;
    // Escape, or "." with Command.
    virtual bool isEventEscape(const TDEvent &event) const = 0;

    // --- Handles ---------------------------------------------------------------
    virtual void drawHandleAtPoint(Point point, HandleType type) = 0;
    virtual bool pointInHandleAtPoint(Point point, Point handle, HandleType type) const = 0;
    virtual bool rectOverHandleAtPoint(const Rect &rect, Point handle, HandleType type) const = 0;

    // --- Repaint and size --------------------------------------------------------
    // Repaints the selection when the graphic is selected, else its update
    // bounds.
    virtual void invalidateGraphic(TDGraphic *graphic) = 0;
    virtual void setNeedsDisplayInRect(const Rect &rect) = 0;
    virtual void setNeedsDisplay() = 0;
    // Recomputes the canvas frame from the paper bounds and the zoom.
    virtual void calculateSize() = 0;
    // The spatial index of the graphics shown, told of their changes; null
    // when the canvas keeps none.
    virtual TDGraphicIndex *graphicIndex() const { return nullptr; }

    // --- Rulers and guide markers ---------------------------------------------------
    virtual std::vector<float> hMarkers() const = 0;
    virtual std::vector<float> vMarkers() const = 0;
    virtual void addMarkers(const std::vector<float> &locations, bool horizontal) = 0;
    virtual bool rulersVisible() const = 0;
    virtual void saveRulers() = 0;
    virtual void cleanRulers() = 0;
};

// The canvas's union rule: a rectangle with zero width and zero height
// yields the other unchanged; otherwise the smallest rectangle holding both.
inline Rect MyUnionRect(const Rect &a, const Rect &b)
{
    if (a.width() == 0 && a.height() == 0)
        return b;
    if (b.width() == 0 && b.height() == 0)
        return a;
    const float x0 = std::min(a.minX(), b.minX());
    const float y0 = std::min(a.minY(), b.minY());
    const float x1 = std::max(a.maxX(), b.maxX());
    const float y1 = std::max(a.maxY(), b.maxY());
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

// The rectangle spanned by two points.
inline Rect TDRectFromPoints(Point a, Point b)
{
    return Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y));
}

} // namespace scrivane
