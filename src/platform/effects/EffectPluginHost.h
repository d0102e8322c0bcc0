#pragma once

#include "platform/effects/EffectFilter.h"
#include "platform/effects/FilterClassAttributes.h"

#include <QString>

#include <functional>
#include <memory>

// The interface between the program and a filter plug-in: a shared library
// that defines the two entry points below with C linkage.
//
//   SCRIVANE_EFFECTS_PLUGIN_EXPORT int scrivane_effects_plugin_interface()
//       answers kEffectPluginInterfaceVersion as the plug-in was built with;
//       the loader refuses a plug-in built for another version, whose classes
//       would not match the program's.
//   SCRIVANE_EFFECTS_PLUGIN_EXPORT bool scrivane_effects_plugin_register(scrivane::EffectPluginHost *host)
//       registers the plug-in's filters with the host; false when it could
//       not.
//
// The plug-in carries its own copy of the engine's code (it is linked with
// the engine's static library, its symbols hidden), so it is built from the
// same sources as the program; the version guards against mixing builds.
// Plug-ins stay loaded until the process ends: their filters and images may
// live as long.

#define SCRIVANE_EFFECTS_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace scrivane {

// Raise whenever EffectFilter, EffectImage, the value types or this interface
// change in a way that a plug-in built before would notice.
inline constexpr int kEffectPluginInterfaceVersion = 1;

inline constexpr const char *kEffectPluginInterfaceSymbol = "scrivane_effects_plugin_interface";
inline constexpr const char *kEffectPluginRegisterSymbol = "scrivane_effects_plugin_register";

// What the program offers a plug-in while it registers.
class EffectPluginHost {
public:
    using Constructor = std::function<std::unique_ptr<EffectFilter>()>;

    virtual ~EffectPluginHost() = default;
    virtual int interfaceVersion() const = 0;
    // Registers a filter class under attributes.name; false when that name is
    // taken or the attributes are unusable.
    virtual bool registerFilter(const FilterClassAttributes &attributes, Constructor constructor) = 0;
    // A text of the program's own string tables (the display names of the
    // plug-in's filters come from the program's "Filters" table).
    virtual QString localizedString(const QString &table, const QString &key) const = 0;
};

} // namespace scrivane
