#include "model/TDStatusText.h"

#include "model/TDApplicationServices.h"
#include "model/TDDocumentInterface.h"
#include "platform/Numbers.h"
#include "platform/StringTable.h"

#include <cmath>
#include <cstdint>

namespace scrivane {

QString TDStatusText::format(const QString &format, const std::vector<Argument> &arguments)
{
    QString text;
    size_t next = 0;
    auto number = [&]() -> double {
        if (next >= arguments.size())
            return 0;
        const Argument &a = arguments[next++];
        if (const double *d = std::get_if<double>(&a))
            return *d;
        return Numbers::leadingDouble(QStringView(std::get<QString>(a)));
    };
    auto string = [&]() -> QString {
        if (next >= arguments.size())
            return QString();
        const Argument &a = arguments[next++];
        if (const QString *s = std::get_if<QString>(&a))
            return *s;
        return Numbers::formatG(std::get<double>(a));
    };

    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= n) {
            text.append(c);
            continue;
        }
        // A conversion: optional width digits and precision, then its letter.
        qsizetype j = i + 1;
        int precision = -1;
        while (j < n && format.at(j).isDigit())
            ++j;
        if (j < n && format.at(j) == QLatin1Char('.')) {
            ++j;
            precision = 0;
            while (j < n && format.at(j).isDigit())
                precision = precision * 10 + format.at(j++).digitValue();
        }
        if (j >= n) {
            text.append(format.mid(i));
            break;
        }
        const QChar letter = format.at(j);
        if (letter == QLatin1Char('%') && j == i + 1)
            text.append(QLatin1Char('%'));
        else if (letter == QLatin1Char('@'))
            text.append(string());
        else if (letter == QLatin1Char('f'))
            text.append(Numbers::formatFixed(number(), precision < 0 ? 6 : precision));
        else if (letter == QLatin1Char('g'))
            text.append(precision < 0 ? Numbers::formatG(number()) : Numbers::formatG(number(), precision));
        else if (letter == QLatin1Char('d')) {
            const double value = number();
            const bool fits = std::isfinite(value) && std::abs(value) < 9.0e18;
            text.append(Numbers::formatInt(fits ? std::int64_t(value) : 0));
        } else {
            // Not a conversion this knows: kept as it stands.
            text.append(format.mid(i, j - i + 1));
        }
        i = j;
    }
    return text;
}

void TDStatusText::show(TDDocumentInterface *document, const QString &key,
                        const std::vector<Argument> &arguments)
{
    if (!document)
        return;
    document->setStatusText(format(StringTable::lookup(QStringLiteral("StatusbarStrings"), key), arguments));
}

QString TDStatusText::escaped(const QString &text)
{
    QString result;
    result.reserve(text.size() * 2);
    for (QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('*') || c == QLatin1Char('<') || c == QLatin1Char('>') ||
            c == QLatin1Char('%'))
            result.append(QLatin1Char('\\'));
        result.append(c);
    }
    return result;
}

QString TDStatusText::length(double points)
{
    const TDUnitsTransformerInterface *units = TDApplicationServices::unitsTransformer();
    return Numbers::formatG(units ? units->transformedValue(points) : points);
}

} // namespace scrivane
