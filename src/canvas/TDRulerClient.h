#pragma once

#include "canvas/TDRulerMarker.h"

class QMouseEvent;

namespace scrivane {

class TDRulerView;

// What a ruler asks of the view it serves (its client: the canvas, or a
// text editor that borrows the ruler for its tab stops).  The ruler does
// the dragging; the client decides and answers for the result.
class TDRulerClient {
public:
    virtual ~TDRulerClient() = default;

    // A press on the ruler away from every marker; the client may start a
    // new marker there with TDRulerView::trackMarker.
    virtual void rulerViewHandleMouseDown(TDRulerView &ruler, QMouseEvent *event) = 0;
    virtual bool rulerViewShouldAddMarker(TDRulerView &, TDRulerMarker &) { return true; }
    virtual void rulerViewDidAddMarker(TDRulerView &, const TDRulerMarkerPtr &) {}
    // Asked when a drag of the marker starts.
    virtual bool rulerViewShouldMoveMarker(TDRulerView &, TDRulerMarker &) { return true; }
    // While a marker is dragged (a new one too): it has left `previousLocation`.
    virtual void rulerViewMarkerTracked(TDRulerView &, const TDRulerMarker &, float /*previousLocation*/) {}
    // After a drag that left the marker elsewhere than at `fromLocation`;
    // a drag that ends where it began, or is cancelled, sends nothing.
    virtual void rulerViewDidMoveMarker(TDRulerView &, const TDRulerMarkerPtr &, float /*fromLocation*/) {}
    virtual bool rulerViewShouldRemoveMarker(TDRulerView &, TDRulerMarker &) { return true; }
    virtual void rulerViewDidRemoveMarker(TDRulerView &, const TDRulerMarkerPtr &) {}
};

} // namespace scrivane
