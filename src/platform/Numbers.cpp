#include "platform/Numbers.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cmath>
#include <string>
#include <system_error>

namespace scrivane {

namespace {

// Wide enough for "%.100f" of the largest double (309 integer digits).
constexpr std::size_t BufferSize = 512;

QString fromBuffer(const char *begin, const char *end)
{
    return QString::fromLatin1(begin, static_cast<qsizetype>(end - begin));
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view skipBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    return text;
}

} // namespace

QString Numbers::formatG(double value)
{
    return formatG(value, 6);
}

QString Numbers::formatG(double value, int precision)
{
    char buffer[BufferSize];
    precision = std::clamp(precision, 0, 100);
    const auto result =
        std::to_chars(buffer, buffer + BufferSize, value, std::chars_format::general, precision);
    return fromBuffer(buffer, result.ptr);
}

QString Numbers::formatFixed(double value, int decimals)
{
    char buffer[BufferSize];
    decimals = std::clamp(decimals, 0, 100);
    const auto result = std::to_chars(buffer, buffer + BufferSize, value, std::chars_format::fixed, decimals);
    return fromBuffer(buffer, result.ptr);
}

QString Numbers::formatInt(std::int64_t value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return fromBuffer(buffer, result.ptr);
}

std::string Numbers::scannableText(QStringView text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text)
        out.push_back(c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '\x7f');
    return out;
}

void Numbers::appendShortest(std::string &out, float value)
{
    char buffer[64];
    if (value == 0)
        value = 0; // no "-0"
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

QString Numbers::formatShortest(float value)
{
    std::string text;
    appendShortest(text, value);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<Numbers::Scan> Numbers::scanDouble(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    // The digits as one integer while it is exact (for the fast path below).
    std::uint64_t digits = 0;
    const auto collect = [&digits](char c) {
        if (digits <= (std::uint64_t(1) << 53))
            digits = digits * 10 + std::uint64_t(c - '0');
    };
    std::size_t integerDigits = 0;
    while (i < text.size() && isDigit(text[i])) {
        collect(text[i]);
        ++i;
        ++integerDigits;
    }
    std::size_t fractionDigits = 0;
    if (i < text.size() && text[i] == '.') {
        std::size_t j = i + 1;
        while (j < text.size() && isDigit(text[j])) {
            collect(text[j]);
            ++j;
            ++fractionDigits;
        }
        if (integerDigits > 0 || fractionDigits > 0)
            i = j;
    }
    if (integerDigits == 0 && fractionDigits == 0)
        return std::nullopt;
    long long exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            negativeExponent = text[j] == '-';
            ++j;
        }
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j])) {
                if (exponent < 100000)
                    exponent = exponent * 10 + (text[j] - '0');
                ++j;
            }
            if (negativeExponent)
                exponent = -exponent;
            i = j;
        }
    }

    // Most numbers of drawings are short: an integer of at most 53 bits
    // times or over a power of ten that a double holds exactly is one
    // correctly rounded operation, the value from_chars would give.
    static constexpr double ExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                             1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const long long scale = exponent - static_cast<long long>(fractionDigits);
    if (digits <= (std::uint64_t(1) << 53) && scale >= -22 && scale <= 22) {
        const double m = static_cast<double>(digits);
        const double magnitude = scale >= 0 ? m * ExactPowers[scale] : m / ExactPowers[-scale];
        return Scan{negative ? -magnitude : magnitude, i};
    }

    double magnitude = 0;
    const auto result =
        std::from_chars(text.data() + mantissaStart, text.data() + i, magnitude, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Tell underflow (read as zero) from overflow (refused) by the decimal
        // position of the leading significant digit.
        long long leading = 0;
        bool found = false;
        for (std::size_t k = 0; k < integerDigits && !found; ++k) {
            if (text[mantissaStart + k] != '0') {
                leading = static_cast<long long>(integerDigits - 1 - k);
                found = true;
            }
        }
        for (std::size_t k = 0; k < fractionDigits && !found; ++k) {
            if (text[mantissaStart + integerDigits + 1 + k] != '0') {
                leading = -static_cast<long long>(k + 1);
                found = true;
            }
        }
        if (found && leading + exponent >= 0)
            return std::nullopt;
        magnitude = 0;
    } else if (result.ec != std::errc() || result.ptr != text.data() + i) {
        return std::nullopt;
    }
    if (!std::isfinite(magnitude))
        return std::nullopt;
    return Scan{negative ? -magnitude : magnitude, i};
}

std::optional<double> Numbers::parseDouble(std::string_view text)
{
    text = trimmed(text);
    const auto scan = scanDouble(text);
    if (!scan || scan->length != text.size())
        return std::nullopt;
    return scan->value;
}

std::optional<double> Numbers::parseDouble(QStringView text)
{
    return parseDouble(std::string_view(scannableText(text)));
}

std::optional<std::int64_t> Numbers::parseInt(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '-' || text.front() == '+'))
            return std::nullopt;
    }
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::int64_t> Numbers::parseInt(QStringView text)
{
    return parseInt(std::string_view(scannableText(text)));
}

double Numbers::leadingDouble(std::string_view text)
{
    const auto scan = scanDouble(skipBlanks(text));
    return scan ? scan->value : 0.0;
}

double Numbers::leadingDouble(QStringView text)
{
    return leadingDouble(std::string_view(scannableText(text)));
}

int Numbers::leadingInt(std::string_view text)
{
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    for (char c : text) {
        if (!isDigit(c))
            break;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int Numbers::leadingInt(QStringView text)
{
    return leadingInt(std::string_view(scannableText(text)));
}

} // namespace scrivane
