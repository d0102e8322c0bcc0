#pragma once

#include "platform/PathBase.h"

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace scrivane {

// SVG path data ("d" values), written and read.
//
// Writing gives absolute commands only: "M x y", "L x y", "C x1 y1 x2 y2 x y"
// and "Z", separated by blanks, each number the shortest text that reads
// back as the same float; an empty path gives an empty text.
//
// Reading follows the SVG path grammar: every command (M L H V C S Q T A Z,
// each also relative) may repeat its arguments without repeating its letter,
// a moveto's further pairs are linetos, numbers may run together where the
// grammar allows ("1.5.5", "10-20", "1e-3"), arc flags are single digits
// that may touch what follows.  Quadratic curves become the equal cubics and
// arcs become cubics of at most a quarter turn.  Data that does not begin
// with a moveto begins at (0, 0); an arc with a zero radius is a line, an arc
// that ends where it starts draws nothing.
//
// Malformed data ends the reading, as in every SVG renderer: the answer
// holds the commands before the fault, and `error` (when given) describes
// it; it is left empty when the whole text was read.  Coordinates that do
// not fit a float are faults too, so that a path never holds infinities.
class SvgPathData {
public:
    static std::string svgDescription(const PathBase &path);
    static void appendSvgDescription(std::string &out, const PathBase &path);

    static PathBase pathFromSVGData(std::string_view text, QString *error = nullptr);
    static PathBase pathFromSVGData(QStringView text, QString *error = nullptr);
};

} // namespace scrivane
