#include "model/curvefit/RootFinding.h"

#include <cmath>

namespace scrivane {

int quadraticRoots(float a, float b, float c, std::array<float, 2> &roots)
{
    roots = {0.0f, 0.0f};
    const float d = b * b - 4.0f * a * c;
    if (d < 0.0f)
        return 0;
    const float sgnb = b < 0.0f ? -1.0f : 1.0f;
    const float q = -0.5f * (b + sgnb * std::sqrt(d));
    int count = 0;
    if (a != 0.0f)
        roots[count++] = q / a;
    if (q != 0.0f)
        roots[count++] = c / q;
    return count;
}

float RegulaFalsi(const ScalarFunction &f, float left, float right)
{
    const float fr = f(right);
    const float d = fr - f(left);
    if (d != 0.0f)
        return right - fr * (right - left) / d;
    return (left + right) / 2.0f;
}

float NewtonRaphson(const ScalarFunction &f, const ScalarFunction &df, float x)
{
    const float d = df(x);
    if (d != 0.0f)
        return x - f(x) / d;
    return x - 1.0f;
}

float findroot(float left, float right, float tolerance, const ScalarFunction &f, const ScalarFunction &df)
{
    float x = left;
    // Without a sign change in the bracket the steps can cycle for ever.
    for (int step = 0; step < kFindRootMaxSteps && std::fabs(f(x)) > tolerance; ++step) {
        x = NewtonRaphson(f, df, x);
        if (x < left || x > right)
            x = RegulaFalsi(f, left, right);
        if (f(x) * f(left) <= 0.0f)
            right = x;
        else
            left = x;
    }
    return x;
}

} // namespace scrivane
