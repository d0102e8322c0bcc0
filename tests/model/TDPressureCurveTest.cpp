#include "model/TDPressureCurve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace scrivane;

namespace {
using Table = std::array<float, TDPressureCurve::TableSize>;

Table tableOf(std::vector<Point> points)
{
    return TDPressureCurve::table(points);
}
} // namespace

TEST(TDPressureCurve, TableCases)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char *name;
        std::vector<Point> points;
        float first;
        float middle; // entry 50
        float last;
    };
    const Case cases[] = {
        {"default flat curve", TDPressureCurve::defaultPoints(), 1, 1, 1},
        // Mirrored outer neighbours make the segment a straight line.
        {"rising straight line", {Point(0, 0), Point(1, 2)}, 0, 50.0f / 99 * 2, 2},
        {"no points is the flat curve", {}, 1, 1, 1},
        {"one point holds everywhere", {Point(0.5f, 0.4f)}, 0.4f, 0.4f, 0.4f},
        {"every point at the start holds the first", {Point(0, 1.7f), Point(0, 0.3f)}, 0.3f, 0.3f, 0.3f},
        {"points beyond both ends", {Point(-3, 0.5f), Point(7, 1.5f)}, 0.5f, 1.0f, 1.5f},
        {"a position that is no number counts as the start", {Point(nan, 0.2f), Point(1, 0.2f)}, 0.2f, 0.2f,
         0.2f},
        {"a factor that is no number is the plain width", {Point(0, nan), Point(1, nan)}, 1, 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Table table = tableOf(c.points);
        EXPECT_NEAR(table[0], c.first, 1e-3);
        EXPECT_NEAR(table[50], c.middle, 0.02);
        EXPECT_NEAR(table[99], c.last, 1e-3);
    }
}

TEST(TDPressureCurve, ReadingInterpolatesBetweenEntries)
{
    Table table;
    table.fill(1);
    table[50] = 2;
    EXPECT_FLOAT_EQ(TDPressureCurve::read(table, 0.5f), 1.5f); // 99 × 0.5 = 49.5
    EXPECT_FLOAT_EQ(TDPressureCurve::read(table, -1), 1);
    EXPECT_FLOAT_EQ(TDPressureCurve::read(table, std::numeric_limits<float>::quiet_NaN()), 1);
    table[99] = 3;
    EXPECT_FLOAT_EQ(TDPressureCurve::read(table, 1), 3);
    EXPECT_FLOAT_EQ(TDPressureCurve::read(table, 40), 3);
    EXPECT_FLOAT_EQ(TDPressureCurve::slope(table, 1), 2 * 99);
    EXPECT_FLOAT_EQ(TDPressureCurve::slope(table, 1.5f), 0);
}

TEST(TDPressureCurve, PointsSortByXThenYWithNoNumberLast)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Point> points{Point(0.5f, 2), Point(nan, 0), Point(0.5f, 1), Point(0.2f, 1.5f), Point(0.5f, nan),
                              Point(0.5f, 1)};
    TDPressureCurve::sortPoints(points);
    EXPECT_EQ(points[0], Point(0.2f, 1.5f));
    EXPECT_EQ(points[1], Point(0.5f, 1));
    EXPECT_EQ(points[2], Point(0.5f, 1));
    EXPECT_EQ(points[3], Point(0.5f, 2));
    EXPECT_TRUE(std::isnan(points[4].y));
    EXPECT_TRUE(std::isnan(points[5].x));
    // A strict ordering: nothing comes before itself.
    for (const Point &p : points)
        EXPECT_FALSE(TDPressureCurve::sortPointX(p, p));
}

TEST(TDPressureCurve, RedundantPointsAreDropped)
{
    // Three collinear points: the middle one lies on the spline through
    // its neighbours.
    std::vector<Point> flat{Point(0, 1), Point(0.5f, 1), Point(1, 1)};
    TDPressureCurve::removeRedundantPoints(flat);
    EXPECT_EQ(flat, (std::vector<Point>{Point(0, 1), Point(1, 1)}));

    // A recorded curve with points 0.01 apart: every second one goes in the
    // first pass, more in later passes; what stays keeps its ends and lies
    // at least 0.05 apart.
    std::vector<Point> recorded;
    for (int i = 0; i <= 100; ++i)
        recorded.emplace_back(i / 100.0f, 1 + 0.8f * std::sin(i / 100.0f * 6.2831853f));
    TDPressureCurve::removeRedundantPoints(recorded);
    ASSERT_GE(recorded.size(), 4u);
    EXPECT_LT(recorded.size(), 30u);
    EXPECT_EQ(recorded.front(), Point(0, 1));
    for (size_t i = 1; i < recorded.size(); ++i)
        EXPECT_GE(recorded[i].x - recorded[i - 1].x, 0.05f - 1e-6f);
}

// Points as files, tablets and the editor may give them: the table is never
// written or read outside its entries (ASan watches) and holds numbers only.
TEST(TDPressureCurve, RandomPointsStayInsideTheTable)
{
    std::mt19937 random(24);
    std::uniform_real_distribution<float> wide(-3, 4);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> count(0, 12);
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), 1e30f, -1e30f, 0, 1};
    const auto value = [&] {
        const int k = kind(random);
        return k < 7 ? wide(random) : odd[size_t(random() % std::size(odd))];
    };
    for (int round = 0; round < 2000; ++round) {
        std::vector<Point> points(size_t(count(random)));
        for (Point &p : points)
            p = Point(value(), value());
        std::vector<Point> simplified = points;
        TDPressureCurve::sortPoints(simplified);
        TDPressureCurve::removeRedundantPoints(simplified);
        for (const std::vector<Point> *set : {&points, &simplified}) {
            std::vector<Point> copy = *set;
            const Table table = TDPressureCurve::table(copy);
            for (float entry : table)
                ASSERT_TRUE(std::isfinite(entry)) << "round " << round;
            for (float t : {-1.0f, 0.0f, 0.3f, 0.999f, 1.0f, 2.0f})
                ASSERT_TRUE(std::isfinite(TDPressureCurve::read(table, t)));
        }
    }
}
