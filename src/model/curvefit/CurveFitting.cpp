#include "model/curvefit/CurveFitting.h"

#include "model/curvefit/NearestPoint.h"

#include <array>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace scrivane {

namespace {

constexpr float kDeterminantFallback = 1e-11f;
constexpr float kAlphaThreshold = 1e-6f;
constexpr float kNaNError = 1e7f;

float B0(float u)
{
    const float tmp = 1.0f - u;
    return tmp * tmp * tmp;
}

float B1(float u)
{
    const float tmp = 1.0f - u;
    return 3.0f * u * (tmp * tmp);
}

float B2(float u)
{
    const float tmp = 1.0f - u;
    return 3.0f * u * u * tmp;
}

float B3(float u)
{
    return u * u * u;
}

Vector2 scaled(Vector2 v, float newlen)
{
    return V2Scale(v, newlen);
}

Vector2 times(Vector2 v, float s)
{
    return {v.x * s, v.y * s};
}

void requireRun(std::span<const Point2> d, int first, int last, std::span<const float> u)
{
    if (first < 0 || last < first || std::size_t(last) >= d.size() ||
        u.size() < std::size_t(last - first + 1))
        throw std::invalid_argument("point run out of range");
}

std::vector<float> chordLengthParameterize(std::span<const Point2> d, int first, int last)
{
    std::vector<float> u(static_cast<std::size_t>(last - first + 1));
    u[0] = 0.0f;
    for (int i = first + 1; i <= last; ++i)
        u[i - first] = u[i - first - 1] + V2DistanceBetween2Points(d[i], d[i - 1]);
    const float total = u[last - first];
    for (int i = first + 1; i <= last; ++i)
        u[i - first] = u[i - first] / total;
    return u;
}

// One Newton-Raphson step towards the parameter of the point of Q nearest
// to P.
float newtonRaphsonRootFind(const CubicPoints &Q, Point2 P, float u)
{
    Point2 Q1[3];
    for (int i = 0; i < 3; ++i)
        Q1[i] = times(V2Sub(Q[i + 1], Q[i]), 3.0f);
    Point2 Q2[2];
    for (int i = 0; i < 2; ++i)
        Q2[i] = times(V2Sub(Q1[i + 1], Q1[i]), 2.0f);

    const Point2 Q_u = BezierII(3, Q, u);
    const Point2 Q1_u = BezierII(2, Q1, u);
    const Point2 Q2_u = BezierII(1, Q2, u);

    const float numerator = (Q_u.x - P.x) * Q1_u.x + (Q_u.y - P.y) * Q1_u.y;
    const float denominator =
        Q1_u.x * Q1_u.x + Q1_u.y * Q1_u.y + (Q_u.x - P.x) * Q2_u.x + (Q_u.y - P.y) * Q2_u.y;
    return u - numerator / denominator;
}

std::vector<float> reparameterize(std::span<const Point2> d, int first, int last, std::span<const float> u,
                                  const CubicPoints &curve)
{
    std::vector<float> uPrime(static_cast<std::size_t>(last - first + 1));
    for (int i = first; i <= last; ++i)
        uPrime[i - first] = newtonRaphsonRootFind(curve, d[i], u[i - first]);
    return uPrime;
}

Vector2 centerTangent(std::span<const Point2> d, int center)
{
    const Vector2 v1 = V2Sub(d[center - 1], d[center]);
    const Vector2 v2 = V2Sub(d[center], d[center + 1]);
    Vector2 tHatCenter((v1.x + v2.x) / 2.0f, (v1.y + v2.y) / 2.0f);
    return V2Normalize(tHatCenter);
}

} // namespace

Point2 BezierII(int degree, std::span<const Point2> V, float t)
{
    if (degree < 0 || degree > kMaxBezierDegree || V.size() <= std::size_t(degree))
        throw std::invalid_argument("Bezier degree or control point count out of range");
    Point2 Vtemp[kMaxBezierDegree + 1];
    for (int i = 0; i <= degree; ++i)
        Vtemp[i] = V[i];
    for (int i = 1; i <= degree; ++i) {
        for (int j = 0; j <= degree - i; ++j) {
            Vtemp[j].x = (1.0f - t) * Vtemp[j].x + t * Vtemp[j + 1].x;
            Vtemp[j].y = (1.0f - t) * Vtemp[j].y + t * Vtemp[j + 1].y;
        }
    }
    return Vtemp[0];
}

CubicPoints GenerateBezier(std::span<const Point2> d, int first, int last, std::span<const float> u,
                           Vector2 tHat1, Vector2 tHat2)
{
    requireRun(d, first, last, u);
    const int nPts = last - first + 1;

    std::vector<std::array<Vector2, 2>> A(static_cast<std::size_t>(nPts));
    for (int i = 0; i < nPts; ++i) {
        A[i][0] = scaled(tHat1, B1(u[i]));
        A[i][1] = scaled(tHat2, B2(u[i]));
    }

    float C[2][2] = {{0.0f, 0.0f}, {0.0f, 0.0f}};
    float X[2] = {0.0f, 0.0f};
    for (int i = 0; i < nPts; ++i) {
        C[0][0] += V2Dot(A[i][0], A[i][0]);
        C[0][1] += V2Dot(A[i][0], A[i][1]);
        C[1][0] = C[0][1];
        C[1][1] += V2Dot(A[i][1], A[i][1]);

        const Point2 fixedPart =
            V2Add(times(d[first], B0(u[i]) + B1(u[i])), times(d[last], B2(u[i]) + B3(u[i])));
        const Vector2 tmp = V2Sub(d[first + i], fixedPart);
        X[0] += V2Dot(A[i][0], tmp);
        X[1] += V2Dot(A[i][1], tmp);
    }

    float det = C[0][0] * C[1][1] - C[1][0] * C[0][1];
    if (det == 0.0f)
        det = C[0][0] * C[1][1] * kDeterminantFallback;
    float alpha_l = (X[0] * C[1][1] - X[1] * C[0][1]) / det;
    float alpha_r = (C[0][0] * X[1] - C[1][0] * X[0]) / det;

    // A negative or vanishing handle: fall back on a third of the chord.
    if (alpha_l < kAlphaThreshold || alpha_r < kAlphaThreshold) {
        const float dist = V2DistanceBetween2Points(d[last], d[first]) / 3.0f;
        alpha_l = dist;
        alpha_r = dist;
    }

    return {d[first], V2Add(d[first], scaled(tHat1, alpha_l)), V2Add(d[last], scaled(tHat2, alpha_r)),
            d[last]};
}

float ComputeMaxError(std::span<const Point2> d, int first, int last, const CubicPoints &curve,
                      std::span<const float> u, int &splitPoint)
{
    requireRun(d, first, last, u);
    // An index into d like the ones found below (so it lies inside the run).
    splitPoint = first + (last - first + 1) / 2;
    float maxDist = 0.0f;
    for (int i = first + 1; i < last; ++i) {
        const Point2 P = BezierII(3, curve, u[i - first]);
        const float dist = V2SquaredLength(V2Sub(P, d[i]));
        if (dist >= maxDist) {
            maxDist = dist;
            splitPoint = i;
        } else if (std::isnan(dist)) {
            splitPoint = i;
            maxDist = kNaNError;
        }
    }
    return maxDist;
}

void FitCubic(std::span<const Point2> d, int first, int last, Vector2 tHat1, Vector2 tHat2, float error,
              const FittedCurveSink &drawBezierCurve)
{
    if (first < 0 || last <= first || std::size_t(last) >= d.size())
        return;

    // Runs still to fit, the next one last.  Working from a list instead of
    // recursing keeps long runs of points from exhausting the stack; pushing
    // the second half before the first keeps the segments in point order.
    struct Run {
        int first;
        int last;
        Vector2 tHat1;
        Vector2 tHat2;
    };
    std::vector<Run> pending{{first, last, tHat1, tHat2}};
    const float iterationError = error * error;
    const auto deliver = [&](const CubicPoints &curve) {
        if (drawBezierCurve)
            drawBezierCurve(curve);
    };

    while (!pending.empty()) {
        const Run run = pending.back();
        pending.pop_back();

        if (run.last - run.first == 1) {
            const float dist = V2DistanceBetween2Points(d[run.last], d[run.first]) / 3.0f;
            deliver({d[run.first], V2Add(d[run.first], scaled(run.tHat1, dist)),
                  V2Add(d[run.last], scaled(run.tHat2, dist)), d[run.last]});
            continue;
        }

        std::vector<float> u = chordLengthParameterize(d, run.first, run.last);
        CubicPoints curve = GenerateBezier(d, run.first, run.last, u, run.tHat1, run.tHat2);
        int splitPoint = 0;
        float maxError = ComputeMaxError(d, run.first, run.last, curve, u, splitPoint);
        if (maxError < error) {
            deliver(curve);
            continue;
        }

        bool accepted = false;
        if (maxError < iterationError) {
            for (int i = 0; i < kFitMaxIterations; ++i) {
                std::vector<float> uPrime = reparameterize(d, run.first, run.last, u, curve);
                curve = GenerateBezier(d, run.first, run.last, uPrime, run.tHat1, run.tHat2);
                maxError = ComputeMaxError(d, run.first, run.last, curve, uPrime, splitPoint);
                if (maxError < error) {
                    accepted = true;
                    break;
                }
                u = std::move(uPrime);
            }
        }
        if (accepted) {
            deliver(curve);
            continue;
        }

        Vector2 tHatCenter = centerTangent(d, splitPoint);
        Vector2 reversed = tHatCenter;
        pending.push_back({splitPoint, run.last, V2Negate(reversed), run.tHat2});
        pending.push_back({run.first, splitPoint, run.tHat1, tHatCenter});
    }
}

void FitCurve(std::span<const Point2> d, float error, const FittedCurveSink &drawBezierCurve)
{
    if (d.size() < 2)
        return;
    if (d.size() > std::size_t(INT_MAX))
        throw std::length_error("too many points to fit");
    const int n = int(d.size());
    Vector2 tHat1 = V2Sub(d[1], d[0]);
    Vector2 tHat2 = V2Sub(d[n - 2], d[n - 1]);
    FitCubic(d, 0, n - 1, V2Normalize(tHat1), V2Normalize(tHat2), error, drawBezierCurve);
}

} // namespace scrivane
