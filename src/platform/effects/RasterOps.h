#pragma once

#include "platform/effects/EffectColor.h"
#include "platform/effects/EffectTransform.h"
#include "platform/effects/FloatRaster.h"
#include "platform/effects/PixelBuffer.h"

#include <functional>
#include <optional>
#include <vector>

namespace scrivane {

// Pixel-level operations of the effects engine on float rasters.  Device
// coordinates are continuous: pixel (x, y) covers [x, x+1) × [y, y+1) and its
// value lies at its centre (x + 0.5, y + 0.5).  Everything outside a raster
// reads as transparent.
class RasterOps {
public:
    // --- colour ---
    static Rgba premultiplied(const EffectColor &color);
    // Straight colour of a premultiplied pixel (transparent: all zero).
    static Rgba unpremultiply(const Rgba &p);
    // Premultiplies a straight colour, after clamping it to [0, 1].
    static Rgba premultiply(const Rgba &c);
    // Clamps a premultiplied pixel to a valid one: alpha in [0, 1], colour in
    // [0, alpha].
    static Rgba clampPremultiplied(const Rgba &p);

    // --- 8-bit buffers ---
    // Fills `out` from 8-bit premultiplied pixels whose pixel (i, j) lies at
    // device (originX + i, originY + j); `out`'s pixels outside stay as they are.
    static void convertPixels(const PixelBuffer &pixels, int originX, int originY, FloatRaster &out);
    // An 8-bit buffer of the raster's pixels, clamped and rounded.
    static PixelBuffer toPixels(const FloatRaster &raster);

    // --- sampling ---
    // Bilinear sample at a continuous device point.
    static Rgba sample(const FloatRaster &source, double x, double y);
    // Fills `out`: each pixel samples `source` at its centre mapped by
    // `outToSource`, averaged over samples × samples points of the pixel.
    static void resampleAffine(const FloatRaster &source, FloatRaster &out,
                               const EffectTransform &outToSource, int samples);
    // The same through any mapping; a mapping that answers false leaves that
    // sample transparent.
    using PointMap = std::function<bool(double &x, double &y)>;
    static void resampleMapped(const FloatRaster &source, FloatRaster &out, const PointMap &outToSource,
                               int samples);
    // How many samples per axis a mapping that shrinks as much as `t` needs so
    // as not to skip source pixels (1 to 8).
    static int supersampling(const EffectTransform &t);

    // --- blur ---
    // One pass of a box filter of weight 1 over offsets -radius..radius and
    // weight `edge` (0 to 1) at ±(radius + 1), normalised.
    struct BlurBox {
        int radius = 0;
        float edge = 0;
        int reach() const { return edge > 0 ? radius + 1 : radius; }
    };
    // The box with exactly the given variance (in pixels²).
    static BlurBox boxWithVariance(double variance);
    // The widest blur the engine computes, in device pixels: larger
    // deviations (only absurd stored values reach them) are cut to this, so
    // that the work buffers stay bounded.
    static constexpr double kMaxBlurDeviation = 2048;
    // The three boxes whose succession approximates a Gaussian of standard
    // deviation `sigma` (device pixels, at most kMaxBlurDeviation) with the
    // exact variance, so that the blur grows smoothly with the radius.
    static std::vector<BlurBox> gaussianBoxes(double sigma);
    // How far the boxes spread a pixel, in device pixels.
    static int reach(const std::vector<BlurBox> &boxes);
    // The separable convolution of `source` (transparent outside) by the boxes
    // in x and then in y, computed over `want`.  Its cost per pixel does not
    // depend on the box sizes.
    static std::optional<FloatRaster> separableBlur(const FloatRaster &source,
                                                    const std::vector<BlurBox> &boxes, const PixelRect &want);
};

} // namespace scrivane
