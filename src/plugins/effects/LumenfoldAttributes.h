#pragma once

#include "platform/effects/InputAttribute.h"

#include <optional>

namespace scrivane {

// Attribute builders of the plug-in's two filters.
class LumenfoldAttributes {
public:
    static InputAttribute image();
    static InputAttribute number(const char *key, const char *displayName, InputType type,
                                 std::optional<double> minimum, std::optional<double> maximum,
                                 double sliderMinimum, double sliderMaximum, double defaultValue,
                                 double identity);
    static InputAttribute color(const char *key, const char *displayName, const EffectColor &defaultValue);
    // The categories of both filters.
    static QStringList categories();
};

} // namespace scrivane
