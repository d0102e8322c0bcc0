#pragma once

#include "platform/effects/EffectFilter.h"
#include "platform/effects/EffectPluginHost.h"

#include <memory>

namespace scrivane {

// The drop shadow ("QVDropShadow"): the input's alpha moved by ("offsetX",
// "offsetY"), blurred by "blur" and coloured with "color" (its alpha scales
// the shadow's); composited under the input unless it is the last filter of
// its chain.
class ShadowFilter final : public EffectFilter {
public:
    ShadowFilter();
    ~ShadowFilter() override;

    // The inputs: "inputImage", "offsetX", "offsetY", "blur", "color".
    static std::vector<InputAttribute> customAttributes();
    static std::unique_ptr<EffectFilter> filterWithName(const QString &name);
    // Registers "QVDropShadow" with the program.
    static bool registerFilter(EffectPluginHost &host);

    ImageRef outputImage() override;
    void setLastFilter(bool lastFilter) override;
    void clearFilter() override;

private:
    std::unique_ptr<EffectFilter> affineFilter;
    std::unique_ptr<EffectFilter> blurFilter;
    std::unique_ptr<EffectFilter> colorFilter;
    std::unique_ptr<EffectFilter> composeFilter;
    bool last = false;
};

} // namespace scrivane
