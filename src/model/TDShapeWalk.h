#pragma once

#include "platform/Geometry.h"
#include "platform/PathBase.h"

#include <vector>

namespace scrivane {

// Where the lines of text inside a shape may go: for a proposed line
// rectangle (text space, y down) the walk answers the part of it that lies
// inside the shape, lower down when the proposed height does not fit.
//
// A fragment is answered only where the whole band of the line (top to
// bottom) lies inside the shape under its winding rule over a span at least
// as wide as the line is high; the first such span at or right of the
// proposed start is taken, and the part of the line right of it comes back
// as the remaining rectangle, which the layout proposes next for the rest of
// the same line.  Lines never start above 1 point below the shape's top.
// When the first span of a line is too narrow, the line is tried half a line
// lower, then a whole line lower each time, at most 20 times.
//
// The shape is flattened once; inside spans are found by a scanline over
// its edges with half-open vertical ranges, so that a line touching a vertex
// or running along a horizontal edge is classified the same way from either
// side, and the band is sampled at every vertex within it, so that no part
// of a line lies outside the shape or inside a hole.
class TDShapeWalk {
public:
    // Horizontal stretch [start, end].
    struct Span {
        float start = 0;
        float end = 0;
        float width() const { return end - start; }
    };

    TDShapeWalk() = default;
    // `shape` in text space; its own winding rule applies.
    explicit TDShapeWalk(const PathBase &shape, float flatness = 0.05f);

    bool isEmpty() const { return m_edges.empty(); }
    const Rect &bounds() const { return m_bounds; }

    // The fragment for `proposed`, or the zero rectangle when the text does
    // not fit below.  `remaining` is always set: the zero rectangle when
    // nothing of the line is left.
    Rect lineFragmentRect(const Rect &proposed, Rect *remaining) const;

    // The spans where the whole band from `top` to `bottom` lies inside the
    // shape, left to right.
    std::vector<Span> bandSpans(float top, float bottom) const;
    // The spans inside the shape along the horizontal line at `y`.
    std::vector<Span> spansAt(float y) const;

    static constexpr int MaxDepth = 20;

private:
    struct Edge {
        float x0, y0, x1, y1; // y0 < y1
        int direction;        // +1 downwards in the path, -1 upwards
    };

    std::vector<Edge> m_edges; // by y0
    float m_maxEdgeHeight = 0;
    Rect m_bounds;
    WindingRule m_rule = WindingRule::EvenOdd;
};

} // namespace scrivane
