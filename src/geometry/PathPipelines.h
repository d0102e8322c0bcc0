#pragma once

// The polygon engine's pipelines: what the rest of the program asks of it,
// from command paths to command paths.  Each chains the engine's stages
// (flattening with back data at tolerance 1.0, the graph, the sweep, the
// rebuild) and answers an engine result code (EngineCodes.h); on anything
// but engine::kOk the result is empty and the caller must not use it.
// Pieces of source curves that survive come back as curves.

#include <span>

namespace scrivane {

class CommandPath;

// The path without self-intersections or overlaps, oriented, under the
// engine fill rule; an empty source gives an empty result and kOk.
int uncrossedCommandPath(const CommandPath &source, int fillRule, CommandPath &result);

// The boolean operation over the paths in order: all of them together for
// union, intersection and exclusive or, the first minus all the others for
// difference; cut is union.  Every operand is read under the even-odd rule;
// one with no area takes part as the empty set.
// Fewer than two paths, a missing path or an unknown operation: kBadOperands.
int booleanOfCommandPaths(std::span<const CommandPath *const> paths, int operation, CommandPath &result);

// The filled outline of the stroke of the path at the full line `width`,
// with the engine's join and cap codes.  A width that is not a positive
// number gives kBadOperands.  A path that draws nothing gives an empty
// result and kOk.
int outlineOfCommandPath(const CommandPath &source, float width, int join, int cap, float miterLimit,
                         CommandPath &result);

// The path re-fitted in place as cubics within `threshold`; false, with the
// path unchanged, for a threshold that is not a positive number.
bool refitCommandPath(CommandPath &path, float threshold);

} // namespace scrivane
