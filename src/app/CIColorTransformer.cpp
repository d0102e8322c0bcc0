#include "app/CIColorTransformer.h"

namespace scrivane {

Color CIColorTransformer::transformedValue(const std::optional<EffectColor> &value)
{
    if (!value)
        return Color::black();
    return Color::calibratedRGB(float(value->red), float(value->green), float(value->blue), float(value->alpha));
}

EffectColor CIColorTransformer::reverseTransformedValue(const Color &color)
{
    const Color rgb = color.toCalibratedRGB();
    return EffectColor(rgb.components()[0], rgb.components()[1], rgb.components()[2], rgb.alpha());
}

} // namespace scrivane
