#pragma once

// A node of the sweep status: one edge crossing the sweep position, with
// the queued crossings it has with its two neighbours.

#include "geometry/BalancedNode.h"

namespace scrivane {

class PolyGraph;
class SweepEventQueue;
class SweepTreeList;
class SweepTree;

// How the status orders edges; the sweep supplies it.
class SweepOrder
{
public:
    virtual ~SweepOrder() = default;
    // Where the node being inserted lies relative to an existing node at the
    // current sweep position: negative on its smaller-x side, positive on
    // its larger-x side, 0 when the two cannot be told apart.
    virtual int side(const SweepTree &existing, const SweepTree &inserted) const = 0;
};

class SweepTree : public BalancedNode
{
public:
    SweepTree() = default;
    ~SweepTree();

    // Index of the queued crossing with the left and the right neighbour, -1
    // none.
    int leftEvent = -1;
    int rightEvent = -1;
    PolyGraph *graph = nullptr;
    int edge = -1;
    // 1 when the edge runs in sweep order.
    bool sense = true;
    int entryPoint = -1;

    SweepTree *leftNode() const { return static_cast<SweepTree *>(leftNeighbour); }
    SweepTree *rightNode() const { return static_cast<SweepTree *>(rightNeighbour); }

    void configureEdge(PolyGraph *g, int e, int entry, bool inSweepOrder);
    // Inserts by position; drops the crossing queued between the two nodes
    // that become the new node's neighbours.  0 success, 3 failure.
    int insert(SweepTreeList &list, SweepEventQueue &queue, const SweepOrder &order);
    // Inserts next to a node whose edge leaves the same point, ordered by
    // direction against it and the neighbours that share the point.
    int insertAt(SweepTreeList &list, SweepEventQueue &queue, const SweepOrder &order, SweepTree *reference,
                 bool (*sharesPoint)(const SweepTree &, const SweepTree &));
    // Removes the node and its events, then moves the pool's last node into
    // the freed slot.  0 success, 2 when the tree is inconsistent.
    int remove(SweepTreeList &list, SweepEventQueue &queue, bool rebalance);
    void removeEvent(SweepEventQueue &queue, bool leftSide);
    void removeEvents(SweepEventQueue &queue);
    void swapWithRight(SweepTreeList &list);
};

} // namespace scrivane
