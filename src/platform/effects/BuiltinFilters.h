#pragma once

#include "platform/effects/EffectFilter.h"
#include "platform/effects/FilterCategory.h"
#include "platform/effects/InputAttribute.h"

#include <functional>
#include <optional>
#include <vector>

namespace scrivane {

class EffectRegistry;

// The filters the engine brings itself, under the names, input keys,
// defaults and ranges that documents store.  Their display names come from
// the "Filters" string table.  Colour filters work on the stored device RGB
// values as they are (no linearisation) and on straight colour, so that
// transparent areas stay transparent.
class BuiltinFilters {
public:
    static void registerAll(EffectRegistry &registry);

    // --- for the topic files ---
    struct Limits {
        std::optional<double> minimum = std::nullopt;
        std::optional<double> maximum = std::nullopt;
        std::optional<double> sliderMinimum = std::nullopt;
        std::optional<double> sliderMaximum = std::nullopt;
    };
    using Output = std::function<ImageRef(const EffectFilter &)>;

    static InputAttribute imageInput(const char *key, const char *displayName);
    static InputAttribute numberInput(const char *key, const char *displayName, InputType type,
                                      double defaultValue, const Limits &limits,
                                      std::optional<double> identity = std::nullopt);
    static InputAttribute vectorInput(const char *key, const char *displayName, InputType type,
                                      const EffectVector &defaultValue);
    static InputAttribute colorInput(const char *key, const char *displayName,
                                     const EffectColor &defaultValue, InputType type = InputType::Color);
    static InputAttribute transformInput(const char *key, const char *displayName);

    // Registers a filter whose output `output` computes from its inputs; the
    // categories get Video, StillImage and BuiltIn added.
    static void add(EffectRegistry &registry, const char *name, QStringList categories,
                    std::vector<InputAttribute> inputs, Output output);

private:
    static void registerGeometryFilters(EffectRegistry &registry);
    static void registerDistortionFilters(EffectRegistry &registry);
    static void registerBlurFilters(EffectRegistry &registry);
    static void registerColorFilters(EffectRegistry &registry);
    static void registerStylizeFilters(EffectRegistry &registry);
    static void registerGeneratorFilters(EffectRegistry &registry);
    static void registerCompositeFilters(EffectRegistry &registry);
};

} // namespace scrivane
