#include "canvas/TDHitList.h"

#include "model/TDGraphic.h"
#include "model/TDGroup.h"

#include <algorithm>
#include <climits>

namespace scrivane {

namespace {

// `first` leads the list when it is in it.
void putFirst(TDGraphicArray &graphics, const TDGraphic *first)
{
    if (!first)
        return;
    const auto found =
        std::find_if(graphics.begin(), graphics.end(), [first](const TDGraphicPtr &g) { return g.get() == first; });
    if (found != graphics.end())
        std::rotate(graphics.begin(), found, found + 1);
}

int depthOf(const TDGraphic *graphic)
{
    int depth = 0;
    for (auto container = graphic->layer(); container; container = container->layer())
        ++depth;
    return depth;
}

int positionIn(const TDGraphicArray &list, const TDGraphic *graphic)
{
    const auto found =
        std::find_if(list.begin(), list.end(), [graphic](const TDGraphicPtr &g) { return g.get() == graphic; });
    return found == list.end() ? INT_MAX : int(found - list.begin());
}

int positionIn(const TDGroup *container, const TDGraphic *graphic, const TDGraphicArray &context)
{
    if (!container)
        return positionIn(context, graphic);
    const int index = container->indexOfGraphic(graphic);
    return index < 0 ? INT_MAX : index;
}

// The positions from the outermost container down to the graphic itself:
// comparing two of these from the front compares the graphics by depth.
std::vector<int> depthPath(const TDGraphic *graphic, const TDGraphicArray &context)
{
    std::vector<int> path;
    const TDGraphic *current = graphic;
    for (auto container = current->layer(); container; container = container->layer()) {
        path.push_back(positionIn(container.get(), current, context));
        current = container.get();
    }
    path.push_back(positionIn(context, current));
    std::reverse(path.begin(), path.end());
    return path;
}

} // namespace

TDGraphicPtr TDHitList::graphicUnderPoint(const TDGraphicArray &candidates, Point point, bool beneath,
                                          const IsSelected &isSelected)
{
    bool passedSelected = false;
    TDGraphicPtr fallback;
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        const TDGraphicPtr &graphic = *it;
        if (!beneath) {
            if (graphic->hitTest(point))
                return graphic;
            continue;
        }
        const bool selected = isSelected && isSelected(graphic.get());
        if (passedSelected && !selected) {
            if (graphic->hitTest(point))
                return graphic;
        } else if (!fallback && graphic->hitTest(point)) {
            fallback = graphic;
        }
        if (selected)
            passedSelected = true;
    }
    return fallback;
}

TDGraphicArray TDHitList::graphicsUnderPoint(const TDGraphicArray &candidates, Point point)
{
    TDGraphicArray result;
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it)
        if ((*it)->hitTest(point))
            result.push_back(*it);
    return result;
}

TDGraphicArray TDHitList::graphicsIntersectingRect(const TDGraphicArray &candidates, const Rect &rect,
                                                   const TDGraphic *first)
{
    TDGraphicArray result;
    for (const TDGraphicPtr &graphic : candidates)
        if (graphic->hitTestRect(rect))
            result.push_back(graphic);
    putFirst(result, first);
    return result;
}

bool TDHitList::liesInside(const Rect &inner, const Rect &outer)
{
    return !(inner.width() < 0) && !(inner.height() < 0) && outer.minX() <= inner.minX() &&
           outer.minY() <= inner.minY() && inner.maxX() <= outer.maxX() && inner.maxY() <= outer.maxY();
}

TDGraphicArray TDHitList::graphicsUnderRect(const TDGraphicArray &candidates, const Rect &rect,
                                            const TDGraphic *first)
{
    TDGraphicArray result;
    if (rect.isEmpty())
        return result;
    for (const TDGraphicPtr &graphic : candidates)
        if (liesInside(graphic->bounds(), rect))
            result.push_back(graphic);
    putFirst(result, first);
    return result;
}

int TDHitList::graphicsDepthSort(const TDGraphic *a, const TDGraphic *b, const TDGraphicArray &context)
{
    std::shared_ptr<TDGroup> ca = a->layer();
    std::shared_ptr<TDGroup> cb = b->layer();
    int da = depthOf(a);
    int db = depthOf(b);
    while (da > db) {
        a = ca.get();
        ca = ca->layer();
        --da;
    }
    while (db > da) {
        b = cb.get();
        cb = cb->layer();
        --db;
    }
    while (ca && cb && ca != cb) {
        a = ca.get();
        ca = ca->layer();
        b = cb.get();
        cb = cb->layer();
    }
    const int pa = positionIn(ca.get(), a, context);
    const int pb = positionIn(ca.get(), b, context);
    return pa == pb ? 0 : (pa < pb ? -1 : 1);
}

TDGraphicArray TDHitList::orderedGraphics(const TDGraphicArray &graphics, const TDGraphicArray &context)
{
    // Each graphic's path of positions is found once; sorting by them gives
    // the order of graphicsDepthSort without searching containers at every
    // comparison.
    std::vector<std::pair<std::vector<int>, TDGraphicPtr>> keyed;
    keyed.reserve(graphics.size());
    for (const TDGraphicPtr &graphic : graphics)
        keyed.emplace_back(depthPath(graphic.get(), context), graphic);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &x, const auto &y) {
        const std::size_t n = std::min(x.first.size(), y.first.size());
        for (std::size_t i = 0; i < n; ++i)
            if (x.first[i] != y.first[i])
                return x.first[i] < y.first[i];
        // One holds the other: the same place.
        return false;
    });
    TDGraphicArray result;
    result.reserve(keyed.size());
    for (auto &entry : keyed)
        result.push_back(std::move(entry.second));
    return result;
}

} // namespace scrivane
