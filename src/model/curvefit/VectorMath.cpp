#include "model/curvefit/VectorMath.h"

#include <cmath>

namespace scrivane {

float V2SquaredLength(const Vector2 &a)
{
    return a.x * a.x + a.y * a.y;
}

float V2Length(const Vector2 &a)
{
    return std::sqrt(V2SquaredLength(a));
}

Vector2 &V2Negate(Vector2 &v)
{
    v.x = -v.x;
    v.y = -v.y;
    return v;
}

Vector2 &V2Normalize(Vector2 &v)
{
    const float len = V2Length(v);
    if (len != 0.0f) {
        v.x /= len;
        v.y /= len;
    }
    return v;
}

Vector2 &V2Scale(Vector2 &v, float newlen)
{
    const float len = V2Length(v);
    if (len != 0.0f) {
        v.x *= newlen / len;
        v.y *= newlen / len;
    }
    return v;
}

Vector2 V2Add(const Vector2 &a, const Vector2 &b)
{
    return {a.x + b.x, a.y + b.y};
}

Vector2 V2Sub(const Vector2 &a, const Vector2 &b)
{
    return {a.x - b.x, a.y - b.y};
}

float V2Dot(const Vector2 &a, const Vector2 &b)
{
    return a.x * b.x + a.y * b.y;
}

Vector2 V2Lerp(const Vector2 &lo, const Vector2 &hi, float alpha)
{
    return {lo.x + alpha * (hi.x - lo.x), lo.y + alpha * (hi.y - lo.y)};
}

Vector2 V2Combine(const Vector2 &a, const Vector2 &b, float ascl, float bscl)
{
    return {ascl * a.x + bscl * b.x, ascl * a.y + bscl * b.y};
}

Vector2 V2Mul(const Vector2 &a, const Vector2 &b)
{
    return {a.x * b.x, a.y * b.y};
}

float V2DistanceBetween2Points(const Point2 &a, const Point2 &b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy);
}

Vector2 V2MakePerpendicular(const Vector2 &a)
{
    return {-a.y, a.x};
}

Point2 &V2MulPointByMatrix(Point2 &p, const Matrix3 &m)
{
    const auto &e = m.element;
    float x = p.x * e[0][0] + p.y * e[1][0] + e[2][0];
    float y = p.x * e[0][1] + p.y * e[1][1] + e[2][1];
    const float w = p.x * e[0][2] + p.y * e[1][2] + e[2][2];
    if (w != 0.0f) {
        x /= w;
        y /= w;
    }
    p = {x, y};
    return p;
}

Matrix3 V2MatMul(const Matrix3 &a, const Matrix3 &b)
{
    Matrix3 c;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 3; ++k)
                sum += a.element[i][k] * b.element[k][j];
            c.element[i][j] = sum;
        }
    }
    return c;
}

float V3SquaredLength(const Vector3 &a)
{
    return a.x * a.x + a.y * a.y + a.z * a.z;
}

float V3Length(const Vector3 &a)
{
    return std::sqrt(V3SquaredLength(a));
}

Vector3 &V3Negate(Vector3 &v)
{
    v.x = -v.x;
    v.y = -v.y;
    v.z = -v.z;
    return v;
}

Vector3 &V3Normalize(Vector3 &v)
{
    const float len = V3Length(v);
    if (len != 0.0f) {
        v.x /= len;
        v.y /= len;
        v.z /= len;
    }
    return v;
}

Vector3 &V3Scale(Vector3 &v, float newlen)
{
    const float len = V3Length(v);
    if (len != 0.0f) {
        v.x *= newlen / len;
        v.y *= newlen / len;
        v.z *= newlen / len;
    }
    return v;
}

Vector3 V3Add(const Vector3 &a, const Vector3 &b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

Vector3 V3Sub(const Vector3 &a, const Vector3 &b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

float V3Dot(const Vector3 &a, const Vector3 &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vector3 V3Lerp(const Vector3 &lo, const Vector3 &hi, float alpha)
{
    return {lo.x + alpha * (hi.x - lo.x), lo.y + alpha * (hi.y - lo.y), lo.z + alpha * (hi.z - lo.z)};
}

Vector3 V3Combine(const Vector3 &a, const Vector3 &b, float ascl, float bscl)
{
    return {ascl * a.x + bscl * b.x, ascl * a.y + bscl * b.y, ascl * a.z + bscl * b.z};
}

Vector3 V3Mul(const Vector3 &a, const Vector3 &b)
{
    return {a.x * b.x, a.y * b.y, a.z * b.z};
}

float V3DistanceBetween2Points(const Point3 &a, const Point3 &b)
{
    return V3Length(V3Sub(a, b));
}

Vector3 V3Cross(const Vector3 &a, const Vector3 &b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Point3 &V3MulPointByMatrix(Point3 &p, const Matrix4 &m)
{
    const auto &e = m.element;
    float x = p.x * e[0][0] + p.y * e[1][0] + p.z * e[2][0] + e[3][0];
    float y = p.x * e[0][1] + p.y * e[1][1] + p.z * e[2][1] + e[3][1];
    float z = p.x * e[0][2] + p.y * e[1][2] + p.z * e[2][2] + e[3][2];
    const float w = p.x * e[0][3] + p.y * e[1][3] + p.z * e[2][3] + e[3][3];
    if (w != 0.0f) {
        x /= w;
        y /= w;
        z /= w;
    }
    p = {x, y, z};
    return p;
}

Matrix4 V3MatMul(const Matrix4 &a, const Matrix4 &b)
{
    Matrix4 c;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a.element[i][k] * b.element[k][j];
            c.element[i][j] = sum;
        }
    }
    return c;
}

int gcd(int u, int v)
{
    if (u < 0 || v < 0)
        return 1;
    // Without these the halving loops below never end.
    if (u == 0)
        return v;
    if (v == 0)
        return u;
    int shift = 0;
    while (((u | v) & 1) == 0) {
        u >>= 1;
        v >>= 1;
        ++shift;
    }
    while ((u & 1) == 0)
        u >>= 1;
    do {
        while ((v & 1) == 0)
            v >>= 1;
        if (u > v) {
            const int t = u;
            u = v;
            v = t;
        }
        v -= u;
    } while (v != 0);
    return u << shift;
}

} // namespace scrivane
