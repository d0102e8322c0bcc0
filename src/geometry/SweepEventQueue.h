#pragma once

// The crossings still to come, as a binary heap ordered like the points of
// the sweep (by y, then x), addressed through an index array so that an
// event can be dropped from the middle.

#include "geometry/GridArithmetic.h"

#include <vector>

namespace scrivane {

class SweepTree;

struct SweepEvent {
    SweepTree *leftNode = nullptr;
    SweepTree *rightNode = nullptr;
    float x = 0.0f;
    float y = 0.0f;
    float tLeft = 0.0f;
    float tRight = 0.0f;
    int heapPosition = -1;
    // The crossing point, exactly.
    grid::ExactPoint at;
};

class SweepEventQueue
{
public:
    explicit SweepEventQueue(int capacity);
    ~SweepEventQueue();
    SweepEventQueue(const SweepEventQueue &) = delete;
    SweepEventQueue &operator=(const SweepEventQueue &) = delete;

    int count = 0;
    int capacity = 0;

    // Index of the new event, -1 when the queue is full.
    int add(SweepTree *left, SweepTree *right, const grid::ExactPoint &at, float tLeft, float tRight);
    int add(SweepTree *left, SweepTree *right, float x, float y, float tLeft, float tRight);
    bool peek(SweepEvent &out) const;
    bool extract(SweepEvent &out);
    void remove(int event);
    const SweepEvent &event(int i) const { return mEvents[std::size_t(i)]; }
    int top() const { return count > 0 ? mHeap[0] : -1; }
    // A node moved in its pool: its events follow it.
    void renameNode(SweepTree *from, SweepTree *to);

private:
    bool before(int a, int b) const;
    void place(int position, int event);
    void siftUp(int position);
    void siftDown(int position);

    std::vector<int> mHeap;
    std::vector<SweepEvent> mEvents;
};

} // namespace scrivane
