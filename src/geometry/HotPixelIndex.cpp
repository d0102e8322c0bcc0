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
    const int n = int(points.size());
    // Nodes are numbered as in a heap; the ranges halve, so the numbers
    // stay below twice the next power of two above n.
    std::size_t nodes = 16;
    while (nodes < 2 * std::size_t(n) + 2)
        nodes *= 2;
    if (!engine::resizeTo(mIndex, std::size_t(n)) || !engine::resizeTo(mPoints, std::size_t(n))
        || !engine::resizeTo(mBoxes, nodes))
        return false;
    for (int i = 0; i < n; ++i)
        mIndex[std::size_t(i)] = i;
    struct Task {
        int node, lo, hi, depth;
    };
    std::vector<Task> stack;
    stack.push_back({0, 0, n, 0});
    while (!stack.empty()) {
        const Task t = stack.back();
        stack.pop_back();
        if (t.lo >= t.hi)
            continue;
        Box box{points[std::size_t(mIndex[std::size_t(t.lo)])].x, points[std::size_t(mIndex[std::size_t(t.lo)])].x,
                points[std::size_t(mIndex[std::size_t(t.lo)])].y, points[std::size_t(mIndex[std::size_t(t.lo)])].y};
        for (int k = t.lo; k < t.hi; ++k) {
            const GridPoint &p = points[std::size_t(mIndex[std::size_t(k)])];
            box.x0 = std::min(box.x0, p.x);
            box.x1 = std::max(box.x1, p.x);
            box.y0 = std::min(box.y0, p.y);
            box.y1 = std::max(box.y1, p.y);
        }
        mBoxes[std::size_t(t.node)] = {2 * box.x0 - 1, 2 * box.x1 + 1, 2 * box.y0 - 1, 2 * box.y1 + 1};
        if (t.hi - t.lo <= kLeafSize)
            continue;
        const int mid = (t.lo + t.hi) / 2;
        // Split across the longer side of the box.
        const bool byX = box.x1 - box.x0 >= box.y1 - box.y0;
        std::nth_element(mIndex.begin() + t.lo, mIndex.begin() + mid, mIndex.begin() + t.hi, [&](int i, int j) {
            const GridPoint &p = points[std::size_t(i)], &q = points[std::size_t(j)];
            return byX ? (p.x < q.x || (p.x == q.x && p.y < q.y)) : (p.y < q.y || (p.y == q.y && p.x < q.x));
        });
        stack.push_back({2 * t.node + 1, t.lo, mid, t.depth + 1});
        stack.push_back({2 * t.node + 2, mid + 1, t.hi, t.depth + 1});
    }
    for (int k = 0; k < n; ++k)
        mPoints[std::size_t(k)] = points[std::size_t(mIndex[std::size_t(k)])];
    return true;
}

} // namespace scrivane
