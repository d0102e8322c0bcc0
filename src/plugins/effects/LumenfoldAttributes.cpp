#include "LumenfoldAttributes.h"

#include "platform/effects/FilterCategory.h"

#include <QStringList>

namespace scrivane {

InputAttribute LumenfoldAttributes::image()
{
    InputAttribute input;
    input.key = QStringLiteral("inputImage");
    input.kind = ValueKind::Image;
    input.type = InputType::Image;
    input.displayName = QStringLiteral("Image");
    return input;
}

InputAttribute LumenfoldAttributes::number(const char *key, const char *displayName, InputType type,
                                           std::optional<double> minimum, std::optional<double> maximum,
                                           double sliderMinimum, double sliderMaximum, double defaultValue,
                                           double identity)
{
    InputAttribute input;
    input.key = QString::fromLatin1(key);
    input.kind = ValueKind::Number;
    input.type = type;
    input.displayName = QString::fromLatin1(displayName);
    input.minimum = minimum;
    input.maximum = maximum;
    input.sliderMinimum = sliderMinimum;
    input.sliderMaximum = sliderMaximum;
    input.defaultValue = defaultValue;
    input.identity = identity;
    return input;
}

InputAttribute LumenfoldAttributes::color(const char *key, const char *displayName,
                                          const EffectColor &defaultValue)
{
    InputAttribute input;
    input.key = QString::fromLatin1(key);
    input.kind = ValueKind::Color;
    input.displayName = QString::fromLatin1(displayName);
    input.defaultValue = defaultValue;
    return input;
}

QStringList LumenfoldAttributes::categories()
{
    return {QString::fromLatin1(FilterCategory::Stylize), QString::fromLatin1(FilterCategory::Video),
            QString::fromLatin1(FilterCategory::StillImage),
            QString::fromLatin1(FilterCategory::VectorComposite)};
}

} // namespace scrivane
