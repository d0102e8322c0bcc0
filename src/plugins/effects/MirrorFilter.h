#pragma once

#include "platform/effects/EffectFilter.h"
#include "platform/effects/EffectPluginHost.h"

#include <memory>

namespace scrivane {

// The reflection ("QVReflection"): the input mirrored beyond its edge of
// larger y (below it on the canvas), faded with distance from that edge
// (fadeKernel), moved by "yoffset" and blurred by "blur"; composited under
// the input unless it is the last filter of its chain.
class MirrorFilter final : public EffectFilter {
public:
    MirrorFilter();
    ~MirrorFilter() override;

    // The inputs: "inputImage", "slope", "offset", "yoffset", "blur".
    static std::vector<InputAttribute> customAttributes();
    // A new reflection; the name is not looked at (the registry passes it).
    static std::unique_ptr<EffectFilter> filterWithName(const QString &name);
    // Registers "QVReflection" with the program.
    static bool registerFilter(EffectPluginHost &host);

    ImageRef outputImage() override;
    void setLastFilter(bool lastFilter) override;
    void clearFilter() override;

private:
    std::unique_ptr<EffectFilter> affineFilter;
    std::unique_ptr<EffectFilter> composeFilter;
    std::unique_ptr<EffectFilter> blurFilter;
    bool last = false;
};

} // namespace scrivane
