#pragma once

#include "canvas/TDTracker.h"
#include "model/TDModelTypes.h"
#include "platform/Geometry.h"

namespace scrivane {

// The band that selects graphics: from the press, the rectangle spanned by
// the press and the pointer selects the graphics it touches (with Option,
// those lying wholly inside it); Shift keeps the graphics selected before.
// The selection follows the band while it is dragged and becomes one
// selection change (undoable, not a change of the document) when the band
// ends.  A band that never changed leaves the selection as it was (or
// cleared, when the press cleared it); Escape puts back the selection of the
// press.
class TDRubberBandTracker : public TDTracker {
public:
    // `clearFirst`: the press also clears the selection, in the same step
    // as the band's result.
    TDRubberBandTracker(TDGraphicView &view, const TDEvent &event, bool clearFirst);

    bool mouseDragged(const TDEvent &event) override;
    bool mouseUp(const TDEvent &event) override;
    bool keyDown(const TDEvent &event) override;
    bool keyUp(const TDEvent &event) override;
    bool flagsChanged(const TDEvent &event) override;
    void cancel(const TDEvent &event) override;
    void finish() override;

private:
    Point pointOf(const TDEvent &event) const;
    void step(unsigned modifiers);

    // The selection at the press, which undo gives back.
    TDGraphicArray m_before;
    // The selection the band starts from (Shift keeps it).
    TDGraphicArray m_kept;
    TDGraphicArray m_result;
    TDGraphicPtr m_first;
    Point m_start;
    Point m_current;
    Rect m_band;
    bool m_changed = false;
    bool m_cancelled = false;
};

} // namespace scrivane
