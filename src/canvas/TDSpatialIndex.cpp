#include "canvas/TDSpatialIndex.h"

#include "model/TDGraphic.h"
#include "model/TDGroup.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace scrivane {

using Box = TDSpatialIndex::Box;

namespace {

constexpr float Infinity = std::numeric_limits<float>::infinity();
constexpr Box Everywhere{-Infinity, -Infinity, Infinity, Infinity};

// A rectangle as the closed box of its corners, whatever the sign of its
// size; nothing when a coordinate is not a number.
bool boxOfRect(const Rect &r, Box &box)
{
    const float x0 = r.minX(), x1 = r.maxX(), y0 = r.minY(), y1 = r.maxY();
    if (std::isnan(x0) || std::isnan(x1) || std::isnan(y0) || std::isnan(y1))
        return false;
    box = Box{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
    return true;
}

void unite(Box &into, const Box &box)
{
    into.minX = std::min(into.minX, box.minX);
    into.minY = std::min(into.minY, box.minY);
    into.maxX = std::max(into.maxX, box.maxX);
    into.maxY = std::max(into.maxY, box.maxY);
}

bool isZero(const Rect &r)
{
    return r.minX() == 0 && r.minY() == 0 && r.width() == 0 && r.height() == 0;
}

// Folds a rectangle of the model into an area under construction.  The
// zero rectangle is what the model answers for "no bounds": it only counts
// when nothing else does (see areaOf).
struct AreaBuilder {
    Box box{Infinity, Infinity, -Infinity, -Infinity};
    bool any = false;
    bool unbounded = false;
    bool sawZero = false;

    void add(const Rect &r)
    {
        if (isZero(r)) {
            sawZero = true;
            return;
        }
        Box b;
        if (!boxOfRect(r, b)) {
            unbounded = true;
            return;
        }
        unite(box, b);
        any = true;
    }
    void add(const Box &b)
    {
        if (!b.finite())
            unbounded = true;
        else
            unite(box, b), any = true;
    }
    Box result() const
    {
        if (unbounded)
            return Everywhere;
        if (!any)
            return Box{0, 0, 0, 0};
        if (sawZero) {
            Box b = box;
            unite(b, Box{0, 0, 0, 0});
            return b;
        }
        return box;
    }
};

void addArea(AreaBuilder &area, const TDGraphic &graphic)
{
    area.add(graphic.drawingBounds());
    area.add(graphic.bounds());
    if (const auto *group = dynamic_cast<const TDGroup *>(&graphic))
        for (const TDGraphicPtr &child : group->graphics())
            if (child)
                addArea(area, *child);
}

// The index along the Hilbert curve of a point of a 65536 × 65536 grid:
// neighbours on the curve are neighbours in the plane, so runs of items in
// this order make compact nodes.
std::uint32_t hilbertIndex(std::uint32_t x, std::uint32_t y)
{
    constexpr std::uint32_t n = 1u << 16;
    std::uint32_t d = 0;
    for (std::uint32_t s = n / 2; s > 0; s /= 2) {
        const std::uint32_t rx = (x & s) ? 1 : 0;
        const std::uint32_t ry = (y & s) ? 1 : 0;
        d += s * s * ((3 * rx) ^ ry);
        if (ry == 0) {
            if (rx == 1) {
                x = n - 1 - x;
                y = n - 1 - y;
            }
            std::swap(x, y);
        }
    }
    return d;
}

} // namespace

bool TDSpatialIndex::Box::finite() const
{
    return std::isfinite(minX) && std::isfinite(minY) && std::isfinite(maxX) && std::isfinite(maxY);
}

TDSpatialIndex::Box TDSpatialIndex::areaOf(const TDGraphic &graphic)
{
    AreaBuilder area;
    addArea(area, graphic);
    return area.result();
}

// --- The packed tree ---------------------------------------------------------------------------------

// A static R-tree: the items sorted along the Hilbert curve of their
// centres, then each level the boxes of runs of NodeSize nodes of the level
// below, up to one root.  Built in one go, searched without allocating.
class TDSpatialIndex::PackedTree {
public:
    void build(const std::vector<Box> &boxes, const std::vector<char> &leftOut)
    {
        m_boxes.clear();
        m_refs.clear();
        m_levelEnds.clear();
        std::vector<int> items;
        items.reserve(boxes.size());
        Box extent{Infinity, Infinity, -Infinity, -Infinity};
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (leftOut[i])
                continue;
            items.push_back(int(i));
            const Box &b = boxes[i];
            unite(extent, Box{(b.minX + b.maxX) / 2, (b.minY + b.maxY) / 2, (b.minX + b.maxX) / 2,
                              (b.minY + b.maxY) / 2});
        }
        if (items.empty())
            return;
        const double width = double(extent.maxX) - extent.minX;
        const double height = double(extent.maxY) - extent.minY;
        const auto grid = [](double v, double from, double size) {
            return size > 0 ? std::uint32_t(std::clamp((v - from) / size, 0.0, 1.0) * 65535.0) : 0u;
        };
        std::vector<std::pair<std::uint32_t, int>> keyed;
        keyed.reserve(items.size());
        for (const int i : items) {
            const Box &b = boxes[size_t(i)];
            const double cx = (double(b.minX) + b.maxX) / 2;
            const double cy = (double(b.minY) + b.maxY) / 2;
            keyed.emplace_back(hilbertIndex(grid(cx, extent.minX, width), grid(cy, extent.minY, height)), i);
        }
        std::sort(keyed.begin(), keyed.end());

        size_t total = keyed.size();
        for (size_t level = keyed.size(); level > 1;) {
            level = (level + NodeSize - 1) / NodeSize;
            total += level;
        }
        m_boxes.reserve(total);
        m_refs.reserve(total);
        for (const auto &[key, i] : keyed) {
            m_boxes.push_back(boxes[size_t(i)]);
            m_refs.push_back(i);
        }
        m_levelEnds.push_back(m_boxes.size());
        size_t start = 0;
        while (m_boxes.size() - start > 1) {
            const size_t end = m_boxes.size();
            for (size_t first = start; first < end; first += NodeSize) {
                Box node = m_boxes[first];
                for (size_t i = first + 1; i < std::min(first + NodeSize, end); ++i)
                    unite(node, m_boxes[i]);
                m_boxes.push_back(node);
                m_refs.push_back(int(first));
            }
            start = end;
            m_levelEnds.push_back(m_boxes.size());
        }
    }

    // Calls `visit` with the position of every item whose box meets `query`.
    template <class Visit> void search(const Box &query, Visit &&visit) const
    {
        if (m_boxes.empty() || !m_boxes.back().meets(query))
            return;
        const size_t levels = m_levelEnds.size();
        if (levels == 1) {
            visit(m_refs.back());
            return;
        }
        // Each level pushes at most NodeSize entries before the next is
        // taken, and there are at most 8 levels above the items (16^8
        // items): the stack never holds more than this.
        struct Pending {
            std::uint32_t first;
            std::uint32_t level;
        };
        std::array<Pending, NodeSize * 9> stack;
        size_t depth = 0;
        stack[depth++] = {std::uint32_t(m_refs.back()), std::uint32_t(levels - 2)};
        while (depth > 0) {
            const Pending at = stack[--depth];
            const size_t end = std::min(size_t(at.first) + NodeSize, m_levelEnds[at.level]);
            for (size_t i = at.first; i < end; ++i) {
                if (!m_boxes[i].meets(query))
                    continue;
                if (at.level == 0)
                    visit(m_refs[i]);
                else
                    stack[depth++] = {std::uint32_t(m_refs[i]), at.level - 1};
            }
        }
    }

private:
    static constexpr size_t NodeSize = 16;
    std::vector<Box> m_boxes;    // the items, then each level of nodes
    std::vector<int> m_refs;     // an item's position; a node's first child
    std::vector<size_t> m_levelEnds;
};

// --- One group -----------------------------------------------------------------------------------

struct TDSpatialIndex::Container {
    // The group itself, to tell it from a later one at the same address.
    std::weak_ptr<const TDGraphic> owner;
    quint64 version = 0;
    bool built = false;
    bool rebuild = false;
    PackedTree tree;
    // The area of each child, as last read, and whether the tree's answer
    // for it is out of date (it is then in `aside`).
    std::vector<Box> areas;
    std::vector<char> isAside;
    std::vector<int> aside;
    // Every area together.
    Box extent{0, 0, 0, 0};
    // Children (or their descendants) whose area may have changed.
    std::vector<const TDGraphic *> changed;
    // Child to position, made when first needed after a build.
    std::unordered_map<const TDGraphic *, int> positions;

    void build(const TDGroup &group)
    {
        const TDGraphicArray &children = group.graphics();
        owner = group.weak_from_this();
        version = group.childrenVersion();
        rebuild = false;
        changed.clear();
        positions.clear();
        aside.clear();
        areas.resize(children.size());
        isAside.assign(children.size(), 0);
        AreaBuilder all;
        for (size_t i = 0; i < children.size(); ++i) {
            areas[i] = children[i] ? areaOf(*children[i]) : Box{0, 0, 0, 0};
            all.add(areas[i]);
            if (!areas[i].finite()) {
                isAside[i] = 1;
                aside.push_back(int(i));
            }
        }
        extent = all.any || all.unbounded ? all.result() : Box{0, 0, 0, 0};
        tree.build(areas, isAside);
        built = true;
    }

    int positionOf(const TDGroup &group, const TDGraphic *graphic)
    {
        if (positions.empty()) {
            const TDGraphicArray &children = group.graphics();
            positions.reserve(children.size());
            for (size_t i = 0; i < children.size(); ++i)
                positions.emplace(children[i].get(), int(i));
        }
        const auto found = positions.find(graphic);
        return found == positions.end() ? -1 : found->second;
    }

    void applyChanges(const TDGroup &group)
    {
        std::sort(changed.begin(), changed.end());
        changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
        const TDGraphicArray &children = group.graphics();
        for (const TDGraphic *graphic : changed) {
            const int i = positionOf(group, graphic);
            if (i < 0)
                continue;
            const Box area = areaOf(*children[size_t(i)]);
            areas[size_t(i)] = area;
            if (!area.finite())
                extent = Everywhere;
            else
                unite(extent, area);
            if (!isAside[size_t(i)]) {
                isAside[size_t(i)] = 1;
                aside.push_back(i);
            }
        }
        changed.clear();
        // Looking at a few children one by one costs less than a build;
        // many, more.
        if (aside.size() > 64 + areas.size() / 8)
            build(group);
    }
};

// --- The index -------------------------------------------------------------------------------------

TDSpatialIndex::TDSpatialIndex(PaintsBeyondArea paintsBeyondArea) : m_paintsBeyondArea(std::move(paintsBeyondArea))
{
}

TDSpatialIndex::~TDSpatialIndex() = default;

void TDSpatialIndex::clear()
{
    m_containers.clear();
}

void TDSpatialIndex::graphicBoundsChanged(const TDGraphic &graphic)
{
    if (m_containers.empty())
        return;
    // The graphic in its group, and each group in the one holding it, since
    // a group's area holds its descendants'.
    const TDGraphic *child = &graphic;
    for (std::shared_ptr<TDGroup> parent = graphic.layer(); parent; parent = parent->layer()) {
        const auto found = m_containers.find(parent.get());
        if (found != m_containers.end()) {
            Container &container = *found->second;
            if (!container.rebuild) {
                // Notes that pile up without a question in between are
                // worth less than a new build.
                if (container.changed.size() > container.areas.size() + 64) {
                    container.rebuild = true;
                    container.changed.clear();
                } else {
                    container.changed.push_back(child);
                }
            }
        }
        child = parent.get();
    }
}

TDSpatialIndex::Container *TDSpatialIndex::upToDate(const TDGroup &group)
{
    std::unique_ptr<Container> &slot = m_containers[&group];
    if (!slot)
        slot = std::make_unique<Container>();
    Container &container = *slot;
    const std::shared_ptr<const TDGraphic> owner = container.owner.lock();
    if (!container.built || container.rebuild || owner.get() != &group ||
        container.version != group.childrenVersion() || container.areas.size() != group.graphics().size()) {
        if (!group.weak_from_this().lock()) {
            // A group not held by a shared pointer cannot be told from a
            // later one at its address.
            m_containers.erase(&group);
            return nullptr;
        }
        container.build(group);
    } else if (!container.changed.empty()) {
        container.applyChanges(group);
    }
    return &container;
}

bool TDSpatialIndex::search(const TDGroup &group, const Box &query, std::vector<int> &positions)
{
    positions.clear();
    if (!m_enabled || !query.finite())
        return false;
    Container *container = upToDate(group);
    if (!container)
        return false;
    const Box &extent = container->extent;
    if (query.minX <= extent.minX && query.minY <= extent.minY && extent.maxX <= query.maxX &&
        extent.maxY <= query.maxY)
        return false;
    const std::vector<char> &isAside = container->isAside;
    container->tree.search(query, [&](int i) {
        if (!isAside[size_t(i)])
            positions.push_back(i);
    });
    for (const int i : container->aside)
        if (container->areas[size_t(i)].meets(query))
            positions.push_back(i);
    std::sort(positions.begin(), positions.end());
    return true;
}

bool TDSpatialIndex::childrenNear(const TDGroup &group, const Rect &rect, std::vector<int> &positions)
{
    Box query;
    if (!boxOfRect(rect, query)) {
        positions.clear();
        return false;
    }
    return search(group, query, positions);
}

bool TDSpatialIndex::childrenNear(const TDGroup &group, Point point, float margin, std::vector<int> &positions)
{
    return search(group, Box{point.x - margin, point.y - margin, point.x + margin, point.y + margin}, positions);
}

bool TDSpatialIndex::childrenMeetingRect(const TDGroup &group, const Rect &rect, std::vector<int> &positions)
{
    if (!childrenNear(group, rect, positions))
        return false;
    if (!m_paintsBeyondArea)
        return true;
    m_extras.clear();
    m_paintsBeyondArea(m_extras);
    if (m_extras.empty())
        return true;
    Container *container = upToDate(group);
    if (!container)
        return false;
    const size_t before = positions.size();
    for (const TDGraphic *graphic : m_extras) {
        if (!graphic || graphic->layer().get() != &group)
            continue;
        const int i = container->positionOf(group, graphic);
        if (i >= 0)
            positions.push_back(i);
    }
    if (positions.size() != before) {
        std::sort(positions.begin(), positions.end());
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    }
    return true;
}

} // namespace scrivane
