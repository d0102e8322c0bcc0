#include "model/TDGraphic.h"

#include "model/TDBezierPath.h"
#include "model/TDDrawProtocol.h"
#include "model/TDFillStyle.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDStrokeStyle.h"
#include "platform/GraphicsContext.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {
float zoomOf(const TDDrawProtocol *view)
{
    return usableZoom(view ? view->zoom() : 1.0f);
}
} // namespace

void TDGraphic::initDrawing()
{
    // The effect buffer starts empty; effects keep nothing else per graphic
    // until they draw.
    deleteFilterBuffer();
    m_filterExtent = Rect();
}

void TDGraphic::drawInView(TDDrawProtocol *view, GraphicsContext &context)
{
    if (!m_visible)
        return;
    // Outside the area being redrawn: nothing is allocated.
    if (!context.clipBoundingBox().intersects(drawingBounds()))
        return;
    const std::shared_ptr<TDBezierPath> path = cachedBezierPath();
    const bool outline = view && view->outlineView();
    if (!path)
        return;

    context.save();
    if (!outline)
        context.setBlendModeNumber(m_blendMode);
    if (!outline && m_hasShadow)
        context.setShadow(context.shadowForGraphic(m_shadowAngle, m_shadowOffset, m_shadowRadius,
                                                   m_shadowColor, zoomOf(view)));

    // With effects, the fill and stroke are painted through the effect
    // chain (or the chain runs on the image fill's own pixels); the vector
    // paint is drawn again over it when the chain asks for that.
    const bool filtering = !outline && useFiltersDrawing();
    const bool optimised = filtering && canOptimiseImageFilters();
    // The transparency layer (an off-screen composite) is only paid for when
    // a shadow, opacity, blend mode or image needs the paint as one piece;
    // the effect output alone is one piece already.
    const bool layered =
        !outline && (!filtering || m_needsVectorComposite) &&
        (m_hasShadow || m_alphaValue < 1 || m_blendMode != 0 || m_fillStyle->style() == TDFillImage);
    float alpha = m_alphaValue;
    if (optimised)
        alpha *= m_fillStyle->imageAlpha();
    if (alpha < 1)
        context.setAlpha(alpha);
    if (layered) {
        // Without effects (whose extent is only known once they have run)
        // everything painted here stays inside the layer bounds, so the
        // layer need not cover the whole area being redrawn.
        if (filtering)
            context.beginTransparencyLayer();
        else
            context.beginTransparencyLayer(layerBounds());
    }
    if (optimised) {
        filterImageInView(view, context);
    } else {
        const auto paint = [this](TDDrawProtocol *target, GraphicsContext &into) {
            m_fillStyle->drawInGraphic(*this, target, into);
            m_strokeStyle->drawInGraphic(*this, target, into);
        };
        if (filtering) {
            startFilters(view, paint);
            endFiltersInView(view, context);
            if (m_needsVectorComposite)
                paint(view, context);
        } else {
            deleteFilterBuffer();
            paint(view, context);
        }
    }
    if (layered)
        context.endTransparencyLayer();
    context.restore();
}

Rect TDGraphic::layerBounds()
{
    // The drawing bounds hold the stroke at its width and the miter tips
    // the path's own join allows; the stroke is drawn with the style's caps
    // and joins, so leave room for any of them (a square cap reaches w/2·√2
    // past a slanted end, a miter up to w/2 times the limit).
    const Rect bounds = drawingBounds();
    const float width = m_strokeStyle->strokeWidth();
    if (!std::isfinite(width) || width <= 0)
        return bounds.insetBy(-1, -1);
    float reach = 1;
    const int join = m_strokeStyle->joinStyle();
    if (join != static_cast<int>(LineJoinStyle::Round) && join != static_cast<int>(LineJoinStyle::Bevel)) {
        const std::shared_ptr<TDBezierPath> path = cachedBezierPath();
        const float limit = path ? path->miterLimit() : 10.0f;
        reach = std::max(reach, std::isfinite(limit) && limit >= 1 ? limit / 2 : 5.0f);
    }
    const float margin = width * reach + 1;
    return bounds.insetBy(-margin, -margin);
}

void TDGraphic::drawSelectionInView(TDGraphicViewInterface *view, GraphicsContext &context)
{
    if (!context.clipBoundingBox().intersects(drawingBounds()))
        return;
    const std::shared_ptr<TDBezierPath> path = cachedBezierPath();
    if (!path)
        return;
    bool first = false;
    if (view) {
        const TDGraphicArray selection = view->selectedGraphics();
        first = !selection.empty() && selection.front().get() == this;
    }
    context.save();
    context.setStrokeColor(first ? Color::green() : Color::blue());
    LineStyle hairline;
    hairline.width = 0;
    context.setLineStyle(hairline);
    context.strokePath(*path, GraphicsContext::LineSource::Context);
    context.restore();
}

void TDGraphic::drawEditingInView(TDDrawProtocol *, GraphicsContext &) {}

} // namespace scrivane
