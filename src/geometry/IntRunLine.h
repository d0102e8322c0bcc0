#pragma once

// The coverage of one line of pixels by a filled shape, at whole pixel
// positions: runs from a start pixel to an end pixel (exclusive) over which
// the coverage varies linearly.  They are made either from contributions
// (each starting at one pixel with one value and ending at another with
// another, the value linear in between, overlapping contributions adding
// up) or from the runs of a FloatRunLine, whose partly covered pixels get
// their exact covered area.

#include <vector>

namespace scrivane {

class FloatRunLine;

class IntRunLine
{
public:
    struct Boundary {
        int x = 0;
        int kind = 0; // 1 starts a contribution, 0 ends one
        float value = 0.0f;
        int partner = -1; // the boundary at the other end of the contribution
    };
    struct Run {
        int start = 0;
        int end = 0; // exclusive
        float valueStart = 0.0f;
        float valueEnd = 0.0f;
    };

    void clear();
    // One contribution from pixel x0 (value v0) to pixel x1 (value v1).
    void addContribution(int x0, float v0, int x1, float v1);
    const std::vector<Boundary> &boundaries() const { return mBoundaries; }
    const std::vector<Run> &runs() const { return mRuns; }

    // The runs of the contributions, left to right.  A contribution that
    // ends where it starts, or before, covers nothing and is left out.
    void flatten();
    // Replaces this line by pixel runs of the source's runs.
    void fromFloatRuns(const FloatRunLine &source);

    // Prints the runs to standard output.
    void dump() const;

private:
    std::vector<Boundary> mBoundaries;
    std::vector<Run> mRuns;
};

// The order of boundaries in a sweep: by x, an end before a start at the
// same x; -1, 0 or 1.
int compareIntBoundaries(const IntRunLine::Boundary &a, const IntRunLine::Boundary &b);

} // namespace scrivane
