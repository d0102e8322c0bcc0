#include "canvas/TDGraphicView.h"

#include "canvas/ScalingScrollView.h"
#include "canvas/TDRulerUnit.h"
#include "canvas/TDRulerView.h"
#include "canvas/TDTracker.h"
#include "document/TDDocument.h"
#include "platform/GraphicsContext.h"
#include "platform/NotificationCenter.h"
#include "platform/PathBase.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QCursor>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

const QString RulerUnitsDidChange = QStringLiteral("Ruler units did change");

std::vector<float> locationsOf(const std::vector<TDRulerMarkerPtr> &markers)
{
    std::vector<float> locations;
    for (const TDRulerMarkerPtr &marker : markers)
        if (marker->isGuide())
            locations.push_back(marker->markerLocation());
    return locations;
}

bool contains(const std::vector<TDRulerMarkerPtr> &markers, const TDRulerMarkerPtr &marker)
{
    return std::find(markers.begin(), markers.end(), marker) != markers.end();
}

} // namespace

TDRulerView *TDGraphicView::horizontalRuler() const
{
    const ScalingScrollView *scroll = scrollView();
    return scroll ? scroll->horizontalRulerView() : nullptr;
}

TDRulerView *TDGraphicView::verticalRuler() const
{
    const ScalingScrollView *scroll = scrollView();
    return scroll ? scroll->verticalRulerView() : nullptr;
}

void TDGraphicView::setupRulers()
{
    TDRulerView *h = horizontalRuler();
    TDRulerView *v = verticalRuler();
    if (!h || !v)
        return;
    if (!rulersBorrowed())
        h->setClientView(this);
    v->setClientView(this);
    if (m_rulersSetUp)
        return;
    m_rulersSetUp = true;
    updateRulers();
    updateUnits();
    NotificationCenter::defaultCenter().addObserver(this, RulerUnitsDidChange, nullptr,
                                                    [this](const Notification &) { updateUnits(); });
}

void TDGraphicView::updateUnits()
{
    const TDRulerUnit unit =
        TDRulerUnit::unitForMeasurementCode(UserDefaults::standard().integer(QStringLiteral("measurementUnits")));
    for (TDRulerView *ruler : {horizontalRuler(), verticalRuler()})
        if (ruler)
            ruler->setMeasurementUnits(unit);
}

void TDGraphicView::updateRulers()
{
    const float z = zoom();
    if (TDRulerView *h = horizontalRuler()) {
        h->setOriginOffset(-m_boundsOrigin.x);
        h->setPixelsPerPoint(double(z) * m_horizontalDPI);
        h->update();
    }
    if (TDRulerView *v = verticalRuler()) {
        v->setOriginOffset(-m_boundsOrigin.y);
        v->setPixelsPerPoint(double(z) * m_verticalDPI);
        v->update();
    }
}

bool TDGraphicView::rulersVisible() const
{
    if (const ScalingScrollView *scroll = scrollView())
        return scroll->rulersVisible();
    return m_document && m_document->shouldShowRulers();
}

void TDGraphicView::setRulersVisible(bool visible)
{
    ScalingScrollView *scroll = scrollView();
    if (!scroll)
        return;
    if (!visible)
        stopEchoingMouseRulers();
    scroll->setRulersVisible(visible);
    if (visible)
        beginEchoingMouseRulers(documentPointFromWidget(mapFromGlobal(QCursor::pos())));
    // A gesture over several presses follows the pointer whatever the
    // rulers do.
    setMouseTracking(visible || (m_tracker && m_tracker->spansPresses()));
    calculateSize();
    updateRulers();
    setNeedsDisplay();
}

// --- Echo -----------------------------------------------------------------------------------------

void TDGraphicView::beginEchoingMouseRulers(Point point)
{
    if (!std::isfinite(point.x) || !std::isfinite(point.y))
        return;
    if (m_rulerLinePoint)
        stopEchoingMouseRulers();
    if (TDRulerView *h = horizontalRuler())
        h->moveRulerline(std::nullopt, point.x);
    if (TDRulerView *v = verticalRuler())
        v->moveRulerline(std::nullopt, point.y);
    m_rulerLinePoint = point;
}

void TDGraphicView::continueEchoingMouseRulers(Point point)
{
    if (!m_rulerLinePoint) {
        beginEchoingMouseRulers(point);
        return;
    }
    if (!std::isfinite(point.x) || !std::isfinite(point.y))
        return;
    if (TDRulerView *h = horizontalRuler(); h && point.x != m_rulerLinePoint->x)
        h->moveRulerline(m_rulerLinePoint->x, point.x);
    if (TDRulerView *v = verticalRuler(); v && point.y != m_rulerLinePoint->y)
        v->moveRulerline(m_rulerLinePoint->y, point.y);
    m_rulerLinePoint = point;
}

void TDGraphicView::stopEchoingMouseRulers()
{
    if (!m_rulerLinePoint)
        return;
    if (TDRulerView *h = horizontalRuler())
        h->moveRulerline(m_rulerLinePoint->x, std::nullopt);
    if (TDRulerView *v = verticalRuler())
        v->moveRulerline(m_rulerLinePoint->y, std::nullopt);
    m_rulerLinePoint.reset();
}

void TDGraphicView::beginEchoingMoveToRulers(const Rect &rect)
{
    if (m_rulerLineRect)
        stopEchoingMoveToRulers();
    m_rulerLineRect = Rect();
    continueEchoingMoveToRulers(rect);
}

void TDGraphicView::continueEchoingMoveToRulers(const Rect &rect)
{
    if (!std::isfinite(rect.minX()) || !std::isfinite(rect.minY()) || !std::isfinite(rect.maxX()) ||
        !std::isfinite(rect.maxY()))
        return;
    const std::optional<Rect> old = m_rulerLineRect;
    const auto move = [](TDRulerView *ruler, const std::optional<std::array<float, 3>> &from,
                         const std::array<float, 3> &to) {
        if (!ruler)
            return;
        for (size_t i = 0; i < 3; ++i)
            ruler->moveRulerline(from ? std::optional<float>((*from)[i]) : std::nullopt, to[i]);
    };
    const auto xs = [](const Rect &r) { return std::array<float, 3>{r.minX(), r.midX(), r.maxX()}; };
    const auto ys = [](const Rect &r) { return std::array<float, 3>{r.minY(), r.midY(), r.maxY()}; };
    const bool had = old && !(old->width() == 0 && old->height() == 0 && old->minX() == 0 && old->minY() == 0);
    move(horizontalRuler(), had ? std::optional(xs(*old)) : std::nullopt, xs(rect));
    move(verticalRuler(), had ? std::optional(ys(*old)) : std::nullopt, ys(rect));
    m_rulerLineRect = rect;
}

void TDGraphicView::stopEchoingMoveToRulers()
{
    if (!m_rulerLineRect)
        return;
    const Rect old = *m_rulerLineRect;
    m_rulerLineRect.reset();
    if (TDRulerView *h = horizontalRuler())
        for (const float x : {old.minX(), old.midX(), old.maxX()})
            h->moveRulerline(x, std::nullopt);
    if (TDRulerView *v = verticalRuler())
        for (const float y : {old.minY(), old.midY(), old.maxY()})
            v->moveRulerline(y, std::nullopt);
}

// --- Guides as data -----------------------------------------------------------------------------------

std::vector<TDRulerMarkerPtr> TDGraphicView::guidesOf(const TDRulerView *ruler) const
{
    if (!ruler)
        return {};
    if (ruler == horizontalRuler() && m_keptGuides)
        return *m_keptGuides;
    std::vector<TDRulerMarkerPtr> guides;
    for (const TDRulerMarkerPtr &marker : ruler->markers())
        if (marker->isGuide())
            guides.push_back(marker);
    return guides;
}

std::vector<float> TDGraphicView::hMarkers() const
{
    if (const TDRulerView *h = horizontalRuler())
        return locationsOf(guidesOf(h));
    return m_document ? m_document->horizontalMarkers() : std::vector<float>();
}

std::vector<float> TDGraphicView::vMarkers() const
{
    if (const TDRulerView *v = verticalRuler())
        return locationsOf(guidesOf(v));
    return m_document ? m_document->verticalMarkers() : std::vector<float>();
}

void TDGraphicView::addMarkers(const std::vector<float> &locations, bool horizontal)
{
    TDRulerView *ruler = horizontal ? horizontalRuler() : verticalRuler();
    if (!ruler)
        return;
    for (const float location : locations)
        if (std::isfinite(location))
            insertGuide(*ruler, TDRulerMarker::guide(location));
}

void TDGraphicView::replaceGuides(const std::vector<float> &horizontal, const std::vector<float> &vertical)
{
    for (TDRulerView *ruler : {horizontalRuler(), verticalRuler()})
        if (ruler)
            for (const TDRulerMarkerPtr &guide : guidesOf(ruler))
                takeGuide(*ruler, guide);
    addMarkers(horizontal, true);
    addMarkers(vertical, false);
}

void TDGraphicView::insertGuide(TDRulerView &ruler, const TDRulerMarkerPtr &marker)
{
    if (!marker)
        return;
    marker->setRemovable(true);
    if (&ruler == horizontalRuler() && m_keptGuides) {
        if (!contains(*m_keptGuides, marker))
            m_keptGuides->push_back(marker);
    } else {
        ruler.addMarker(marker);
    }
    invalidateGuide(&ruler == horizontalRuler(), marker->markerLocation());
}

void TDGraphicView::takeGuide(TDRulerView &ruler, const TDRulerMarkerPtr &marker)
{
    if (!marker)
        return;
    if (&ruler == horizontalRuler() && m_keptGuides)
        std::erase(*m_keptGuides, marker);
    else
        ruler.removeMarker(marker);
    invalidateGuide(&ruler == horizontalRuler(), marker->markerLocation());
}

void TDGraphicView::invalidateGuide(bool horizontalRuler, float location)
{
    if (!std::isfinite(location))
        return;
    const Rect visible = visibleRect();
    const float reach = 2 / zoom();
    if (horizontalRuler)
        setNeedsDisplayInRect(Rect(location - reach, visible.minY(), 2 * reach, visible.height()));
    else
        setNeedsDisplayInRect(Rect(visible.minX(), location - reach, visible.width(), 2 * reach));
}

void TDGraphicView::drawMarkers(GraphicsContext &context)
{
    if (!m_showGuides)
        return;
    const TDRulerView *h = horizontalRuler();
    const TDRulerView *v = verticalRuler();
    std::vector<float> xs = hMarkers();
    std::vector<float> ys = vMarkers();
    // A guide being dragged out of a ruler shows before it is added; one
    // being dragged off its ruler no longer shows.
    for (const TDRulerView *ruler : {h, v}) {
        if (!ruler || !ruler->trackedMarker() || !ruler->trackedMarker()->isGuide())
            continue;
        std::vector<float> &list = ruler == h ? xs : ys;
        const TDRulerMarker &tracked = *ruler->trackedMarker();
        if (ruler->trackedMarkerIsOff()) {
            const auto it = std::find(list.begin(), list.end(), tracked.markerLocation());
            if (it != list.end())
                list.erase(it);
        } else if (!contains(ruler->markers(), ruler->trackedMarker())) {
            list.push_back(tracked.markerLocation());
        }
    }
    if (xs.empty() && ys.empty())
        return;
    const Rect visible = visibleRect();
    // Each line on the centre of the device pixel it falls in, so that it
    // is one crisp pixel wide at every zoom.
    const AffineTransform ctm = context.ctm();
    const auto onPixel = [](float value, float scale, float offset) {
        if (!(std::abs(scale) > 1e-6f))
            return value;
        const double device = double(scale) * value + offset;
        return float((std::floor(device) + 0.5 - offset) / scale);
    };
    PathBase lines;
    for (const float x : xs)
        if (std::isfinite(x) && x >= visible.minX() - 1 && x <= visible.maxX() + 1) {
            const float at = onPixel(x, ctm.m11, ctm.tX);
            lines.moveTo(Point(at, visible.minY()));
            lines.lineTo(Point(at, visible.maxY()));
        }
    for (const float y : ys)
        if (std::isfinite(y) && y >= visible.minY() - 1 && y <= visible.maxY() + 1) {
            const float at = onPixel(y, ctm.m22, ctm.tY);
            lines.moveTo(Point(visible.minX(), at));
            lines.lineTo(Point(visible.maxX(), at));
        }
    if (lines.isEmpty())
        return;
    context.save();
    context.setStrokeColor(Color::calibratedRGB(1, 0, 1));
    LineStyle hairline;
    hairline.width = 0;
    context.setLineStyle(hairline);
    context.strokePath(lines, GraphicsContext::LineSource::Context);
    context.restore();
}

// --- Guide edits and undo -------------------------------------------------------------------------------

void TDGraphicView::registerGuideUndo(const QString &operation, std::function<void(TDGraphicView &)> undo,
                                      const QString &actionName)
{
    TDUndoManager *manager = m_document ? m_document->undoManager() : nullptr;
    if (!manager)
        return;
    QPointer<TDGraphicView> guard(this);
    // A guide edit is one step of its own, whatever event brought it, and
    // a change of the document.
    manager->beginUndoGrouping();
    manager->registerUndoWithTarget(m_identity, operation, [guard, undo = std::move(undo)] {
        if (guard)
            undo(*guard);
    });
    manager->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), actionName));
    manager->endUndoGrouping();
}

void TDGraphicView::rulerViewHandleMouseDown(TDRulerView &ruler, QMouseEvent *event)
{
    // The new guide is not removable while it is dragged out: wherever it
    // is let go, it is added there.
    auto marker = std::make_shared<TDRulerMarker>(0.0f, TDRulerMarker::guideTag);
    ruler.trackMarker(marker, event);
}

void TDGraphicView::rulerViewDidAddMarker(TDRulerView &ruler, const TDRulerMarkerPtr &marker)
{
    marker->setRemovable(true);
    const bool horizontal = &ruler == horizontalRuler();
    if (marker->isGuide()) {
        QPointer<TDRulerView> rulerGuard(&ruler);
        registerGuideUndo(
            QStringLiteral("removeMarker"),
            [rulerGuard, marker](TDGraphicView &view) {
                if (!rulerGuard)
                    return;
                view.takeGuide(*rulerGuard, marker);
                view.rulerViewDidRemoveMarker(*rulerGuard, marker);
            },
            QStringLiteral("Add Marker"));
        m_showGuides = true;
        fixGuidesMenu();
        setNeedsDisplay();
        return;
    }
    invalidateGuide(horizontal, marker->markerLocation());
}

void TDGraphicView::rulerViewMarkerTracked(TDRulerView &ruler, const TDRulerMarker &marker, float previousLocation)
{
    if (!marker.isGuide())
        return;
    const bool horizontal = &ruler == horizontalRuler();
    invalidateGuide(horizontal, previousLocation);
    invalidateGuide(horizontal, marker.markerLocation());
}

void TDGraphicView::rulerViewDidMoveMarker(TDRulerView &ruler, const TDRulerMarkerPtr &marker, float fromLocation)
{
    const bool horizontal = &ruler == horizontalRuler();
    if (marker->isGuide()) {
        const float to = marker->markerLocation();
        registerGuideUndo(
            QStringLiteral("setMarkerLocation"),
            [marker, fromLocation, to, horizontal](TDGraphicView &view) {
                marker->setMarkerLocation(fromLocation);
                view.invalidateGuide(horizontal, to);
                view.invalidateGuide(horizontal, fromLocation);
                TDRulerView *r = horizontal ? view.horizontalRuler() : view.verticalRuler();
                if (r) {
                    r->update();
                    view.rulerViewDidMoveMarker(*r, marker, to);
                }
            },
            QStringLiteral("Move Marker"));
        if (!m_showGuides) {
            m_showGuides = true;
            setNeedsDisplay();
        }
        fixGuidesMenu();
    }
    invalidateGuide(horizontal, fromLocation);
    invalidateGuide(horizontal, marker->markerLocation());
}

void TDGraphicView::rulerViewDidRemoveMarker(TDRulerView &ruler, const TDRulerMarkerPtr &marker)
{
    if (marker->isGuide()) {
        QPointer<TDRulerView> rulerGuard(&ruler);
        registerGuideUndo(
            QStringLiteral("addMarker"),
            [rulerGuard, marker](TDGraphicView &view) {
                if (!rulerGuard)
                    return;
                view.insertGuide(*rulerGuard, marker);
                view.rulerViewDidAddMarker(*rulerGuard, marker);
            },
            QStringLiteral("Remove Marker"));
    }
    invalidateGuide(&ruler == horizontalRuler(), marker->markerLocation());
}

void TDGraphicView::clearGuides()
{
    std::vector<std::pair<QPointer<TDRulerView>, TDRulerMarkerPtr>> removed;
    for (TDRulerView *ruler : {horizontalRuler(), verticalRuler()}) {
        if (!ruler)
            continue;
        const std::vector<TDRulerMarkerPtr> guides = guidesOf(ruler);
        // From the last to the first, so that undo puts them back in order.
        for (auto it = guides.rbegin(); it != guides.rend(); ++it) {
            takeGuide(*ruler, *it);
            removed.emplace_back(ruler, *it);
        }
    }
    if (removed.empty())
        return;
    registerGuideUndo(
        QStringLiteral("clearGuides"),
        [removed](TDGraphicView &view) {
            for (auto it = removed.rbegin(); it != removed.rend(); ++it)
                if (it->first)
                    view.insertGuide(*it->first, it->second);
            // Redo clears them again.
            view.registerGuideUndo(
                QStringLiteral("clearGuides"), [](TDGraphicView &again) { again.clearGuides(); },
                QStringLiteral("Clear Guides"));
        },
        QStringLiteral("Clear Guides"));
    setNeedsDisplay();
}

void TDGraphicView::toggleGuides()
{
    m_showGuides = !m_showGuides;
    fixGuidesMenu();
    if (!hMarkers().empty() || !vMarkers().empty())
        setNeedsDisplay();
}

void TDGraphicView::setGuidesMenuItem(QAction *item)
{
    m_guidesMenuItem = item;
    fixGuidesMenu();
}

void TDGraphicView::fixGuidesMenu()
{
    if (!m_guidesMenuItem)
        return;
    m_guidesMenuItem->setText(StringTable::lookup(QStringLiteral("ToolbarStrings"),
                                                  m_showGuides ? QStringLiteral("Hide Guides")
                                                               : QStringLiteral("Show Guides")));
}

// --- Borrowing by the text editor --------------------------------------------------------------------

void TDGraphicView::saveRulers()
{
    TDRulerView *h = horizontalRuler();
    if (!h || m_keptGuides)
        return;
    m_keptGuides = guidesOf(h);
}

void TDGraphicView::cleanRulers()
{
    TDRulerView *h = horizontalRuler();
    if (!h || !m_keptGuides)
        return;
    std::vector<TDRulerMarkerPtr> guides = std::move(*m_keptGuides);
    m_keptGuides.reset();
    h->setClientView(this);
    h->setAccessoryView(nullptr);
    h->setReservedThicknessForAccessoryView(0);
    // Whatever the editor left on the ruler goes; the guides come back.
    h->setMarkers(std::move(guides));
    if (TDRulerView *v = verticalRuler())
        v->setClientView(this);
    setNeedsDisplay();
}

} // namespace scrivane
