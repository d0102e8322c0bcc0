#include "model/TDGroup.h"

#include "model/TDBezierPath.h"

namespace scrivane {

XmlElement TDGroup::svg(TDSvgContext &context)
{
    if (auto picture = svgPicture(context))
        return *picture;

    XmlElement children("g");
    const TDGraphicArray &graphics = this->graphics();
    const size_t count = clips() ? graphics.size() - 1 : graphics.size();
    children.reserveChildren(count);
    for (size_t i = 0; i < count; ++i)
        children.appendChild(graphics[i]->svg(context));

    std::shared_ptr<TDBezierPath> clipPath;
    if (clips())
        clipPath = graphics.back()->clipPath();
    if (!clipPath) {
        addEffectsToSVGElement(children, context);
        return children;
    }
    // The clip graphic clips by its outline alone, as on the canvas: its
    // paint, effects and visibility play no part.
    XmlElement clipShape = svgPathElement(clipPath.get());
    if (clipPath->windingRule() == WindingRule::NonZero)
        clipShape.setAttribute("clip-rule", "nonzero");
    XmlElement clip("clipPath");
    clip.setAttribute("id", svgClipId());
    clip.appendChild(std::move(clipShape));
    children.setAttribute("clip-path", svgURL(svgClipId()));
    XmlElement outer("g");
    outer.appendChild(std::move(clip));
    outer.appendChild(std::move(children));
    addEffectsToSVGElement(outer, context);
    return outer;
}

} // namespace scrivane
