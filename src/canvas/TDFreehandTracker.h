#pragma once

#include "canvas/TDTracker.h"
#include "model/TDFreehandStroke.h"
#include "model/TDGraphicViewInterface.h"

#include <memory>
#include <optional>

namespace scrivane {

class TDBezierGraphic;

// The paint tool's stroke: from the press, every drag adds the pointer to
// the stroke (TDFreehandStroke) and the canvas repaints only the new piece;
// the release refits the stroke into curves (Alt at the release keeps its
// corners).  With a tablet pen the stroke's pressure curve is the pen's.
// The completion hears whether a path was made: a press released without a
// drag, or Escape, makes none.
class TDFreehandTracker : public TDTracker {
public:
    // `start`, when given, replaces the press point (a stroke that goes on
    // from the end of a selected path starts exactly on it).
    TDFreehandTracker(TDGraphicView &view, std::shared_ptr<TDBezierGraphic> graphic, const TDEvent &event,
                      std::optional<Point> start, TDGraphicViewInterface::TrackingCompletion completion);

    bool mouseDragged(const TDEvent &event) override;
    bool mouseUp(const TDEvent &event) override;
    void cancel(const TDEvent &event) override;
    void finish() override;

    const TDFreehandStroke &stroke() const { return m_stroke; }

private:
    void add(const TDEvent &event);

    std::shared_ptr<TDBezierGraphic> m_graphic;
    TDGraphicViewInterface::TrackingCompletion m_completion;
    TDFreehandStroke m_stroke;
    unsigned m_lastModifiers = 0;
    bool m_cancelled = false;
};

} // namespace scrivane
