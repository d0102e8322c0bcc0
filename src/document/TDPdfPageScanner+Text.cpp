#include "document/TDPdfPageScanner.h"

#include "document/TDPdfObjects.h"
#include "model/TDFillStyle.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/ArchivedColor.h"
#include "platform/KeyedArchiver.h"

#include <QFontInfo>
#include <QFontMetricsF>

#include <cmath>

namespace scrivane {

namespace {

// A font of a text fill, stored under the keys of an archived font: its
// PostScript name as the PDF gave it, and the family and style of the font
// this system chose for it.
class ArchivedFont : public Archivable {
public:
    ArchivedFont(const QString &postScriptName, const QFont &font) : m_name(postScriptName), m_font(font) {}
    QString archiveClassName() const override { return QStringLiteral("NSFont"); }
    void encode(KeyedArchiver &archiver) const override
    {
        const QFontInfo chosen(m_font);
        archiver.encodeObject(PropertyList(m_name.isEmpty() ? chosen.family() : m_name), QStringLiteral("NSName"));
        archiver.encodeDouble(m_font.pointSizeF(), QStringLiteral("NSSize"));
        archiver.encodeObject(PropertyList(chosen.family()), QStringLiteral("NSFamily"));
        archiver.encodeObject(PropertyList(chosen.styleName()), QStringLiteral("NSStyle"));
    }

private:
    QString m_name;
    QFont m_font;
};

// The text of a text fill: its characters under "NSString" and one run of
// attributes, the font and the colour, under "NSAttributes".
class ArchivedText : public Archivable {
public:
    ArchivedText(const QString &text, std::shared_ptr<ArchivedFont> font, const Color &color)
        : m_text(text), m_font(std::move(font)), m_color(color)
    {
    }
    QString archiveClassName() const override { return QStringLiteral("NSAttributedString"); }
    void encode(KeyedArchiver &archiver) const override
    {
        archiver.encodeObject(PropertyList(m_text), QStringLiteral("NSString"));
        PropertyList attributes{PropertyList::Dictionary()};
        attributes.insert(QStringLiteral("NSFont"), PropertyList(std::static_pointer_cast<Archivable>(m_font)));
        attributes.insert(QStringLiteral("NSColor"), ArchivedColor::value(m_color));
        archiver.encodeObject(attributes, QStringLiteral("NSAttributes"));
    }

private:
    QString m_text;
    std::shared_ptr<ArchivedFont> m_font;
    Color m_color;
};

// TJ's adjustments are thousandths of the font size to the left; a large
// step to the right stands for a space between words.
constexpr double WordSpaceAdjustment = -250;

} // namespace

void TDPdfPageScanner::opBeginText(Operands &)
{
    state().textMatrix = Matrix();
    state().textLineMatrix = Matrix();
}

void TDPdfPageScanner::opLeading(Operands &o)
{
    state().leading = float(TDPdfObjects::number(o[0]).value_or(0));
}

void TDPdfPageScanner::moveLine(double tx, double ty)
{
    const Matrix moved = Matrix{1, 0, 0, 1, tx, ty}.then(state().textLineMatrix);
    if (!moved.isFinite())
        return;
    state().textLineMatrix = moved;
    state().textMatrix = moved;
}

void TDPdfPageScanner::opMoveText(Operands &o)
{
    moveLine(TDPdfObjects::number(o[0]).value_or(0), TDPdfObjects::number(o[1]).value_or(0));
}

void TDPdfPageScanner::opMoveTextLeading(Operands &o)
{
    const double ty = TDPdfObjects::number(o[1]).value_or(0);
    state().leading = float(-ty);
    moveLine(TDPdfObjects::number(o[0]).value_or(0), ty);
}

void TDPdfPageScanner::opNextLine(Operands &)
{
    moveLine(0, -double(state().leading));
}

void TDPdfPageScanner::opTextMatrix(Operands &o)
{
    const Matrix m{TDPdfObjects::number(o[0]).value_or(0), TDPdfObjects::number(o[1]).value_or(0),
                   TDPdfObjects::number(o[2]).value_or(0), TDPdfObjects::number(o[3]).value_or(0),
                   TDPdfObjects::number(o[4]).value_or(0), TDPdfObjects::number(o[5]).value_or(0)};
    if (!m.isFinite())
        return;
    state().textMatrix = m;
    state().textLineMatrix = m;
}

void TDPdfPageScanner::opFont(Operands &o)
{
    QPDFObjectHandle font = resource("/Font", TDPdfObjects::name(o[0]));
    if (!font.isDictionary()) {
        note(QStringLiteral("A font that is not among the resources was skipped."));
        return;
    }
    const QPDFObjGen id = font.getObjGen();
    std::shared_ptr<const TDPdfFont> known;
    if (id.getObj() != 0) {
        if (const auto found = m_fonts.find(id); found != m_fonts.end())
            known = found->second;
    }
    if (!known) {
        known = std::make_shared<const TDPdfFont>(TDPdfFont::fromDictionary(font));
        if (id.getObj() != 0)
            m_fonts.emplace(id, known);
    }
    state().font = known;
    state().fontSize = TDPdfObjects::number(o[1]).value_or(0);
}

void TDPdfPageScanner::opShowText(Operands &o)
{
    showText(o[0].getStringValue());
}

void TDPdfPageScanner::opNextLineShowText(Operands &o)
{
    opNextLine(o);
    showText(o[0].getStringValue());
}

void TDPdfPageScanner::opSpacingShowText(Operands &o)
{
    note(QStringLiteral("Ignores character and word spacing."));
    opNextLine(o);
    showText(o[2].getStringValue());
}

void TDPdfPageScanner::opShowTextArray(Operands &o)
{
    note(QStringLiteral("Ignores individual glyph positioning."));
    QPDFObjectHandle array = o[0];
    std::string codes;
    const bool twoBytes = state().font && state().font->codeLength() == 2;
    for (int i = 0; i < array.getArrayNItems(); ++i) {
        QPDFObjectHandle item = array.getArrayItem(i);
        if (item.isString()) {
            codes += item.getStringValue();
        } else if (const auto adjustment = TDPdfObjects::number(item);
                   adjustment && *adjustment <= WordSpaceAdjustment && !codes.empty() && !twoBytes) {
            codes += ' ';
        }
    }
    showText(codes);
}

void TDPdfPageScanner::showText(const std::string &codes)
{
    const State &s = state();
    const TDPdfFont font = s.font ? *s.font : TDPdfFont();
    const QString text = font.text(codes);
    if (text.trimmed().isEmpty())
        return;
    const Matrix &tm = s.textMatrix;
    const double scale = std::hypot(tm.a, tm.b);
    if (!(scale > 0) || !std::isfinite(scale))
        return;
    if (!countGraphic())
        return;
    const Matrix direction{tm.a / scale, tm.b / scale, tm.c / scale, tm.d / scale, tm.e, tm.f};

    const double size = (s.fontSize > 0 ? s.fontSize : 12) * scale;
    const QFont qfont = TDPdfFont::systemFont(font.baseFont(), size);
    const QFontMetricsF metrics(qfont);
    const double w = metrics.horizontalAdvance(text);
    const double h = metrics.height();
    const double lineHeight = std::max(scale, metrics.ascent() + metrics.leading());

    const Color color = s.fillAlpha ? s.fillColor.withAlpha(*s.fillAlpha) : s.fillColor;
    const auto archive = KeyedArchiver::archivedData(
        PropertyList(std::make_shared<ArchivedText>(text, std::make_shared<ArchivedFont>(font.baseFont(), qfont), color)));
    if (!archive)
        return;

    const auto box = std::make_shared<TDRectangle>();
    box->strokeStyle()->setStyle(TDStrokeStyle::None);
    PropertyList fill{PropertyList::Dictionary()};
    fill.insert(QStringLiteral("FillStyle"), TDFillStyle::TextFill);
    fill.insert(QStringLiteral("FillTextKey"), PropertyList(*archive));
    fill.insert(QStringLiteral("lineFragmentPadding"), 0.0);
    box->fillStyle()->initWithDictionary(fill);
    // The box starts one line height above the baseline, where the text's
    // first line lies, and reaches one text height below it.
    box->setTransformation(TDGraphic::transformForBounds(
        Rect(0, float(-h), float(w + 5), float(lineHeight + h))));
    box->setTextTransformation(AffineTransform(1, 0, 0, -1, 0, 0));
    placeGraphic(box, direction.then(s.ctm));
    addToLayer(box);
}

} // namespace scrivane
