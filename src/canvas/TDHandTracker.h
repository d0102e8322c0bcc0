#pragma once

#include "canvas/TDTracker.h"
#include "platform/Geometry.h"

namespace scrivane {

// The hand tool's press: the document follows the pointer until the
// release, under a closed hand.
class TDHandTracker : public TDTracker {
public:
    TDHandTracker(TDGraphicView &view, const TDEvent &event);

    bool mouseDragged(const TDEvent &event) override;
    bool mouseUp(const TDEvent &event) override;
    void cancel(const TDEvent &) override {}
    void finish() override;

private:
    Point m_start;
    Point m_origin;
};

} // namespace scrivane
