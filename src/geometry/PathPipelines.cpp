#include "geometry/PathPipelines.h"

#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"
#include "geometry/PolyGraph.h"

#include <cmath>
#include <deque>
#include <vector>

namespace scrivane {

namespace {

// Every pipeline flattens at this tolerance: curves stay within a quarter
// of a point of their polylines.
constexpr float kFlattening = 1.0f;

// Flattens a copy of the path with back data and fills it into the graph
// under the path id.
void fillFrom(CommandPath &flat, PolyGraph &graph, int pathId)
{
    flat.convertToPolylineBack(kFlattening);
    flat.fill(&graph, pathId, false, true, false);
}

} // namespace

int uncrossedCommandPath(const CommandPath &source, int fillRule, CommandPath &result)
{
    result.reset();
    CommandPath flat = source;
    PolyGraph work, normalised;
    fillFrom(flat, work, 0);
    const int code = normalised.normalize(work, fillRule);
    if (code != engine::kOk)
        return code;
    const CommandPath *sources[] = {&flat};
    normalised.toCommandPath(result, 1, sources);
    return engine::kOk;
}

namespace {

// An operand of a step: a graph and the rule its windings are read under.
struct Operand {
    PolyGraph *graph;
    int rule;
};

// Combines the operands pairwise, level by level, with an associative
// operation: every edge is swept about log2(n) times instead of once per
// later operand as a left-to-right fold would.
int reduce(std::vector<Operand> operands, int operation, std::deque<PolyGraph> &store, Operand &result)
{
    while (operands.size() > 1) {
        std::vector<Operand> next;
        next.reserve((operands.size() + 1) / 2);
        for (std::size_t i = 0; i + 1 < operands.size(); i += 2) {
            PolyGraph &out = store.emplace_back();
            const int code = out.booleanOfSources(*operands[i].graph, operands[i].rule, *operands[i + 1].graph,
                                                  operands[i + 1].rule, operation);
            if (code != engine::kOk)
                return code;
            // A sweep's result winds 0 outside and 1 inside.
            next.push_back({&out, engine::kNonZero});
        }
        if (operands.size() % 2)
            next.push_back(operands.back());
        operands = std::move(next);
    }
    result = operands.front();
    return engine::kOk;
}

} // namespace

int booleanOfCommandPaths(std::span<const CommandPath *const> paths, int operation, CommandPath &result)
{
    result.reset();
    if (paths.size() < 2 || operation < engine::kUnion || operation > engine::kCut)
        return engine::kBadOperands;
    for (const CommandPath *p : paths)
        if (!p)
            return engine::kBadOperands;
    const int n = int(paths.size());
    std::vector<CommandPath> flat(paths.size());
    std::deque<PolyGraph> store;
    std::vector<Operand> leaves;
    for (int i = 0; i < n; ++i) {
        flat[std::size_t(i)] = *paths[std::size_t(i)];
        PolyGraph &leaf = store.emplace_back();
        fillFrom(flat[std::size_t(i)], leaf, i);
        leaves.push_back({&leaf, engine::kEvenOdd});
    }
    // Union, intersection and exclusive or do not depend on the order of
    // their operands; the first path minus the others is the first minus
    // the union of the others.
    Operand combined{};
    int code;
    if (operation == engine::kDifference) {
        Operand rest{};
        code = reduce(std::vector<Operand>(leaves.begin() + 1, leaves.end()), engine::kUnion, store, rest);
        if (code == engine::kOk)
            code = reduce({leaves.front(), rest}, engine::kDifference, store, combined);
    } else {
        code = reduce(leaves, operation, store, combined);
    }
    if (code != engine::kOk)
        return code;
    std::vector<const CommandPath *> sources(paths.size());
    for (int i = 0; i < n; ++i)
        sources[std::size_t(i)] = &flat[std::size_t(i)];
    combined.graph->toCommandPath(result, n, sources.data());
    return engine::kOk;
}

int outlineOfCommandPath(const CommandPath &source, float width, int join, int cap, float miterLimit,
                         CommandPath &result)
{
    result.reset();
    if (!(width > 0.0f) || !std::isfinite(width))
        return engine::kBadOperands;
    CommandPath path = source, offset;
    path.outline(offset, width / 2, join, cap, miterLimit);
    if (offset.commandCount() == 0)
        return engine::kOk;
    // The offset contours overlap where the stroke folds over itself:
    // the non-zero rule merges them.
    PolyGraph work, normalised;
    // The joins' and caps' arcs take as few samples as keep within the
    // flattening; the rebuild restores them as arcs anyway.
    offset.convertToPolylineBack(kFlattening, CommandPath::ArcSampling::ByTolerance);
    offset.fill(&work, 0, false, true, false);
    const int code = normalised.normalize(work, engine::kNonZero);
    if (code != engine::kOk)
        return code;
    const CommandPath *sources[] = {&offset};
    normalised.toCommandPath(result, 1, sources);
    return engine::kOk;
}

bool refitCommandPath(CommandPath &path, float threshold)
{
    if (!(threshold > 0.0f) || !std::isfinite(threshold))
        return false;
    path.coalesce(threshold);
    return true;
}

} // namespace scrivane
