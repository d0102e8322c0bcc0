#pragma once

#include "model/TDGraphicIndex.h"
#include "model/TDModelTypes.h"

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace scrivane {

// The canvas's spatial index of the children of groups (TDGraphicIndex).
//
// A child's area is where it can paint or be hit: its drawing bounds and its
// bounds, taken as closed rectangles (a line without width still has an
// area), and for a group the areas of all its descendants too, since a group
// is hit wherever one of them is.  An area that is not finite meets every
// rectangle.
//
// For each group it is asked about, the index keeps a packed R-tree of its
// children's areas, built on the first question and again once the child
// list changed (TDGroup::childrenVersion).  A child whose area changed
// (graphicBoundsChanged, which also marks every group holding it) is read
// again before the next answer and kept aside, looked at one by one, until
// enough children are aside to build the tree again.  Answers are the same
// as a scan of every child's area would give.
class TDSpatialIndex : public TDGraphicIndex {
public:
    // The graphics that paint beyond their area for the one showing the
    // document (the selected ones, the one being created or edited): a
    // redraw visits them wherever they are.
    using PaintsBeyondArea = std::function<void(std::vector<const TDGraphic *> &graphics)>;

    explicit TDSpatialIndex(PaintsBeyondArea paintsBeyondArea = {});
    ~TDSpatialIndex() override;
    TDSpatialIndex(const TDSpatialIndex &) = delete;
    TDSpatialIndex &operator=(const TDSpatialIndex &) = delete;

    void graphicBoundsChanged(const TDGraphic &graphic) override;
    bool childrenMeetingRect(const TDGroup &group, const Rect &rect, std::vector<int> &positions) override;

    // The positions, ascending, of the children of `group` whose area meets
    // `rect` (edges touching count).  False when every child is to be
    // looked at instead: the group is not held by a shared pointer, or the
    // rectangle is not finite or holds every child.
    bool childrenNear(const TDGroup &group, const Rect &rect, std::vector<int> &positions);
    // The same for a point: the children whose area, grown by `margin` on
    // every side, holds it.
    bool childrenNear(const TDGroup &group, Point point, float margin, std::vector<int> &positions);

    // Forgets every group (the canvas shows another document).
    void clear();
    // Off: every question is answered with "look at every child", while
    // changes are still taken note of.
    void setEnabled(bool on) { m_enabled = on; }
    bool enabled() const { return m_enabled; }

    // The area as the index computes it from the model: drawing bounds,
    // bounds and, for a group, its descendants' areas; an area that is not
    // finite comes back as the infinite rectangle.
    struct Box {
        float minX, minY, maxX, maxY;
        bool finite() const;
        bool meets(const Box &other) const
        {
            return minX <= other.maxX && other.minX <= maxX && minY <= other.maxY && other.minY <= maxY;
        }
    };
    static Box areaOf(const TDGraphic &graphic);

private:
    class PackedTree;
    struct Container;
    Container *upToDate(const TDGroup &group);
    bool search(const TDGroup &group, const Box &query, std::vector<int> &positions);

    std::unordered_map<const TDGroup *, std::unique_ptr<Container>> m_containers;
    PaintsBeyondArea m_paintsBeyondArea;
    bool m_enabled = true;
    std::vector<const TDGraphic *> m_extras;
};

} // namespace scrivane
