#include "BuiltinFilters.h"

#include "platform/StringTable.h"
#include "platform/effects/EffectRegistry.h"

#include <memory>
#include <utility>

namespace scrivane {

namespace {

class BuiltinFilter final : public EffectFilter {
public:
    BuiltinFilter(std::vector<InputAttribute> inputs, BuiltinFilters::Output output)
        : EffectFilter(std::move(inputs)), m_output(std::move(output))
    {
    }

    ImageRef outputImage() override { return m_output(*this); }

private:
    BuiltinFilters::Output m_output;
};

} // namespace

void BuiltinFilters::registerAll(EffectRegistry &registry)
{
    registerGeometryFilters(registry);
    registerDistortionFilters(registry);
    registerBlurFilters(registry);
    registerColorFilters(registry);
    registerStylizeFilters(registry);
    registerGeneratorFilters(registry);
    registerCompositeFilters(registry);
}

InputAttribute BuiltinFilters::imageInput(const char *key, const char *displayName)
{
    InputAttribute input;
    input.key = QString::fromLatin1(key);
    input.kind = ValueKind::Image;
    input.type = InputType::Image;
    input.displayName = QString::fromLatin1(displayName);
    return input;
}

InputAttribute BuiltinFilters::numberInput(const char *key, const char *displayName, InputType type,
                                           double defaultValue, const Limits &limits,
                                           std::optional<double> identity)
{
    InputAttribute input;
    input.key = QString::fromLatin1(key);
    input.kind = ValueKind::Number;
    input.type = type;
    input.displayName = QString::fromLatin1(displayName);
    input.defaultValue = defaultValue;
    if (identity)
        input.identity = *identity;
    input.minimum = limits.minimum;
    input.maximum = limits.maximum;
    input.sliderMinimum = limits.sliderMinimum;
    input.sliderMaximum = limits.sliderMaximum;
    return input;
}

InputAttribute BuiltinFilters::vectorInput(const char *key, const char *displayName, InputType type,
                                           const EffectVector &defaultValue)
{
    InputAttribute input;
    input.key = QString::fromLatin1(key);
    input.kind = ValueKind::Vector;
    input.type = type;
    input.displayName = QString::fromLatin1(displayName);
    input.defaultValue = defaultValue;
    return input;
}

InputAttribute BuiltinFilters::colorInput(const char *key, const char *displayName,
                                          const EffectColor &defaultValue, InputType type)
{
    InputAttribute input;
    input.key = QString::fromLatin1(key);
    input.kind = ValueKind::Color;
    input.type = type;
    input.displayName = QString::fromLatin1(displayName);
    input.defaultValue = defaultValue;
    return input;
}

InputAttribute BuiltinFilters::transformInput(const char *key, const char *displayName)
{
    InputAttribute input;
    input.key = QString::fromLatin1(key);
    input.kind = ValueKind::Transform;
    input.type = InputType::Transform;
    input.displayName = QString::fromLatin1(displayName);
    input.defaultValue = EffectTransform();
    input.identity = EffectTransform();
    return input;
}

void BuiltinFilters::add(EffectRegistry &registry, const char *name, QStringList categories,
                         std::vector<InputAttribute> inputs, Output output)
{
    FilterClassAttributes attributes;
    attributes.name = QString::fromLatin1(name);
    attributes.displayName = StringTable::lookup(QStringLiteral("Filters"), attributes.name);
    categories << QString::fromLatin1(FilterCategory::Video)
               << QString::fromLatin1(FilterCategory::StillImage)
               << QString::fromLatin1(FilterCategory::BuiltIn);
    attributes.categories = std::move(categories);
    registry.registerFilter(attributes, [inputs = std::move(inputs), output = std::move(output)] {
        return std::make_unique<BuiltinFilter>(inputs, output);
    });
}

} // namespace scrivane
