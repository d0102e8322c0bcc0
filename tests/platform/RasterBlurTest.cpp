#include "platform/RasterBlur.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace scrivane;

namespace {

TEST(RasterBlur, ThreeBoxesAddUpToTheGaussiansVariance)
{
    for (double sigma : {0.8, 1.0, 2.5, 4.0, 10.0, 33.3}) {
        double variance = 0;
        for (int w : RasterBlur::boxWidths(sigma)) {
            EXPECT_EQ(w % 2, 1);
            variance += (w * w - 1) / 12.0;
        }
        // Whole-pixel boxes get within a pixel's worth of the wanted spread.
        EXPECT_NEAR(std::sqrt(variance), sigma, 0.5) << "sigma " << sigma;
    }
    EXPECT_EQ(RasterBlur::boxWidths(0), (std::array<int, 3>{1, 1, 1}));
    EXPECT_EQ(RasterBlur::boxWidths(NAN), (std::array<int, 3>{1, 1, 1}));
}

TEST(RasterBlur, StepEdgeFollowsTheGaussianProfile)
{
    const int width = 120, height = 9, stride = 128;
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(stride * height), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 60; ++x)
            plane[static_cast<std::size_t>(y * stride + x)] = 255;
    }
    const double sigma = 5;
    RasterBlur::gaussianAlpha(plane.data(), width, height, stride, sigma);
    const int row = 4 * stride; // middle row: the vertical pass has zeros above and below
    auto value = [&](int x) { return plane[static_cast<std::size_t>(row + x)] / 255.0; };
    // Pixel x covers [x, x + 1); the edge lies at 60.  Rows 4 of 9 lose a
    // little to the transparent rows beyond the plane's top and bottom, so
    // the comparison is with the column's own level far from the edge.
    const double level = value(30);
    EXPECT_GT(level, 0.3);
    auto phi = [](double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); };
    for (int x : {50, 55, 58, 59, 60, 61, 63, 66, 70}) {
        const double expected = level * (1 - phi((x + 0.5 - 60) / sigma));
        EXPECT_NEAR(value(x), expected, 0.03) << "x = " << x;
    }
}

TEST(RasterBlur, ShapeWithinAMarginKeepsItsMassAndSymmetry)
{
    // A 20-pixel square with 20 pixels of margin, more than the blur reaches.
    const int size = 60;
    std::vector<std::uint8_t> plane(static_cast<std::size_t>(size * size), 0);
    for (int y = 20; y < 40; ++y) {
        for (int x = 20; x < 40; ++x)
            plane[static_cast<std::size_t>(y * size + x)] = 255;
    }
    RasterBlur::gaussianAlpha(plane.data(), size, size, size, 3);
    double mass = 0;
    for (std::uint8_t v : plane)
        mass += v;
    EXPECT_NEAR(mass / (400.0 * 255), 1.0, 0.01);
    for (int x = 0; x < size / 2; ++x) {
        EXPECT_EQ(plane[static_cast<std::size_t>(30 * size + x)],
                  plane[static_cast<std::size_t>(30 * size + size - 1 - x)]);
        EXPECT_EQ(plane[static_cast<std::size_t>(x * size + 30)],
                  plane[static_cast<std::size_t>(30 * size + x)]);
    }
    EXPECT_EQ(plane[static_cast<std::size_t>(30 * size + 30)], 255);
    EXPECT_EQ(plane[static_cast<std::size_t>(30 * size + 5)], 0);
}

TEST(RasterBlur, TinySigmaLeavesThePlaneAlone)
{
    std::vector<std::uint8_t> plane{0, 255, 0, 9, 0, 255, 0, 9};
    const std::vector<std::uint8_t> before = plane;
    RasterBlur::gaussianAlpha(plane.data(), 3, 2, 4, 0.4);
    EXPECT_EQ(plane, before);
    RasterBlur::gaussianAlpha(plane.data(), 3, 2, 2, 5); // stride too short: refused
    EXPECT_EQ(plane, before);
}

} // namespace
