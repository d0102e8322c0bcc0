#include "platform/SvgValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

using namespace scrivane;

namespace {

struct ColorCase {
    const char *name;
    const char *text;
    // Expected red, green and blue in 0-255, or a negative red for nothing.
    double red, green, blue;
    Color::Space space;
    friend void PrintTo(const ColorCase &c, std::ostream *out) { *out << c.name; }
};

constexpr auto Device = Color::Space::DeviceRGB;
constexpr auto Calibrated = Color::Space::CalibratedRGB;

const ColorCase ColorCases[] = {
    {"KeywordWithBlanksAround", " red\n", 255, 0, 0, Device},
    {"KeywordsAreLowerCaseOnly", "Red", -1, 0, 0, Device},
    {"Grey", "grey", 128, 128, 128, Device},
    {"Gray", "gray", 128, 128, 128, Device},
    {"KeywordGreenIsHalfBright", "green", 0, 128, 0, Device},
    {"LastKeyword", "yellowgreen", 154, 205, 50, Device},
    {"ShortHex", "#F80", 255, 136, 0, Calibrated},
    {"LongHex", "#ff8800", 255, 136, 0, Calibrated},
    {"HexStopsAtABlank", "#ff8800 and more", 255, 136, 0, Calibrated},
    {"FiveHexDigits", "#12345", -1, 0, 0, Calibrated},
    {"NonHexDigits", "#ggg", -1, 0, 0, Calibrated},
    {"HashAlone", "#", -1, 0, 0, Calibrated},
    {"RgbPercentages", "rgb(100%, 50%, 0%)", 255, 127.5, 0, Calibrated},
    {"RgbNumbers", "rgb(255,128,0)", 255, 128, 0, Calibrated},
    {"RgbWithBlanks", "rgb( 255 , 128 , 0 )", 255, 128, 0, Calibrated},
    {"RgbClampsComponents", "rgb(300, -5, 120%)", 255, 0, 255, Calibrated},
    {"RgbWithTwoParts", "rgb(1, 2)", -1, 0, 0, Calibrated},
    {"RgbWithoutParentheses", "rgb", -1, 0, 0, Calibrated},
    {"RgbWithFourParts", "rgb(1, 2, 3, 4)", -1, 0, 0, Calibrated},
    {"Rgba", "rgba(255, 0, 0, 0.5)", -1, 0, 0, Calibrated},
    {"RgbUnclosed", "rgb(1, 2, 3", -1, 0, 0, Calibrated},
    {"RgbPartNotANumber", "rgb(1, x, 3)", -1, 0, 0, Calibrated},
    {"None", "none", -1, 0, 0, Calibrated},
    {"TransparentIsNoSvgKeyword", "transparent", -1, 0, 0, Calibrated},
    {"Empty", "", -1, 0, 0, Calibrated},
};

class SvgColorValue : public testing::TestWithParam<ColorCase> {};

struct LengthCase {
    const char *name;
    const char *text;
    std::optional<double> points;
    friend void PrintTo(const LengthCase &c, std::ostream *out) { *out << c.name; }
};

const LengthCase LengthCases[] = {
    {"BareNumberIsPoints", " 12.5 ", 12.5},
    {"Pixels", "3px", 3},
    {"Points", "3pt", 3},
    {"Picas", "2pc", 24},
    {"ShortPicas", "2p", 24},
    {"Inches", "1in", 72},
    {"Centimetres", "2.54cm", 72},
    {"Millimetres", "25.4mm", 72},
    {"Percent", "50%", 0.5},
    {"Exponent", "1e2", 100},
    {"UnknownUnit", "3em", std::nullopt},
    {"NoNumber", "px", std::nullopt},
    {"Empty", "", std::nullopt},
    {"Infinite", "1e999", std::nullopt},
    {"BlankInsideIsRefused", "3 px", std::nullopt},
};

class SvgLengthValue : public testing::TestWithParam<LengthCase> {};

template <typename Case>
std::string caseName(const testing::TestParamInfo<Case> &info)
{
    return info.param.name;
}

} // namespace

TEST_P(SvgColorValue, ReadsTheColour)
{
    const ColorCase &c = GetParam();
    const auto color = SvgValues::colorWithHTMLString(QString::fromLatin1(c.text));
    if (c.red < 0) {
        EXPECT_FALSE(color.has_value());
        return;
    }
    ASSERT_TRUE(color.has_value());
    EXPECT_EQ(color->space(), c.space);
    EXPECT_NEAR(color->redComponent(), c.red / 255, 1e-6);
    EXPECT_NEAR(color->greenComponent(), c.green / 255, 1e-6);
    EXPECT_NEAR(color->blueComponent(), c.blue / 255, 1e-6);
    EXPECT_EQ(color->alpha(), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, SvgColorValue, testing::ValuesIn(ColorCases), caseName<ColorCase>);

TEST(SvgValues, EveryOneOfTheStandardsKeywordsIsKnown)
{
    // Spot checks at both ends and where the keywords differ from other
    // colour tables.
    const char *keywords[] = {"aliceblue", "darkgrey", "darkslategray", "lightgoldenrodyellow", "maroon",
                              "mediumvioletred", "olive", "purple", "whitesmoke"};
    for (const char *keyword : keywords)
        EXPECT_TRUE(SvgValues::colorWithHTMLString(QString::fromLatin1(keyword)).has_value()) << keyword;
    EXPECT_EQ(SvgValues::colorWithHTMLString(u"maroon"), Color::deviceRGB(128 / 255.0f, 0, 0));
    EXPECT_FALSE(SvgValues::colorWithHTMLString(u"rebeccapurple").has_value()); // a later addition to CSS
}

TEST_P(SvgLengthValue, ConvertsToPoints)
{
    const LengthCase &c = GetParam();
    const auto points = SvgValues::svgFloatValue(QString::fromLatin1(c.text));
    ASSERT_EQ(points.has_value(), c.points.has_value());
    if (points) {
        EXPECT_NEAR(*points, *c.points, 1e-9);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SvgLengthValue, testing::ValuesIn(LengthCases), caseName<LengthCase>);

TEST(SvgValues, ColourComponentsAndHexNumbers)
{
    EXPECT_EQ(SvgValues::svgFloatColorValue(u"50%"), 0.5);
    EXPECT_EQ(SvgValues::svgFloatColorValue(u"255"), 1.0);
    EXPECT_EQ(SvgValues::svgFloatColorValue(u"510"), 1.0);
    EXPECT_FALSE(SvgValues::svgFloatColorValue(u"5px").has_value());
    EXPECT_TRUE(SvgValues::containsPercent(u"1%2"));
    EXPECT_FALSE(SvgValues::containsPercent(u"12"));
    EXPECT_EQ(SvgValues::asLongFromHex(u"1g"), 1);
    EXPECT_EQ(SvgValues::asLongFromHex(u"zz"), 0);
    EXPECT_EQ(SvgValues::asLongFromHex(u" -ff"), -255);
    EXPECT_EQ(SvgValues::asLongFromHex(u"ffffffffffffffffffff"), LONG_MAX);
}

TEST(SvgValues, WritesColoursAsSixUpperCaseDigits)
{
    EXPECT_EQ(SvgValues::svgColor(Color::calibratedRGB(1, 0.5f, 0)), "#FF7F00");
    EXPECT_EQ(SvgValues::svgColor(Color::calibratedWhite(1, 0.2f)), "#FFFFFF");
    EXPECT_EQ(SvgValues::svgColor(Color::deviceCMYK(0, 0, 0, 1)), "#000000");
    EXPECT_EQ(SvgValues::svgColor(Color::calibratedRGB(0.2f, 0.4f, 0.6f)), "#336699");
    // Components outside 0 to 1 (wide-gamut or computed colours) are
    // clamped, not wrapped round a byte.
    EXPECT_EQ(SvgValues::svgColor(Color::calibratedRGB(1.5f, -0.25f, std::nanf(""))), "#FF0000");
}
