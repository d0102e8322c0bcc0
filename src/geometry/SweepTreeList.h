#pragma once

// The fixed pool of status nodes of one sweep.

#include "geometry/SweepTree.h"

#include <vector>

namespace scrivane {

class SweepTreeList
{
public:
    explicit SweepTreeList(int capacity);
    ~SweepTreeList();
    SweepTreeList(const SweepTreeList &) = delete;
    SweepTreeList &operator=(const SweepTreeList &) = delete;

    int count = 0;
    int capacity = 0;
    BalancedNode *root = nullptr;

    // The next unused node, configured; null when the pool is full.
    SweepTree *add(PolyGraph *graph, int edge, int entryPoint, bool inSweepOrder);
    SweepTree *node(int i) { return &mNodes[std::size_t(i)]; }

    // Optional map edge -> node, kept right when nodes move in the pool; when
    // absent the graph's sweep edge records are told instead.
    std::vector<SweepTree *> *edgeNodes = nullptr;
    void noteNodeOf(const SweepTree &node);

private:
    std::vector<SweepTree> mNodes;
};

} // namespace scrivane
