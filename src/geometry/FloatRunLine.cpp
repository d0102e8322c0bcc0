#include "geometry/FloatRunLine.h"

#include <cstdio>

namespace scrivane {

void FloatRunLine::clear()
{
    mBoundaries.clear();
    mRuns.clear();
}

void FloatRunLine::addBoundary(float position, std::uint8_t flag, float first, float second)
{
    mBoundaries.push_back({position, flag, first, second});
}

void FloatRunLine::addRun(float x, float x2, float valueStart, float valueEnd)
{
    const float slope = x2 != x ? (valueEnd - valueStart) / (x2 - x) : 0.0f;
    mRuns.push_back({x, x2, valueStart, valueEnd, slope});
}

void FloatRunLine::dump() const
{
    std::printf("%i : \n", int(mBoundaries.size()));
    for (const Boundary &b : mBoundaries)
        std::printf("(%f %f %f %i) ", double(b.position), double(b.first), double(b.second), int(b.flag));
    std::printf("\n");
    std::printf("%i : \n", int(mRuns.size()));
    for (const Run &r : mRuns)
        std::printf("(%f %f -> %f %f) ", double(r.x), double(r.valueStart), double(r.x2), double(r.valueEnd));
    std::printf("\n");
}

} // namespace scrivane
