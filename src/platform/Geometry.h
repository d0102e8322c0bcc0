#pragma once

// Points, sizes and rectangles of the drawing: single precision, in
// PostScript points (1/72 inch), y growing upwards in model space.
//
// The rectangle rules are those drawing code has always relied on: a
// rectangle is empty when its width or height is not positive; it contains
// the points of its minimum edges but not those of its maximum edges; empty
// rectangles take no part in unions and intersect nothing.

#include <QString>
#include <QStringView>

#include <optional>

namespace scrivane {

struct Point {
    float x = 0;
    float y = 0;

    constexpr Point() = default;
    constexpr Point(float x_, float y_) : x(x_), y(y_) {}
    friend constexpr bool operator==(const Point &, const Point &) = default;

    // "{x, y}", numbers as "%g" writes them.
    QString toString() const;
    // Reads "{x, y}" (blanks around every part allowed); nothing for any
    // other text or a number that is not finite in single precision.
    static std::optional<Point> fromString(QStringView text);
};

struct Size {
    float width = 0;
    float height = 0;

    constexpr Size() = default;
    constexpr Size(float w, float h) : width(w), height(h) {}
    friend constexpr bool operator==(const Size &, const Size &) = default;

    // "{w, h}", numbers as "%g" writes them.
    QString toString() const;
    static std::optional<Size> fromString(QStringView text);
};

struct Rect {
    Point origin;
    Size size;

    constexpr Rect() = default;
    constexpr Rect(Point o, Size s) : origin(o), size(s) {}
    constexpr Rect(float x, float y, float w, float h) : origin(x, y), size(w, h) {}
    friend constexpr bool operator==(const Rect &, const Rect &) = default;

    constexpr float minX() const { return origin.x; }
    constexpr float minY() const { return origin.y; }
    constexpr float maxX() const { return origin.x + size.width; }
    constexpr float maxY() const { return origin.y + size.height; }
    constexpr float midX() const { return origin.x + size.width / 2; }
    constexpr float midY() const { return origin.y + size.height / 2; }
    constexpr float width() const { return size.width; }
    constexpr float height() const { return size.height; }

    // Width or height not positive (NaN counts as empty).
    constexpr bool isEmpty() const { return !(size.width > 0) || !(size.height > 0); }

    // Minimum edges inside, maximum edges outside; an empty rectangle
    // contains no point.
    constexpr bool contains(Point p) const
    {
        return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
    // True when `r` is not empty and lies wholly inside (edges may touch).
    constexpr bool contains(const Rect &r) const
    {
        return !r.isEmpty() && minX() <= r.minX() && minY() <= r.minY() && r.maxX() <= maxX() &&
               r.maxY() <= maxY();
    }
    // True when the two share an area; rectangles that only touch, and
    // empty rectangles, do not intersect.
    constexpr bool intersects(const Rect &r) const
    {
        return !isEmpty() && !r.isEmpty() && minX() < r.maxX() && r.minX() < maxX() && minY() < r.maxY() &&
               r.minY() < maxY();
    }

    // The smallest rectangle holding both; an empty operand is ignored, and
    // two empty ones give the zero rectangle.
    Rect united(const Rect &r) const;
    // The common area, or the zero rectangle when there is none.
    Rect intersected(const Rect &r) const;
    // Moves every edge inwards by dx and dy (outwards for negative values);
    // the size may become negative.
    constexpr Rect insetBy(float dx, float dy) const
    {
        return Rect(origin.x + dx, origin.y + dy, size.width - 2 * dx, size.height - 2 * dy);
    }
    constexpr Rect offsetBy(float dx, float dy) const
    {
        return Rect(origin.x + dx, origin.y + dy, size.width, size.height);
    }

    // "{{x, y}, {w, h}}", numbers as "%g" writes them.
    QString toString() const;
    static std::optional<Rect> fromString(QStringView text);
};

} // namespace scrivane
