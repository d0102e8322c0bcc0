#include "model/TDBezierGraphic.h"

#include "model/TDBezierPath.h"
#include "model/TDDictionaryReader.h"
#include "model/TDEvent.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDGroup.h"
#include "model/TDStrokeStyle.h"
#include "platform/ArchivedPoint.h"
#include "platform/GraphicsContext.h"
#include "platform/KeyedUnarchiver.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <optional>

namespace scrivane {

namespace {
const QString pathKey = QStringLiteral("Path");
const QString pressureKey = QStringLiteral("Pressure");

// Older documents kept a freehand stroke's pressures with the graphic, evenly
// spaced along it: they become the points of the stroke's pressure curve.
// A single value stands at the start and holds for the whole stroke.
std::optional<std::vector<Point>> legacyPressurePoints(const PropertyList &values)
{
    const PropertyList::Array &array = values.toArray();
    if (array.empty() || !array.back().isNumber() || std::isnan(array.back().toFloat()))
        return std::nullopt;
    const size_t n = array.size();
    std::vector<Point> points;
    points.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const float x = n > 1 ? float(double(i) / double(n - 1)) : 0.0f;
        points.emplace_back(x, array[i].isNumber() ? array[i].toFloat() : NAN);
    }
    return points;
}
} // namespace

TDBezierGraphic::TDBezierGraphic() = default;

std::shared_ptr<TDBezierGraphic> TDBezierGraphic::graphicWithBezierPath(const PathBase &path)
{
    auto graphic = std::make_shared<TDBezierGraphic>();
    graphic->initWithBezierPath(path);
    return graphic;
}

void TDBezierGraphic::initWithBezierPath(const PathBase &path)
{
    m_bezierPath = std::make_shared<TDBezierPath>(TDBezierPath::bezierPathWithPath(path));
    m_bezierPath->setWindingRule(WindingRule::EvenOdd);
    setBounds(m_bezierPath->bounds());
}

void TDBezierGraphic::setBezierPath(std::shared_ptr<TDBezierPath> path)
{
    const std::shared_ptr<TDBezierPath> old = m_bezierPath;
    registerUndo(Registration::Skippable, QStringLiteral("setBezierPath"),
                 [old](TDGraphic &g) { static_cast<TDBezierGraphic &>(g).setBezierPath(old); });
    m_bezierPath = path ? std::move(path) : std::make_shared<TDBezierPath>();
    m_bezierPath->setWindingRule(WindingRule::EvenOdd);
    recalculatePath();
    didChangeGeometry();
}

void TDBezierGraphic::setDocumentPath(std::shared_ptr<TDBezierPath> path)
{
    if (!transformation().isIdentity())
        setTransformation(AffineTransform());
    setBezierPath(std::move(path));
}

TDGraphicPtr TDBezierGraphic::convertToBezier()
{
    return shared_from_this();
}

TDGraphicPtr TDBezierGraphic::reverse()
{
    if (m_bezierPath)
        setBezierPath(std::make_shared<TDBezierPath>(m_bezierPath->bezierPathByReversingPath()));
    return shared_from_this();
}

PropertyList TDBezierGraphic::pointDict(const Point points[3], int index)
{
    PropertyList d{PropertyList::Dictionary()};
    for (int k = 0; k < 3; ++k)
        d.insert(QStringLiteral("p[%1]").arg(k), ArchivedPoint::value(points[k]));
    d.insert(QStringLiteral("i"), index);
    return d;
}

void TDBezierGraphic::setAssociatedPoints(const Point points[3], int index)
{
    setAssociatedPointsDict(pointDict(points, index));
}

void TDBezierGraphic::setAssociatedPointsDict(const PropertyList &dictionary)
{
    const PropertyList index = dictionary.value(QStringLiteral("i"));
    if (!m_bezierPath || !index.isNumber())
        return;
    const qint64 i = index.toInteger();
    if (i < 0 || i >= m_bezierPath->elementCount())
        return;
    Point current[3];
    m_bezierPath->elementAtIndex(int(i), current);
    const PropertyList old = pointDict(current, int(i));
    registerUndo(Registration::Ordinary, QStringLiteral("setAssociatedPointsDict"),
                 [old](TDGraphic &g) { static_cast<TDBezierGraphic &>(g).setAssociatedPointsDict(old); });
    m_bezierPath->setAssociatedPointsDict(dictionary);
    recalculatePath();
}

// --- Nodes ----------------------------------------------------------------------------------------

namespace {
// The handle point of an element's node: the point of a move or a line, the
// end point of a curve; none for a close.
std::optional<Point> nodePoint(const PathBase &path, int i)
{
    if (i < 0 || i >= path.elementCount())
        return std::nullopt;
    const PathBase::Element &element = path.elements()[size_t(i)];
    switch (element.type) {
    case PathElementType::MoveTo:
    case PathElementType::LineTo:
        return element.points[0];
    case PathElementType::CurveTo:
        return element.points[2];
    case PathElementType::ClosePath:
        break;
    }
    return std::nullopt;
}

// Whether element i shows a node handle: a line, a curve, and a move that
// another element follows.
bool showsNode(const PathBase &path, int i)
{
    const PathElementType type = path.elementAtIndex(i);
    if (type == PathElementType::MoveTo)
        return i + 1 < path.elementCount();
    return type == PathElementType::LineTo || type == PathElementType::CurveTo;
}

bool contains(const std::vector<int> &sorted, int n)
{
    return std::binary_search(sorted.begin(), sorted.end(), n);
}

// The control number's curve element and which of its controls it is (0 for
// control 1, 1 for control 2); nothing for a number that names no control.
std::optional<std::pair<int, int>> decodeControl(int control)
{
    if (control >= 0)
        return std::nullopt;
    const long long m = -static_cast<long long>(control);
    const long long e = m / 4;
    const int which = int(m % 4);
    if (which > 1 || e < 1)
        return std::nullopt;
    return std::make_pair(int(e), which);
}

Point minus(Point a, Point b)
{
    return Point(a.x - b.x, a.y - b.y);
}

// C moved onto the line through N and Q, unless the line has no direction
// or C projects onto N itself.
Point projected(Point c, Point n, Point q)
{
    const double ux = double(q.x) - n.x;
    const double uy = double(q.y) - n.y;
    const double uu = ux * ux + uy * uy;
    const double dot = (double(c.x) - n.x) * ux + (double(c.y) - n.y) * uy;
    if (!(uu > 0) || dot == 0)
        return c;
    return Point(float(n.x + ux * dot / uu), float(n.y + uy * dot / uu));
}

// The angle of C around N rounded to a multiple of 15 degrees, the distance
// kept.  The angle is taken in (-pi, 0] below the node and in [2pi, 3pi]
// otherwise, so that ties round away from zero the same way everywhere.
Point snappedAngle(Point c, Point n)
{
    const double dx = double(c.x) - n.x;
    const double dy = double(c.y) - n.y;
    const double length = std::hypot(dx, dy);
    if (!(length > 0) || !std::isfinite(length))
        return c;
    const double pi = 3.14159265358979323846;
    const double cosine = std::clamp(dx / length, -1.0, 1.0);
    double theta = dy < 0 ? -std::acos(cosine) : std::acos(cosine) + 2 * pi;
    const double step = pi / 12;
    theta = std::trunc((theta + std::copysign(pi / 24, theta)) / step) * step;
    return Point(float(n.x + length * std::cos(theta)), float(n.y + length * std::sin(theta)));
}
} // namespace

std::vector<int> TDBezierGraphic::sortedNodes(const QList<int> &nodes)
{
    std::vector<int> sorted(nodes.begin(), nodes.end());
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    return sorted;
}

Point TDBezierGraphic::node(int n) const
{
    if (!m_bezierPath)
        return Point();
    return nodePoint(*m_bezierPath, n).value_or(Point());
}

int TDBezierGraphic::nodeUnderPoint(Point point, TDGraphicViewInterface *view, bool reverse)
{
    if (!view || !m_bezierPath)
        return TDNotFound;
    const std::vector<int> selected = sortedNodes(view->selectedNodesForGraphic(this));
    const TDBezierPath &path = *m_bezierPath;
    const int count = path.elementCount();
    auto hit = [&](Point p) { return view->pointInHandleAtPoint(point, p, HandleType::CurveNode); };
    for (int k = 0; k < count; ++k) {
        const int i = reverse ? count - 1 - k : k;
        const PathBase::Element &element = path.elements()[size_t(i)];
        switch (element.type) {
        case PathElementType::MoveTo:
            if (i + 1 < count && hit(element.points[0]))
                return i;
            break;
        case PathElementType::LineTo:
            if (hit(element.points[0]))
                return i;
            break;
        case PathElementType::CurveTo:
            if (contains(selected, i - 1) && hit(element.points[0]))
                return -4 * i;
            if (contains(selected, i) && hit(element.points[1]))
                return -(4 * i + 1);
            if (hit(element.points[2]))
                return i;
            break;
        case PathElementType::ClosePath:
            break;
        }
    }
    return TDNotFound;
}

QList<int> TDBezierGraphic::nodesUnderRect(const Rect &rect, TDGraphicViewInterface *view)
{
    QList<int> nodes;
    if (!view || !m_bezierPath)
        return nodes;
    const int count = m_bezierPath->elementCount();
    for (int i = 0; i < count; ++i)
        if (showsNode(*m_bezierPath, i))
            if (view->rectOverHandleAtPoint(rect, *nodePoint(*m_bezierPath, i), HandleType::CurveNode))
                nodes.append(i);
    return nodes;
}

Rect TDBezierGraphic::boundsForNodes(const QList<int> &nodes) const
{
    if (!m_bezierPath)
        return Rect();
    bool any = false;
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (int n : nodes) {
        const auto p = nodePoint(*m_bezierPath, n);
        if (!p)
            continue;
        if (!any) {
            x0 = x1 = p->x;
            y0 = y1 = p->y;
            any = true;
        }
        x0 = std::min(x0, p->x);
        y0 = std::min(y0, p->y);
        x1 = std::max(x1, p->x);
        y1 = std::max(y1, p->y);
    }
    return any ? Rect(x0, y0, x1 - x0, y1 - y0) : Rect();
}

// --- Manipulation ------------------------------------------------------------------------------

void TDBezierGraphic::startManipulation()
{
    TDGraphic::startManipulation();
    m_originalBezierPath =
        m_bezierPath ? std::make_shared<TDBezierPath>(*m_bezierPath) : std::make_shared<TDBezierPath>();
    const std::shared_ptr<TDBezierPath> original = m_originalBezierPath;
    registerUndo(Registration::Ordinary, QStringLiteral("setBezierPath"),
                 [original](TDGraphic &g) { static_cast<TDBezierGraphic &>(g).setBezierPath(original); });
    // The manipulation rewrites the path in place: it works on a path of its
    // own, since the one installed may be held elsewhere too (by an undo
    // or redo step, by a copy of the graphic's dictionary).
    if (m_bezierPath)
        m_bezierPath = std::make_shared<TDBezierPath>(*m_bezierPath);
}

void TDBezierGraphic::stopManipulation()
{
    willChange();
    if (m_bezierPath && !transformation().isIdentity())
        m_bezierPath->transform(transformation());
    setInitialTransformation(AffineTransform());
    TDGraphic::stopManipulation();
    recalculatePath();
    didChange();
}

bool TDBezierGraphic::sameElement(int index) const
{
    return m_bezierPath && m_originalBezierPath && index >= 0 &&
           index < m_originalBezierPath->elementCount() && index < m_bezierPath->elementCount() &&
           m_originalBezierPath->elementAtIndex(index) == m_bezierPath->elementAtIndex(index);
}

void TDBezierGraphic::restoreElement(int index)
{
    if (!sameElement(index))
        return;
    Point points[3];
    m_originalBezierPath->elementAtIndex(index, points);
    m_bezierPath->setAssociatedPoints(points, index);
}

void TDBezierGraphic::transformNodes(const QList<int> &nodes, const AffineTransform &t)
{
    if (!m_bezierPath || !m_originalBezierPath)
        return;
    const std::vector<int> ids = sortedNodes(nodes);
    const TDBezierPath &original = *m_originalBezierPath;
    for (size_t k = 0; k < ids.size(); ++k) {
        const int i = ids[k];
        if (!sameElement(i))
            continue;
        Point p[3];
        switch (original.elementAtIndex(i, p)) {
        case PathElementType::MoveTo:
        case PathElementType::LineTo:
            p[0] = t.transformPoint(p[0]);
            break;
        case PathElementType::CurveTo:
            if (contains(ids, i - 1))
                p[0] = t.transformPoint(p[0]);
            p[1] = t.transformPoint(p[1]);
            p[2] = t.transformPoint(p[2]);
            break;
        case PathElementType::ClosePath:
            continue;
        }
        m_bezierPath->setAssociatedPoints(p, i);
        // The control leaving the node moves with it, unless the next
        // element moves as a whole anyway.
        const bool nextMoves = k + 1 < ids.size() && ids[k + 1] == i + 1;
        if (!nextMoves && sameElement(i + 1) && original.elementAtIndex(i + 1) == PathElementType::CurveTo) {
            Point q[3];
            original.elementAtIndex(i + 1, q);
            q[0] = t.transformPoint(q[0]);
            m_bezierPath->setAssociatedPoints(q, i + 1);
        }
    }
    recalculatePath();
    didChangeGeometry();
}

void TDBezierGraphic::transformControl(int control, const AffineTransform &t, unsigned modifierFlags)
{
    const auto decoded = decodeControl(control);
    if (decoded && sameElement(decoded->first) &&
        m_originalBezierPath->elementAtIndex(decoded->first) == PathElementType::CurveTo) {
        const auto [e, w] = *decoded;
        const TDBezierPath &original = *m_originalBezierPath;
        const bool shift = modifierFlags & TDEvent::Shift;
        const bool option = modifierFlags & TDEvent::Alternate;
        const bool command = modifierFlags & TDEvent::Command;

        Point a[3];
        original.elementAtIndex(e, a);
        Point c = t.transformPoint(a[w]);
        // The node the control belongs to.
        const Point n = w == 1 ? a[2] : original.endPointOfElement(e - 1);
        if (shift && !command)
            c = snappedAngle(c, n);

        const int o = w == 1 ? e + 1 : e - 1;
        if (o >= 0 && o < original.elementCount() && original.elementAtIndex(o) != PathElementType::MoveTo) {
            Point op[3];
            const PathElementType type = original.elementAtIndex(o, op);
            const bool curve = type == PathElementType::CurveTo;
            // The point that gives the other side its direction at the node.
            Point q;
            int written = o;
            if (curve) {
                q = w == 1 ? op[0] : op[1];
            } else if (w == 1) {
                q = original.endPointOfElement(o);
            } else {
                q = original.endPointOfElement(o - 1);
                written = o - 1;
            }
            if (option && !command) {
                if (curve)
                    restoreElement(o);
            } else if (command) {
                restoreElement(written);
                c = projected(c, n, q);
            } else if (type == PathElementType::LineTo) {
                c = projected(c, n, q);
            } else if (curve && sameElement(o)) {
                // Smooth: the opposite control turns to the other side of
                // the node, keeping its own length.
                const Point toQ = minus(q, n);
                const Point fromC = minus(n, c);
                const double lq = std::hypot(double(toQ.x), double(toQ.y));
                const double lc = std::hypot(double(fromC.x), double(fromC.y));
                if (lq > 0 && lc > 0) {
                    const double f = lq / lc;
                    op[w == 1 ? 0 : 1] = Point(float(n.x + fromC.x * f), float(n.y + fromC.y * f));
                }
                m_bezierPath->setAssociatedPoints(op, o);
            }
        }
        a[w] = c;
        m_bezierPath->setAssociatedPoints(a, e);
        recalculatePath();
        didChangeGeometry();
        return;
    }
    recalculatePath();
}

int TDBezierGraphic::oppositeControl(int control) const
{
    const std::shared_ptr<TDBezierPath> &path = m_originalBezierPath ? m_originalBezierPath : m_bezierPath;
    const auto decoded = decodeControl(control);
    if (!path || !decoded)
        return 0;
    const auto [e, w] = *decoded;
    if (e >= path->elementCount() || path->elementAtIndex(e) != PathElementType::CurveTo)
        return 0;
    if (w == 0)
        return path->elementAtIndex(e - 1) == PathElementType::CurveTo ? -(4 * (e - 1) + 1) : 0;
    return e + 1 < path->elementCount() && path->elementAtIndex(e + 1) == PathElementType::CurveTo
               ? -4 * (e + 1)
               : 0;
}

// --- Drawing ----------------------------------------------------------------------------------

void TDBezierGraphic::drawInView(TDDrawProtocol *view, GraphicsContext &context)
{
    if (!visible())
        return;
    TDGraphic::drawInView(view, context);
    if (!view)
        return;
    auto *canvas = dynamic_cast<TDGraphicViewInterface *>(view);
    if (!creating()) {
        // The paint and polygon tools go on from the ends of a selected path.
        const Tool tool = view->drawMode();
        if (canvas && (tool == Tool::Paint || tool == Tool::Polygon) && view->graphicIsSelected(this))
            drawStartAndEndHandles(canvas);
        return;
    }
    // The path being built, and its handles.
    const std::shared_ptr<TDBezierPath> path = cachedBezierPath();
    if (!path)
        return;
    context.save();
    LineStyle dashed;
    dashed.width = 1;
    dashed.dash = {4, 2, 6, 5};
    context.setLineStyle(dashed);
    context.setStrokeColor(Color::blue());
    context.strokePath(*path, GraphicsContext::LineSource::Context);
    context.restore();
    // Only a polygon shows its nodes while it is built: a freehand stroke
    // has a node at every few pixels.
    if (canvas && m_construction) {
        drawExtraHandles(canvas, context);
        drawHandles(constructionNodes(), canvas, context);
    }
}

void TDBezierGraphic::drawEditingInView(TDDrawProtocol *view, GraphicsContext &context)
{
    TDGraphic::drawEditingInView(view, context);
    if (auto *canvas = dynamic_cast<TDGraphicViewInterface *>(view))
        drawHandles(canvas->selectedNodesForGraphic(this), canvas, context);
}

void TDBezierGraphic::drawHandles(const QList<int> &selectedNodes, TDGraphicViewInterface *view,
                                  GraphicsContext &context)
{
    // The handles follow the path as it is shown, also while it is moved.
    const std::shared_ptr<TDBezierPath> shown = cachedBezierPath();
    if (!shown)
        return;
    const TDBezierPath &path = *shown;
    const std::vector<int> selected = sortedNodes(selectedNodes);
    const int count = path.elementCount();

    // Control points of the selected nodes, with lines to their nodes.
    PathBase lines;
    std::vector<Point> controls;
    for (int i = 0; i < count; ++i) {
        const PathBase::Element &element = path.elements()[size_t(i)];
        if (element.type != PathElementType::CurveTo)
            continue;
        if (contains(selected, i - 1)) {
            lines.moveTo(path.startPointOfElement(i));
            lines.lineTo(element.points[0]);
            controls.push_back(element.points[0]);
        }
        if (contains(selected, i)) {
            lines.moveTo(element.points[2]);
            lines.lineTo(element.points[1]);
            controls.push_back(element.points[1]);
        }
    }
    const bool pending =
        creating() && count > 0 && path.elementAtIndex(count - 1) == PathElementType::CurveTo;
    if (pending) {
        lines.moveTo(path.elements()[size_t(count - 1)].points[2]);
        lines.lineTo(m_nextControlPoint);
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
    if (!view)
        return;
    for (Point p : controls)
        view->drawHandleAtPoint(p, HandleType::CurveControl);
    for (int i = 0; i < count; ++i) {
        if (!showsNode(path, i))
            continue;
        const bool curve = path.elementAtIndex(i) == PathElementType::CurveTo;
        const bool isSelected = contains(selected, i);
        const HandleType type = curve ? (isSelected ? HandleType::CurveNodeSelected : HandleType::CurveNode)
                                      : (isSelected ? HandleType::LineNodeSelected : HandleType::LineNode);
        view->drawHandleAtPoint(*nodePoint(path, i), type);
    }
    if (pending)
        view->drawHandleAtPoint(m_nextControlPoint, HandleType::CurveControl);
}

// --- Dictionary form ----------------------------------------------------------------------------

PropertyList TDBezierGraphic::toYAML() const
{
    PropertyList d = TDGraphic::toYAML();
    if (m_bezierPath)
        d.insert(pathKey, PropertyList(m_bezierPath));
    return d;
}

void TDBezierGraphic::initWithValues(const TDDictionaryReader &values)
{
    willChange();
    TDGraphic::initWithValues(values);
    if (values.isDictionary()) {
        const TDDictionaryReader r = values.withOwner("TDBezierGraphic");
        if (const auto pressure = r.array(pressureKey))
            readLegacyPressure(*pressure);
        if (r.contains(pathKey)) {
            // The archived path object, or the element list of older text
            // documents.
            const PropertyList stored = r.value(pathKey);
            if (const auto path = stored.objectAs<TDBezierPath>())
                // A copy: drags change the installed path in place, and an
                // archive may name one path object twice.
                setBezierPath(std::make_shared<TDBezierPath>(*path));
            else if (stored.isArray())
                setBezierPath(std::make_shared<TDBezierPath>(TDBezierPath::objectWithYAML(stored)));
            else
                r.skip(pathKey, "a path");
        }
    }
    recalculatePath();
    didChange();
}

void TDBezierGraphic::readLegacyPressure(const PropertyList &values)
{
    const auto points = legacyPressurePoints(values);
    if (!points)
        return;
    strokeStyle()->setPressureArray(*points);
    strokeStyle()->setUsesPressure(true);
}

std::shared_ptr<TDBezierGraphic> TDBezierGraphic::objectWithYAML(const PropertyList &dictionary)
{
    auto graphic = std::make_shared<TDBezierGraphic>();
    graphic->initWithDictionary(dictionary);
    return graphic;
}

QStringList TDBezierGraphic::archiveClassHierarchy() const
{
    return {QStringLiteral("TDBezierGraphic"), QStringLiteral("TDGraphic"), QStringLiteral("NSObject")};
}

std::shared_ptr<Archivable> TDBezierGraphic::decode(KeyedUnarchiver &unarchiver)
{
    return decodeStored(unarchiver, "TDBezierGraphic", std::make_shared<TDBezierGraphic>());
}

} // namespace scrivane
