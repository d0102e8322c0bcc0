#pragma once

#include "platform/Geometry.h"

namespace scrivane {

// A point of effect space (see EffectImage.h for the coordinate convention).
struct EffectPoint {
    double x = 0;
    double y = 0;

    constexpr EffectPoint() = default;
    constexpr EffectPoint(double x_, double y_) : x(x_), y(y_) {}
    friend constexpr bool operator==(const EffectPoint &, const EffectPoint &) = default;
};

// A rectangle of effect space in double precision.  Generators cover the
// whole plane: their extent is the infinite rectangle, which every operation
// keeps infinite (a union with it is infinite, an intersection with it is the
// other operand).
struct EffectRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    constexpr EffectRect() = default;
    constexpr EffectRect(double x_, double y_, double w, double h) : x(x_), y(y_), width(w), height(h) {}

    static EffectRect infinite();
    static EffectRect fromRect(const Rect &rect);
    // The smallest rectangle holding all `count` points.
    static EffectRect bounding(const EffectPoint *points, int count);

    bool isInfinite() const;
    bool isEmpty() const; // never true of the infinite rectangle
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }

    EffectRect intersected(const EffectRect &other) const;
    EffectRect united(const EffectRect &other) const;
    EffectRect translated(double dx, double dy) const;
    // Grown by dx on the left and right, dy at the top and bottom.
    EffectRect grown(double dx, double dy) const;
    // Rounded outwards to whole numbers.
    EffectRect integral() const;
    Rect toRect() const;

    friend constexpr bool operator==(const EffectRect &, const EffectRect &) = default;
};

} // namespace scrivane
