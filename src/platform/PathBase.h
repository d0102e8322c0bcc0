#pragma once

#include "platform/AffineTransform.h"
#include "platform/Geometry.h"

#include <array>
#include <span>
#include <cstdint>
#include <vector>

typedef struct _cairo cairo_t;

namespace scrivane {

// Element kinds; the numbers are those stored in documents.
enum class PathElementType : int {
    MoveTo = 0,
    LineTo = 1,
    CurveTo = 2, // points: first control point, second control point, end point
    ClosePath = 3,
};

enum class WindingRule : int { NonZero = 0, EvenOdd = 1 };
enum class LineCapStyle : int { Butt = 0, Round = 1, Square = 2 };
enum class LineJoinStyle : int { Miter = 0, Round = 1, Bevel = 2 };

// A bezier path: an ordered list of elements (move, line, cubic curve,
// close) in single precision, plus the paint attributes that go with it
// (line width, cap, join, miter limit, dash, winding rule).
//
// Element list rules kept by every mutator:
// - element 0 of a non-empty path is a move;
// - a line or curve never directly follows a close: drawing on after a close
//   first inserts a move to the start of the closed subpath, so that every
//   line and curve starts at the end point of the element before it;
// - a line or curve on an empty path has no start: a line then only moves to
//   its point, a curve first moves to its first control point; the relative
//   forms on an empty path count from the origin.
//
// Subclasses that keep data derived from the elements learn of every change
// through `elementsDidChange`, called once at the end of each public
// mutator.  Copying copies elements and attributes.
class PathBase {
public:
    struct Element {
        PathElementType type = PathElementType::MoveTo;
        // Move and line use points[0]; a curve all three; a close none.
        std::array<Point, 3> points{};
    };

    // The flatness drawing code used when it asked for none.
    static constexpr float DefaultFlatness = 0.6f;

    PathBase() = default;
    PathBase(const PathBase &) = default;
    PathBase(PathBase &&) noexcept = default;
    PathBase &operator=(const PathBase &) = default;
    PathBase &operator=(PathBase &&) noexcept = default;
    virtual ~PathBase();

    static PathBase withRect(const Rect &rect);
    static PathBase withOvalInRect(const Rect &rect);

    // --- Element access ----------------------------------------------------
    int elementCount() const { return static_cast<int>(m_elements.size()); }
    bool isEmpty() const { return m_elements.empty(); }
    // The kind of element `index`; an index out of range answers ClosePath.
    PathElementType elementAtIndex(int index) const;
    // Also copies the element's points into `points` (1 for a move or line,
    // 3 for a curve, none for a close); nothing is copied for an index out
    // of range.
    PathElementType elementAtIndex(int index, Point *points) const;
    std::span<const Element> elements() const { return m_elements; }
    // How many points an element of the kind carries: 1 for a move or a
    // line, 3 for a curve, none for a close.
    static int pointCount(PathElementType type);
    // Whether every point the elements carry is a finite number.
    // Asked of every path before it is drawn; found once per change.
    bool hasFinitePoints() const;
    // Names the elements as they are: a change of any element gives a new
    // stamp, never used before in the process; a copy keeps it.
    std::uint64_t stamp() const { return m_stamp; }
    // Where the next element starts: the end point of the last element, the
    // start of the subpath after a close, the origin for an empty path.
    Point currentPoint() const;

    // --- Building ------------------------------------------------------------
    void moveTo(Point p);
    void lineTo(Point p);
    void curveTo(Point end, Point control1, Point control2);
    // Closes the current subpath; nothing on an empty path or right after
    // another close.
    void close();
    void relativeMoveTo(Point delta);
    void relativeLineTo(Point delta);
    // All three points relative to the current point.
    void relativeCurveTo(Point end, Point control1, Point control2);
    // Appends the other path's elements as they are (the path itself may be
    // the argument).
    void appendPath(const PathBase &other);
    // A new subpath: move to the origin, lines to (maxX, minY), (maxX, maxY),
    // (minX, maxY), close.
    void appendRect(const Rect &rect);
    // A new subpath of four quarter curves (kappa 0.5522847498), starting at
    // (maxX, midY) and running counter-clockwise (y up), closed.
    void appendOvalInRect(const Rect &rect);
    // On an empty path a move to the first point and lines to the others;
    // otherwise lines to all of them.
    void appendPoints(std::span<const Point> points);
    // The rounded corner between the line from the current point to
    // `corner` and the line from `corner` to `to`: a line to the first
    // tangent point, then a circular arc of `radius` to the second.  A
    // non-positive radius or collinear lines give a line to `corner`; on an
    // empty path only a move to `corner`.
    void appendArcFromPoint(Point corner, Point to, float radius);
    // A circular arc from startAngle to endAngle (degrees, counter-clockwise
    // from the x axis, y up), drawn counter-clockwise unless `clockwise`.
    // The sweep is normalised: counter-clockwise, an end below the start is
    // raised by whole turns (0 to -90 sweeps 270 degrees); clockwise, an end
    // above the start is lowered by whole turns; a sweep of more than one
    // turn is one full circle.  The path moves to the arc's start when empty
    // and draws a line to it otherwise; the arc is made of at most 90-degree
    // curves.  Non-finite arguments append nothing.
    void appendArcWithCenter(Point center, float radius, float startAngle, float endAngle,
                             bool clockwise = false);
    // Replaces the points of element `index` (as many as its kind carries);
    // nothing for an index out of range.
    void setAssociatedPoints(const Point *points, int index);
    void removeAllPoints();
    // Maps every point, control points included.
    void transform(const AffineTransform &t);

    // --- Derived paths (attributes copied) --------------------------------
    // Curves replaced by lines lying within `flatness` of them (a flatness
    // that is not positive counts as 0.001).
    PathBase flattened(float flatness) const;
    // Every subpath walked backwards and the subpaths in reverse order; a
    // closed subpath stays closed and starts where it used to end.
    PathBase reversed() const;

    // --- Geometry --------------------------------------------------------------
    // The smallest rectangle holding the path itself (curve extremes, not
    // their control points); the zero rectangle for an empty path.
    Rect bounds() const;
    // The smallest rectangle holding every point, control points included.
    Rect controlPointBounds() const;
    // Whether filling the path (each subpath closed) under its winding rule
    // paints the point.
    bool containsPoint(Point p) const;

    // --- Attributes -------------------------------------------------------------
    float lineWidth() const { return m_lineWidth; }
    void setLineWidth(float width) { m_lineWidth = width; }
    LineCapStyle lineCapStyle() const { return m_lineCap; }
    void setLineCapStyle(LineCapStyle cap) { m_lineCap = cap; }
    LineJoinStyle lineJoinStyle() const { return m_lineJoin; }
    void setLineJoinStyle(LineJoinStyle join) { m_lineJoin = join; }
    float miterLimit() const { return m_miterLimit; }
    void setMiterLimit(float limit) { m_miterLimit = limit; }
    WindingRule windingRule() const { return m_windingRule; }
    void setWindingRule(WindingRule rule) { m_windingRule = rule; }
    // Dash lengths in points, on and off in turn, starting `phase` points
    // into the pattern; an empty pattern is a solid line.
    void setLineDash(std::span<const float> pattern, float phase);
    const std::vector<float> &lineDash() const { return m_dash; }
    float lineDashPhase() const { return m_dashPhase; }

    // --- Drawing -----------------------------------------------------------------
    // Replays the elements into cairo's current path.  A path with a
    // coordinate that is not finite adds nothing and answers false, since
    // cairo would otherwise stop drawing altogether.
    bool addToCairo(cairo_t *cr) const;
    // Line width (0, or a width that is not a positive finite number, is the
    // thinnest line the device shows: one device pixel), cap, join, miter
    // limit and dash; a dash with a negative or non-finite length or with
    // only zero lengths is drawn solid.
    void applyStrokeSettings(cairo_t *cr) const;
    void applyFillRule(cairo_t *cr) const;

protected:
    enum class ElementChange {
        Appended,  // elements from `index` on are new
        Rebuilt,   // every element may have changed (transform)
        PointsSet, // the points of element `index` were replaced
        Cleared,   // the path is empty now
    };
    // Called once at the end of every public mutator; does nothing here.
    virtual void elementsDidChange(ElementChange change, int index);

private:
    // What every mutator calls at its end: drops what was found of the
    // elements, then tells the subclass.
    void elementsChanged(ElementChange change, int index)
    {
        m_finite = -1;
        m_stamp = nextStamp();
        elementsDidChange(change, index);
    }
    static std::uint64_t nextStamp();
    void addMove(Point p);
    void addLine(Point p);
    void addCurve(Point control1, Point control2, Point end);
    void ensureStartForDrawing();
    void addArc(Point center, double radius, double startDegrees, double sweepDegrees);

    std::vector<Element> m_elements;
    float m_lineWidth = 1;
    LineCapStyle m_lineCap = LineCapStyle::Butt;
    LineJoinStyle m_lineJoin = LineJoinStyle::Miter;
    float m_miterLimit = 10;
    WindingRule m_windingRule = WindingRule::NonZero;
    std::vector<float> m_dash;
    float m_dashPhase = 0;
    // hasFinitePoints as last found: 1 or 0, -1 when not known.
    mutable signed char m_finite = -1;
    std::uint64_t m_stamp = 0;
};

} // namespace scrivane
