#pragma once

#include "platform/effects/EffectColor.h"
#include "platform/effects/EffectTransform.h"
#include "platform/effects/EffectVector.h"

#include <QString>

#include <memory>
#include <variant>

namespace scrivane {

class EffectImage;
using ImageRef = std::shared_ptr<const EffectImage>;

// The value of one filter input.  std::monostate is "no value" (an input
// that was cleared or never set); booleans and integers are numbers.
using EffectValue =
    std::variant<std::monostate, double, EffectVector, EffectColor, EffectTransform, ImageRef, QString>;

// The kind of value an input takes (its class, in attribute terms).
enum class ValueKind { None, Number, Vector, Color, Transform, Image, String };

ValueKind kindOf(const EffectValue &value);
// "number", "vector", ...: for messages.
QString kindName(ValueKind kind);
// Whether every number inside the value is finite (images and strings are).
bool isFiniteValue(const EffectValue &value);

} // namespace scrivane
