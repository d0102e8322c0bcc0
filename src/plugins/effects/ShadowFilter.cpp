#include "ShadowFilter.h"

#include "LumenfoldAttributes.h"

#include "platform/effects/EffectRegistry.h"

namespace scrivane {

ShadowFilter::ShadowFilter() : EffectFilter(customAttributes())
{
    EffectRegistry &registry = EffectRegistry::shared();
    affineFilter = registry.create(QStringLiteral("CIAffineTransform"));
    blurFilter = registry.create(QStringLiteral("CIGaussianBlur"));
    colorFilter = registry.create(QStringLiteral("CIColorMatrix"));
    composeFilter = registry.create(QStringLiteral("CISourceOverCompositing"));
    last = false;
}

ShadowFilter::~ShadowFilter() = default;

std::vector<InputAttribute> ShadowFilter::customAttributes()
{
    using A = LumenfoldAttributes;
    return {
        A::image(),
        A::number("offsetX", "X Offset", InputType::Distance, -100, 100, -100, 100, 50, 0),
        A::number("offsetY", "Y Offset", InputType::Distance, -100, 100, -100, 100, 50, 0),
        A::number("blur", "Radius", InputType::Distance, 0, std::nullopt, 0, 100, 10, 0),
        A::color("color", "Color", EffectColor(0, 0, 0, 0.3)),
    };
}

std::unique_ptr<EffectFilter> ShadowFilter::filterWithName(const QString &)
{
    return std::make_unique<ShadowFilter>();
}

bool ShadowFilter::registerFilter(EffectPluginHost &host)
{
    FilterClassAttributes attributes;
    attributes.name = QStringLiteral("QVDropShadow");
    attributes.displayName = host.localizedString(QStringLiteral("Filters"), QStringLiteral("Drop Shadow"));
    attributes.categories = LumenfoldAttributes::categories();
    return host.registerFilter(attributes, [] { return filterWithName(QStringLiteral("QVDropShadow")); });
}

void ShadowFilter::setLastFilter(bool lastFilter)
{
    last = lastFilter;
}

void ShadowFilter::clearFilter()
{
    for (EffectFilter *f : {affineFilter.get(), blurFilter.get(), colorFilter.get(), composeFilter.get()})
        if (f)
            f->setValue(QStringLiteral("inputImage"), EffectValue());
    if (composeFilter)
        composeFilter->setValue(QStringLiteral("inputBackgroundImage"), EffectValue());
}

ImageRef ShadowFilter::outputImage()
{
    const ImageRef inputImage = image(QStringLiteral("inputImage"));
    if (!inputImage || !affineFilter || !blurFilter || !colorFilter || !composeFilter)
        return inputImage;
    const EffectColor color = this->color(QStringLiteral("color"));

    affineFilter->setValue(QStringLiteral("inputImage"), inputImage);
    affineFilter->setValue(
        QStringLiteral("inputTransform"),
        EffectTransform::translation(number(QStringLiteral("offsetX")), number(QStringLiteral("offsetY"))));
    blurFilter->setValue(QStringLiteral("inputImage"), affineFilter->outputImage());
    blurFilter->setValue(QStringLiteral("inputRadius"), number(QStringLiteral("blur")));
    // Every pixel takes the shadow colour, with the source's alpha times the
    // colour's alpha.
    colorFilter->setValue(QStringLiteral("inputImage"), blurFilter->outputImage());
    colorFilter->setValue(QStringLiteral("inputRVector"), EffectVector(0, 0, 0, 0));
    colorFilter->setValue(QStringLiteral("inputGVector"), EffectVector(0, 0, 0, 0));
    colorFilter->setValue(QStringLiteral("inputBVector"), EffectVector(0, 0, 0, 0));
    colorFilter->setValue(QStringLiteral("inputAVector"), EffectVector(0, 0, 0, color.alpha));
    colorFilter->setValue(QStringLiteral("inputBiasVector"),
                          EffectVector(color.red, color.green, color.blue, 0));
    const ImageRef shadow = colorFilter->outputImage();
    if (last)
        return shadow;
    composeFilter->setValue(QStringLiteral("inputBackgroundImage"), shadow);
    composeFilter->setValue(QStringLiteral("inputImage"), inputImage);
    return composeFilter->outputImage();
}

} // namespace scrivane
