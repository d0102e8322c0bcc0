#pragma once

// Scalar root finders for functions of one float.

#include <array>
#include <functional>

namespace scrivane {

using ScalarFunction = std::function<float(float)>;

// Real roots of a x^2 + b x + c in the numerically stable form; returns how
// many there are (0, 1 or 2) and puts them first in `roots` (unused entries
// are 0).  With a = 0 it solves the linear equation; a = b = c = 0 has none.
int quadraticRoots(float a, float b, float c, std::array<float, 2> &roots);

// One step of regula falsi on [left, right]; the midpoint when f has the same
// value at both ends.
float RegulaFalsi(const ScalarFunction &f, float left, float right);

// One Newton-Raphson step from x; x - 1 when the derivative there is 0.
float NewtonRaphson(const ScalarFunction &f, const ScalarFunction &df, float x);

// findroot gives up after this many steps and answers its last estimate.
inline constexpr int kFindRootMaxSteps = 1000;

// A root of f inside [left, right] (f should change sign there): Newton steps,
// with a regula falsi step whenever Newton leaves the bracket, until
// |f(x)| <= tolerance.
float findroot(float left, float right, float tolerance, const ScalarFunction &f, const ScalarFunction &df);

} // namespace scrivane
