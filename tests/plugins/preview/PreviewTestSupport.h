#pragma once

// Documents of the preview tests, saved as packages by the document code.

#include "document/TDDocument.h"
#include "model/TDRectangle.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <memory>

namespace scrivane::previewtest {

// The red rectangle of the corner document and the blue one of its hidden
// layer, in document points (y down from the top of the paper).
inline const Rect CornerRect(20, 30, 100, 50);
inline const Rect HiddenRect(300, 400, 100, 100);

// A rectangle filled with `fill`, without a line.
std::shared_ptr<TDRectangle> rectangle(const Rect &rect, const Color &fill);
// A4 paper with CornerRect in red on its first layer and, when asked,
// HiddenRect in blue on a second, hidden layer.
std::unique_ptr<TDDocument> cornerDocument(bool hiddenLayer = true);
// Saves the document as a package in a fresh folder and answers its path.
QString save(TDDocument &document, const QString &name = QStringLiteral("drawing.scrivane"));
// The colour at a pixel as 8-bit RGBA (not premultiplied).
QColor pixel(const QImage &image, int x, int y);
// Whether two colours are within a few units on every channel.
bool near(const QColor &a, const QColor &b);

} // namespace scrivane::previewtest
