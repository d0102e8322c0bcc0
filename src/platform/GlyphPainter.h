#pragma once

#include "platform/AffineTransform.h"
#include "platform/PathBase.h"

#include <QGlyphRun>

typedef struct _cairo_font_face cairo_font_face_t;
class QPainterPath;

namespace scrivane {

class GraphicsContext;

// Glyphs of Qt's text layout drawn through cairo.  A glyph run is shown
// with cairo's FreeType face of the same font file, found through
// fontconfig, so that PDF output holds real, searchable text; when no face
// of that very file can be found (a font Qt synthesised, a font outside
// fontconfig) the glyphs' outlines are filled instead.
class GlyphPainter {
public:
    // Fills the run's glyphs with the context's fill colour, every position
    // mapped by `move` (a translation or any affine map of the glyphs).
    static bool fill(GraphicsContext &context, const QGlyphRun &run, const AffineTransform &move);
    // Appends the outlines of the run's glyphs, each at its position, mapped
    // by `transform`.
    static void appendOutlines(PathBase &path, const QGlyphRun &run, const AffineTransform &transform);
    // The outline of one glyph of `font` at the origin (y down, baseline at
    // 0), mapped by `transform`.
    static void appendGlyph(PathBase &path, const QRawFont &font, quint32 glyph, const AffineTransform &transform);
    // A painter path's elements appended to `path`, mapped by `transform`.
    static void appendPainterPath(PathBase &path, const QPainterPath &painterPath, const AffineTransform &transform);
    // cairo's face for the font's file, or null (owned by a process-wide
    // cache; valid for the life of the process).
    static cairo_font_face_t *faceFor(const QRawFont &font);
};

} // namespace scrivane
