#include "model/TDDistortion.h"

#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDStrokeStyle.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

// Runs `restore` when the scope ends, however it ends.
template <class F> class ScopeExit {
public:
    explicit ScopeExit(F f) : m_f(std::move(f)) {}
    ~ScopeExit() { m_f(); }
    ScopeExit(const ScopeExit &) = delete;
    ScopeExit &operator=(const ScopeExit &) = delete;

private:
    F m_f;
};

// The stroke's value times the colour's share of the key's value; without a
// key value to divide by, the colour's own value is added instead.
float scaledLike(float stroke, float colour, float key)
{
    const float value = key > 1e-6f ? stroke * (colour / key) : stroke + colour;
    return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : stroke;
}

} // namespace

TDDistortion::TDDistortion(TDGraphicPtr graphic, TDStrokeStyle *distorter, const std::optional<Color> &keyColor,
                           int colorizationMethod)
    : m_graphic(std::move(graphic)), m_distorter(distorter), m_colorizationMethod(colorizationMethod)
{
    if (keyColor)
        m_distortColor = keyColor->toCalibratedRGB();
    setBounds(Rect());
}

TDGraphicPtr TDDistortion::distortionWithGraphic(const TDGraphicPtr &graphic, TDStrokeStyle *distorter,
                                                 const std::optional<Color> &keyColor, int colorizationMethod)
{
    if (!graphic)
        return nullptr;
    if (const auto group = std::dynamic_pointer_cast<TDGroup>(graphic)) {
        TDGraphicArray children;
        for (const TDGraphicPtr &child : group->graphics())
            if (TDGraphicPtr distorted = distortionWithGraphic(child, distorter, keyColor, colorizationMethod))
                children.push_back(std::move(distorted));
        auto distortedGroup = std::make_shared<TDGroup>();
        distortedGroup->_setGraphics(children);
        distortedGroup->setStyleFrom(*group);
        distortedGroup->setClip(group->clip());
        distortedGroup->setVisibleQuiet(group->visible());
        return distortedGroup;
    }
    return std::make_shared<TDDistortion>(graphic, distorter, keyColor, colorizationMethod);
}

void TDDistortion::updateDistortions(TDGraphic &graphic)
{
    if (auto *distortion = dynamic_cast<TDDistortion *>(&graphic)) {
        distortion->update();
    } else if (auto *group = dynamic_cast<TDGroup *>(&graphic)) {
        for (const TDGraphicPtr &child : group->graphics())
            updateDistortions(*child);
        group->calculateBounds();
    }
}

void TDDistortion::update()
{
    m_strokeBounds.reset();
    const std::shared_ptr<TDBezierPath> own = m_graphic->cachedBezierPath();
    if (!own || !m_distorter) {
        m_distortedPath.reset();
        setBounds(Rect());
        return;
    }
    auto bent = std::make_shared<TDBezierPath>(m_distorter->distort(*own));
    bent->setWindingRule(own->windingRule());
    m_distortedPath = std::move(bent);
    setBounds(m_distortedPath->bounds());
}

Rect TDDistortion::strokeBounds() const
{
    if (m_strokeBounds)
        return *m_strokeBounds;
    if (!m_distortedPath)
        return Rect();
    TDGraphic &g = *m_graphic;
    const std::shared_ptr<TDBezierPath> own = g.hasCachedBezierPath() ? g.cachedBezierPath() : nullptr;
    {
        const ScopeExit restore([&] { g.setCachedBezierPath(own); });
        g.setCachedBezierPath(m_distortedPath);
        m_strokeBounds = g.strokeStyle()->strokeBoundsUncached();
    }
    return *m_strokeBounds;
}

Rect TDDistortion::drawingBoundsWithoutEffects() const
{
    Rect r = strokeBounds();
    if (m_graphic->hasShadow()) {
        const float grow = m_graphic->shadowOffset() + m_graphic->shadowRadius();
        r = r.insetBy(-grow, -grow);
    }
    return r;
}

Rect TDDistortion::drawingBounds() const
{
    Rect r = drawingBoundsWithoutEffects();
    if (m_graphic->useFiltersDrawing())
        r = r.united(m_graphic->filterExtent());
    return r;
}

bool TDDistortion::containsPoint(Point point) const
{
    return m_distortedPath && m_distortedPath->containsPoint(point);
}

Color TDDistortion::colorize(const Color &color) const
{
    return colorize(color, m_distorter ? m_distorter->color() : Color::black(), m_distortColor,
                    m_colorizationMethod);
}

Color TDDistortion::colorize(const Color &color, const Color &strokeColor, const std::optional<Color> &keyColor,
                             int method)
{
    const Color c = color.toCalibratedRGB();
    const Color S = strokeColor.toCalibratedRGB();
    switch (method) {
    case 1: {
        // Tint: black takes the stroke colour, white stays white.
        const float b = c.brightnessComponent();
        const auto tint = [b](float s) { return b + (1 - b) * s; };
        return Color::calibratedRGB(tint(S.redComponent()), tint(S.greenComponent()), tint(S.blueComponent()),
                                    S.alpha() * c.alpha());
    }
    case 2: {
        // Shade and tint: black stays black, middle grey takes the stroke
        // colour, white stays white.
        const float b = c.brightnessComponent();
        const auto shade = [b](float s) {
            if (b < 0.5f)
                return 2 * b * s;
            const float k = 2 * (b - 0.5f);
            return k + (1 - k) * s;
        };
        return Color::calibratedRGB(shade(S.redComponent()), shade(S.greenComponent()), shade(S.blueComponent()),
                                    S.alpha() * c.alpha());
    }
    case 0: {
        // Hue shift: the key colour becomes the stroke colour, every other
        // colour keeps its difference from the key.
        if (!keyColor)
            return color;
        const Color K = keyColor->toCalibratedRGB();
        float hue = S.hueComponent() + (c.hueComponent() - K.hueComponent());
        if (hue < 0)
            hue += 1;
        else if (hue > 1)
            hue -= 1;
        const float saturation = scaledLike(S.saturationComponent(), c.saturationComponent(), K.saturationComponent());
        const float brightness = scaledLike(S.brightnessComponent(), c.brightnessComponent(), K.brightnessComponent());
        return Color::calibratedHSB(std::clamp(hue, 0.0f, 1.0f), saturation, brightness, c.alpha());
    }
    default:
        return color;
    }
}

void TDDistortion::drawInView(TDDrawProtocol *view, GraphicsContext &context)
{
    if (!m_distortedPath)
        return;
    TDGraphic &g = *m_graphic;
    TDFillStyle &fill = *g.fillStyle();
    TDStrokeStyle &stroke = *g.strokeStyle();
    const std::shared_ptr<TDBezierPath> own = g.hasCachedBezierPath() ? g.cachedBezierPath() : nullptr;
    const Color fillColor = fill.color();
    const Color strokeColor = stroke.color();
    const Rect bounds = drawingBounds();
    // The brush graphic is shared by every stroke that uses the brush: it is
    // put back as it was on every way out.
    // A brush stroke of the brush graphic keeps strokes mapped along its
    // own path: they are built again for the bent one, and after it.
    const bool brushInBrush = stroke.style() == TDStrokeStyle::BrushStroke;
    const ScopeExit restore([&] {
        fill._setColor(fillColor);
        stroke._setColor(strokeColor);
        g.overrideDrawingBounds(nullptr);
        g.setCachedBezierPath(own);
        if (brushInBrush)
            stroke.changedGeometry();
    });
    g.setCachedBezierPath(m_distortedPath);
    if (brushInBrush)
        stroke.changedGeometry();
    g.overrideDrawingBounds(&bounds);
    if (m_distortColor) {
        if (fill.style() == TDFillColor)
            fill._setColor(colorize(fillColor));
        if (stroke.style() == TDStrokeStyle::Line)
            stroke._setColor(colorize(strokeColor));
    }
    g.drawInView(view, context);
}

} // namespace scrivane
