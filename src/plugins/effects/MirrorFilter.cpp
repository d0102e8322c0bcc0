#include "MirrorFilter.h"

#include "FadeKernel.h"
#include "LumenfoldAttributes.h"

#include "platform/effects/EffectRegistry.h"

namespace scrivane {

MirrorFilter::MirrorFilter() : EffectFilter(customAttributes())
{
    EffectRegistry &registry = EffectRegistry::shared();
    affineFilter = registry.create(QStringLiteral("CIAffineTransform"));
    composeFilter = registry.create(QStringLiteral("CISourceOverCompositing"));
    blurFilter = registry.create(QStringLiteral("CIGaussianBlur"));
}

MirrorFilter::~MirrorFilter() = default;

std::vector<InputAttribute> MirrorFilter::customAttributes()
{
    using A = LumenfoldAttributes;
    // The slope's slider reaches 500 while its maximum is 200.
    return {
        A::image(),
        A::number("slope", "Slope", InputType::Scalar, 0.1, 200, 0.1, 500, 100, 100),
        A::number("offset", "Offset", InputType::Scalar, 0, 500, 0, 500, 100, 0),
        A::number("yoffset", "Y Offset", InputType::Scalar, -200, 200, -200, 200, 0, 0),
        A::number("blur", "Radius", InputType::Distance, 0, std::nullopt, 0, 100, 0, 0),
    };
}

std::unique_ptr<EffectFilter> MirrorFilter::filterWithName(const QString &)
{
    return std::make_unique<MirrorFilter>();
}

bool MirrorFilter::registerFilter(EffectPluginHost &host)
{
    FilterClassAttributes attributes;
    attributes.name = QStringLiteral("QVReflection");
    attributes.displayName = host.localizedString(QStringLiteral("Filters"), QStringLiteral("Reflection"));
    attributes.categories = LumenfoldAttributes::categories();
    return host.registerFilter(attributes, [] { return filterWithName(QStringLiteral("QVReflection")); });
}

void MirrorFilter::setLastFilter(bool lastFilter)
{
    last = lastFilter;
}

void MirrorFilter::clearFilter()
{
    for (EffectFilter *f : {affineFilter.get(), blurFilter.get(), composeFilter.get()})
        if (f)
            f->setValue(QStringLiteral("inputImage"), EffectValue());
    if (composeFilter)
        composeFilter->setValue(QStringLiteral("inputBackgroundImage"), EffectValue());
}

ImageRef MirrorFilter::outputImage()
{
    const ImageRef inputImage = image(QStringLiteral("inputImage"));
    if (!inputImage || !affineFilter || !blurFilter || !composeFilter)
        return inputImage;
    // An unbounded input has no edge to mirror about.
    const EffectRect extent = inputImage->extent();
    if (extent.isInfinite() || extent.isEmpty())
        return inputImage;
    const double h = extent.height;
    const double slope = number(QStringLiteral("slope"));
    const double offset = number(QStringLiteral("offset"));
    const double yoffset = number(QStringLiteral("yoffset"));
    const double blur = number(QStringLiteral("blur"));

    ImageRef faded = inputImage;
    if (slope > 0) {
        const double threshold = h - offset;
        faded = EffectImage::applyKernel(inputImage, [slope, threshold](Rgba &pixel, EffectPoint where) {
            fadeKernel(pixel, where, slope, threshold);
        });
    }
    // (x, y) → (x, 2h + yoffset − y): mirrored about the edge y = h, then
    // moved by yoffset.
    affineFilter->setValue(QStringLiteral("inputImage"), faded);
    affineFilter->setValue(QStringLiteral("inputTransform"),
                           EffectTransform(1, 0, 0, -1, 0, 2 * h + yoffset));
    blurFilter->setValue(QStringLiteral("inputImage"), affineFilter->outputImage());
    blurFilter->setValue(QStringLiteral("inputRadius"), blur);
    const ImageRef reflection = blurFilter->outputImage();
    if (last)
        return reflection;
    composeFilter->setValue(QStringLiteral("inputBackgroundImage"), reflection);
    composeFilter->setValue(QStringLiteral("inputImage"), inputImage);
    return composeFilter->outputImage();
}

} // namespace scrivane
