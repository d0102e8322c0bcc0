#pragma once

#include "platform/AffineTransform.h"
#include "platform/Geometry.h"
#include "platform/PathBase.h"

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QRawFont>

#include <memory>
#include <optional>
#include <vector>

class QTextDocument;
class QTextLayout;

namespace scrivane {

class GraphicsContext;
class TDShapeWalk;

// Lays the paragraphs of a QTextDocument out line by line in text space (y
// down, points): each line asks its container for the fragment it may fill
// (the shape walk for text inside a shape, else a plain rectangle) and is
// broken to that fragment's width less the padding on both sides.  Lines
// that find no fragment below the last one are not shown.
//
// Qt lays text out in pixels of its default resolution; fonts are scaled so
// that one such pixel is one point, and positions come out in points.
// Widths beyond what Qt's fixed-point layout holds are clamped.
//
// With a hyphenation factor above 0, a line that fills less than that
// fraction of its fragment tries to end inside the word that follows it,
// at a break the hyphenation patterns allow, with a hyphen shown.  The
// document is never changed for it: positions asked of and answered by
// the layout are always the document's.
class TDTextLayout {
public:
    // The widest line Qt's 26.6 fixed-point layout measures safely.
    static constexpr float MaxLineWidth = 1.0e7f;

    struct Container {
        // Null: a plain rectangle of `size`.  Else the shape walk, whose
        // proposals span `size.width`.
        const TDShapeWalk *shape = nullptr;
        Size size{200, 200};
        float padding = 0;
        // 0 (never) to 1 (whenever a line is not full).
        float hyphenation = 0;
    };
    // A run of glyphs of one font and colour, positions in text space
    // (baseline origins).
    struct Run {
        QGlyphRun glyphs;
        QColor color;
        // The line the run belongs to: its fragment and the baseline's y.
        Rect fragment;
        float baseline = 0;
    };
    struct Background {
        Rect rect;
        QColor color;
    };
    // One glyph as text along a path needs it: its origin on the baseline,
    // its advance, its line's fragment.
    struct PlacedGlyph {
        QRawFont font;
        quint32 index = 0;
        QColor color;
        Point origin;
        float advance = 0;
        Rect fragment;
    };
    // The characters of the shown text, one run per line and format range,
    // for writers that hand on text rather than glyphs.  `stops` holds the
    // x in text space of every cursor position (grapheme boundary) of the
    // run, from its start to its end, with its character offset in `text`:
    // the places the line gives the characters, whatever glyphs (ligatures,
    // combining marks) show them.
    struct TextRun {
        QString text;
        // As the text names it, sized in points.
        QFont font;
        QColor color;
        // Absolute letter spacing in points.
        double letterSpacing = 0;
        std::vector<std::pair<int, float>> stops;
        // The baseline's y (a baseline offset included) and the line's
        // fragment.
        float baseline = 0;
        Rect fragment;
        // The line is justified: its spaces are wider than the font's.
        bool justified = false;
    };
    enum class Paint { Fill, FillAndHairline, Stroke };

    TDTextLayout();
    ~TDTextLayout();
    TDTextLayout(const TDTextLayout &) = delete;
    TDTextLayout &operator=(const TDTextLayout &) = delete;

    // Lays the whole document out into the container.
    void layout(const QTextDocument &document, const Container &container);
    void clear();

    // Counts the layouts done by this object (a layout kept is not redone).
    quint64 generation() const { return m_generation; }
    // No line was placed (an empty text, or none fits).
    bool isEmpty() const { return m_lineCount == 0; }
    int lineCount() const { return m_lineCount; }
    // How many characters found room (paragraph separators included).
    int laidOutCharacters() const { return m_laidOut; }
    // The union of the used parts of the placed lines: from each
    // fragment's start over the padding, the text and the padding again.
    const Rect &usedRect() const { return m_usedRect; }

    const std::vector<Run> &runs() const;
    const std::vector<Background> &backgrounds() const;
    std::vector<PlacedGlyph> placedGlyphs() const;
    std::vector<TextRun> textRuns() const;

    // Editing: document positions and places in text space.  The position
    // nearest to `point` among the shown lines (the end of the shown text
    // below them).
    int positionAt(Point point) const;
    // The caret at a document position: a zero-width rectangle as high as
    // its line; nothing when the position is not shown.
    std::optional<Rect> caretRect(int position) const;
    // The areas covering the text between two document positions.
    std::vector<Rect> selectionRects(int from, int to) const;

    // The outlines of every shown glyph in text space, non-zero winding.
    PathBase outlines() const;
    // Paints the glyphs (backgrounds first) with their colours, moved by
    // `origin`.  Stroke draws outlines only, with the context's line style.
    void draw(GraphicsContext &context, Point origin, Paint paint) const;

    // The font Qt is to lay out for `font` (sized in points) so that its
    // pixels come out as points.
    static QFont layoutFont(const QFont &font);

    // The hyphens shown at the ends of lines broken inside a word.
    int hyphenCount() const;

private:
    struct Paragraph;
    struct Placed;
    void buildRuns() const;

    std::vector<std::unique_ptr<Paragraph>> m_paragraphs;
    std::vector<std::unique_ptr<Placed>> m_placed;
    quint64 m_generation = 0;
    int m_lineCount = 0;
    int m_laidOut = 0;
    Rect m_usedRect;
    mutable bool m_runsBuilt = false;
    mutable std::vector<Run> m_runs;
    mutable std::vector<Background> m_backgrounds;
};

} // namespace scrivane
