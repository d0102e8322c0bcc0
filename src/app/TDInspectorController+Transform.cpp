// The transform pane: typed moves, sizes, rotations and skews of the
// selection (or of the selected nodes in the edit tool) about the point
// the picker names.

#include "app/TDInspectorController.h"
#include "app/TDTransformCentreView.h"
#include "app/TDTransformPane.h"
#include "app/UnitsTransformer.h"
#include "canvas/TDCommandStep.h"
#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDBezierGraphic.h"

#include <QCheckBox>
#include <QChar>
#include <QLineEdit>
#include <QLocale>

#include <cmath>
#include <numbers>
#include <typeinfo>

namespace scrivane {

namespace {

// A skew this close to a right angle has no finite shear worth drawing.
constexpr double MaximumSkewDegrees = 89.9;
// Typed scale factors smaller than this (in size) would collapse the
// selection beyond undoing by another typed factor.
constexpr double MinimumScaleFactor = 1e-4;

const QString DegreeText = QStringLiteral("0") + QChar(0x00B0);

AffineTransform about(Point at, const AffineTransform &middle)
{
    AffineTransform t = AffineTransform::makeTranslation(at.x, at.y);
    t.prepend(middle);
    t.translate(-at.x, -at.y);
    return t;
}

bool inEditTool(const TDGraphicView *view)
{
    return view && view->drawMode() == Tool::Edit;
}

// Degrees typed with or without the degree sign.
std::optional<double> degreesFromText(const QString &text)
{
    QString t = text.trimmed();
    t.remove(QChar(0x00B0));
    const std::optional<double> value = UnitsTransformer::leadingNumber(t);
    if (!value || !std::isfinite(*value))
        return std::nullopt;
    return value;
}

} // namespace

void TDInspectorController::connectTransformPane()
{
    TDTransformPane &p = *m_transformPane;
    onText(p.transformXField, [this](const QString &t) { return transformPosition(Axis::Horizontal, t); });
    onText(p.transformYField, [this](const QString &t) { return transformPosition(Axis::Vertical, t); });
    onText(p.transformWidthField, [this](const QString &t) { return transformDimension(Axis::Horizontal, t); });
    onText(p.transformHeightField, [this](const QString &t) { return transformDimension(Axis::Vertical, t); });
    onText(p.transformRotateField, [this](const QString &t) { return transformRotate(t); });
    onText(p.transformSkewField, [this](const QString &t) { return transformSkew(t); });
    connect(p.transformOriginView, &TDTransformCentreView::modesChanged, this, [this] {
        if (m_view)
            updateTransform(m_view->selection());
    });
}

Rect TDInspectorController::boundsForTransform() const
{
    if (!m_view)
        return Rect();
    if (!inEditTool(m_view))
        return m_view->boundsFor(m_view->selection(), false);
    Rect bounds;
    for (const TDGraphicPtr &graphic : m_view->selection()) {
        const QList<int> nodes = m_view->selectedNodesForGraphic(graphic.get());
        if (auto *path = dynamic_cast<const TDBezierGraphic *>(graphic.get()); path && !nodes.isEmpty())
            bounds = MyUnionRect(bounds, path->boundsForNodes(nodes));
    }
    return bounds;
}

void TDInspectorController::updateTransform(const TDGraphicArray &graphics)
{
    TDTransformPane &p = *m_transformPane;
    const std::initializer_list<QLineEdit *> fields{p.transformXField,     p.transformYField,
                                                    p.transformWidthField, p.transformHeightField,
                                                    p.transformRotateField, p.transformSkewField};
    bool nodesSelected = !inEditTool(m_view);
    if (!nodesSelected)
        for (const TDGraphicPtr &graphic : graphics)
            nodesSelected = nodesSelected || !m_view->selectedNodesForGraphic(graphic.get()).isEmpty();
    if (!m_view || graphics.empty() || !nodesSelected) {
        for (QLineEdit *field : fields)
            field->setEnabled(false);
        return;
    }
    for (QLineEdit *field : fields)
        field->setEnabled(true);
    const Rect bounds = boundsForTransform();
    p.transformWidthField->setEnabled(bounds.width() != 0);
    p.transformHeightField->setEnabled(bounds.height() != 0);
    const Point origin = p.transformOriginView->originFromBounds(bounds);
    show(p.transformXField, UnitsTransformer::transformedValue(origin.x));
    show(p.transformYField, UnitsTransformer::transformedValue(origin.y));
    show(p.transformWidthField, UnitsTransformer::transformedValue(bounds.width()));
    show(p.transformHeightField, UnitsTransformer::transformedValue(bounds.height()));
    // Rotation and skew are typed as relative amounts.
    show(p.transformRotateField, DegreeText);
    show(p.transformSkewField, DegreeText);
}

void TDInspectorController::transformGraphics(const AffineTransform &transform)
{
    if (transform.isIdentity() || !m_view)
        return;
    TDGraphicView &view = *m_view;
    const TDGraphicArray graphics = view.selection();
    if (graphics.empty())
        return;
    const Rect before = view.boundsFor(graphics, true);
    const bool fill = m_transformPane->transformFill->isChecked();
    const bool stroke = m_transformPane->transformStroke->isChecked();
    const bool shape = m_transformPane->transformShape->isChecked();
    TDCommandStep step(undoManager());
    for (const TDGraphicPtr &graphic : graphics)
        graphic->startManipulation();
    if (!inEditTool(&view)) {
        for (const TDGraphicPtr &graphic : graphics)
            graphic->transformWithTransformation(transform, fill, stroke, shape);
    } else {
        // Only plain path graphics have nodes to move.
        for (const TDGraphicPtr &graphic : graphics)
            if (typeid(*graphic) == typeid(TDBezierGraphic))
                graphic->transformNodes(view.selectedNodesForGraphic(graphic.get()), transform);
    }
    for (const TDGraphicPtr &graphic : graphics)
        graphic->stopManipulation();
    const Rect after = view.boundsFor(graphics, true);
    view.setNeedsDisplayInRect(MyUnionRect(before, after));
    view.calculateSize();
    step.name(QStringLiteral("Transform"));
    scheduleRefresh();
}

bool TDInspectorController::transformPosition(Axis axis, const QString &text)
{
    if (!m_view)
        return false;
    const Rect bounds = boundsForTransform();
    const Point origin = m_transformPane->transformOriginView->originFromBounds(bounds);
    const bool horizontal = axis == Axis::Horizontal;
    const float start = horizontal ? bounds.minX() : bounds.minY();
    std::optional<double> target;
    if (text.trimmed().endsWith(QLatin1Char('%'))) {
        if (const std::optional<double> percent = UnitsTransformer::leadingNumber(text))
            target = double(start) * *percent / 100;
    } else {
        target = UnitsTransformer::lengthFromText(text);
    }
    if (!target)
        return false;
    const double by = *target - (horizontal ? origin.x : origin.y);
    if (!std::isfinite(by))
        return false;
    transformGraphics(horizontal ? AffineTransform::makeTranslation(float(by), 0)
                                 : AffineTransform::makeTranslation(0, float(by)));
    return true;
}

bool TDInspectorController::transformDimension(Axis axis, const QString &text)
{
    if (!m_view)
        return false;
    const Rect bounds = boundsForTransform();
    const bool horizontal = axis == Axis::Horizontal;
    const double extent = horizontal ? bounds.width() : bounds.height();
    std::optional<double> factor;
    if (text.trimmed().endsWith(QLatin1Char('%'))) {
        if (const std::optional<double> percent = UnitsTransformer::leadingNumber(text))
            factor = *percent / 100;
    } else if (extent != 0) {
        if (const std::optional<double> length = UnitsTransformer::lengthFromText(text))
            factor = *length / extent;
    }
    // A factor of 0 would flatten the selection for good; a negative one
    // flips it.
    if (!factor || !std::isfinite(*factor) || std::abs(*factor) < MinimumScaleFactor)
        return false;
    const float f = float(*factor);
    const bool oneSide = m_transformPane->transformScaleLock->isChecked();
    const AffineTransform scale = oneSide ? (horizontal ? AffineTransform::makeScale(f, 1)
                                                        : AffineTransform::makeScale(1, f))
                                          : AffineTransform::makeScale(f, f);
    transformGraphics(about(m_transformPane->transformOriginView->originFromBounds(bounds), scale));
    return true;
}

bool TDInspectorController::transformRotate(const QString &text)
{
    const std::optional<double> degrees = degreesFromText(text);
    if (!m_view || !degrees)
        return false;
    const Point origin = m_transformPane->transformOriginView->originFromBounds(boundsForTransform());
    // The document's y grows downwards: a turn counter-clockwise as seen is
    // a negative angle in its space.
    transformGraphics(about(origin, AffineTransform::makeRotationByDegrees(float(-*degrees))));
    return true;
}

bool TDInspectorController::transformSkew(const QString &text)
{
    const std::optional<double> degrees = degreesFromText(text);
    if (!m_view || !degrees || std::abs(*degrees) >= MaximumSkewDegrees)
        return false;
    AffineTransform shear;
    shear.shearXBy(float(std::tan(*degrees * std::numbers::pi / 180)));
    const Point origin = m_transformPane->transformOriginView->originFromBounds(boundsForTransform());
    transformGraphics(about(origin, shear));
    return true;
}

} // namespace scrivane
