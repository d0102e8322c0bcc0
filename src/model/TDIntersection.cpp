#include "model/TDIntersection.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

QString TDIntersection::description() const
{
    return QStringLiteral("(%1, %2, (%3,%4))")
        .arg(Numbers::formatInt(segment), Numbers::formatFixed(t, 2), Numbers::formatFixed(point.x, 2),
             Numbers::formatFixed(point.y, 2));
}

int intersectionTSort(const TDIntersection &a, const TDIntersection &b)
{
    if (a.t < b.t)
        return -1;
    if (a.t > b.t)
        return 1;
    return 0;
}

void sortIntersectionsByT(std::vector<TDIntersection> &intersections)
{
    // A parameter that is not a number would break the ordering the sort
    // relies on; such crossings go last.
    std::stable_sort(intersections.begin(), intersections.end(),
                     [](const TDIntersection &a, const TDIntersection &b) {
                         if (std::isnan(a.t))
                             return false;
                         if (std::isnan(b.t))
                             return true;
                         return intersectionTSort(a, b) < 0;
                     });
}

} // namespace scrivane
