// Fuzzes normalisation, the boolean and the rebuild into commands with two
// operands read from the input, and checks every result with the invariant
// checker the tests share.  Inputs are bounded in size (and so in time); the
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
    CommandPath pa, pb;
    readOperand(in, lattice, pa, kMaxPoints);
    readOperand(in, lattice, pb, kMaxPoints);

    PolyGraph work, a, b, result;
    for (PolyGraph *g : {&work, &a, &b, &result})
        g->setCrossingLimit(20000);
    pa.convertToPolylineBack(1.0f);
    pa.fill(&work, 0, false, true, false);
    check("normalize A", a, a.normalize(work, rule));
    pb.convertToPolylineBack(1.0f);
    pb.fill(&work, 1, false, true, false);
    check("normalize B", b, b.normalize(work, rule));
    check("boolean", result, result.boolean(&a, &b, op));

    // The rebuilt path flattens and normalises back to the same area.
    const CommandPath *sources[] = {&pa, &pb};
    CommandPath rebuilt;
    result.toCommandPath(rebuilt, 2, sources);
    rebuilt.convertToPolylineBack(1.0f);
    rebuilt.fill(&work, 0, false, true, false);
    PolyGraph again;
    again.setCrossingLimit(20000);
    const int code = again.normalize(work, scrivane::engine::kNonZero);
    if (code != scrivane::engine::kOk && code != scrivane::engine::kTooComplex)
        fail("rebuilt", "result code " + std::to_string(code));
    return 0;
}
