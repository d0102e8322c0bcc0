#include "model/TDFillStyle.h"

#include "model/TDGradient.h"
#include "model/TDGraphic.h"
#include "model/TDSvgContext.h"
#include "platform/Numbers.h"
#include "platform/SvgTransform.h"
#include "platform/SvgValues.h"

#include <cmath>

namespace scrivane {

void TDFillStyle::addToSVGElement(XmlElement &element, TDGraphic &graphic, TDSvgContext &context) const
{
    if (m_windingRule == 0)
        element.setAttribute(QStringLiteral("fill-rule"), QStringLiteral("nonzero"));
    switch (m_style) {
    case None:
        element.setAttribute(QStringLiteral("fill"), QStringLiteral("none"));
        break;
    case ColorFill:
        element.setAttribute(QStringLiteral("fill"), SvgValues::svgColor(m_color));
        if (m_color.alpha() < 1)
            element.setAttribute(QStringLiteral("fill-opacity"), Numbers::formatShortest(m_color.alpha()));
        break;
    case GradientFill: {
        // What the canvas paints for a fill without a gradient: the colours
        // of a gradient without stops.
        XmlElement definition = m_gradient ? m_gradient->svg() : TDGradient().svg();
        const auto point = [](float value) { return Numbers::formatShortest(value); };
        if (m_gradientStyle == Axial) {
            definition.setAttribute(QStringLiteral("x1"), point(m_startPoint.x));
            definition.setAttribute(QStringLiteral("y1"), point(m_startPoint.y));
            definition.setAttribute(QStringLiteral("x2"), point(m_endPoint.x));
            definition.setAttribute(QStringLiteral("y2"), point(m_endPoint.y));
        } else {
            definition.setName(QStringLiteral("radialGradient"));
            definition.setAttribute(QStringLiteral("cx"), point(m_startPoint.x));
            definition.setAttribute(QStringLiteral("cy"), point(m_startPoint.y));
            definition.setAttribute(QStringLiteral("r"), point(float(std::hypot(
                                                              double(m_endPoint.x) - m_startPoint.x,
                                                              double(m_endPoint.y) - m_startPoint.y))));
        }
        definition.setAttribute(QStringLiteral("gradientUnits"), QStringLiteral("userSpaceOnUse"));
        definition.setAttribute(QStringLiteral("gradientTransform"),
                                SvgTransform::svgDescription(graphic.fillTransformation()));
        element.setAttribute(QStringLiteral("fill"),
                             QStringLiteral("url(#%1)").arg(context.addSVGdef(std::move(definition))));
        break;
    }
    default:
        // Images and text are placed by the graphic itself.
        break;
    }
}

} // namespace scrivane
