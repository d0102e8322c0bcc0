#pragma once

// Checks shared by every polygon engine test and fuzzer: what any result of
// normalisation or a boolean must satisfy, and an independent winding-number
// routine to sample results against.

#include <string>
#include <vector>

namespace scrivane {
class PolyGraph;
}

namespace scrivane::test {

struct Segment2 {
    double ax, ay, bx, by;
};

// Empty when the graph is a valid normalised result: every point on the
// 1/32 grid, no two edges crossing or overlapping and no point inside an
// edge, no duplicate edges, every point with as many edges in as out, and
// the filled side (winding 1) on the side of (dy, -dx) of every edge with
// the other side empty (winding 0).  Otherwise a description of the first
// fault found.
std::string checkNormalizedGraph(const PolyGraph &graph);

std::vector<Segment2> segmentsOf(const PolyGraph &graph);

// Winding number in the engine's convention: crossing an edge from its
// (-dy, dx) side to its (dy, -dx) side adds one.  Computed directly from the
// segments by ray casting, independent of the engine.
int windingNumber(const std::vector<Segment2> &segments, double x, double y);

// Distance from a point to the nearest segment.
double distanceToSegments(const std::vector<Segment2> &segments, double x, double y);

// Filled area (the engine's orientation counts positive).
double filledArea(const PolyGraph &graph);

// Empty when two graphs draw the same directed edges: every edge is cut
// into the shortest steps of its grid direction, and both graphs must have
// the same steps, so that an edge split by a point in one graph still
// matches the whole edge in the other.  Otherwise the first difference.
std::string compareDrawings(const PolyGraph &a, const PolyGraph &b);

} // namespace scrivane::test
