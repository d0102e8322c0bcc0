#include "app/TDSnapGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace scrivane {

namespace {

bool valid(const std::vector<TDSnapGeometry::Palette> &palettes, int index)
{
    return index >= 0 && size_t(index) < palettes.size();
}

// Twice the horizontal distance of the centres, to stay in whole numbers.
int centreGap2(const QRect &a, const QRect &b)
{
    return std::abs((2 * a.x() + a.width()) - (2 * b.x() + b.width()));
}

int bottomOf(const QRect &r)
{
    return r.y() + r.height();
}

} // namespace

QRect TDSnapGeometry::chainFrame(const std::vector<Palette> &palettes, int index)
{
    if (!valid(palettes, index))
        return QRect();
    QRect area = palettes[size_t(index)].frame;
    int next = palettes[size_t(index)].child;
    for (size_t steps = 0; valid(palettes, next) && next != index && steps < palettes.size(); ++steps) {
        area = area.united(palettes[size_t(next)].frame);
        next = palettes[size_t(next)].child;
    }
    return area;
}

bool TDSnapGeometry::inChainBelow(const std::vector<Palette> &palettes, int index, int candidate)
{
    int next = index;
    for (size_t steps = 0; valid(palettes, next) && steps <= palettes.size(); ++steps) {
        if (next == candidate)
            return true;
        next = palettes[size_t(next)].child;
    }
    return false;
}

QRect TDSnapGeometry::keepInside(const QRect &frame, const QRect &area, int chainBelow)
{
    // Each test reads the frame as it was, the later edge winning; but the
    // top edge is tested where the chain below pushed it, so that a chain
    // taller than the screen never takes the title strip off it.
    QPoint origin = frame.topLeft();
    if (bottomOf(frame) + chainBelow > bottomOf(area))
        origin.setY(bottomOf(area) - chainBelow - frame.height());
    origin.setX(std::max(frame.x(), area.x()));
    if (frame.x() + frame.width() > area.x() + area.width())
        origin.setX(area.x() + area.width() - frame.width());
    if (origin.y() < area.y())
        origin.setY(area.y());
    return QRect(origin, frame.size());
}

TDSnapGeometry::Snap TDSnapGeometry::snap(const std::vector<Palette> &palettes, int index, const QRect &frame,
                                          const QRect &area, bool free)
{
    Snap result;
    result.origin = frame.topLeft();
    if (free || !valid(palettes, index))
        return result;
    const Palette &self = palettes[size_t(index)];
    const int chainBelow = valid(palettes, self.child) ? chainFrame(palettes, self.child).height() : 0;
    // A palette hanging under another is kept inside by the top of its
    // chain: moved up on its own it would leave the chain.
    QRect placed = keepInside(frame, area, chainBelow);
    if (self.parent >= 0 && placed.y() < frame.y())
        placed.moveTop(frame.y());
    result.origin = placed.topLeft();

    // Hanging under another palette.
    for (size_t i = 0; i < palettes.size(); ++i) {
        const int q = int(i);
        const Palette &other = palettes[i];
        if (q == index || !other.visible || inChainBelow(palettes, index, q))
            continue;
        const bool qualifies = centreGap2(other.frame, placed) < 2 * CentreTolerance &&
                               std::abs(bottomOf(other.frame) - placed.y()) < SnapDistance &&
                               (other.child < 0 || other.child == index);
        if (qualifies) {
            result.hangUnder = q;
            result.leaveParent = self.parent >= 0 && self.parent != q;
            result.origin = QPoint(other.frame.x(), bottomOf(other.frame));
            return result;
        }
    }
    // Moved away from the palette it hung under.
    result.leaveParent = self.parent >= 0;

    // Resting the chain on another palette.
    for (size_t i = 0; i < palettes.size(); ++i) {
        const int q = int(i);
        const Palette &other = palettes[i];
        if (q == index || q == self.parent || !other.visible || inChainBelow(palettes, index, q))
            continue;
        const bool qualifies = centreGap2(other.frame, placed) < 2 * CentreTolerance &&
                               std::abs(other.frame.y() - (bottomOf(placed) + chainBelow)) < SnapDistance;
        if (!qualifies || other.parent >= 0)
            continue;
        result.restOn = q;
        result.origin = QPoint(other.frame.x(), other.frame.y() - chainBelow - placed.height());
        return result;
    }
    return result;
}

std::vector<int> TDSnapGeometry::rollSteps(int from, int to)
{
    if (from == to)
        return {to};
    const double step = double(to - from) / 3.0;
    return {int(std::lround(from + step)), int(std::lround(from + 2 * step)), to};
}

int TDSnapGeometry::resizedHeight(int height, int dy, int minimum, int maximum)
{
    return std::clamp(height + dy, minimum, std::max(minimum, maximum));
}

TDSnapGeometry::Restored TDSnapGeometry::restoreChains(const QStringList &names, const std::vector<QRect> &frames,
                                                       const QMap<QString, QString> &links)
{
    const int count = int(std::min(size_t(names.size()), frames.size()));
    Restored restored;
    restored.parents.assign(size_t(count), -1);
    restored.frames.assign(frames.begin(), frames.begin() + count);

    // A parent takes the first palette, from the top down, that names it.
    QMap<QString, QString> open = links;
    for (int k = 1; k < count; ++k) {
        const auto found = open.constFind(names[k]);
        if (found == open.constEnd())
            continue;
        const QString parentName = found.value();
        for (auto it = open.begin(); it != open.end();)
            it = it.value() == parentName ? open.erase(it) : std::next(it);
        const int parent = int(names.indexOf(parentName));
        if (parent < 0 || parent >= count || parent == k)
            continue;
        restored.parents[size_t(k)] = parent;
    }

    // A link that closes a ring is cut where the ring is first found.
    for (int k = 0; k < count; ++k) {
        int up = restored.parents[size_t(k)];
        for (int steps = 0; up >= 0 && steps < count; ++steps) {
            if (up == k) {
                restored.parents[size_t(k)] = -1;
                break;
            }
            up = restored.parents[size_t(up)];
        }
    }

    // Each chain from its top palette down.
    std::vector<int> child(size_t(count), -1);
    for (int k = 0; k < count; ++k)
        if (const int parent = restored.parents[size_t(k)]; parent >= 0)
            child[size_t(parent)] = k;
    for (int top = 0; top < count; ++top) {
        if (restored.parents[size_t(top)] >= 0)
            continue;
        int above = top;
        for (int steps = 0; child[size_t(above)] >= 0 && steps < count; ++steps) {
            const int below = child[size_t(above)];
            const QRect &upper = restored.frames[size_t(above)];
            restored.frames[size_t(below)].moveTopLeft(QPoint(upper.x(), bottomOf(upper)));
            above = below;
        }
    }
    return restored;
}

} // namespace scrivane
