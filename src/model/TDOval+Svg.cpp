#include "model/TDOval.h"

namespace scrivane {

XmlElement TDOval::svgShape()
{
    const auto box = svgAxisAlignedBox(transformation());
    if (!box || angleA() != angleB())
        return TDGraphic::svgShape();
    XmlElement ellipse("ellipse");
    ellipse.setNumber("cx", box->midX());
    ellipse.setNumber("cy", box->midY());
    ellipse.setNumber("rx", box->width() / 2);
    ellipse.setNumber("ry", box->height() / 2);
    return ellipse;
}

} // namespace scrivane
