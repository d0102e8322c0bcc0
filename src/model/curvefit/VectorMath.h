#pragma once

// The small two- and three-dimensional vector library that the curve code and
// the path classes share.  Everything is single precision.
//
// Functions that produce a new value return it; the few that the algorithms
// apply to a value in place (negate, normalise, scale, transform by a matrix)
// take it by reference, change it and return it again so calls can be chained.

#include "platform/Geometry.h"

namespace scrivane {

using Vector2 = Point;
using Point2 = Point;

struct Vector3 {
    float x = 0;
    float y = 0;
    float z = 0;

    constexpr Vector3() = default;
    constexpr Vector3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    friend constexpr bool operator==(const Vector3 &, const Vector3 &) = default;
};
using Point3 = Vector3;

// Stored row by row; a point is a row vector multiplied on the left, so the
// last row holds the translation.
struct Matrix3 {
    float element[3][3] = {};
};

struct Matrix4 {
    float element[4][4] = {};
};

float V2SquaredLength(const Vector2 &a);
float V2Length(const Vector2 &a);
Vector2 &V2Negate(Vector2 &v);
// A zero-length vector is left as it is (there is no direction to keep).
Vector2 &V2Normalize(Vector2 &v);
// Makes v newlen long; a zero-length vector is left as it is.
Vector2 &V2Scale(Vector2 &v, float newlen);
Vector2 V2Add(const Vector2 &a, const Vector2 &b);
Vector2 V2Sub(const Vector2 &a, const Vector2 &b);
float V2Dot(const Vector2 &a, const Vector2 &b);
// lo + alpha (hi - lo): alpha 0 gives lo, 1 gives hi.
Vector2 V2Lerp(const Vector2 &lo, const Vector2 &hi, float alpha);
// a * ascl + b * bscl.
Vector2 V2Combine(const Vector2 &a, const Vector2 &b, float ascl, float bscl);
// Component-wise product.
Vector2 V2Mul(const Vector2 &a, const Vector2 &b);
float V2DistanceBetween2Points(const Point2 &a, const Point2 &b);
// a turned a quarter to the left: (-a.y, a.x).
Vector2 V2MakePerpendicular(const Vector2 &a);
// Projective transform of p in place: divided by the homogeneous weight when
// that weight is not 0.
Point2 &V2MulPointByMatrix(Point2 &p, const Matrix3 &m);
Matrix3 V2MatMul(const Matrix3 &a, const Matrix3 &b);

float V3SquaredLength(const Vector3 &a);
float V3Length(const Vector3 &a);
Vector3 &V3Negate(Vector3 &v);
Vector3 &V3Normalize(Vector3 &v);
Vector3 &V3Scale(Vector3 &v, float newlen);
Vector3 V3Add(const Vector3 &a, const Vector3 &b);
Vector3 V3Sub(const Vector3 &a, const Vector3 &b);
float V3Dot(const Vector3 &a, const Vector3 &b);
Vector3 V3Lerp(const Vector3 &lo, const Vector3 &hi, float alpha);
Vector3 V3Combine(const Vector3 &a, const Vector3 &b, float ascl, float bscl);
Vector3 V3Mul(const Vector3 &a, const Vector3 &b);
float V3DistanceBetween2Points(const Point3 &a, const Point3 &b);
Vector3 V3Cross(const Vector3 &a, const Vector3 &b);
Point3 &V3MulPointByMatrix(Point3 &p, const Matrix4 &m);
Matrix4 V3MatMul(const Matrix4 &a, const Matrix4 &b);

// Greatest common divisor by the binary method.  gcd(0, v) is v, gcd(u, 0) is
// u and gcd(0, 0) is 0; a negative argument gives 1.
int gcd(int u, int v);

} // namespace scrivane
