#include "model/curvefit/ArcLength.h"

namespace scrivane {

namespace {

struct Flatness {
    float polygon;
    float chord;
};

Flatness measure(std::span<const Point2, 4> V)
{
    float polygon = V2DistanceBetween2Points(V[0], V[1]);
    polygon += V2DistanceBetween2Points(V[1], V[2]);
    polygon += V2DistanceBetween2Points(V[2], V[3]);
    return {polygon, V2DistanceBetween2Points(V[0], V[3])};
}

// NaN differences never exceed the tolerance, so NaN coordinates end the
// subdivision at once.
bool needsSplit(const Flatness &f, float error, int depth)
{
    return f.polygon - f.chord > error && depth < kArcLengthMaxDepth;
}

Point2 half(Point2 a, Point2 b)
{
    return {0.5f * a.x + 0.5f * b.x, 0.5f * a.y + 0.5f * b.y};
}

} // namespace

std::pair<CubicPoints, CubicPoints> bezsplit(std::span<const Point2, 4> V)
{
    Point2 p[4][4];
    for (int j = 0; j < 4; ++j)
        p[0][j] = V[j];
    for (int i = 1; i <= 3; ++i)
        for (int j = 0; j <= 3 - i; ++j)
            p[i][j] = half(p[i - 1][j], p[i - 1][j + 1]);
    return {CubicPoints{p[0][0], p[1][0], p[2][0], p[3][0]}, CubicPoints{p[3][0], p[2][1], p[1][2], p[0][3]}};
}

void addifclose(std::span<const Point2, 4> V, float &length, float error, int depth)
{
    const Flatness f = measure(V);
    if (needsSplit(f, error, depth)) {
        const auto [left, right] = bezsplit(V);
        addifclose(left, length, error, depth + 1);
        addifclose(right, length, error, depth + 1);
        return;
    }
    length += f.polygon;
}

float arclen(std::span<const Point2, 4> V, float error)
{
    float length = 0.0f;
    addifclose(V, length, error);
    return length;
}

float addifclosedistance(std::span<const Point2, 4> V, float &length, float t0, float t1, float error,
                         float distance, int depth)
{
    const Flatness f = measure(V);
    if (needsSplit(f, error, depth)) {
        const auto [left, right] = bezsplit(V);
        const float mid = (t0 + t1) * 0.5f;
        const float r = addifclosedistance(left, length, t0, mid, error, distance, depth + 1);
        if (r >= 0.0f) // a distance tiny against the piece may round to t0 = 0
            return r;
        return addifclosedistance(right, length, mid, t1, error, distance, depth + 1);
    }
    // The start of a piece belongs to it, so a distance that falls exactly
    // on the border between two pieces is found in the later one.
    const float measured = length;
    if (measured <= distance && distance < measured + f.polygon && distance > 0.0f)
        return t0 + (t1 - t0) * (distance - measured) / f.polygon;
    length = measured + f.polygon;
    return -1.0f;
}

float arcdistance(std::span<const Point2, 4> V, float error, float distance)
{
    float length = 0.0f;
    return addifclosedistance(V, length, 0.0f, 1.0f, error, distance);
}

} // namespace scrivane
