#include "model/TDGraphic.h"

#include "model/TDApplicationServices.h"
#include "model/TDBezierPath.h"
#include "model/TDDictionaryReader.h"
#include "model/TDDocumentInterface.h"
#include "model/TDFileWrapper.h"
#include "model/TDFillStyle.h"
#include "model/TDGraphicIndex.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDGroup.h"
#include "model/TDStrokeStyle.h"
#include "model/TDUndoManager.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/NotificationCenter.h"
#include "platform/StringTable.h"

#include <QDebug>

#include <atomic>
#include <cmath>

namespace scrivane {

const QString TDGraphic::didChangeNotification = QStringLiteral("TDGraphicDidChange");

namespace {
// The identity numbers of graphics: from 0, one per graphic made.
std::atomic<int> g_nextGraphicID{0};

// Float settings coming from sliders: a step smaller than this is no change.
bool floatUnchanged(float a, float b)
{
    const float d = a - b;
    return d * d < 0.00001f;
}
} // namespace

TDGraphic::TDGraphic() : m_ID(g_nextGraphicID.fetch_add(1))
{
    m_fillStyle = TDFillStyle::fillStyleForGraphic(this);
    m_strokeStyle = TDStrokeStyle::strokeStyleForGraphic(this);
    initDrawing();
}

TDGraphic::~TDGraphic()
{
    // Styles shared through setStyleFrom may outlive this graphic.
    if (m_fillStyle && m_fillStyle->graphic() == this)
        m_fillStyle->setGraphic(nullptr);
    if (m_strokeStyle && m_strokeStyle->graphic() == this)
        m_strokeStyle->setGraphic(nullptr);
}

// --- Identity and placement ---------------------------------------------------------

void TDGraphic::setName(const QString &name)
{
    const QString old = m_name;
    registerUndo(Registration::Ordinary, QStringLiteral("setName"), [old](TDGraphic &g) { g.setName(old); });
    m_name = name;
    if (auto *panel = TDApplicationServices::layerController())
        panel->reload();
    setUndoActionName(QStringLiteral("Set name"));
}

QString TDGraphic::defaultNameFormat() const
{
    return QStringLiteral("Graphic");
}

void TDGraphic::setDocument(TDDocumentInterface *document)
{
    if (document == m_document)
        return;
    m_document = document;
    const TDFileWrapper *wrapper = document ? document->fileWrapper() : nullptr;
    TDFillStyle::PackageReader reader;
    if (wrapper)
        reader = [wrapper](const QString &name) { return wrapper->contentsOfEntry(name); };
    m_fillStyle->fromFileWrapper(reader, document);
    // A graphic outside any document has no counter to take a name from.
    if (document && m_name == QStringLiteral("?")) {
        const QString kind =
            m_fillStyle->style() == TDFillText ? QStringLiteral("Text") : defaultNameFormat();
        setName(QStringLiteral("%1 %2").arg(kind).arg(document->graphicNumber()));
    }
    m_strokeStyle->changedGeometry();
}

TDUndoManager *TDGraphic::undoManager() const
{
    return m_document ? m_document->undoManager() : nullptr;
}

TDGraphicViewInterface *TDGraphic::graphicView() const
{
    return m_document ? m_document->graphicView() : nullptr;
}

void TDGraphic::registerUndo(Registration kind, const QString &operation,
                             std::function<void(TDGraphic &)> undo)
{
    TDUndoManager *manager = undoManager();
    if (!manager)
        return;
    std::weak_ptr<TDGraphic> weak = weak_from_this();
    UndoManager::Action action = [weak, undo = std::move(undo)] {
        if (const auto graphic = weak.lock())
            undo(*graphic);
    };
    if (kind == Registration::Skippable)
        manager->prepareWithSkippableInvocationTarget(objectId(), operation, std::move(action));
    else
        manager->prepareWithInvocationTarget(objectId(), operation, std::move(action));
}

void TDGraphic::setUndoActionName(const QString &key)
{
    if (TDUndoManager *manager = undoManager())
        manager->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), key));
}

void TDGraphic::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    const bool old = m_visible;
    registerUndo(Registration::Ordinary, QStringLiteral("setVisible"),
                 [old](TDGraphic &g) { g.setVisible(old); });
    m_visible = visible;
    didChange();
    if (!visible)
        if (auto *view = graphicView())
            view->deselectGraphic(this);
    setUndoActionName(QStringLiteral("Set graphic visible"));
}

void TDGraphic::setLocked(bool locked)
{
    if (locked == m_locked)
        return;
    const bool old = m_locked;
    registerUndo(Registration::Ordinary, QStringLiteral("setLocked"),
                 [old](TDGraphic &g) { g.setLocked(old); });
    m_locked = locked;
    if (locked)
        if (auto *view = graphicView())
            view->deselectGraphic(this);
    setUndoActionName(QStringLiteral("Set graphic locked"));
}

// --- Style transfer --------------------------------------------------------------------

void TDGraphic::copyFillFrom(const TDGraphic &other)
{
    willChange();
    m_fillStyle->copyStyleFrom(*other.m_fillStyle);
    didChange();
}

void TDGraphic::copyStrokeFrom(const TDGraphic &other)
{
    willChange();
    m_strokeStyle->copyStyleFrom(*other.m_strokeStyle);
    didChange();
}

void TDGraphic::copyEffectsFrom(const TDGraphic &other)
{
    willChange();
    setHasShadow(other.hasShadow());
    setShadowRadius(other.shadowRadius());
    setShadowDistance(other.shadowOffset());
    setShadowAngle(other.shadowAngle());
    setShadowColor(other.shadowColor());
    setBlendMode(other.blendMode());
    setAlphaValue(other.alphaValue());
    didChange();
}

void TDGraphic::copyFiltersFrom(const TDGraphic &other)
{
    willChange();
    setFilterResolution(other.filterResolution());
    setUsesFilters(other.usesFilters());
    setFilterArrayUndoable(other.filterArray());
    didChange();
}

void TDGraphic::copyStyleFrom(const TDGraphic &other)
{
    willChange();
    copyFillFrom(other);
    copyStrokeFrom(other);
    copyEffectsFrom(other);
    copyFiltersFrom(other);
    didChange();
}

void TDGraphic::setStyleFrom(const TDGraphic &other)
{
    if (&other == this)
        return;
    willChange();
    // The styles are shared, and keep pointing at the graphic that owns them.
    m_fillStyle = other.m_fillStyle;
    m_strokeStyle = other.m_strokeStyle;
    copyEffectsFrom(other);
    setFilterResolution(other.filterResolution());
    setUsesFilters(other.usesFilters());
    m_filterArray = other.m_filterArray;
    m_filterArrayGeneration = nextFilterArrayGeneration();
    didChange();
}

// --- Shadow, blend mode, opacity ------------------------------------------------------------

void TDGraphic::setHasShadow(bool on)
{
    if (on == m_hasShadow)
        return;
    const bool old = m_hasShadow;
    registerUndo(Registration::Skippable, QStringLiteral("setHasShadow"),
                 [old](TDGraphic &g) { g.setHasShadow(old); });
    m_hasShadow = on;
    didChange();
}

void TDGraphic::setShadowRadius(float radius)
{
    if (!std::isfinite(radius) || floatUnchanged(radius, m_shadowRadius))
        return;
    const float old = m_shadowRadius;
    registerUndo(Registration::Skippable, QStringLiteral("setShadowRadius"),
                 [old](TDGraphic &g) { g.setShadowRadius(old); });
    m_shadowRadius = radius;
    didChange();
}

void TDGraphic::setShadowDistance(float distance)
{
    if (!std::isfinite(distance) || floatUnchanged(distance, m_shadowOffset))
        return;
    const float old = m_shadowOffset;
    registerUndo(Registration::Skippable, QStringLiteral("setShadowDistance"),
                 [old](TDGraphic &g) { g.setShadowDistance(old); });
    m_shadowOffset = distance;
    didChange();
}

void TDGraphic::setShadowAngle(float angle)
{
    if (!std::isfinite(angle) || floatUnchanged(angle, m_shadowAngle))
        return;
    const float old = m_shadowAngle;
    registerUndo(Registration::Skippable, QStringLiteral("setShadowAngle"),
                 [old](TDGraphic &g) { g.setShadowAngle(old); });
    m_shadowAngle = angle;
    didChange();
}

void TDGraphic::setShadowColor(const Color &color)
{
    if (color == m_shadowColor)
        return;
    const Color old = m_shadowColor;
    registerUndo(Registration::Skippable, QStringLiteral("setShadowColor"),
                 [old](TDGraphic &g) { g.setShadowColor(old); });
    m_shadowColor = color;
    didChange();
}

void TDGraphic::setBlendMode(int mode)
{
    if (mode == m_blendMode)
        return;
    const int old = m_blendMode;
    registerUndo(Registration::Skippable, QStringLiteral("setBlendMode"),
                 [old](TDGraphic &g) { g.setBlendMode(old); });
    m_blendMode = mode;
    didChange();
}

void TDGraphic::setAlphaValue(float alpha)
{
    if (std::isnan(alpha) || alpha == m_alphaValue)
        return;
    const float old = m_alphaValue;
    registerUndo(Registration::Skippable, QStringLiteral("setAlphaValue"),
                 [old](TDGraphic &g) { g.setAlphaValue(old); });
    m_alphaValue = alpha;
    didChange();
}

// --- Effects -------------------------------------------------------------------------------

quint64 TDGraphic::nextFilterArrayGeneration()
{
    static std::atomic<quint64> counter{0};
    return ++counter;
}

void TDGraphic::setFilterArrayUndoable(const TDFilterArray &filters)
{
    if (filters.empty() && m_filterArray.empty())
        return;
    // The old effects leave the graphic: the undo keeps them, and nothing
    // else changes them from now on.
    const TDFilterArray old = m_filterArray;
    registerUndo(Registration::Skippable, QStringLiteral("setFilterArrayUndoableDecode"),
                 [old](TDGraphic &g) { g.setFilterArrayUndoable(old); });
    willChange();
    TDFilterArray copies;
    copies.reserve(filters.size());
    for (const auto &filter : filters) {
        if (!filter)
            continue;
        auto copy = filter->copy();
        copy->scaleTo(float(m_filterResolution));
        copies.push_back(std::move(copy));
    }
    m_filterArray = std::move(copies);
    m_filterArrayGeneration = nextFilterArrayGeneration();
    calculateFilterExtent();
    didChange();
    setUndoActionName(QStringLiteral("Set filter data"));
}

void TDGraphic::setFilterArrayUndoableDecode(const QByteArray &archivedFilters)
{
    TDFilter::registerArchiveClass();
    QString error;
    const auto filters = KeyedUnarchiver::unarchive(archivedFilters, &error);
    if (!filters || !filters->isArray()) {
        qWarning().noquote() << QStringLiteral("An archived effect list could not be read: %1").arg(error);
        return;
    }
    TDFilterArray list;
    for (const PropertyList &element : filters->toArray()) {
        if (auto filter = TDFilter::fromStoredValue(element))
            list.push_back(std::move(filter));
        else
            qWarning().noquote() << QStringLiteral("An archived effect list holds something that is not an "
                                                   "effect; it was skipped");
    }
    setFilterArrayUndoable(list);
}

void TDGraphic::setUsesFilters(bool on)
{
    if (on == m_usesFilters)
        return;
    const bool old = m_usesFilters;
    registerUndo(Registration::Ordinary, QStringLiteral("setUsesFilters"),
                 [old](TDGraphic &g) { g.setUsesFilters(old); });
    willChange();
    m_usesFilters = on;
    calculateFilterExtent();
    didChange();
    setUndoActionName(QStringLiteral("Set uses filters"));
}

void TDGraphic::setFilterResolution(int resolution)
{
    if (resolution == m_filterResolution)
        return;
    const int old = m_filterResolution;
    registerUndo(Registration::Ordinary, QStringLiteral("setFilterResolution"),
                 [old](TDGraphic &g) { g.setFilterResolution(old); });
    willChange();
    m_filterResolution = resolution;
    for (const auto &filter : m_filterArray)
        filter->scaleTo_n(PropertyList(double(resolution)));
    calculateFilterExtent();
    didChange();
    setUndoActionName(QStringLiteral("Set filter resolution"));
}

bool TDGraphic::containsImage() const
{
    if (m_fillStyle->style() == TDFillImage)
        return true;
    if (!useFiltersDrawing())
        return false;
    if (m_hasShadow || m_filterArray.size() != 1)
        return true;
    // One effect: only a plain blur keeps the output vector-like.
    return m_filterArray.front()->filterName() != QStringLiteral("CIGaussianBlur");
}

// --- Geometry ----------------------------------------------------------------------------------

namespace {
Rect grown(const Rect &r, float d)
{
    return r.insetBy(-d, -d);
}
} // namespace

Rect TDGraphic::editingBounds() const
{
    Rect r = m_strokeStyle->strokeBoundsEditing();
    if (m_hasShadow)
        r = grown(r, m_shadowRadius + m_shadowOffset);
    return r;
}

Rect TDGraphic::drawingBoundsWithoutEffects() const
{
    const Rect stroke = m_strokeStyle->strokeBounds();
    if (!m_hasShadow)
        return stroke;
    const Rect shadow =
        grown(stroke, m_shadowRadius)
            .offsetBy(std::sin(m_shadowAngle) * m_shadowOffset, -std::cos(m_shadowAngle) * m_shadowOffset);
    return stroke.united(shadow);
}

Rect TDGraphic::drawingBounds() const
{
    if (m_overriddenDrawingBounds)
        return *m_overriddenDrawingBounds;
    Rect r = drawingBoundsWithoutEffects();
    if (useFiltersDrawing())
        r = r.united(m_filterExtent);
    return r;
}

Rect TDGraphic::updateBounds() const
{
    Rect r = drawingBounds();
    TDGraphicViewInterface *view = graphicView();
    if (view && view->outlineView())
        return r;
    const bool isolated = view && view->isolationState();
    const TDGroup *current = m_document ? m_document->currentLayer() : nullptr;
    std::shared_ptr<TDGroup> g = layer();
    if (!g || (isolated && g.get() == current))
        return r;
    while (g) {
        if (g->useFiltersDrawing()) {
            // The group's effects see r in their buffer's pixels.
            const Rect o = g->drawingBoundsWithoutEffects();
            const float scale = float(g->filterResolution());
            const Rect e = g->calculateFilterExtentForRect(Rect((r.minX() - o.minX()) * scale,
                                                                (r.minY() - o.minY()) * scale,
                                                                r.width() * scale, r.height() * scale));
            if (!e.isEmpty())
                r = r.united(e);
        }
        if (g->boundsAffectsDrawing() && !g->bounds().contains(bounds()))
            return g->updateBounds();
        if (g->hasShadow())
            r = grown(r, g->shadowDistance() + g->shadowRadius());
        g = g->layer();
        if (isolated && g.get() == current)
            break;
    }
    return r;
}

std::shared_ptr<TDBezierPath> TDGraphic::cachedBezierPath()
{
    if (!m_cachedBezierPath)
        recalculatePath();
    return m_cachedBezierPath;
}

void TDGraphic::recalculatePath()
{
    const std::shared_ptr<TDBezierPath> own = bezierPath();
    if (!own)
        return;
    willChange();
    auto path = std::make_shared<TDBezierPath>(*own);
    path->transform(m_transformation);
    path->setWindingRule(m_fillStyle->windingRule() == 0 ? WindingRule::NonZero : WindingRule::EvenOdd);
    m_cachedBezierPath = std::move(path);
    setBounds(m_cachedBezierPath->bounds());
    didChange();
}

std::shared_ptr<TDBezierPath> TDGraphic::clipPath()
{
    // A text fill clips by its glyphs.
    if (m_fillStyle->style() == TDFillText && m_fillStyle->hasText())
        return std::make_shared<TDBezierPath>(convertTextToBezier());
    return cachedBezierPath();
}

// --- Hit tests -----------------------------------------------------------------------------------

bool TDGraphic::hitTest(Point point)
{
    const std::shared_ptr<TDBezierPath> path = cachedBezierPath();
    if (!path)
        return false;
    path->setLineWidth(m_strokeStyle->strokeWidth());
    path->setWindingRule(m_fillStyle->windingRule() == 0 ? WindingRule::NonZero : WindingRule::EvenOdd);
    if (!grown(drawingBounds(), 2).contains(point))
        return false;
    TDGraphicViewInterface *view = graphicView();
    const bool outline = view && view->outlineView();
    if (!outline) {
        if (m_fillStyle->style() != TDFillNone && path->containsPoint(point))
            return true;
        return m_strokeStyle->intersectsPoint(point);
    }
    // Outline view: a line two screen pixels wide along the outline.
    const float zoom = view->zoom() > 0 && std::isfinite(view->zoom()) ? view->zoom() : 1.0f;
    const float width = path->lineWidth();
    path->setLineWidth(2 / zoom);
    const bool hit = path->intersectsPoint(point);
    path->setLineWidth(width);
    return hit;
}

bool TDGraphic::hitTestRect(const Rect &rect)
{
    const std::shared_ptr<TDBezierPath> path = cachedBezierPath();
    return path && path->intersectsRect(rect);
}

// --- Change protocol --------------------------------------------------------------------------------

void TDGraphic::willChange()
{
    ++m_changeCount;
    // The rectangle only serves to invalidate the document's views: a
    // graphic that is not in a document yet (one being read) skips it.
    if (m_manipulating || !m_cachedBezierPath || m_changeCount > 1 || !m_document)
        return;
    m_changeRect = MyUnionRect(m_changeRect, updateBounds());
}

void TDGraphic::didChange()
{
    // Also inside brackets and while manipulating: the index reads the
    // bounds when it next answers, after the whole edit.
    noteBoundsChange();
    if (m_changeCount > 0) {
        --m_changeCount;
        if (m_changeCount > 0)
            return;
    }
    if (m_manipulating || !m_cachedBezierPath)
        return;
    m_strokeStyle->changedGeometry();
    // Effects follow the graphic: where their output lies now.
    if (useFiltersDrawing())
        calculateFilterExtent();
    if (m_document) {
        m_changeRect = MyUnionRect(m_changeRect, updateBounds());
        if (TDGraphicViewInterface *view = graphicView())
            if (view->graphicIsSelected(this))
                m_changeRect = MyUnionRect(m_changeRect, view->selectionRect());
        m_document->invalidateRect(m_changeRect);
    }
    m_changeRect = Rect();
    NotificationCenter::defaultCenter().post(didChangeNotification, this);
}

void TDGraphic::invalidate()
{
    if (m_document)
        m_document->invalidateGraphic(this);
}

void TDGraphic::noteBoundsChange() const
{
    if (!m_document)
        return;
    if (TDGraphicViewInterface *view = m_document->graphicView())
        if (TDGraphicIndex *index = view->graphicIndex())
            index->graphicBoundsChanged(*this);
}

void TDGraphic::didChangeGeometry()
{
    m_fillStyle->changedGeometry();
    m_strokeStyle->changedGeometry();
    if (const auto parent = layer())
        parent->recalculateBounds();
}

// --- Archive --------------------------------------------------------------------------------------------

QStringList TDGraphic::archiveClassHierarchy() const
{
    return {QStringLiteral("TDGraphic"), QStringLiteral("NSObject")};
}

void TDGraphic::encode(KeyedArchiver &archiver) const
{
    archiver.encodeObject(toYAML());
}

std::shared_ptr<Archivable> TDGraphic::decodeStored(KeyedUnarchiver &unarchiver, const char *owner,
                                                    std::shared_ptr<TDGraphic> graphic, const StoredReader &read)
{
    const ArchivedDictionary stored(unarchiver);
    // Once the archive failed, everything read from it is empty: its error
    // says why, once, without a warning for each value that follows.
    if (unarchiver.failed())
        return nullptr;
    if (!stored.isDictionary()) {
        qWarning().noquote() << QStringLiteral("A stored %1 holds no dictionary; it was skipped")
                                    .arg(unarchiver.className());
        return nullptr;
    }
    const TDDictionaryReader values(stored, owner);
    if (read)
        read(*graphic, values);
    else
        graphic->initWithValues(values);
    return graphic;
}

std::shared_ptr<Archivable> TDGraphic::decode(KeyedUnarchiver &unarchiver)
{
    return decodeStored(unarchiver, "TDGraphic", std::make_shared<TDGraphic>());
}

} // namespace scrivane
