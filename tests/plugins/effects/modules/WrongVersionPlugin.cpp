// A plug-in built for an interface version the program does not have.

#include "platform/effects/EffectPluginHost.h"

SCRIVANE_EFFECTS_PLUGIN_EXPORT int scrivane_effects_plugin_interface()
{
    return scrivane::kEffectPluginInterfaceVersion + 1000;
}

SCRIVANE_EFFECTS_PLUGIN_EXPORT bool scrivane_effects_plugin_register(scrivane::EffectPluginHost *)
{
    return true;
}
