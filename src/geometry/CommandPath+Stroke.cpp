#include "geometry/CommandPath.h"

#include "geometry/EngineCodes.h"
#include "geometry/PolyGraph.h"

#include <cmath>
#include <optional>
#include <vector>

namespace scrivane {

namespace {

// Points nearer than this to the one before are passed over.
constexpr float kSquaredSeparation = 0.001f;
// A dash pattern shorter than this would cut a path into more pieces than
// there are points to draw: it strokes without dashes.
constexpr float kShortestPeriod = 0.01f;

struct StrokePoint {
    EnginePoint p;
    float h;
};

EnginePoint directionOf(EnginePoint a, EnginePoint b)
{
    EnginePoint d = {b.x - a.x, b.y - a.y};
    const float l2 = d.x * d.x + d.y * d.y;
    if (l2 > 0.0001f) {
        const float l = std::sqrt(l2);
        d = {d.x / l, d.y / l};
    }
    return d;
}

// Where the pattern stands along a subpath.
class DashWalk {
public:
    DashWalk(std::span<const CommandPath::DashEntry> dashes) : mDashes(dashes)
    {
        mIndex = mDashes.size() - 1;
        next();
    }
    bool drawing() const { return !mDashes[mIndex].gap; }
    float remaining() const { return mRemaining; }
    void consume(float length) { mRemaining -= length; }
    // The next entry with a length, round the pattern.
    void next()
    {
        for (std::size_t k = 0; k < mDashes.size(); ++k) {
            mIndex = (mIndex + 1) % mDashes.size();
            if (mDashes[mIndex].length > 0.0f)
                break;
        }
        mRemaining = mDashes[mIndex].length;
    }

private:
    std::span<const CommandPath::DashEntry> mDashes;
    std::size_t mIndex = 0;
    float mRemaining = 0.0f;
};

void strokeSubpath(PolyGraph &graph, std::vector<StrokePoint> &points, bool closed, int join, int cap,
                   float limit, std::span<const CommandPath::DashEntry> dashes)
{
    if (closed && points.size() > 2) {
        const EnginePoint f = points.front().p, l = points.back().p;
        if ((f.x - l.x) * (f.x - l.x) + (f.y - l.y) * (f.y - l.y) <= kSquaredSeparation)
            points.pop_back();
    }
    const std::size_t n = points.size();
    if (n < 2)
        return;
    const std::size_t segments = closed ? n : n - 1;
    auto segment = [&](std::size_t i) { return std::pair{points[i], points[(i + 1) % n]}; };
    std::optional<DashWalk> walk;
    if (!dashes.empty())
        walk.emplace(dashes);
    const bool drawnAtStart = !walk || walk->drawing();
    if (!closed && drawnAtStart)
        graph.addStrokeCap(points[0].h, cap, points[0].p, directionOf(points[1].p, points[0].p));
    for (std::size_t i = 0; i < segments; ++i) {
        // References, not a structured binding: the lambda below captures
        // them, and clang refuses to capture a binding.
        const auto ends = segment(i);
        const StrokePoint &a = ends.first, &b = ends.second;
        if (!walk) {
            graph.addStrokeBand(a.p, a.h, b.p, b.h);
        } else {
            // The dashes that fall on this segment, their widths in between.
            const float length = std::hypot(b.p.x - a.p.x, b.p.y - a.p.y);
            auto at = [&](float s) {
                const float u = length > 0 ? s / length : 0.0f;
                return StrokePoint{{a.p.x + (b.p.x - a.p.x) * u, a.p.y + (b.p.y - a.p.y) * u}, a.h + (b.h - a.h) * u};
            };
            float s = 0.0f;
            while (length - s > walk->remaining()) {
                const float s2 = s + walk->remaining();
                if (walk->drawing()) {
                    const StrokePoint from = at(s), to = at(s2);
                    graph.addStrokeBand(from.p, from.h, to.p, to.h);
                }
                s = s2;
                walk->next();
            }
            if (walk->drawing() && length > s) {
                const StrokePoint from = at(s);
                graph.addStrokeBand(from.p, from.h, b.p, b.h);
            }
            walk->consume(length - s);
        }
        // The join where this segment meets the next, while a dash is drawn.
        const bool last = i + 1 == segments;
        if ((!last || closed) && (!walk || walk->drawing())) {
            const auto [c, d] = segment((i + 1) % segments);
            graph.addStrokeJoin(b.h, join, b.p, directionOf(a.p, b.p), directionOf(c.p, d.p), limit);
        }
    }
    if (!closed && (!walk || walk->drawing()))
        graph.addStrokeCap(points[n - 1].h, cap, points[n - 1].p, directionOf(points[n - 2].p, points[n - 1].p));
}

} // namespace

void CommandPath::stroke(PolyGraph &graph, bool closed, float halfWidth, int join, int cap, float miterLimit,
                         bool append) const
{
    strokeDashed(graph, closed, halfWidth, join, cap, miterLimit, {}, append);
}

void CommandPath::strokeDashed(PolyGraph &graph, bool closed, float halfWidth, int join, int cap, float miterLimit,
                               std::span<const DashEntry> dashes, bool append) const
{
    if (!append)
        graph.reset(3 * pointCount());
    if (pointCount() < 2 || !(halfWidth > 0.0f) || !std::isfinite(halfWidth))
        return;
    graph.makeBackData(false);
    // A pattern with nothing of any length in it draws solid.
    float period = 0.0f;
    for (const DashEntry &d : dashes)
        if (d.length > 0.0f && std::isfinite(d.length))
            period += d.length;
    if (!(period >= kShortestPeriod) || !std::isfinite(period))
        dashes = {};
    std::vector<StrokePoint> points;
    auto flush = [&] {
        strokeSubpath(graph, points, closed, join, cap, miterLimit, dashes);
        points.clear();
    };
    for (const PolylinePoint &p : mPoints) {
        if (p.kind == kPolylineMoveTo)
            flush();
        if (!points.empty()) {
            const EnginePoint q = points.back().p;
            if ((p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y) <= kSquaredSeparation)
                continue;
        }
        points.push_back({{p.x, p.y}, halfWidth * p.weight});
    }
    flush();
}

} // namespace scrivane
