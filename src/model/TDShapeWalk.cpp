#include "model/TDShapeWalk.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

using Span = TDShapeWalk::Span;

// The common part of two sorted lists of disjoint spans.
std::vector<Span> intersect(const std::vector<Span> &a, const std::vector<Span> &b)
{
    std::vector<Span> out;
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const float s = std::max(a[i].start, b[j].start);
        const float e = std::min(a[i].end, b[j].end);
        if (e > s)
            out.push_back({s, e});
        if (a[i].end < b[j].end)
            ++i;
        else
            ++j;
    }
    return out;
}

// Sample heights closer together than this are not needed: between two
// vertex heights the edges are straight, so the band's spans change only
// where edges cross, which the uniform samples catch.
constexpr float SampleStep = 1.0f;

} // namespace

TDShapeWalk::TDShapeWalk(const PathBase &shape, float flatness)
{
    if (!shape.hasFinitePoints())
        return;
    m_rule = shape.windingRule();
    const PathBase flat = shape.flattened(flatness);
    Point start, last;
    bool open = false;
    auto addEdge = [this](Point a, Point b) {
        if (a.y == b.y)
            return; // horizontal edges never cross a scanline
        if (a.y < b.y)
            m_edges.push_back({a.x, a.y, b.x, b.y, 1});
        else
            m_edges.push_back({b.x, b.y, a.x, a.y, -1});
    };
    for (const PathBase::Element &e : flat.elements()) {
        switch (e.type) {
        case PathElementType::MoveTo:
            if (open)
                addEdge(last, start);
            start = last = e.points[0];
            open = true;
            break;
        case PathElementType::LineTo:
        case PathElementType::CurveTo: {
            const Point p = e.type == PathElementType::LineTo ? e.points[0] : e.points[2];
            addEdge(last, p);
            last = p;
            break;
        }
        case PathElementType::ClosePath:
            addEdge(last, start);
            last = start;
            open = false;
            break;
        }
    }
    if (open)
        addEdge(last, start);
    std::sort(m_edges.begin(), m_edges.end(), [](const Edge &a, const Edge &b) { return a.y0 < b.y0; });
    if (m_edges.empty())
        return;
    float x0 = m_edges[0].x0, x1 = x0, y0 = m_edges[0].y0, y1 = y0;
    for (const Edge &e : m_edges) {
        x0 = std::min({x0, e.x0, e.x1});
        x1 = std::max({x1, e.x0, e.x1});
        y0 = std::min(y0, e.y0);
        y1 = std::max(y1, e.y1);
        m_maxEdgeHeight = std::max(m_maxEdgeHeight, e.y1 - e.y0);
    }
    m_bounds = Rect(x0, y0, x1 - x0, y1 - y0);
}

std::vector<Span> TDShapeWalk::spansAt(float y) const
{
    struct Crossing {
        float x;
        int direction;
    };
    std::vector<Crossing> crossings;
    // Edges that can reach y start no higher than y minus the tallest edge.
    const auto first = std::lower_bound(m_edges.begin(), m_edges.end(), y - m_maxEdgeHeight,
                                        [](const Edge &e, float v) { return e.y0 < v; });
    for (auto it = first; it != m_edges.end() && it->y0 <= y; ++it) {
        // Half open: an edge counts from its top vertex to just above its
        // bottom one, so a scanline through a vertex meets each of the two
        // edges there exactly once between them.
        if (y >= it->y1)
            continue;
        const float t = (y - it->y0) / (it->y1 - it->y0);
        crossings.push_back({it->x0 + t * (it->x1 - it->x0), it->direction});
    }
    std::sort(crossings.begin(), crossings.end(), [](const Crossing &a, const Crossing &b) { return a.x < b.x; });
    std::vector<Span> spans;
    int winding = 0;
    for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
        winding += crossings[i].direction;
        const bool inside = m_rule == WindingRule::EvenOdd ? (winding & 1) != 0 : winding != 0;
        if (!inside || crossings[i + 1].x <= crossings[i].x)
            continue;
        if (!spans.empty() && spans.back().end >= crossings[i].x)
            spans.back().end = crossings[i + 1].x;
        else
            spans.push_back({crossings[i].x, crossings[i + 1].x});
    }
    return spans;
}

std::vector<Span> TDShapeWalk::bandSpans(float top, float bottom) const
{
    if (m_edges.empty() || !(bottom > top) || !std::isfinite(top) || !std::isfinite(bottom))
        return {};
    // Heights where the spans may change shape: the band's ends and every
    // vertex within it, with uniform steps between.
    std::vector<float> levels{top, bottom};
    const auto first = std::lower_bound(m_edges.begin(), m_edges.end(), top - m_maxEdgeHeight,
                                        [](const Edge &e, float v) { return e.y0 < v; });
    for (auto it = first; it != m_edges.end() && it->y0 < bottom; ++it) {
        if (it->y0 > top)
            levels.push_back(it->y0);
        if (it->y1 > top && it->y1 < bottom)
            levels.push_back(it->y1);
    }
    const int steps = std::min(64, int(std::ceil((bottom - top) / SampleStep)));
    for (int k = 1; k < steps; ++k)
        levels.push_back(top + (bottom - top) * float(k) / float(steps));
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());

    std::vector<Span> spans;
    bool firstSample = true;
    auto sample = [&](float y) {
        if (firstSample) {
            spans = spansAt(y);
            firstSample = false;
        } else {
            spans = intersect(spans, spansAt(y));
        }
    };
    for (std::size_t i = 0; i + 1 < levels.size() && (firstSample || !spans.empty()); ++i) {
        // Just inside each stretch between two levels: at a level itself a
        // vertex or a horizontal edge would decide for one side only.
        const float a = levels[i], b = levels[i + 1];
        const float inset = std::min(0.01f, (b - a) / 3);
        sample(a + inset);
        sample(b - inset);
    }
    return spans;
}

Rect TDShapeWalk::lineFragmentRect(const Rect &proposed, Rect *remaining) const
{
    if (remaining)
        *remaining = Rect();
    if (m_edges.empty() || !std::isfinite(proposed.minX()) || !std::isfinite(proposed.minY()) ||
        !(proposed.height() > 0) || !(proposed.width() > 0))
        return Rect();
    Rect p = proposed;
    for (int depth = 0; depth <= MaxDepth; ++depth) {
        if (p.minY() < m_bounds.minY() + 1)
            p.origin.y = m_bounds.minY() + 1;
        if (p.minX() < m_bounds.minX()) {
            p.size.width -= m_bounds.minX() - p.minX();
            p.origin.x = m_bounds.minX();
        }
        // Below the shape: the text does not fit.
        if (p.minY() > m_bounds.maxY() - 1 || !(p.width() > 0))
            return Rect();
        const float right = p.maxX();
        std::vector<Span> spans = bandSpans(p.minY(), p.maxY());
        std::size_t i = 0;
        while (i < spans.size() && spans[i].end <= p.minX())
            ++i;
        if (i < spans.size()) {
            const float s = std::max(spans[i].start, p.minX());
            const float e = std::min(spans[i].end, right);
            if (e - s >= p.height()) {
                if (remaining && i + 1 < spans.size() && spans[i + 1].start < right) {
                    const float c = spans[i + 1].start;
                    *remaining = Rect(c, p.minY(), right - c, p.height());
                }
                return Rect(s, p.minY(), e - s, p.height());
            }
        }
        // The first span is too narrow (later ones are not tried): lower.
        p.origin.y += depth == 0 ? p.height() / 2 : p.height();
    }
    return Rect();
}

} // namespace scrivane
