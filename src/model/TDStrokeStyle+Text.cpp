#include "model/TDStrokeStyle.h"

#include "model/TDAttributedText.h"
#include "model/TDBezierPath.h"
#include "model/TDDrawProtocol.h"
#include "model/TDGraphic.h"
#include "model/TDTextLayout.h"
#include "platform/GlyphPainter.h"

#include <QTextCursor>

#include <cmath>

namespace scrivane {

// One glyph set on the path: the map from text space (y down, the glyph at
// its place in the line) to stroke space, and its box there.
struct TDStrokeStyle::PlacedGlyph {
    TDTextLayout::PlacedGlyph glyph;
    AffineTransform map;
    Rect box;
};

void TDStrokeStyle::initText()
{
    if (m_textStorage)
        return;
    m_textStorage = std::make_unique<QTextDocument>();
    TDAttributedText::prepare(*m_textStorage);
    m_textLayout = std::make_unique<TDTextLayout>();
    m_baseline = 0;
    QObject::connect(m_textStorage.get(), &QTextDocument::contentsChanged, m_textStorage.get(), [this] {
        if (!m_settingText) {
            willChange();
            textDidChange();
            didChange();
        }
    });
}

void TDStrokeStyle::textDidChange()
{
    m_keptText = PropertyList();
    m_textLayoutValid = false;
    m_cachedStrokeBounds.reset();
}

void TDStrokeStyle::setText(const QTextDocument &text)
{
    if (!m_textStorage)
        initText();
    if (&text == m_textStorage.get())
        return;
    auto old = std::make_shared<QTextDocument>();
    TDAttributedText::copy(*m_textStorage, *old);
    registerUndo(true, QStringLiteral("setText"), [old](TDStrokeStyle &s) { s.setText(*old); });
    willChange();
    m_settingText = true;
    TDAttributedText::copy(text, *m_textStorage);
    m_settingText = false;
    textDidChange();
    didChange();
}

void TDStrokeStyle::setText(const QString &plainText)
{
    QTextDocument text;
    TDAttributedText::prepare(text);
    QTextCursor(&text).insertText(plainText, TDAttributedText::defaultCharFormat());
    setText(text);
}

void TDStrokeStyle::setBaseline(float baseline)
{
    if (!std::isfinite(baseline))
        return;
    registerUndo(true, QStringLiteral("setBaseline_n"), [old = m_baseline](TDStrokeStyle &s) { s.setBaseline(old); });
    willChange();
    m_baseline = baseline;
    m_cachedStrokeBounds.reset();
    didChange();
}

void TDStrokeStyle::setTextAndLine(bool on)
{
    registerUndo(true, QStringLiteral("setTextAndLine_n"),
                 [old = m_textAndLine](TDStrokeStyle &s) { s.setTextAndLine(old); });
    willChange();
    m_textAndLine = on;
    didChange();
}

const TDTextLayout &TDStrokeStyle::textLayout()
{
    if (!m_textLayout)
        m_textLayout = std::make_unique<TDTextLayout>();
    if (!m_textStorage) {
        m_textLayout->clear();
        return *m_textLayout;
    }
    if (!m_textLayoutValid) {
        // One long line: no line is ever wider than Qt measures.
        TDTextLayout::Container container;
        container.size = Size(TDTextLayout::MaxLineWidth, TDTextLayout::MaxLineWidth);
        container.padding = 0;
        m_textLayout->layout(*m_textStorage, container);
        m_textLayoutValid = true;
    }
    return *m_textLayout;
}

std::vector<std::optional<AffineTransform>> TDStrokeStyle::mapsOnPath(TDGraphic &graphic,
                                                                    const std::vector<TextBox> &boxes)
{
    std::vector<std::optional<AffineTransform>> maps(boxes.size());
    const std::shared_ptr<TDBezierPath> cached = graphic.cachedBezierPath();
    const std::optional<AffineTransform> inverse = graphic.strokeTransformation().inverse();
    if (!cached || !inverse)
        return maps;
    TDBezierPath q(*cached);
    q.transform(*inverse);
    const float length = q.length();
    const float w = m_strokeWidth;
    // A path of no length has no direction anywhere: nothing to set text on.
    if (!(length > 0) || !std::isfinite(length) || !std::isfinite(w) || !(w > 0))
        return maps;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const TextBox &box = boxes[i];
        const float cx = box.x + box.advance / 2;
        const float cy = box.baseline;
        const float d = cx * w;
        // The whole glyph, scaled like the text, must lie on the path.
        if ((box.x + box.advance) * w > length)
            break;
        const float t = d / length;
        const Point p = q.pointAt(t);
        const Point tangent = q.gradientAt(t);
        const float norm = std::hypot(tangent.x, tangent.y);
        if (!(norm > 0) || !std::isfinite(norm) || !std::isfinite(p.x) || !std::isfinite(p.y))
            continue;
        const Point u(tangent.x / norm, tangent.y / norm);
        AffineTransform map = AffineTransform::makeTranslation(-cx, -cy);
        map.append(AffineTransform::makeScale(w, w));
        map.append(AffineTransform(u.x, u.y, -u.y, u.x, p.x - u.y * m_baseline, p.y + u.x * m_baseline));
        maps[i] = map;
    }
    return maps;
}

std::vector<TDStrokeStyle::PlacedGlyph> TDStrokeStyle::placeGlyphs(TDGraphic &graphic)
{
    std::vector<PlacedGlyph> placed;
    if (!m_textStorage)
        return placed;
    const std::vector<TDTextLayout::PlacedGlyph> glyphs = textLayout().placedGlyphs();
    std::vector<TextBox> boxes;
    boxes.reserve(glyphs.size());
    for (const TDTextLayout::PlacedGlyph &g : glyphs)
        boxes.push_back({g.origin.x, g.advance, g.origin.y});
    const std::vector<std::optional<AffineTransform>> maps = mapsOnPath(graphic, boxes);
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        if (!maps[i])
            continue;
        const TDTextLayout::PlacedGlyph &g = glyphs[i];
        const Rect box(g.origin.x, g.fragment.minY(), g.advance, g.fragment.height());
        placed.push_back({g, *maps[i], maps[i]->transformRect(box)});
    }
    return placed;
}

Rect TDStrokeStyle::textRect()
{
    TDGraphic *g = graphic();
    if (!g || m_style != TextStroke)
        return Rect();
    Rect rect;
    for (const PlacedGlyph &p : placeGlyphs(*g))
        rect = rect.isEmpty() ? p.box : rect.united(p.box);
    return rect.isEmpty() ? Rect() : g->strokeTransformation().transformRect(rect);
}

TDBezierPath TDStrokeStyle::convertTextToBezier()
{
    TDBezierPath path;
    TDGraphic *g = graphic();
    if (!g)
        return path;
    for (const PlacedGlyph &p : placeGlyphs(*g)) {
        AffineTransform at = AffineTransform::makeTranslation(p.glyph.origin.x, p.glyph.origin.y);
        at.append(p.map);
        GlyphPainter::appendGlyph(path, p.glyph.font, p.glyph.index, at);
    }
    path.transform(g->strokeTransformation());
    path.setWindingRule(WindingRule::NonZero);
    return path;
}

void TDStrokeStyle::drawText(TDGraphic &graphic, TDDrawProtocol *view, GraphicsContext &context)
{
    const std::vector<PlacedGlyph> placed = placeGlyphs(graphic);
    if (placed.empty())
        return;
    const bool outline = view && view->outlineView();
    context.save();
    if (context.concatCTM(graphic.strokeTransformation())) {
        if (outline) {
            LineStyle line;
            line.width = 1.0f / std::max(view->zoom(), 0.01f);
            context.setLineStyle(line);
        }
        for (const PlacedGlyph &p : placed) {
            const Color color = TDAttributedText::colorOf(p.glyph.color);
            if (outline) {
                PathBase glyph;
                AffineTransform at = AffineTransform::makeTranslation(p.glyph.origin.x, p.glyph.origin.y);
                at.append(p.map);
                GlyphPainter::appendGlyph(glyph, p.glyph.font, p.glyph.index, at);
                context.setStrokeColor(color);
                context.strokePath(glyph, GraphicsContext::LineSource::Context);
                continue;
            }
            QGlyphRun one;
            one.setRawFont(p.glyph.font);
            one.setGlyphIndexes({p.glyph.index});
            one.setPositions({QPointF(p.glyph.origin.x, p.glyph.origin.y)});
            context.setFillColor(color);
            GlyphPainter::fill(context, one, p.map);
        }
    }
    context.restore();
}

} // namespace scrivane
