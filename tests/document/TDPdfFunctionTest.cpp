// PDF functions as gradient stops: exponential, stitching, sampled and
// arrays of functions, with their checks on malformed and hostile input.

#include "PdfTestSupport.h"

#include "document/TDPdfFunction.h"

#include "document/TDQpdf.h"

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::pdftest;

namespace {

struct FunctionFixture : ::testing::Test {
    FunctionFixture() { pdf.emptyPDF(); }

    std::shared_ptr<const TDPdfFunction> read(const std::string &text, QString *why = nullptr)
    {
        return TDPdfFunction::fromObject(QPDFObjectHandle::parse(&pdf, text), why);
    }
    std::shared_ptr<const TDPdfFunction> sampled(const std::string &dictionary, const std::string &samples,
                                                 QString *why = nullptr)
    {
        return TDPdfFunction::fromObject(stream(pdf, dictionary, samples), why);
    }

    QPDF pdf;
};

const char *const RedToGreen = "<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 1 0] /N 1 >>";
const char *const GreenToBlue = "<< /FunctionType 2 /Domain [0 1] /C0 [0 1 0] /C1 [0 0 1] /N 1 >>";
const char *const YellowToBlue = "<< /FunctionType 2 /Domain [0 1] /C0 [1 1 0] /C1 [0 0 1] /N 1 >>";

void expectStop(const TDPdfFunction::Stop &stop, double position, std::vector<double> values, const char *what)
{
    EXPECT_NEAR(stop.position, position, 1e-9) << what;
    ASSERT_EQ(stop.values.size(), values.size()) << what;
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_NEAR(stop.values[i], values[i], 1e-6) << what << " value " << i;
}

} // namespace

TEST_F(FunctionFixture, ExponentialGivesItsEndsOrACurve)
{
    const auto linear = read(RedToGreen);
    ASSERT_TRUE(linear);
    const auto stops = linear->stops(0, 1);
    ASSERT_EQ(stops.size(), 2u);
    expectStop(stops[0], 0, {1, 0, 0}, "C0");
    expectStop(stops[1], 1, {0, 1, 0}, "C1");

    const auto squared = read("<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 2 >>");
    ASSERT_TRUE(squared);
    const auto curve = squared->stops(0, 1);
    ASSERT_GT(curve.size(), 8u);
    for (const auto &stop : curve)
        EXPECT_NEAR(stop.values[0], stop.position * stop.position, 1e-9);
    // C0 and C1 default to 0 and 1.
    const auto defaults = read("<< /FunctionType 2 /Domain [0 1] /N 1 >>");
    ASSERT_TRUE(defaults);
    EXPECT_NEAR(defaults->evaluate(0.25)[0], 0.25, 1e-9);
}

TEST_F(FunctionFixture, StitchingKeepsTheStartColourAndJumps)
{
    const auto smooth = read(std::string("<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 0 1] /Functions [") +
                             RedToGreen + GreenToBlue + "] >>");
    ASSERT_TRUE(smooth);
    const auto stops = smooth->stops(0, 1);
    ASSERT_EQ(stops.size(), 3u);
    expectStop(stops[0], 0, {1, 0, 0}, "the start colour");
    expectStop(stops[1], 0.5, {0, 1, 0}, "the bound");
    expectStop(stops[2], 1, {0, 0, 1}, "the end");

    const auto jump = read(std::string("<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 0 1] /Functions [") +
                           RedToGreen + YellowToBlue + "] >>");
    ASSERT_TRUE(jump);
    const auto jumps = jump->stops(0, 1);
    ASSERT_EQ(jumps.size(), 4u);
    expectStop(jumps[1], 0.5, {0, 1, 0}, "before the jump");
    expectStop(jumps[2], 0.5, {1, 1, 0}, "after the jump");

    // Encode [1 0] runs a piece backwards.
    const auto reversed =
        read(std::string("<< /FunctionType 3 /Domain [0 1] /Bounds [] /Encode [1 0] /Functions [") + RedToGreen + "] >>");
    ASSERT_TRUE(reversed);
    const auto back = reversed->stops(0, 1);
    ASSERT_EQ(back.size(), 2u);
    expectStop(back[0], 0, {0, 1, 0}, "green first");
    expectStop(back[1], 1, {1, 0, 0}, "red last");
}

TEST_F(FunctionFixture, SampledGivesOneStopPerSample)
{
    std::string ramp;
    for (int i = 0; i < 256; ++i)
        ramp += {char(i), char(255 - i), char(0)};
    const auto function = sampled("<< /FunctionType 0 /Domain [0 1] /Range [0 1 0 1 0 1] /Size [256] "
                                  "/BitsPerSample 8 >>",
                                  ramp);
    ASSERT_TRUE(function);
    const auto stops = function->stops(0, 1);
    ASSERT_EQ(stops.size(), 256u);
    for (size_t i = 0; i < stops.size(); ++i)
        EXPECT_NEAR(stops[i].position, double(i) / 255, 1e-9);
    expectStop(stops[255], 1, {1, 0, 0}, "the last sample");

    // 16 bits and 4 bits read right.
    const auto wide = sampled("<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 16 >>",
                              std::string("\x00\x00\xff\xff", 4));
    ASSERT_TRUE(wide);
    EXPECT_NEAR(wide->evaluate(0.5)[0], 0.5, 1e-6);
    const auto narrow = sampled("<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 4 >>",
                                std::string("\x0f", 1));
    ASSERT_TRUE(narrow);
    EXPECT_NEAR(narrow->evaluate(1)[0], 1, 1e-6);

    // One sample is one colour over the whole domain.
    const auto one = sampled("<< /FunctionType 0 /Domain [0 1] /Range [0 1 0 1 0 1] /Size [1] /BitsPerSample 8 >>",
                             std::string("\xff\x00\x00", 3));
    ASSERT_TRUE(one);
    const auto single = one->stops(0, 1);
    ASSERT_EQ(single.size(), 2u);
    expectStop(single[0], 0, {1, 0, 0}, "start");
    expectStop(single[1], 1, {1, 0, 0}, "end");
}

TEST_F(FunctionFixture, MalformedAndHostileFunctionsAreRefused)
{
    struct Case {
        const char *name;
        std::string text;
    };
    std::string deep = RedToGreen;
    for (int i = 0; i < 12; ++i)
        deep = "<< /FunctionType 3 /Domain [0 1] /Bounds [] /Encode [0 1] /Functions [" + deep + "] >>";
    const Case cases[] = {
        {"no domain", "<< /FunctionType 2 /C0 [0] /C1 [1] /N 1 >>"},
        {"C0 and C1 differ in length", "<< /FunctionType 2 /Domain [0 1] /C0 [0 0] /C1 [1] /N 1 >>"},
        {"no exponent", "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] >>"},
        {"bounds that do not fit", std::string("<< /FunctionType 3 /Domain [0 1] /Bounds [0.2 0.4] /Encode [0 1 0 1] "
                                               "/Functions [") + RedToGreen + GreenToBlue + "] >>"},
        {"bounds out of order", std::string("<< /FunctionType 3 /Domain [0 1] /Bounds [2] /Encode [0 1 0 1] "
                                            "/Functions [") + RedToGreen + GreenToBlue + "] >>"},
        {"pieces of different sizes", std::string("<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 0 1] "
                                                  "/Functions [") + RedToGreen + "<< /FunctionType 2 /Domain [0 1] /N 1 >>] >>"},
        {"nested too deep", deep},
        {"a calculator", "<< /FunctionType 4 /Domain [0 1] /Range [0 1] >>"},
        {"no function", "42"},
    };
    for (const Case &c : cases) {
        QString why;
        EXPECT_FALSE(read(c.text, &why)) << c.name;
        EXPECT_FALSE(why.isEmpty()) << c.name;
    }
    struct SampledCase {
        const char *name;
        const char *dictionary;
        std::string data;
    };
    const SampledCase samples[] = {
        {"short data", "<< /FunctionType 0 /Domain [0 1] /Range [0 1 0 1 0 1] /Size [256] /BitsPerSample 8 >>",
         std::string(100, 'x')},
        {"too many samples", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [100000000] /BitsPerSample 8 >>",
         std::string(16, 'x')},
        {"two inputs", "<< /FunctionType 0 /Domain [0 1 0 1] /Range [0 1] /Size [2 2] /BitsPerSample 8 >>",
         std::string(4, 'x')},
        {"odd bits", "<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 3 >>", "xx"},
        {"no range", "<< /FunctionType 0 /Domain [0 1] /Size [2] /BitsPerSample 8 >>", "xx"},
    };
    for (const SampledCase &c : samples) {
        QString why;
        EXPECT_FALSE(sampled(c.dictionary, c.data, &why)) << c.name;
        EXPECT_FALSE(why.isEmpty()) << c.name;
    }
}

TEST_F(FunctionFixture, ArrayOfFunctionsGivesOneOutputEach)
{
    const auto function = read("[<< /FunctionType 2 /Domain [0 1] /C0 [1] /C1 [0] /N 1 >>"
                               " << /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>]");
    ASSERT_TRUE(function);
    EXPECT_EQ(function->outputs(), 2);
    const auto values = function->evaluate(0.25);
    EXPECT_NEAR(values[0], 0.75, 1e-9);
    EXPECT_NEAR(values[1], 0.25, 1e-9);
}
