// Scanline runs: contributions swept into runs, and float runs turned into
// pixel runs whose partly covered pixels get their exact area, both
// against 1,024 samples per pixel.

#include "geometry/FloatRunLine.h"
#include "geometry/IntRunLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace scrivane {
namespace {

constexpr int kSamples = 1024;

// The value of pixel runs at a position (runs do not overlap).
double runValue(const std::vector<IntRunLine::Run> &runs, double x)
{
    for (const IntRunLine::Run &r : runs)
        if (x >= r.start && x < r.end)
            return r.valueStart + (r.valueEnd - r.valueStart) * (x - r.start) / (r.end - r.start);
    return 0;
}

TEST(RunLines, ContributionsBecomeRuns)
{
    IntRunLine line;
    line.addContribution(2, 1, 6, 1);
    line.flatten();
    ASSERT_EQ(line.runs().size(), 1u);
    EXPECT_EQ(line.runs()[0].start, 2);
    EXPECT_EQ(line.runs()[0].end, 6);
    EXPECT_FLOAT_EQ(line.runs()[0].valueStart, 1);
    EXPECT_FLOAT_EQ(line.runs()[0].valueEnd, 1);
    // A line without contributions has no runs.
    IntRunLine empty;
    empty.flatten();
    EXPECT_TRUE(empty.runs().empty());
}

TEST(RunLines, ContributionsWithoutWidthOrReversedAreDropped)
{
    IntRunLine line;
    line.addContribution(5, 1, 5, 1);
    line.addContribution(9, 1, 4, 2);
    line.addContribution(0, 0.5f, 2, 0.5f);
    line.flatten();
    ASSERT_EQ(line.runs().size(), 1u);
    EXPECT_EQ(line.runs()[0].start, 0);
    EXPECT_EQ(line.runs()[0].end, 2);
}

TEST(RunLines, OverlappingContributionsAddUpAgainstSampling)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> at(0, 40), len(1, 15);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    for (int round = 0; round < 40; ++round) {
        IntRunLine line;
        struct C {
            int x0, x1;
            float v0, v1;
        };
        std::vector<C> contributions;
        for (int k = 0; k < 1 + round % 6; ++k) {
            const int x0 = at(rng), x1 = x0 + len(rng);
            contributions.push_back({x0, x1, value(rng), value(rng)});
            line.addContribution(x0, contributions.back().v0, x1, contributions.back().v1);
        }
        line.flatten();
        for (int p = 0; p < 60; ++p) {
            for (int s = 0; s < kSamples; s += 97) {
                const double x = p + (s + 0.5) / kSamples;
                double expected = 0;
                for (const C &c : contributions)
                    if (x >= c.x0 && x < c.x1)
                        expected += c.v0 + (c.v1 - c.v0) * (x - c.x0) / (c.x1 - c.x0);
                ASSERT_NEAR(runValue(line.runs(), x), expected, 1e-4) << round << " at " << x;
            }
        }
    }
}

TEST(RunLines, FloatRunsBecomePixelRuns)
{
    FloatRunLine source;
    source.addRun(2.5f, 4.5f, 1, 1);
    IntRunLine line;
    line.fromFloatRuns(source);
    const IntRunLine::Run expected[] = {{2, 3, 0.5f, 0.5f}, {3, 4, 1, 1}, {4, 5, 0.5f, 0.5f}};
    ASSERT_EQ(line.runs().size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(line.runs()[std::size_t(i)].start, expected[i].start);
        EXPECT_EQ(line.runs()[std::size_t(i)].end, expected[i].end);
        EXPECT_FLOAT_EQ(line.runs()[std::size_t(i)].valueStart, expected[i].valueStart);
        EXPECT_FLOAT_EQ(line.runs()[std::size_t(i)].valueEnd, expected[i].valueEnd);
    }
    // Two runs inside one pixel add their areas.
    FloatRunLine small;
    small.addRun(7.1f, 7.3f, 1, 1);
    small.addRun(7.5f, 7.9f, 0.5f, 0.5f);
    small.addRun(8.0f, 8.0f, 1, 1);
    small.addRun(9.5f, 9.2f, 1, 1);
    line.fromFloatRuns(small);
    ASSERT_EQ(line.runs().size(), 1u) << "no run for no width, none for a reversed one";
    EXPECT_EQ(line.runs()[0].start, 7);
    EXPECT_NEAR(line.runs()[0].valueStart, 0.2 + 0.2, 1e-5);
}

// Float runs with sloped values, side by side and meeting inside pixels:
// each pixel's value is the area the runs cover over it, as 1,024 samples
// across the pixel measure it.
TEST(RunLines, PixelRunsCoverTheExactAreaAgainstSampling)
{
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> gap(0.0f, 3.0f), width(0.05f, 6.0f), value(0.0f, 1.0f);
    for (int round = 0; round < 50; ++round) {
        FloatRunLine source;
        float x = gap(rng);
        for (int k = 0; k < 1 + round % 5; ++k) {
            const float x2 = x + width(rng);
            source.addRun(x, x2, value(rng), value(rng));
            x = x2 + (round % 2 ? 0.0f : gap(rng));
        }
        IntRunLine line;
        line.fromFloatRuns(source);
        for (int p = 0; p < int(std::ceil(x)) + 1; ++p) {
            double area = 0;
            for (int s = 0; s < kSamples; ++s) {
                const double sx = p + (s + 0.5) / kSamples;
                for (const FloatRunLine::Run &r : source.runs())
                    if (sx >= r.x && sx < r.x2)
                        area += (r.valueStart + (r.valueEnd - r.valueStart) * (sx - r.x) / (r.x2 - r.x)) / kSamples;
            }
            ASSERT_NEAR(runValue(line.runs(), p + 0.5), area, 2e-3) << round << " pixel " << p;
        }
    }
}

} // namespace
} // namespace scrivane
