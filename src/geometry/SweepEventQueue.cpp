#include "geometry/SweepEventQueue.h"

#include "geometry/SweepTree.h"

namespace scrivane {

SweepEventQueue::SweepEventQueue(int cap)
    : capacity(cap > 0 ? cap : 0)
    , mHeap(std::size_t(cap > 0 ? cap : 0))
    , mEvents(std::size_t(cap > 0 ? cap : 0))
{
}

SweepEventQueue::~SweepEventQueue()
{
    count = 0;
}

bool SweepEventQueue::before(int a, int b) const
{
    return grid::compare(mEvents[std::size_t(a)].at, mEvents[std::size_t(b)].at) < 0;
}

void SweepEventQueue::place(int position, int event)
{
    mHeap[std::size_t(position)] = event;
    mEvents[std::size_t(event)].heapPosition = position;
}

void SweepEventQueue::siftUp(int position)
{
    const int event = mHeap[std::size_t(position)];
    while (position > 0) {
        const int parent = (position - 1) / 2;
        if (!before(event, mHeap[std::size_t(parent)]))
            break;
        place(position, mHeap[std::size_t(parent)]);
        position = parent;
    }
    place(position, event);
}

void SweepEventQueue::siftDown(int position)
{
    const int event = mHeap[std::size_t(position)];
    for (;;) {
        const int l = 2 * position + 1;
        if (l >= count)
            break;
        int child = l;
        const int r = l + 1;
        // Between two equal children the right one is taken.
        if (r < count && !before(mHeap[std::size_t(l)], mHeap[std::size_t(r)]))
            child = r;
        if (!before(mHeap[std::size_t(child)], event))
            break;
        place(position, mHeap[std::size_t(child)]);
        position = child;
    }
    place(position, event);
}

int SweepEventQueue::add(SweepTree *left, SweepTree *right, const grid::ExactPoint &at, float tLeft, float tRight)
{
    if (count >= capacity || !left || !right)
        return -1;
    const int index = count++;
    SweepEvent &e = mEvents[std::size_t(index)];
    e.leftNode = left;
    e.rightNode = right;
    e.at = at;
    e.x = float(at.x());
    e.y = float(at.y());
    e.tLeft = tLeft;
    e.tRight = tRight;
    left->rightEvent = index;
    right->leftEvent = index;
    place(index, index);
    siftUp(index);
    return index;
}

int SweepEventQueue::add(SweepTree *left, SweepTree *right, float x, float y, float tLeft, float tRight)
{
    // A point given in floats is taken at the precision of the grid's
    // fractions: exact for every float the sweep produces.
    grid::ExactPoint at;
    const double scale = double(std::int64_t(1) << 20);
    at.d = std::int64_t(1) << 20;
    grid::floorDivide(grid::Wide(std::llround(double(x) * scale)), at.d, at.qx, at.rx);
    grid::floorDivide(grid::Wide(std::llround(double(y) * scale)), at.d, at.qy, at.ry);
    const int index = add(left, right, at, tLeft, tRight);
    if (index >= 0) {
        mEvents[std::size_t(index)].x = x;
        mEvents[std::size_t(index)].y = y;
    }
    return index;
}

bool SweepEventQueue::peek(SweepEvent &out) const
{
    if (count == 0)
        return false;
    out = mEvents[std::size_t(mHeap[0])];
    return true;
}

bool SweepEventQueue::extract(SweepEvent &out)
{
    if (!peek(out))
        return false;
    remove(mHeap[0]);
    return true;
}

void SweepEventQueue::remove(int event)
{
    if (event < 0 || event >= count)
        return;
    SweepEvent &e = mEvents[std::size_t(event)];
    if (e.leftNode && e.leftNode->rightEvent == event)
        e.leftNode->rightEvent = -1;
    if (e.rightNode && e.rightNode->leftEvent == event)
        e.rightNode->leftEvent = -1;
    const int position = e.heapPosition;
    count -= 1;
    const int last = count;
    if (event != last) {
        // The last record moves into the freed slot.
        mEvents[std::size_t(event)] = mEvents[std::size_t(last)];
        SweepEvent &moved = mEvents[std::size_t(event)];
        if (moved.leftNode && moved.leftNode->rightEvent == last)
            moved.leftNode->rightEvent = event;
        if (moved.rightNode && moved.rightNode->leftEvent == last)
            moved.rightNode->leftEvent = event;
        mHeap[std::size_t(moved.heapPosition)] = event;
    }
    // The last heap entry fills the hole.
    if (position < count) {
        const int filler = mHeap[std::size_t(count)];
        place(position, filler);
        siftUp(position);
        if (mEvents[std::size_t(filler)].heapPosition == position)
            siftDown(position);
    }
}

void SweepEventQueue::renameNode(SweepTree *from, SweepTree *to)
{
    if (to->leftEvent >= 0 && to->leftEvent < count && mEvents[std::size_t(to->leftEvent)].rightNode == from)
        mEvents[std::size_t(to->leftEvent)].rightNode = to;
    if (to->rightEvent >= 0 && to->rightEvent < count && mEvents[std::size_t(to->rightEvent)].leftNode == from)
        mEvents[std::size_t(to->rightEvent)].leftNode = to;
}

} // namespace scrivane
