#include "app/UnitsTransformer.h"

#include "platform/Numbers.h"
#include "platform/UserDefaults.h"

#include <QLocale>

#include <cmath>

namespace scrivane {

namespace {
const QString UnitsKey = QStringLiteral("measurementUnits");

// The shared number form of the panels: "0.00##" in the user's locale,
// without group separators (a typed "1,5" in a locale with a decimal comma
// is one and a half, never fifteen).
QLocale numberLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

QString formatNumber(double value)
{
    const QLocale locale = numberLocale();
    QString text = locale.toString(value, 'f', 4);
    const QString point = locale.decimalPoint();
    const qsizetype dot = text.indexOf(point);
    if (dot < 0)
        return text;
    // Trailing zeros beyond the second decimal go.
    qsizetype end = text.size();
    while (end > dot + point.size() + 2 && text.at(end - 1) == QLatin1Char('0'))
        --end;
    text.truncate(end);
    return text;
}

std::optional<double> parseNumber(const QString &text)
{
    bool ok = false;
    const double value = numberLocale().toDouble(text, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString trimLetters(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).isLetter())
        ++begin;
    while (end > begin && text.at(end - 1).isLetter())
        --end;
    return text.mid(begin, end - begin);
}
} // namespace

int UnitsTransformer::currentUnits()
{
    return int(UserDefaults::standard().integer(UnitsKey));
}

QString UnitsTransformer::suffix(int units)
{
    switch (units) {
    case Centimetres:
        return QStringLiteral("cm");
    case Points:
        return QStringLiteral("pt");
    case Picas:
        return QStringLiteral("p");
    case Millimetres:
        return QStringLiteral("mm");
    default:
        return QStringLiteral("in");
    }
}

double UnitsTransformer::pointsPerUnit(int units)
{
    switch (units) {
    case Centimetres:
        return 72.0 / 2.54;
    case Points:
        return 1.0;
    case Picas:
        return 12.0;
    case Millimetres:
        return 72.0 / 25.4;
    default:
        return 72.0;
    }
}

double UnitsTransformer::valueInUnits(double points, int units)
{
    double factor = 1.0;
    switch (units) {
    case Centimetres:
        factor = 2.54;
        break;
    case Points:
        factor = 72.0;
        break;
    case Picas:
        factor = 6.0;
        break;
    case Millimetres:
        factor = 25.4;
        break;
    default:
        break;
    }
    return factor * (points / 72.0);
}

QString UnitsTransformer::transformedValue(double points)
{
    return transformedValue(points, currentUnits());
}

QString UnitsTransformer::transformedValue(double points, int units)
{
    return formatNumber(valueInUnits(points, units)) + suffix(units);
}

double UnitsTransformer::reverseTransformedValue(const QString &text)
{
    return reverseTransformedValue(text, currentUnits());
}

double UnitsTransformer::reverseTransformedValue(const QString &typed, int units)
{
    // Blanks around what was typed are no part of the length.
    const QString text = typed.trimmed();
    const double number = parseNumber(trimLetters(text)).value_or(Numbers::leadingDouble(QStringView(text)));

    double factor;
    if (text.endsWith(QLatin1String("cm")))
        factor = 72.0 / 2.54;
    else if (text.endsWith(QLatin1String("mm")))
        factor = 72.0 / 25.4;
    else if (text.endsWith(QLatin1String("px")) || text.endsWith(QLatin1String("pt")))
        factor = 1.0;
    else if (text.endsWith(QLatin1String("pc")) || text.endsWith(QLatin1Char('p')))
        factor = 12.0;
    else if (text.endsWith(QLatin1String("in")))
        factor = 72.0;
    else if (text.endsWith(QLatin1Char('%')))
        factor = 0.01;
    else
        factor = pointsPerUnit(units);
    return factor * number;
}

std::optional<double> UnitsTransformer::lengthFromText(const QString &text)
{
    return lengthFromText(text, currentUnits());
}

std::optional<double> UnitsTransformer::lengthFromText(const QString &text, int units)
{
    if (!leadingNumber(text.trimmed()))
        return std::nullopt;
    const double points = reverseTransformedValue(text, units);
    if (!std::isfinite(points))
        return std::nullopt;
    return points;
}

std::optional<double> UnitsTransformer::leadingNumber(const QString &typed)
{
    const QString text = typed.trimmed();
    qsizetype end = 0;
    while (end < text.size() && !text.at(end).isSpace() && !text.at(end).isLetter() &&
           text.at(end) != QLatin1Char('%'))
        ++end;
    const QString head = text.left(end);
    if (const std::optional<double> value = parseNumber(head))
        return value;
    bool ok = false;
    const double plain = head.toDouble(&ok);
    if (ok && std::isfinite(plain))
        return plain;
    return std::nullopt;
}

} // namespace scrivane
