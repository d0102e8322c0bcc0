#pragma once

#include "platform/effects/EffectImage.h"
#include "platform/effects/EffectTransform.h"

#include <functional>

namespace scrivane {

// Image-level building blocks of the built-in filters: each answers a new
// image node over its inputs.
class ImageOps {
public:
    // The input mapped through `transform` (effect space to effect space),
    // resampled bilinearly; empty when the transform flattens the plane.
    static ImageRef transformed(const ImageRef &input, const EffectTransform &transform);
    // The input inside `rect` only; pixels that the rectangle's border cuts
    // keep the share of their area that lies inside.
    static ImageRef cropped(const ImageRef &input, const EffectRect &rect);
    // The input blurred by a Gaussian of standard deviation `radius`
    // (effect units); the input itself for a radius of 0 or less.
    static ImageRef gaussianBlurred(const ImageRef &input, double radius);
    // How far a Gaussian blur of `radius` widens an extent on each side.
    static double gaussianMargin(double radius);

    // The input with `map` applied to the straight (not premultiplied) colour
    // of each pixel of `extent`; the answer is clamped to [0, 1].
    using ColorMap = std::function<Rgba(const Rgba &straight)>;
    static ImageRef mapColors(const ImageRef &input, ColorMap map, const EffectRect &extent);
    static ImageRef mapColors(const ImageRef &input, ColorMap map);

    // Two images combined pixel by pixel over `extent`: `blend` takes and
    // answers premultiplied pixels (the answer is clamped to a valid pixel).
    using Blend = std::function<Rgba(const Rgba &top, const Rgba &bottom)>;
    static ImageRef combined(const ImageRef &top, const ImageRef &bottom, Blend blend,
                             const EffectRect &extent);

    // An image over `extent` whose pixels `shade` gives (premultiplied) from
    // the effect-space centre of each pixel and the render scale.
    using Shader = std::function<Rgba(EffectPoint where, double scale)>;
    static ImageRef generated(const EffectRect &extent, Shader shade);

    // The input sampled through `map` (output effect point to input effect
    // point, false for nothing) over `extent`; `reach` tells, for an output
    // rectangle, which input rectangle its samples may come from.
    using PointMap = std::function<bool(EffectPoint &)>;
    using Reach = std::function<EffectRect(const EffectRect &output)>;
    static ImageRef warped(const ImageRef &input, const EffectRect &extent, PointMap map, Reach reach,
                           int samples);
};

} // namespace scrivane
