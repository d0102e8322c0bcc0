#pragma once

#include "platform/Geometry.h"

#include <vector>

namespace scrivane {

class TDGraphic;
class TDGroup;

// A spatial index of the children of groups by the area each child can
// paint or be hit in, kept by whoever shows a document (the canvas) so that
// a redraw or a hit test visits only the children near its area instead of
// all of them.  Graphics reach it through their canvas
// (TDGraphicViewInterface::graphicIndex); without one, everything is
// visited as before.
//
// What the model promises: every change that can move the area of a graphic
// (its path, bounds, stroke, shadow, effects; for a group, its children's)
// reaches graphicBoundsChanged, and every change of a group's child list
// changes TDGroup::childrenVersion.  The index answers from what it was told
// and may answer more than needed, never less.
class TDGraphicIndex {
public:
    virtual ~TDGraphicIndex() = default;

    // The area of `graphic` may have changed: it and the groups holding it
    // are looked at again before the next answer.  Cheap: it only takes note
    // (it may arrive in the middle of a redraw).
    virtual void graphicBoundsChanged(const TDGraphic &graphic) = 0;

    // The positions in `group`'s child array, ascending, of every child
    // whose area meets `rect` (edges touching count), and of the children
    // that paint beyond their area for the one showing them (the selected
    // ones, the one being created or edited).  False when the index has
    // nothing better than every child to offer: the caller then visits all.
    virtual bool childrenMeetingRect(const TDGroup &group, const Rect &rect, std::vector<int> &positions) = 0;
};

} // namespace scrivane
