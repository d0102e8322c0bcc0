#include "model/TDBezierPath.h"

#include <algorithm>

namespace scrivane {

TDBezierPath TDBezierPath::bezierPathWithPath(const PathBase &path)
{
    TDBezierPath result;
    result.appendPath(path);
    result.setLineJoinStyle(path.lineJoinStyle());
    result.setLineCapStyle(path.lineCapStyle());
    return result;
}

TDBezierPath TDBezierPath::copy() const
{
    TDBezierPath result;
    result.appendPath(*this);
    return result;
}

TDBezierPath TDBezierPath::bezierPathByReversingPath() const
{
    return bezierPathWithPath(reversed());
}

TDBezierPath TDBezierPath::bezierPathByFlatteningPath(float flatness) const
{
    return bezierPathWithPath(flattened(flatness));
}

void TDBezierPath::appendCurve(std::span<const Point, 4> P)
{
    if (isEmpty())
        moveTo(P[0]);
    if (!TDEqualPoints(P[3], P[0]))
        curveTo(P[3], P[1], P[2]);
}

TDBezierPath &TDBezierPath::appendBezierPath(const PathBase &path, int first, int end)
{
    first = std::max(first, 0);
    end = std::min(end, path.elementCount());
    if (first >= end)
        return *this;
    // Reading from the receiver itself while it grows would chase its own
    // tail; take the elements first.
    const std::vector<Element> source(path.elements().begin() + first, path.elements().begin() + end);
    for (const Element &e : source) {
        switch (e.type) {
        case PathElementType::MoveTo:
            moveTo(e.points[0]);
            break;
        case PathElementType::LineTo:
            lineTo(e.points[0]);
            break;
        case PathElementType::CurveTo:
            curveTo(e.points[2], e.points[0], e.points[1]);
            break;
        case PathElementType::ClosePath:
            close();
            break;
        }
    }
    return *this;
}

std::vector<TDBezierPath> TDBezierPath::split() const
{
    std::vector<TDBezierPath> result;
    TDBezierPath current;
    bool draws = false;
    const auto finish = [&] {
        if (draws)
            result.push_back(std::move(current));
        current = TDBezierPath();
        draws = false;
    };
    for (const Element &e : elements()) {
        switch (e.type) {
        case PathElementType::MoveTo:
            finish();
            current.moveTo(e.points[0]);
            break;
        case PathElementType::LineTo:
            current.lineTo(e.points[0]);
            draws = true;
            break;
        case PathElementType::CurveTo:
            current.curveTo(e.points[2], e.points[0], e.points[1]);
            draws = true;
            break;
        case PathElementType::ClosePath:
            current.close();
            finish();
            break;
        }
    }
    finish();
    return result;
}

} // namespace scrivane
