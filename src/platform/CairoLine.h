#pragma once

// Line settings as cairo takes them, shared by paths that stroke themselves
// and by the drawing context.

#include "platform/PathBase.h"

#include <cairo.h>

#include <span>

namespace scrivane {

// Whether cairo draws the pattern: every length finite and not negative,
// and not all of them zero.  cairo refuses anything else and then draws
// nothing more.  An empty pattern is no dash at all, so it does not count.
bool cairoAcceptsDash(std::span<const float> dash);

// Sets cairo's line width, cap, join, miter limit and dash.  Width and miter
// limit go to cairo as given; a dash cairo would refuse, or a phase that is
// not finite, leaves the line solid.
void setCairoLineSettings(cairo_t *cr, double width, LineCapStyle cap, LineJoinStyle join, double miterLimit,
                          std::span<const float> dash, double dashPhase);

} // namespace scrivane
