#include "model/TDBezierGraphic.h"

#include "model/PathElements.h"
#include "model/TDBezierPath.h"
#include "model/TDDocumentInterface.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDGroup.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

using Element = PathBase::Element;
using Type = PathElementType;

bool contains(const std::vector<int> &sorted, int n)
{
    return std::binary_search(sorted.begin(), sorted.end(), n);
}

bool draws(Type type)
{
    return type == Type::LineTo || type == Type::CurveTo;
}

// The point of an element's node: a move's or line's point, a curve's end.
Point nodeOf(const Element &e)
{
    return e.type == Type::CurveTo ? e.points[2] : e.points[0];
}

// Appends the element as it stands.
void append(TDBezierPath &path, const Element &e)
{
    switch (e.type) {
    case Type::MoveTo:
        path.moveTo(e.points[0]);
        break;
    case Type::LineTo:
        path.lineTo(e.points[0]);
        break;
    case Type::CurveTo:
        path.curveTo(e.points[2], e.points[0], e.points[1]);
        break;
    case Type::ClosePath:
        path.close();
        break;
    }
}

// An empty path with the attributes of `model`, to be filled in.
std::shared_ptr<TDBezierPath> emptyLike(const TDBezierPath &model)
{
    auto path = std::make_shared<TDBezierPath>(model);
    path->removeAllPoints();
    return path;
}

// The path without the moves that nothing follows or that another move
// follows: they draw nothing and show no node, so a user could neither see
// nor remove them.
std::shared_ptr<TDBezierPath> withoutStrayMoves(const std::shared_ptr<TDBezierPath> &path)
{
    const auto elements = path->elements();
    const auto stray = [&elements](size_t i) {
        return elements[i].type == Type::MoveTo &&
               (i + 1 == elements.size() || elements[i + 1].type == Type::MoveTo);
    };
    bool any = false;
    for (size_t i = 0; i < elements.size() && !any; ++i)
        any = stray(i);
    if (!any)
        return path;
    auto clean = emptyLike(*path);
    for (size_t i = 0; i < elements.size(); ++i)
        if (!stray(i))
            append(*clean, elements[i]);
    return clean;
}

bool drawsAnything(const TDBezierPath &path)
{
    const auto elements = path.elements();
    return std::any_of(elements.begin(), elements.end(), [](const Element &e) { return draws(e.type); });
}

// One subpath: its move and its last element (a close when it is closed).
struct Subpath {
    int move = 0;
    int last = 0;
    bool closed = false;
};

std::vector<Subpath> subpathsOf(const TDBezierPath &path)
{
    std::vector<Subpath> subpaths;
    const auto elements = path.elements();
    for (int i = 0; i < int(elements.size()); ++i) {
        if (elements[size_t(i)].type == Type::MoveTo || subpaths.empty())
            subpaths.push_back({i, i, false});
        subpaths.back().last = i;
        subpaths.back().closed = elements[size_t(i)].type == Type::ClosePath;
    }
    return subpaths;
}

// Where a node lies on its subpath, for joining: the start of an open
// subpath, or its end.
enum class OpenEnd { None, Start, End };

OpenEnd openEnd(const TDBezierPath &path, int i)
{
    const int count = path.elementCount();
    if (i < 0 || i >= count)
        return OpenEnd::None;
    const Type type = path.elementAtIndex(i);
    if (draws(type))
        return i + 1 == count || path.elementAtIndex(i + 1) == Type::MoveTo ? OpenEnd::End : OpenEnd::None;
    if (type != Type::MoveTo || i + 1 >= count || !draws(path.elementAtIndex(i + 1)))
        return OpenEnd::None;
    // The start of a closed subpath is no open end.
    for (int k = i + 1; k < count; ++k) {
        const Type next = path.elementAtIndex(k);
        if (next == Type::MoveTo)
            break;
        if (next == Type::ClosePath)
            return OpenEnd::None;
    }
    return OpenEnd::Start;
}

// The index of the subpath's last element, from any of its elements.
int subpathEnd(const TDBezierPath &path, int i)
{
    const int count = path.elementCount();
    int last = i;
    while (last + 1 < count && path.elementAtIndex(last + 1) != Type::MoveTo)
        ++last;
    return last;
}

} // namespace

// --- Curves and lines -------------------------------------------------------------------------

void TDBezierGraphic::curveNodes(const QList<int> &nodes)
{
    if (nodes.isEmpty() || !m_bezierPath)
        return;
    const std::vector<int> ids = sortedNodes(nodes);
    auto path = emptyLike(*m_bezierPath);
    bool changed = false;
    Point current;
    const auto elements = m_bezierPath->elements();
    for (int i = 0; i < int(elements.size()); ++i) {
        const Element &e = elements[size_t(i)];
        if (e.type == Type::LineTo && contains(ids, i)) {
            const Point end = e.points[0];
            const Point step((end.x - current.x) / 3, (end.y - current.y) / 3);
            path->curveTo(end, Point(current.x + step.x, current.y + step.y),
                          Point(current.x + 2 * step.x, current.y + 2 * step.y));
            changed = true;
        } else {
            append(*path, e);
        }
        if (e.type != Type::ClosePath)
            current = nodeOf(e);
    }
    if (changed)
        setBezierPath(path);
}

void TDBezierGraphic::flatNodes(const QList<int> &nodes)
{
    if (nodes.isEmpty() || !m_bezierPath)
        return;
    const std::vector<int> ids = sortedNodes(nodes);
    auto path = emptyLike(*m_bezierPath);
    bool changed = false;
    const auto elements = m_bezierPath->elements();
    for (int i = 0; i < int(elements.size()); ++i) {
        const Element &e = elements[size_t(i)];
        if (e.type == Type::CurveTo && contains(ids, i)) {
            path->lineTo(e.points[2]);
            changed = true;
        } else {
            append(*path, e);
        }
    }
    if (changed)
        setBezierPath(path);
}

void TDBezierGraphic::splitNodes(const QList<int> &nodes)
{
    if (nodes.isEmpty() || !m_bezierPath)
        return;
    const std::vector<int> ids = sortedNodes(nodes);
    auto path = emptyLike(*m_bezierPath);
    bool changed = false;
    const auto elements = m_bezierPath->elements();
    for (int i = 0; i < int(elements.size()); ++i) {
        const Element &e = elements[size_t(i)];
        append(*path, e);
        // A move that nothing follows is no node.
        const bool node = draws(e.type) || (e.type == Type::MoveTo && i + 1 < int(elements.size()));
        if (node && contains(ids, i)) {
            path->lineTo(nodeOf(e));
            changed = true;
        }
    }
    if (changed)
        setBezierPath(path);
}

// --- Joining --------------------------------------------------------------------------------------

float TDBezierGraphic::distanceSqrFromIndex(int a, int b) const
{
    const Point p = node(a);
    const Point q = node(b);
    const float dx = p.x - q.x;
    const float dy = p.y - q.y;
    return dx * dx + dy * dy;
}

void TDBezierGraphic::connectNodes(const QList<int> &nodes)
{
    const std::vector<int> ids = sortedNodes(nodes);
    if (ids.size() < 2)
        return;
    const int first = ids.front();
    int partner = ids[1];
    float nearest = distanceSqrFromIndex(first, partner);
    for (size_t k = 2; k < ids.size(); ++k) {
        const float d = distanceSqrFromIndex(first, ids[k]);
        if (d < nearest) {
            nearest = d;
            partner = ids[k];
        }
    }
    connectNodes(first, partner);
}

void TDBezierGraphic::connectNodes(int a, int b)
{
    if (!m_bezierPath || a == b)
        return;
    const OpenEnd endA = openEnd(*m_bezierPath, a);
    OpenEnd endB = openEnd(*m_bezierPath, b);
    if (endA == OpenEnd::None || endB == OpenEnd::None)
        return;
    int count = m_bezierPath->elementCount();

    if (endA == endB) {
        // Two starts or two ends: b's subpath turns round, so that b lies at
        // its other end.
        const int move = m_bezierPath->subpathStartOfElement(b);
        const int last = subpathEnd(*m_bezierPath, move);
        TDBezierPath subpath;
        subpath.appendBezierPath(*m_bezierPath, move, last + 1);
        auto turned = emptyLike(*m_bezierPath);
        turned->appendBezierPath(*m_bezierPath, 0, move);
        turned->appendBezierPath(subpath.bezierPathByReversingPath(), 0, last - move + 1);
        turned->appendBezierPath(*m_bezierPath, last + 1, count);
        setBezierPath(turned);
        if (endB == OpenEnd::End) {
            b = move;
            endB = OpenEnd::Start;
        } else {
            b = last;
            endB = OpenEnd::End;
        }
    }

    const int e = endA == OpenEnd::End ? a : b;
    const int s = endA == OpenEnd::End ? b : a;
    const TDBezierPath &old = *m_bezierPath;
    count = old.elementCount();
    const Point startPoint = node(s);
    auto path = emptyLike(old);
    if (e < s) {
        path->appendBezierPath(old, 0, e + 1);
        path->lineTo(startPoint);
        path->appendBezierPath(old, s + 1, count);
        path->appendBezierPath(old, e + 1, s);
    } else {
        const int move = old.subpathStartOfElement(e);
        path->appendBezierPath(old, move, e + 1);
        if (s == move) {
            path->close();
        } else {
            path->lineTo(startPoint);
            path->appendBezierPath(old, s + 1, move);
        }
        path->appendBezierPath(old, e + 1, count);
        path->appendBezierPath(old, 0, s);
    }
    setBezierPath(path);
}

// --- Deleting and cutting ------------------------------------------------------------------------

void TDBezierGraphic::deleteNodes(const QList<int> &nodes)
{
    if (nodes.isEmpty() || !m_bezierPath)
        return;
    const std::vector<int> ids = sortedNodes(nodes);
    auto path = emptyLike(*m_bezierPath);
    bool changed = false;
    // Segments drawn in the current subpath, and whether the next element
    // has to begin a subpath of its own (its start was removed).
    int drawn = 0;
    bool anew = false;
    const auto elements = m_bezierPath->elements();
    for (int i = 0; i < int(elements.size()); ++i) {
        const Element &e = elements[size_t(i)];
        if (e.type != Type::ClosePath && contains(ids, i)) {
            changed = true;
            if (e.type == Type::MoveTo)
                anew = true;
            continue;
        }
        if (anew) {
            anew = false;
            if (e.type != Type::ClosePath)
                path->moveTo(nodeOf(e));
            drawn = 0;
            continue;
        }
        switch (e.type) {
        case Type::MoveTo:
            path->moveTo(e.points[0]);
            drawn = 0;
            break;
        case Type::LineTo:
        case Type::CurveTo:
            append(*path, e);
            ++drawn;
            break;
        case Type::ClosePath:
            if (drawn > 0)
                path->close();
            drawn = 0;
            break;
        }
    }
    if (!changed)
        return;
    path = withoutStrayMoves(path);
    const auto parent = layer();
    if (!drawsAnything(*path) && parent) {
        // Nothing left to draw: the graphic leaves its document.  Its last
        // owner may be the parent, so it stays alive until it is out.
        const TDGraphicPtr self = shared_from_this();
        if (TDDocumentInterface *document = this->document())
            if (TDGraphicViewInterface *view = document->graphicView())
                view->deselectGraphic(this);
        parent->removeGraphic(this);
        return;
    }
    setBezierPath(path);
}

void TDBezierGraphic::cutNodes(const QList<int> &nodes)
{
    if (nodes.isEmpty() || !m_bezierPath)
        return;
    const std::vector<int> ids = sortedNodes(nodes);
    const TDBezierPath &old = *m_bezierPath;
    const auto elements = old.elements();
    auto path = emptyLike(old);
    bool changed = false;

    for (const Subpath &sub : subpathsOf(old)) {
        if (!sub.closed) {
            // An open subpath falls apart at its inner nodes; its two ends
            // are open already.
            for (int i = sub.move; i <= sub.last; ++i) {
                const Element &e = elements[size_t(i)];
                append(*path, e);
                if (draws(e.type) && i < sub.last && contains(ids, i)) {
                    path->moveTo(nodeOf(e));
                    changed = true;
                }
            }
            continue;
        }
        // A closed subpath is a ring of segments: its own lines and curves,
        // then the closing line when it has a length.  Vertex k is where
        // segment k starts; vertex 0, the subpath's start, is also node
        // `move`.
        struct Segment {
            const Element *element; // null: the closing line
            int node;               // the node at its end, or -1
        };
        const Point start = elements[size_t(sub.move)].points[0];
        std::vector<Segment> ring;
        for (int i = sub.move + 1; i < sub.last; ++i)
            if (draws(elements[size_t(i)].type))
                ring.push_back({&elements[size_t(i)], i});
        if (ring.empty()) {
            path->appendBezierPath(old, sub.move, sub.last + 1);
            continue;
        }
        const Point lastPoint = nodeOf(*ring.back().element);
        if (lastPoint.x != start.x || lastPoint.y != start.y)
            ring.push_back({nullptr, -1});
        const int n = int(ring.size());
        std::vector<bool> cut(size_t(n), false);
        cut[0] = contains(ids, sub.move);
        for (int k = 0; k < n; ++k)
            if (ring[size_t(k)].node >= 0 && contains(ids, ring[size_t(k)].node))
                cut[size_t((k + 1) % n)] = true;
        const auto firstCut = std::find(cut.begin(), cut.end(), true);
        if (firstCut == cut.end()) {
            path->appendBezierPath(old, sub.move, sub.last + 1);
            continue;
        }
        changed = true;
        const auto vertex = [&](int k) { return k == 0 ? start : nodeOf(*ring[size_t(k - 1)].element); };
        const int from = int(firstCut - cut.begin());
        path->moveTo(vertex(from));
        for (int step = 0; step < n; ++step) {
            const int k = (from + step) % n;
            const Segment &segment = ring[size_t(k)];
            if (segment.element)
                append(*path, *segment.element);
            else
                path->lineTo(start);
            const int next = (k + 1) % n;
            if (step + 1 < n && cut[size_t(next)])
                path->moveTo(vertex(next));
        }
    }
    if (!changed)
        return;
    willChange();
    setBezierPath(withoutStrayMoves(path));
    didChange();
}

// --- Inserting a node ------------------------------------------------------------------------------

int TDBezierGraphic::splitPath(int element, float t)
{
    if (!m_bezierPath || element < 1 || element >= m_bezierPath->elementCount() || !std::isfinite(t))
        return TDNotFound;
    t = std::clamp(t, 0.0f, 1.0f);
    const TDBezierPath &old = *m_bezierPath;
    const int count = old.elementCount();
    const Type type = old.elementAtIndex(element);
    const Point s = old.startPointOfElement(element);
    auto path = emptyLike(old);
    path->appendBezierPath(old, 0, element);
    switch (type) {
    case Type::ClosePath: {
        // The closing line gains a node; the close draws the rest of it.
        const Point f = old.endPointOfElement(element);
        path->lineTo(Point(s.x + (f.x - s.x) * t, s.y + (f.y - s.y) * t));
        path->close();
        break;
    }
    case Type::LineTo:
    case Type::CurveTo: {
        const Element &e = old.elements()[size_t(element)];
        const SegmentPoints whole{s, e.points[0], e.points[1], e.points[2]};
        SegmentPoints before = whole;
        SegmentPoints after = whole;
        TDBezierPath::cutSegment(before, type, 0.0f, t);
        TDBezierPath::cutSegment(after, type, t, 1.0f);
        path->appendSegment(before, type);
        path->appendSegment(after, type);
        break;
    }
    case Type::MoveTo:
        return TDNotFound;
    }
    path->appendBezierPath(old, element + 1, count);
    willChange();
    setBezierPath(path);
    didChange();
    return element;
}

} // namespace scrivane
