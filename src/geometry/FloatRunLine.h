#pragma once

// The coverage of one line of pixels by a filled shape, at fractional x
// positions: runs over which the coverage varies linearly, and the
// boundaries they were made from.  IntRunLine turns the runs into whole
// pixels.

#include <cstdint>
#include <vector>

namespace scrivane {

class FloatRunLine
{
public:
    struct Boundary {
        float position = 0.0f;
        std::uint8_t flag = 0;
        float first = 0.0f;
        float second = 0.0f;
    };
    // From x to x2 the value goes linearly from valueStart to valueEnd.
    struct Run {
        float x = 0.0f;
        float x2 = 0.0f;
        float valueStart = 0.0f;
        float valueEnd = 0.0f;
        float slope = 0.0f;
    };

    void clear();
    void addBoundary(float position, std::uint8_t flag, float first, float second);
    // Appends a run; its slope follows from its ends (0 for a run without
    // width).
    void addRun(float x, float x2, float valueStart, float valueEnd);

    const std::vector<Boundary> &boundaries() const { return mBoundaries; }
    const std::vector<Run> &runs() const { return mRuns; }

    // Prints the boundaries and the runs to standard output.
    void dump() const;

private:
    std::vector<Boundary> mBoundaries;
    std::vector<Run> mRuns;
};

} // namespace scrivane
