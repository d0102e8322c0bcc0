#include "model/TDGradient.h"

#include "platform/SvgValues.h"

#include <algorithm>

namespace scrivane {

XmlElement TDGradient::svg() const
{
    XmlElement gradient("linearGradient");
    const auto addStop = [&gradient](float offset, const Components &c) {
        XmlElement &stop = gradient.appendChild(XmlElement("stop"));
        stop.setNumber("offset", offset);
        stop.setAttribute("stop-color", SvgValues::svgColor(Color::calibratedRGB(c[0], c[1], c[2])));
        if (c[3] != 1)
            stop.setNumber("stop-opacity", c[3]);
    };
    // SVG reads stops in order and clamps offsets to [0, 1]: stops beyond 1
    // are replaced by the colour the gradient has at 1.  Stops dragged off
    // the editor take no part (they are not among the cached ones).
    const std::vector<CachedMarker> &stops = cachedMarkers();
    bool beyond = false;
    for (const CachedMarker &stop : stops) {
        if (stop.position > 1) {
            beyond = true;
            break;
        }
        addStop(std::max(stop.position, 0.0f), stop.color);
    }
    if (beyond)
        addStop(1, colorAtPosition(1));
    // Without stops SVG paints nothing, the canvas one colour.
    if (stops.empty())
        addStop(0, colorAtPosition(0));
    return gradient;
}

} // namespace scrivane
