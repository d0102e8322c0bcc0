#pragma once

// Where the drawing's paths meet the polygon engine: the program's path to
// the engine's command path and back, the engine codes for the path's
// winding rule, joins and caps, and what an engine refusal tells a person.

#include "model/TDBezierPath.h"
#include "platform/PathBase.h"

#include <QString>

namespace scrivane {

class CommandPath;

// Appends the path's elements: moves, lines, cubics (control points become
// Hermite tangents, three times the control arms) and closes.
void appendBezierPathToCommandPath(const PathBase &path, CommandPath &commands);
CommandPath commandPathFromBezierPath(const PathBase &path);

// The commands as a path: lines and cubics as they are, elliptic arcs and
// chains of quadratic pieces as cubics.  An element after a close starts
// at the closed subpath's start; an arc with a radius of zero is a line.
TDBezierPath bezierPathFromCommandPath(const CommandPath &commands);

// The engine's fill rule, join and cap for the path's own.
int engineFillRule(WindingRule rule);
int engineJoin(LineJoinStyle join);
int engineCap(LineCapStyle cap);

// A sentence for a person about why the engine refused (an engine result
// code other than success).
QString engineFailureMessage(int code);

} // namespace scrivane
