#pragma once

#include "canvas/TDTracker.h"
#include "platform/Geometry.h"

namespace scrivane {

// The zoom tool's press: a drag spans a band that the view then shows
// whole; a click zooms in by two (out with Alt) about the pressed point.
// Escape zooms nowhere.
class TDZoomTracker : public TDTracker {
public:
    TDZoomTracker(TDGraphicView &view, const TDEvent &event);

    bool mouseDragged(const TDEvent &event) override;
    bool mouseUp(const TDEvent &event) override;
    void cancel(const TDEvent &event) override;
    void finish() override;

private:
    Point m_start;
    bool m_option;
    bool m_cancelled = false;
};

} // namespace scrivane
