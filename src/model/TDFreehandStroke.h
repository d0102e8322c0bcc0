#pragma once

#include "platform/Geometry.h"

#include <memory>
#include <optional>
#include <vector>

namespace scrivane {

class TDBezierPath;

// The raw polyline of a freehand stroke while the pointer draws it.  A
// point closer than one screen pixel to the last accepted one is passed
// over; a jump longer than 25 screen pixels is filled in with evenly
// spaced points, so that the later curve fitting has something to follow.
// With a tablet each accepted point also records a pressure sample at the
// length drawn so far.
//
// Every accepted point costs the same however long the stroke already is:
// the path grows by its new elements and the bounds by the new points only.
class TDFreehandStroke {
public:
    // `zoom` is the canvas's (a zoom that is no positive number counts as
    // 1); `tablet`: samples pressure.
    TDFreehandStroke(Point start, float zoom, bool tablet);

    // Adds the pointer's position (document points) with the pen's pressure
    // (0 to 1; ignored without a tablet).  Answers the rectangle spanned by
    // the last accepted point and this one, or nothing when the point was
    // too close to be taken.
    std::optional<Rect> addPoint(Point q, float pressure = 1);

    // The stroke so far: a move to the start and lines.
    const std::shared_ptr<TDBezierPath> &path() const { return m_path; }
    // The smallest rectangle holding every point of the path.
    const Rect &bounds() const { return m_bounds; }
    Point lastPoint() const { return m_last; }
    bool tablet() const { return m_tablet; }
    float zoom() const { return m_zoom; }

    // The stroke's pressure curve: positions from 0 to 1 along the stroke,
    // each with twice the pen's pressure there, the last taking the pressure
    // of the one before it (the pen's lift says nothing).  With fewer than
    // two samples there is no stroke to spread them along: the default
    // curve.
    std::vector<Point> pressureCurve() const;

private:
    void include(Point p);

    std::shared_ptr<TDBezierPath> m_path;
    std::vector<Point> m_samples;
    Rect m_bounds;
    Point m_last;
    float m_zoom;
    bool m_tablet;
};

} // namespace scrivane
