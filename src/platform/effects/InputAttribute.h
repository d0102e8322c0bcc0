#pragma once

#include "platform/effects/EffectValue.h"

#include <optional>

namespace scrivane {

// What a number or vector input means, which decides how the effects panel
// shows it and how a change of filter resolution rescales it.
enum class InputType {
    Unspecified,
    Scalar,
    Distance, // a length in pixels of the working image
    Angle,    // radians
    Boolean,
    Integer,
    Count,
    Time,      // 0 to 1 along a transition
    Position,  // a point (x, y)
    Position3, // a point (x, y, z)
    Offset,    // a displacement (x, y)
    Rectangle, // x, y, width, height
    Color,
    OpaqueColor,
    Image,
    Transform,
};

// The attributes of one filter input.  Unset limits are absent (nullopt),
// not zero.
struct InputAttribute {
    QString key;
    ValueKind kind = ValueKind::Number;
    InputType type = InputType::Unspecified;
    QString displayName;
    EffectValue defaultValue;
    EffectValue identity;
    std::optional<double> minimum;
    std::optional<double> maximum;
    std::optional<double> sliderMinimum;
    std::optional<double> sliderMaximum;

    bool hasSliderRange() const { return sliderMinimum.has_value() || sliderMaximum.has_value(); }
};

} // namespace scrivane
