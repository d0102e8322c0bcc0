#pragma once

#include "platform/Geometry.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace scrivane {

// Turns EPS (and PostScript) pictures into PDF with Ghostscript, run as a
// separate program: PostScript is a programming language, and the file a
// stranger's.  Ghostscript runs with -dSAFER (no file but its input and
// output), a time limit, and limits on its memory and on the size of what
// it writes; its environment is cleared.
class TDGhostscript {
public:
    static constexpr int TimeLimitSeconds = 60;
    static constexpr qint64 MaximumOutput = qint64(256) << 20;

    // The PDF of the picture, one page of its bounding box; nothing, with
    // the reason in `error`, when Ghostscript is missing or fails.
    static std::optional<QByteArray> pdfFromEPS(const QByteArray &eps, QString *error);
    // The size of the picture's bounding box comment (the high-resolution
    // one where there is one), in points.
    static std::optional<Size> boundingBoxSize(const QByteArray &eps);
    // The Ghostscript program, or empty when it is not installed.
    static QString program();
};

} // namespace scrivane
