// Fuzzes normalisation, the boolean and the rebuild into commands with two
// operands read from the input, and checks every result with the invariant
// checker the tests share.  The one-sweep boolean of the raw operands is
// cross-checked against the step-by-step road: both valid, the same filled
// set away from the source edges, and areas within what rounding moves.  Inputs are bounded in size (and so in time); the
// harness adds libFuzzer's per-input timeout on top.

#include "../geometry/GraphInvariants.h"

#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"
#include "geometry/PolyGraph.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using scrivane::CommandPath;
using scrivane::PolyGraph;

constexpr std::size_t kMaxInput = 1024;
constexpr int kMaxPoints = 96;

struct Reader {
    const std::uint8_t *data;
    std::size_t size;
    std::size_t at = 0;
    bool more() const { return at < size; }
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
};

// Lattice mode gives shared edges, coincident vertices and touching
// contours; the other mode fine coordinates and curves.
void readOperand(Reader &in, bool lattice, CommandPath &path, int budget)
{
    const int contours = 1 + in.byte() % 4;
    for (int c = 0; c < contours && in.more() && budget > 0; ++c) {
        const int n = 3 + in.byte() % 8;
        auto coord = [&]() {
            if (lattice)
                return float(in.byte() % 12);
            const int v = int(std::int16_t(std::uint16_t(in.byte()) | std::uint16_t(in.byte()) << 8));
            return float(v) / 256.0f;
        };
        path.moveTo(coord(), coord());
        for (int i = 1; i < n && budget > 0; ++i, --budget) {
            const float x = coord(), y = coord();
            if (!lattice && (in.byte() & 3) == 0)
                path.cubicTo(x, y, coord(), coord(), coord(), coord());
            else
                path.lineTo(x, y);
        }
        path.close();
    }
}

[[noreturn]] void fail(const char *stage, const std::string &why)
{
    std::fprintf(stderr, "%s: %s\n", stage, why.c_str());
    std::abort();
}

void check(const char *stage, const PolyGraph &g, int code)
{
    if (code != scrivane::engine::kOk && code != scrivane::engine::kTooComplex)
        fail(stage, "result code " + std::to_string(code));
    const std::string fault = scrivane::test::checkNormalizedGraph(g);
    if (!fault.empty())
        fail(stage, fault);
}

bool inside(int rule, int winding)
{
    return rule == scrivane::engine::kEvenOdd ? winding % 2 != 0 : winding != 0;
}

bool combine(int op, bool a, bool b)
{
    switch (op) {
    case scrivane::engine::kIntersection: return a && b;
    case scrivane::engine::kDifference: return a && !b;
    case scrivane::engine::kExclusiveOr: return a != b;
    default: return a || b;
    }
}

// Both roads round every crossing to the grid, the step-by-step road twice:
// a point farther than a few grid steps from every source edge lies on the
// same side of both results, the side its windings in the sources give.
void compareRoads(const PolyGraph &rawA, int ruleA, const PolyGraph &rawB, int ruleB, int op, const PolyGraph &stepwise,
                  const PolyGraph &fused)
{
    using namespace scrivane::test;
    const auto sa = segmentsOf(rawA), sb = segmentsOf(rawB);
    const auto ss = segmentsOf(stepwise), sf = segmentsOf(fused);
    double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY}, perimeter = 0;
    for (const auto *segs : {&sa, &sb}) {
        for (const Segment2 &s : *segs) {
            lo[0] = std::fmin(lo[0], std::fmin(s.ax, s.bx)), hi[0] = std::fmax(hi[0], std::fmax(s.ax, s.bx));
            lo[1] = std::fmin(lo[1], std::fmin(s.ay, s.by)), hi[1] = std::fmax(hi[1], std::fmax(s.ay, s.by));
            perimeter += std::hypot(s.bx - s.ax, s.by - s.ay);
        }
    }
    // Each rounding moves a boundary by at most half a grid diagonal; the
    // step-by-step road rounds twice.
    const double areaGap = std::fabs(filledArea(stepwise) - filledArea(fused));
    if (areaGap > 1e-9 + 3 * perimeter / 32)
        fail("roads", "areas differ by " + std::to_string(areaGap));
    if (!(lo[0] <= hi[0]))
        return;
    constexpr int kSamples = 12;
    for (int i = 0; i <= kSamples; ++i) {
        for (int j = 0; j <= kSamples; ++j) {
            // Off the lattice and off the halves, where edges like to run.
            const double x = lo[0] - 0.37 + (hi[0] - lo[0] + 0.74) * (i + 0.13) / kSamples;
            const double y = lo[1] - 0.37 + (hi[1] - lo[1] + 0.74) * (j + 0.29) / kSamples;
            if (distanceToSegments(sa, x, y) < 0.1 || distanceToSegments(sb, x, y) < 0.1)
                continue;
            const bool expected = combine(op, inside(ruleA, windingNumber(sa, x, y)), inside(ruleB, windingNumber(sb, x, y)));
            if ((windingNumber(ss, x, y) != 0) != expected)
                fail("roads", "the step-by-step road misjudges " + std::to_string(x) + ", " + std::to_string(y));
            if ((windingNumber(sf, x, y) != 0) != expected)
                fail("roads", "the one-sweep road misjudges " + std::to_string(x) + ", " + std::to_string(y));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2 || size > kMaxInput)
        return 0;
    Reader in{data, size};
    const int op = in.byte() % 5;
    const std::uint8_t flags = in.byte();
    const bool lattice = flags & 1;
    const int rule = (flags >> 1) & 1;
    // The one-sweep road reads each operand under its own rule.
    const int ruleB = (flags >> 2) & 1 ? 1 - rule : rule;
    CommandPath pa, pb;
    readOperand(in, lattice, pa, kMaxPoints);
    readOperand(in, lattice, pb, kMaxPoints);

    PolyGraph rawA, rawB, a, b, result, fused;
    for (PolyGraph *g : {&rawA, &rawB, &a, &b, &result, &fused})
        g->setCrossingLimit(20000);
    pa.convertToPolylineBack(1.0f);
    pa.fill(&rawA, 0, false, true, false);
    const int codeA = a.normalize(rawA, rule);
    check("normalize A", a, codeA);
    pb.convertToPolylineBack(1.0f);
    pb.fill(&rawB, 1, false, true, false);
    const int codeB = b.normalize(rawB, ruleB);
    check("normalize B", b, codeB);
    const int code = result.boolean(&a, &b, op);
    check("boolean", result, code);
    const int fusedCode = fused.booleanOfSources(rawA, rule, rawB, ruleB, op);
    check("boolean of sources", fused, fusedCode);
    if (codeA == scrivane::engine::kOk && codeB == scrivane::engine::kOk && code == scrivane::engine::kOk
        && fusedCode == scrivane::engine::kOk)
        compareRoads(rawA, rule, rawB, ruleB, op, result, fused);

    // The rebuilt paths flatten and normalise again.
    const CommandPath *sources[] = {&pa, &pb};
    for (PolyGraph *g : {&result, &fused}) {
        CommandPath rebuilt;
        g->toCommandPath(rebuilt, 2, sources);
        rebuilt.convertToPolylineBack(1.0f);
        PolyGraph work, again;
        rebuilt.fill(&work, 0, false, true, false);
        again.setCrossingLimit(20000);
        const int againCode = again.normalize(work, scrivane::engine::kNonZero);
        if (againCode != scrivane::engine::kOk && againCode != scrivane::engine::kTooComplex)
            fail("rebuilt", "result code " + std::to_string(againCode));
    }
    return 0;
}
