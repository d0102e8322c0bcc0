#include "geometry/SweepTreeList.h"

#include "geometry/PolyGraph.h"

namespace scrivane {

SweepTreeList::SweepTreeList(int cap)
    : capacity(cap > 0 ? cap : 0)
    , mNodes(std::size_t(cap > 0 ? cap : 0))
{
}

SweepTreeList::~SweepTreeList()
{
    // The nodes' own destructors unlink them; clear the links first so that
    // no node touches one already gone.
    for (SweepTree &n : mNodes)
        n.clearLinks();
    count = 0;
    root = nullptr;
}

SweepTree *SweepTreeList::add(PolyGraph *graph, int edge, int entryPoint, bool inSweepOrder)
{
    if (count >= capacity)
        return nullptr;
    SweepTree *n = &mNodes[std::size_t(count++)];
    n->clearLinks();
    n->configureEdge(graph, edge, entryPoint, inSweepOrder);
    noteNodeOf(*n);
    return n;
}

void SweepTreeList::noteNodeOf(const SweepTree &node)
{
    SweepTree *n = const_cast<SweepTree *>(&node);
    if (edgeNodes) {
        if (node.edge >= 0 && std::size_t(node.edge) < edgeNodes->size())
            (*edgeNodes)[std::size_t(node.edge)] = n;
    } else if (node.graph && node.graph->hasFlag(PolyGraph::kHasSweepEdgeData) && node.edge >= 0
               && node.edge < node.graph->edgeCount()) {
        node.graph->sweepEdge(node.edge).node = n;
    }
}

} // namespace scrivane
