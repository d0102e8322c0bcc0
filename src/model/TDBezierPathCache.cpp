#include "model/TDBezierPathCache.h"

#include "model/curvefit/ArcLength.h"
#include "model/curvefit/GeometryHelpers.h"

#include <algorithm>

namespace scrivane {

namespace {

// The tolerance of curve lengths: the control polygon of every flat piece is
// at most this much longer than its chord.
constexpr float CurveLengthError = 0.1f;

Point ownEndPoint(const PathBase::Element &e)
{
    return e.type == PathElementType::CurveTo ? e.points[2] : e.points[0];
}

} // namespace

TDBezierPathCache::TDBezierPathCache(const PathBase &path) : PathBase(path)
{
    updateAllElements();
}

TDBezierPathCache TDBezierPathCache::bezierPathWithRect(const Rect &rect)
{
    TDBezierPathCache path;
    path.appendRect(rect);
    return path;
}

TDBezierPathCache TDBezierPathCache::bezierPathWithOvalInRect(const Rect &rect)
{
    TDBezierPathCache path;
    path.appendOvalInRect(rect);
    return path;
}

TDBezierPathCache TDBezierPathCache::copy() const
{
    TDBezierPathCache result;
    result.appendPath(*this);
    return result;
}

// --- Lengths -------------------------------------------------------------------

float TDBezierPathCache::length() const
{
    ensureSums();
    return m_prefix.back();
}

float TDBezierPathCache::lengthOfElement(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_lengths.size()))
        return 0.0f;
    return m_lengths[static_cast<std::size_t>(index)];
}

float TDBezierPathCache::lengthToElement(int index) const
{
    if (index < 1)
        return 0.0f;
    ensureSums();
    const auto i = std::min(static_cast<std::size_t>(index), m_prefix.size() - 1);
    return m_prefix[i];
}

int TDBezierPathCache::nextElementFrom(int index) const
{
    if (index >= 0 && index < elementCount() && elementAtIndex(index) == PathElementType::ClosePath)
        return m_subpathStart[static_cast<std::size_t>(index)];
    return index + 1;
}

int TDBezierPathCache::subpathStartOfElement(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_subpathStart.size()))
        return 0;
    return m_subpathStart[static_cast<std::size_t>(index)];
}

Point TDBezierPathCache::endPointOfElement(int index) const
{
    if (index < 0 || index >= elementCount())
        return Point();
    const Element &e = elements()[static_cast<std::size_t>(index)];
    if (e.type != PathElementType::ClosePath)
        return ownEndPoint(e);
    // A close ends where its subpath began.
    const int move = index < static_cast<int>(m_subpathStart.size())
                         ? m_subpathStart[static_cast<std::size_t>(index)]
                         : 0;
    return elements()[static_cast<std::size_t>(move)].points[0];
}

Point TDBezierPathCache::startPointOfElement(int index) const
{
    if (index < 1 || index >= elementCount())
        return Point();
    return endPointOfElement(index - 1);
}

float TDBezierPathCache::calculateLengthOfElement(int index) const
{
    if (index < 1 || index >= elementCount())
        return 0.0f;
    const Element &e = elements()[static_cast<std::size_t>(index)];
    const Point s = startPointOfElement(index);
    switch (e.type) {
    case PathElementType::MoveTo:
        return 0.0f;
    case PathElementType::LineTo:
        return TDPointDistanceBetween(s, e.points[0]);
    case PathElementType::CurveTo: {
        const Point V[4] = {s, e.points[0], e.points[1], e.points[2]};
        return arclen(V, CurveLengthError);
    }
    case PathElementType::ClosePath:
        return TDPointDistanceBetween(s, endPointOfElement(index));
    }
    return 0.0f;
}

Rect TDBezierPathCache::controlBoundsOfElement(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_bounds.size()))
        return Rect();
    const Bounds &b = m_bounds[static_cast<std::size_t>(index)];
    return Rect(b.minX, b.minY, b.maxX - b.minX, b.maxY - b.minY);
}

// --- Keeping the cache in step --------------------------------------------------

void TDBezierPathCache::measureElement(int index)
{
    const auto i = static_cast<std::size_t>(index);
    const Element &e = elements()[i];
    m_lengths[i] = calculateLengthOfElement(index);

    Bounds b;
    const auto add = [&b](Point p) {
        b.minX = std::min(b.minX, p.x);
        b.minY = std::min(b.minY, p.y);
        b.maxX = std::max(b.maxX, p.x);
        b.maxY = std::max(b.maxY, p.y);
    };
    const Point first = e.type == PathElementType::MoveTo ? e.points[0] : startPointOfElement(index);
    b = {first.x, first.y, first.x, first.y};
    switch (e.type) {
    case PathElementType::MoveTo:
        break;
    case PathElementType::LineTo:
        add(e.points[0]);
        break;
    case PathElementType::CurveTo:
        add(e.points[0]);
        add(e.points[1]);
        add(e.points[2]);
        break;
    case PathElementType::ClosePath:
        add(endPointOfElement(index));
        break;
    }
    m_bounds[i] = b;
}

void TDBezierPathCache::measureFrom(int first)
{
    const int n = elementCount();
    first = std::clamp(first, 0, n);
    const auto size = static_cast<std::size_t>(n);
    m_lengths.resize(size);
    m_subpathStart.resize(size);
    m_bounds.resize(size);

    int lastMoveTo = 0;
    if (first > 0) {
        const auto before = static_cast<std::size_t>(first - 1);
        lastMoveTo = elements()[before].type == PathElementType::MoveTo ? first - 1 : m_subpathStart[before];
    }
    for (int j = first; j < n; ++j) {
        if (elements()[static_cast<std::size_t>(j)].type == PathElementType::MoveTo)
            lastMoveTo = j;
        m_subpathStart[static_cast<std::size_t>(j)] = lastMoveTo;
    }
    for (int j = first; j < n; ++j)
        measureElement(j);

    if (m_sumsValid && first == static_cast<int>(m_prefix.size()) - 1) {
        for (int j = first; j < n; ++j)
            m_prefix.push_back(m_prefix.back() + m_lengths[static_cast<std::size_t>(j)]);
    } else {
        invalidateSums();
    }
}

void TDBezierPathCache::updateElements()
{
    measureFrom(static_cast<int>(m_lengths.size()));
}

void TDBezierPathCache::updateAllElements()
{
    m_prefix.assign(1, 0.0f);
    m_sumsValid = true;
    measureFrom(0);
}

void TDBezierPathCache::invalidateSums() const
{
    m_sumsValid = false;
}

void TDBezierPathCache::ensureSums() const
{
    if (m_sumsValid)
        return;
    m_prefix.assign(1, 0.0f);
    m_prefix.reserve(m_lengths.size() + 1);
    for (float l : m_lengths)
        m_prefix.push_back(m_prefix.back() + l);
    m_sumsValid = true;
}

void TDBezierPathCache::elementsDidChange(ElementChange change, int index)
{
    switch (change) {
    case ElementChange::Appended:
        measureFrom(std::min(index, static_cast<int>(m_lengths.size())));
        break;
    case ElementChange::Rebuilt:
        updateAllElements();
        break;
    case ElementChange::Cleared:
        m_lengths.clear();
        m_subpathStart.clear();
        m_bounds.clear();
        m_prefix.assign(1, 0.0f);
        m_sumsValid = true;
        break;
    case ElementChange::PointsSet: {
        // New points change the element itself, the element that starts
        // where it ends and, for a move, the closing line of its subpath.
        const int n = elementCount();
        if (index < 0 || index >= n || static_cast<int>(m_lengths.size()) != n)
            break;
        measureElement(index);
        if (index + 1 < n)
            measureElement(index + 1);
        if (elementAtIndex(index) == PathElementType::MoveTo) {
            for (int j = index + 1; j < n; ++j) {
                const PathElementType type = elementAtIndex(j);
                if (type == PathElementType::MoveTo)
                    break;
                if (type == PathElementType::ClosePath) {
                    measureElement(j);
                    break;
                }
            }
        }
        invalidateSums();
        break;
    }
    }
}

// --- Derived paths ------------------------------------------------------------------

TDBezierPathCache TDBezierPathCache::bezierPathByFlatteningPath(float flatness) const
{
    return TDBezierPathCache(flattened(flatness));
}

TDBezierPathCache TDBezierPathCache::bezierPathByReversingPath() const
{
    return TDBezierPathCache(reversed());
}

} // namespace scrivane
