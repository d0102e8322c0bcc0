#include "model/TDRectangle.h"

#include "model/TDBezierPath.h"
#include "model/TDDictionaryReader.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDStatusText.h"
#include "platform/GraphicsContext.h"
#include "platform/KeyedUnarchiver.h"

#include <QDebug>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace scrivane {

namespace {
// Square corners: one path for every rectangle.
const std::shared_ptr<TDBezierPath> &unitSquare()
{
    static const std::shared_ptr<TDBezierPath> square = [] {
        auto path = std::make_shared<TDBezierPath>();
        path->moveTo(Point(0, 0));
        path->lineTo(Point(1, 0));
        path->lineTo(Point(1, 1));
        path->lineTo(Point(0, 1));
        path->close();
        return path;
    }();
    return square;
}

const QString roundnessKey = QStringLiteral("Roundness");
} // namespace

TDRectangle::TDRectangle() = default;

QString TDRectangle::defaultNameFormat() const
{
    return QStringLiteral("Rect");
}

float TDRectangle::cornerAspect(const AffineTransform &t)
{
    const float a = std::abs(t.m11 / t.m22);
    if (std::isfinite(a) && a > 0)
        return a;
    const double ratio = std::hypot(double(t.m11), double(t.m12)) / std::hypot(double(t.m21), double(t.m22));
    if (std::isfinite(ratio) && ratio > 0 && ratio < double(std::numeric_limits<float>::max()))
        return float(ratio);
    return 0;
}

void TDRectangle::setRoundness(float roundness)
{
    if (std::isnan(roundness))
        return;
    roundness = std::clamp(roundness, 0.0f, 0.5f);
    if (roundness == m_roundness)
        return;
    if (!manipulating()) {
        const float old = m_roundness;
        registerUndo(Registration::Skippable, QStringLiteral("setRoundness"),
                     [old](TDGraphic &g) { static_cast<TDRectangle &>(g).setRoundness(old); });
    }
    m_roundness = roundness;
    recalculatePath();
}

std::shared_ptr<TDBezierPath> TDRectangle::bezierPath() const
{
    const float a = cornerAspect(transformation());
    if (m_roundness == 0 || a == 0)
        return unitSquare();
    // The corners are drawn circular in a box of the rectangle's own
    // proportions (width a, height 1), then squeezed back into the unit
    // square, so that the shape transformation makes them circular again.
    float r = m_roundness;
    if (a < 1)
        r *= a;
    auto path = std::make_shared<TDBezierPath>();
    path->appendArcWithCenter(Point(r, r), r, 180, -90);
    path->appendArcWithCenter(Point(a - r, r), r, -90, 0);
    path->appendArcWithCenter(Point(a - r, 1 - r), r, 0, 90);
    path->appendArcWithCenter(Point(r, 1 - r), r, 90, 180);
    path->close();
    path->transform(AffineTransform::makeScale(1 / a, 1));
    return path;
}

Point TDRectangle::node(int n, bool original) const
{
    const AffineTransform &t = original ? originalTransformation() : transformation();
    float r = original ? m_originalRoundness : m_roundness;
    float a = cornerAspect(t);
    if (a == 0)
        a = 1; // square corners: the handles stay where the numbers are finite
    if (a < 1)
        r *= a;
    Point p;
    switch (n) {
    case 1:
        p = Point(0, r);
        break;
    case 2:
        p = Point(r / a, 0);
        break;
    case -1:
        p = Point(r / a, r);
        break;
    case -2:
        p = Point(0.5f, 0);
        break;
    case -3:
        p = Point(0, 0.5f);
        break;
    default:
        return Point();
    }
    return t.transformPoint(p);
}

int TDRectangle::nodeUnderPoint(Point point, TDGraphicViewInterface *view)
{
    if (!view)
        return TDNotFound;
    for (int n : {-1, -2, -3})
        if (view->pointInHandleAtPoint(point, node(n), HandleType::CurveNode))
            return n;
    return TDNotFound;
}

// --- Manipulation ---------------------------------------------------------------------

void TDRectangle::startManipulation()
{
    TDGraphic::startManipulation();
    m_originalRoundness = m_roundness;
}

void TDRectangle::stopManipulation()
{
    TDGraphic::stopManipulation();
    if (m_roundness != m_originalRoundness) {
        const float old = m_originalRoundness;
        registerUndo(Registration::Ordinary, QStringLiteral("setRoundness"),
                     [old](TDGraphic &g) { static_cast<TDRectangle &>(g).setRoundness(old); });
    }
}

void TDRectangle::transformControl(int control, const AffineTransform &drag, unsigned)
{
    switch (control) {
    case -1: {
        const AffineTransform &t = transformation();
        const auto inverse = t.inverse();
        if (!inverse)
            break;
        const Point q = inverse->transformPoint(drag.transformPoint(node(-1, true)));
        const float a = cornerAspect(t);
        float y = q.y;
        if (a > 0 && a < 1)
            y /= a;
        if (!std::isfinite(y))
            break;
        m_roundness = std::clamp(y, 0.0f, 0.5f);
        // The corner radius in the document, in the user's unit.
        double radius = double(m_roundness) * std::hypot(double(t.m11), double(t.m12));
        if (a >= 1)
            radius /= a;
        TDStatusText::show(document(), QStringLiteral("Corner roundness: %@"),
                           {TDStatusText::length(radius)});
        break;
    }
    case -2:
    case -3: {
        const bool height = control == -2;
        const auto inverse = originalTransformation().inverse();
        if (!inverse)
            break;
        const Point q = inverse->transformPoint(drag.transformPoint(node(control, true)));
        const float s = 0.5f - (height ? q.y : q.x);
        if (!std::isfinite(s))
            break;
        // The unit square scaled about its centre line, so that the dragged
        // edge follows the pointer and the opposite one stays.
        AffineTransform t = originalTransformation();
        if (height) {
            t.translate(0, 0.5f);
            t.scale(1, 2 * s);
            t.translate(0, -0.5f);
        } else {
            t.translate(0.5f, 0);
            t.scale(2 * s, 1);
            t.translate(-0.5f, 0);
        }
        setTransformation(t);
        TDStatusText::show(document(),
                           height ? QStringLiteral("Height: %0.2f%%") : QStringLiteral("Width: %0.2f%%"),
                           {double(s) * 200});
        break;
    }
    default:
        break;
    }
    recalculatePath();
}

// --- Drawing -------------------------------------------------------------------------------

void TDRectangle::drawEditingInView(TDDrawProtocol *view, GraphicsContext &context)
{
    TDGraphic::drawEditingInView(view, context);
    if (view)
        drawHandlesInView(dynamic_cast<TDGraphicViewInterface *>(view), context);
}

void TDRectangle::drawHandlesInView(TDGraphicViewInterface *view, GraphicsContext &context)
{
    const std::shared_ptr<TDBezierPath> path = cachedBezierPath();
    if (!path)
        return;
    context.save();
    LineStyle dashed;
    dashed.width = 0;
    dashed.dash = {4, 2, 6, 5};
    context.setLineStyle(dashed);
    context.setStrokeColor(Color::blue());
    context.strokePath(*path, GraphicsContext::LineSource::Context);

    LineStyle thin;
    thin.width = 0;
    context.setLineStyle(thin);
    context.setStrokeColor(Color::gray());
    PathBase guide;
    guide.moveTo(node(1));
    guide.lineTo(node(-1));
    guide.lineTo(node(2));
    context.strokePath(guide, GraphicsContext::LineSource::Context);
    context.restore();

    if (view) {
        view->drawHandleAtPoint(node(-2), HandleType::Edge);
        view->drawHandleAtPoint(node(-3), HandleType::Edge);
        view->drawHandleAtPoint(node(-1), HandleType::CurveControl);
    }
}

// --- Dictionary form ---------------------------------------------------------------------------

PropertyList TDRectangle::toYAML() const
{
    PropertyList d = TDGraphic::toYAML();
    d.insert(roundnessKey, double(m_roundness));
    return d;
}

std::shared_ptr<TDRectangle> TDRectangle::objectWithYAML(const PropertyList &dictionary)
{
    auto rectangle = std::make_shared<TDRectangle>();
    rectangle->initWithDictionary(dictionary);
    if (dictionary.isDictionary()) {
        const TDDictionaryReader r(dictionary, "TDRectangle");
        if (const auto roundness = r.number(roundnessKey))
            rectangle->setRoundness(*roundness);
    }
    rectangle->recalculatePath();
    return rectangle;
}

QStringList TDRectangle::archiveClassHierarchy() const
{
    return {QStringLiteral("TDRectangle"), QStringLiteral("TDGraphic"), QStringLiteral("NSObject")};
}

std::shared_ptr<Archivable> TDRectangle::decode(KeyedUnarchiver &unarchiver)
{
    return decodeStored(unarchiver, "TDRectangle", std::make_shared<TDRectangle>(),
                        [](TDGraphic &graphic, const TDDictionaryReader &r) {
                            auto &rectangle = static_cast<TDRectangle &>(graphic);
                            rectangle.initWithValues(r);
                            // The path was made with the roundness the
                            // rectangle had: made again only for another.
                            const auto roundness = r.number(roundnessKey);
                            if (roundness && std::bit_cast<quint32>(*roundness) !=
                                                 std::bit_cast<quint32>(rectangle.m_roundness)) {
                                rectangle.m_roundness = *roundness;
                                rectangle.recalculatePath();
                            }
                        });
}

} // namespace scrivane
