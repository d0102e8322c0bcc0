#include "model/TDStrokeStyle.h"

#include "model/TDAttributedText.h"
#include "model/TDBezierPath.h"
#include "model/TDTextLayout.h"
#include "model/TDDictionaryReader.h"
#include "model/TDDrawProtocol.h"
#include "model/TDGraphic.h"
#include "platform/ArchivedColor.h"
#include "platform/ArchivedPoint.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/Numbers.h"

#include <QDebug>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {
const QString StrokeStyleKey = QStringLiteral("StrokeStyle");
const QString StrokeWidthKey = QStringLiteral("StrokeWidth");
const QString StrokeColorKey = QStringLiteral("StrokeColor");
const QString StartArrowStyleKey = QStringLiteral("StartArrowStyle");
const QString EndArrowStyleKey = QStringLiteral("EndArrowStyle");
const QString StartArrowSizeKey = QStringLiteral("StartArrowSize");
const QString EndArrowSizeKey = QStringLiteral("EndArrowSize");
const QString MorphStartArrowKey = QStringLiteral("MorphStartArrow");
const QString MorphEndArrowKey = QStringLiteral("MorphEndArrow");
const QString StrokeJoinsKey = QStringLiteral("StrokeJoins");
const QString StrokeCapsKey = QStringLiteral("StrokeCaps");
const QString StrokeDashesKey = QStringLiteral("StrokeDashes");
const QString BrushKey = QStringLiteral("Brush");
const QString CustomBrushNameKey = QStringLiteral("Custom brush name");
const QString PressureKey = QStringLiteral("Pressure");

// Per cent as stored: whole numbers, truncated.  The stored fraction is a
// single-precision number, so 29 per cent reads back as 28.99999...; a
// thousandth absorbs that without rounding up a real fraction like 150.7.
int storedPercent(float fraction)
{
    const double percent = double(fraction) * 100;
    if (!std::isfinite(percent))
        return 0;
    const double truncated = std::trunc(percent + (percent >= 0 ? 1e-3 : -1e-3));
    return static_cast<int>(std::clamp(truncated, -2147483648.0, 2147483647.0));
}

// The numbers of a dash text: blanks, line ends and punctuation separate
// them; anything else ends the text.
std::vector<float> scanDashText(const QString &text)
{
    std::vector<float> numbers;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && (text[i].isSpace() || text[i].isPunct()))
            ++i;
        if (i >= n)
            break;
        // A number is ASCII: its length in bytes is its length in characters.
        const QByteArray rest = text.mid(i, 64).toUtf8();
        const auto scan = Numbers::scanDouble(std::string_view(rest.constData(), size_t(rest.size())));
        if (!scan)
            break;
        numbers.push_back(static_cast<float>(scan->value));
        i += qsizetype(scan->length);
    }
    return numbers;
}

// Dividing by a zero width would make every dash infinite; a width that is
// no length counts as 1, as the dash data does.
float widthDivisor(float width)
{
    return std::isfinite(width) && width > 0 ? width : 1.0f;
}

std::vector<float> numbersOf(const PropertyList &array)
{
    std::vector<float> numbers;
    for (const PropertyList &value : array.toArray()) {
        if (value.isNumber() && std::isfinite(value.toFloat()))
            numbers.push_back(value.toFloat());
        else
            qWarning("TDStrokeStyle: a stored dash length is not a finite number; ignored");
    }
    return numbers;
}

std::vector<TDStrokeStyle::DashEntry> readDashList()
{
    std::vector<TDStrokeStyle::DashEntry> list;
    QFile file(QStringLiteral(":/dashes.plist"));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("TDStrokeStyle: the dash list is missing");
        return list;
    }
    QString error;
    const auto root = PropertyList::fromData(file.readAll(), &error);
    if (!root || !root->isArray()) {
        qWarning("TDStrokeStyle: the dash list cannot be read: %s", qPrintable(error));
        return list;
    }
    for (const PropertyList &entry : root->toArray()) {
        const PropertyList dash = entry.value(QStringLiteral("Dash"));
        if (!dash.isArray())
            continue;
        TDStrokeStyle::DashEntry item;
        item.dash = numbersOf(dash);
        item.image = TDStrokeStyle::dashImage(item.dash);
        list.push_back(std::move(item));
    }
    return list;
}
} // namespace

TDStrokeStyle::TDStrokeStyle() = default;
TDStrokeStyle::~TDStrokeStyle() = default;

std::shared_ptr<TDStrokeStyle> TDStrokeStyle::strokeStyleForGraphic(TDGraphic *graphic)
{
    auto style = std::make_shared<TDStrokeStyle>();
    style->setGraphic(graphic);
    return style;
}

const std::vector<TDStrokeStyle::DashEntry> &TDStrokeStyle::builtinDashes()
{
    static const std::vector<DashEntry> list = readDashList();
    return list;
}

QImage TDStrokeStyle::dashImage(const std::vector<float> &dash)
{
    // Drawn at twice the resolution for sharp menus on dense screens.
    QImage image(150, 10, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    {
        const auto context = GraphicsContext::forImage(image, true);
        PathBase line;
        line.moveTo(Point(0, 2.5f));
        line.lineTo(Point(75, 2.5f));
        LineStyle style;
        style.width = 1;
        if (LineStyle::isValidDash(dash, 0))
            style.dash = dash;
        context->setLineStyle(style);
        context->setStrokeColor(Color::black());
        context->strokePath(line, GraphicsContext::LineSource::Context);
        context->finish();
    }
    return image;
}

bool TDStrokeStyle::graphicIsChanging() const
{
    return graphic() && (graphic()->manipulating() || graphic()->creating());
}

std::vector<float> TDStrokeStyle::dashData() const
{
    const float scale = std::isfinite(m_strokeWidth) ? std::max(m_strokeWidth, 1.0f) : 1.0f;
    std::vector<float> data;
    data.reserve(m_dashes.size());
    for (float d : m_dashes)
        data.push_back(d * scale);
    return data;
}

// --- Setters -------------------------------------------------------------------

void TDStrokeStyle::setColor(const Color &color)
{
    if (color == m_color)
        return;
    registerUndo(true, QStringLiteral("setColor"), [old = m_color](TDStrokeStyle &s) { s.setColor(old); });
    willChange();
    m_color = color;
    didChange();
}

void TDStrokeStyle::_setColor(const Color &color)
{
    m_color = color;
}

void TDStrokeStyle::setStyle(int style)
{
    if (style == m_style)
        return;
    // Undo comes back to the brush that was chosen, custom ones included.
    registerUndo(true, QStringLiteral("setStyle_n"), [old = m_style, choice = brushChoice()](TDStrokeStyle &s) {
        s.setStyle(old);
        if (old == BrushStroke)
            s.setBrushChoice(choice);
    });
    willChange();
    // A brush entered from another style starts with brush 0.
    if (style == TextStroke && !m_textStorage)
        initText();
    if (style == BrushStroke) {
        m_brush = 0;
        m_customBrush.reset();
        m_customBrushName.clear();
    }
    if (m_style == BrushStroke)
        m_brushGraphics.clear();
    m_style = style;
    changedGeometry();
    didChange();
}

void TDStrokeStyle::setStyle_n(const PropertyList &number)
{
    setStyle(static_cast<int>(number.toInteger()));
}

void TDStrokeStyle::setStrokeWidth(float width)
{
    if (!std::isfinite(width))
        return;
    const double difference = double(m_strokeWidth) - double(width);
    if (difference * difference < 1e-5)
        return;
    registerUndo(true, QStringLiteral("setStrokeWidth_n"),
                 [old = m_strokeWidth](TDStrokeStyle &s) { s.setStrokeWidth(old); });
    willChange();
    m_strokeWidth = width;
    changedGeometry();
    didChange();
}

void TDStrokeStyle::setStrokeWidth_n(const PropertyList &number)
{
    setStrokeWidth(number.toFloat());
}

void TDStrokeStyle::setCapStyle(int cap)
{
    if (cap == m_capStyle)
        return;
    registerUndo(true, QStringLiteral("setCapStyle_n"),
                 [old = m_capStyle](TDStrokeStyle &s) { s.setCapStyle(old); });
    m_capStyle = cap;
    m_cachedStrokeBounds.reset();
    didChange();
}

void TDStrokeStyle::setCapStyle_n(const PropertyList &number)
{
    setCapStyle(static_cast<int>(number.toInteger()));
}

void TDStrokeStyle::setJoinStyle(int join)
{
    if (join == m_joinStyle)
        return;
    registerUndo(true, QStringLiteral("setJoinStyle_n"),
                 [old = m_joinStyle](TDStrokeStyle &s) { s.setJoinStyle(old); });
    m_joinStyle = join;
    m_cachedStrokeBounds.reset();
    didChange();
}

void TDStrokeStyle::setJoinStyle_n(const PropertyList &number)
{
    setJoinStyle(static_cast<int>(number.toInteger()));
}

bool TDStrokeStyle::isValidDashPattern(const std::vector<float> &dashes)
{
    bool someLength = dashes.empty();
    for (float d : dashes) {
        if (!std::isfinite(d) || d < 0)
            return false;
        someLength = someLength || d > 0;
    }
    return someLength;
}

bool TDStrokeStyle::setDashes(const std::vector<float> &dashes)
{
    if (!isValidDashPattern(dashes))
        return false;
    if (dashes == m_dashes)
        return true;
    registerUndo(true, QStringLiteral("setDashes"), [old = m_dashes](TDStrokeStyle &s) { s.setDashes(old); });
    willChange();
    m_dashes = dashes;
    didChange();
    return true;
}

std::optional<std::vector<float>> TDStrokeStyle::dashesFromText(const QString &text)
{
    std::vector<float> numbers;
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    for (const QString &part : text.split(separators, Qt::SkipEmptyParts)) {
        const std::string ascii = Numbers::scannableText(part);
        const auto scan = Numbers::scanDouble(ascii);
        if (!scan || scan->length != ascii.size())
            return std::nullopt;
        numbers.push_back(float(scan->value));
    }
    return numbers;
}

void TDStrokeStyle::setDashesUnscaled(const std::vector<float> &dashes)
{
    const float divisor = widthDivisor(m_strokeWidth);
    std::vector<float> scaled;
    scaled.reserve(dashes.size());
    for (float d : dashes)
        scaled.push_back(d / divisor);
    setDashes(scaled);
}

void TDStrokeStyle::setStartArrowStyle(int index)
{
    if (index == m_startArrowStyle)
        return;
    registerUndo(true, QStringLiteral("setStartArrowStyle"),
                 [old = m_startArrowStyle](TDStrokeStyle &s) { s.setStartArrowStyle(old); });
    willChange();
    m_startArrowStyle = index;
    didChange();
}

void TDStrokeStyle::setStartArrowStyle_n(const PropertyList &number)
{
    setStartArrowStyle(static_cast<int>(number.toInteger()));
}

void TDStrokeStyle::setEndArrowStyle(int index)
{
    if (index == m_endArrowStyle)
        return;
    registerUndo(true, QStringLiteral("setEndArrowStyle"),
                 [old = m_endArrowStyle](TDStrokeStyle &s) { s.setEndArrowStyle(old); });
    willChange();
    m_endArrowStyle = index;
    didChange();
}

void TDStrokeStyle::setEndArrowStyle_n(const PropertyList &number)
{
    setEndArrowStyle(static_cast<int>(number.toInteger()));
}

void TDStrokeStyle::setStartArrowSize(float percent)
{
    const float fraction = percent / 100;
    if (fraction == m_startArrowSize || !std::isfinite(fraction))
        return;
    registerUndo(true, QStringLiteral("setStartArrowSize"),
                 [old = m_startArrowSize * 100](TDStrokeStyle &s) { s.setStartArrowSize(old); });
    willChange();
    m_startArrowSize = fraction;
    didChange();
}

void TDStrokeStyle::setStartArrowSize_n(const PropertyList &number)
{
    setStartArrowSize(number.toFloat());
}

void TDStrokeStyle::setEndArrowSize(float percent)
{
    const float fraction = percent / 100;
    if (fraction == m_endArrowSize || !std::isfinite(fraction))
        return;
    registerUndo(true, QStringLiteral("setEndArrowSize"),
                 [old = m_endArrowSize * 100](TDStrokeStyle &s) { s.setEndArrowSize(old); });
    willChange();
    m_endArrowSize = fraction;
    didChange();
}

void TDStrokeStyle::setEndArrowSize_n(const PropertyList &number)
{
    setEndArrowSize(number.toFloat());
}

void TDStrokeStyle::setMorphStartArrow(bool morph)
{
    if (morph == m_morphStartArrow)
        return;
    registerUndo(true, QStringLiteral("setMorphStartArrow"),
                 [old = m_morphStartArrow](TDStrokeStyle &s) { s.setMorphStartArrow(old); });
    willChange();
    m_morphStartArrow = morph;
    didChange();
}

void TDStrokeStyle::setMorphStartArrow_n(const PropertyList &number)
{
    setMorphStartArrow(number.toBool());
}

void TDStrokeStyle::setMorphEndArrow(bool morph)
{
    if (morph == m_morphEndArrow)
        return;
    registerUndo(true, QStringLiteral("setMorphEndArrow"),
                 [old = m_morphEndArrow](TDStrokeStyle &s) { s.setMorphEndArrow(old); });
    willChange();
    m_morphEndArrow = morph;
    didChange();
}

void TDStrokeStyle::setMorphEndArrow_n(const PropertyList &number)
{
    setMorphEndArrow(number.toBool());
}

// --- Dash text -------------------------------------------------------------------

void TDStrokeStyle::setDashString(const QString &text)
{
    setDashes(scanDashText(text));
}

void TDStrokeStyle::setDashStringScaled(const QString &text)
{
    std::vector<float> numbers = scanDashText(text);
    const float divisor = widthDivisor(m_strokeWidth);
    for (float &n : numbers)
        n /= divisor;
    setDashes(numbers);
}

QString TDStrokeStyle::dashString() const
{
    QStringList parts;
    for (float d : dashData())
        parts.append(Numbers::formatFixed(d, 1));
    return parts.join(QStringLiteral(", "));
}

QString TDStrokeStyle::dashStringUnscaled() const
{
    // The stroke pane shows these to the user: in the user's number format,
    // up to two decimals and no trailing zeros.
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    const float divisor = widthDivisor(m_strokeWidth);
    QStringList parts;
    for (float d : dashData()) {
        QString text = locale.toString(double(d) / divisor, 'f', 2);
        const QString point = locale.decimalPoint();
        if (text.contains(point)) {
            while (text.endsWith(locale.zeroDigit()))
                text.chop(1);
            if (text.endsWith(point))
                text.chop(point.size());
        }
        parts.append(text);
    }
    return parts.join(QLatin1Char(' '));
}

// --- Copying -------------------------------------------------------------------------

void TDStrokeStyle::copyStyleFrom(const TDStrokeStyle &other)
{
    if (&other == this)
        return;
    changeInOneUndoStep(QStringLiteral("Change stroke"), [&] {
        setColor(other.m_color);
        setStyle(other.m_style);
        setStrokeWidth(other.m_strokeWidth);
        setCapStyle(other.m_capStyle);
        setJoinStyle(other.m_joinStyle);
        if (other.m_brush < 0)
            setBrushChoice(other.brushChoice());
        else
            setBrush(other.m_brush);
        setDashes(other.m_dashes);
        setStartArrowStyle(other.m_startArrowStyle);
        setEndArrowStyle(other.m_endArrowStyle);
        setStartArrowSize(other.startArrowSize());
        setEndArrowSize(other.endArrowSize());
        setMorphStartArrow(other.m_morphStartArrow);
        setMorphEndArrow(other.m_morphEndArrow);
        if (other.m_textStorage)
            setText(*other.m_textStorage);
        m_keptText = other.m_keptText;
        setBaseline(other.m_baseline);
        setTextAndLine(other.m_textAndLine);
        setUsesPressure(other.m_usesPressure);
        setPressureArray(other.m_pressurePoints);
    });
}

// --- Geometry --------------------------------------------------------------------------

std::shared_ptr<TDBezierPath> TDStrokeStyle::strokeMapped()
{
    // While the graphic is dragged or drawn a line follows every step; a
    // brush keeps its mapped strokes until the change is done.
    if (m_strokeMapped && (m_style == BrushStroke || !graphicIsChanging()))
        return m_strokeMapped;
    const std::shared_ptr<TDBezierPath> path = graphic() ? graphic()->cachedBezierPath() : nullptr;
    if (!path) {
        m_strokeMapped.reset();
        return nullptr;
    }
    if (m_style == BrushStroke) {
        m_strokeMapped = brushPath();
        return m_strokeMapped;
    }
    if (m_startArrowStyle == 0 && m_endArrowStyle == 0) {
        m_strokeMapped = path;
        return m_strokeMapped;
    }
    // The line is measured whole, with its arrowheads over its ends.
    auto withArrows = std::make_shared<TDBezierPath>(*path);
    for (const bool atEnd : {false, true}) {
        const int index = atEnd ? m_endArrowStyle : m_startArrowStyle;
        if (index <= 0)
            continue;
        float cut = 0;
        if (const auto head = arrow(index, atEnd ? m_endArrowSize : m_startArrowSize, *path, atEnd,
                                    atEnd ? m_morphEndArrow : m_morphStartArrow, &cut))
            withArrows->appendPath(*head);
    }
    m_strokeMapped = std::move(withArrows);
    return m_strokeMapped;
}

Rect TDStrokeStyle::computeStrokeBounds()
{
    if (m_style == BrushStroke && hasCustomBrushGraphics() && graphic()) {
        Rect bounds;
        for (const TDGraphicPtr &g : brushGraphics())
            bounds = bounds.united(g->drawingBounds());
        m_cachedStrokeBounds = graphic()->strokeTransformation().transformRect(bounds);
        return *m_cachedStrokeBounds;
    }
    const std::shared_ptr<TDBezierPath> path = strokeMapped();
    if (!path)
        return Rect();
    if (m_style == None)
        return path->bounds();
    // Width 0 draws the thinnest line the device shows: its bounds must not
    // be flat, or a straight horizontal or vertical hairline is never drawn.
    if (m_strokeWidth == 0)
        return path->bounds().insetBy(-1, -1);
    if (path->elementCount() < 2)
        return Rect();
    if (m_style == BrushStroke) {
        m_cachedStrokeBounds = graphic()->strokeTransformation().transformRect(path->bounds());
        return *m_cachedStrokeBounds;
    }
    const float width = std::isfinite(m_strokeWidth) ? std::ceil(std::max(m_strokeWidth, 1.0f)) : 1.0f;
    // The line is drawn with the style's own cap and join where it names
    // one, so the bounds allow for those.
    const LineJoinStyle join = m_joinStyle >= 0 && m_joinStyle <= 2 ? static_cast<LineJoinStyle>(m_joinStyle)
                                                                    : path->lineJoinStyle();
    const LineCapStyle cap =
        m_capStyle >= 0 && m_capStyle <= 2 ? static_cast<LineCapStyle>(m_capStyle) : path->lineCapStyle();
    const std::vector<float> dash = dashData();
    const bool dashed = !dash.empty() && LineStyle::isValidDash(dash, 0);
    m_cachedStrokeBounds = path->strokeBoundsWithWidth(width, join, cap, dashed);
    if (m_style == TextStroke) {
        // Where the glyphs go, from the layout (not from the last drawing).
        const Rect text = textRect();
        if (!text.isEmpty())
            m_cachedStrokeBounds = m_cachedStrokeBounds->united(text);
    }
    return *m_cachedStrokeBounds;
}

Rect TDStrokeStyle::strokeBounds()
{
    if (m_cachedStrokeBounds && !graphicIsChanging())
        return *m_cachedStrokeBounds;
    return computeStrokeBounds();
}

Rect TDStrokeStyle::strokeBoundsUncached()
{
    // Measured as if nothing had been built: a distortion asks this while
    // the graphic's path is the bent one.
    const auto bounds = std::exchange(m_cachedStrokeBounds, std::nullopt);
    const auto mapped = std::exchange(m_strokeMapped, nullptr);
    const auto subpaths = std::exchange(m_subpaths, std::nullopt);
    const auto strokes = std::exchange(m_mappedStrokes, std::nullopt);
    const Rect result = computeStrokeBounds();
    m_cachedStrokeBounds = bounds;
    m_strokeMapped = mapped;
    m_subpaths = subpaths;
    m_mappedStrokes = strokes;
    return result;
}

Rect TDStrokeStyle::strokeBoundsEditing()
{
    const Rect bounds = strokeBounds();
    const std::shared_ptr<TDBezierPath> path = graphic() ? graphic()->cachedBezierPath() : nullptr;
    return path ? bounds.united(path->controlPointBounds()) : bounds;
}

bool TDStrokeStyle::intersectsPoint(Point point)
{
    if (m_style == None || !graphic())
        return false;
    if (m_style == BrushStroke)
        return brushContainsPoint(point);
    const std::shared_ptr<TDBezierPath> path = graphic()->cachedBezierPath();
    if (!path)
        return false;
    Point nearPoint;
    float t = 0;
    int element = 0;
    return path->intersectsPoint(point, m_strokeWidth, &nearPoint, &t, &element);
}

void TDStrokeStyle::changedGeometry()
{
    if (const TDGraphic *owner = graphic())
        owner->noteBoundsChange();
    m_cachedStrokeBounds.reset();
    m_strokeMapped.reset();
    m_subpaths.reset();
    m_mappedStrokes.reset();
    m_brushGraphicsStale = true;
}

// --- Drawing ---------------------------------------------------------------------------

bool TDStrokeStyle::drawsLine() const
{
    return m_style == Line || (m_style == TextStroke && m_textAndLine);
}

LineStyle TDStrokeStyle::lineStyle(bool outline) const
{
    LineStyle style;
    style.width = outline ? 0 : m_strokeWidth;
    if (m_capStyle >= 0 && m_capStyle <= 2)
        style.cap = static_cast<LineCapStyle>(m_capStyle);
    if (m_joinStyle >= 0 && m_joinStyle <= 2)
        style.join = static_cast<LineJoinStyle>(m_joinStyle);
    std::vector<float> dash = dashData();
    // A pattern the context cannot draw (all zero, negative, not finite)
    // strokes solid rather than not at all.
    if (LineStyle::isValidDash(dash, 0))
        style.dash = std::move(dash);
    return style;
}

void TDStrokeStyle::drawInGraphic(TDGraphic &graphic, TDDrawProtocol *view, GraphicsContext &context)
{
    const std::shared_ptr<TDBezierPath> path = graphic.cachedBezierPath();
    if (!path)
        return;
    const bool outline = view && view->outlineView();
    if (m_style == BrushStroke) {
        drawBrush(graphic, view, context);
        return;
    }
    if (!(drawsLine() || (outline && m_style == None))) {
        if (m_style == TextStroke)
            drawText(graphic, view, context);
        return;
    }

    Color color = m_style == None ? Color::black() : m_color;
    if (outline)
        color = color.blendedWithFraction(0.3f, Color::black());
    // The path's own cap and join stay where the codes name none.
    LineStyle style = lineStyle(outline);
    if (m_capStyle < 0 || m_capStyle > 2)
        style.cap = path->lineCapStyle();
    if (m_joinStyle < 0 || m_joinStyle > 2)
        style.join = path->lineJoinStyle();
    style.miterLimit = path->miterLimit();
    context.save();
    context.setStrokeColor(color);
    context.setFillColor(color);
    // The start arrowhead may shorten the line, the end arrowhead is placed
    // on what is left.  Arrowheads do not bend while the line is drawn out.
    std::shared_ptr<TDBezierPath> line = path;
    const bool morph = !graphic.creating();
    drawArrow(m_startArrowStyle, m_startArrowSize, line, false, morph && m_morphStartArrow, view, context);
    drawArrow(m_endArrowStyle, m_endArrowSize, line, true, morph && m_morphEndArrow, view, context);
    if (context.setLineStyle(style))
        context.strokePath(*line, GraphicsContext::LineSource::Context);
    context.restore();
    // With "text and line" the text goes over the line.
    if (m_style == TextStroke)
        drawText(graphic, view, context);
}

// --- Dictionary and archive -------------------------------------------------------------

PropertyList TDStrokeStyle::toYAML() const
{
    PropertyList dictionary{PropertyList::Dictionary()};
    dictionary.insert(StrokeStyleKey, m_style);
    if (m_style != None)
        dictionary.insert(StrokeWidthKey, double(m_strokeWidth));
    if (m_style == Line || m_style == BrushStroke)
        dictionary.insert(StrokeColorKey, ArchivedColor::value(m_color));
    if (m_style == Line) {
        dictionary.insert(StartArrowStyleKey, m_startArrowStyle);
        dictionary.insert(EndArrowStyleKey, m_endArrowStyle);
        dictionary.insert(StartArrowSizeKey, storedPercent(m_startArrowSize));
        dictionary.insert(EndArrowSizeKey, storedPercent(m_endArrowSize));
        dictionary.insert(MorphStartArrowKey, m_morphStartArrow);
        dictionary.insert(MorphEndArrowKey, m_morphEndArrow);
        dictionary.insert(StrokeJoinsKey, m_joinStyle);
        dictionary.insert(StrokeCapsKey, m_capStyle);
        PropertyList dashes{PropertyList::Array()};
        for (float d : m_dashes)
            dashes.append(double(d));
        dictionary.insert(StrokeDashesKey, dashes);
    }
    if (m_style == BrushStroke) {
        dictionary.insert(BrushKey, m_brush);
        if (m_brush < 0 && !m_customBrushName.isEmpty())
            dictionary.insert(CustomBrushNameKey, m_customBrushName);
        if (m_usesPressure) {
            PropertyList points{PropertyList::Array()};
            for (Point p : m_pressurePoints)
                points.append(ArchivedPoint::value(p));
            dictionary.insert(PressureKey, points);
        }
    }
    if (m_style == TextStroke) {
        std::optional<QByteArray> text;
        if (m_keptText.kind() == PropertyList::Kind::Data)
            text = m_keptText.toData();
        else if (m_textStorage)
            text = TDAttributedText::archive(*m_textStorage);
        if (text)
            dictionary.insert(QStringLiteral("text"), PropertyList(*text));
        dictionary.insert(QStringLiteral("baseline"), double(m_baseline));
        dictionary.insert(QStringLiteral("text and line"), m_textAndLine);
    }
    return dictionary;
}

void TDStrokeStyle::initWithDictionary(const PropertyList &dictionary)
{
    initWithValues(TDDictionaryReader(dictionary, "TDStrokeStyle"));
}

void TDStrokeStyle::initWithValues(const TDDictionaryReader &values)
{
    if (const auto stored = values.array(PressureKey)) {
        std::vector<Point> points;
        for (const PropertyList &value : stored->toArray()) {
            if (const auto point = ArchivedPoint::fromValue(value))
                points.push_back(*point);
            else
                qWarning("TDStrokeStyle: a stored pressure point is not a point; skipped");
        }
        // A curve without points is the flat one.
        setPressureArray(points.empty() ? TDPressureCurve::defaultPoints() : points);
        m_usesPressure = true;
    }
    if (const auto color = values.color(StrokeColorKey))
        setColor(*color);
    if (const auto style = values.integer(StrokeStyleKey))
        setStyle(*style);
    if (const auto width = values.real(StrokeWidthKey))
        setStrokeWidth(*width);
    if (const auto join = values.integer(StrokeJoinsKey))
        setJoinStyle(*join);
    if (const auto cap = values.integer(StrokeCapsKey))
        setCapStyle(*cap);
    if (const auto dashes = values.array(StrokeDashesKey))
        setDashes(numbersOf(*dashes));
    if (const auto brush = values.integer(BrushKey))
        setBrush(*brush);
    if (const auto name = values.string(CustomBrushNameKey))
        setBrushName(*name);
    if (const auto index = values.integer(StartArrowStyleKey))
        setStartArrowStyle(*index);
    if (const auto index = values.integer(EndArrowStyleKey))
        setEndArrowStyle(*index);
    if (const auto size = values.integer(StartArrowSizeKey))
        setStartArrowSize(float(*size));
    if (const auto size = values.integer(EndArrowSizeKey))
        setEndArrowSize(float(*size));
    if (const auto morph = values.boolean(MorphStartArrowKey))
        setMorphStartArrow(*morph);
    if (const auto morph = values.boolean(MorphEndArrowKey))
        setMorphEndArrow(*morph);
    readText(values);
}

void TDStrokeStyle::readText(const TDDictionaryReader &values)
{
    const QString textKey = QStringLiteral("text");
    const PropertyList text = values.value(textKey);
    if (text.kind() == PropertyList::Kind::Data) {
        QTextDocument read;
        QString why;
        if (TDAttributedText::unarchive(text.toData(), read, &why)) {
            setText(read);
        } else {
            qWarning("TDStrokeStyle: the stored text cannot be read (%s); it is kept as it is", qPrintable(why));
            if (!m_textStorage)
                initText();
            m_keptText = text;
        }
    } else if (!text.isNull()) {
        values.skip(textKey, "text data");
    }
    if (const auto baseline = values.real(QStringLiteral("baseline")))
        setBaseline(*baseline);
    if (values.contains(QStringLiteral("text and line")))
        setTextAndLine(values.value(QStringLiteral("text and line")).toBool());
}

std::shared_ptr<TDStrokeStyle> TDStrokeStyle::objectWithYAML(const PropertyList &dictionary)
{
    auto style = std::make_shared<TDStrokeStyle>();
    style->initWithDictionary(dictionary);
    return style;
}

std::shared_ptr<Archivable> TDStrokeStyle::decode(KeyedUnarchiver &unarchiver)
{
    const ArchivedDictionary stored(unarchiver);
    auto style = std::make_shared<TDStrokeStyle>();
    style->initWithValues(TDDictionaryReader(stored, "TDStrokeStyle"));
    return style;
}

void TDStrokeStyle::registerArchiveClass()
{
    KeyedUnarchiver::registerClass(className(), &TDStrokeStyle::decode);
}

void TDStrokeStyle::encode(KeyedArchiver &archiver) const
{
    archiver.encodeObject(toYAML());
}

bool TDStrokeStyle::isEqualTo(const Archivable &other) const
{
    const auto *style = dynamic_cast<const TDStrokeStyle *>(&other);
    return style && (style == this || style->toYAML() == toYAML());
}

} // namespace scrivane
