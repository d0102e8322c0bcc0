#pragma once

#include "platform/effects/EffectColor.h"
#include "platform/effects/EffectRect.h"
#include "platform/effects/EffectValue.h"
#include "platform/effects/FloatRaster.h"
#include "platform/effects/PixelBuffer.h"

#include <cairo.h>

#include <functional>
#include <optional>

namespace scrivane {

// The part of an image rendered for a caller: premultiplied ARGB32 pixels
// and where they lie.
struct RenderedImage {
    PixelBuffer pixels;
    // The effect-space rectangle the pixels cover: the requested region
    // clipped to the image's extent and rounded outwards to whole device
    // pixels.
    EffectRect placement;
    // The same rectangle in device pixels (effect space times the scale).
    PixelRect deviceRect;
    double scale = 1;

    bool isNull() const { return pixels.isNull(); }
};

// An image of the effects engine: a node of a lazy graph that filters build
// and that computes pixels only when asked for a region at a scale.  Images
// are immutable and shared (ImageRef); a filter's output keeps its inputs
// alive, nothing else does.
//
// Effect space: one unit is one pixel of the image the effects work on (the
// graphic's effect buffer, or an image fill's own pixels); x grows to the
// right and y grows with the row index of that buffer.  A source image's
// row 0 therefore lies at its smallest y, and a rendered buffer's row 0 at
// the smallest y of its placement: no flip happens anywhere in the engine.
// The drawing code lays its buffer out in document coordinates, whose y
// grows downwards on the canvas, so stored positions, offsets and
// transforms keep the meaning they had in the documents (a drop-shadow offset
// of (50, 50) moves the shadow right and down; the "top" corners of a
// perspective transform are the ones with the larger y, drawn lower).
//
// Device space is effect space times the render scale (device pixels per
// effect unit): rendering at scale 2 gives twice as many pixels each way,
// with distances, positions and transforms of the filters scaled to match.
class EffectImage {
public:
    // Fills every pixel of `out` (allocated but not cleared, inside the
    // image's device extent), or replaces `out` by a raster of the same
    // rectangle; false when the work cannot be done (memory, sizes out of
    // reach).
    using Renderer = std::function<bool(FloatRaster &out, double scale)>;
    // Changes one premultiplied pixel of the input, found at the effect-space
    // point `where` (the pixel's centre).
    using ColorKernel = std::function<void(Rgba &pixel, EffectPoint where)>;

    virtual ~EffectImage();
    EffectImage(const EffectImage &) = delete;
    EffectImage &operator=(const EffectImage &) = delete;

    // The effect-space area the image may cover: transparent outside.
    const EffectRect &extent() const { return m_extent; }
    // The device pixels the extent touches at `scale`.
    PixelRect deviceExtent(double scale) const;

    // Renders `region` (effect space) at `scale` into a buffer cairo can
    // draw.  The result covers region ∩ extent rounded out to device pixels;
    // it is null when that is empty, larger than FloatRaster::kMaxPixels, or
    // when memory runs out.
    RenderedImage render(const EffectRect &region, double scale) const;

    // For filters: the pixels of `rect` (device space) at `scale`,
    // transparent outside the extent; nothing on failure.
    std::optional<FloatRaster> renderRaster(const PixelRect &rect, double scale) const;
    // The same but only over rect ∩ deviceExtent(scale) (an empty raster when
    // that is empty): what filters fetch of their inputs, which read as
    // transparent outside.
    std::optional<FloatRaster> renderClipped(const PixelRect &rect, double scale) const;

    // A copy of an image surface's pixels (any cairo image format) with its
    // top-left pixel at `origin`; null for other surfaces.
    static ImageRef fromSurface(cairo_surface_t *surface, EffectPoint origin = {});
    static ImageRef fromPixels(PixelBuffer pixels, EffectPoint origin = {});
    // The whole plane in one colour.
    static ImageRef constantColor(const EffectColor &color);
    // Nothing at all (empty extent).
    static ImageRef empty();
    // An image computed by `renderer` inside `extent`: how filters make their
    // outputs.
    static ImageRef make(const EffectRect &extent, Renderer renderer);
    // The input with `kernel` applied to every pixel of its extent: a colour
    // kernel that may depend on the position (what filter plug-ins use for
    // their own per-pixel work).
    static ImageRef applyKernel(const ImageRef &input, ColorKernel kernel);

protected:
    explicit EffectImage(const EffectRect &extent);
    virtual bool renderInto(FloatRaster &out, double scale) const = 0;

private:
    EffectRect m_extent;
};

} // namespace scrivane
