// The entry points of the Lumenfold plug-in (see EffectPluginHost.h).

#include "MirrorFilter.h"
#include "ShadowFilter.h"

#include "platform/effects/EffectPluginHost.h"

SCRIVANE_EFFECTS_PLUGIN_EXPORT int scrivane_effects_plugin_interface()
{
    return scrivane::kEffectPluginInterfaceVersion;
}

SCRIVANE_EFFECTS_PLUGIN_EXPORT bool scrivane_effects_plugin_register(scrivane::EffectPluginHost *host)
{
    if (!host || host->interfaceVersion() != scrivane::kEffectPluginInterfaceVersion)
        return false;
    const bool mirror = scrivane::MirrorFilter::registerFilter(*host);
    const bool shadow = scrivane::ShadowFilter::registerFilter(*host);
    return mirror && shadow;
}
