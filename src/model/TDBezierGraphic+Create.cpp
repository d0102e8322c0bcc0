#include "model/TDBezierGraphic.h"

#include "model/TDBezierPath.h"
#include "model/TDFreehandStroke.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDStrokeStyle.h"
#include "platform/GraphicsContext.h"

namespace scrivane {

namespace {

Point offsetHalf(Point p, float by)
{
    return Point(p.x + by, p.y + by);
}

float squaredDistance(Point a, Point b)
{
    const float dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

// The last node of a path: a curve's end, else the element's point.
Point lastNode(const PathBase &path)
{
    const PathBase::Element &last = path.elements().back();
    return last.type == PathElementType::CurveTo ? last.points[2] : last.points[0];
}

} // namespace

std::optional<TDBezierGraphic::PathEnd> TDBezierGraphic::pathEndNear(const TDGraphicArray &graphics, Point point,
                                                                     float zoom)
{
    const float capture = 25 / usableZoom(zoom);
    for (const TDGraphicPtr &graphic : graphics) {
        auto bezier = std::dynamic_pointer_cast<TDBezierGraphic>(graphic);
        const std::shared_ptr<TDBezierPath> path = bezier ? bezier->bezierPath() : nullptr;
        // A closed path has no end to go on from.
        if (!path || path->isEmpty() || path->elements().back().type == PathElementType::ClosePath)
            continue;
        const Point first = path->elements().front().points[0];
        if (squaredDistance(point, first) < capture)
            return PathEnd{bezier, true, first};
        const Point last = lastNode(*path);
        if (squaredDistance(point, last) < capture)
            return PathEnd{bezier, false, last};
    }
    return std::nullopt;
}

TDBezierPath TDBezierGraphic::extendedPath(const PathEnd &end, const TDBezierPath &stroke)
{
    const TDBezierPath &target = *end.graphic->bezierPath();
    if (end.atStart) {
        // The stroke walked backwards ends where the target starts.
        TDBezierPath joined = stroke.bezierPathByReversingPath();
        joined.appendBezierPath(target, 1, target.elementCount());
        return joined;
    }
    TDBezierPath joined(target);
    joined.appendBezierPath(stroke, 1, stroke.elementCount());
    return joined;
}

void TDBezierGraphic::createWithEvent(const TDEvent &event, TDGraphicViewInterface *view, CreationMode mode,
                                      CreationCompletion completion)
{
    const auto self = std::dynamic_pointer_cast<TDBezierGraphic>(weak_from_this().lock());
    if (!view || !self) {
        if (completion)
            completion(false);
        return;
    }
    const Point pressed = view->convertPointFromWindow(offsetHalf(event.locationInWindow, 0.5f));
    std::optional<PathEnd> target;
    // Option draws a new path even from the end of a selected one.
    if (!(event.modifierFlags & TDEvent::Alternate))
        target = pathEndNear(view->selectedGraphics(), pressed, view->zoom());
    const std::optional<Point> start = target ? std::optional<Point>(target->point) : std::nullopt;
    const std::weak_ptr<TDBezierGraphic> weak = self;
    view->trackPath(self, mode == CreationMode::Drag ? CreationMode::Drag : CreationMode::Polygon, event, start,
                    [weak, target, completion](TDGraphicViewInterface::TrackingResult result) {
                        const auto graphic = weak.lock();
                        if (!graphic || !result.completed) {
                            if (completion)
                                completion(false);
                            return;
                        }
                        if (target) {
                            // The stroke goes on the selected path (one step of
                            // its own); this graphic is dropped.
                            const std::shared_ptr<TDBezierPath> stroke = graphic->bezierPath();
                            target->graphic->setBezierPath(
                                std::make_shared<TDBezierPath>(extendedPath(*target, *stroke)));
                            if (completion)
                                completion(false);
                            return;
                        }
                        graphic->setFillTransformation(transformForBounds(graphic->bounds()));
                        if (completion)
                            completion(true);
                    });
}

// --- Freehand strokes ----------------------------------------------------------------------------

void TDBezierGraphic::beginStroke(bool tablet)
{
    setManipulating(true);
    create(true);
    setInitialTransformation(AffineTransform());
    if (tablet) {
        // The pressure is the pen's from now on.
        strokeStyle()->setUsesPressure(true);
        strokeStyle()->setPressureArrayQuiet({});
    }
}

void TDBezierGraphic::showStroke(const TDFreehandStroke &stroke)
{
    // The live path is drawn as it grows: no copy, no bounds over the
    // whole path at every point.
    m_bezierPath = stroke.path();
    setCachedBezierPath(stroke.path());
    setBounds(stroke.bounds());
}

bool TDBezierGraphic::finishStroke(const TDFreehandStroke &stroke, bool smoothNodes)
{
    if (stroke.tablet())
        strokeStyle()->setSimplifyPressureArray(stroke.pressureCurve());
    m_bezierPath = std::make_shared<TDBezierPath>(*stroke.path());
    m_bezierPath->setWindingRule(WindingRule::EvenOdd);
    const bool drawn = m_bezierPath->elementCount() >= 2;
    if (drawn) {
        smoothWithThreshold(3 / stroke.zoom());
        if (smoothNodes) {
            const int count = m_bezierPath->elementCount();
            for (int i = 1; i < count; ++i)
                if (m_bezierPath->elementAtIndex(i - 1) == PathElementType::CurveTo &&
                    m_bezierPath->elementAtIndex(i) == PathElementType::CurveTo)
                    m_bezierPath->smoothJoint(i);
        }
    }
    setManipulating(false);
    create(false);
    recalculatePath();
    setBounds(m_bezierPath->bounds());
    return drawn;
}

// --- The polygon tool ----------------------------------------------------------------------------

void TDBezierGraphic::setConstruction(std::optional<Construction> construction)
{
    m_construction = construction;
    create(construction.has_value());
}

void TDBezierGraphic::setPreviewPath(std::shared_ptr<TDBezierPath> preview)
{
    setCachedBezierPath(std::move(preview));
}

void TDBezierGraphic::drawStartAndEndHandles(TDGraphicViewInterface *view) const
{
    if (!view || !m_bezierPath || m_bezierPath->isEmpty())
        return;
    const TDBezierPath &path = *m_bezierPath;
    view->drawHandleAtPoint(path.elements().front().points[0], HandleType::LineNode);
    if (path.elements().back().type == PathElementType::ClosePath)
        return;
    view->drawHandleAtPoint(lastNode(path), HandleType::LineNode);
}

void TDBezierGraphic::drawExtraHandles(TDGraphicViewInterface *view, GraphicsContext &context) const
{
    if (!view || !m_construction || !m_bezierPath || m_bezierPath->isEmpty())
        return;
    const Construction &c = *m_construction;
    const TDBezierPath &path = *m_bezierPath;
    const Point first = path.elements().front().points[0];
    PathBase lines;
    std::vector<Point> handles;
    const bool secondIsCurve = path.elementCount() > 1 && path.elementAtIndex(1) == PathElementType::CurveTo;
    if (c.firstPressDragged || secondIsCurve) {
        // The first node's outgoing handle, and while it was dragged out its
        // mirror on the other side.
        const Point out = secondIsCurve ? path.elements()[1].points[0] : c.pointer;
        handles.push_back(out);
        Point from = first;
        if (c.firstPressDragged) {
            from = Point(2 * first.x - out.x, 2 * first.y - out.y);
            handles.push_back(from);
        }
        lines.moveTo(from);
        lines.lineTo(out);
    }
    const std::shared_ptr<TDBezierPath> preview = m_cachedBezierPath;
    if (preview && !preview->isEmpty() && preview->elements().back().type == PathElementType::CurveTo) {
        const PathBase::Element &last = preview->elements().back();
        lines.moveTo(last.points[2]);
        lines.lineTo(last.points[1]);
        handles.push_back(last.points[1]);
        if (c.curveDrag) {
            lines.moveTo(last.points[2]);
            lines.lineTo(c.pendingHandle);
            handles.push_back(c.pendingHandle);
        }
    }
    if (!lines.isEmpty()) {
        context.save();
        LineStyle thin;
        thin.width = 0;
        context.setLineStyle(thin);
        context.setStrokeColor(Color::gray());
        context.strokePath(lines, GraphicsContext::LineSource::Context);
        context.restore();
    }
    for (Point p : handles)
        view->drawHandleAtPoint(p, HandleType::CurveControl);
}

QList<int> TDBezierGraphic::constructionNodes() const
{
    // Every node of a path being built shows as selected; the first only
    // while a click there would close the path.
    QList<int> nodes;
    if (!m_construction || !m_bezierPath)
        return nodes;
    const int count = m_bezierPath->elementCount();
    nodes.reserve(count);
    if (m_construction->firstNodeHighlighted)
        nodes.append(0);
    for (int i = 1; i < count; ++i)
        nodes.append(i);
    return nodes;
}

} // namespace scrivane
