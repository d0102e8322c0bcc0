#include "canvas/TDSnapping.h"

#include "model/TDCanvasTypes.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

float toGuide(float value, std::span<const float> guides, float reach)
{
    for (const float guide : guides) {
        const float location = std::trunc(guide);
        if (std::isfinite(location) && std::abs(location - value) < reach)
            return location;
    }
    return value;
}

} // namespace

Point TDSnapping::snapToGrid(Point point, const Grid &grid)
{
    if (!grid.snap)
        return point;
    const double step = double(grid.spacing) / double(std::max(1, grid.subdivisions));
    if (!(step > 0) || !std::isfinite(step))
        return point;
    const auto snap = [&](float value) {
        double snapped = std::floor(double(value) / step + 0.5) * step;
        if (grid.pixelAligned)
            snapped = std::trunc(snapped) + 0.5;
        return std::isfinite(snapped) ? float(snapped) : value;
    };
    return Point(snap(point.x), snap(point.y));
}

Point TDSnapping::snapToGuides(Point point, std::span<const float> xGuides, std::span<const float> yGuides,
                               float zoom)
{
    if (xGuides.empty() && yGuides.empty())
        return point;
    const float reach = kGuideReach / usableZoom(zoom);
    return Point(toGuide(point.x, xGuides, reach), toGuide(point.y, yGuides, reach));
}

} // namespace scrivane
