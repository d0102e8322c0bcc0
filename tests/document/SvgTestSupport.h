#pragma once

// Helpers of the SVG export tests: shapes made the way the canvas makes
// them, and the outside tools that check what was written.

#include "model/TDOval.h"
#include "model/TDRectangle.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>

namespace scrivane::svgtest {

// Filled with the colour, no line.
std::shared_ptr<TDRectangle> rectangle(const Rect &bounds, const Color &fill);
std::shared_ptr<TDOval> oval(const Rect &bounds, const Color &fill);

// Whether xmllint finds the text well-formed XML; true (with a note) when
// xmllint is not installed.
bool xmllintAccepts(const QByteArray &text);
// The SVG file drawn by rsvg-convert at width × height pixels on a
// transparent background; null when rsvg-convert is missing or fails.
QImage renderWithRsvg(const QString &svgPath, int width, int height);
// The same drawn by Inkscape (a development tool, not installed in CI);
// null when it is missing.
QImage renderWithInkscape(const QString &svgPath, int width, int height);

} // namespace scrivane::svgtest
