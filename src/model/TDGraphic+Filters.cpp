// The effect pipeline of a graphic: the chain over the graphic's own image,
// the effect buffer that image comes from, the road that runs the chain on
// an image fill's own pixels, and the area effects cover.
//
// The buffer lays document space out at filterResolution pixels per point
// from the origin of the drawing bounds without effects; one effect unit is
// one of its pixels, so that the effects' distances and positions mean the
// same at every resolution once scaled.  It is not painted in one piece:
// the chain is rendered only over the part of its output that can be seen
// (the target's clip, within the paper), and the graphic's paint is drawn
// into the buffer only where the chain asks for it, which is that part plus
// the chain's own reach (blur radius, offsets, distortions).  An area larger
// than kMaxFilterBufferPixels is rendered at a lower resolution, so that
// neither a huge graphic nor a high resolution can exhaust memory.

#include "model/TDGraphic.h"

#include "model/TDApplicationServices.h"
#include "model/TDBezierPath.h"
#include "model/TDDocumentInterface.h"
#include "model/TDDrawProtocol.h"
#include "model/TDFillStyle.h"
#include "model/TDImageStore.h"
#include "model/TDStrokeStyle.h"
#include "platform/GraphicsContext.h"
#include "platform/effects/EffectFilter.h"
#include "platform/effects/EffectImage.h"
#include "platform/effects/EffectRegistry.h"
#include "platform/effects/FilterCategory.h"
#include "platform/effects/RasterOps.h"

#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

const QString InputImage = QStringLiteral("inputImage");
const QString InputBackgroundImage = QStringLiteral("inputBackgroundImage");
const QString InputTargetImage = QStringLiteral("inputTargetImage");

// The target image of transitions: nothing to fade into.
const ImageRef &blankImage()
{
    static const ImageRef blank = EffectImage::fromPixels(PixelBuffer(10, 10));
    return blank;
}

// The render scale (device pixels per effect unit) at which `region` fits
// the buffer's limit: 1 when it does, less when it would not.
double renderScale(const EffectRect &region)
{
    const double limit = double(TDGraphic::kMaxFilterBufferPixels);
    const double area = region.width * region.height;
    if (!(area > limit))
        return 1;
    double scale = std::sqrt(limit / area);
    // Rounding outwards to whole pixels adds a little: shrink until it fits.
    while (scale > 1e-6 && PixelRect::covering(region, scale).area() > TDGraphic::kMaxFilterBufferPixels)
        scale *= 0.99;
    return scale;
}

// Whether the fill's image is pixels (not a page of vector data).
bool isBitmap(const TDImageStore::Image &image)
{
    const QByteArray extension = image.extension.toLower().toLatin1();
    if (extension == "svg" || extension == "svgz")
        return false;
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    return formats.contains(extension);
}

// The target a draw is for, as seen from inside the effect buffer: the same
// answers, but the buffer's pixels per point as the zoom.
class BufferTarget : public TDDrawProtocol {
public:
    BufferTarget(TDDrawProtocol *view, double pixelsPerPoint) : m_view(view), m_zoom(float(pixelsPerPoint)) {}

    Tool drawMode() const override { return m_view ? m_view->drawMode() : Tool::Select; }
    bool graphicIsEditing(const TDGraphic *graphic) const override
    {
        return m_view && m_view->graphicIsEditing(graphic);
    }
    bool graphicIsSelected(const TDGraphic *graphic) const override
    {
        return m_view && m_view->graphicIsSelected(graphic);
    }
    float zoom() const override { return m_zoom; }
    bool outlineView() const override { return m_view && m_view->outlineView(); }
    bool cmykPreview() const override { return m_view && m_view->cmykPreview(); }
    bool renderingToPDF() const override { return m_view && m_view->renderingToPDF(); }
    TDDocumentInterface *document() const override { return m_view ? m_view->document() : nullptr; }

private:
    TDDrawProtocol *m_view;
    float m_zoom;
};

bool sameData(const QByteArray &a, const QByteArray &b)
{
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

} // namespace

struct TDGraphic::FilterBuffer {
    // Document space laid out as the effect buffer.
    struct Space {
        Point origin;
        double resolution = 1;

        EffectRect toEffect(const Rect &r) const
        {
            return EffectRect((double(r.minX()) - origin.x) * resolution,
                              (double(r.minY()) - origin.y) * resolution, double(r.width()) * resolution,
                              double(r.height()) * resolution);
        }
        Rect toDocument(const EffectRect &e) const
        {
            if (e.isEmpty() || e.isInfinite())
                return Rect();
            return Rect(float(origin.x + e.x / resolution), float(origin.y + e.y / resolution),
                        float(e.width / resolution), float(e.height / resolution));
        }
    };

    // The graphic's paint as the chain's input image: drawn into pixels when
    // the chain renders, over the rectangle it asks for at the scale it asks
    // for.  The last pixels are kept for the rest of the draw, since a chain
    // often asks for the same area more than once (a composite effect takes the
    // graphic's own image besides the chain's).
    class Source {
    public:
        Source(TDDrawProtocol *view, TDGraphic::FilterPaint paint, const Space &space)
            : m_view(view), m_paint(std::move(paint)), m_space(space)
        {
        }

        bool render(FloatRaster &out, double scale)
        {
            const PixelRect want = out.rect();
            if (!m_paint) {
                out.clear();
                return true;
            }
            const bool sameScale = !m_pixels.isNull() && m_scale == scale;
            if (sameScale && m_rect.contains(want)) {
                RasterOps::convertPixels(m_pixels, m_rect.x, m_rect.y, out);
                return true;
            }
            PixelRect area = want;
            if (sameScale && want.united(m_rect).area() <= TDGraphic::kMaxFilterBufferPixels)
                area = want.united(m_rect);
            PixelBuffer pixels(area.width, area.height);
            if (pixels.isNull())
                return false;
            {
                const auto context = GraphicsContext::forSurface(pixels.surface(), true);
                if (!context)
                    return false;
                const double k = scale * m_space.resolution;
                const AffineTransform toBuffer(float(k), 0, 0, float(k),
                                               float(-m_space.origin.x * k - area.x),
                                               float(-m_space.origin.y * k - area.y));
                if (!context->concatCTM(toBuffer))
                    return false;
                // Zoom-dependent sizes (shadows of children) follow the
                // buffer's pixels, not the target's.
                BufferTarget target(m_view, k);
                m_paint(&target, *context);
                context->flush();
            }
            RasterOps::convertPixels(pixels, area.x, area.y, out);
            m_pixels = std::move(pixels);
            m_rect = area;
            m_scale = scale;
            return true;
        }

        // The draw is over: the paint (which refers to the graphic) and the
        // pixels go.
        void end()
        {
            m_paint = nullptr;
            m_pixels = PixelBuffer();
        }

    private:
        TDDrawProtocol *m_view;
        TDGraphic::FilterPaint m_paint;
        Space m_space;
        PixelBuffer m_pixels;
        PixelRect m_rect;
        double m_scale = 0;
    };

    // The vector road: the buffer's layout and, during a draw, its source.
    Space space;
    int width = 0;  // fwidth
    int height = 0; // fheight
    std::shared_ptr<Source> source;

    // The image road: the fill image's pixels, kept while the fill shows
    // the same image data at the same size.
    ImageRef fillImage;
    QString fillKey;
    QByteArray fillData;
    int fillWidth = -1;
    int fillHeight = -1;
};

TDGraphic::FilterBuffer &TDGraphic::filterBuffer()
{
    if (!m_filterBuffer)
        m_filterBuffer = std::make_shared<FilterBuffer>();
    return *m_filterBuffer;
}

// --- The chain ---------------------------------------------------------------------------

ImageRef TDGraphic::filterResult(const ImageRef &input)
{
    m_needsVectorComposite = false;
    // Effects the engine cannot make are skipped like disabled ones.
    const auto runs = [](const std::shared_ptr<TDFilter> &effect) {
        return effect->enabled() && effect->filter();
    };
    const TDFilter *last = nullptr;
    for (auto it = m_filterArray.rbegin(); it != m_filterArray.rend() && !last; ++it)
        if (runs(*it))
            last = it->get();

    bool firstRan = false;
    ImageRef current = input;
    for (const auto &effect : m_filterArray) {
        if (!runs(effect))
            continue;
        EffectFilter *filter = effect->filter();
        const bool isLast = effect.get() == last;
        if (filter->hasCategory(FilterCategory::VectorComposite)) {
            // Alone, it answers its effect without the graphic, which is
            // then painted sharply over it.
            const bool alone = isLast && !firstRan;
            m_needsVectorComposite = alone;
            filter->setLastFilter(alone);
        } else if (isLast && filter->name() == QLatin1String("CISourceOverCompositing")) {
            // A trailing source-over stands for the graphic itself on top.
            m_needsVectorComposite = true;
            return current;
        }

        std::unique_ptr<EffectFilter> over;
        EffectFilter *step = filter;
        if (filter->hasCategory(FilterCategory::Generator) || filter->hasCategory(FilterCategory::Gradient)) {
            // A generator covers what came before instead of replacing it.
            over = EffectRegistry::shared().create(QStringLiteral("CISourceOverCompositing"));
            if (!over)
                continue;
            over->setValue(InputBackgroundImage, current);
            over->setValue(InputImage, filter->outputImage());
            step = over.get();
        } else if (filter->hasCategory(FilterCategory::CompositeOperation)) {
            filter->setValue(InputBackgroundImage, current);
            filter->setValue(InputImage, input);
        } else if (filter->hasCategory(FilterCategory::Transition)) {
            filter->setValue(InputTargetImage, blankImage());
            filter->setValue(InputImage, current);
        } else {
            filter->setValue(InputImage, current);
        }
        current = step->outputImage();
        firstRan = true;
        if (!current)
            return nullptr;
    }
    return current;
}

void TDGraphic::clearChainInputs()
{
    for (const auto &effect : m_filterArray) {
        EffectFilter *filter = effect->filter();
        if (!filter)
            continue;
        filter->clearFilter();
        for (const QString &key : {InputImage, InputBackgroundImage, InputTargetImage})
            if (filter->hasInput(key))
                filter->setValue(key, EffectValue());
    }
}

bool TDGraphic::boundsAffectsDrawing() const
{
    if (!m_usesFilters)
        return false;
    // The effects pane knows which of its filters are positional; without
    // it, the filters' own inputs tell.
    const TDEffectsControllerInterface *pane = TDApplicationServices::effectsController();
    const QStringList positional = pane ? pane->positionalFilters() : QStringList();
    for (const auto &effect : m_filterArray) {
        if (!effect->enabled())
            continue;
        if (pane ? positional.contains(effect->filterName()) : effect->hasPositionalInput())
            return true;
    }
    return false;
}

// --- Extents -------------------------------------------------------------------------------

Rect TDGraphic::calculateFilterExtentForRect(const Rect &rect)
{
    if (!useFiltersDrawing())
        return Rect();
    // Extents are known without rendering: a probe of that area stands for
    // the graphic's image.
    const ImageRef probe = EffectImage::make(EffectRect::fromRect(rect), [](FloatRaster &out, double) {
        out.clear();
        return true;
    });
    const ImageRef result = filterResult(probe);
    clearChainInputs();
    if (!result || result->extent().isInfinite())
        return Rect();
    const FilterBuffer::Space space{drawingBoundsWithoutEffects().origin, double(m_filterResolution)};
    Rect extent = space.toDocument(result->extent());
    if (m_document && !m_document->paperBounds().isEmpty())
        extent = extent.intersected(m_document->paperBounds());
    return extent;
}

void TDGraphic::calculateFilterExtent()
{
    const Rect r = drawingBoundsWithoutEffects();
    const float scale = float(std::max(m_filterResolution, 1));
    m_filterExtent = calculateFilterExtentForRect(
        Rect(0, 0, std::floor(std::ceil(scale * r.width())), std::floor(std::ceil(scale * r.height()))));
    noteBoundsChange();
}

// --- The effect buffer -------------------------------------------------------------------------

void TDGraphic::createFilterBuffer()
{
    FilterBuffer &buffer = filterBuffer();
    buffer.fillImage.reset();
    buffer.fillData.clear();
    buffer.fillWidth = buffer.fillHeight = -1;
    const Rect r = drawingBoundsWithoutEffects();
    const double resolution = std::max(m_filterResolution, 1);
    // Whole pixels covering the drawing, within what a pixel grid can
    // number; what is drawn of it is bounded separately.
    const auto pixels = [&](float length) {
        const double n = std::ceil(resolution * double(length));
        return std::isfinite(n) ? int(std::clamp(n, 0.0, double(1 << 29))) : 0;
    };
    buffer.space = FilterBuffer::Space{r.origin, resolution};
    buffer.width = pixels(r.width());
    buffer.height = pixels(r.height());
}

void TDGraphic::deleteFilterBuffer()
{
    if (m_filterBuffer && m_filterBuffer->source)
        m_filterBuffer->source->end();
    m_filterBuffer.reset();
}

void TDGraphic::startFilters(TDDrawProtocol *view, FilterPaint paint)
{
    createFilterBuffer();
    FilterBuffer &buffer = filterBuffer();
    buffer.source = std::make_shared<FilterBuffer::Source>(view, std::move(paint), buffer.space);
}

void TDGraphic::endFiltersInView(TDDrawProtocol *, GraphicsContext &context)
{
    if (!m_filterBuffer || !m_filterBuffer->source)
        return;
    FilterBuffer &buffer = *m_filterBuffer;
    const EffectRect whole(0, 0, buffer.width, buffer.height);
    // The image refers to the source weakly: once the draw is over, nothing
    // the chain kept can reach the graphic's paint.
    const std::weak_ptr<FilterBuffer::Source> weak = buffer.source;
    const ImageRef input = EffectImage::make(whole, [weak](FloatRaster &out, double scale) {
        if (const auto source = weak.lock())
            return source->render(out, scale);
        out.clear();
        return true;
    });
    const ImageRef result = filterResult(input);

    // Effects never paint beyond the paper; unbounded output (a generator)
    // covers the buffer.
    const bool paperLimit = m_document && !m_document->paperBounds().isEmpty();
    const Rect paper = paperLimit ? m_document->paperBounds() : Rect();
    EffectRect extent = result ? result->extent() : EffectRect();
    if (extent.isInfinite())
        extent = whole;
    if (paperLimit)
        extent = extent.intersected(buffer.space.toEffect(paper));
    m_filterExtent = buffer.space.toDocument(extent);

    const EffectRect seen = extent.intersected(buffer.space.toEffect(context.clipBoundingBox()));
    if (result && !seen.isEmpty()) {
        const RenderedImage rendered = result->render(seen, renderScale(seen));
        if (!rendered.isNull()) {
            context.save();
            if (paperLimit)
                context.addClipRect(paper);
            context.drawImage(rendered.pixels.surface(), buffer.space.toDocument(rendered.placement), Rect(),
                              CompositeOperation::SourceOver, 1, ImageOrigin::TopLeft);
            context.restore();
        }
    }
    buffer.source->end();
    buffer.source.reset();
    clearChainInputs();
}

// --- The image road ----------------------------------------------------------------------------

bool TDGraphic::canOptimiseImageFilters() const
{
    if (m_fillStyle->style() != TDFillImage || m_strokeStyle->style() != TDStrokeNone)
        return false;
    const auto image = m_fillStyle->image();
    if (!image || !isBitmap(*image))
        return false;
    const QStringList pixelIndependent =
        EffectRegistry::shared().filterNames(QString::fromLatin1(FilterCategory::NonSquarePixels));
    for (const auto &effect : m_filterArray)
        if (effect->enabled() && effect->filter() && !pixelIndependent.contains(effect->filterName()))
            return false;
    return true;
}

void TDGraphic::filterImageInView(TDDrawProtocol *, GraphicsContext &context)
{
    const TDImageStore *store = TDImageStore::shared();
    const auto image = m_fillStyle->image();
    const std::shared_ptr<TDBezierPath> path = cachedBezierPath();
    m_filterExtent = Rect(); // the output stays inside the path
    if (!store || !image || !path)
        return;
    const double width = std::ceil(double(image->size.width));
    const double height = std::ceil(double(image->size.height));
    if (!(width >= 1 && height >= 1) || !std::isfinite(width * height))
        return;

    FilterBuffer &buffer = filterBuffer();
    const bool cached =
        buffer.fillImage && buffer.fillKey == image->key && sameData(buffer.fillData, image->data) &&
        buffer.fillWidth == int(std::min(width, 1e9)) && buffer.fillHeight == int(std::min(height, 1e9));
    if (!cached) {
        deleteFilterBuffer();
        FilterBuffer &fresh = filterBuffer();
        // Effects on this road do not depend on the size of pixels: a huge
        // image runs at a size the buffer can hold.
        const double area = width * height;
        const double k = area > double(kMaxFilterBufferPixels) ? std::sqrt(kMaxFilterBufferPixels / area) : 1;
        PixelBuffer pixels(std::max(1, int(std::floor(width * k))), std::max(1, int(std::floor(height * k))));
        if (pixels.isNull())
            return;
        {
            // Unflipped: the image lies upright, its top row first.
            const auto offscreen = GraphicsContext::forSurface(pixels.surface(), false);
            if (!offscreen)
                return;
            store->drawImage(image->key, *offscreen,
                             Rect(0, 0, float(pixels.width()), float(pixels.height())));
            offscreen->flush();
        }
        fresh.fillImage = EffectImage::fromPixels(std::move(pixels));
        fresh.fillKey = image->key;
        fresh.fillData = image->data;
        fresh.fillWidth = int(std::min(width, 1e9));
        fresh.fillHeight = int(std::min(height, 1e9));
    }
    const ImageRef source = filterBuffer().fillImage;
    if (!source)
        return;
    const ImageRef result = filterResult(source);
    if (result) {
        EffectRect extent = result->extent();
        if (extent.isInfinite())
            extent = source->extent();
        const RenderedImage rendered =
            extent.isEmpty() ? RenderedImage() : result->render(extent, renderScale(extent));
        if (!rendered.isNull()) {
            // The output's extent fills the unit square of fill space, the
            // fill image's place.
            const EffectRect &p = rendered.placement;
            const Rect unit(float((p.x - extent.x) / extent.width), float((p.y - extent.y) / extent.height),
                            float(p.width / extent.width), float(p.height / extent.height));
            context.save();
            if (context.addClip(*path) && context.concatCTM(m_fillTransformation))
                context.drawImage(rendered.pixels.surface(), unit, Rect(), CompositeOperation::SourceOver, 1,
                                  ImageOrigin::TopLeft);
            context.restore();
        }
    }
    clearChainInputs();
}

} // namespace scrivane
