#include "model/TDGroup.h"

#include "model/TDApplicationServices.h"
#include "model/TDBezierPath.h"
#include "model/TDDictionaryReader.h"
#include "model/TDDocumentInterface.h"
#include "model/TDDrawProtocol.h"
#include "model/TDGraphicIndex.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDUndoManager.h"
#include "platform/GraphicsContext.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/NotificationCenter.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace scrivane {

TDGroup::TDGroup() = default;
TDGroup::~TDGroup() = default;

std::shared_ptr<TDGroup> TDGroup::groupWithGraphics(const TDGraphicArray &graphics)
{
    auto group = std::make_shared<TDGroup>();
    group->initWithGraphics(graphics);
    return group;
}

void TDGroup::initWithGraphics(const TDGraphicArray &graphics)
{
    _setGraphics(graphics);
}

QString TDGroup::defaultNameFormat() const
{
    return QStringLiteral("Group");
}

void TDGroup::setClip(bool clip)
{
    if (clip == m_clip)
        return;
    const bool old = m_clip;
    registerUndo(Registration::Skippable, QStringLiteral("setClip"), [old](TDGraphic &g) { g.setClip(old); });
    m_clip = clip;
    willChange();
    calculateBounds();
    didChange();
}

TDGraphicPtr TDGroup::clipGraphic() const
{
    return m_graphics.empty() ? nullptr : m_graphics.back();
}

void TDGroup::ungroup()
{
    const auto parent = layer();
    if (!parent)
        return;
    const int index = parent->indexOfGraphic(this);
    if (index == TDNotFound)
        return;
    // Keep the group alive while it leaves its parent.
    const auto keep = shared_from_this();
    parent->addGraphicsQuietly(TDGraphicArray(m_graphics), index);
    parent->removeGraphic(this);
}

void TDGroup::startEditingWithEvent(const TDEvent *, TDGraphicViewInterface *)
{
    TDGraphicViewInterface *view = graphicView();
    if (view)
        view->clearSelection();
    if (TDDocumentInterface *doc = document())
        doc->setCurrentLayer(this);
    if (view)
        view->setNeedsDisplay();
}

void TDGroup::setVisible(bool visible)
{
    const bool old = TDGraphic::visible();
    registerUndo(Registration::Ordinary, QStringLiteral("setVisible"),
                 [old](TDGraphic &g) { g.setVisible(old); });
    setVisibleQuiet(visible);
    if (!visible) {
        deselectGraphics();
        if (TDGraphicViewInterface *view = graphicView())
            view->deselectGraphic(this);
    }
    for (const auto &child : m_graphics)
        child->invalidate();
    refreshLayersPanel();
    setUndoActionName(visibleActionName());
}

void TDGroup::setLocked(bool locked)
{
    const bool old = TDGraphic::locked();
    registerUndo(Registration::Ordinary, QStringLiteral("setLocked"),
                 [old](TDGraphic &g) { g.setLocked(old); });
    setLockedQuiet(locked);
    refreshLayersPanel();
    if (locked) {
        deselectGraphics();
        if (TDGraphicViewInterface *view = graphicView())
            view->deselectGraphic(this);
    }
    setUndoActionName(lockedActionName());
}

bool TDGroup::containsImage() const
{
    if (useFiltersDrawing())
        return TDGraphic::containsImage();
    for (const auto &child : m_graphics)
        if (child->containsImage())
            return true;
    return false;
}

void TDGroup::update()
{
    for (const auto &child : m_graphics)
        if (auto group = std::dynamic_pointer_cast<TDGroup>(child))
            group->update();
    calculateBounds();
}

// --- Geometry -------------------------------------------------------------------------------

std::shared_ptr<TDBezierPath> TDGroup::cachedBezierPath()
{
    auto path = std::make_shared<TDBezierPath>();
    for (const auto &child : m_graphics)
        if (const auto childPath = child->cachedBezierPath())
            path->appendPath(*childPath);
    path->setWindingRule(WindingRule::EvenOdd);
    return path;
}

std::shared_ptr<TDBezierPath> TDGroup::clipPath()
{
    if (m_graphics.size() == 1)
        return m_graphics.front()->clipPath();
    auto path = std::make_shared<TDBezierPath>();
    for (const auto &child : m_graphics)
        if (const auto childPath = child->clipPath())
            path->appendPath(*childPath);
    path->setWindingRule(WindingRule::EvenOdd);
    return path;
}

void TDGroup::calculateBounds()
{
    Rect bounds;
    Rect drawing;
    const size_t start = clips() ? m_graphics.size() - 1 : 0;
    for (size_t i = start; i < m_graphics.size(); ++i) {
        bounds = bounds.united(m_graphics[i]->bounds());
        drawing = drawing.united(m_graphics[i]->drawingBounds());
    }
    m_bounds = bounds;
    m_drawingBounds = drawing;
    // The group's effects follow its children.
    if (useFiltersDrawing())
        calculateFilterExtent();
    noteBoundsChange();
}

void TDGroup::calculateBoundsAfterAppending(const TDGraphic &child)
{
    // A clipping group's bounds are its last child's; the first child has
    // nothing to be united with.
    if (clips() || m_graphics.size() < 2 || m_graphics.back().get() != &child) {
        calculateBounds();
        return;
    }
    m_bounds = m_bounds.united(child.bounds());
    m_drawingBounds = m_drawingBounds.united(child.drawingBounds());
    if (useFiltersDrawing())
        calculateFilterExtent();
    noteBoundsChange();
}

void TDGroup::recalculateBounds()
{
    registerUndo(Registration::Skippable, QStringLiteral("recalculateBounds"),
                 [](TDGraphic &g) { static_cast<TDGroup &>(g).recalculateBounds(); });
    willChange();
    calculateBounds();
    didChange();
}

Rect TDGroup::drawingBoundsWithoutEffects() const
{
    if (!hasShadow())
        return m_drawingBounds;
    const float d = shadowRadius() + shadowDistance();
    return m_drawingBounds.insetBy(-d, -d);
}

void TDGroup::transformWithTransformation(const AffineTransform &transform, bool transfromFill,
                                          bool transformStroke, bool transformShape)
{
    for (const auto &child : m_graphics)
        child->transformWithTransformation(transform, transfromFill, transformStroke, transformShape);
    recalculateBounds();
}

void TDGroup::startManipulation()
{
    registerUndo(Registration::Skippable, QStringLiteral("recalculateBounds"),
                 [](TDGraphic &g) { static_cast<TDGroup &>(g).recalculateBounds(); });
    for (const auto &child : m_graphics)
        child->startManipulation();
}

void TDGroup::stopManipulation()
{
    for (const auto &child : m_graphics)
        child->stopManipulation();
    recalculateBounds();
}

void TDGroup::cancelManipulation()
{
    for (const auto &child : m_graphics)
        child->cancelManipulation();
}

// --- Hit tests ------------------------------------------------------------------------------------

bool TDGroup::hitTest(Point point)
{
    size_t count = m_graphics.size();
    if (clips()) {
        const TDGraphicPtr clipper = m_graphics.back();
        TDGraphicViewInterface *view = graphicView();
        if (view && view->outlineView()) {
            const auto outline = clipper->clipPath();
            if (outline && outline->intersectsPoint(point))
                return true;
        }
        const auto area = clipper->cachedBezierPath();
        if (!area || !area->containsPoint(point))
            return false;
        count -= 1;
    }
    for (size_t i = 0; i < count; ++i)
        if (m_graphics[i]->hitTest(point))
            return true;
    return false;
}

bool TDGroup::hitTestRect(const Rect &rect)
{
    size_t count = m_graphics.size();
    if (clips()) {
        const TDGraphicPtr clipper = m_graphics.back();
        const auto area = clipper->cachedBezierPath();
        if (!clipper->hitTestRect(rect) && (!area || !area->containsPoint(rect.origin)))
            return false;
        count -= 1;
    }
    for (size_t i = 0; i < count; ++i)
        if (m_graphics[i]->hitTestRect(rect))
            return true;
    return false;
}

// --- Change protocol -----------------------------------------------------------------------------

void TDGroup::willChange()
{
    ++m_changeCount;
    m_changeRect = updateBounds();
    if (TDDocumentInterface *doc = document())
        doc->invalidateGraphic(this);
}

void TDGroup::didChange()
{
    noteBoundsChange();
    if (m_changeCount > 0) {
        --m_changeCount;
        if (m_changeCount > 0)
            return;
    }
    if (m_manipulating && !m_creating)
        return;
    if (TDDocumentInterface *doc = document())
        doc->invalidateGraphic(this);
    m_changeRect = Rect();
    NotificationCenter::defaultCenter().post(didChangeNotification, this);
}

// --- Drawing ------------------------------------------------------------------------------------------

void TDGroup::drawChildren(TDDrawProtocol *view, GraphicsContext &context, size_t count)
{
    // A few children are cheaper to look at one by one than to look up.
    constexpr size_t indexedFrom = 32;
    TDGraphicIndex *index = nullptr;
    if (m_graphics.size() >= indexedFrom)
        if (TDGraphicViewInterface *canvas = graphicView())
            index = canvas->graphicIndex();
    std::vector<int> positions;
    if (index && index->childrenMeetingRect(*this, context.clipBoundingBox(), positions)) {
        for (const int i : positions)
            if (size_t(i) < count && size_t(i) < m_graphics.size())
                m_graphics[size_t(i)]->drawInView(view, context);
        return;
    }
    for (size_t i = 0; i < count && i < m_graphics.size(); ++i)
        m_graphics[i]->drawInView(view, context);
}

void TDGroup::drawInView(TDDrawProtocol *view, GraphicsContext &context)
{
    if (!visible())
        return;
    if (!context.clipBoundingBox().intersects(drawingBounds()))
        return;
    context.save();
    const bool outline = view && view->outlineView();
    if (!outline)
        context.setBlendModeNumber(blendMode());
    if (!outline && hasShadow()) {
        const float zoom = view && std::isfinite(view->zoom()) && view->zoom() > 0 ? view->zoom() : 1.0f;
        context.setShadow(
            context.shadowForGraphic(shadowAngle(), shadowDistance(), shadowRadius(), shadowColor(), zoom));
    }
    if (alphaValue() < 1)
        context.setAlpha(alphaValue());
    // The children are composited as one piece when the group's own
    // shadow, opacity or blend mode apply to them as a whole (the output of
    // effects is one piece already, unless the children are painted again
    // over it).
    const bool filtering = !outline && useFiltersDrawing();
    const bool layered = !outline && (!filtering || needsVectorComposite()) &&
                         (hasShadow() || alphaValue() < 1 || blendMode() != 0);
    if (layered)
        context.beginTransparencyLayer();
    context.save();
    size_t count = m_graphics.size();
    std::shared_ptr<TDBezierPath> clipPath;
    if (clips()) {
        if (!outline)
            count -= 1;
        clipPath = m_graphics.back()->clipPath();
    }
    const auto paint = [this, count, &clipPath](TDDrawProtocol *target, GraphicsContext &into) {
        into.save();
        if (clipPath)
            into.addClip(*clipPath);
        drawChildren(target, into, count);
        into.restore();
    };
    if (filtering) {
        startFilters(view, paint);
        endFiltersInView(view, context);
        if (needsVectorComposite())
            paint(view, context);
    } else {
        deleteFilterBuffer();
        paint(view, context);
    }
    context.restore();
    if (layered)
        context.endTransparencyLayer();
    context.restore();
    if (!m_hasDrawn) {
        // Children's drawing bounds may depend on their first drawing.
        m_hasDrawn = true;
        calculateBounds();
    }
}

void TDGroup::drawInViewIsolation(TDDrawProtocol *view, GraphicsContext &context)
{
    if (context.clipBoundingBox().intersects(drawingBounds())) {
        context.save();
        drawChildren(view, context, m_graphics.size());
        context.restore();
    }
    if (!m_hasDrawn) {
        m_hasDrawn = true;
        calculateBounds();
    }
}

void TDGroup::drawSelectionInView(TDGraphicViewInterface *view, GraphicsContext &context)
{
    if (!context.clipBoundingBox().intersects(drawingBounds()))
        return;
    const float zoom = view && std::isfinite(view->zoom()) && view->zoom() > 0 ? view->zoom() : 1.0f;
    bool first = false;
    if (view) {
        const TDGraphicArray selection = view->selectedGraphics();
        first = !selection.empty() && selection.front().get() == this;
    }
    context.save();
    context.setStrokeColor(first ? Color::green() : Color::blue());
    LineStyle style;
    style.width = 0;
    style.dash = {4 / zoom, 2 / zoom};
    context.setLineStyle(style);
    context.strokePath(PathBase::withRect(bounds()), GraphicsContext::LineSource::Context);
    context.restore();
}

// --- Dictionary form --------------------------------------------------------------------------------

PropertyList TDGroup::toYAML() const
{
    PropertyList d = TDGraphic::toYAML();
    PropertyList::Array children;
    children.reserve(m_graphics.size());
    for (const auto &child : m_graphics)
        children.emplace_back(child);
    d.insert(QStringLiteral("Graphics"), PropertyList(std::move(children)));
    if (m_clip)
        d.insert(QStringLiteral("Clip"), true);
    if (m_expanded)
        d.insert(QStringLiteral("Expanded"), true);
    return d;
}

void TDGroup::initWithValues(const TDDictionaryReader &values)
{
    TDGraphic::initWithValues(values);
    if (!values.isDictionary())
        return;
    const TDDictionaryReader r = values.withOwner("TDGroup");
    TDGraphicArray children;
    if (const auto stored = r.array(QStringLiteral("Graphics"))) {
        // A layer may hold many thousands: repeats are found by hashing.
        std::unordered_set<const TDGraphic *> placed;
        placed.reserve(stored->size());
        for (const PropertyList &value : stored->toArray()) {
            auto child = value.objectAs<TDGraphic>();
            if (!child) {
                r.skip(QStringLiteral("Graphics"), "a list of graphics (an element)");
                continue;
            }
            // A graphic stands in one place: a file that names it twice
            // keeps the first.
            if (child.get() == this || !placed.insert(child.get()).second) {
                r.skip(QStringLiteral("Graphics"), "a list of distinct graphics (a repeated element)");
                continue;
            }
            children.push_back(std::move(child));
        }
    }
    if (const auto clip = r.boolean(QStringLiteral("Clip")))
        m_clip = *clip;
    if (const auto expanded = r.boolean(QStringLiteral("Expanded")))
        m_expanded = *expanded;
    _setGraphics(children);
}

std::shared_ptr<TDGroup> TDGroup::objectWithYAML(const PropertyList &dictionary)
{
    auto group = std::make_shared<TDGroup>();
    group->initWithDictionary(dictionary);
    return group;
}

QStringList TDGroup::archiveClassHierarchy() const
{
    return {QStringLiteral("TDGroup"), QStringLiteral("TDGraphic"), QStringLiteral("NSObject")};
}

std::shared_ptr<Archivable> TDGroup::decode(KeyedUnarchiver &unarchiver)
{
    return decodeStored(unarchiver, "TDGroup", std::make_shared<TDGroup>());
}

} // namespace scrivane
