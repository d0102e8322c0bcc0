#include "model/TDRectangle.h"

#include <algorithm>

namespace scrivane {

XmlElement TDRectangle::svgShape()
{
    const auto box = svgAxisAlignedBox(transformation());
    if (!box)
        return TDGraphic::svgShape();
    XmlElement rect("rect");
    if (roundness() > 0) {
        const float radius = roundness() * std::min(box->width(), box->height());
        rect.setNumber("rx", radius);
        rect.setNumber("ry", radius);
    }
    setSVGRect(rect, *box);
    return rect;
}

} // namespace scrivane
