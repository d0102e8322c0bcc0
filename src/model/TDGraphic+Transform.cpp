#include "model/TDGraphic.h"

#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDDocumentInterface.h"
#include "model/TDFillStyle.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDGroup.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "model/TDUndoManager.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDebug>
#include <QImage>

#include <cmath>

namespace scrivane {

namespace {
bool isFinite(const AffineTransform &t)
{
    return std::isfinite(t.m11) && std::isfinite(t.m12) && std::isfinite(t.m21) && std::isfinite(t.m22) &&
           std::isfinite(t.tX) && std::isfinite(t.tY);
}

// A matrix with coefficients that are not numbers would blank every drawing
// after it: it is refused where it comes in.
bool acceptable(const AffineTransform &t, const char *what)
{
    if (isFinite(t))
        return true;
    qWarning("A %s transformation that is not finite was refused", what);
    return false;
}

// (a, then b): a copy of a with b appended.
AffineTransform followedBy(const AffineTransform &a, const AffineTransform &b)
{
    AffineTransform result = a;
    result.append(b);
    return result;
}
} // namespace

AffineTransform TDGraphic::transformForBounds(const Rect &rect)
{
    return AffineTransform(rect.width(), 0, 0, rect.height(), rect.minX(), rect.minY());
}

void TDGraphic::setTransformation(const AffineTransform &transform)
{
    if (!acceptable(transform, "shape"))
        return;
    if (!m_manipulating && !m_creating) {
        const AffineTransform old = m_transformation;
        registerUndo(Registration::Skippable, QStringLiteral("setTransformation"),
                     [old](TDGraphic &g) { g.setTransformation(old); });
    }
    m_transformation = transform;
    if (!m_creating)
        recalculatePath();
}

void TDGraphic::setFillTransformation(const AffineTransform &transform)
{
    if (transform == m_fillTransformation || !acceptable(transform, "fill"))
        return;
    const bool quiet = m_manipulating || m_creating;
    if (!quiet) {
        const AffineTransform old = m_fillTransformation;
        registerUndo(Registration::Skippable, QStringLiteral("setFillTransformation"),
                     [old](TDGraphic &g) { g.setFillTransformation(old); });
        willChange();
    }
    m_fillTransformation = transform;
    if (!quiet)
        didChange();
}

void TDGraphic::setStrokeTransformation(const AffineTransform &transform)
{
    if (transform == m_strokeTransformation || !acceptable(transform, "stroke"))
        return;
    const bool quiet = m_manipulating || m_creating;
    if (!quiet) {
        const AffineTransform old = m_strokeTransformation;
        registerUndo(Registration::Skippable, QStringLiteral("setStrokeTransformation"),
                     [old](TDGraphic &g) { g.setStrokeTransformation(old); });
        willChange();
    }
    m_strokeTransformation = transform;
    if (!quiet) {
        if (m_strokeStyle->style() == TDStrokeBrush)
            m_strokeStyle->changedGeometry();
        didChange();
    }
}

void TDGraphic::setTextTransformation(const AffineTransform &transform)
{
    if (transform == m_textTransformation || !acceptable(transform, "text"))
        return;
    const bool quiet = m_manipulating || m_creating;
    if (!quiet) {
        const AffineTransform old = m_textTransformation;
        registerUndo(Registration::Skippable, QStringLiteral("setTextTransformation"),
                     [old](TDGraphic &g) { g.setTextTransformation(old); });
        willChange();
    }
    m_textTransformation = transform;
    if (!quiet) {
        if (m_fillStyle->style() == TDFillText)
            m_fillStyle->changedGeometry();
        didChange();
    }
}

void TDGraphic::resetStrokeTransform()
{
    setStrokeTransformation(AffineTransform());
}

void TDGraphic::resetFillTransform()
{
    setTextTransformation(AffineTransform());
    AffineTransform t = transformForBounds(m_bounds);
    switch (m_fillStyle->style()) {
    case TDFillGradient:
        m_fillStyle->setGradientFromPoint(Point(0.2f, 0.2f), Point(0.8f, 0.2f));
        break;
    case TDFillImage: {
        // The image keeps its aspect ratio, fills the bounds in one
        // direction and sits at their origin.  Flat bounds or an image
        // without size have no ratio: the image then fills the bounds.
        const auto image = m_fillStyle->image();
        if (!image || !(image->size.width > 0) || !(image->size.height > 0) || t.m11 == 0 || t.m22 == 0)
            break;
        const float a = t.m11 / t.m22;
        const float i = image->size.width / image->size.height;
        if (i > a)
            t.prepend(AffineTransform::makeScale(1, a / i));
        else
            t.prepend(AffineTransform::makeScale(i / a, 1));
        break;
    }
    default:
        break;
    }
    setFillTransformation(t);
}

// --- Manipulation -------------------------------------------------------------------------

void TDGraphic::startManipulation()
{
    if (TDGraphicViewInterface *view = graphicView())
        view->stopTextEditing();
    m_manipulating = true;
    m_originalBounds = m_bounds;
    m_originalTransformation = m_transformation;
    m_originalFillTransformation = m_fillTransformation;
    m_originalStrokeTransformation = m_strokeTransformation;
    m_originalTextTransformation = m_textTransformation;
    m_originalStrokeWidth = m_strokeStyle->strokeWidth();
}

void TDGraphic::stopManipulation()
{
    const AffineTransform shape = m_transformation;
    const AffineTransform fill = m_fillTransformation;
    const AffineTransform stroke = m_strokeTransformation;
    const AffineTransform text = m_textTransformation;
    willChange();
    // Back to the start, unregistered, so that setting the result again
    // registers the start as its inverse: the whole drag is one undo step.
    setTransformation(m_originalTransformation);
    setFillTransformation(m_originalFillTransformation);
    setStrokeTransformation(m_originalStrokeTransformation);
    setTextTransformation(m_originalTextTransformation);
    m_manipulating = false;
    setTransformation(shape);
    setFillTransformation(fill);
    setStrokeTransformation(stroke);
    setTextTransformation(text);
    const float width = m_strokeStyle->strokeWidth();
    m_strokeStyle->setStrokeWidthSilent(m_originalStrokeWidth);
    m_strokeStyle->setStrokeWidth(width);
    didChange();
    didChangeGeometry();
}

void TDGraphic::cancelManipulation()
{
    m_manipulating = false;
}

void TDGraphic::transformWithTransformation(const AffineTransform &t, bool transfromFill,
                                            bool transformStroke, bool transformShape)
{
    setTransformation(transformShape ? followedBy(m_originalTransformation, t) : m_originalTransformation);
    setFillTransformation(transfromFill ? followedBy(m_originalFillTransformation, t)
                                        : m_originalFillTransformation);

    const int strokeStyle = m_strokeStyle->style();
    if (strokeStyle != TDStrokeBrush && strokeStyle != TDStrokeText) {
        // Lines keep their transformation; their width follows the mean
        // scale of the drag instead.
        TDGraphicViewInterface *view = graphicView();
        const bool beingCreated = m_creating || (view && view->creatingGraphic() == this);
        if (!beingCreated) {
            if (transformStroke) {
                const double sx = std::hypot(double(t.m11), double(t.m12));
                const double sy = std::hypot(double(t.m21), double(t.m22));
                m_strokeStyle->setStrokeWidthSilent(float(m_originalStrokeWidth * std::sqrt(sx * sy)));
            } else {
                m_strokeStyle->setStrokeWidthSilent(m_originalStrokeWidth);
            }
        }
    } else if (transformStroke) {
        setStrokeTransformation(followedBy(m_originalStrokeTransformation, t));
        if (m_wasUnscaled)
            m_strokeStyle->changedGeometry();
        m_wasUnscaled = false;
    } else {
        setStrokeTransformation(m_originalStrokeTransformation);
        m_strokeStyle->changedGeometry();
        m_wasUnscaled = true;
    }

    if (m_fillStyle->style() == TDFillText && transfromFill)
        setTextTransformation(followedBy(m_originalTextTransformation, t));
    else
        setTextTransformation(m_originalTextTransformation);

    if (const auto parent = layer())
        parent->calculateBounds();
}

void TDGraphic::align(int mode, const TDGraphic &reference)
{
    const Rect &r = reference.bounds();
    const Rect &b = bounds();
    float dx = 0;
    float dy = 0;
    auto along = [](float target, float current, float &delta) {
        if (target != current)
            delta = target - current;
    };
    switch (mode) {
    case 0:
        along(r.minX(), b.minX(), dx);
        break;
    case 1:
        along(r.maxX(), b.maxX(), dx);
        break;
    case 2:
        along(r.minY(), b.minY(), dy);
        break;
    case 3:
        along(r.maxY(), b.maxY(), dy);
        break;
    case 4:
        along(r.midX(), b.midX(), dx);
        break;
    case 5:
        along(r.midY(), b.midY(), dy);
        break;
    default:
        break;
    }
    startManipulation();
    transformWithTransformation(AffineTransform::makeTranslation(dx, dy));
    stopManipulation();
}

// --- Interactive creation ----------------------------------------------------------------------

void TDGraphic::createWithEvent(const TDEvent &event, TDGraphicViewInterface *view, CreationMode mode,
                                CreationCompletion completion)
{
    if (!view || !weak_from_this().lock()) {
        // Without a canvas (or outside shared ownership) there is nothing
        // to track.
        if (completion)
            completion(false);
        return;
    }
    if (mode == CreationMode::TextBox) {
        createTextWithEvent(event, view, std::move(completion));
        return;
    }
    trackCreation(event, view, [mode, completion](bool completed, bool moved) {
        if (completion)
            completion(completed && (moved || mode == CreationMode::KeepClick));
    });
}

void TDGraphic::trackCreation(const TDEvent &event, TDGraphicViewInterface *view,
                              std::function<void(bool completed, bool moved)> done)
{
    const auto self = weak_from_this().lock();
    const Point start = view->snapToGrid(view->convertPointFromWindow(
        Point(event.locationInWindow.x + 0.5f, event.locationInWindow.y + 0.5f)));
    setBounds(Rect(start, Size(1, 1)));
    m_transformation = AffineTransform::makeTranslation(start.x, start.y);
    setFillTransformation(m_transformation);
    std::weak_ptr<TDGraphic> weak = self;
    view->trackKnob(Knob::BottomRight, TDGraphicArray{self}, event,
                    [weak, done](TDGraphicViewInterface::TrackingResult result) {
                        const auto graphic = weak.lock();
                        if (graphic)
                            graphic->setTextTransformation(AffineTransform());
                        if (done)
                            done(graphic && result.completed, result.moved);
                    });
}

// --- Conversions ------------------------------------------------------------------------------------

TDGraphicPtr TDGraphic::convertToBezier()
{
    const std::shared_ptr<TDBezierPath> path = cachedBezierPath();
    if (!path)
        return nullptr;
    // The cached path is already in document coordinates: the new graphic's
    // shape transformation is the identity.
    auto bezier = TDBezierGraphic::graphicWithBezierPath(*path);
    bezier->copyStyleFrom(*this);
    if (const auto parent = layer())
        parent->replaceGraphic(this, bezier);
    bezier->setFillTransformation(m_fillTransformation);
    bezier->setStrokeTransformation(m_strokeTransformation);
    bezier->setTextTransformation(m_textTransformation);
    return bezier;
}

std::optional<TDBezierPath> TDGraphic::strokeOutlinePath(QString *error)
{
    const std::shared_ptr<TDBezierPath> path = cachedBezierPath();
    if (!path) {
        if (error)
            *error = QCoreApplication::translate("TDGraphic", "The graphic has no outline.");
        return std::nullopt;
    }
    // Text becomes its glyphs' outlines, where they are drawn.
    if (m_fillStyle->style() == TDFillStyle::TextFill && m_fillStyle->hasText())
        return convertTextToBezier();
    switch (m_strokeStyle->style()) {
    case TDStrokeStyle::BrushStroke: {
        const std::shared_ptr<TDBezierPath> mapped = m_strokeStyle->strokeMapped();
        TDBezierPath shapes = mapped ? TDBezierPath(*mapped) : TDBezierPath(*path);
        shapes.transform(m_strokeTransformation);
        return shapes;
    }
    case TDStrokeStyle::TextStroke:
        return m_strokeStyle->convertTextToBezier();
    default: {
        TDBezierPath stroked = TDBezierPath::bezierPathWithPath(*path);
        const LineStyle line = m_strokeStyle->lineStyle(false);
        stroked.setLineWidth(line.width);
        stroked.setLineJoinStyle(line.join);
        stroked.setLineCapStyle(line.cap);
        stroked.setMiterLimit(line.miterLimit);
        return stroked.outlineOfPath(error);
    }
    }
}

TDGraphicPtr TDGraphic::convertToOutline(QString *error)
{
    // The outline is made before anything is replaced, so that a refusal
    // leaves the graphic where it was.
    std::optional<TDBezierPath> outline = strokeOutlinePath(error);
    if (!outline)
        return nullptr;
    const auto bezier = std::dynamic_pointer_cast<TDBezierGraphic>(convertToBezier());
    if (!bezier)
        return nullptr;
    bezier->installOutline(std::move(*outline));
    return bezier;
}

TDGraphicPtr TDGraphic::reverse()
{
    const TDGraphicPtr bezier = convertToBezier();
    return bezier ? bezier->reverse() : nullptr;
}

TDGraphicPtr TDGraphic::convertToBitmap(QString *error)
{
    TDDocumentInterface *doc = document();
    const auto parent = layer();
    const Rect drawn = drawingBounds();
    // Whole points, so that the pixels fall where the drawing was.
    const float x0 = std::floor(drawn.minX()), y0 = std::floor(drawn.minY());
    const Rect area(x0, y0, std::ceil(drawn.maxX()) - x0, std::ceil(drawn.maxY()) - y0);
    const QImage image = doc && parent && std::isfinite(area.width()) && std::isfinite(area.height())
        ? doc->imageOfGraphics({shared_from_this()}, 1.0f, area)
        : QImage();
    if (image.isNull()) {
        if (error)
            *error = QCoreApplication::translate("TDGraphic", "The graphic cannot be drawn into a bitmap.");
        return nullptr;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    auto bitmap = std::make_shared<TDRectangle>();
    bitmap->strokeStyle()->setStyle(TDStrokeStyle::None);
    bitmap->fillStyle()->setImageData(png, QStringLiteral("png"));
    bitmap->fillStyle()->setStyle(TDFillStyle::ImageFill);
    const AffineTransform placement = transformForBounds(area);
    bitmap->setInitialTransformation(placement);
    bitmap->setFillTransformation(placement);
    bitmap->copyEffectsFrom(*this);
    parent->replaceGraphic(this, bitmap);
    bitmap->recalculatePath();
    return bitmap;
}

} // namespace scrivane

namespace scrivane {

TDBezierPath TDGraphic::distort(const TDBezierPath &path)
{
    const std::shared_ptr<TDBezierPath> target = cachedBezierPath();
    const Rect box = path.bounds();
    if (!target || box.isEmpty())
        return TDBezierPath();
    TDBezierPath shape(path);
    shape.transform(TDBezierPath::unitBoxTransform(box));
    return shape.mappedToPath(*target, m_strokeStyle->strokeWidth(), m_strokeStyle.get());
}

} // namespace scrivane
