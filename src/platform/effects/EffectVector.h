#pragma once

namespace scrivane {

// The vector value of a filter input: a position, an offset, a rectangle
// (x, y, width, height) or a colour-matrix row.  `count` keeps how many
// components the value was made with, so that a stored two-component position
// is written back with two; components past `count` read as 0.
struct EffectVector {
    double x = 0;
    double y = 0;
    double z = 0;
    double w = 0;
    int count = 4;

    constexpr EffectVector() = default;
    constexpr EffectVector(double x_, double y_) : x(x_), y(y_), count(2) {}
    constexpr EffectVector(double x_, double y_, double z_) : x(x_), y(y_), z(z_), count(3) {}
    constexpr EffectVector(double x_, double y_, double z_, double w_) : x(x_), y(y_), z(z_), w(w_), count(4)
    {
    }

    // Component i (0 to 3).
    constexpr double at(int i) const { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }

    friend constexpr bool operator==(const EffectVector &, const EffectVector &) = default;
};

} // namespace scrivane
