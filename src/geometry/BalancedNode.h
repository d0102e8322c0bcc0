#pragma once

// A node of a height-balanced binary tree that also keeps its in-order
// neighbours in a doubly linked list, so that the sweep reaches the edges on
// either side of an edge in constant time.

namespace scrivane {

class BalancedNode
{
public:
    // Where a node goes, as the position search of the sweep finds it.
    enum Position {
        kNowhere = 0,
        kAfterEqual = 1, // right after an existing node that compares equal
        kLeftmost = 2,
        kRightmost = 3,
        kBetween = 4,
    };

    BalancedNode() = default;
    ~BalancedNode();
    BalancedNode(const BalancedNode &) = delete;
    BalancedNode &operator=(const BalancedNode &) = delete;

    BalancedNode *leftNeighbour = nullptr;
    BalancedNode *rightNeighbour = nullptr;
    BalancedNode *parent = nullptr;
    BalancedNode *left = nullptr;
    BalancedNode *right = nullptr;
    // +1 when the left subtree is one level taller, -1 when the right one is.
    int balance = 0;

    // 0 success, 3 failure.
    int insert(BalancedNode *&root, int position, BalancedNode *l, BalancedNode *r);
    int insertAndRebalance(BalancedNode *&root, int position, BalancedNode *l, BalancedNode *r, bool rebalance);
    // 0 success, 1 when a balance promises a child that is missing.
    int rebalanceAfterInsert(BalancedNode *&root);
    // 0 success, 2 when the tree is inconsistent.
    int removeAndRebalance(BalancedNode *&root, bool rebalance);
    int remove(BalancedNode *&root, BalancedNode *&changedParent, int &lostSide);
    static int rebalanceAfterRemove(BalancedNode *&root, BalancedNode *parent, int lostSide);
    // "to" takes the place of "from" in the list and the tree.
    static void relocate(BalancedNode *from, BalancedNode *to, BalancedNode *&root);

    BalancedNode *leftmost();
    BalancedNode *rightmost();
    BalancedNode *first();

    void clearLinks();
    void unlink();
    void linkBefore(BalancedNode *node);
    void linkAfter(BalancedNode *node);
    void linkBetween(BalancedNode *l, BalancedNode *r);
    void takeListPlace(BalancedNode *node);

private:
    static void replaceChild(BalancedNode *&root, BalancedNode *parent, BalancedNode *from, BalancedNode *to);
    static BalancedNode *rotateLeft(BalancedNode *&root, BalancedNode *p);
    static BalancedNode *rotateRight(BalancedNode *&root, BalancedNode *p);
};

} // namespace scrivane
