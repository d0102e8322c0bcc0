#include "model/TDGraphic.h"

#include "model/TDAttributedText.h"
#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"
#include "model/TDTextLayout.h"
#include "platform/Numbers.h"
#include "platform/SvgTransform.h"
#include "platform/SvgValues.h"

#include <QFontInfo>

#include <cmath>

// Text is written as characters in the fonts that show them, each piece at
// the place the canvas's layout gives it: other programs shape the
// characters again, so a piece must never run far enough for the two
// layouts to drift apart where the canvas moves text on its own (tab stops,
// justified spaces, every glyph along a path).

namespace scrivane {

namespace {

using TextRun = TDTextLayout::TextRun;

// A family as a CSS font-family value: quoted unless it is plain words.
std::string familyValue(const QFont &font)
{
    const QString family = QFontInfo(TDTextLayout::layoutFont(font)).family();
    bool plain = !family.isEmpty() && !family.front().isDigit();
    for (const QChar c : family)
        plain = plain && (c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('-'));
    if (plain)
        return family.toStdString();
    QString quoted = family;
    quoted.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return ("'" + quoted + "'").toStdString();
}

std::string weightValue(const QFont &font)
{
    const int weight = std::clamp(int(font.weight()), 1, 1000);
    if (weight == QFont::Normal)
        return "normal";
    if (weight == QFont::Bold)
        return "bold";
    return std::to_string(weight);
}

std::string number(double value)
{
    std::string text;
    Numbers::appendShortest(text, float(value));
    return text;
}

// The font and colour attributes of a run where they differ from those of
// `base`, the run whose attributes an enclosing element carries (all of
// them without one).  With `hairline` the glyphs are also outlined in
// their colour one device pixel wide, as the canvas draws text on screen.
void addFontStyle(XmlElement &element, const TextRun &run, const TextRun *base, bool hairline, bool spacing)
{
    const auto differs = [&](auto of, auto normal) { return base ? of(run) != of(*base) : of(run) != normal; };
    const auto family = [](const TextRun &r) { return familyValue(r.font); };
    const auto style = [](const TextRun &r) { return std::string(r.font.italic() ? "italic" : "normal"); };
    const auto weight = [](const TextRun &r) { return weightValue(r.font); };
    const auto size = [](const TextRun &r) { return number(r.font.pointSizeF()); };
    const auto color = [](const TextRun &r) { return SvgValues::svgColor(TDAttributedText::colorOf(r.color)); };
    const auto alpha = [](const TextRun &r) { return std::clamp(TDAttributedText::colorOf(r.color).alpha(), 0.0f, 1.0f); };
    if (differs(family, std::string()))
        element.setAttribute("font-family", family(run));
    if (differs(style, std::string("normal")))
        element.setAttribute("font-style", style(run));
    if (differs(weight, std::string("normal")))
        element.setAttribute("font-weight", weight(run));
    if (differs(size, std::string()))
        element.setAttribute("font-size", size(run));
    if (spacing && differs([](const TextRun &r) { return r.letterSpacing; }, 0.0))
        element.setNumber("letter-spacing", float(run.letterSpacing));
    if (differs(color, std::string())) {
        element.setAttribute("fill", color(run));
        if (hairline)
            element.setAttribute("stroke", color(run));
    }
    if (differs(alpha, 1.0f)) {
        element.setNumber("fill-opacity", alpha(run));
        if (hairline)
            element.setNumber("stroke-opacity", alpha(run));
    }
    if (hairline && !base) {
        element.setAttribute("stroke-width", "1");
        element.setAttribute("vector-effect", "non-scaling-stroke");
    }
}

// Characters that show nothing and that other programs would show as
// something (line separators, tabs: the canvas moves on to a tab stop).
bool breaksPiece(QChar c, bool justified)
{
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Line ||
           c.category() == QChar::Separator_Paragraph || c.category() == QChar::Other_Control ||
           (justified && c.isSpace());
}

} // namespace

std::optional<XmlElement> TDGraphic::svgTextFill()
{
    TDFillStyle &fill = *m_fillStyle;
    if (!fill.hasText())
        return std::nullopt;
    const TDTextLayout &layout = fill.textLayout();
    const Point at = fill.textDrawAt();
    const AffineTransform linear = textTransformation().untranslatedTransformation();
    // A text transformation that flattens the text shows none of it.
    if (!linear.inverse())
        return std::nullopt;
    const std::vector<TextRun> runs = layout.textRuns();
    if (runs.empty())
        return std::nullopt;

    XmlElement text("text");
    text.setAttribute("xml:space", "preserve");
    addFontStyle(text, runs.front(), nullptr, true, true);
    for (const TextRun &run : runs) {
        // Pieces of the run between the characters that break it; each
        // cluster (from stop i to stop i + 1) moves the walk on, empty or not.
        std::size_t first = 0;
        const auto finish = [&](std::size_t end) {
            const int from = run.stops[first].first, to = run.stops[end].first;
            if (to > from) {
                XmlElement &span = text.appendChild(XmlElement("tspan"));
                span.setNumber("x", run.stops[first].second + at.x);
                span.setNumber("y", run.baseline + at.y);
                addFontStyle(span, run, &runs.front(), true, true);
                span.setText(run.text.mid(from, to - from).toStdString());
            }
        };
        for (std::size_t i = 0; i + 1 < run.stops.size(); ++i) {
            if (!breaksPiece(run.text.at(run.stops[i].first), run.justified))
                continue;
            finish(i);
            first = i + 1;
        }
        finish(run.stops.size() - 1);
    }
    if (text.childCount() == 0)
        return std::nullopt;

    const std::vector<TDTextLayout::Background> &backgrounds = layout.backgrounds();
    if (backgrounds.empty()) {
        if (!linear.isIdentity())
            text.setAttribute("transform", SvgTransform::svgDescription(linear));
        return text;
    }
    // Backgrounds of characters lie under all text.
    XmlElement group("g");
    if (!linear.isIdentity())
        group.setAttribute("transform", SvgTransform::svgDescription(linear));
    for (const TDTextLayout::Background &background : backgrounds) {
        XmlElement &rect = group.appendChild(XmlElement("rect"));
        setSVGRect(rect, Rect(background.rect.minX() + at.x, background.rect.minY() + at.y,
                              background.rect.width(), background.rect.height()));
        const Color c = TDAttributedText::colorOf(background.color);
        rect.setAttribute("fill", SvgValues::svgColor(c));
        if (c.alpha() < 1)
            rect.setNumber("fill-opacity", std::clamp(c.alpha(), 0.0f, 1.0f));
    }
    group.appendChild(std::move(text));
    return group;
}

std::optional<XmlElement> TDGraphic::svgTextOnPath()
{
    TDStrokeStyle &stroke = *m_strokeStyle;
    if (!stroke.hasText())
        return std::nullopt;
    const std::vector<TextRun> runs = stroke.textLayout().textRuns();
    // Every cluster is a box of the line, set on the path by itself.
    struct Cluster {
        const TextRun *run;
        int from, to;
    };
    std::vector<Cluster> clusters;
    std::vector<TDStrokeStyle::TextBox> boxes;
    for (const TextRun &run : runs) {
        for (std::size_t i = 0; i + 1 < run.stops.size(); ++i) {
            const float x = run.stops[i].second;
            clusters.push_back({&run, run.stops[i].first, run.stops[i + 1].first});
            boxes.push_back({x, run.stops[i + 1].second - x, run.baseline});
        }
    }
    const std::vector<std::optional<AffineTransform>> maps = stroke.mapsOnPath(*this, boxes);

    XmlElement group("g");
    for (std::size_t i = 0; i < clusters.size(); ++i) {
        const Cluster &c = clusters[i];
        const QString characters = c.run->text.mid(c.from, c.to - c.from);
        if (!maps[i] || characters.trimmed().isEmpty() || breaksPiece(characters.front(), false))
            continue;
        XmlElement &glyph = group.appendChild(XmlElement("text"));
        glyph.setAttribute("transform", SvgTransform::svgDescription(*maps[i]));
        glyph.setNumber("x", boxes[i].x);
        glyph.setNumber("y", boxes[i].baseline);
        addFontStyle(glyph, *c.run, &runs.front(), false, false);
        glyph.setText(characters.toStdString());
    }
    if (group.childCount() == 0)
        return std::nullopt;
    addFontStyle(group, runs.front(), nullptr, false, false);
    if (!strokeTransformation().isIdentity())
        group.setAttribute("transform", SvgTransform::svgDescription(strokeTransformation()));
    return group;
}

} // namespace scrivane
