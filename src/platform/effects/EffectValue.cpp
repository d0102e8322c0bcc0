#include "EffectValue.h"

#include <cmath>

namespace scrivane {

ValueKind kindOf(const EffectValue &value)
{
    switch (value.index()) {
    case 1:
        return ValueKind::Number;
    case 2:
        return ValueKind::Vector;
    case 3:
        return ValueKind::Color;
    case 4:
        return ValueKind::Transform;
    case 5:
        return ValueKind::Image;
    case 6:
        return ValueKind::String;
    default:
        return ValueKind::None;
    }
}

QString kindName(ValueKind kind)
{
    switch (kind) {
    case ValueKind::None:
        return QStringLiteral("nothing");
    case ValueKind::Number:
        return QStringLiteral("number");
    case ValueKind::Vector:
        return QStringLiteral("vector");
    case ValueKind::Color:
        return QStringLiteral("colour");
    case ValueKind::Transform:
        return QStringLiteral("affine transform");
    case ValueKind::Image:
        return QStringLiteral("image");
    case ValueKind::String:
        return QStringLiteral("string");
    }
    return {};
}

bool isFiniteValue(const EffectValue &value)
{
    if (const double *number = std::get_if<double>(&value))
        return std::isfinite(*number);
    if (const EffectVector *v = std::get_if<EffectVector>(&value))
        return std::isfinite(v->x) && std::isfinite(v->y) && std::isfinite(v->z) && std::isfinite(v->w);
    if (const EffectColor *c = std::get_if<EffectColor>(&value))
        return std::isfinite(c->red) && std::isfinite(c->green) && std::isfinite(c->blue) &&
               std::isfinite(c->alpha);
    if (const EffectTransform *t = std::get_if<EffectTransform>(&value))
        return std::isfinite(t->m11) && std::isfinite(t->m12) && std::isfinite(t->m21) &&
               std::isfinite(t->m22) && std::isfinite(t->tX) && std::isfinite(t->tY);
    return true;
}

} // namespace scrivane
