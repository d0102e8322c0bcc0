#include "model/TDRectangle.h"

#include "platform/Numbers.h"

#include <algorithm>

namespace scrivane {

XmlElement TDRectangle::svgShape()
{
    const auto box = svgAxisAlignedBox(transformation());
    if (!box)
        return TDGraphic::svgShape();
    XmlElement rect(QStringLiteral("rect"));
    if (roundness() > 0) {
        const float radius = roundness() * std::min(box->width(), box->height());
        rect.setAttribute(QStringLiteral("rx"), Numbers::formatShortest(radius));
        rect.setAttribute(QStringLiteral("ry"), Numbers::formatShortest(radius));
    }
    setSVGRect(rect, *box);
    return rect;
}

} // namespace scrivane
