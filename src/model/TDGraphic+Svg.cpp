#include "model/TDGraphic.h"

#include "model/TDArrowhead.h"
#include "model/TDBezierPath.h"
#include "model/TDBrush.h"
#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"
#include "model/TDSvgContext.h"
#include "platform/Numbers.h"
#include "platform/SvgPathData.h"
#include "platform/SvgTransform.h"
#include "platform/SvgValues.h"
#include "platform/effects/EffectFilter.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

std::string number(float value)
{
    std::string text;
    Numbers::appendShortest(text, value);
    return text;
}

XmlElement pathElement(const PathBase &path)
{
    XmlElement element("path");
    element.setAttribute("d", SvgPathData::svgDescription(path));
    return element;
}

// A brush stroke as the canvas draws it: the built-in brush's shapes along
// the path, each filled with the stroke's colour at that shape's opacity,
// or the custom brush's graphics bent along it; all in stroke space.
// Nothing when the brush draws nothing (an index beyond the list, a custom
// brush not found here).
std::optional<XmlElement> svgBrushElement(TDGraphic &graphic, TDStrokeStyle &stroke, TDSvgContext &context)
{
    XmlElement group("g");
    if (stroke.brush() < 0) {
        for (const TDGraphicPtr &bent : stroke.brushGraphics())
            group.appendChild(bent->svg(context));
    } else if (stroke.brush() < int(TDBrush::brushes().size())) {
        const std::vector<TDBezierPath> &shapes = stroke.allStrokesMapped();
        const std::vector<float> &alpha = TDBrush::brushes()[size_t(stroke.brush())].alpha();
        const Color &color = stroke.color();
        group.setAttribute("fill", SvgValues::svgColor(color));
        for (size_t i = 0; i < shapes.size(); ++i) {
            XmlElement &shape = group.appendChild(pathElement(shapes[i]));
            if (shapes[i].windingRule() == WindingRule::NonZero)
                shape.setAttribute("fill-rule", "nonzero");
            const float opacity =
                alpha.empty() ? color.alpha() : alpha[i * alpha.size() / shapes.size()] * color.alpha();
            if (opacity < 1)
                shape.setNumber("fill-opacity", std::max(opacity, 0.0f));
        }
    }
    if (group.childCount() == 0)
        return std::nullopt;
    if (!graphic.strokeTransformation().isIdentity())
        group.setAttribute("transform", SvgTransform::svgDescription(graphic.strokeTransformation()));
    return group;
}

// An arrowhead of a line as the canvas draws it: stroked like the line but
// never dashed, and filled with the line's colour unless the arrowhead is
// only stroked.
XmlElement svgArrowElement(const TDBezierPath &head, const TDStrokeStyle &stroke, bool strokeOnly)
{
    XmlElement element = pathElement(head);
    XmlElement paints("path");
    stroke.addToSVGElement(paints);
    for (const auto &[name, value] : paints.attributes())
        if (name != "stroke-dasharray")
            element.setAttribute(name, value);
    if (strokeOnly) {
        element.setAttribute("fill", "none");
    } else {
        element.setAttribute("fill", SvgValues::svgColor(stroke.color()));
        if (stroke.color().alpha() < 1)
            element.setNumber("fill-opacity", std::max(stroke.color().alpha(), 0.0f));
    }
    return element;
}

// How SVG can show a graphic's effect list.
enum class SvgEffects {
    None,       // no effect draws
    Blur,       // one Gaussian blur: a filter
    Picture,    // anything else: a picture of the graphic
};

struct EffectsPlan {
    SvgEffects kind = SvgEffects::None;
    // The blur's standard deviation in points.
    double blurDeviation = 0;
};

EffectsPlan effectsPlan(const TDGraphic &graphic)
{
    EffectsPlan plan;
    if (!graphic.useFiltersDrawing())
        return plan;
    // Effects that are switched off, or whose filter is not installed, do
    // not take part in the drawing.
    std::vector<const TDFilter *> drawing;
    for (const auto &effect : graphic.filterArray())
        if (effect && effect->enabled() && effect->filter())
            drawing.push_back(effect.get());
    if (drawing.empty())
        return plan;
    if (drawing.size() == 1 && drawing.front()->filter()->name() == QLatin1String("CIGaussianBlur")) {
        // The radius is in effect buffer pixels, filterResolution of them
        // per point.
        const double scale = std::max(1.0f, drawing.front()->scale());
        const double radius = drawing.front()->filter()->number("inputRadius");
        plan.kind = SvgEffects::Blur;
        plan.blurDeviation = std::isfinite(radius) && radius > 0 ? radius / scale : 0;
        return plan;
    }
    plan.kind = SvgEffects::Picture;
    return plan;
}


std::optional<XmlElement> pictureElement(TDGraphic &graphic, TDSvgContext &context)
{
    // The canvas renders effects at no less than one pixel per point.
    const auto picture = context.pictureOfGraphic(graphic, float(std::max(graphic.filterResolution(), 1)));
    if (!picture || picture->image.isNull() || picture->bounds.isEmpty())
        return std::nullopt;
    std::string file = context.addSVGgraphic(picture->image);
    if (file.empty())
        return std::nullopt;
    XmlElement image("image");
    image.setAttribute("xlink:href", std::move(file));
    TDGraphic::setSVGRect(image, picture->bounds);
    return image;
}

} // namespace

// --- Helpers of the subclasses -------------------------------------------------------------------

std::optional<XmlElement> TDGraphic::svgPicture(TDSvgContext &context)
{
    if (!m_visible || effectsPlan(*this).kind != SvgEffects::Picture)
        return std::nullopt;
    if (auto picture = pictureElement(*this, context))
        return picture;
    // Nothing the effects show can be written: an empty group keeps the
    // graphic's place in the drawing's order.
    return XmlElement("g");
}

XmlElement TDGraphic::svgPathElement(const PathBase *path)
{
    if (path)
        return pathElement(*path);
    XmlElement element("path");
    element.setAttribute("d", std::string());
    return element;
}

std::optional<Rect> TDGraphic::svgAxisAlignedBox(const AffineTransform &t)
{
    if (t.m12 != 0 || t.m21 != 0 || t.m11 == 0 || t.m22 == 0)
        return std::nullopt;
    return Rect(t.tX + std::min(t.m11, 0.0f), t.tY + std::min(t.m22, 0.0f), std::fabs(t.m11), std::fabs(t.m22));
}

std::string TDGraphic::svgURL(const std::string &id)
{
    return "url(#" + id + ")";
}

std::string TDGraphic::svgClipId() const
{
    return "clip" + std::to_string(IDint());
}

void TDGraphic::setSVGRect(XmlElement &element, const Rect &rect)
{
    element.setNumber("x", rect.minX());
    element.setNumber("y", rect.minY());
    element.setNumber("width", rect.width());
    element.setNumber("height", rect.height());
}

// --- Outlines ------------------------------------------------------------------------------------

XmlElement TDGraphic::svgShape()
{
    return svgPathElement(cachedBezierPath().get());
}

// --- The graphic's tree ----------------------------------------------------------------------------

XmlElement TDGraphic::svg(TDSvgContext &context)
{
    if (auto picture = svgPicture(context))
        return *picture;

    XmlElement group("g");
    const TDFillStyle &fill = *m_fillStyle;
    const int fillStyle = fill.style();
    switch (fillStyle) {
    case TDFillColor:
    case TDFillGradient: {
        XmlElement shape = svgShape();
        fill.addToSVGElement(shape, *this, context);
        group.appendChild(std::move(shape));
        break;
    }
    case TDFillImage: {
        const auto image = fill.image();
        // A missing image, or one without pixels, shows nothing on the canvas.
        if (!image || !(image->size.width > 0) || !(image->size.height > 0))
            break;
        std::string file = context.addSVGgraphic(*image);
        if (file.empty())
            break;
        XmlElement picture("image");
        picture.setAttribute("xlink:href", std::move(file));
        picture.setAttribute("x", "0");
        picture.setAttribute("y", "0");
        picture.setNumber("width", image->size.width);
        picture.setNumber("height", image->size.height);
        // The image fills the unit square of fill space, its top row at y = 0.
        AffineTransform placement = m_fillTransformation;
        placement.prepend(AffineTransform::makeScale(1 / image->size.width, 1 / image->size.height));
        picture.setAttribute("transform", SvgTransform::svgDescription(placement));
        if (fill.imageAlpha() < 1)
            picture.setNumber("opacity", std::max(fill.imageAlpha(), 0.0f));

        // Clipped to the outline in the drawing's space: the clip path
        // cannot sit on the image, whose transformation would move it.
        XmlElement clipShape = svgShape();
        if (fill.windingRule() == 0)
            clipShape.setAttribute("clip-rule", "nonzero");
        XmlElement clip("clipPath");
        clip.setAttribute("id", svgClipId());
        clip.appendChild(std::move(clipShape));
        XmlElement clipped("g");
        clipped.setAttribute("clip-path", svgURL(svgClipId()));
        clipped.appendChild(std::move(picture));
        XmlElement wrapper("g");
        wrapper.appendChild(std::move(clip));
        wrapper.appendChild(std::move(clipped));
        group.appendChild(std::move(wrapper));
        break;
    }
    case TDFillText: {
        // The fill's colour under the text, when the fill paints one.
        if (fill.textBackground()) {
            XmlElement shape = svgShape();
            shape.setAttribute("fill", SvgValues::svgColor(fill.color()));
            if (fill.color().alpha() < 1)
                shape.setNumber("fill-opacity", std::max(fill.color().alpha(), 0.0f));
            if (fill.windingRule() == 0)
                shape.setAttribute("fill-rule", "nonzero");
            group.appendChild(std::move(shape));
        }
        if (auto text = svgTextFill())
            group.appendChild(std::move(*text));
        break;
    }
    default:
        break;
    }

    TDStrokeStyle &stroke = *m_strokeStyle;
    if (stroke.style() == TDStrokeBrush) {
        if (auto brush = svgBrushElement(*this, stroke, context))
            group.appendChild(std::move(*brush));
    } else if (stroke.drawsLine()) {
        // The start arrowhead may shorten the line, the end arrowhead is
        // placed on what is left; the line is drawn over them.
        const std::shared_ptr<TDBezierPath> cached = cachedBezierPath();
        std::shared_ptr<TDBezierPath> line = cached;
        bool arrowheads = false;
        const auto arrowhead = [&](int index, float size, bool atEnd, bool morph) {
            if (index < 1 || !line)
                return;
            float cut = atEnd ? 1.0f : 0.0f;
            const std::optional<TDBezierPath> head = stroke.arrow(index, size, *line, atEnd, morph, &cut);
            if (!head)
                return;
            group.appendChild(svgArrowElement(*head, stroke, TDArrowhead::arrows()[size_t(index)].strokeOnly()));
            arrowheads = true;
            if (cut > 0 && cut < 1)
                line = std::make_shared<TDBezierPath>(atEnd ? line->shortenEndTo(cut) : line->shortenStartTo(cut));
        };
        arrowhead(stroke.startArrowStyle(), stroke.startArrowSize() / 100, false, stroke.morphStartArrow());
        arrowhead(stroke.endArrowStyle(), stroke.endArrowSize() / 100, true, stroke.morphEndArrow());
        if (!arrowheads && (fillStyle == TDFillColor || fillStyle == TDFillGradient) && group.childCount() == 1) {
            // One element carries both paints.
            stroke.addToSVGElement(group.children().back());
        } else {
            XmlElement element = line == cached ? svgShape() : svgPathElement(line.get());
            stroke.addToSVGElement(element);
            element.setAttribute("fill", "none");
            group.appendChild(std::move(element));
        }
    }
    // Text goes over the line it runs along.
    if (stroke.style() == TDStrokeText) {
        if (auto text = svgTextOnPath())
            group.appendChild(std::move(*text));
    }

    XmlElement element = group.childCount() == 1 ? std::move(group.children().front()) : std::move(group);
    addEffectsToSVGElement(element, context);
    return element;
}

// --- Effects ------------------------------------------------------------------------------------------

void TDGraphic::addEffectsToSVGElement(XmlElement &element, TDSvgContext &context)
{
    // Present in the file, not shown, as every other export leaves it out.
    if (!m_visible)
        element.setAttribute("display", "none");
    if (m_alphaValue < 1)
        element.setNumber("opacity", std::max(m_alphaValue, 0.0f));
    static const char *const BlendModes[] = {"normal",     "multiply",    "screen",     "overlay",
                                             "darken",     "lighten",     "color-dodge", "color-burn",
                                             "soft-light", "hard-light",  "difference", "exclusion",
                                             "hue",        "saturation",  "color",      "luminosity"};
    if (m_blendMode > 0 && m_blendMode < 16)
        element.setAttribute("style", std::string("mix-blend-mode:") + BlendModes[m_blendMode]);

    const EffectsPlan plan = effectsPlan(*this);
    const bool blur = plan.kind == SvgEffects::Blur && plan.blurDeviation > 0;
    if (!m_hasShadow && !blur)
        return;

    // The filter covers everything the blur and the shadow can reach.
    const double shadowDeviation = m_hasShadow ? std::max(0.0f, m_shadowRadius) / 2.0 : 0.0;
    const double dx = m_hasShadow ? m_shadowOffset * std::sin(double(m_shadowAngle)) : 0.0;
    const double dy = m_hasShadow ? -m_shadowOffset * std::cos(double(m_shadowAngle)) : 0.0;
    const double margin = 3 * plan.blurDeviation + 3 * shadowDeviation + std::fabs(dx) + std::fabs(dy) + 2;
    Rect region = drawingBoundsWithoutEffects().insetBy(float(-margin), float(-margin));

    XmlElement filter("filter");
    filter.setAttribute("filterUnits", "userSpaceOnUse");
    setSVGRect(filter, region);
    // The canvas blurs and composites in the drawing's own colour space.
    filter.setAttribute("color-interpolation-filters", "sRGB");
    const auto primitive = [&filter](const char *name,
                                     std::initializer_list<std::pair<const char *, std::string>> attributes) {
        XmlElement &p = filter.appendChild(XmlElement(name));
        for (const auto &[key, value] : attributes)
            p.setAttribute(key, value);
        return &p;
    };
    std::string source = "SourceGraphic";
    if (blur) {
        primitive("feGaussianBlur", {{"in", source},
                                     {"stdDeviation", number(float(plan.blurDeviation))},
                                     {"result", "blur"}});
        source = "blur";
    }
    if (m_hasShadow) {
        primitive("feFlood", {{"flood-color", SvgValues::svgColor(m_shadowColor)},
                              {"flood-opacity", number(m_shadowColor.alpha())},
                              {"result", "shadowColor"}});
        primitive("feComposite", {{"in", "shadowColor"},
                                  {"in2", source},
                                  {"operator", "in"},
                                  {"result", "shadowShape"}});
        primitive("feGaussianBlur", {{"in", "shadowShape"},
                                     {"stdDeviation", number(float(shadowDeviation))},
                                     {"result", "shadowBlur"}});
        primitive("feOffset", {{"in", "shadowBlur"},
                               {"dx", number(float(dx))},
                               {"dy", number(float(dy))},
                               {"result", "shadow"}});
        XmlElement *merge = primitive("feMerge", {});
        merge->appendChild(XmlElement("feMergeNode"))
            .setAttribute("in", "shadow");
        merge->appendChild(XmlElement("feMergeNode")).setAttribute("in", source);
    }
    element.setAttribute("filter", svgURL(context.addSVGdef(std::move(filter))));
}

} // namespace scrivane
