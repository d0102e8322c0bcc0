#include "platform/GlyphPainter.h"

#include "platform/GraphicsContext.h"

#include <QHash>
#include <QMutex>
#include <QPainterPath>
#include <QRawFont>

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <vector>

namespace scrivane {

namespace {

// What tells two font files apart cheaply: the glyph count ("maxp") and
// the checksum adjustment of "head".
QByteArray fingerprintOf(const QByteArray &maxp, const QByteArray &head)
{
    if (maxp.size() < 6 || head.size() < 12)
        return QByteArray();
    return maxp.mid(4, 2) + head.mid(8, 4);
}

QByteArray fingerprintOfFace(cairo_font_face_t *face)
{
    // A scaled font gives access to the FreeType face behind the pattern.
    cairo_matrix_t m, identity;
    cairo_matrix_init_scale(&m, 12, 12);
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t *options = cairo_font_options_create();
    cairo_scaled_font_t *scaled = cairo_scaled_font_create(face, &m, &identity, options);
    cairo_font_options_destroy(options);
    QByteArray print;
    if (cairo_scaled_font_status(scaled) == CAIRO_STATUS_SUCCESS) {
        if (FT_Face ft = cairo_ft_scaled_font_lock_face(scaled)) {
            auto table = [ft](FT_ULong tag) {
                FT_ULong length = 0;
                if (FT_Load_Sfnt_Table(ft, tag, 0, nullptr, &length) != 0 || length == 0 || length > 4096)
                    return QByteArray();
                QByteArray bytes(qsizetype(length), '\0');
                if (FT_Load_Sfnt_Table(ft, tag, 0, reinterpret_cast<FT_Byte *>(bytes.data()), &length) != 0)
                    return QByteArray();
                return bytes;
            };
            print = fingerprintOf(table(FT_MAKE_TAG('m', 'a', 'x', 'p')), table(FT_MAKE_TAG('h', 'e', 'a', 'd')));
            cairo_ft_scaled_font_unlock_face(scaled);
        }
    }
    cairo_scaled_font_destroy(scaled);
    return print;
}

cairo_font_face_t *findFace(const QRawFont &font)
{
    const QByteArray wanted = fingerprintOf(font.fontTable("maxp"), font.fontTable("head"));
    if (wanted.isEmpty())
        return nullptr;
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(font.familyName().toUtf8().constData()));
    if (!font.styleName().isEmpty())
        FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8 *>(font.styleName().toUtf8().constData()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return nullptr;
    cairo_font_face_t *face = cairo_ft_font_face_create_for_pattern(match);
    FcPatternDestroy(match);
    if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS || fingerprintOfFace(face) != wanted) {
        // Another file than the one Qt laid out with: its glyph numbers
        // would name other glyphs.
        cairo_font_face_destroy(face);
        return nullptr;
    }
    return face;
}

} // namespace

cairo_font_face_t *GlyphPainter::faceFor(const QRawFont &font)
{
    static QMutex mutex;
    static QHash<QString, cairo_font_face_t *> faces;
    const QString key = font.familyName() + QLatin1Char('\n') + font.styleName() + QLatin1Char('\n') +
                        QString::number(font.weight()) + QLatin1Char('\n') + QString::number(int(font.style()));
    QMutexLocker lock(&mutex);
    const auto known = faces.constFind(key);
    if (known != faces.constEnd())
        return *known;
    cairo_font_face_t *face = findFace(font);
    faces.insert(key, face);
    return face;
}

bool GlyphPainter::fill(GraphicsContext &context, const QGlyphRun &run, const AffineTransform &move)
{
    const QRawFont font = run.rawFont();
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    if (indexes.isEmpty() || positions.size() < indexes.size())
        return false;
    cairo_font_face_t *face = faceFor(font);
    if (face) {
        std::vector<cairo_glyph_t> glyphs;
        glyphs.reserve(size_t(indexes.size()));
        for (qsizetype i = 0; i < indexes.size(); ++i)
            glyphs.push_back({indexes[i], positions[i].x(), positions[i].y()});
        context.save();
        const bool placed = context.concatCTM(move);
        const bool drawn = placed && context.showGlyphs(face, font.pixelSize(), glyphs);
        context.restore();
        return drawn;
    }
    PathBase outline;
    appendOutlines(outline, run, move);
    outline.setWindingRule(WindingRule::NonZero);
    return context.fillPath(outline);
}

void GlyphPainter::appendGlyph(PathBase &path, const QRawFont &font, quint32 glyph, const AffineTransform &transform)
{
    appendPainterPath(path, font.pathForGlyph(glyph), transform);
}

void GlyphPainter::appendOutlines(PathBase &path, const QGlyphRun &run, const AffineTransform &transform)
{
    const QRawFont font = run.rawFont();
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
        AffineTransform at = AffineTransform::makeTranslation(float(positions[i].x()), float(positions[i].y()));
        at.append(transform);
        appendGlyph(path, font, indexes[i], at);
    }
}

void GlyphPainter::appendPainterPath(PathBase &path, const QPainterPath &p, const AffineTransform &t)
{
    const int n = p.elementCount();
    bool open = false;
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element e = p.elementAt(i);
        const Point point = t.transformPoint(Point(float(e.x), float(e.y)));
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (open)
                path.close();
            path.moveTo(point);
            open = true;
            break;
        case QPainterPath::LineToElement:
            path.lineTo(point);
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < n) {
                const QPainterPath::Element c2 = p.elementAt(i + 1);
                const QPainterPath::Element end = p.elementAt(i + 2);
                path.curveTo(t.transformPoint(Point(float(end.x), float(end.y))), point,
                             t.transformPoint(Point(float(c2.x), float(c2.y))));
                i += 2;
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    if (open)
        path.close();
}

} // namespace scrivane
