#include "geometry/SweepTree.h"

#include "geometry/SweepEventQueue.h"
#include "geometry/SweepTreeList.h"

namespace scrivane {

SweepTree::~SweepTree() = default;

void SweepTree::configureEdge(PolyGraph *g, int e, int entry, bool inSweepOrder)
{
    graph = g;
    edge = e;
    entryPoint = entry;
    sense = inSweepOrder;
    leftEvent = rightEvent = -1;
}

int SweepTree::insert(SweepTreeList &list, SweepEventQueue &queue, const SweepOrder &order)
{
    BalancedNode *root = list.root;
    if (!root)
        return BalancedNode::insert(list.root, kLeftmost, nullptr, nullptr);
    SweepTree *l = nullptr;
    SweepTree *r = nullptr;
    int position = kNowhere;
    for (SweepTree *m = static_cast<SweepTree *>(root); m;) {
        const int c = order.side(*m, *this);
        if (c == 0) {
            l = m;
            r = m->rightNode();
            position = kAfterEqual;
            break;
        }
        if (c < 0) {
            if (!m->left) {
                r = m;
                l = m->leftNode();
                position = l ? kBetween : kLeftmost;
                break;
            }
            m = static_cast<SweepTree *>(m->left);
        } else {
            if (!m->right) {
                l = m;
                r = m->rightNode();
                position = r ? kBetween : kRightmost;
                break;
            }
            m = static_cast<SweepTree *>(m->right);
        }
    }
    if (l)
        l->removeEvent(queue, false);
    if (r)
        r->removeEvent(queue, true);
    return insertAndRebalance(list.root, position, l, r, true);
}

int SweepTree::insertAt(SweepTreeList &list, SweepEventQueue &queue, const SweepOrder &order,
                        SweepTree *reference, bool (*sharesPoint)(const SweepTree &, const SweepTree &))
{
    if (!reference || !list.root)
        return insert(list, queue, order);
    SweepTree *l = reference;
    SweepTree *r = reference->rightNode();
    const int c = order.side(*reference, *this);
    if (c < 0) {
        r = reference;
        l = reference->leftNode();
        while (l && sharesPoint(*l, *this) && order.side(*l, *this) < 0) {
            r = l;
            l = l->leftNode();
        }
    } else if (c > 0) {
        while (r && sharesPoint(*r, *this) && order.side(*r, *this) > 0) {
            l = r;
            r = r->rightNode();
        }
    }
    if (l)
        l->removeEvent(queue, false);
    if (r)
        r->removeEvent(queue, true);
    const int position = !l ? kLeftmost : (!r ? kRightmost : kBetween);
    return insertAndRebalance(list.root, position, l, r, true);
}

void SweepTree::removeEvent(SweepEventQueue &queue, bool leftSide)
{
    const int e = leftSide ? leftEvent : rightEvent;
    if (e >= 0)
        queue.remove(e);
}

void SweepTree::removeEvents(SweepEventQueue &queue)
{
    removeEvent(queue, true);
    removeEvent(queue, false);
}

int SweepTree::remove(SweepTreeList &list, SweepEventQueue &queue, bool rebalance)
{
    removeEvents(queue);
    const int result = removeAndRebalance(list.root, rebalance);
    if (result != 0)
        return result;
    // Keep the used part of the pool dense: the last node moves here.
    SweepTree *last = list.node(list.count - 1);
    if (last != this) {
        BalancedNode::relocate(last, this, list.root);
        leftEvent = last->leftEvent;
        rightEvent = last->rightEvent;
        graph = last->graph;
        edge = last->edge;
        sense = last->sense;
        entryPoint = last->entryPoint;
        last->leftEvent = last->rightEvent = -1;
        last->edge = -1;
        list.noteNodeOf(*this);
        queue.renameNode(last, this);
    }
    list.count -= 1;
    if (list.count == 0)
        list.root = nullptr;
    return 0;
}

void SweepTree::swapWithRight(SweepTreeList &list)
{
    SweepTree *r = rightNode();
    if (!r)
        return;
    std::swap(graph, r->graph);
    std::swap(edge, r->edge);
    std::swap(sense, r->sense);
    std::swap(entryPoint, r->entryPoint);
    list.noteNodeOf(*this);
    list.noteNodeOf(*r);
}

} // namespace scrivane
