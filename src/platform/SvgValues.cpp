#include "platform/SvgValues.h"

#include "platform/Numbers.h"

#include <QColor>
#include <QHash>

#include <algorithm>
#include <climits>
#include <cmath>

namespace scrivane {

namespace {

// Qt knows the SVG keywords and "transparent", which SVG 1.1 has not.
const QHash<QString, Color> &colorKeywords()
{
    static const QHash<QString, Color> table = [] {
        QHash<QString, Color> keywords;
        for (const QString &name : QColor::colorNames()) {
            if (name == QLatin1String("transparent"))
                continue;
            const QColor c = QColor::fromString(name);
            keywords.insert(name, Color::deviceRGB(static_cast<float>(c.red()) / 255.0f,
                                                   static_cast<float>(c.green()) / 255.0f,
                                                   static_cast<float>(c.blue()) / 255.0f));
        }
        return keywords;
    }();
    return table;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

std::optional<Color> hexColor(QStringView digits)
{
    const qsizetype blank = std::find_if(digits.begin(), digits.end(), isBlank) - digits.begin();
    digits = digits.left(blank);
    if (digits.size() != 3 && digits.size() != 6)
        return std::nullopt;
    int values[6];
    for (qsizetype i = 0; i < digits.size(); ++i) {
        values[i] = hexDigit(digits[i]);
        if (values[i] < 0)
            return std::nullopt;
    }
    const auto component = [&](int i) {
        const int byte = digits.size() == 3 ? values[i] * 17 : values[2 * i] * 16 + values[2 * i + 1];
        return static_cast<float>(byte) / 255.0f;
    };
    return Color::calibratedRGB(component(0), component(1), component(2));
}

std::optional<Color> rgbFunction(QStringView text)
{
    if (!text.startsWith(u"rgb("))
        return std::nullopt;
    text = text.mid(4);
    if (!text.endsWith(u')'))
        return std::nullopt;
    text.chop(1);
    const auto parts = text.split(u',');
    if (parts.size() != 3)
        return std::nullopt;
    float rgb[3];
    for (int i = 0; i < 3; ++i) {
        const auto value = SvgValues::svgFloatColorValue(parts[i]);
        if (!value)
            return std::nullopt;
        rgb[i] = static_cast<float>(*value);
    }
    return Color::calibratedRGB(rgb[0], rgb[1], rgb[2]);
}

// The number at the start of the trimmed text and what follows it.
std::optional<std::pair<double, QStringView>> numberAndSuffix(QStringView text)
{
    text = text.trimmed();
    const std::string ascii = Numbers::scannableText(text);
    const auto scan = Numbers::scanDouble(ascii);
    if (!scan)
        return std::nullopt;
    return std::make_pair(scan->value, text.mid(static_cast<qsizetype>(scan->length)));
}

} // namespace

std::optional<Color> SvgValues::colorWithHTMLString(QStringView text)
{
    text = text.trimmed();
    if (text.isEmpty() || text == u"none")
        return std::nullopt;
    const auto &keywords = colorKeywords();
    const auto keyword = keywords.constFind(text.toString());
    if (keyword != keywords.constEnd())
        return *keyword;
    if (text.startsWith(u'#'))
        return hexColor(text.mid(1));
    return rgbFunction(text);
}

void SvgValues::appendSvgColor(std::string &out, const Color &color)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    const Color rgb = color.toCalibratedRGB();
    out.push_back('#');
    for (int i = 0; i < 3; ++i) {
        const float component = rgb.components()[static_cast<std::size_t>(i)];
        const int byte = static_cast<int>(std::clamp(std::isnan(component) ? 0.0f : component, 0.0f, 1.0f) * 255.0f);
        out.push_back(Digits[byte >> 4]);
        out.push_back(Digits[byte & 15]);
    }
}

std::string SvgValues::svgColor(const Color &color)
{
    std::string text;
    appendSvgColor(text, color);
    return text;
}

std::optional<double> SvgValues::svgFloatValue(QStringView text)
{
    const auto number = numberAndSuffix(text);
    if (!number)
        return std::nullopt;
    struct Unit {
        const char16_t *suffix;
        double points;
    };
    static constexpr Unit Units[] = {
        {u"", 1},           {u"px", 1}, {u"pt", 1},    {u"pc", 12},
        {u"p", 12},         {u"in", 72}, {u"cm", 72 / 2.54}, {u"mm", 72 / 25.4},
        {u"%", 0.01},
    };
    for (const Unit &unit : Units) {
        if (number->second == QStringView(unit.suffix))
            return number->first * unit.points;
    }
    return std::nullopt;
}

std::optional<double> SvgValues::svgFloatColorValue(QStringView text)
{
    const auto number = numberAndSuffix(text);
    if (!number)
        return std::nullopt;
    double value = 0;
    if (number->second.isEmpty())
        value = number->first / 255.0;
    else if (number->second == u"%")
        value = number->first / 100.0;
    else
        return std::nullopt;
    return std::clamp(value, 0.0, 1.0);
}

bool SvgValues::containsPercent(QStringView text)
{
    return text.contains(u'%');
}

long SvgValues::asLongFromHex(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long value = 0;
    for (; i < text.size(); ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0)
            break;
        value = value > (LONG_MAX - digit) / 16 ? LONG_MAX : value * 16 + digit;
    }
    return negative ? -value : value;
}

} // namespace scrivane
