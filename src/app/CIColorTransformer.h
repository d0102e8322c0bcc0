#pragma once

#include "platform/Color.h"
#include "platform/effects/EffectColor.h"

#include <optional>

namespace scrivane {

// The colour of a filter input as a colour well shows it, and back: the
// well's colour is taken in calibrated RGB with its alpha.
class CIColorTransformer {
public:
    // No value shows as black.
    static Color transformedValue(const std::optional<EffectColor> &value);
    static EffectColor reverseTransformedValue(const Color &color);
};

} // namespace scrivane
