#pragma once

// The hot pixels of a sweep (grid points where the rounded result must have
// a vertex), bucketed in a uniform grid of square cells so that the hot
// pixels near a segment are found by walking the cells along it.

#include "geometry/GridArithmetic.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace scrivane {

class HotPixelIndex
{
public:
    // `points` must stay alive and unchanged while the index is used.
    bool build(const std::vector<grid::GridPoint> &points);
    // Calls `visit(i, c, halfOpen)` for every hot pixel i (at c) whose
    // closed square (half a grid step around it) meets the segment a-b;
    // halfOpen tells whether the half-open square ([c - 1/2, c + 1/2) on
    // both axes, the square that rounding assigns to the pixel) meets it
    // too.  Pixels for which `skip(i)` holds are passed over: the test is
    // made for every pixel near the segment, without a branch of its own.
    template <typename Skip, typename Visit>
    void query(const grid::GridPoint &a, const grid::GridPoint &b, Skip &&skip, Visit &&visit) const;

    // Whether the segment a-b meets the square of side 1 around c: closed,
    // or half-open as above.
    static bool meetsPixel(const grid::GridPoint &a, const grid::GridPoint &b, const grid::GridPoint &c,
                           bool halfOpen);

private:
    static bool meetsBox(const grid::GridPoint &a, const grid::GridPoint &b, grid::Int x0, grid::Int x1,
                         grid::Int y0, grid::Int y1, bool halfOpen);

    const std::vector<grid::GridPoint> *mPoints = nullptr;
    grid::Int mMinX = 0, mMinY = 0;
    // Cells are four times as tall as wide: a row of cells is walked
    // across only where the segment passes it, so narrow columns visit
    // fewer pixels beside the segment, while tall rows keep their number
    // (each costs a little on its own) low.
    int mShiftX = 0, mShiftY = 0;
    grid::Int mColumns = 0, mRows = 0;
    // The pixels of every cell, with their coordinates at hand.
    struct Slot {
        std::int32_t x, y;
        int index;
    };
    std::vector<int> mCellStart; // per cell, into mCellPoints; one more at the end
    std::vector<Slot> mCellPoints;
};

template <typename Skip, typename Visit>
void HotPixelIndex::query(const grid::GridPoint &a, const grid::GridPoint &b, Skip &&skip, Visit &&visit) const
{
    using grid::Int;
    if (mColumns == 0)
        return;
    const Int loX = std::min(a.x, b.x), hiX = std::max(a.x, b.x);
    const Int loY = std::min(a.y, b.y), hiY = std::max(a.y, b.y);
    // Doubled units: the pixel's sides lie on odd numbers, the segment's
    // ends on even ones.
    const Int dx = b.x - a.x, dy = b.y - a.y;
    const Int reach = (dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy);
    auto cellOf = [](Int v, Int origin, int shift, Int count) {
        const Int c = (v - origin) >> shift;
        return c < 0 ? Int(0) : (c >= count ? count - 1 : c);
    };
    // The closed square of a pixel meets the segment's box exactly when
    // its centre lies in the box (both are on the grid), and the segment
    // when besides the line passes within the square.  Within each row of
    // cells only the columns near the segment are visited.
    const Int rowFirst = cellOf(loY, mMinY, mShiftY, mRows), rowLast = cellOf(hiY, mMinY, mShiftY, mRows);
    const double slope = dy != 0 ? double(dx) / double(dy) : 0.0;
    for (Int row = rowFirst; row <= rowLast; ++row) {
        Int xLo = loX, xHi = hiX;
        if (rowFirst != rowLast && dy != 0 && dx != 0) {
            const Int bandLo = std::max(mMinY + (row << mShiftY) - 1, loY);
            const Int bandHi = std::min(mMinY + ((row + 1) << mShiftY) + 1, hiY);
            const double x0 = double(a.x) + slope * double(bandLo - a.y);
            const double x1 = double(a.x) + slope * double(bandHi - a.y);
            // Truncation errs by less than one step either way, which a
            // margin of two covers (floor and ceil would be library calls).
            xLo = std::max(loX, Int(std::min(x0, x1)) - 2);
            xHi = std::min(hiX, Int(std::max(x0, x1)) + 2);
        }
        const Int colFirst = cellOf(xLo, mMinX, mShiftX, mColumns), colLast = cellOf(xHi, mMinX, mShiftX, mColumns);
        const int *start = mCellStart.data() + row * mColumns;
        for (int k = start[colFirst], end = start[colLast + 1]; k < end; ++k) {
            const Slot &slot = mCellPoints[std::size_t(k)];
            const grid::GridPoint c{slot.x, slot.y};
            if (c.x < loX || c.x > hiX || c.y < loY || c.y > hiY)
                continue;
            Int side = 2 * (dx * (c.y - a.y) - dy * (c.x - a.x));
            if (side < 0)
                side = -side;
            // Most pixels near a segment are its own, to be skipped: one
            // test for both keeps the branch predictable.
            if (((reach - side) | -Int(skip(slot.index))) < 0)
                continue;
            // Strictly inside: the open square is met.  Only the rare
            // boundary cases need the exact half-open test.
            const bool open = side < reach;
            visit(slot.index, c, open || meetsPixel(a, b, c, true));
        }
    }
}

} // namespace scrivane
