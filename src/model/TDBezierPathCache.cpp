#include "model/TDBezierPathCache.h"

#include "model/curvefit/ArcLength.h"
#include "model/curvefit/GeometryHelpers.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

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
    const int move =
        index < static_cast<int>(m_subpathStart.size()) ? m_subpathStart[static_cast<std::size_t>(index)] : 0;
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
    clearChainTables();
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

// --- Walking the lengths ------------------------------------------------------------

namespace {

// Short paths, and paths asked only a few times, are walked one element
// after the other; tables pay off on long paths asked again and again.
constexpr int MinElementsForTables = 256;
constexpr int LookupsBeforeTables = 8;
// Tables for ranges far below the total length would serve only the last
// few steps of a walk; and their memory is bounded.
constexpr int TableExponentSpan = 24;
constexpr long long MaxTableEntries = 2LL * 1024 * 1024; // 16 MB
// A rounded length this large can never be jumped over (every d of a range
// is below 2^24 steps); keeping it bounded keeps the sums in range.
constexpr double SaturatedLength = 1099511627776.0; // 2^40
constexpr long long RangeFloor = 1LL << 23;         // d / step at the bottom of a range

} // namespace

void TDBezierPathCache::clearChainTables()
{
    m_chainTables.clear();
    m_chainTableEntries = 0;
    m_lookupsSinceChange = 0;
}

// TDBezierPathCache objects are copied with their tables; a copy of a
// pointer to a table would be shared, so copies start without tables.
TDBezierPathCache::TDBezierPathCache(const TDBezierPathCache &other)
    : PathBase(other), m_lengths(other.m_lengths), m_subpathStart(other.m_subpathStart),
      m_bounds(other.m_bounds), m_prefix(other.m_prefix), m_sumsValid(other.m_sumsValid)
{
}

TDBezierPathCache &TDBezierPathCache::operator=(const TDBezierPathCache &other)
{
    if (this != &other) {
        PathBase::operator=(other);
        m_lengths = other.m_lengths;
        m_subpathStart = other.m_subpathStart;
        m_bounds = other.m_bounds;
        m_prefix = other.m_prefix;
        m_sumsValid = other.m_sumsValid;
        clearChainTables();
    }
    return *this;
}

const TDBezierPathCache::ChainTable *TDBezierPathCache::chainTable(int exponent) const
{
    // Exponents of normal floats run from -125 to 128.
    const int slot = exponent + 126;
    if (slot < 0 || slot >= 256)
        return nullptr;
    if (m_chainTables.empty())
        m_chainTables.resize(256);
    std::unique_ptr<ChainTable> &entry = m_chainTables[static_cast<std::size_t>(slot)];
    if (entry)
        return entry.get();
    const long long n = static_cast<long long>(m_lengths.size());
    if (m_chainTableEntries + n > MaxTableEntries)
        return nullptr;
    m_chainTableEntries += n;
    entry = std::make_unique<ChainTable>();
    ChainTable &table = *entry;
    table.exponent = exponent;
    table.prefix.resize(m_lengths.size());
    long long sum = 0;
    for (std::size_t k = 1; k < m_lengths.size(); ++k) {
        const double steps = std::ldexp(static_cast<double>(m_lengths[k]), 24 - exponent);
        long long rounded = 0;
        if (steps >= SaturatedLength) {
            rounded = static_cast<long long>(SaturatedLength);
        } else {
            const double whole = std::floor(steps);
            const double fraction = steps - whole;
            rounded = static_cast<long long>(whole) + (fraction > 0.5 ? 1 : 0);
            if (fraction == 0.5)
                table.ties.push_back(static_cast<int>(k));
        }
        sum += rounded;
        table.prefix[k] = sum;
    }
    return entry.get();
}

int TDBezierPathCache::subtractLengthsUntilNegative(float &d) const
{
    const int n = static_cast<int>(m_lengths.size());
    const float *l = m_lengths.data();
    const bool jumps = n >= MinElementsForTables && ++m_lookupsSinceChange > LookupsBeforeTables &&
                       std::isfinite(d) && std::isfinite(length());
    int lowestExponent = 0;
    if (jumps) {
        std::frexp(length(), &lowestExponent);
        lowestExponent -= TableExponentSpan;
    }
    int i = 1;
    while (i < n) {
        if (jumps && d > 0.0f && std::isnormal(d)) {
            // d = D * 2^(exponent - 24) with D in [2^23, 2^24): the bits of
            // the float are its exponent and D without its leading bit.
            const auto bits = std::bit_cast<std::uint32_t>(d);
            const int exponent = static_cast<int>(bits >> 23) - 126;
            const ChainTable *table = exponent >= lowestExponent ? chainTable(exponent) : nullptr;
            if (table) {
                // Every subtraction that leaves at least 2^23 + 1 steps stays
                // in the range and is exact integer arithmetic on rounded
                // lengths.
                long long D = static_cast<long long>((bits & 0x7fffffu) | 0x800000u);
                const long long *prefix = table->prefix.data();
                const long long limit = prefix[i - 1] + D - (RangeFloor + 1);
                // The last element j with prefix[j] <= limit, by galloping
                // from i: runs are long high up and short near the end.
                int j = i - 1;
                if (prefix[i] <= limit) {
                    int step = 1;
                    int lo = i; // prefix[lo] <= limit
                    while (lo + step < n && prefix[lo + step] <= limit) {
                        lo += step;
                        step *= 2;
                    }
                    int hi = std::min(lo + step, n); // prefix[hi] > limit, or hi == n
                    while (hi - lo > 1) {
                        const int mid = lo + (hi - lo) / 2;
                        if (prefix[mid] <= limit)
                            lo = mid;
                        else
                            hi = mid;
                    }
                    j = lo;
                }
                if (j >= i && !table->ties.empty()) {
                    const auto tie = std::lower_bound(table->ties.begin(), table->ties.end(), i);
                    if (tie != table->ties.end())
                        j = std::min(j, *tie - 1);
                }
                if (j >= i) {
                    D -= prefix[j] - prefix[i - 1];
                    // Still in the same range: same exponent bits.
                    d = std::bit_cast<float>((bits & 0xff800000u) |
                                             static_cast<std::uint32_t>(D - RangeFloor));
                    i = j + 1;
                    if (i >= n)
                        break;
                }
            }
        }
        d = d - l[i];
        if (d < 0.0f)
            return i;
        ++i;
    }
    return n;
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
