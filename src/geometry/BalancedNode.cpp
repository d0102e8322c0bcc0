#include "geometry/BalancedNode.h"

namespace scrivane {

BalancedNode::~BalancedNode()
{
    unlink();
}

void BalancedNode::clearLinks()
{
    leftNeighbour = rightNeighbour = parent = left = right = nullptr;
    balance = 0;
}

void BalancedNode::unlink()
{
    if (leftNeighbour)
        leftNeighbour->rightNeighbour = rightNeighbour;
    if (rightNeighbour)
        rightNeighbour->leftNeighbour = leftNeighbour;
    leftNeighbour = rightNeighbour = nullptr;
}

void BalancedNode::linkBefore(BalancedNode *node)
{
    linkBetween(node ? node->leftNeighbour : nullptr, node);
}

void BalancedNode::linkAfter(BalancedNode *node)
{
    linkBetween(node, node ? node->rightNeighbour : nullptr);
}

void BalancedNode::linkBetween(BalancedNode *l, BalancedNode *r)
{
    leftNeighbour = l;
    rightNeighbour = r;
    if (l)
        l->rightNeighbour = this;
    if (r)
        r->leftNeighbour = this;
}

void BalancedNode::takeListPlace(BalancedNode *node)
{
    leftNeighbour = node->leftNeighbour;
    rightNeighbour = node->rightNeighbour;
    if (leftNeighbour)
        leftNeighbour->rightNeighbour = this;
    if (rightNeighbour)
        rightNeighbour->leftNeighbour = this;
    node->leftNeighbour = node->rightNeighbour = nullptr;
}

BalancedNode *BalancedNode::leftmost()
{
    BalancedNode *n = this;
    while (n->left)
        n = n->left;
    return n;
}

BalancedNode *BalancedNode::rightmost()
{
    BalancedNode *n = this;
    while (n->right)
        n = n->right;
    return n;
}

BalancedNode *BalancedNode::first()
{
    return leftmost();
}

void BalancedNode::replaceChild(BalancedNode *&root, BalancedNode *parent, BalancedNode *from, BalancedNode *to)
{
    if (!parent)
        root = to;
    else if (parent->left == from)
        parent->left = to;
    else
        parent->right = to;
    if (to)
        to->parent = parent;
}

BalancedNode *BalancedNode::rotateLeft(BalancedNode *&root, BalancedNode *p)
{
    BalancedNode *r = p->right;
    p->right = r->left;
    if (r->left)
        r->left->parent = p;
    replaceChild(root, p->parent, p, r);
    r->left = p;
    p->parent = r;
    return r;
}

BalancedNode *BalancedNode::rotateRight(BalancedNode *&root, BalancedNode *p)
{
    BalancedNode *l = p->left;
    p->left = l->right;
    if (l->right)
        l->right->parent = p;
    replaceChild(root, p->parent, p, l);
    l->right = p;
    p->parent = l;
    return l;
}

int BalancedNode::insert(BalancedNode *&root, int position, BalancedNode *l, BalancedNode *r)
{
    if (!root) {
        clearLinks();
        root = this;
        return 0;
    }
    parent = left = right = nullptr;
    balance = 0;
    switch (position) {
    case kLeftmost:
        if (!r || r->left)
            return 3;
        r->left = this;
        parent = r;
        linkBetween(r->leftNeighbour, r);
        return 0;
    case kRightmost:
        if (!l || l->right)
            return 3;
        l->right = this;
        parent = l;
        linkBetween(l, l->rightNeighbour);
        return 0;
    case kBetween:
        if (r && !r->left) {
            r->left = this;
            parent = r;
        } else if (l && !l->right) {
            l->right = this;
            parent = l;
        } else {
            return 3;
        }
        linkBetween(l, r);
        return 0;
    case kAfterEqual:
        if (!l)
            return 3;
        if (!l->right) {
            l->right = this;
            parent = l;
            linkBetween(l, l->rightNeighbour);
            return 0;
        } else {
            BalancedNode *n = l->right->leftmost();
            n->left = this;
            parent = n;
            linkBetween(n->leftNeighbour, n);
            return 0;
        }
    default:
        return 3;
    }
}

int BalancedNode::insertAndRebalance(BalancedNode *&root, int position, BalancedNode *l, BalancedNode *r,
                                     bool rebalance)
{
    const int result = insert(root, position, l, r);
    if (result == 0 && rebalance)
        rebalanceAfterInsert(root);
    return result;
}

int BalancedNode::rebalanceAfterInsert(BalancedNode *&root)
{
    BalancedNode *c = this;
    for (BalancedNode *p = c->parent; p; c = p, p = p->parent) {
        if (c == p->left) {
            if (p->balance == 0) {
                p->balance = 1;
                continue;
            }
            if (p->balance == -1) {
                p->balance = 0;
                return 0;
            }
            if (c->balance == 1) {
                rotateRight(root, p);
                p->balance = c->balance = 0;
            } else {
                BalancedNode *g = c->right;
                if (!g)
                    return 1;
                rotateLeft(root, c);
                rotateRight(root, p);
                p->balance = g->balance == 1 ? -1 : 0;
                c->balance = g->balance == -1 ? 1 : 0;
                g->balance = 0;
            }
            return 0;
        } else {
            if (p->balance == 0) {
                p->balance = -1;
                continue;
            }
            if (p->balance == 1) {
                p->balance = 0;
                return 0;
            }
            if (c->balance == -1) {
                rotateLeft(root, p);
                p->balance = c->balance = 0;
            } else {
                BalancedNode *g = c->left;
                if (!g)
                    return 1;
                rotateRight(root, c);
                rotateLeft(root, p);
                p->balance = g->balance == -1 ? 1 : 0;
                c->balance = g->balance == 1 ? -1 : 0;
                g->balance = 0;
            }
            return 0;
        }
    }
    return 0;
}

int BalancedNode::remove(BalancedNode *&root, BalancedNode *&changedParent, int &lostSide)
{
    changedParent = nullptr;
    lostSide = 0;
    if (left && right) {
        BalancedNode *pred = left->rightmost();
        if (pred->right)
            return 2;
        if (pred == left) {
            pred->right = right;
            right->parent = pred;
            replaceChild(root, parent, this, pred);
            pred->balance = balance;
            changedParent = pred;
            lostSide = -1;
        } else {
            BalancedNode *pp = pred->parent;
            pp->right = pred->left;
            if (pred->left)
                pred->left->parent = pp;
            pred->left = left;
            left->parent = pred;
            pred->right = right;
            right->parent = pred;
            replaceChild(root, parent, this, pred);
            pred->balance = balance;
            changedParent = pp;
            lostSide = 1;
        }
    } else {
        BalancedNode *child = left ? left : right;
        changedParent = parent;
        if (parent)
            lostSide = parent->left == this ? -1 : 1;
        replaceChild(root, parent, this, child);
    }
    unlink();
    parent = left = right = nullptr;
    balance = 0;
    return 0;
}

int BalancedNode::rebalanceAfterRemove(BalancedNode *&root, BalancedNode *p, int lostSide)
{
    while (p) {
        BalancedNode *top = p;
        if (lostSide < 0) {
            if (p->balance == 0) {
                p->balance = -1;
                return 0;
            }
            if (p->balance == 1) {
                p->balance = 0;
            } else {
                BalancedNode *s = p->right;
                if (!s)
                    return 1;
                if (s->balance == 0) {
                    rotateLeft(root, p);
                    p->balance = -1;
                    s->balance = 1;
                    return 0;
                }
                if (s->balance == -1) {
                    rotateLeft(root, p);
                    p->balance = s->balance = 0;
                    top = s;
                } else {
                    BalancedNode *g = s->left;
                    if (!g)
                        return 1;
                    rotateRight(root, s);
                    rotateLeft(root, p);
                    p->balance = g->balance == -1 ? 1 : 0;
                    s->balance = g->balance == 1 ? -1 : 0;
                    g->balance = 0;
                    top = g;
                }
            }
        } else {
            if (p->balance == 0) {
                p->balance = 1;
                return 0;
            }
            if (p->balance == -1) {
                p->balance = 0;
            } else {
                BalancedNode *s = p->left;
                if (!s)
                    return 1;
                if (s->balance == 0) {
                    rotateRight(root, p);
                    p->balance = 1;
                    s->balance = -1;
                    return 0;
                }
                if (s->balance == 1) {
                    rotateRight(root, p);
                    p->balance = s->balance = 0;
                    top = s;
                } else {
                    BalancedNode *g = s->right;
                    if (!g)
                        return 1;
                    rotateLeft(root, s);
                    rotateRight(root, p);
                    p->balance = g->balance == 1 ? -1 : 0;
                    s->balance = g->balance == -1 ? 1 : 0;
                    g->balance = 0;
                    top = g;
                }
            }
        }
        BalancedNode *up = top->parent;
        if (up)
            lostSide = up->left == top ? -1 : 1;
        p = up;
    }
    return 0;
}

int BalancedNode::removeAndRebalance(BalancedNode *&root, bool rebalance)
{
    BalancedNode *changed = nullptr;
    int side = 0;
    const int result = remove(root, changed, side);
    if (result != 0)
        return result;
    if (rebalance && changed)
        rebalanceAfterRemove(root, changed, side);
    return 0;
}

void BalancedNode::relocate(BalancedNode *from, BalancedNode *to, BalancedNode *&root)
{
    if (from == to)
        return;
    to->leftNeighbour = from->leftNeighbour;
    to->rightNeighbour = from->rightNeighbour;
    if (to->leftNeighbour)
        to->leftNeighbour->rightNeighbour = to;
    if (to->rightNeighbour)
        to->rightNeighbour->leftNeighbour = to;
    to->parent = from->parent;
    to->left = from->left;
    to->right = from->right;
    to->balance = from->balance;
    if (!to->parent)
        root = to;
    else if (to->parent->left == from)
        to->parent->left = to;
    else
        to->parent->right = to;
    if (to->left)
        to->left->parent = to;
    if (to->right)
        to->right->parent = to;
    from->leftNeighbour = from->rightNeighbour = from->parent = from->left = from->right = nullptr;
    from->balance = 0;
}

} // namespace scrivane
