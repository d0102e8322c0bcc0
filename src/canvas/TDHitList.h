#pragma once

#include "model/TDModelTypes.h"
#include "platform/Geometry.h"

#include <functional>

namespace scrivane {

// The searches that find graphics under a point or a rectangle, and the
// depth order of graphics in a document.  Each search runs over a list of
// candidate graphics in stacking order, bottom first (for the canvas, the
// document's editable graphics).
class TDHitList {
public:
    using IsSelected = std::function<bool(const TDGraphic *)>;

    // The topmost graphic hit at the point, or null.  With `beneath`: the
    // topmost hit graphic below the topmost selected one, or, when there
    // is none, the topmost hit graphic among those above it and the
    // selected ones themselves.
    static TDGraphicPtr graphicUnderPoint(const TDGraphicArray &candidates, Point point, bool beneath,
                                          const IsSelected &isSelected);
    // Every graphic hit at the point, top first.
    static TDGraphicArray graphicsUnderPoint(const TDGraphicArray &candidates, Point point);
    // Every graphic the rectangle touches, bottom first; `first`, when it
    // is touched, leads the list.
    static TDGraphicArray graphicsIntersectingRect(const TDGraphicArray &candidates, const Rect &rect,
                                                   const TDGraphic *first = nullptr);
    // Every graphic whose bounds lie wholly inside the rectangle (edges may
    // touch), bottom first; `first`, when inside, leads the list.
    static TDGraphicArray graphicsUnderRect(const TDGraphicArray &candidates, const Rect &rect,
                                            const TDGraphic *first = nullptr);
    // Whether `inner` lies wholly inside `outer`.  Bounds without width or
    // height (a straight horizontal or vertical line) can lie inside too.
    static bool liesInside(const Rect &inner, const Rect &outer);

    // The depth order of two graphics: the positions of their ancestors in
    // their nearest common container, or in `context` (the document's
    // layers) when they share none.  -1 when `a` lies below `b`, 1 above,
    // 0 for the same place (one holds the other).
    static int graphicsDepthSort(const TDGraphic *a, const TDGraphic *b, const TDGraphicArray &context);
    // The graphics sorted by depth, bottom first; graphics of the same
    // place keep their order.
    static TDGraphicArray orderedGraphics(const TDGraphicArray &graphics, const TDGraphicArray &context);
};

} // namespace scrivane
