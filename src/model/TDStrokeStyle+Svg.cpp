#include "model/TDStrokeStyle.h"

#include "platform/Numbers.h"
#include "platform/SvgValues.h"
#include "platform/XmlElement.h"

#include <cmath>

namespace scrivane {

void TDStrokeStyle::addToSVGElement(XmlElement &element) const
{
    if (m_style == None) {
        element.setAttribute("stroke", "none");
        return;
    }
    if (!drawsLine())
        return;
    element.setAttribute("stroke", SvgValues::svgColor(m_color));
    if (m_color.alpha() < 1)
        element.setNumber("stroke-opacity", m_color.alpha());
    const LineStyle line = lineStyle(false);
    if (std::isfinite(line.width) && line.width > 0) {
        element.setNumber("stroke-width", line.width);
    } else {
        // The canvas draws width 0 as the thinnest line the device shows;
        // SVG would draw nothing at all.
        element.setAttribute("stroke-width", "1");
        element.setAttribute("vector-effect", "non-scaling-stroke");
    }
    if (m_capStyle == static_cast<int>(LineCapStyle::Round))
        element.setAttribute("stroke-linecap", "round");
    else if (m_capStyle == static_cast<int>(LineCapStyle::Square))
        element.setAttribute("stroke-linecap", "square");
    if (m_joinStyle == static_cast<int>(LineJoinStyle::Round))
        element.setAttribute("stroke-linejoin", "round");
    else if (m_joinStyle == static_cast<int>(LineJoinStyle::Bevel))
        element.setAttribute("stroke-linejoin", "bevel");
    // Only a pattern the canvas draws: one it cannot is drawn solid.
    if (!line.dash.empty()) {
        std::string dashes;
        for (float length : line.dash) {
            if (!dashes.empty())
                dashes += ", ";
            Numbers::appendShortest(dashes, length);
        }
        element.setAttribute("stroke-dasharray", std::move(dashes));
    }
}

} // namespace scrivane
