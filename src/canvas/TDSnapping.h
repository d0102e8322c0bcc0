#pragma once

#include "platform/Geometry.h"

#include <span>

namespace scrivane {

// Snapping of a tracked point to the document grid and to guide lines.
class TDSnapping {
public:
    // The document's grid as snapping reads it.
    struct Grid {
        bool snap = false;
        float spacing = 0;
        int subdivisions = 1;
        bool pixelAligned = false;
    };

    // Guides pull a coordinate lying closer than this many screen pixels.
    static constexpr float kGuideReach = 5;

    // Each coordinate to the nearest multiple of spacing / subdivisions;
    // with pixel alignment, then to the centre of the pixel it lies in
    // (truncated toward zero, plus 0.5).  A grid without steps (spacing
    // not positive, fewer than one subdivision counts as one) leaves the
    // point alone, as does a grid that does not snap.
    static Point snapToGrid(Point point, const Grid &grid);

    // The x of the point to the first vertical guide (`xGuides`, in their
    // order) within kGuideReach / zoom of it, the y likewise to the
    // horizontal guides.  A guide's location counts as its whole-number
    // part.
    static Point snapToGuides(Point point, std::span<const float> xGuides, std::span<const float> yGuides,
                              float zoom);
};

} // namespace scrivane
