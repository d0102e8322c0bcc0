#include "model/TDOval.h"

#include "platform/Numbers.h"

namespace scrivane {

XmlElement TDOval::svgShape()
{
    const auto box = svgAxisAlignedBox(transformation());
    if (!box || angleA() != angleB())
        return TDGraphic::svgShape();
    XmlElement ellipse(QStringLiteral("ellipse"));
    ellipse.setAttribute(QStringLiteral("cx"), Numbers::formatShortest(box->midX()));
    ellipse.setAttribute(QStringLiteral("cy"), Numbers::formatShortest(box->midY()));
    ellipse.setAttribute(QStringLiteral("rx"), Numbers::formatShortest(box->width() / 2));
    ellipse.setAttribute(QStringLiteral("ry"), Numbers::formatShortest(box->height() / 2));
    return ellipse;
}

} // namespace scrivane
