#include "model/TDStrokeStyle.h"

#include "model/TDBezierPath.h"
#include "model/TDBrush.h"
#include "model/TDBrushLibrary.h"
#include "model/TDDistortion.h"
#include "model/TDDrawProtocol.h"
#include "model/TDGraphic.h"
#include "model/TDGroup.h"

#include <cmath>

namespace scrivane {

// --- Choosing a brush ------------------------------------------------------------------------

void TDStrokeStyle::setBrush(int brush)
{
    if (brush == m_brush && !m_customBrush)
        return;
    setBrushChoice({brush, nullptr, QString()});
}

void TDStrokeStyle::setBrush_n(const PropertyList &number)
{
    setBrush(static_cast<int>(number.toInteger()));
}

void TDStrokeStyle::setBrushDict(const std::shared_ptr<TDCustomBrush> &brush)
{
    if (!brush || brush == m_customBrush || !brush->load())
        return;
    setBrushChoice({-1, brush, brush->name()});
}

void TDStrokeStyle::setBrushName(const QString &name)
{
    if (const auto brush = TDBrushLibrary::shared().customBrushNamed(name)) {
        setBrushDict(brush);
        return;
    }
    // Not on this machine: the name stays, so that the next save writes it
    // back and the brush comes back where it exists.
    m_brush = -1;
    m_customBrush.reset();
    m_customBrushName = name;
    m_brushGraphics.clear();
    changedGeometry();
}

void TDStrokeStyle::setBrushChoice(const BrushChoice &choice)
{
    // The whole choice comes back with undo, also from one custom brush to
    // another.
    registerUndo(true, QStringLiteral("setBrush_n"), [old = brushChoice()](TDStrokeStyle &s) {
        s.setBrushChoice(old);
    });
    willChange();
    m_brush = choice.custom ? -1 : choice.index;
    m_customBrush = choice.custom;
    m_customBrushName = choice.custom ? choice.custom->name() : choice.customName;
    makeBrushGraphics();
    changedGeometry();
    didChange();
}

void TDStrokeStyle::makeBrushGraphics()
{
    m_brushGraphics.clear();
    if (!m_customBrush || !m_customBrush->load())
        return;
    for (const TDGraphicPtr &g : m_customBrush->graphics())
        if (TDGraphicPtr distorted = TDDistortion::distortionWithGraphic(
                g, this, m_customBrush->keyColor(), m_customBrush->colorizationMethod()))
            m_brushGraphics.push_back(std::move(distorted));
    m_brushGraphicsStale = true;
}

// --- Mapping ----------------------------------------------------------------------------------

std::vector<TDBezierPath> &TDStrokeStyle::strokeSubpaths()
{
    if (m_subpaths)
        return *m_subpaths;
    m_subpaths.emplace();
    const std::shared_ptr<TDBezierPath> path = graphic() ? graphic()->cachedBezierPath() : nullptr;
    if (!path)
        return *m_subpaths;
    // Brush strokes are built in stroke space.
    const std::optional<AffineTransform> inverse = graphic()->strokeTransformation().inverse();
    for (TDBezierPath &subpath : path->split()) {
        if (inverse && !inverse->isIdentity())
            subpath.transform(*inverse);
        m_subpaths->push_back(std::move(subpath));
    }
    return *m_subpaths;
}

const std::vector<TDBezierPath> &TDStrokeStyle::allStrokesMapped()
{
    if (m_mappedStrokes)
        return *m_mappedStrokes;
    m_mappedStrokes.emplace();
    const std::vector<TDBrush> &brushes = TDBrush::brushes();
    if (m_brush < 0 || m_brush >= int(brushes.size()) || !graphic())
        return *m_mappedStrokes;
    m_mappedTransform = graphic()->transformation();
    // The mapping sets each target's width and pressure source for its run.
    std::vector<TDBezierPath> &subpaths = strokeSubpaths();
    const std::vector<TDBezierPath> &shapes = brushes[size_t(m_brush)].paths();
    m_mappedStrokes->reserve(shapes.size() * subpaths.size());
    for (const TDBezierPath &shape : shapes) {
        for (TDBezierPath &subpath : subpaths) {
            TDBezierPath stroke = shape.mappedToPath(subpath, m_strokeWidth, this);
            stroke.setWindingRule(WindingRule::NonZero);
            m_mappedStrokes->push_back(std::move(stroke));
        }
    }
    return *m_mappedStrokes;
}

TDBezierPath TDStrokeStyle::distort(const TDBezierPath &path)
{
    TDBezierPath result;
    const Rect box = m_customBrush ? m_customBrush->bounds() : Rect();
    if (box.isEmpty() || !graphic())
        return result;
    TDBezierPath shape = TDBezierPath::bezierPathWithPath(path);
    shape.transform(TDBezierPath::unitBoxTransform(box));
    for (TDBezierPath &subpath : strokeSubpaths())
        result.appendPath(shape.mappedToPath(subpath, m_strokeWidth, this));
    return result;
}

const TDGraphicArray &TDStrokeStyle::brushGraphics()
{
    // Bent again whenever the stroke's geometry changed, whether or not the
    // graphic is in a document.
    if (m_brushGraphicsStale) {
        m_brushGraphicsStale = false;
        for (const TDGraphicPtr &g : m_brushGraphics)
            TDDistortion::updateDistortions(*g);
    }
    return m_brushGraphics;
}

std::shared_ptr<TDBezierPath> TDStrokeStyle::brushPath()
{
    auto path = std::make_shared<TDBezierPath>();
    if (hasCustomBrushGraphics()) {
        for (const TDGraphicPtr &g : brushGraphics())
            if (const std::shared_ptr<TDBezierPath> bent = g->cachedBezierPath())
                path->appendPath(*bent);
        return path;
    }
    for (const TDBezierPath &stroke : allStrokesMapped())
        path->appendPath(stroke);
    return path;
}

// --- Hit testing and drawing ---------------------------------------------------------------------

namespace {
bool anyContains(const TDGraphicArray &graphics, Point point)
{
    for (const TDGraphicPtr &g : graphics) {
        if (const auto *distortion = dynamic_cast<const TDDistortion *>(g.get())) {
            if (distortion->containsPoint(point))
                return true;
        } else if (const auto *group = dynamic_cast<const TDGroup *>(g.get())) {
            if (anyContains(group->graphics(), point))
                return true;
        }
    }
    return false;
}
} // namespace

bool TDStrokeStyle::brushContainsPoint(Point point)
{
    const std::optional<AffineTransform> inverse = graphic()->strokeTransformation().inverse();
    if (!inverse)
        return false;
    const Point p = inverse->transformPoint(point);
    if (hasCustomBrushGraphics())
        return anyContains(brushGraphics(), p);
    for (const TDBezierPath &stroke : allStrokesMapped())
        if (stroke.containsPoint(p))
            return true;
    return false;
}

void TDStrokeStyle::drawBrush(TDGraphic &graphic, TDDrawProtocol *view, GraphicsContext &context)
{
    const bool outline = view && view->outlineView();
    context.save();
    context.concatCTM(graphic.strokeTransformation());
    if (hasCustomBrushGraphics()) {
        for (const TDGraphicPtr &g : brushGraphics())
            g->drawInView(view, context);
        context.restore();
        return;
    }
    // A custom brush not found here, or an index beyond this program's list,
    // draws nothing.
    const std::vector<TDBrush> &brushes = TDBrush::brushes();
    if (m_brush < 0 || m_brush >= int(brushes.size())) {
        context.restore();
        return;
    }
    const std::vector<TDBezierPath> &strokes = allStrokesMapped();
    Color color = m_color;
    if (outline)
        color = color.blendedWithFraction(0.3f, Color::black());
    const std::vector<float> &alpha = brushes[size_t(m_brush)].alpha();
    const size_t N = strokes.size();
    const size_t A = alpha.size();
    if (outline) {
        LineStyle hairline;
        hairline.width = 0;
        context.setLineStyle(hairline);
    }
    for (size_t i = 0; i < N; ++i) {
        // Each shape's strokes take that shape's opacity.
        const Color paint = A > 0 ? color.withAlpha(alpha[i * A / N] * color.alpha()) : color;
        if (outline) {
            context.setStrokeColor(paint);
            context.strokePath(strokes[i], GraphicsContext::LineSource::Context);
        } else {
            context.setFillColor(paint);
            context.fillPath(strokes[i]);
        }
    }
    context.restore();
}

} // namespace scrivane
