#pragma once

#include "platform/PathBase.h"

#include <memory>
#include <span>
#include <vector>

namespace scrivane {

// A bezier path that keeps, beside its elements, the length of every
// element and the total length, in step after every change: appending
// measures only the new elements, a transformation measures all of them
// again, and replacing the points of one element measures again the
// elements whose shape that changes.  Positions along the path, hit tests
// and mappings read these lengths instead of measuring again.
//
// Lengths are single precision: a line is the distance between its ends, a
// curve its arc length by subdivision within 0.1, a close the length of its
// closing line; moves measure 0.  The total is the sum of the element
// lengths in index order, and `lengthToElement` the same sum up to an
// element, so that both agree to the last bit with a sum taken in that
// order.
class TDBezierPathCache : public PathBase {
public:
    TDBezierPathCache() = default;
    TDBezierPathCache(const TDBezierPathCache &other);
    TDBezierPathCache(TDBezierPathCache &&other) noexcept = default;
    TDBezierPathCache &operator=(const TDBezierPathCache &other);
    TDBezierPathCache &operator=(TDBezierPathCache &&other) noexcept = default;
    ~TDBezierPathCache() override = default;
    // The elements and attributes of `path`, measured.
    explicit TDBezierPathCache(const PathBase &path);

    static TDBezierPathCache bezierPath() { return TDBezierPathCache(); }
    static TDBezierPathCache bezierPathWithRect(const Rect &rect);
    static TDBezierPathCache bezierPathWithOvalInRect(const Rect &rect);

    // A copy of the elements only: line width, cap, join, miter limit, dash
    // and winding rule are the defaults.  (Copy construction copies
    // everything.)
    TDBezierPathCache copy() const;

    // --- Lengths -----------------------------------------------------------------
    // The total length.
    float length() const;
    // The length of element `index`; 0 for an index out of range.
    float lengthOfElement(int index) const;
    // Every element's length, in index order.
    std::span<const float> elementLengths() const { return m_lengths; }
    // The sum of the lengths of elements 0 to `index` - 1; 0 when index < 1,
    // the total for an index beyond the last element.
    float lengthToElement(int index) const;
    // The element a walk goes on with after `index`: for a close the move
    // that began its subpath, otherwise index + 1.  An index out of range
    // answers index + 1.
    int nextElementFrom(int index) const;
    // Subtracts the lengths of elements 1, 2, ... from `d` one after the
    // other in single precision, and answers the first element after which
    // `d` is below 0 (`d` then holds that result), or the element count when
    // it never drops below 0 (`d` holds what is left).  Long paths answer
    // through tables that reproduce every rounding of the one-by-one walk.
    int subtractLengthsUntilNegative(float &d) const;
    // Measures element `index` from the path's points (0 out of range).
    float calculateLengthOfElement(int index) const;
    // The start point of element `index`: the end point of the element
    // before it (for a close before it, the start of that closed subpath).
    // The origin for element 0 and for an index out of range.
    Point startPointOfElement(int index) const;
    // The end point of element `index`: its point, a curve's last point, or
    // for a close the start of its subpath.  The origin out of range.
    Point endPointOfElement(int index) const;
    // The index of the move that began the subpath of element `index` (a
    // move answers itself); 0 out of range.
    int subpathStartOfElement(int index) const;

    // Measures the elements from the first one not measured yet, or every
    // element again.  Mutators call these themselves.
    void updateElements();
    void updateAllElements();

    // --- Derived paths, measured --------------------------------------------
    TDBezierPathCache bezierPathByFlatteningPath(float flatness = DefaultFlatness) const;
    TDBezierPathCache bezierPathByReversingPath() const;

    // The smallest rectangle around the element and its start point,
    // control points included (the curve lies inside it); the zero
    // rectangle out of range.
    Rect controlBoundsOfElement(int index) const;

protected:
    void elementsDidChange(ElementChange change, int index) override;

private:
    struct Bounds {
        float minX = 0, minY = 0, maxX = 0, maxY = 0;
    };
    void measureFrom(int first);
    void measureElement(int index);
    void invalidateSums() const;
    void ensureSums() const;

    // Within one binary exponent range of `d` (d in [2^(e-1), 2^e)), a
    // single-precision subtraction of a length changes d by that length
    // rounded to the range's step 2^(e-24), as long as the result stays in
    // the range and the length is not exactly half way between two steps.
    // A table holds the running sums of the rounded lengths for one range,
    // so that a run of subtractions is one search.
    struct ChainTable {
        int exponent = 0;
        std::vector<long long> prefix; // prefix[k]: rounded lengths 1 .. k
        std::vector<int> ties;         // elements half way between two steps
    };
    const ChainTable *chainTable(int exponent) const;
    void clearChainTables();

    // Built on demand, indexed by exponent (exponents beyond the table
    // vector's reach are walked one by one).
    mutable std::vector<std::unique_ptr<ChainTable>> m_chainTables;
    mutable long long m_chainTableEntries = 0;
    mutable int m_lookupsSinceChange = 0;

    std::vector<float> m_lengths;
    std::vector<int> m_subpathStart;
    std::vector<Bounds> m_bounds;
    // Running sums of the lengths in index order: m_prefix[i] is the length
    // of elements 0 .. i-1, the last entry the total.  Rebuilt on demand
    // after points were replaced.
    mutable std::vector<float> m_prefix{0.0f};
    mutable bool m_sumsValid = true;
};

} // namespace scrivane
