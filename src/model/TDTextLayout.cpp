#include "model/TDTextLayout.h"

#include "model/TDAttributedText.h"
#include "model/TDShapeWalk.h"
#include "platform/GlyphPainter.h"
#include "platform/Hyphenator.h"
#include "platform/GraphicsContext.h"

#include <QFontMetricsF>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

extern Q_GUI_EXPORT int qt_defaultDpiY();

namespace scrivane {

// One paragraph as Qt lays it out.  The layout's text is the block's with
// a soft hyphen put in wherever a word may break at the end of a line;
// `inserted` holds the block offsets those stand before and `hyphens`
// their indexes in the layout's text (both ascending).
struct TDTextLayout::Paragraph {
    std::unique_ptr<QTextLayout> layout;
    int blockPosition = 0;
    std::vector<int> inserted;
    std::vector<int> hyphens;

    // A block offset in the layout's text: after the soft hyphens that
    // stand before it (one standing right before it included, so that an
    // offset at a break starts the next line).
    int toLayout(int offset) const
    {
        return offset + int(std::upper_bound(inserted.begin(), inserted.end(), offset) - inserted.begin());
    }
    int toBlock(int index) const
    {
        return index - int(std::lower_bound(hyphens.begin(), hyphens.end(), index) - hyphens.begin());
    }
};

struct TDTextLayout::Placed {
    const Paragraph *paragraph = nullptr;
    int line = 0;
    Rect fragment;
    float baseline = 0;

    QTextLine textLine() const { return paragraph->layout->lineAt(line); }
    // The document positions the line covers.
    int start() const { return paragraph->blockPosition + paragraph->toBlock(textLine().textStart()); }
    int end() const
    {
        const QTextLine l = textLine();
        return paragraph->blockPosition + paragraph->toBlock(l.textStart() + l.textLength());
    }
    float xOf(int position) const
    {
        return float(textLine().cursorToX(paragraph->toLayout(position - paragraph->blockPosition)));
    }
};

namespace {

Rect unite(const Rect &a, const Rect &b)
{
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    const float x0 = std::min(a.minX(), b.minX()), y0 = std::min(a.minY(), b.minY());
    const float x1 = std::max(a.maxX(), b.maxX()), y1 = std::max(a.maxY(), b.maxY());
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

float clampWidth(float w)
{
    if (!std::isfinite(w))
        return w > 0 ? TDTextLayout::MaxLineWidth : 0;
    return std::clamp(w, 0.0f, TDTextLayout::MaxLineWidth);
}

// Where the next line may go: its fragment and what is left of its row.
class Flow {
public:
    explicit Flow(const TDTextLayout::Container &c) : m_c(&c) {}

    // The fragment for a line of height h at the current place, or an
    // empty rectangle when no more text fits.
    Rect fragment(float h, Rect *remaining) const
    {
        *remaining = Rect();
        const float width = clampWidth(m_c->size.width);
        if (m_c->shape) {
            const Rect proposed(m_x, m_y, std::max(0.0f, width - m_x), h);
            if (m_rowWidth > 0)
                return m_c->shape->lineFragmentRect(Rect(m_x, m_y, m_rowWidth, h), remaining);
            return m_c->shape->lineFragmentRect(proposed, remaining);
        }
        const float height = std::isfinite(m_c->size.height) ? m_c->size.height : TDTextLayout::MaxLineWidth;
        if (m_y + h > height || !(width > 0))
            return Rect();
        return Rect(0, m_y, width, h);
    }
    // The line went into `fragment`; the row goes on in `remaining` when
    // there is some.
    void advance(const Rect &fragment, const Rect &remaining, float h)
    {
        if (!remaining.isEmpty()) {
            m_x = remaining.minX();
            m_y = fragment.minY();
            m_rowWidth = remaining.width();
            m_rowBottom = std::max(m_rowBottom, fragment.minY() + h);
            return;
        }
        newRow(std::max(m_rowBottom, fragment.minY() + h));
    }
    // A paragraph ends: the next one starts on a new row.
    void endRow()
    {
        if (m_rowWidth > 0)
            newRow(m_rowBottom);
    }

private:
    void newRow(float y)
    {
        m_x = 0;
        m_y = y;
        m_rowWidth = 0;
        m_rowBottom = y;
    }

    const TDTextLayout::Container *m_c;
    float m_x = 0;
    float m_y = 0;
    float m_rowWidth = 0; // within a row: the width left of it
    float m_rowBottom = 0;
};

// A word of a paragraph (block offsets) and where it may break.
struct Word {
    int start = 0;
    int end = 0;
    std::vector<int> breaks;
    bool enabled = false;
};

// The words of `text` that the patterns can break.
std::vector<Word> breakableWords(const QString &text, const Hyphenator &hyphenator)
{
    std::vector<Word> words;
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        if (!text.at(i).isLetter()) {
            ++i;
            continue;
        }
        int j = i;
        while (j < n && text.at(j).isLetter())
            ++j;
        std::vector<int> breaks = hyphenator.breaks(QStringView(text).mid(i, j - i));
        if (!breaks.empty()) {
            for (int &b : breaks)
                b += i;
            words.push_back({i, j, std::move(breaks), false});
        }
        i = j;
    }
    return words;
}

// What the layout has reached: where the next line goes and what the
// placed lines add up to.
struct Progress {
    explicit Progress(const Flow &start) : flow(start) {}
    Flow flow;
    std::size_t placed = 0;
    int lineCount = 0;
    int laidOut = 0;
    Rect usedRect;
    float lastHeight = 0;
};

} // namespace

TDTextLayout::TDTextLayout() = default;
TDTextLayout::~TDTextLayout() = default;

QFont TDTextLayout::layoutFont(const QFont &font)
{
    QFont f = font;
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 12;
    f.setPointSizeF(points * 72.0 / qt_defaultDpiY());
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

void TDTextLayout::clear()
{
    m_placed.clear();
    m_paragraphs.clear();
    m_lineCount = 0;
    m_laidOut = 0;
    m_usedRect = Rect();
    m_runsBuilt = false;
    m_runs.clear();
    m_backgrounds.clear();
}

int TDTextLayout::hyphenCount() const
{
    int count = 0;
    for (const auto &placed : m_placed) {
        const QTextLine line = placed->textLine();
        const auto &hyphens = placed->paragraph->hyphens;
        const int last = line.textStart() + line.textLength() - 1;
        count += int(line.textLength() > 0 && std::binary_search(hyphens.begin(), hyphens.end(), last));
    }
    return count;
}

void TDTextLayout::layout(const QTextDocument &document, const Container &container)
{
    clear();
    ++m_generation;
    const QFont base = document.defaultFont();
    const float padding = std::isfinite(container.padding) ? std::max(0.0f, container.padding) : 0.0f;
    const float factor = std::isfinite(container.hyphenation) ? std::clamp(container.hyphenation, 0.0f, 1.0f) : 0.0f;
    const Hyphenator *hyphenator = factor > 0 ? Hyphenator::forLanguage() : nullptr;
    Progress current(Flow{container});
    Flow &flow = current.flow;
    float &lastHeight = current.lastHeight;
    bool full = false;
    for (QTextBlock block = document.begin(); block.isValid() && !full; block = block.next()) {
        const QString text = block.text();
        std::vector<Word> words = hyphenator ? breakableWords(text, *hyphenator) : std::vector<Word>();
        QList<QTextLayout::FormatRange> blockRanges;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QTextCharFormat format = fragment.charFormat();
            format.setFont(layoutFont(format.font().resolve(base)), QTextCharFormat::FontPropertiesAll);
            blockRanges.append({fragment.position() - block.position(), fragment.length(), format});
        }
        const QTextBlockFormat blockFormat = block.blockFormat();
        const double multiple = TDAttributedText::lineHeightMultiple(blockFormat);
        if (lastHeight <= 0) {
            const QFont first = blockRanges.isEmpty() ? layoutFont(base) : blockRanges.first().format.font();
            lastHeight = float(QFontMetricsF(first).height() * multiple);
        }
        Progress start = current;
        start.placed = m_placed.size();
        auto paragraph = std::make_unique<Paragraph>();
        paragraph->blockPosition = block.position();
        // Each try that finds a line too empty lets the word after it break
        // and lays the paragraph out again; the lines before stay as they
        // were, so the tries end.
        for (bool again = true; again;) {
            again = false;
            full = false;
            current = start;
            m_placed.resize(start.placed);
            paragraph->inserted.clear();
            paragraph->hyphens.clear();
            for (const Word &word : words)
                if (word.enabled)
                    paragraph->inserted.insert(paragraph->inserted.end(), word.breaks.begin(), word.breaks.end());
            QString laidText = text;
            for (std::size_t k = paragraph->inserted.size(); k-- > 0;)
                laidText.insert(paragraph->inserted[k], QChar(0x00AD));
            for (std::size_t k = 0; k < paragraph->inserted.size(); ++k)
                paragraph->hyphens.push_back(paragraph->inserted[k] + int(k));
            paragraph->layout = std::make_unique<QTextLayout>(laidText, layoutFont(base));
            QTextLayout *layout = paragraph->layout.get();
            QList<QTextLayout::FormatRange> ranges = blockRanges;
            for (QTextLayout::FormatRange &range : ranges) {
                const int from = paragraph->toLayout(range.start);
                range.length = paragraph->toLayout(range.start + range.length) - from;
                range.start = from;
            }
            layout->setFormats(ranges);
            QTextOption option;
            option.setAlignment(blockFormat.alignment());
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            option.setUseDesignMetrics(true);
            layout->setTextOption(option);
            layout->setCacheEnabled(true);

            layout->beginLayout();
            for (;;) {
                QTextLine line = layout->createLine();
                if (!line.isValid())
                    break;
                float h = lastHeight;
                Rect fragment, remaining;
                // A line taller than guessed is fitted again at its height.
                for (int attempt = 0; attempt < 3; ++attempt) {
                    fragment = flow.fragment(h, &remaining);
                    if (fragment.isEmpty())
                        break;
                    line.setLineWidth(clampWidth(fragment.width() - 2 * padding));
                    const float needed = float(line.height() * multiple);
                    if (needed <= h + 0.01f)
                        break;
                    h = needed;
                }
                if (fragment.isEmpty()) {
                    full = true;
                    break;
                }
                h = std::max(h, float(line.height() * multiple));
                const float top = fragment.minY() + h - float(line.height());
                line.setPosition(QPointF(fragment.minX() + padding, top));
                auto placed = std::make_unique<Placed>();
                placed->paragraph = paragraph.get();
                placed->line = line.lineNumber();
                placed->fragment = Rect(fragment.minX(), fragment.minY(), fragment.width(), h);
                placed->baseline = top + float(line.ascent());
                const int lineEnd = line.textStart() + line.textLength();
                current.laidOut += paragraph->toBlock(lineEnd) - paragraph->toBlock(line.textStart());
                m_placed.push_back(std::move(placed));
                current.usedRect = unite(current.usedRect, Rect(fragment.minX(), fragment.minY(),
                                                                float(line.naturalTextWidth()) + 2 * padding, h));
                ++current.lineCount;
                lastHeight = h;
                flow.advance(fragment, remaining, h);

                const float room = clampWidth(fragment.width() - 2 * padding);
                if (factor > 0 && lineEnd < laidText.size() && float(line.naturalTextWidth()) < factor * room) {
                    // The word the next line starts with may end this one.
                    int next = paragraph->toBlock(lineEnd);
                    while (next < text.size() && !text.at(next).isLetter())
                        ++next;
                    for (Word &word : words)
                        if (word.start <= next && next < word.end && !word.enabled) {
                            word.enabled = true;
                            again = true;
                        }
                    if (again)
                        break;
                }
            }
            layout->endLayout();
        }
        if (!full) {
            flow.endRow();
            // The paragraph separator.
            if (block.next().isValid())
                ++current.laidOut;
        }
        m_paragraphs.push_back(std::move(paragraph));
    }
    m_lineCount = current.lineCount;
    m_laidOut = current.laidOut;
    m_usedRect = current.usedRect;
}

void TDTextLayout::buildRuns() const
{
    if (m_runsBuilt)
        return;
    m_runsBuilt = true;
    m_runs.clear();
    m_backgrounds.clear();
    for (const auto &placed : m_placed) {
        const QTextLine line = placed->textLine();
        const int lineStart = line.textStart();
        const int lineEnd = lineStart + line.textLength();
        for (const QTextLayout::FormatRange &range : placed->paragraph->layout->formats()) {
            const int from = std::max(lineStart, range.start);
            const int to = std::min(lineEnd, range.start + range.length);
            if (to <= from)
                continue;
            const QColor color =
                range.format.foreground().style() == Qt::NoBrush ? QColor(Qt::black) : range.format.foreground().color();
            if (range.format.background().style() != Qt::NoBrush) {
                const float x0 = float(line.cursorToX(from)), x1 = float(line.cursorToX(to));
                m_backgrounds.push_back({Rect(std::min(x0, x1), placed->fragment.minY(), std::abs(x1 - x0),
                                              placed->fragment.height()),
                                         range.format.background().color()});
            }
            const double shift = range.format.doubleProperty(TDAttributedText::BaselineOffset);
            for (QGlyphRun run : line.glyphRuns(from, to - from)) {
                if (run.glyphIndexes().isEmpty())
                    continue;
                if (shift != 0) {
                    QList<QPointF> positions = run.positions();
                    for (QPointF &p : positions)
                        p.ry() -= shift;
                    run.setPositions(positions);
                }
                m_runs.push_back({run, color, placed->fragment, placed->baseline - float(shift)});
            }
        }
    }
}

const std::vector<TDTextLayout::Run> &TDTextLayout::runs() const
{
    buildRuns();
    return m_runs;
}

const std::vector<TDTextLayout::Background> &TDTextLayout::backgrounds() const
{
    buildRuns();
    return m_backgrounds;
}

std::vector<TDTextLayout::PlacedGlyph> TDTextLayout::placedGlyphs() const
{
    std::vector<PlacedGlyph> glyphs;
    for (const Run &run : runs()) {
        const QRawFont font = run.glyphs.rawFont();
        const QList<quint32> indexes = run.glyphs.glyphIndexes();
        const QList<QPointF> positions = run.glyphs.positions();
        const QList<QPointF> advances = font.advancesForGlyphIndexes(indexes, QRawFont::UseDesignMetrics);
        for (qsizetype i = 0; i < indexes.size(); ++i) {
            glyphs.push_back({font, indexes[i], run.color,
                              Point(float(positions[i].x()), float(positions[i].y())),
                              i < advances.size() ? float(advances[i].x()) : 0.0f, run.fragment});
        }
    }
    return glyphs;
}

std::vector<TDTextLayout::TextRun> TDTextLayout::textRuns() const
{
    std::vector<TextRun> runs;
    for (const auto &placed : m_placed) {
        const QTextLayout &layout = *placed->paragraph->layout;
        const QTextLine line = layout.lineAt(placed->line);
        const int lineStart = line.textStart();
        const int lineEnd = lineStart + line.textLength();
        // Qt stretches the spaces of every justified line but a paragraph's
        // last.
        const bool justified = (layout.textOption().alignment() & Qt::AlignJustify) &&
                               line.lineNumber() < layout.lineCount() - 1;
        for (const QTextLayout::FormatRange &range : layout.formats()) {
            const int from = std::max(lineStart, range.start);
            const int to = std::min(lineEnd, range.start + range.length);
            if (to <= from)
                continue;
            TextRun run;
            // Back from the layout's pixels to points.
            run.font = range.format.font();
            run.font.setPointSizeF(run.font.pointSizeF() * qt_defaultDpiY() / 72.0);
            run.color =
                range.format.foreground().style() == Qt::NoBrush ? QColor(Qt::black) : range.format.foreground().color();
            if (range.format.fontLetterSpacingType() == QFont::AbsoluteSpacing)
                run.letterSpacing = range.format.fontLetterSpacing();
            // Cursor positions step over whole clusters; each step moves on.
            // A soft hyphen of the layout is a hyphen where the line breaks
            // at it and nothing elsewhere.
            const QString &laid = layout.text();
            for (int at = from; at < to;) {
                const int next = std::max(at + 1, layout.nextCursorPosition(at));
                QString cluster = laid.mid(at, std::min(next, to) - at);
                if (cluster == QString(QChar(0x00AD))) {
                    if (at != lineEnd - 1) {
                        at = next;
                        continue;
                    }
                    cluster = QStringLiteral("-");
                }
                run.stops.emplace_back(int(run.text.size()), float(line.cursorToX(at)));
                run.text += cluster;
                at = next;
            }
            run.stops.emplace_back(int(run.text.size()), float(line.cursorToX(to)));
            const double shift = range.format.doubleProperty(TDAttributedText::BaselineOffset);
            run.baseline = placed->baseline - float(shift);
            run.fragment = placed->fragment;
            run.justified = justified;
            runs.push_back(std::move(run));
        }
    }
    return runs;
}

int TDTextLayout::positionAt(Point point) const
{
    if (m_placed.empty())
        return 0;
    // The line whose row holds the point, the nearest in x among those;
    // else the nearest row.
    const Placed *best = nullptr;
    float bestDistance = 0;
    for (const auto &placed : m_placed) {
        const Rect &f = placed->fragment;
        const float dy = point.y < f.minY() ? f.minY() - point.y : (point.y > f.maxY() ? point.y - f.maxY() : 0);
        const float dx = point.x < f.minX() ? f.minX() - point.x : (point.x > f.maxX() ? point.x - f.maxX() : 0);
        const float distance = dy * 100000 + dx;
        if (!best || distance < bestDistance) {
            best = placed.get();
            bestDistance = distance;
        }
    }
    const Paragraph &paragraph = *best->paragraph;
    return paragraph.blockPosition + paragraph.toBlock(best->textLine().xToCursor(point.x));
}

std::optional<Rect> TDTextLayout::caretRect(int position) const
{
    for (const auto &placed : m_placed) {
        const int start = placed->start();
        const int end = placed->end();
        const bool lastOfBlock = placed->line == placed->paragraph->layout->lineCount() - 1;
        // A position at a wrap belongs to the next line; at the end of a
        // paragraph to its last line.
        if (position < start || position > end || (position == end && !lastOfBlock))
            continue;
        return Rect(placed->xOf(position), placed->fragment.minY(), 0, placed->fragment.height());
    }
    return std::nullopt;
}

std::vector<Rect> TDTextLayout::selectionRects(int from, int to) const
{
    std::vector<Rect> rects;
    if (to < from)
        std::swap(from, to);
    for (const auto &placed : m_placed) {
        const int start = placed->start();
        const int end = placed->end();
        const int a = std::max(from, start), b = std::min(to, end);
        if (b < a || (b == a && !(from < start && to > end)))
            continue;
        const float x0 = placed->xOf(a);
        float x1 = placed->xOf(b);
        // A selection going on past the line shows its end reached.
        if (to > end)
            x1 = std::max(x1, placed->fragment.maxX());
        rects.push_back(Rect(std::min(x0, x1), placed->fragment.minY(), std::abs(x1 - x0), placed->fragment.height()));
    }
    return rects;
}

PathBase TDTextLayout::outlines() const
{
    PathBase path;
    for (const Run &run : runs())
        GlyphPainter::appendOutlines(path, run.glyphs, AffineTransform());
    path.setWindingRule(WindingRule::NonZero);
    return path;
}

void TDTextLayout::draw(GraphicsContext &context, Point origin, Paint paint) const
{
    const AffineTransform move = AffineTransform::makeTranslation(origin.x, origin.y);
    if (paint != Paint::Stroke) {
        for (const Background &b : backgrounds()) {
            context.setFillColor(TDAttributedText::colorOf(b.color));
            context.fillRect(Rect(b.rect.minX() + origin.x, b.rect.minY() + origin.y, b.rect.width(), b.rect.height()));
        }
    }
    for (const Run &run : runs()) {
        const Color color = TDAttributedText::colorOf(run.color);
        if (paint == Paint::Stroke) {
            PathBase outline;
            GlyphPainter::appendOutlines(outline, run.glyphs, move);
            context.setStrokeColor(color);
            context.strokePath(outline, GraphicsContext::LineSource::Context);
            continue;
        }
        context.setFillColor(color);
        GlyphPainter::fill(context, run.glyphs, move);
        if (paint == Paint::FillAndHairline) {
            PathBase outline;
            GlyphPainter::appendOutlines(outline, run.glyphs, move);
            context.setStrokeColor(color);
            LineStyle hairline;
            hairline.width = 0;
            context.save();
            context.setLineStyle(hairline);
            context.strokePath(outline, GraphicsContext::LineSource::Context);
            context.restore();
        }
    }
}

} // namespace scrivane
