#include "model/TDStrokeStyle.h"

#include "platform/Numbers.h"
#include "platform/SvgValues.h"
#include "platform/XmlElement.h"

#include <cmath>

namespace scrivane {

void TDStrokeStyle::addToSVGElement(XmlElement &element) const
{
    if (m_style == None) {
        element.setAttribute(QStringLiteral("stroke"), QStringLiteral("none"));
        return;
    }
    if (!drawsLine())
        return;
    element.setAttribute(QStringLiteral("stroke"), SvgValues::svgColor(m_color));
    if (m_color.alpha() < 1)
        element.setAttribute(QStringLiteral("stroke-opacity"), Numbers::formatShortest(m_color.alpha()));
    const LineStyle line = lineStyle(false);
    if (std::isfinite(line.width) && line.width > 0) {
        element.setAttribute(QStringLiteral("stroke-width"), Numbers::formatShortest(line.width));
    } else {
        // The canvas draws width 0 as the thinnest line the device shows;
        // SVG would draw nothing at all.
        element.setAttribute(QStringLiteral("stroke-width"), QStringLiteral("1"));
        element.setAttribute(QStringLiteral("vector-effect"), QStringLiteral("non-scaling-stroke"));
    }
    if (m_capStyle == static_cast<int>(LineCapStyle::Round))
        element.setAttribute(QStringLiteral("stroke-linecap"), QStringLiteral("round"));
    else if (m_capStyle == static_cast<int>(LineCapStyle::Square))
        element.setAttribute(QStringLiteral("stroke-linecap"), QStringLiteral("square"));
    if (m_joinStyle == static_cast<int>(LineJoinStyle::Round))
        element.setAttribute(QStringLiteral("stroke-linejoin"), QStringLiteral("round"));
    else if (m_joinStyle == static_cast<int>(LineJoinStyle::Bevel))
        element.setAttribute(QStringLiteral("stroke-linejoin"), QStringLiteral("bevel"));
    // Only a pattern the canvas draws: one it cannot is drawn solid.
    if (!line.dash.empty()) {
        std::string dashes;
        for (float length : line.dash) {
            if (!dashes.empty())
                dashes += ", ";
            Numbers::appendShortest(dashes, length);
        }
        element.setAttribute(QStringLiteral("stroke-dasharray"), QString::fromLatin1(dashes));
    }
}

} // namespace scrivane
