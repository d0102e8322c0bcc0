#include "platform/Color.h"

#include <QGuiApplication>
#include <QPalette>
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;

namespace {

void expectRGB(const Color &c, float r, float g, float b, float a = 1)
{
    EXPECT_NEAR(c.redComponent(), r, 1e-6);
    EXPECT_NEAR(c.greenComponent(), g, 1e-6);
    EXPECT_NEAR(c.blueComponent(), b, 1e-6);
    EXPECT_NEAR(c.alpha(), a, 1e-6);
}

} // namespace

TEST(Color, NamedColours)
{
    EXPECT_EQ(Color::black(), Color::calibratedWhite(0));
    EXPECT_EQ(Color(), Color::black());
    EXPECT_EQ(Color::white().space(), Color::Space::CalibratedWhite);
    EXPECT_EQ(Color::clear().alpha(), 0);
    EXPECT_FLOAT_EQ(Color::lightGray().components()[0], 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(Color::darkGray().components()[0], 1.0f / 3.0f);
    expectRGB(Color::blue(), 0, 0, 1);
    expectRGB(Color::green(), 0, 1, 0);
    expectRGB(Color::cyan(), 0, 1, 1);
    expectRGB(Color::magenta(), 1, 0, 1);
    expectRGB(Color::gray(), 0.5f, 0.5f, 0.5f);
}

TEST(Color, SystemColoursComeFromThePalette)
{
    const QColor highlight = QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
    const Color c = Color::selectedTextBackground();
    EXPECT_EQ(c.space(), Color::Space::CalibratedRGB);
    EXPECT_NEAR(c.redComponent(), highlight.redF(), 1e-6);
    EXPECT_NEAR(c.blueComponent(), highlight.blueF(), 1e-6);
    EXPECT_EQ(Color::windowBackground().numberOfComponents(), 3);
}

TEST(Color, ComponentsAreClampedWhenMade)
{
    const Color c = Color::calibratedRGB(1.5f, -0.2f, NAN, 2);
    EXPECT_EQ(c.components()[0], 1);
    EXPECT_EQ(c.components()[1], 0);
    EXPECT_EQ(c.components()[2], 0);
    EXPECT_EQ(c.alpha(), 1);
    EXPECT_EQ(Color::black().withAlpha(-1).alpha(), 0);
}

TEST(Color, ConversionToRGB)
{
    expectRGB(Color::calibratedWhite(0.25f, 0.5f), 0.25f, 0.25f, 0.25f, 0.5f);
    expectRGB(Color::deviceWhite(1), 1, 1, 1);
    expectRGB(Color::deviceCMYK(0.2f, 0.3f, 0.4f, 0.5f), 0.3f, 0.2f, 0.1f);
    expectRGB(Color::deviceCMYK(0.6f, 0, 0, 0.6f, 0.3f), 0, 0.4f, 0.4f, 0.3f); // cyan + black saturates
    expectRGB(Color::deviceCMYK(0, 0, 0, 0), 1, 1, 1);
    const Color rgb = Color::calibratedRGB(0.1f, 0.2f, 0.3f, 0.4f);
    EXPECT_EQ(rgb.toCalibratedRGB(), rgb);
    EXPECT_EQ(Color::deviceRGB(0.1f, 0.2f, 0.3f, 0.4f).toCalibratedRGB(), rgb);
    EXPECT_NE(Color::deviceRGB(0.1f, 0.2f, 0.3f, 0.4f), rgb) << "equality includes the space";
    EXPECT_EQ(Color::deviceCMYK(0.1f, 0.2f, 0.3f, 0.4f).numberOfComponents(), 4);
}

TEST(Color, HueSaturationBrightness)
{
    const Color red = Color::red();
    EXPECT_EQ(red.hueComponent(), 0);
    EXPECT_EQ(red.saturationComponent(), 1);
    EXPECT_EQ(red.brightnessComponent(), 1);
    EXPECT_NEAR(Color::blue().hueComponent(), 2.0 / 3.0, 1e-6);
    EXPECT_NEAR(Color::magenta().hueComponent(), 5.0 / 6.0, 1e-6);
    EXPECT_EQ(Color::gray().saturationComponent(), 0);
    EXPECT_EQ(Color::gray().brightnessComponent(), 0.5f);
    EXPECT_EQ(Color::black().saturationComponent(), 0);

    for (const Color &c : {Color::calibratedRGB(0.2f, 0.6f, 0.4f), Color::calibratedRGB(0.9f, 0.1f, 0.5f),
                           Color::calibratedRGB(0.3f, 0.3f, 0.8f, 0.5f)}) {
        const Color back = Color::calibratedHSB(c.hueComponent(), c.saturationComponent(),
                                                c.brightnessComponent(), c.alpha());
        expectRGB(back, c.redComponent(), c.greenComponent(), c.blueComponent(), c.alpha());
    }
    expectRGB(Color::calibratedHSB(1, 1, 1), 1, 0, 0);
}

TEST(Color, BlendingMixesInRGB)
{
    // Outline view: a colour 30 per cent towards black.
    expectRGB(Color::white().blendedWithFraction(0.3f, Color::black()), 0.7f, 0.7f, 0.7f);
    expectRGB(Color::red().withAlpha(0).blendedWithFraction(0.5f, Color::deviceCMYK(1, 0, 0, 0)), 0.5f, 0.5f,
              0.5f, 0.5f);
    EXPECT_EQ(Color::blue().blendedWithFraction(2, Color::red()), Color::red());
}

TEST(Color, BecomesTheCairoSource)
{
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t *cr = cairo_create(surface);
    Color::deviceCMYK(0, 1, 1, 0, 0.5f).setAsCairoSource(cr);
    double r = 0, g = 0, b = 0, a = 0;
    ASSERT_EQ(cairo_pattern_get_rgba(cairo_get_source(cr), &r, &g, &b, &a), CAIRO_STATUS_SUCCESS);
    EXPECT_DOUBLE_EQ(r, 1);
    EXPECT_DOUBLE_EQ(g, 0);
    EXPECT_DOUBLE_EQ(b, 0);
    EXPECT_DOUBLE_EQ(a, 0.5);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}
