#include "model/curvefit/RootFinding.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

using namespace scrivane;

TEST(RootFinding, QuadraticRoots)
{
    struct Case {
        float a, b, c;
        int count;
        std::array<float, 2> roots;
    };
    const Case cases[] = {
        {1, -3, 2, 2, {2, 1}},  // two roots, larger magnitude first
        {0, 2, -4, 1, {2, 0}},  // linear: -c / b through c / q
        {0, 0, 0, 0, {0, 0}},   // nothing to solve
        {1, 0, 1, 0, {0, 0}},   // no real root
        {1, 2, 1, 2, {-1, -1}}, // double root, reported twice
        {2, 0, 0, 1, {0, 0}},   // a x^2 = 0
    };
    for (const Case &c : cases) {
        std::array<float, 2> roots{9, 9};
        EXPECT_EQ(quadraticRoots(c.a, c.b, c.c, roots), c.count) << c.a << " " << c.b << " " << c.c;
        EXPECT_FLOAT_EQ(roots[0], c.roots[0]);
        EXPECT_FLOAT_EQ(roots[1], c.roots[1]);
    }
}

TEST(RootFinding, SingleStepsAndTheirFallbacks)
{
    const ScalarFunction f = [](float x) { return x * x - 4.0f; };
    const ScalarFunction df = [](float x) { return 2.0f * x; };
    EXPECT_FLOAT_EQ(NewtonRaphson(f, df, 3.0f), 3.0f - 5.0f / 6.0f);
    EXPECT_FLOAT_EQ(NewtonRaphson(f, df, 0.0f), -1.0f); // zero derivative: x - 1
    EXPECT_FLOAT_EQ(RegulaFalsi(f, 0.0f, 4.0f), 1.0f);  // chord from (0, -4) to (4, 12)
    EXPECT_FLOAT_EQ(RegulaFalsi(f, -3.0f, 3.0f), 0.0f); // equal ends: the midpoint
}

TEST(RootFinding, FindrootConvergesInsideABracket)
{
    const ScalarFunction f = [](float x) { return x * x - 2.0f; };
    const ScalarFunction df = [](float x) { return 2.0f * x; };
    EXPECT_NEAR(findroot(0.0f, 2.0f, 1e-6f, f, df), std::sqrt(2.0f), 1e-6f);
    const ScalarFunction g = [](float x) { return std::cos(x) - x; };
    const ScalarFunction dg = [](float x) { return -std::sin(x) - 1.0f; };
    EXPECT_NEAR(findroot(0.0f, 1.0f, 1e-6f, g, dg), 0.7390851f, 1e-5f);
}

TEST(RootFinding, FindrootWithoutASignChangeStillEnds)
{
    // Newton and regula falsi chase each other round [-1, 1] for ever here.
    const ScalarFunction f = [](float x) { return x * x + 1.0f; };
    const ScalarFunction df = [](float x) { return 2.0f * x; };
    const float x = findroot(-1.0f, 1.0f, 1e-6f, f, df);
    EXPECT_TRUE(std::isfinite(x));
}
