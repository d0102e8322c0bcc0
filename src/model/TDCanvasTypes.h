#pragma once

#include <cmath>

namespace scrivane {

// The words the model and the canvas share about interaction: the tools,
// the knobs of a selection, the kinds of handle drawn on the canvas and the
// ways a graphic is created.  Their numbers are the tags of the tool strip
// and the codes stored by older programs; a number from outside becomes one
// of these at the edge, once (toolFromTag, ...).

// The tools of the tool strip; the value is the cell's tag.
enum class Tool : int {
    Select = 0,
    Edit = 1,
    Paint = 2,
    Polygon = 3,
    Rectangle = 4,
    Oval = 5,
    Text = 6,
    Zoom = 7,
    Hand = 8,
    Dropper = 9,
};

inline constexpr int kToolCount = 10;

// The tool of a strip tag; Select for a tag out of range.
inline constexpr Tool toolFromTag(int tag)
{
    return tag >= 0 && tag < kToolCount ? Tool(tag) : Tool::Select;
}

inline constexpr int tagOfTool(Tool tool)
{
    return int(tool);
}

// A tool whose press creates a graphic (paint, polygon, rectangle, oval,
// text).
inline constexpr bool isCreatingTool(Tool tool)
{
    return tool == Tool::Paint || tool == Tool::Polygon || tool == Tool::Rectangle || tool == Tool::Oval ||
           tool == Tool::Text;
}

// A handle of the selection bounds and what dragging it does.  "Top" is the
// smaller y (the canvas runs downwards).
enum class Knob : int {
    None = 0,
    TopLeft = 1,
    TopMiddle = 2,
    TopRight = 3,
    MiddleLeft = 4,
    MiddleRight = 5,
    BottomLeft = 6,
    BottomMiddle = 7,
    BottomRight = 8,
    Body = 9,      // a move
    Rotate = 10,   // about the centre
    SkewX = 11,    // top or bottom middle with the secondary handles
    SkewY = 12,    // left or right middle with the secondary handles
    FreeMove = 13, // a move that Shift never locks to an axis
};

inline constexpr bool isScaleKnob(Knob knob)
{
    return int(knob) >= int(Knob::TopLeft) && int(knob) <= int(Knob::BottomRight);
}

// The kinds of handle the canvas draws and hits, each with its image.
enum class HandleType : int {
    Middle = 0,
    Edge = 1,
    Corner = 2,
    Rotate = 3,
    Skew = 4,
    LineNode = 5,
    LineNodeSelected = 6,
    CurveNode = 7,
    CurveNodeSelected = 8,
    CurveControl = 9,
    Centre = 10, // the middle image, for the centre of the secondary handles
};

// How a new graphic is drawn out by the press that creates it.
enum class CreationMode : int {
    Drag = 0,      // a drag sizes it; a click makes nothing
    Polygon = 1,   // clicks and drags place nodes (paths)
    TextBox = 2,   // a text box: a click keeps a box of its own size
    KeepClick = 3, // a drag sizes it; a click keeps it too
};

// The zoom of a canvas as every size divided by it needs it: a zoom that is
// not a positive number stands for 1.
inline float usableZoom(float zoom)
{
    return std::isfinite(zoom) && zoom > 0 ? zoom : 1.0f;
}

} // namespace scrivane
