#include "app/ScaleTransformer.h"

#include <map>

namespace scrivane {

namespace {

std::map<QString, ScaleTransformer> &registered()
{
    static std::map<QString, ScaleTransformer> transformers;
    return transformers;
}

} // namespace

double ScaleTransformer::transformedValue(std::optional<double> value) const
{
    if (!value)
        return 0;
    // Single precision, as the numbers the controls show always were.
    return double(float(*value / double(m_scale)));
}

double ScaleTransformer::reverseTransformedValue(std::optional<double> value) const
{
    if (!value)
        return 0;
    return double(float(double(m_scale) * *value));
}

void ScaleTransformer::setValueTransformer(const QString &name, const ScaleTransformer &transformer)
{
    registered().insert_or_assign(name, transformer);
}

const ScaleTransformer *ScaleTransformer::valueTransformerForName(const QString &name)
{
    const auto found = registered().find(name);
    return found == registered().end() ? nullptr : &found->second;
}

} // namespace scrivane
