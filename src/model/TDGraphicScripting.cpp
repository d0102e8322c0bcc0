#include "model/TDGraphicScripting.h"

#include "model/TDAttributedText.h"
#include "model/TDFillStyle.h"
#include "model/TDGradient.h"
#include "model/TDGraphic.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDStrokeStyle.h"
#include "model/TDUndoManager.h"
#include "platform/AffineTransform.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <cmath>

namespace scrivane {

namespace {

constexpr std::array<const char *, 5> FillCodes{"fNon", "fSol", "fIma", "fGra", "fTex"};
constexpr std::array<const char *, 4> StrokeCodes{"sNon", "sSol", "sArt", "sTex"};
constexpr double ComponentScale = 65535;

template <size_t N> int styleForCode(const std::array<const char *, N> &codes, const QString &code)
{
    for (size_t i = 0; i < N; ++i)
        if (code == QLatin1String(codes[i]))
            return int(i);
    return 0;
}

bool finite(double value, const char *what, QString *error)
{
    if (std::isfinite(value))
        return true;
    if (error)
        *error = QStringLiteral("The %1 must be a number.").arg(QLatin1String(what));
    return false;
}

bool finite(Point p, const char *what, QString *error)
{
    return finite(p.x, what, error) && finite(p.y, what, error);
}

// The largest value a float keeps that a drawing can use.
constexpr double Largest = 1e7;

float bounded(double value, double low, double high)
{
    return float(std::clamp(value, low, high));
}

} // namespace

QString TDGraphicScripting::fillCode(int style)
{
    return style >= 0 && size_t(style) < FillCodes.size() ? QLatin1String(FillCodes[size_t(style)])
                                                          : QLatin1String(FillCodes[0]);
}

int TDGraphicScripting::fillStyleForCode(const QString &code)
{
    return styleForCode(FillCodes, code);
}

QString TDGraphicScripting::strokeCode(int style)
{
    return style >= 0 && size_t(style) < StrokeCodes.size() ? QLatin1String(StrokeCodes[size_t(style)])
                                                            : QLatin1String(StrokeCodes[0]);
}

int TDGraphicScripting::strokeStyleForCode(const QString &code)
{
    return styleForCode(StrokeCodes, code);
}

std::vector<double> TDGraphicScripting::colorComponents(const Color &color)
{
    const Color rgb = color.toCalibratedRGB();
    auto scaled = [](float v) { return std::trunc(double(std::clamp(v, 0.0f, 1.0f)) * ComponentScale); };
    return {scaled(rgb.redComponent()), scaled(rgb.greenComponent()), scaled(rgb.blueComponent()),
            scaled(rgb.alpha())};
}

std::optional<Color> TDGraphicScripting::colorWithComponents(const std::vector<double> &components,
                                                             QString *error)
{
    if (components.size() != 3 && components.size() != 4) {
        if (error)
            *error = QStringLiteral(
                "A colour is three or four numbers from 0 to 65535 (red, green, blue, alpha).");
        return std::nullopt;
    }
    float values[4] = {0, 0, 0, 1};
    for (size_t i = 0; i < components.size(); ++i) {
        if (!finite(components[i], "colour's components", error))
            return std::nullopt;
        values[i] = bounded(components[i], 0, ComponentScale) / float(ComponentScale);
    }
    return Color::calibratedRGB(values[0], values[1], values[2], values[3]);
}

bool TDGraphicScripting::isSelected() const
{
    const TDGraphicViewInterface *view = m_graphic.graphicView();
    if (!view)
        return false;
    const TDGraphicArray selection = view->selectedGraphics();
    return std::any_of(selection.begin(), selection.end(),
                       [this](const TDGraphicPtr &g) { return g.get() == &m_graphic; });
}

// --- Fill ------------------------------------------------------------------------------------

std::vector<double> TDGraphicScripting::fillColor() const
{
    return colorComponents(m_graphic.fillStyle()->color());
}

bool TDGraphicScripting::setFillColor(const std::vector<double> &components, QString *error)
{
    const auto color = colorWithComponents(components, error);
    if (color)
        m_graphic.fillStyle()->setColor(*color);
    return bool(color);
}

QString TDGraphicScripting::fillType() const
{
    return fillCode(m_graphic.fillStyle()->style());
}

void TDGraphicScripting::setFillType(const QString &code)
{
    m_graphic.fillStyle()->setStyle(fillStyleForCode(code));
}

QString TDGraphicScripting::fillImageLocation() const
{
    return m_graphic.fillStyle()->imageLocation();
}

void TDGraphicScripting::setFillImageLocation(const QString &location)
{
    m_graphic.fillStyle()->setImageLocation(location);
}

double TDGraphicScripting::fillImageAlpha() const
{
    return m_graphic.fillStyle()->imageAlpha();
}

bool TDGraphicScripting::setFillImageAlpha(double alpha, QString *error)
{
    if (!finite(alpha, "opacity", error))
        return false;
    m_graphic.fillStyle()->setImageAlpha(bounded(alpha, 0, 1));
    return true;
}

Size TDGraphicScripting::fillImageSize() const
{
    const auto image = m_graphic.fillStyle()->image();
    return image ? image->size : Size();
}

// --- Text ------------------------------------------------------------------------------------

const QTextDocument *TDGraphicScripting::text(Text which) const
{
    return which == Text::Fill ? m_graphic.fillStyle()->contents() : m_graphic.strokeStyle()->textStorage();
}

void TDGraphicScripting::changeText(Text which, const std::function<void(QTextDocument &)> &change)
{
    TDFillStyle &fill = *m_graphic.fillStyle();
    TDStrokeStyle &stroke = *m_graphic.strokeStyle();
    if (which == Text::Fill && !fill.hasText())
        fill.initText();
    if (which == Text::Stroke && !stroke.hasText())
        stroke.initText();
    QTextDocument copy;
    TDAttributedText::copy(*text(which), copy);
    change(copy);
    if (which == Text::Fill)
        fill.setContents(copy);
    else
        stroke.setText(copy);
}

namespace {

void replaceByPlainText(QTextDocument &document, const QString &plain)
{
    TDAttributedText::prepare(document);
    QTextCursor(&document).insertText(plain, TDAttributedText::defaultCharFormat());
}

} // namespace

QString TDGraphicScripting::fillText() const
{
    const QTextDocument *contents = text(Text::Fill);
    return contents ? contents->toPlainText() : QString();
}

void TDGraphicScripting::setFillText(const QString &plain)
{
    changeText(Text::Fill, [&plain](QTextDocument &d) { replaceByPlainText(d, plain); });
}

QString TDGraphicScripting::strokeText() const
{
    const QTextDocument *storage = text(Text::Stroke);
    return storage ? storage->toPlainText() : QString();
}

void TDGraphicScripting::setStrokeText(const QString &plain)
{
    changeText(Text::Stroke, [&plain](QTextDocument &d) { replaceByPlainText(d, plain); });
}

double TDGraphicScripting::fillTextPadding() const
{
    return m_graphic.fillStyle()->lineFragmentPadding();
}

bool TDGraphicScripting::setFillTextPadding(double padding, QString *error)
{
    if (!finite(padding, "padding", error))
        return false;
    m_graphic.fillStyle()->setLineFragmentPadding(bounded(padding, 0, Largest));
    return true;
}

double TDGraphicScripting::fillTextHyphenation() const
{
    return m_graphic.fillStyle()->hyphenation();
}

bool TDGraphicScripting::setFillTextHyphenation(double factor, QString *error)
{
    if (!finite(factor, "hyphenation factor", error))
        return false;
    m_graphic.fillStyle()->setHyphenation(bounded(factor, 0, 1));
    return true;
}

QString TDGraphicScripting::textFont(Text which) const
{
    const QTextDocument *document = text(which);
    return document ? TDAttributedText::firstCharFormat(*document).font().family()
                    : TDAttributedText::defaultFont().family();
}

bool TDGraphicScripting::setTextFont(Text which, const QString &family, QString *error)
{
    if (family.trimmed().isEmpty() || family.size() > 1000) {
        if (error)
            *error = QStringLiteral("The font must be the name of a font family.");
        return false;
    }
    QTextCharFormat format;
    format.setFontFamilies(QStringList{family});
    changeText(which, [&format](QTextDocument &d) { TDAttributedText::mergeWholeText(d, format); });
    return true;
}

double TDGraphicScripting::textSize(Text which) const
{
    const QTextDocument *document = text(which);
    return document ? TDAttributedText::firstCharFormat(*document).font().pointSizeF()
                    : TDAttributedText::defaultFont().pointSizeF();
}

bool TDGraphicScripting::setTextSize(Text which, double size, QString *error)
{
    if (!finite(size, "font size", error))
        return false;
    QTextCharFormat format;
    format.setFontPointSize(std::clamp(size, 1.0, TDAttributedText::MaxFontSize));
    changeText(which, [&format](QTextDocument &d) { TDAttributedText::mergeWholeText(d, format); });
    return true;
}

std::vector<double> TDGraphicScripting::textColor(Text which) const
{
    const QTextDocument *document = text(which);
    const QTextCharFormat format =
        document ? TDAttributedText::firstCharFormat(*document) : TDAttributedText::defaultCharFormat();
    const QColor color =
        format.foreground().style() == Qt::NoBrush ? QColor(Qt::black) : format.foreground().color();
    return colorComponents(TDAttributedText::colorOf(color));
}

bool TDGraphicScripting::setTextColor(Text which, const std::vector<double> &components, QString *error)
{
    const auto color = colorWithComponents(components, error);
    if (!color)
        return false;
    QTextCharFormat format;
    format.setForeground(TDAttributedText::qColorOf(*color));
    changeText(which, [&format](QTextDocument &d) { TDAttributedText::mergeWholeText(d, format); });
    return true;
}

// --- Gradient --------------------------------------------------------------------------------

std::vector<TDGraphicScripting::GradientStop> TDGraphicScripting::gradientInfo() const
{
    std::vector<GradientStop> stops;
    const auto &gradient = m_graphic.fillStyle()->gradient();
    if (!gradient)
        return stops;
    for (const auto &marker : gradient->markers()) {
        if (!marker)
            continue;
        std::vector<double> color = colorComponents(marker->color());
        // Opaque colours are given as three numbers.
        if (color[3] >= ComponentScale)
            color.pop_back();
        stops.push_back({marker->markerPosition(), std::move(color)});
    }
    return stops;
}

bool TDGraphicScripting::setGradientInfo(const std::vector<GradientStop> &stops, QString *error)
{
    auto gradient = std::make_shared<TDGradient>();
    for (const GradientStop &stop : stops) {
        if (!finite(stop.position, "stop's position", error))
            return false;
        const auto color = colorWithComponents(stop.color, error);
        if (!color)
            return false;
        gradient->addColor(*color, bounded(stop.position, 0, 1));
    }
    m_graphic.fillStyle()->setGradientUndoable(gradient);
    return true;
}

Point TDGraphicScripting::gradientStart() const
{
    return m_graphic.fillTransformation().transformPoint(m_graphic.fillStyle()->gradientStart());
}

Point TDGraphicScripting::gradientEnd() const
{
    return m_graphic.fillTransformation().transformPoint(m_graphic.fillStyle()->gradientEnd());
}

// Both ends are given in document coordinates, the one that stays as it
// is read: setting one end never moves the other.
bool TDGraphicScripting::setGradientStart(Point point, QString *error)
{
    if (!finite(point, "gradient's start", error))
        return false;
    m_graphic.fillStyle()->setGradientFromGlobalPoint(point, gradientEnd());
    return true;
}

bool TDGraphicScripting::setGradientEnd(Point point, QString *error)
{
    if (!finite(point, "gradient's end", error))
        return false;
    m_graphic.fillStyle()->setGradientFromGlobalPoint(gradientStart(), point);
    return true;
}

// --- Stroke ----------------------------------------------------------------------------------

std::vector<double> TDGraphicScripting::strokeColor() const
{
    return colorComponents(m_graphic.strokeStyle()->color());
}

bool TDGraphicScripting::setStrokeColor(const std::vector<double> &components, QString *error)
{
    const auto color = colorWithComponents(components, error);
    if (color)
        m_graphic.strokeStyle()->setColor(*color);
    return bool(color);
}

QString TDGraphicScripting::strokeType() const
{
    return strokeCode(m_graphic.strokeStyle()->style());
}

void TDGraphicScripting::setStrokeType(const QString &code)
{
    m_graphic.strokeStyle()->setStyle(strokeStyleForCode(code));
}

double TDGraphicScripting::strokeWidth() const
{
    return m_graphic.strokeStyle()->strokeWidth();
}

bool TDGraphicScripting::setStrokeWidth(double width, QString *error)
{
    if (!finite(width, "stroke width", error))
        return false;
    m_graphic.strokeStyle()->setStrokeWidth(bounded(width, 0, Largest));
    return true;
}

int TDGraphicScripting::strokeArtType() const
{
    return m_graphic.strokeStyle()->brush();
}

void TDGraphicScripting::setStrokeArtType(int brush)
{
    m_graphic.strokeStyle()->setBrush(std::max(0, brush));
}

int TDGraphicScripting::strokeStartArrow() const
{
    return m_graphic.strokeStyle()->startArrowStyle();
}

int TDGraphicScripting::strokeEndArrow() const
{
    return m_graphic.strokeStyle()->endArrowStyle();
}

void TDGraphicScripting::setStrokeStartArrow(int arrow)
{
    m_graphic.strokeStyle()->setStartArrowStyle(std::max(0, arrow));
}

void TDGraphicScripting::setStrokeEndArrow(int arrow)
{
    m_graphic.strokeStyle()->setEndArrowStyle(std::max(0, arrow));
}

double TDGraphicScripting::strokeStartArrowSize() const
{
    return m_graphic.strokeStyle()->startArrowSize();
}

double TDGraphicScripting::strokeEndArrowSize() const
{
    return m_graphic.strokeStyle()->endArrowSize();
}

bool TDGraphicScripting::setStrokeStartArrowSize(double percent, QString *error)
{
    if (!finite(percent, "arrowhead size", error))
        return false;
    m_graphic.strokeStyle()->setStartArrowSize(bounded(percent, 0, Largest));
    return true;
}

bool TDGraphicScripting::setStrokeEndArrowSize(double percent, QString *error)
{
    if (!finite(percent, "arrowhead size", error))
        return false;
    m_graphic.strokeStyle()->setEndArrowSize(bounded(percent, 0, Largest));
    return true;
}

bool TDGraphicScripting::strokeStartArrowMorph() const
{
    return m_graphic.strokeStyle()->morphStartArrow();
}

bool TDGraphicScripting::strokeEndArrowMorph() const
{
    return m_graphic.strokeStyle()->morphEndArrow();
}

void TDGraphicScripting::setStrokeStartArrowMorph(bool morph)
{
    m_graphic.strokeStyle()->setMorphStartArrow(morph);
}

void TDGraphicScripting::setStrokeEndArrowMorph(bool morph)
{
    m_graphic.strokeStyle()->setMorphEndArrow(morph);
}

std::vector<double> TDGraphicScripting::strokeDashes() const
{
    const auto &dashes = m_graphic.strokeStyle()->dashes();
    return {dashes.begin(), dashes.end()};
}

bool TDGraphicScripting::setStrokeDashes(const std::vector<double> &dashes, QString *error)
{
    std::vector<float> lengths;
    for (double length : dashes) {
        if (!finite(length, "dash length", error))
            return false;
        lengths.push_back(bounded(length, 0, Largest));
    }
    m_graphic.strokeStyle()->setDashes(lengths);
    return true;
}

// --- Geometry and commands -------------------------------------------------------------------

double TDGraphicScripting::xPosition() const
{
    return m_graphic.bounds().origin.x;
}

double TDGraphicScripting::yPosition() const
{
    return m_graphic.bounds().origin.y;
}

double TDGraphicScripting::width() const
{
    return m_graphic.bounds().size.width;
}

double TDGraphicScripting::height() const
{
    return m_graphic.bounds().size.height;
}

void TDGraphicScripting::manipulate(const AffineTransform &transform)
{
    m_graphic.startManipulation();
    m_graphic.transformWithTransformation(transform, true, false);
    m_graphic.stopManipulation();
}

bool TDGraphicScripting::setXPosition(double x, QString *error)
{
    if (!finite(x, "position", error))
        return false;
    return translate(bounded(x, -Largest, Largest) - xPosition(), 0, error);
}

bool TDGraphicScripting::setYPosition(double y, QString *error)
{
    if (!finite(y, "position", error))
        return false;
    return translate(0, bounded(y, -Largest, Largest) - yPosition(), error);
}

bool TDGraphicScripting::setWidth(double width, QString *error)
{
    if (!finite(width, "width", error))
        return false;
    return scale(bounded(width, MinimumSize, Largest) / std::max(1.0, this->width()), 1, error);
}

bool TDGraphicScripting::setHeight(double height, QString *error)
{
    if (!finite(height, "height", error))
        return false;
    return scale(1, bounded(height, MinimumSize, Largest) / std::max(1.0, this->height()), error);
}

bool TDGraphicScripting::translate(double dx, double dy, QString *error)
{
    if (!finite(dx, "distance", error) || !finite(dy, "distance", error))
        return false;
    manipulate(AffineTransform::makeTranslation(float(dx), float(dy)));
    return true;
}

bool TDGraphicScripting::rotate(double degrees, QString *error)
{
    if (!finite(degrees, "angle", error))
        return false;
    const Rect bounds = m_graphic.bounds();
    const float cx = bounds.origin.x + bounds.size.width / 2;
    const float cy = bounds.origin.y + bounds.size.height / 2;
    AffineTransform t;
    t.translate(cx, cy);
    t.rotateByDegrees(float(std::fmod(degrees, 360.0)));
    t.translate(-cx, -cy);
    manipulate(t);
    return true;
}

bool TDGraphicScripting::scale(double sx, double sy, QString *error)
{
    if (!finite(sx, "scale factor", error) || !finite(sy, "scale factor", error))
        return false;
    if (std::abs(sx) < 1e-6 || std::abs(sy) < 1e-6 || std::abs(sx) > Largest || std::abs(sy) > Largest) {
        if (error)
            *error = QStringLiteral("A scale factor must lie between 1e-6 and 1e7 in size.");
        return false;
    }
    const Point origin = m_graphic.bounds().origin;
    AffineTransform t;
    t.translate(origin.x, origin.y);
    t.scale(float(sx), float(sy));
    t.translate(-origin.x, -origin.y);
    manipulate(t);
    return true;
}

} // namespace scrivane
