#include "platform/Numbers.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

using namespace scrivane;

namespace {

std::string printfText(const char *format, double value)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// Doubles spread over many magnitudes, with the float values the geometry
// actually holds among them.
std::vector<double> sampleValues()
{
    std::vector<double> values = {0.0,     -0.0,    1.0,         -1.0,     0.5,       0.1,        0.1f,
                                  1e-5,    0.0001,  0.00012345,  123456.0, 1234567.0, 999999.5,   999999.4,
                                  100000., 1e6,     1e-300,      1e300,    -2.5e-7,   3.14159265, 2.3561945f,
                                  28.35,   28.35f,  72.0 / 2.54, 1e15,     1e16,      DBL_MAX,    DBL_MIN,
                                  FLT_MAX, FLT_MIN, 0.3,         0.3f,     1.0 / 3.0, 2.0f / 3.0f};
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-12, 12);
    for (int i = 0; i < 2000; ++i) {
        const double v = mantissa(random) * std::pow(10.0, exponent(random));
        values.push_back(v);
        values.push_back(static_cast<float>(v));
    }
    return values;
}

} // namespace

TEST(Numbers, FormatsExactlyAsPrintfInTheCLocale)
{
    for (double v : sampleValues()) {
        SCOPED_TRACE(printfText("%.17g", v));
        EXPECT_EQ(Numbers::formatG(v).toStdString(), printfText("%g", v));
        EXPECT_EQ(Numbers::formatFixed(v, 2).toStdString(), printfText("%0.2f", v));
        EXPECT_EQ(Numbers::formatFixed(v, 1).toStdString(), printfText("%.1f", v));
        EXPECT_EQ(Numbers::formatG(v, 17).toStdString(), printfText("%.17g", v));
    }
    EXPECT_EQ(Numbers::formatG(INFINITY).toStdString(), printfText("%g", INFINITY));
    EXPECT_EQ(Numbers::formatG(-INFINITY).toStdString(), printfText("%g", -INFINITY));
    EXPECT_EQ(Numbers::formatInt(0), QStringLiteral("0"));
    EXPECT_EQ(Numbers::formatInt(-42), QStringLiteral("-42"));
    EXPECT_EQ(Numbers::formatInt(INT64_MIN), QStringLiteral("-9223372036854775808"));
}

TEST(Numbers, TypicalTextsOfTheDrawing)
{
    EXPECT_EQ(Numbers::formatG(1e-5), QStringLiteral("1e-05"));
    EXPECT_EQ(Numbers::formatG(1234567), QStringLiteral("1.23457e+06"));
    EXPECT_EQ(Numbers::formatG(0.1f), QStringLiteral("0.1"));
    EXPECT_EQ(Numbers::formatG(-0.0), QStringLiteral("-0"));
    EXPECT_EQ(Numbers::formatFixed(0.125, 2), QStringLiteral("0.12")); // round half to even, as printf
    EXPECT_EQ(Numbers::formatFixed(-0.004, 2), QStringLiteral("-0.00"));
}

TEST(Numbers, ShortestTextReadsBackAsTheSameFloat)
{
    EXPECT_EQ(Numbers::formatShortest(0.1f), QStringLiteral("0.1"));
    EXPECT_EQ(Numbers::formatShortest(-0.0f), QStringLiteral("0"));
    EXPECT_EQ(Numbers::formatShortest(1e-5f), QStringLiteral("1e-05"));
    EXPECT_EQ(Numbers::formatShortest(100.0f), QStringLiteral("100"));
    for (double v : sampleValues()) {
        const float f = static_cast<float>(v);
        if (!std::isfinite(f))
            continue;
        const auto back = Numbers::parseDouble(Numbers::formatShortest(f));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(static_cast<float>(*back), f) << printfText("%.9g", f);
    }
}

TEST(Numbers, ParsingReadsBackWhatFormattingWrites)
{
    for (double v : sampleValues()) {
        SCOPED_TRACE(printfText("%.17g", v));
        const auto exact = Numbers::parseDouble(Numbers::formatG(v, 17));
        ASSERT_TRUE(exact.has_value());
        EXPECT_EQ(*exact, v);
        const auto six = Numbers::parseDouble(Numbers::formatG(v));
        ASSERT_TRUE(six.has_value());
        EXPECT_EQ(*six, std::strtod(printfText("%g", v).c_str(), nullptr));
        const auto fixed = Numbers::parseDouble(Numbers::formatFixed(v, 2));
        ASSERT_TRUE(fixed.has_value());
        EXPECT_EQ(*fixed, std::strtod(printfText("%.2f", v).c_str(), nullptr));
    }
}

TEST(Numbers, ParseDoubleAcceptsOnlyOneWholeFiniteNumber)
{
    struct Case {
        const char *text;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"1e-05", 1e-5}, {"-3.5", -3.5},   {"+2", 2.0},     {".5", 0.5},     {"5.", 5.0}, {" 7\t", 7.0},
        {"1E+06", 1e6},  {"-0", -0.0},     {"00012", 12.0}, {"1e-400", 0.0}, {"", {}},    {"  ", {}},
        {"1,5", {}},     {"abc", {}},      {"1e5x", {}},    {"inf", {}},     {"nan", {}}, {"-infinity", {}},
        {"1e400", {}},   {"--1", {}},      {"0x10", {}},    {"1 2", {}},     {".", {}},   {"-", {}},
        {"1e", {}},      {"5.e3", 5000.0}, {"1e+", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Numbers::parseDouble(std::string_view(c.text)), c.expected);
        EXPECT_EQ(Numbers::parseDouble(QString::fromLatin1(c.text)), c.expected);
    }
    EXPECT_FALSE(Numbers::parseDouble(QStringLiteral("1\u00b75")).has_value());
    EXPECT_TRUE(std::signbit(*Numbers::parseDouble(std::string_view("-1e-400"))));
}

// Short numbers take a shortcut past from_chars; each must come out as the
// very double from_chars makes of it, at the edges of the shortcut too
// (2^53, 10^22, sixteen and more digits, zeros that do not count).
TEST(Numbers, ScanningGivesTheDoubleFromCharsGives)
{
    std::vector<std::string> texts = {"9007199254740992",     "9007199254740993",   "9007199254740991.5",
                                      "0.9007199254740993",   "1e22",               "1e23",
                                      "123456789012345678e4", "1.7976931348623157e308",
                                      "0.0000000000000000000000012345", "4.9e-324",  "2.2250738585072011e-308",
                                      "000000000000000000000000001.5",  "0.1",       "0.30000000000000004",
                                      "8.589973e9",           "1e-22",              "3e-23",
                                      "12345678901234567890123", "-0.0",            "5e-1"};
    std::mt19937 random(27);
    std::uniform_int_distribution<int> length(1, 20), digit(0, 9), exponent(-30, 30), coin(0, 3);
    for (int n = 0; n < 50000; ++n) {
        std::string text;
        const int integer = length(random) - 1, fraction = coin(random) ? length(random) - 1 : 0;
        for (int k = 0; k < integer; ++k)
            text += char('0' + digit(random));
        if (fraction > 0 || integer == 0) {
            text += '.';
            for (int k = 0; k < std::max(fraction, 1); ++k)
                text += char('0' + digit(random));
        }
        if (coin(random) == 0)
            text += "e" + std::to_string(exponent(random));
        texts.push_back(text);
    }
    for (const std::string &text : texts) {
        SCOPED_TRACE(text);
        const std::string_view unsigned_ = std::string_view(text).substr(text.front() == '-' ? 1 : 0);
        double expected = 0;
        const auto result = std::from_chars(unsigned_.data(), unsigned_.data() + unsigned_.size(), expected);
        if (result.ec != std::errc())
            continue;
        const auto scan = Numbers::scanDouble(text);
        ASSERT_TRUE(scan);
        EXPECT_EQ(scan->length, text.size());
        if (text.front() == '-')
            expected = -expected;
        ASSERT_EQ(std::signbit(scan->value), std::signbit(expected));
        ASSERT_EQ(scan->value, expected);
    }
}

TEST(Numbers, LeadingValuesReadThePrefixAndIgnoreTheRest)
{
    EXPECT_EQ(Numbers::leadingDouble(std::string_view("12.5pt")), 12.5);
    EXPECT_EQ(Numbers::leadingDouble(std::string_view("0.5)")), 0.5);
    EXPECT_EQ(Numbers::leadingDouble(QStringLiteral("  -2e3,4")), -2000.0);
    EXPECT_EQ(Numbers::leadingDouble(std::string_view("1e")), 1.0);
    EXPECT_EQ(Numbers::leadingDouble(std::string_view("abc")), 0.0);
    EXPECT_EQ(Numbers::leadingDouble(std::string_view("e5")), 0.0);
    EXPECT_EQ(Numbers::leadingDouble(std::string_view("1e999")), 0.0);
    EXPECT_EQ(Numbers::leadingDouble(std::string_view("")), 0.0);

    EXPECT_EQ(Numbers::leadingInt(std::string_view("3.7")), 3);
    EXPECT_EQ(Numbers::leadingInt(QStringLiteral(" -12abc")), -12);
    EXPECT_EQ(Numbers::leadingInt(std::string_view("+8")), 8);
    EXPECT_EQ(Numbers::leadingInt(std::string_view("99999999999999999999")), INT_MAX);
    EXPECT_EQ(Numbers::leadingInt(std::string_view("-99999999999999999999")), INT_MIN);
    EXPECT_EQ(Numbers::leadingInt(std::string_view("x1")), 0);
}

TEST(Numbers, ParseIntAcceptsOnlyOneWholeInteger)
{
    EXPECT_EQ(Numbers::parseInt(std::string_view("42")), 42);
    EXPECT_EQ(Numbers::parseInt(std::string_view(" -7 ")), -7);
    EXPECT_EQ(Numbers::parseInt(QStringLiteral("+3")), 3);
    EXPECT_EQ(Numbers::parseInt(std::string_view("-9223372036854775808")), INT64_MIN);
    for (const char *bad : {"", "4.2", "++3", "+-3", "3x", "99999999999999999999", "0x1"})
        EXPECT_FALSE(Numbers::parseInt(std::string_view(bad)).has_value()) << bad;
}

TEST(Numbers, IgnoreTheProcessLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    const char *candidates[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE",
                                "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8"};
    const char *active = nullptr;
    for (const char *name : candidates) {
        if (std::setlocale(LC_NUMERIC, name)) {
            active = name;
            break;
        }
    }
    if (!active)
        GTEST_SKIP() << "no locale with a decimal comma is installed (tried de_DE, fr_FR, nl_NL)";
    EXPECT_EQ(printfText("%g", 0.5), "0,5") << "the locale " << active << " should write a decimal comma";
    EXPECT_EQ(Numbers::formatG(0.5), QStringLiteral("0.5"));
    EXPECT_EQ(Numbers::formatFixed(1234.5, 2), QStringLiteral("1234.50"));
    EXPECT_EQ(Numbers::parseDouble(std::string_view("0.5")), 0.5);
    EXPECT_FALSE(Numbers::parseDouble(std::string_view("0,5")).has_value());
    EXPECT_EQ(Numbers::leadingDouble(std::string_view("2.25cm")), 2.25);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(Numbers, IgnoreQtsDefaultLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(Numbers::formatG(1234.5), QStringLiteral("1234.5"));
    EXPECT_EQ(Numbers::formatFixed(0.25, 2), QStringLiteral("0.25"));
    EXPECT_EQ(Numbers::parseDouble(QStringLiteral("1234.5")), 1234.5);
    QLocale::setDefault(saved);
}
