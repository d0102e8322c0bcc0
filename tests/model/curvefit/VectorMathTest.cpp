#include "model/curvefit/VectorMath.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numeric>

using namespace scrivane;

namespace {

Matrix3 matrix3(std::initializer_list<float> rowByRow)
{
    Matrix3 m;
    auto value = rowByRow.begin();
    for (auto &row : m.element)
        for (float &cell : row)
            cell = *value++;
    return m;
}

} // namespace

TEST(VectorMath, ZeroVectorsKeepTheirLengthWhenNormalisedOrScaled)
{
    Vector2 v2;
    EXPECT_EQ(V2Normalize(v2), Vector2(0, 0));
    EXPECT_EQ(V2Scale(v2, 5.0f), Vector2(0, 0));
    Vector3 v3;
    EXPECT_EQ(V3Normalize(v3), Vector3(0, 0, 0));
    EXPECT_EQ(V3Scale(v3, 5.0f), Vector3(0, 0, 0));

    Vector2 a(3, 4);
    EXPECT_EQ(V2Normalize(a), Vector2(0.6f, 0.8f));
    Vector2 b(3, 4);
    EXPECT_EQ(V2Scale(b, 10.0f), Vector2(6, 8));
    Vector3 c(2, 3, 6);
    EXPECT_FLOAT_EQ(V3Length(V3Normalize(c)), 1.0f);
}

TEST(VectorMath, SmallOperations)
{
    const Vector2 a(1, 2), b(5, -2);
    EXPECT_EQ(V2Lerp(a, b, 0.0f), a);
    EXPECT_EQ(V2Lerp(a, b, 1.0f), b);
    EXPECT_EQ(V2Lerp(a, b, 0.25f), Vector2(2, 1));
    EXPECT_EQ(V2Combine(a, b, 2.0f, 0.5f), Vector2(4.5f, 3));
    EXPECT_EQ(V2Mul(a, b), Vector2(5, -4));
    EXPECT_EQ(V2MakePerpendicular(a), Vector2(-2, 1));
    EXPECT_FLOAT_EQ(V2DistanceBetween2Points(a, b), std::sqrt(32.0f));
    Vector2 n = a;
    EXPECT_EQ(V2Negate(n), Vector2(-1, -2));

    const Vector3 x(1, 0, 0), y(0, 1, 0);
    EXPECT_EQ(V3Cross(x, y), Vector3(0, 0, 1));
    EXPECT_EQ(V3Cross(y, x), Vector3(0, 0, -1));
    EXPECT_FLOAT_EQ(V3Dot(Vector3(1, 2, 3), Vector3(4, -5, 6)), 12.0f);
}

TEST(VectorMath, PointsAreRowVectorsTransformedProjectively)
{
    // Scale by 2, then translate by (10, 20): the translation is the last row.
    const Matrix3 affine = matrix3({2, 0, 0, 0, 2, 0, 10, 20, 1});
    Point2 p(1, 3);
    EXPECT_EQ(V2MulPointByMatrix(p, affine), Point2(12, 26));

    // Homogeneous weight 2 halves the result.
    const Matrix3 projective = matrix3({1, 0, 0, 0, 1, 0, 4, 6, 2});
    Point2 q(2, 2);
    EXPECT_EQ(V2MulPointByMatrix(q, projective), Point2(3, 4));

    // Weight 0 leaves the result undivided.
    const Matrix3 degenerate = matrix3({1, 0, 0, 0, 1, 0, 1, 1, 0});
    Point2 r(2, 3);
    EXPECT_EQ(V2MulPointByMatrix(r, degenerate), Point2(3, 4));

    Matrix4 m4;
    m4.element[0][0] = m4.element[1][1] = m4.element[2][2] = 1;
    m4.element[3][0] = 1;
    m4.element[3][3] = 2;
    Point3 s(1, 2, 3);
    EXPECT_EQ(V3MulPointByMatrix(s, m4), Point3(1, 1, 1.5f));
}

TEST(VectorMath, MatrixProductAppliesTheLeftMatrixFirst)
{
    const Matrix3 a = matrix3({0, 1, 0, -1, 0, 0, 3, 0, 1}); // quarter turn, then move by (3, 0)
    const Matrix3 b = matrix3({2, 0, 0, 0, 1, 0, 0, -5, 1}); // stretch x, then move by (0, -5)
    const Matrix3 ab = V2MatMul(a, b);
    Point2 viaProduct(1, 2);
    V2MulPointByMatrix(viaProduct, ab);
    Point2 stepByStep(1, 2);
    V2MulPointByMatrix(V2MulPointByMatrix(stepByStep, a), b);
    EXPECT_EQ(viaProduct, stepByStep);

    Matrix4 c, d;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            c.element[i][j] = float(i * 4 + j);
            d.element[i][j] = float((i + j) % 3) - 1.0f;
        }
    const Matrix4 cd = V3MatMul(c, d);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float expected = 0;
            for (int k = 0; k < 4; ++k)
                expected += c.element[i][k] * d.element[k][j];
            EXPECT_EQ(cd.element[i][j], expected) << i << j;
        }
}

TEST(VectorMath, GcdIsDefinedForZero)
{
    EXPECT_EQ(gcd(0, 0), 0);
    EXPECT_EQ(gcd(0, 7), 7);
    EXPECT_EQ(gcd(12, 0), 12);
    EXPECT_EQ(gcd(-4, 6), 1);
    EXPECT_EQ(gcd(4, -6), 1);
    EXPECT_EQ(gcd(INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(gcd(1 << 30, 3 << 20), 1 << 20);
    for (int u = 0; u <= 100; ++u)
        for (int v = 0; v <= 100; ++v)
            ASSERT_EQ(gcd(u, v), std::gcd(u, v)) << u << " " << v;
}
