#pragma once

// Points, sizes and rectangles of the drawing: single precision, in
// PostScript points (1/72 inch), y growing upwards in model space.

namespace scrivane {

struct Point {
    float x = 0;
    float y = 0;

    constexpr Point() = default;
    constexpr Point(float x_, float y_) : x(x_), y(y_) {}
    friend constexpr bool operator==(const Point &, const Point &) = default;
};

struct Size {
    float width = 0;
    float height = 0;

    constexpr Size() = default;
    constexpr Size(float w, float h) : width(w), height(h) {}
    friend constexpr bool operator==(const Size &, const Size &) = default;
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(Point o, Size s) : origin(o), size(s) {}
    constexpr Rect(float x, float y, float w, float h) : origin(x, y), size(w, h) {}
    friend constexpr bool operator==(const Rect &, const Rect &) = default;
};

} // namespace scrivane
