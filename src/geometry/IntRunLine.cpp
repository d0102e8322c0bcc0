#include "geometry/IntRunLine.h"

#include "geometry/FloatRunLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace scrivane {

int compareIntBoundaries(const IntRunLine::Boundary &a, const IntRunLine::Boundary &b)
{
    if (a.x != b.x)
        return a.x < b.x ? -1 : 1;
    if (a.kind != b.kind)
        return a.kind < b.kind ? -1 : 1;
    return 0;
}

void IntRunLine::clear()
{
    mBoundaries.clear();
    mRuns.clear();
}

void IntRunLine::addContribution(int x0, float v0, int x1, float v1)
{
    const int start = int(mBoundaries.size());
    mBoundaries.push_back({x0, 1, v0, start + 1});
    mBoundaries.push_back({x1, 0, v1, start});
}

void IntRunLine::flatten()
{
    mRuns.clear();
    if (mBoundaries.size() < 2) {
        mBoundaries.clear();
        return;
    }
    const int n = int(mBoundaries.size());
    // Contributions whose end does not lie after their start cover nothing;
    // in the sweep their end would come before they opened.
    std::vector<char> used(std::size_t(n), 0);
    for (int i = 0; i < n; ++i) {
        const Boundary &b = mBoundaries[std::size_t(i)];
        if (b.kind != 1 || b.partner < 0 || b.partner >= n)
            continue;
        const Boundary &e = mBoundaries[std::size_t(b.partner)];
        if (e.kind == 0 && e.partner == i && e.x > b.x)
            used[std::size_t(i)] = used[std::size_t(b.partner)] = 1;
    }
    std::vector<int> order;
    for (int i = 0; i < n; ++i)
        if (used[std::size_t(i)])
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return compareIntBoundaries(mBoundaries[std::size_t(a)], mBoundaries[std::size_t(b)]) < 0;
    });
    std::vector<Boundary> sorted;
    std::vector<int> position(std::size_t(n), -1);
    for (int k = 0; k < int(order.size()); ++k) {
        position[std::size_t(order[std::size_t(k)])] = k;
        sorted.push_back(mBoundaries[std::size_t(order[std::size_t(k)])]);
    }
    for (Boundary &b : sorted)
        b.partner = position[std::size_t(b.partner)];
    mBoundaries = std::move(sorted);

    // The end boundaries of the contributions that are open.
    std::vector<int> open;
    bool hasEarlier = false;
    int earlierX = 0;
    float leaving = 0.0f;
    const int m = int(mBoundaries.size());
    for (int k = 0; k < m;) {
        const int x = mBoundaries[std::size_t(k)].x;
        int j = k;
        float ending = 0.0f, starting = 0.0f;
        for (; j < m && mBoundaries[std::size_t(j)].x == x && mBoundaries[std::size_t(j)].kind == 0; ++j) {
            open.erase(std::remove(open.begin(), open.end(), j), open.end());
            ending += mBoundaries[std::size_t(j)].value;
        }
        float others = 0.0f;
        for (const int end : open) {
            const Boundary &e = mBoundaries[std::size_t(end)], &s = mBoundaries[std::size_t(e.partner)];
            others += s.value + (e.value - s.value) * float(x - s.x) / float(e.x - s.x);
        }
        for (; j < m && mBoundaries[std::size_t(j)].x == x; ++j) {
            open.push_back(mBoundaries[std::size_t(j)].partner);
            starting += mBoundaries[std::size_t(j)].value;
        }
        if (hasEarlier && earlierX < x)
            mRuns.push_back({earlierX, x, leaving, ending + others});
        leaving = others + starting;
        earlierX = x;
        hasEarlier = !open.empty();
        k = j;
    }
}

void IntRunLine::fromFloatRuns(const FloatRunLine &source)
{
    clear();
    bool pending = false;
    int pendingPixel = 0;
    float pendingArea = 0.0f;
    auto writePending = [&] {
        if (pending)
            mRuns.push_back({pendingPixel, pendingPixel + 1, pendingArea, pendingArea});
        pending = false;
    };
    // Adds area to the partial pixel p, writing another pending pixel first.
    auto addPartial = [&](int p, float area) {
        if (pending && pendingPixel == p) {
            pendingArea += area;
            return;
        }
        writePending();
        pending = true;
        pendingPixel = p;
        pendingArea = area;
    };
    auto onEdge = [](float x) { return x - std::floor(x) < 1e-5f; };
    for (const FloatRunLine::Run &run : source.runs()) {
        const float x1 = run.x, x2 = run.x2, c1 = run.valueStart, c2 = run.valueEnd;
        // A run without width, or running backwards, covers nothing.
        if (!(x2 > x1) || !std::isfinite(x1) || !std::isfinite(x2))
            continue;
        const int l = int(std::floor(x1)), r = int(std::floor(x2));
        const int f = onEdge(x1) ? l : l + 1;
        auto valueAt = [&](float x) { return x == x1 ? c1 : (x == x2 ? c2 : c1 + (x - x1) * run.slope); };
        if (!onEdge(x1) && !onEdge(x2) && r <= l) {
            addPartial(l, (c1 + c2) / 2 * (x2 - x1));
            continue;
        }
        if (!onEdge(x1)) {
            addPartial(l, (c1 + valueAt(float(f))) / 2 * (float(l + 1) - x1));
            writePending();
        }
        if (f < r) {
            writePending();
            mRuns.push_back({f, r, valueAt(float(f)), valueAt(float(r))});
        }
        if (!onEdge(x2))
            addPartial(r, (valueAt(float(r)) + c2) / 2 * (x2 - float(r)));
    }
    writePending();
}

void IntRunLine::dump() const
{
    std::printf("%i : \n", int(mRuns.size()));
    for (const Run &r : mRuns)
        std::printf("(%i %f -> %i %f) ", r.start, double(r.valueStart), r.end, double(r.valueEnd));
    std::printf("\n");
}

} // namespace scrivane
