#include "EffectFilter.h"

#include "platform/effects/FilterCategory.h"

#include <cmath>
#include <utility>

namespace scrivane {

EffectFilter::EffectFilter(std::vector<InputAttribute> inputs)
    : m_inputs(std::move(inputs)), m_values(m_inputs.size())
{
}

EffectFilter::~EffectFilter() = default;

int EffectFilter::indexOf(const QString &key) const
{
    for (std::size_t i = 0; i < m_inputs.size(); ++i)
        if (m_inputs[i].key == key)
            return int(i);
    return -1;
}

const InputAttribute *EffectFilter::inputAttribute(const QString &key) const
{
    const int i = indexOf(key);
    return i < 0 ? nullptr : &m_inputs[std::size_t(i)];
}

QStringList EffectFilter::inputKeys() const
{
    QStringList keys;
    for (const InputAttribute &input : m_inputs)
        keys.append(input.key);
    return keys;
}

EffectValue EffectFilter::value(const QString &key) const
{
    const int i = indexOf(key);
    return i < 0 ? EffectValue() : m_values[std::size_t(i)];
}

ValueCheck EffectFilter::checkValue(const QString &key, const EffectValue &value) const
{
    const InputAttribute *input = inputAttribute(key);
    if (!input)
        return ValueCheck::UnknownKey;
    const ValueKind kind = kindOf(value);
    if (kind == ValueKind::None)
        return ValueCheck::Accepted;
    if (kind != input->kind)
        return ValueCheck::WrongKind;
    if (!isFiniteValue(value))
        return ValueCheck::NotFinite;
    return ValueCheck::Accepted;
}

ValueCheck EffectFilter::setValue(const QString &key, const EffectValue &value)
{
    const ValueCheck check = checkValue(key, value);
    if (check == ValueCheck::Accepted)
        m_values[std::size_t(indexOf(key))] = value;
    return check;
}

void EffectFilter::setDefaults()
{
    for (std::size_t i = 0; i < m_inputs.size(); ++i)
        m_values[i] =
            kindOf(m_inputs[i].defaultValue) == m_inputs[i].kind ? m_inputs[i].defaultValue : EffectValue();
}

EffectValue EffectFilter::validateValue(const QString &key, const EffectValue &proposed) const
{
    const InputAttribute *input = inputAttribute(key);
    const double *number = std::get_if<double>(&proposed);
    if (!input || !number)
        return proposed;
    if (input->minimum && *number < *input->minimum)
        return *input->minimum;
    if (input->maximum && *number > *input->maximum)
        return *input->maximum;
    return proposed;
}

void EffectFilter::scaleInputs(double f)
{
    if (f == 1 || !std::isfinite(f))
        return;
    for (std::size_t i = 0; i < m_inputs.size(); ++i) {
        const InputAttribute &input = m_inputs[i];
        EffectValue &value = m_values[i];
        if (double *number = std::get_if<double>(&value)) {
            if (input.hasSliderRange() && input.type == InputType::Distance &&
                name() != QLatin1String("CIZoomBlur"))
                *number *= f;
        } else if (EffectVector *v = std::get_if<EffectVector>(&value)) {
            if (input.type == InputType::Position || input.type == InputType::Offset ||
                input.type == InputType::Position3 || input.type == InputType::Rectangle) {
                v->x *= f;
                v->y *= f;
                v->z *= f;
                v->w *= f;
            }
        } else if (EffectTransform *t = std::get_if<EffectTransform>(&value)) {
            t->tX *= f;
            t->tY *= f;
        }
    }
}

double EffectFilter::number(const QString &key) const
{
    const int i = indexOf(key);
    if (i < 0)
        return 0;
    if (const double *v = std::get_if<double>(&m_values[std::size_t(i)]))
        return *v;
    if (const double *d = std::get_if<double>(&m_inputs[std::size_t(i)].defaultValue))
        return *d;
    return 0;
}

EffectVector EffectFilter::vector(const QString &key) const
{
    const int i = indexOf(key);
    if (i < 0)
        return {};
    if (const EffectVector *v = std::get_if<EffectVector>(&m_values[std::size_t(i)]))
        return *v;
    if (const EffectVector *d = std::get_if<EffectVector>(&m_inputs[std::size_t(i)].defaultValue))
        return *d;
    return {};
}

EffectColor EffectFilter::color(const QString &key) const
{
    const int i = indexOf(key);
    if (i < 0)
        return {};
    if (const EffectColor *v = std::get_if<EffectColor>(&m_values[std::size_t(i)]))
        return *v;
    if (const EffectColor *d = std::get_if<EffectColor>(&m_inputs[std::size_t(i)].defaultValue))
        return *d;
    return {};
}

EffectTransform EffectFilter::transform(const QString &key) const
{
    const int i = indexOf(key);
    if (i < 0)
        return {};
    if (const EffectTransform *v = std::get_if<EffectTransform>(&m_values[std::size_t(i)]))
        return *v;
    if (const EffectTransform *d = std::get_if<EffectTransform>(&m_inputs[std::size_t(i)].defaultValue))
        return *d;
    return {};
}

ImageRef EffectFilter::image(const QString &key) const
{
    const int i = indexOf(key);
    if (i < 0)
        return nullptr;
    if (const ImageRef *v = std::get_if<ImageRef>(&m_values[std::size_t(i)]))
        return *v;
    return nullptr;
}

void EffectFilter::setLastFilter(bool) {}

void EffectFilter::clearFilter() {}

} // namespace scrivane
