#pragma once

// The hot pixels of a sweep (grid points where the rounded result must have
// a vertex), indexed so that every hot pixel near a segment is found without
// walking the segment pixel by pixel.

#include "geometry/GridArithmetic.h"

#include <vector>

namespace scrivane {

class HotPixelIndex
{
public:
    // `points` must stay alive and unchanged while the index is used.
    bool build(const std::vector<grid::GridPoint> &points);
    // Calls `visit(i)` for every hot pixel i whose closed square (half a grid
    // step around it) meets the segment a-b.
    template <typename Visit>
    void query(const grid::GridPoint &a, const grid::GridPoint &b, Visit &&visit) const;

    // Whether the segment a-b meets the square of side 1 around c: closed,
    // or half-open ([c - 1/2, c + 1/2) on both axes) as rounding assigns
    // points to pixels.
    static bool meetsPixel(const grid::GridPoint &a, const grid::GridPoint &b, const grid::GridPoint &c,
                           bool halfOpen);

private:
    struct Box {
        grid::Int x0 = 0, x1 = -1, y0 = 0, y1 = -1;
    };
    struct Range {
        int node, lo, hi;
    };
    static constexpr int kLeafSize = 8;
    static bool meetsBox(const grid::GridPoint &a, const grid::GridPoint &b, grid::Int x0, grid::Int x1,
                         grid::Int y0, grid::Int y1, bool halfOpen);

    std::vector<int> mIndex;                // hot pixel index, in tree order
    std::vector<grid::GridPoint> mPoints;   // the same pixels, in tree order
    std::vector<Box> mBoxes;                // per node, in doubled units, closed
    mutable std::vector<Range> mStack;
};

template <typename Visit>
void HotPixelIndex::query(const grid::GridPoint &a, const grid::GridPoint &b, Visit &&visit) const
{
    if (mPoints.empty())
        return;
    const grid::Int minX = 2 * std::min(a.x, b.x), maxX = 2 * std::max(a.x, b.x);
    const grid::Int minY = 2 * std::min(a.y, b.y), maxY = 2 * std::max(a.y, b.y);
    const grid::GridPoint a2{2 * a.x, 2 * a.y}, b2{2 * b.x, 2 * b.y};
    mStack.clear();
    mStack.push_back({0, 0, int(mPoints.size())});
    while (!mStack.empty()) {
        const Range r = mStack.back();
        mStack.pop_back();
        if (r.lo >= r.hi)
            continue;
        const Box &box = mBoxes[std::size_t(r.node)];
        if (box.x1 < minX || box.x0 > maxX || box.y1 < minY || box.y0 > maxY)
            continue;
        // A segment along one axis meets every box its bounding box meets.
        if (a.x != b.x && a.y != b.y && !meetsBox(a2, b2, box.x0, box.x1, box.y0, box.y1, false))
            continue;
        if (r.hi - r.lo <= kLeafSize) {
            for (int k = r.lo; k < r.hi; ++k) {
                if (meetsPixel(a, b, mPoints[std::size_t(k)], false))
                    visit(mIndex[std::size_t(k)]);
            }
            continue;
        }
        const int mid = (r.lo + r.hi) / 2;
        if (meetsPixel(a, b, mPoints[std::size_t(mid)], false))
            visit(mIndex[std::size_t(mid)]);
        mStack.push_back({2 * r.node + 1, r.lo, mid});
        mStack.push_back({2 * r.node + 2, mid + 1, r.hi});
    }
}

} // namespace scrivane
