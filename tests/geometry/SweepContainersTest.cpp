#include "geometry/PolyGraph.h"
#include "geometry/SweepEventQueue.h"
#include "geometry/SweepTree.h"
#include "geometry/SweepTreeList.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace scrivane {
namespace {

// Orders nodes by their edge number, as if the edges stood side by side.
class ByEdge : public SweepOrder
{
public:
    int side(const SweepTree &existing, const SweepTree &inserted) const override
    {
        return inserted.edge < existing.edge ? -1 : (inserted.edge > existing.edge ? 1 : 0);
    }
};

std::vector<int> inOrder(const BalancedNode *root)
{
    std::vector<int> out;
    std::vector<const BalancedNode *> stack;
    for (const BalancedNode *n = root; n || !stack.empty();) {
        while (n) {
            stack.push_back(n);
            n = n->left;
        }
        n = stack.back();
        stack.pop_back();
        out.push_back(static_cast<const SweepTree *>(n)->edge);
        n = n->right;
    }
    return out;
}

int checkHeight(const BalancedNode *n, bool &ok)
{
    if (!n)
        return 0;
    const int l = checkHeight(n->left, ok), r = checkHeight(n->right, ok);
    ok = ok && (l - r == n->balance) && (!n->left || n->left->parent == n) && (!n->right || n->right->parent == n);
    return 1 + std::max(l, r);
}

std::vector<int> listOrder(const BalancedNode *root)
{
    std::vector<int> out;
    if (!root)
        return out;
    const BalancedNode *n = root;
    while (n->leftNeighbour)
        n = n->leftNeighbour;
    for (; n; n = n->rightNeighbour)
        out.push_back(static_cast<const SweepTree *>(n)->edge);
    return out;
}

TEST(SweepTree, InsertionsKeepTheNeighbourListAndTheBalances)
{
    SweepTreeList list(3);
    SweepEventQueue queue(4);
    ByEdge order;
    for (int e : {5, 2, 8}) {
        SweepTree *n = list.add(nullptr, e, -1, true);
        ASSERT_EQ(n->insert(list, queue, order), 0);
    }
    EXPECT_EQ(listOrder(list.root), (std::vector<int>{2, 5, 8}));
    EXPECT_EQ(list.root->balance, 0);
    EXPECT_EQ(list.add(nullptr, 9, -1, true), nullptr) << "the pool is full";
}

TEST(SweepTree, RemovingTheRootPromotesThePredecessorAndMovesTheLastNode)
{
    SweepTreeList list(3);
    SweepEventQueue queue(4);
    std::vector<SweepTree *> nodeOf(10, nullptr);
    list.edgeNodes = &nodeOf;
    ByEdge order;
    for (int e : {5, 2, 8})
        list.add(nullptr, e, -1, true)->insert(list, queue, order);
    SweepTree *root = static_cast<SweepTree *>(list.root);
    ASSERT_EQ(root->edge, 5);
    ASSERT_EQ(root->remove(list, queue, true), 0);
    EXPECT_EQ(listOrder(list.root), (std::vector<int>{2, 8}));
    EXPECT_EQ(inOrder(list.root), (std::vector<int>{2, 8}));
    EXPECT_EQ(list.count, 2);
    // Edge 8's node was the last of the pool; it now stands in slot 0.
    EXPECT_EQ(nodeOf[8], list.node(0));
    EXPECT_EQ(list.node(0)->edge, 8);
}

TEST(SweepTree, RandomInsertionsAndRemovalsStayBalancedAndOrdered)
{
    std::mt19937 rng(7);
    const int n = 300;
    SweepTreeList list(n);
    SweepEventQueue queue(n);
    std::vector<SweepTree *> nodeOf(1000, nullptr);
    list.edgeNodes = &nodeOf;
    ByEdge order;
    std::vector<int> present;
    for (int step = 0; step < 3000; ++step) {
        if (present.size() < std::size_t(n) && (present.empty() || rng() % 3 != 0)) {
            int e;
            do
                e = int(rng() % 1000);
            while (nodeOf[std::size_t(e)]);
            ASSERT_EQ(list.add(nullptr, e, -1, true)->insert(list, queue, order), 0);
            present.push_back(e);
        } else {
            const std::size_t k = rng() % present.size();
            ASSERT_EQ(nodeOf[std::size_t(present[k])]->remove(list, queue, true), 0);
            nodeOf[std::size_t(present[k])] = nullptr;
            present.erase(present.begin() + std::ptrdiff_t(k));
        }
        bool ok = true;
        const int height = checkHeight(list.root, ok);
        ASSERT_TRUE(ok) << step;
        ASSERT_LE(height, 2 * 9) << step;
        std::vector<int> sorted = present;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(inOrder(list.root), sorted) << step;
        ASSERT_EQ(listOrder(list.root), sorted) << step;
    }
}

TEST(SweepEventQueue, OrdersByYThenXAndRemovesFromTheMiddle)
{
    SweepTreeList list(8);
    SweepEventQueue queue(8);
    std::vector<SweepTree *> nodes;
    for (int i = 0; i < 8; ++i)
        nodes.push_back(list.add(nullptr, i, -1, true));
    queue.add(nodes[0], nodes[1], 5.0f, 1.0f, 0, 0);
    queue.add(nodes[2], nodes[3], 2.0f, 1.0f, 0, 0);
    const int middle = queue.add(nodes[4], nodes[5], 1.0f, 3.0f, 0, 0);
    queue.add(nodes[6], nodes[7], 9.0f, 0.5f, 0, 0);
    EXPECT_EQ(nodes[4]->rightEvent, middle);
    EXPECT_EQ(nodes[5]->leftEvent, middle);
    queue.remove(middle);
    EXPECT_EQ(nodes[4]->rightEvent, -1);
    std::vector<float> xs;
    SweepEvent e;
    while (queue.extract(e))
        xs.push_back(e.x);
    EXPECT_EQ(xs, (std::vector<float>{9.0f, 2.0f, 5.0f}));
    for (SweepTree *n : nodes)
        EXPECT_TRUE(n->leftEvent < 0 && n->rightEvent < 0);
}

TEST(SweepEventQueue, EventsFollowANodeMovedInItsPool)
{
    SweepTreeList list(3);
    SweepEventQueue queue(3);
    ByEdge order;
    for (int e : {1, 2, 3})
        list.add(nullptr, e, -1, true)->insert(list, queue, order);
    SweepTree *a = list.node(0), *b = list.node(1), *c = list.node(2);
    queue.add(b, c, 0.0f, 1.0f, 0, 0);
    ASSERT_EQ(a->remove(list, queue, true), 0);
    // c moved into a's slot and its event came along.
    SweepTree *moved = list.node(0);
    EXPECT_EQ(moved->edge, 3);
    ASSERT_GE(moved->leftEvent, 0);
    EXPECT_EQ(queue.event(moved->leftEvent).rightNode, moved);
    EXPECT_EQ(queue.event(moved->leftEvent).leftNode, b);
}

} // namespace
} // namespace scrivane
