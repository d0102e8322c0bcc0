#pragma once

#include "model/PathElements.h"
#include "model/PressureSource.h"
#include "model/TDBezierPathCache.h"
#include "model/TDIntersection.h"
#include "model/curvefit/GeometryHelpers.h"
#include "platform/Archivable.h"
#include "platform/PropertyList.h"

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace scrivane {

class KeyedUnarchiver;

// Coordinate by coordinate a - b and a + b (the pressure curve works on its
// points with these).
constexpr Point TDPointSubtract(Point a, Point b)
{
    return Point(a.x - b.x, a.y - b.y);
}
constexpr Point TDPointAdd(Point a, Point b)
{
    return Point(a.x + b.x, a.y + b.y);
}

// The path type of the whole program: every graphic's shape, mapped brush
// stroke, text baseline and arrowhead.  Beside building and copying, it
// answers positions along the path, hit tests and crossings, cuts and
// shortens, and maps shapes drawn in stroke space onto itself.
//
// Positions along a path are overall fractions of its total length, 0 at
// the start and 1 at the end.  A fraction maps to an element index (never
// the initial move, never an element of zero length) and a local fraction of
// that element's length, which the point and tangent formulas use as the
// curve parameter.  A position exactly on the border between two elements
// belongs to the later one.  Lengths are subtracted one element after the
// other in single precision, and the element found for a fraction near a
// border follows that order of rounding.
//
// Stroke space: shapes laid along a path are drawn with x the overall
// fraction along it and y the distance to its left in line widths, scaled
// by the pressure factor at x when the path has a pressure source.
//
// Element indexes handed in by callers are checked: an index out of range
// answers zero values and changes nothing.
class TDBezierPath : public TDBezierPathCache, public Archivable {
public:
    TDBezierPath() = default;
    // The elements and attributes of `path`, measured.
    explicit TDBezierPath(const PathBase &path) : TDBezierPathCache(path) {}

    static TDBezierPath bezierPath() { return TDBezierPath(); }
    // A path with the other path's elements and its join and cap styles (not
    // its width or winding rule).
    static TDBezierPath bezierPathWithPath(const PathBase &path);

    // A copy of the elements only: default attributes, no pressure source.
    TDBezierPath copy() const;

    // The source of the stroke width factor along the path while a mapping
    // runs; not owned.  None means a factor of 1.
    void setPressure(const PressureSource *pressure) { m_pressure = pressure; }
    const PressureSource *pressure() const { return m_pressure; }

    TDBezierPath bezierPathByReversingPath() const;
    TDBezierPath bezierPathByFlatteningPath(float flatness = DefaultFlatness) const;

    // On an empty path a move to P[0]; then, unless P[3] equals P[0]
    // exactly, a curve to P[3] with control points P[1] and P[2].
    void appendCurve(std::span<const Point, 4> P);
    // Appends the elements first .. end - 1 of `path` (clamped to its
    // elements; nothing when first >= end).
    TDBezierPath &appendBezierPath(const PathBase &path, int first, int end);
    // One path per subpath that draws something, in order.
    std::vector<TDBezierPath> split() const;

    // --- Parametrisation ---------------------------------------------------------
    // The element holding overall fraction f; `t` receives the local
    // fraction.  Below 0 the first drawing element with t below 0; at 1 and
    // beyond the last element of non-zero length with t = 1 and more.  A path
    // without any length answers its last drawing element (or 0) with t = 0.
    int elementPercentage(float &t, float f) const;
    // The local fraction of f in element e, without searching (it may fall
    // outside [0, 1]); 0 for an element of zero length.
    float elementPercentageFromElement(int e, float f) const;
    // The overall fraction of local fraction t in element e.
    float overallPercentageForElementPercentage(float t, int e) const;
    int lastElementAccessed() const { return m_lastElement; }
    float lastElementPercentage() const { return m_lastElementPercentage; }

    // Point, unit tangent, derivative and curvature in element e at local
    // fraction t.  A move element (or an index out of range) answers zero.
    Point pointAt(float t, int e) const;
    Point rawGradientAt(float t, int e) const;
    // The unit tangent, t clamped to [0.001, 0.999]; the zero vector where
    // the element has no direction (an element of zero length).
    Point gradientAt(float t, int e) const;
    // The derivative with respect to the overall fraction; zero for an
    // element of zero length.
    Point myGradientAt(float t, int e) const;
    // Signed curvature of a curve element (0 for lines, closes and where the
    // derivative vanishes).
    float curvatureAt(float t, int e) const;
    // The curve parameter at which the arc length from the element's start
    // is t times its length (t itself for other elements; 0 at or before
    // the start, 1 at the end, t beyond it).
    float betterPointAt(float t, int e) const;

    // The same at overall fraction f.  `curvatureAt` is clamped to [-1, 1];
    // `betterPointAt` answers an overall fraction corrected for arc length
    // within curves.
    Point pointAt(float f) const;
    Point gradientAt(float f) const;
    Point myGradientAt(float f) const;
    float curvatureAt(float f) const;
    float betterPointAt(float f) const;

    // A point of stroke space placed along the path: x along (an overall
    // fraction), y to the left in line widths times the pressure factor at
    // x.
    Point transformedCoordinate(Point p) const;
    // x is a local fraction in element e; no pressure factor.
    Point transformedCoordinate(Point p, int e) const;
    // x is an overall fraction, taken as a local fraction of element e.
    Point transformedTotalCoordinate(Point p, int e) const;
    // x mapped, then kept within elements first .. last and within them.
    Point transformedCoordinate(Point p, int first, int last) const;

    // --- Hit tests and crossings -------------------------------------------------
    // Whether the point lies within lineWidth / 2 + 1 of the path.
    bool intersectsPoint(Point p) const;
    // Whether the point lies within width / 2 + 1 of the path: the first
    // element in path order that comes that near answers, with its nearest
    // point, parameter and index.  On a miss the index is the element count.
    bool intersectsPoint(Point p, float width, Point *nearPoint, float *t, int *element) const;
    // Nearest point on the segment a-b and its parameter; a segment of zero
    // length answers its start.
    static void line(Point a, Point b, Point p, Point &nearPoint, float &t);
    // Nearest point on the cubic and its parameter.
    static void curve(std::span<const Point, 4> V, Point p, Point &nearPoint, float &t);
    // Whether an element's end point lies in the rectangle or the path
    // crosses one of its edges (a path around the rectangle does not).
    bool intersectsRect(const Rect &rect) const;
    // The crossings with a straight segment in element order, into
    // `intersections` (emptied first) when given; whether there is any.
    bool intersectsLine(const LineSegment &segment, std::vector<TDIntersection> *intersections) const;
    // The crossings of a segment with one element on its own (segment -1).
    static bool line(const LineSegment &segment, const SegmentPoints &points, PathElementType type,
                     std::vector<TDIntersection> *intersections);
    // Bounds of the path stroked with `width`, miter tips included.
    Rect strokeBoundsWithWidth(float width) const;
    // The same with the join and cap the line is drawn with, which may be
    // another's than the path's own; `dashed` when a dash pattern applies.
    Rect strokeBoundsWithWidth(float width, LineJoinStyle join, LineCapStyle cap, bool dashed) const;

    // --- Cutting, shortening, smoothing ------------------------------------------
    static void cutSegment(SegmentPoints &segment, PathElementType type, float t0, float t1);
    // Trims the element to begin at its first crossing with the line.
    static void cutStartOfSegment(SegmentPoints &segment, PathElementType type, const LineSegment &line);
    static void transformSegment(SegmentPoints &segment, PathElementType type, const AffineTransform &t);
    // On an empty path a move to S first; then the line or curve.
    void appendSegment(const SegmentPoints &segment, PathElementType type);
    // The path from overall fraction f to its end, and from its start to f.
    TDBezierPath shortenStartTo(float f) const;
    TDBezierPath shortenEndTo(float f) const;
    // The path with every line and curve cut where the borders of the
    // other path's elements fall (x read as an overall fraction of it); every
    // drawing element of the result is a curve.
    TDBezierPath cutOnPath(const TDBezierPath &other) const;
    // Makes the node between curves i - 1 and i smooth, both handles turned
    // onto the bisecting direction.  Nothing unless both are curves; a
    // handle of zero length, or handles that point the same way, leave the
    // node as it is.
    void smoothJoint(int i);

    // --- Mapping -----------------------------------------------------------------------
    // The receiver, drawn in stroke space, laid along `target` with the given
    // width (which becomes the target's line width) and pressure source.
    // A target without length gives an empty result.
    TDBezierPath mappedToPath(TDBezierPath &target, float width, const PressureSource *pressure) const;
    TDBezierPath mappedToPath(TDBezierPath &target, float width) const;
    // The shape placed on the stretch [start, end] of the target.
    TDBezierPath mappedToPath(TDBezierPath &target, float width, float start, float end) const;
    TDBezierPath recursiveSubdivideOntoPath(TDBezierPath &target, float width) const;
    // The transformation that makes `box` the unit box of stroke space: its
    // left edge x = 0, its right edge x = 1, its middle y = 0, its height 1.
    static AffineTransform unitBoxTransform(const Rect &box);

    // --- Through the polygon engine (TDBezierPath+Boolean.cpp) ----------------------
    // The path without self-intersections or overlaps under its own winding
    // rule.  Nothing, with the reason in `error`, when the engine refuses it
    // (coordinates beyond its reach, too many crossings).
    std::optional<TDBezierPath> outline(QString *error = nullptr) const;
    // The area the path's stroke covers, with its own line width, join, cap
    // and miter limit, as a path to fill.  Nothing for a line width that is
    // not a positive number or when the engine refuses the path.
    std::optional<TDBezierPath> outlineOfPath(QString *error = nullptr) const;

    // --- Stored forms --------------------------------------------------------------
    // A path stands in archives as an object of class "TDBezierPath" with
    // its elements and attributes as keyed values (docs/file-format.md); in
    // a property-list dictionary it is the path object itself.
    static QString className() { return QStringLiteral("TDBezierPath"); }
    QString archiveClassName() const override { return className(); }
    QStringList archiveClassHierarchy() const override;
    void encode(KeyedArchiver &archiver) const override;
    // Paths are values: equal when their elements and attributes are.
    bool isEqualTo(const Archivable &other) const override;
    // Reads what `encode` wrote; damaged values end the reading with a
    // message.
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    // Makes the class known to every keyed unarchiver (once, before
    // documents are read).
    static void registerArchiveClass();

    // The property-list form of the legacy YAML documents: one entry per
    // element, ["moveto", x, y], ["lineto", x, y], ["curveto", x1, y1, x2,
    // y2, x, y] and the string "close".
    PropertyList toYAML() const;
    // Reads that form and the older ones ("move" or "line" followed by a
    // point string, "curve" followed by three, and texts such as
    // "moveto 1 2"); entries it cannot read are skipped.
    static TDBezierPath objectWithYAML(const PropertyList &list);
    // Replaces the points of one element from a dictionary with the points
    // under "p[0]", "p[1]", "p[2]" (point values or "{x, y}" texts) and the
    // element index under "i"; points it lacks stay as they are.
    void setAssociatedPointsDict(const PropertyList &dictionary);

protected:
    void elementsDidChange(ElementChange change, int index) override;

private:
    int locate(float &t, float f) const;

    // The last few fractions mapped, since a mapping asks for the same
    // positions again and again (a point, its tangent and curvature).
    struct Located {
        float f = 0;
        int element = -1;
        float t = 0;
    };
    static constexpr int RecentLookups = 4;
    mutable Located m_recent[RecentLookups];
    mutable int m_nextRecent = 0;

    const PressureSource *m_pressure = nullptr;
    // elementPercentage, remembered for lastElementAccessed and
    // lastElementPercentage.
    int rememberedElementPercentage(float &t, float f) const;
    mutable int m_lastElement = 0;
    mutable float m_lastElementPercentage = 0;
};

} // namespace scrivane
