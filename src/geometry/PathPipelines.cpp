#include "geometry/PathPipelines.h"

#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"
#include "geometry/PolyGraph.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
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

namespace {

EnginePoint cubicPointAt(const EnginePoint c[4], float t)
{
    const float u = 1 - t;
    const float a = u * u * u, b = 3 * u * u * t, d = 3 * u * t * t, e = t * t * t;
    return {a * c[0].x + b * c[1].x + d * c[2].x + e * c[3].x, a * c[0].y + b * c[1].y + d * c[2].y + e * c[3].y};
}

float distance(EnginePoint a, EnginePoint b)
{
    return std::hypot(b.x - a.x, b.y - a.y);
}

// The control points of a cubic command reached from `from`.
void cubicControls(EnginePoint from, const PathCommand &c, EnginePoint k[4])
{
    k[0] = from;
    k[1] = {from.x + c.startTangentX / 3, from.y + c.startTangentY / 3};
    k[2] = {c.x - c.endTangentX / 3, c.y - c.endTangentY / 3};
    k[3] = c.point();
}

float controlLength(const EnginePoint k[4])
{
    return distance(k[0], k[1]) + distance(k[1], k[2]) + distance(k[2], k[3]);
}

// Calls visit(point) for points along every drawing command of the path,
// at most `spacing` apart along lines and cubics; other curves are taken
// along their chords, which is near enough for an estimate.
template <typename Visit>
void walkCommands(const CommandPath &path, float spacing, Visit visit)
{
    constexpr int kMostSamples = 1024;
    EnginePoint current{}, start{};
    auto along = [&](const EnginePoint c[4], float length) {
        const int n = std::clamp(int(std::ceil(length / spacing)), 1, kMostSamples);
        for (int k = 1; k <= n; ++k)
            visit(cubicPointAt(c, float(k) / float(n)));
    };
    for (const PathCommand &c : path.commands()) {
        const EnginePoint p = c.point();
        switch (c.type()) {
        case kPathMoveTo:
            start = current = p;
            visit(p);
            continue;
        case kPathCubicTo: {
            EnginePoint k[4];
            cubicControls(current, c, k);
            along(k, controlLength(k));
            break;
        }
        case kPathClose:
        case kPathLineTo:
        case kPathArcTo:
        case kPathBezierTo:
        case kPathIntermediatePoint: {
            const EnginePoint to = c.type() == kPathClose ? start : p;
            const EnginePoint k[4] = {current, current, to, to};
            along(k, distance(current, to));
            current = to;
            continue;
        }
        default: continue;
        }
        current = p;
    }
}

// How many times over a stroke of half width w covers the ground it
// covers: its area (length times width) over the cells of a coarse grid
// that its centre line passes.  A thin stroke, or one that overlaps itself
// little, gives about 1 or less.
float strokeOverlap(const CommandPath &path, float w)
{
    constexpr int kMostCells = 512;
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (const PathCommand &c : path.commands()) {
        minX = std::fmin(minX, c.x);
        maxX = std::fmax(maxX, c.x);
        minY = std::fmin(minY, c.y);
        maxY = std::fmax(maxY, c.y);
    }
    const float extent = std::fmax(maxX - minX, maxY - minY);
    if (!std::isfinite(extent))
        return 0.0f;
    // Curves stray beyond their points by their control arms: the cells
    // reach a little further.
    const float cell = std::fmax(2 * w, extent / kMostCells);
    if (!(cell > 0.0f))
        return 0.0f;
    const float x0 = minX - extent, y0 = minY - extent;
    const int columns = 3 * kMostCells + 8;
    std::vector<std::uint8_t> passed(std::size_t(columns) * std::size_t(columns), 0);
    double length = 0;
    long cells = 0;
    EnginePoint last{};
    bool first = true;
    walkCommands(path, cell / 2, [&](EnginePoint p) {
        if (!first)
            length += distance(last, p);
        first = false;
        last = p;
        const int i = std::clamp(int((p.x - x0) / cell), 0, columns - 1);
        const int j = std::clamp(int((p.y - y0) / cell), 0, columns - 1);
        std::uint8_t &mark = passed[std::size_t(j) * std::size_t(columns) + std::size_t(i)];
        cells += mark == 0;
        mark = 1;
    });
    return cells > 0 ? float(2 * double(w) * length / (double(cells) * double(cell) * double(cell))) : 0.0f;
}

// The length of a drawing command's control polygon from `from`.
float commandLength(const PathCommand &c, EnginePoint from)
{
    if (c.type() == kPathCubicTo) {
        EnginePoint k[4];
        cubicControls(from, c, k);
        return controlLength(k);
    }
    return distance(from, c.point());
}

// Appends the command at `i` of `from` to `to`, a bezierto with the
// intermediate points that follow it before `end`, and answers the index
// of the last command taken.
int appendCommand(CommandPath &to, const CommandPath &from, int i, int end)
{
    const PathCommand &c = from.command(i);
    switch (c.type()) {
    case kPathMoveTo: to.moveTo(c.x, c.y); break;
    case kPathLineTo: to.lineTo(c.x, c.y); break;
    case kPathCubicTo: to.cubicTo(c.x, c.y, c.startTangentX, c.startTangentY, c.endTangentX, c.endTangentY); break;
    case kPathArcTo: to.arcTo(c.x, c.y, c.radiusX, c.radiusY, c.angle, c.largeArc, c.clockwise); break;
    case kPathBezierTo:
        to.bezierTo(c.x, c.y);
        for (; i + 1 < end && from.command(i + 1).type() == kPathIntermediatePoint; ++i)
            to.intermBezierTo(from.command(i + 1).x, from.command(i + 1).y);
        to.finishBezier();
        break;
    case kPathClose: to.close(); break;
    default: break;
    }
    return i;
}

// A piece of a stroked path outlined on its own: round-capped where it
// meets its neighbours, with the path's caps where the path ends.
struct StrokePiece {
    CommandPath path;
    int startCap;
    int endCap;
};

// Cuts the open and closed subpaths of `path` into pieces of about
// `pieceLength` each.  The round joins of the whole stroke are then the
// round caps of the pieces: the disks along the path are the same disks.
// Subpaths too short to cut go to `rest` as they are.
void cutIntoPieces(const CommandPath &path, float pieceLength, int cap, std::vector<StrokePiece> &pieces,
                   CommandPath &rest)
{
    const int n = path.commandCount();
    for (int first = 0; first < n;) {
        if (path.command(first).type() != kPathMoveTo) {
            ++first;
            continue;
        }
        int end = first + 1;
        while (end < n && path.command(end).type() != kPathMoveTo)
            ++end;
        const std::size_t firstPiece = pieces.size();
        bool closed = false;
        EnginePoint current = path.command(first).point();
        const EnginePoint start = current;
        CommandPath *piece = nullptr;
        float length = 0;
        auto open = [&] {
            if (!piece) {
                piece = &pieces.emplace_back(StrokePiece{{}, engine::kCapRound, engine::kCapRound}).path;
                piece->moveTo(current.x, current.y);
                length = 0;
            }
        };
        auto grown = [&](float l) {
            length += l;
            if (length >= pieceLength)
                piece = nullptr;
        };
        for (int i = first + 1; i < end; ++i) {
            const PathCommand &c = path.command(i);
            switch (c.type()) {
            case kPathLineTo:
            case kPathCubicTo:
            case kPathArcTo:
                open();
                appendCommand(*piece, path, i, end);
                grown(commandLength(c, current));
                current = c.point();
                break;
            case kPathBezierTo: {
                open();
                const int last = appendCommand(*piece, path, i, end);
                float l = 0;
                EnginePoint from = current;
                for (int k = i + 1; k <= last; ++k) {
                    l += distance(from, path.command(k).point());
                    from = path.command(k).point();
                }
                grown(l + distance(from, c.point()));
                current = c.point();
                i = last;
                break;
            }
            case kPathClose:
                closed = true;
                if (current.x != start.x || current.y != start.y) {
                    open();
                    piece->lineTo(start.x, start.y);
                    grown(distance(current, start));
                    current = start;
                }
                break;
            default: break;
            }
        }
        if (pieces.size() - firstPiece < 2) {
            // Too short to cut: the subpath as it was.
            pieces.resize(firstPiece);
            for (int i = first; i < end; ++i)
                i = appendCommand(rest, path, i, end);
        } else if (!closed) {
            pieces[firstPiece].startCap = cap;
            pieces.back().endCap = cap;
        }
        first = end;
    }
}

// A stroke that covers its ground this many times over is outlined piece
// by piece: one sweep of all its offsets would meet every crossing of the
// offsets piled up in one place, the merging of the pieces' outlines,
// pair by pair, only those of the outlines that remain.
constexpr float kOverlapToCut = 1.5f;

// The length of the pieces, in half widths.  The more the stroke piles up,
// the more of a piece's offsets its own outline leaves out, and the
// shorter the pieces pay; where it piles up less, each merge sweeps about
// all the offsets again, so that pieces are long and the merges few.
float pieceLength(float overlap)
{
    return std::clamp(4.0f * std::exp2(2.0f * (6.0f - overlap)), 4.0f, 1024.0f);
}

} // namespace

int outlineOfCommandPath(const CommandPath &source, float width, int join, int cap, float miterLimit,
                         CommandPath &result)
{
    result.reset();
    if (!(width > 0.0f) || !std::isfinite(width))
        return engine::kBadOperands;
    const float w = width / 2;
    CommandPath path = source;
    path.cancelBezier();
    path.closeSubpath(0);
    std::vector<StrokePiece> pieces;
    CommandPath rest;
    const float overlap = join == engine::kJoinRound ? strokeOverlap(path, w) : 0.0f;
    if (overlap >= kOverlapToCut)
        cutIntoPieces(path, pieceLength(overlap) * w, cap, pieces, rest);
    else
        rest = path;
    // The offsets of the pieces, then that of the rest.
    std::deque<CommandPath> offsets;
    for (StrokePiece &piece : pieces)
        piece.path.outlineWithCaps(offsets.emplace_back(), w, join, piece.startCap, piece.endCap, miterLimit);
    rest.outline(offsets.emplace_back(), w, join, cap, miterLimit);
    std::deque<PolyGraph> store;
    std::vector<Operand> leaves;
    std::vector<const CommandPath *> sources;
    for (CommandPath &offset : offsets) {
        if (offset.commandCount() == 0)
            continue;
        // The joins' and caps' arcs take as few samples as keep within the
        // flattening; the rebuild restores them as arcs anyway.
        offset.convertToPolylineBack(kFlattening, CommandPath::ArcSampling::ByTolerance);
        PolyGraph &leaf = store.emplace_back();
        offset.fill(&leaf, int(sources.size()), false, true, false);
        sources.push_back(&offset);
        // The offset contours overlap where the stroke folds over itself:
        // the non-zero rule merges them.
        leaves.push_back({&leaf, engine::kNonZero});
    }
    if (leaves.empty())
        return engine::kOk;
    Operand combined{};
    int code = engine::kOk;
    if (leaves.size() == 1) {
        PolyGraph &normalised = store.emplace_back();
        code = normalised.normalize(*leaves.front().graph, engine::kNonZero);
        combined = {&normalised, engine::kNonZero};
    } else {
        code = reduce(std::move(leaves), engine::kUnion, store, combined);
    }
    if (code != engine::kOk)
        return code;
    combined.graph->toCommandPath(result, int(sources.size()), sources.data());
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
