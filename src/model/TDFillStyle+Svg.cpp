#include "model/TDFillStyle.h"

#include "model/TDGradient.h"
#include "model/TDGraphic.h"
#include "model/TDSvgContext.h"
#include "platform/SvgTransform.h"
#include "platform/SvgValues.h"

#include <cmath>

namespace scrivane {

void TDFillStyle::addToSVGElement(XmlElement &element, TDGraphic &graphic, TDSvgContext &context) const
{
    if (m_windingRule == 0)
        element.setAttribute("fill-rule", "nonzero");
    switch (m_style) {
    case None:
        element.setAttribute("fill", "none");
        break;
    case ColorFill:
        element.setAttribute("fill", SvgValues::svgColor(m_color));
        if (m_color.alpha() < 1)
            element.setNumber("fill-opacity", m_color.alpha());
        break;
    case GradientFill: {
        // What the canvas paints for a fill without a gradient: the colours
        // of a gradient without stops.
        XmlElement definition = m_gradient ? m_gradient->svg() : TDGradient().svg();
        if (m_gradientStyle == Axial) {
            definition.setNumber("x1", m_startPoint.x);
            definition.setNumber("y1", m_startPoint.y);
            definition.setNumber("x2", m_endPoint.x);
            definition.setNumber("y2", m_endPoint.y);
        } else {
            definition.setName("radialGradient");
            definition.setNumber("cx", m_startPoint.x);
            definition.setNumber("cy", m_startPoint.y);
            definition.setNumber("r", float(std::hypot(double(m_endPoint.x) - m_startPoint.x,
                                                       double(m_endPoint.y) - m_startPoint.y)));
        }
        definition.setAttribute("gradientUnits", "userSpaceOnUse");
        definition.setAttribute("gradientTransform",
                                SvgTransform::svgDescription(graphic.fillTransformation()));
        element.setAttribute("fill", TDGraphic::svgURL(context.addSVGdef(std::move(definition))));
        break;
    }
    default:
        // Images and text are placed by the graphic itself.
        break;
    }
}

} // namespace scrivane
