#pragma once

// Helpers of the SVG export tests: shapes made the way the canvas makes
// them, and the outside tools that check what was written.

#include "model/TDOval.h"
#include "model/TDRectangle.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <QColor>
#include <QTextDocument>

#include <memory>
#include <vector>

namespace scrivane::svgtest {

// Filled with the colour, no line.
std::shared_ptr<TDRectangle> rectangle(const Rect &bounds, const Color &fill);
std::shared_ptr<TDOval> oval(const Rect &bounds, const Color &fill);

// A run of text in DejaVu Sans (the pinned test font).
struct Run {
    QString text;
    double size = 12;
    QColor color = Qt::black;
    bool bold = false;
    bool italic = false;
    // Absolute, in points.
    double letterSpacing = 0;
};
// The runs one after another, in one paragraph per "\n".
void buildText(QTextDocument &document, const std::vector<Run> &runs,
               Qt::Alignment alignment = Qt::AlignLeft);
// The graphic's fill becomes the text (no padding, no line).
void fillWithText(TDGraphic &graphic, const std::vector<Run> &runs, Qt::Alignment alignment = Qt::AlignLeft);
// The graphic's stroke becomes the text along its path, `width` scaling it.
void setTextOnPath(TDGraphic &graphic, const std::vector<Run> &runs, float width = 1);

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
