#include "geometry/HotPixelIndex.h"

#include "geometry/EngineStorage.h"

#include <algorithm>

namespace scrivane {

using grid::GridPoint;
using grid::Int;

bool HotPixelIndex::meetsBox(const GridPoint &a, const GridPoint &b, Int x0, Int x1, Int y0, Int y1, bool halfOpen)
{
    // Clip the parameter range [0, 1] of a + t (b - a) by both slabs, with
    // the bounds kept as exact fractions; the upper sides are open for a
    // half-open box.
    Int loNum = 0, loDen = 1, hiNum = 1, hiDen = 1;
    bool loStrict = false, hiStrict = false;
    auto raiseLo = [&](Int num, Int den, bool strict) {
        const Int c = num * loDen - loNum * den;
        if (c > 0) {
            loNum = num;
            loDen = den;
            loStrict = strict;
        } else if (c == 0) {
            loStrict = loStrict || strict;
        }
    };
    auto lowerHi = [&](Int num, Int den, bool strict) {
        const Int c = num * hiDen - hiNum * den;
        if (c < 0) {
            hiNum = num;
            hiDen = den;
            hiStrict = strict;
        } else if (c == 0) {
            hiStrict = hiStrict || strict;
        }
    };
    auto axis = [&](Int p, Int d, Int lo, Int hi) {
        if (d == 0)
            return p >= lo && (halfOpen ? p < hi : p <= hi);
        if (d > 0) {
            raiseLo(lo - p, d, false);
            lowerHi(hi - p, d, halfOpen);
        } else {
            lowerHi(p - lo, -d, false);
            raiseLo(p - hi, -d, halfOpen);
        }
        return true;
    };
    if (!axis(a.x, b.x - a.x, x0, x1) || !axis(a.y, b.y - a.y, y0, y1))
        return false;
    const Int c = loNum * hiDen - hiNum * loDen;
    return c < 0 || (c == 0 && !loStrict && !hiStrict);
}

bool HotPixelIndex::meetsPixel(const GridPoint &a, const GridPoint &b, const GridPoint &c, bool halfOpen)
{
    // In doubled units the pixel's sides lie on odd numbers and the segment's
    // ends on even ones.
    const Int x0 = 2 * c.x - 1, x1 = 2 * c.x + 1, y0 = 2 * c.y - 1, y1 = 2 * c.y + 1;
    const Int ax = 2 * a.x, bx = 2 * b.x, ay = 2 * a.y, by = 2 * b.y;
    if (std::max(ax, bx) < x0 || std::min(ax, bx) > x1 || std::max(ay, by) < y0 || std::min(ay, by) > y1)
        return false;
    return meetsBox({ax, ay}, {bx, by}, x0, x1, y0, y1, halfOpen);
}

bool HotPixelIndex::build(const std::vector<GridPoint> &points)
{
    mPoints = &points;
    mColumns = mRows = 0;
    const std::size_t n = points.size();
    if (n == 0)
        return true;
    Int minX = points[0].x, maxX = minX, minY = points[0].y, maxY = minY;
    for (const GridPoint &p : points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    // Rows of a power-of-two height, at most about one hot pixel per square
    // of that side; columns a quarter as wide.
    int shift = 0;
    auto cells = [&](int s) { return (((maxX - minX) >> s) + 1) * (((maxY - minY) >> s) + 1); };
    while (cells(shift) > Int(2 * n + 1))
        ++shift;
    const int shiftX = std::max(shift - 2, 0);
    mShiftX = shiftX;
    mShiftY = shift;
    mMinX = minX;
    mMinY = minY;
    const Int columns = ((maxX - minX) >> shiftX) + 1, rows = ((maxY - minY) >> shift) + 1;
    if (!engine::resizeTo(mCellStart, std::size_t(columns * rows + 1)) || !engine::resizeTo(mCellPoints, n))
        return false;
    std::fill(mCellStart.begin(), mCellStart.end(), 0);
    auto cellOf = [&](const GridPoint &p) { return ((p.y - minY) >> shift) * columns + ((p.x - minX) >> shiftX); };
    for (const GridPoint &p : points)
        mCellStart[std::size_t(cellOf(p)) + 1] += 1;
    for (std::size_t c = 1; c < mCellStart.size(); ++c)
        mCellStart[c] += mCellStart[c - 1];
    // Filled in order, so that each cell lists its pixels in sweep order;
    // the starts are shifted by one cell while filling and put back after.
    for (std::size_t i = 0; i < n; ++i)
        mCellPoints[std::size_t(mCellStart[std::size_t(cellOf(points[i]))]++)] = {
            std::int32_t(points[i].x), std::int32_t(points[i].y), int(i)};
    for (std::size_t c = mCellStart.size() - 1; c > 0; --c)
        mCellStart[c] = mCellStart[c - 1];
    mCellStart[0] = 0;
    mColumns = columns;
    mRows = rows;
    return true;
}

} // namespace scrivane
