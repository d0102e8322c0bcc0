#include "model/TDOval.h"

#include "model/TDBezierPath.h"
#include "model/TDDictionaryReader.h"
#include "model/TDEvent.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDStatusText.h"
#include "model/TDStrokeStyle.h"
#include "platform/GraphicsContext.h"
#include "platform/KeyedUnarchiver.h"

#include <QDebug>

#include <cmath>

namespace scrivane {

namespace {
const std::shared_ptr<TDBezierPath> &unitEllipse()
{
    static const std::shared_ptr<TDBezierPath> ellipse =
        std::make_shared<TDBezierPath>(PathBase::withOvalInRect(Rect(0, 0, 1, 1)));
    return ellipse;
}

const Point centre(0.5f, 0.5f);
constexpr double degreesPerRadian = 57.29577951308232;

const QString angleAKey = QStringLiteral("angleA");
const QString angleBKey = QStringLiteral("angleB");
const QString joinedKey = QStringLiteral("joined");

LineStyle dashedHairline()
{
    LineStyle style;
    style.width = 0;
    style.dash = {4, 2, 6, 5};
    return style;
}
} // namespace

TDOval::TDOval() = default;

QString TDOval::defaultNameFormat() const
{
    return QStringLiteral("Oval");
}

void TDOval::setAngle(float &angle, float degrees, const QString &operation, void (TDOval::*setter)(float))
{
    if (!std::isfinite(degrees) || degrees == angle)
        return;
    if (!manipulating()) {
        const float old = angle;
        registerUndo(Registration::Skippable, operation,
                     [old, setter](TDGraphic &g) { (static_cast<TDOval &>(g).*setter)(old); });
    }
    angle = degrees;
    recalculatePath();
}

void TDOval::setAngleA(float degrees)
{
    setAngle(m_angleA, degrees, QStringLiteral("setAngleA"), &TDOval::setAngleA);
}

void TDOval::setAngleB(float degrees)
{
    setAngle(m_angleB, degrees, QStringLiteral("setAngleB"), &TDOval::setAngleB);
}

void TDOval::setJoined(bool joined)
{
    if (joined == m_joined)
        return;
    if (!manipulating()) {
        const bool old = m_joined;
        registerUndo(Registration::Skippable, QStringLiteral("setJoined"),
                     [old](TDGraphic &g) { static_cast<TDOval &>(g).setJoined(old); });
    }
    m_joined = joined;
    recalculatePath();
}

std::shared_ptr<TDBezierPath> TDOval::bezierPath() const
{
    if (m_angleA == m_angleB)
        return unitEllipse();
    auto path = std::make_shared<TDBezierPath>();
    path->appendArcWithCenter(centre, 0.5f, -m_angleB, -m_angleA);
    if (m_joined) {
        path->lineTo(centre);
        path->close();
    }
    return path;
}

Point TDOval::node(int n, bool original) const
{
    const AffineTransform &t = original ? originalTransformation() : transformation();
    Point p;
    switch (n) {
    case -1:
    case -2: {
        const float degrees =
            n == -1 ? (original ? m_originalAngleA : m_angleA) : (original ? m_originalAngleB : m_angleB);
        const double a = double(degrees) / degreesPerRadian;
        p = Point(float(0.5 + 0.5 * std::cos(a)), float(0.5 - 0.5 * std::sin(a)));
        break;
    }
    case -3:
        p = Point(0.5f, 0);
        break;
    case -4:
        p = Point(0, 0.5f);
        break;
    default:
        return Point();
    }
    return t.transformPoint(p);
}

int TDOval::nodeUnderPoint(Point point, TDGraphicViewInterface *view)
{
    if (!view)
        return TDNotFound;
    for (int n : {-1, -2, -3, -4})
        if (view->pointInHandleAtPoint(point, node(n), HandleType::CurveNode))
            return n;
    return TDNotFound;
}

// --- Manipulation ---------------------------------------------------------------------

void TDOval::startManipulation()
{
    TDGraphic::startManipulation();
    m_originalAngleA = m_angleA;
    m_originalAngleB = m_angleB;
    m_originalJoined = m_joined;
}

void TDOval::stopManipulation()
{
    TDGraphic::stopManipulation();
    if (m_angleA != m_originalAngleA) {
        const float old = m_originalAngleA;
        registerUndo(Registration::Ordinary, QStringLiteral("setAngleA"),
                     [old](TDGraphic &g) { static_cast<TDOval &>(g).setAngleA(old); });
    }
    if (m_angleB != m_originalAngleB) {
        const float old = m_originalAngleB;
        registerUndo(Registration::Ordinary, QStringLiteral("setAngleB"),
                     [old](TDGraphic &g) { static_cast<TDOval &>(g).setAngleB(old); });
    }
    if (m_joined != m_originalJoined) {
        const bool old = m_originalJoined;
        registerUndo(Registration::Ordinary, QStringLiteral("setJoined"),
                     [old](TDGraphic &g) { static_cast<TDOval &>(g).setJoined(old); });
    }
}

float TDOval::roundedAngle(float degrees)
{
    // std::round takes halves away from zero.
    return std::round(degrees / 15.0f) * 15.0f;
}

void TDOval::transformControl(int control, const AffineTransform &drag, unsigned modifierFlags)
{
    const Point p = drag.transformPoint(node(control, true));
    switch (control) {
    case -1:
    case -2: {
        const auto inverse = transformation().inverse();
        if (!inverse)
            break;
        const Point q = inverse->transformPoint(p);
        const double ux = double(q.x) - 0.5;
        const double uy = double(q.y) - 0.5;
        const double r = std::hypot(ux, uy);
        if (r == 0 || !std::isfinite(r))
            break;
        double x = std::atan(-uy / ux) * degreesPerRadian;
        if (ux < 0)
            x -= 180;
        float angle = float(x);
        if (modifierFlags & TDEvent::Shift)
            angle = roundedAngle(angle);
        float &dragged = control == -1 ? m_angleA : m_angleB;
        const float other = control == -1 ? m_angleB : m_angleA;
        // Close to the other angle the shape closes into the full ellipse.
        if (!(modifierFlags & TDEvent::Alternate) && (other - angle) * (other - angle) < 9)
            angle = other;
        dragged = angle;
        m_joined = r <= 0.5;
        const auto shown = [](float degrees) { return double(degrees < 0 ? degrees + 360 : degrees); };
        TDStatusText::show(document(), QStringLiteral("Angles: %0.2f%@ to %0.2f%@"),
                           {shown(m_angleA), QStringLiteral("°"), shown(m_angleB), QStringLiteral("°")});
        break;
    }
    case -3:
    case -4: {
        const bool height = control == -3;
        const auto inverse = originalTransformation().inverse();
        if (!inverse)
            break;
        const Point q = inverse->transformPoint(p);
        const float k = 2 * (0.5f - (height ? q.y : q.x));
        if (!std::isfinite(k))
            break;
        // Scaled about the centre line: the handle follows the pointer and
        // the opposite edge stays.
        AffineTransform t = originalTransformation();
        if (height) {
            t.translate(0, 0.5f);
            t.scale(1, k);
            t.translate(0, -0.5f);
        } else {
            t.translate(0.5f, 0);
            t.scale(k, 1);
            t.translate(-0.5f, 0);
        }
        setTransformation(t);
        TDStatusText::show(document(),
                           height ? QStringLiteral("Height: %0.2f%%") : QStringLiteral("Width: %0.2f%%"),
                           {double(k) * 100});
        break;
    }
    default:
        break;
    }
    recalculatePath();
}

// --- Geometry and drawing -------------------------------------------------------------------

Rect TDOval::editingBounds() const
{
    TDBezierPath ellipse(*unitEllipse());
    ellipse.transform(transformation());
    Rect r = strokeStyle()->strokeBoundsEditing().united(ellipse.bounds());
    if (hasShadow()) {
        const float d = shadowRadius() + shadowDistance();
        r = r.insetBy(-d, -d);
    }
    return r;
}

void TDOval::drawEditingInView(TDDrawProtocol *view, GraphicsContext &context)
{
    TDGraphic::drawEditingInView(view, context);
    if (view)
        drawHandlesInView(dynamic_cast<TDGraphicViewInterface *>(view), context);
}

void TDOval::drawHandlesInView(TDGraphicViewInterface *view, GraphicsContext &context)
{
    const std::shared_ptr<TDBezierPath> path = cachedBezierPath();
    if (!path)
        return;
    context.save();
    context.setLineStyle(dashedHairline());
    context.setStrokeColor(Color::blue());
    context.strokePath(*path, GraphicsContext::LineSource::Context);
    if (m_angleA != m_angleB) {
        PathBase missing;
        missing.appendArcWithCenter(centre, 0.5f, -m_angleB, -m_angleA, true);
        missing.transform(transformation());
        context.setStrokeColor(Color::lightGray());
        context.strokePath(missing, GraphicsContext::LineSource::Context);
    }
    context.restore();

    if (view) {
        view->drawHandleAtPoint(node(-3), HandleType::Edge);
        view->drawHandleAtPoint(node(-4), HandleType::Edge);
        view->drawHandleAtPoint(node(-1), HandleType::CurveControl);
        view->drawHandleAtPoint(node(-2), HandleType::CurveControl);
    }
}

// --- Dictionary form ---------------------------------------------------------------------------

PropertyList TDOval::toYAML() const
{
    PropertyList d = TDGraphic::toYAML();
    d.insert(angleAKey, double(m_angleA));
    d.insert(angleBKey, double(m_angleB));
    d.insert(joinedKey, m_joined);
    return d;
}

std::shared_ptr<TDOval> TDOval::objectWithYAML(const PropertyList &dictionary)
{
    auto oval = std::make_shared<TDOval>();
    oval->initWithDictionary(dictionary);
    if (dictionary.isDictionary()) {
        const TDDictionaryReader r(dictionary, "TDOval");
        if (const auto a = r.number(angleAKey))
            oval->setAngleA(*a);
        if (const auto b = r.number(angleBKey))
            oval->setAngleB(*b);
        if (const auto joined = r.boolean(joinedKey))
            oval->setJoined(*joined);
    }
    oval->recalculatePath();
    return oval;
}

QStringList TDOval::archiveClassHierarchy() const
{
    return {QStringLiteral("TDOval"), QStringLiteral("TDGraphic"), QStringLiteral("NSObject")};
}

std::shared_ptr<Archivable> TDOval::decode(KeyedUnarchiver &unarchiver)
{
    return decodeStored(unarchiver, "TDOval", std::make_shared<TDOval>(),
                        [](TDGraphic &graphic, const TDDictionaryReader &r) {
                            auto &oval = static_cast<TDOval &>(graphic);
                            oval.willChange();
                            oval.initWithValues(r);
                            if (const auto a = r.number(angleAKey))
                                oval.m_angleA = *a;
                            if (const auto b = r.number(angleBKey))
                                oval.m_angleB = *b;
                            if (const auto joined = r.boolean(joinedKey))
                                oval.m_joined = *joined;
                            oval.recalculatePath();
                            oval.didChange();
                        });
}

} // namespace scrivane
