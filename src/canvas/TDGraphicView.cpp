#include "canvas/TDGraphicView.h"

#include "canvas/ScalingScrollView.h"
#include "canvas/TDTextSelectionTracker.h"
#include "canvas/TDTextView.h"
#include "canvas/TDToolStrip.h"
#include "canvas/TDSpatialIndex.h"
#include "canvas/TDTracker.h"
#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"
#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDOval.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/NotificationCenter.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

// What a press of each creating tool makes: the graphic's name (which also
// names the undo action) and how it is drawn out.
struct CreatingTool {
    const char *name;
    CreationMode mode;
};

CreatingTool creatingTool(Tool tool)
{
    switch (tool) {
    case Tool::Paint:
        return {"Paint", CreationMode::Drag};
    case Tool::Polygon:
        return {"Polygon", CreationMode::Polygon};
    case Tool::Rectangle:
        return {"Rectangle", CreationMode::Drag};
    case Tool::Oval:
        return {"Oval", CreationMode::Drag};
    default:
        return {"Text", CreationMode::TextBox};
    }
}

// The graphic a creating tool starts with.
TDGraphicPtr newGraphicForTool(Tool tool)
{
    switch (tool) {
    case Tool::Paint:
    case Tool::Polygon:
        return std::make_shared<TDBezierGraphic>();
    case Tool::Rectangle:
    case Tool::Text:
        return std::make_shared<TDRectangle>();
    case Tool::Oval:
        return std::make_shared<TDOval>();
    default:
        return nullptr;
    }
}

bool defaultsSay(const char *key)
{
    return UserDefaults::standard().boolean(QLatin1String(key));
}

} // namespace

TDGraphicView::TDGraphicView(QWidget *parent)
    : QWidget(parent), m_index(std::make_unique<TDSpatialIndex>([this](std::vector<const TDGraphic *> &graphics) {
          // What paints beyond its area here: selection marks and badges,
          // path ends, the handles of a graphic being built.
          for (const TDGraphicPtr &graphic : m_selectedGraphics)
              graphics.push_back(graphic.get());
          if (m_creatingGraphic)
              graphics.push_back(m_creatingGraphic.get());
          if (const TDGraphicPtr editing = m_editingGraphic.lock())
              graphics.push_back(editing.get());
      }))
{
    // Every pixel is painted by drawRect: Qt need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    // Graphics, colours, files and images can be dropped on the canvas.
    setAcceptDrops(true);
}

TDGraphicView::~TDGraphicView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    m_tracker.reset();
    m_creationScope.reset();
    if (m_document && m_document->graphicView() == this)
        m_document->setGraphicView(nullptr);
    // A text edited in this window stops being edited with it (the canvas
    // is no longer the document's, so nothing asks it anything).
    if (const TDGraphicPtr graphic = m_editingGraphic.lock()) {
        m_editingGraphic.reset();
        m_textEditor.reset();
        graphic->endEditing();
    }
}

void TDGraphicView::setDocument(TDDocument *document)
{
    if (m_document == document)
        return;
    if (m_document && m_document->graphicView() == this)
        m_document->setGraphicView(nullptr);
    m_document = document;
    m_index->clear();
    m_selectedGraphics.clear();
    m_createdGraphics.clear();
    m_graphicNodes.clear();
    if (m_document)
        m_document->setGraphicView(this);
    calculateSize();
    update();
}

TDDocumentInterface *TDGraphicView::document() const
{
    return m_document;
}

TDGraphicIndex *TDGraphicView::graphicIndex() const
{
    // Only the document's own canvas hears of its changes.
    if (!m_document || m_document->graphicView() != this)
        return nullptr;
    return m_index.get();
}

void TDGraphicView::setUsesSpatialIndex(bool on)
{
    m_index->setEnabled(on);
}

ScalingScrollView *TDGraphicView::scrollView() const
{
    for (QWidget *w = parentWidget(); w; w = w->parentWidget())
        if (auto *scroll = qobject_cast<ScalingScrollView *>(w))
            return scroll;
    return nullptr;
}

void TDGraphicView::awakeFromNib()
{
    // The scroll view tells the canvas when its size changes
    // (ScalingScrollView::resizeEvent).  A document saved with its rulers
    // shown shows them at once: a save right after opening must not find
    // them hidden.
    setupRulers();
    calculateSize();
    if (m_document && m_document->shouldShowRulers() && !rulersVisible())
        setRulersVisible(true);
}

// --- Tools ---------------------------------------------------------------------------------------------

Tool TDGraphicView::drawMode() const
{
    if (m_drawModeController)
        return m_drawModeController->drawMode();
    return m_document ? m_document->drawMode() : Tool::Select;
}

void TDGraphicView::selectTool(Tool tool)
{
    if (m_drawModeController) {
        m_drawModeController->select(tool);
        return;
    }
    // Without a strip the document keeps the tool on its own.
    const Tool old = drawMode();
    if (m_document)
        m_document->setDrawMode(tool);
    changeMode(tool, old);
}

bool TDGraphicView::toolLocked() const
{
    return m_drawModeController && m_drawModeController->toggleLocked();
}

void TDGraphicView::changeMode(Tool newMode, Tool /*oldMode*/)
{
    m_mode = newMode == Tool::Edit ? EditState::EditTool : EditState::None;
    if ((newMode == Tool::Select || newMode == Tool::Edit) && !m_createdGraphics.empty()) {
        const TDGraphicArray created = m_createdGraphics;
        m_createdGraphics.clear();
        selectGraphics(created);
        makeFirstSelected(created.back().get());
    }
    updateCursor();
    setNeedsDisplay();
    Q_EMIT validationNeeded();
}

void TDGraphicView::setEditingGraphic(TDGraphic *graphic)
{
    m_editingGraphic = graphic ? graphic->weak_from_this() : std::weak_ptr<TDGraphic>();
}

void TDGraphicView::openTextEditor(TDGraphic *graphic, const TextEditorSetup &setup)
{
    if (!graphic)
        return;
    if (m_textEditor)
        setNeedsDisplayInRect(m_textEditor->area());
    m_textEditor = std::make_unique<TDTextView>(graphic->shared_from_this(), setup);
    setNeedsDisplayInRect(m_textEditor->area());
    setFocus(Qt::OtherFocusReason);
}

void TDGraphicView::resizeTextEditor(TDGraphic *graphic, const Rect &frame, Size boundsSize)
{
    if (!m_textEditor || !m_textEditor->edits(graphic))
        return;
    setNeedsDisplayInRect(m_textEditor->area());
    m_textEditor->setFrame(frame, boundsSize);
    setNeedsDisplayInRect(m_textEditor->area());
}

void TDGraphicView::closeTextEditor(TDGraphic *graphic)
{
    if (graphic && editingGraphic() == graphic)
        m_editingGraphic.reset();
    if (!m_textEditor || !(m_textEditor->edits(graphic) || !m_textEditor->graphic()))
        return;
    setNeedsDisplayInRect(m_textEditor->area());
    m_textEditor.reset();
}

void TDGraphicView::stopTextEditing()
{
    if (const TDGraphicPtr graphic = m_editingGraphic.lock()) {
        m_editingGraphic.reset();
        graphic->endEditing();
        graphic->didChange();
    }
    m_editingGraphic.reset();
    if (m_textEditor) {
        setNeedsDisplayInRect(m_textEditor->area());
        m_textEditor.reset();
    }
    if (TDAppDelegateInterface *delegate = TDApplicationServices::appDelegate())
        delegate->setEditingText(false);
}

void TDGraphicView::stopEditing()
{
    stopTextEditing();
    if (m_mode == EditState::EditTool)
        selectTool(Tool::Select);
}

void TDGraphicView::toggleIsolationMenu(QAction *)
{
    m_useIsolation = !m_useIsolation;
    setNeedsDisplay();
    if (TDLayerControllerInterface *layers = TDApplicationServices::layerController())
        layers->reload();
}

// --- The press -------------------------------------------------------------------------------------------

void TDGraphicView::mouseDown(const TDEvent &event)
{
    m_hasMoused = true;
    // A press leaves one second of the start-up splash.
    shortenSplash();

    if (const TDGraphicPtr editing = m_editingGraphic.lock()) {
        if (editing->fillStyle()->style() != TDFillText)
            return;
        const Point point = convertPointFromWindow(event.locationInWindow);
        const bool onEditor = m_textEditor && m_textEditor->frame().contains(point);
        if (m_textEditor && (onEditor || event.clickCount > 1)) {
            // Presses on the text belong to the editor; a multiple click
            // elsewhere reaches it with one click less (the first one
            // started the editing).
            const int clicks = onEditor ? event.clickCount : event.clickCount - 1;
            m_textEditor->mousePress(point, clicks, event.modifierFlags & TDEvent::Shift);
            beginTracking(std::make_unique<TDTextSelectionTracker>(*this, event.locationInWindow));
            setNeedsDisplayInRect(m_textEditor->area());
            return;
        }
        // A single press elsewhere ends the editing.
        m_editingGraphic.reset();
        editing->endEditing();
        editing->didChange();
        m_textEditor.reset();
        return;
    }

    const Tool tool = drawMode();
    if (isCreatingTool(tool)) {
        TDGroup *layer = m_document ? m_document->currentLayer() : nullptr;
        if (!layer || layer->locked() || !layer->visible()) {
            QApplication::beep();
            return;
        }
    }

    switch (tool) {
    case Tool::Select: {
        const bool command = event.modifierFlags & TDEvent::Command;
        const bool shift = event.modifierFlags & TDEvent::Shift;
        if (event.clickCount >= 2 && !command && !shift) {
            const Point point = convertPointFromWindow(event.locationInWindow);
            const TDGraphicPtr hit = graphicUnderPoint(point);
            const bool opens = hit && (std::dynamic_pointer_cast<TDGroup>(hit) ||
                                       hit->fillStyle()->style() == TDFillText);
            if (opens) {
                selectGraphic(hit);
                hit->startEditingWithEvent(&event, this);
            } else {
                const bool wasEmpty = m_selectedGraphics.empty();
                selectTool(Tool::Edit);
                selectAndTrackMouseWithEvent(event);
                m_mode = EditState::EditTool;
                if (m_selectedGraphics.empty()) {
                    stopEditing();
                    if (wasEmpty)
                        leaveGroup();
                }
            }
        } else {
            selectAndTrackMouseWithEvent(event);
        }
        break;
    }
    case Tool::Edit:
        if (event.clickCount < 2) {
            selectAndTrackEditWithEvent(event);
        } else {
            selectAndTrackMouseWithEvent(event);
            m_mode = EditState::EditTool;
            if (m_selectedGraphics.empty())
                stopEditing();
        }
        break;
    case Tool::Paint:
    case Tool::Polygon:
    case Tool::Rectangle:
    case Tool::Oval:
    case Tool::Text:
        if (TDGraphicPtr graphic = newGraphicForTool(tool)) {
            const CreatingTool kind = creatingTool(tool);
            m_creatingGraphic = graphic;
            // Joining the document names the graphic, which would register
            // an undo step of its own for a graphic that may never exist.
            m_creationScope = std::make_unique<TDUndoManager::CreateGraphicsScope>();
            graphic->setDocument(m_document);
            createGraphic(event, QLatin1String(kind.name), kind.mode);
        }
        break;
    case Tool::Zoom:
        zoomWithEvent(event);
        break;
    case Tool::Hand:
        grabWithEvent(event);
        break;
    case Tool::Dropper:
        dropperWithEvent(event);
        break;
    }

    // What followed the tracking loop waits for the tracker to end.
    if (m_tracker)
        m_afterTracking = [this] { finishPress(); };
    else
        finishPress();
}

void TDGraphicView::finishPress()
{
    if (drawMode() == Tool::Zoom && m_modeBefore) {
        const Tool before = *m_modeBefore;
        m_modeBefore.reset();
        selectTool(before);
        if (m_modeBeforeLock)
            selectTool(before);
    } else if (!toolLocked()) {
        selectTool(Tool::Select);
    }
    updateStatusText();
    m_hasMoused = true;
}

// --- Creating a graphic -------------------------------------------------------------------------------

void TDGraphicView::createGraphic(const TDEvent &event, const QString &name, CreationMode mode)
{
    const TDGraphicPtr graphic = m_creatingGraphic;
    if (!graphic) {
        m_creationScope.reset();
        return;
    }
    stopEditing();
    // Until the graphic joins the document its own undo registrations (the
    // style it copies, its sizing) would undo nothing that the user sees.
    if (!m_creationScope)
        m_creationScope = std::make_unique<TDUndoManager::CreateGraphicsScope>();

    TDInspectorInterface *inspector = TDApplicationServices::inspector();
    if (const TDGraphic *source = inspector ? inspector->visibleGraphic() : nullptr;
        source && mode != CreationMode::TextBox) {
        if (name == QLatin1String("Paint")) {
            graphic->copyFillFrom(*source);
            graphic->copyEffectsFrom(*source);
        } else if (source->strokeStyle()->style() == TDStrokeLine) {
            graphic->copyStyleFrom(*source);
        } else {
            graphic->copyFillFrom(*source);
            graphic->copyEffectsFrom(*source);
        }
    }

    QPointer<TDGraphicView> guard(this);
    graphic->createWithEvent(event, this, mode, [guard, graphic, name, mode](bool created) {
        if (!guard)
            return;
        TDGraphicView &view = *guard;
        view.m_creationScope.reset();
        if (!created) {
            // The graphic drawn while it was dragged goes away with it.
            view.setNeedsDisplayInRect(view.insetRectForHalo(graphic->drawingBounds()));
            if (view.m_creatingGraphic == graphic)
                view.m_creatingGraphic = nullptr;
            return;
        }
        TDDocument *document = view.m_document;
        TDUndoManager *undo = document ? document->undoManager() : nullptr;
        // One step for everything below, the group of the addition inside it.
        if (undo)
            undo->beginUndoGrouping();
        if (undo)
            undo->beginUndoGrouping();
        if (document)
            document->addGraphic(graphic);
        view.clearSelection();
        if (defaultsSay("autolockTools") && defaultsSay("select new graphics"))
            view.addToSelectionGraphics({graphic});
        else
            view.m_createdGraphics.push_back(graphic);
        if (undo)
            undo->endUndoGrouping();

        TDInspectorInterface *inspector = TDApplicationServices::inspector();
        const TDGraphic *source = inspector ? inspector->visibleGraphic() : nullptr;
        if (mode != CreationMode::TextBox && source &&
            (name == QLatin1String("Paint") || source->strokeStyle()->style() != TDStrokeLine)) {
            // The whole style now, the shape being known; the pressure the
            // pen recorded while painting survives it.
            const bool pressure = graphic->strokeStyle()->usesPressure();
            const std::vector<Point> pressureArray = graphic->strokeStyle()->pressureArray();
            graphic->recalculatePath();
            graphic->copyStyleFrom(*source);
            if (pressure) {
                graphic->strokeStyle()->setPressureArray(pressureArray);
                graphic->strokeStyle()->setUsesPressure(true);
            }
        }
        view.scrollRectToVisible(view.maxBoundsFor({graphic}));
        if (mode == CreationMode::TextBox) {
            view.setEditingGraphic(graphic.get());
            view.m_creatingGraphic = nullptr;
            graphic->startEditingWithEvent(nullptr, &view);
        }
        if (view.m_creatingGraphic == graphic)
            view.m_creatingGraphic = nullptr;
        if (!view.toolLocked())
            view.selectTool(Tool::Select);
        if (undo) {
            undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Create %@"))
                                    .replace(QLatin1String("%@"), name));
            undo->endUndoGrouping();
        }
    });
}

// --- Drawing-target answers ---------------------------------------------------------------------------

bool TDGraphicView::graphicIsSelected(const TDGraphic *graphic) const
{
    return std::any_of(m_selectedGraphics.begin(), m_selectedGraphics.end(),
                       [graphic](const TDGraphicPtr &g) { return g.get() == graphic; });
}

bool TDGraphicView::graphicIsEditing(const TDGraphic *graphic) const
{
    return (graphicIsSelected(graphic) && drawMode() == Tool::Edit) ||
           (graphic && graphic == editingGraphic());
}

float TDGraphicView::zoom() const
{
    const ScalingScrollView *scroll = scrollView();
    return usableZoom(scroll ? scroll->scaleFactor() : 1.0f);
}

void TDGraphicView::outlineView(QAction *sender)
{
    m_outlineView = !m_outlineView;
    if (sender) {
        sender->setCheckable(true);
        sender->setChecked(m_outlineView);
    }
    setNeedsDisplay();
}

void TDGraphicView::setOutlineView(bool on)
{
    if (on != m_outlineView)
        outlineView(nullptr);
}

// --- Geometry of the view ----------------------------------------------------------------------------

AffineTransform TDGraphicView::documentToWidget() const
{
    const float sx = float(zoom() * m_horizontalDPI);
    const float sy = float(zoom() * m_verticalDPI);
    return AffineTransform(sx, 0, 0, sy, -m_boundsOrigin.x * sx, -m_boundsOrigin.y * sy);
}

Point TDGraphicView::documentPointFromWidget(QPointF point) const
{
    const double sx = zoom() * m_horizontalDPI;
    const double sy = zoom() * m_verticalDPI;
    return Point(float(m_boundsOrigin.x + point.x() / sx), float(m_boundsOrigin.y + point.y() / sy));
}

QPointF TDGraphicView::widgetPointFromDocument(Point point) const
{
    const double sx = zoom() * m_horizontalDPI;
    const double sy = zoom() * m_verticalDPI;
    return QPointF((double(point.x) - m_boundsOrigin.x) * sx, (double(point.y) - m_boundsOrigin.y) * sy);
}

QRect TDGraphicView::widgetRectFromDocument(const Rect &rect) const
{
    const QPointF a = widgetPointFromDocument(rect.origin);
    const QPointF b = widgetPointFromDocument(Point(rect.maxX(), rect.maxY()));
    const double x0 = std::floor(std::min(a.x(), b.x()));
    const double y0 = std::floor(std::min(a.y(), b.y()));
    const double x1 = std::ceil(std::max(a.x(), b.x()));
    const double y1 = std::ceil(std::max(a.y(), b.y()));
    // Far beyond the widget nothing can be seen: clamping keeps the
    // numbers within what QRect holds.
    const auto clampInt = [](double v) { return int(std::clamp(v, -1.0e9, 1.0e9)); };
    return QRect(QPoint(clampInt(x0), clampInt(y0)), QPoint(clampInt(x1) - 1, clampInt(y1) - 1));
}

Rect TDGraphicView::documentRectFromWidget(const QRectF &rect) const
{
    const Point a = documentPointFromWidget(rect.topLeft());
    const Point b = documentPointFromWidget(rect.bottomRight());
    return Rect(a.x, a.y, b.x - a.x, b.y - a.y);
}

Point TDGraphicView::convertPointFromWindow(Point point) const
{
    const QWidget *top = window();
    const QPointF local = top == this ? QPointF(point.x, point.y) : mapFrom(top, QPointF(point.x, point.y));
    return documentPointFromWidget(local);
}

Rect TDGraphicView::boundsRect() const
{
    return documentRectFromWidget(QRectF(0, 0, width(), height()));
}

Rect TDGraphicView::visibleRect() const
{
    QRectF shown(0, 0, width(), height());
    if (const ScalingScrollView *scroll = scrollView()) {
        const QRect viewport = scroll->viewport()->rect();
        shown = shown.intersected(QRectF(-x(), -y(), viewport.width(), viewport.height()));
    }
    return documentRectFromWidget(shown);
}

void TDGraphicView::scrollRectToVisible(const Rect &rect)
{
    ScalingScrollView *scroll = scrollView();
    if (!scroll || !std::isfinite(rect.minX()) || !std::isfinite(rect.minY()))
        return;
    const QPointF a = widgetPointFromDocument(rect.origin);
    const QPointF b = widgetPointFromDocument(Point(rect.maxX(), rect.maxY()));
    const QSize view = scroll->viewport()->size();
    const auto axis = [](QScrollBar *bar, double low, double high, int extent) {
        const double shownLow = bar->value();
        const double shownHigh = shownLow + extent;
        double value = shownLow;
        if (low < shownLow)
            value = low;
        else if (high > shownHigh)
            value = std::min(low, high - extent);
        bar->setValue(int(std::lround(std::clamp(value, -1.0e9, 1.0e9))));
    };
    axis(scroll->horizontalScrollBar(), std::min(a.x(), b.x()), std::max(a.x(), b.x()), view.width());
    axis(scroll->verticalScrollBar(), std::min(a.y(), b.y()), std::max(a.y(), b.y()), view.height());
}

void TDGraphicView::scrollPoint(Point point)
{
    ScalingScrollView *scroll = scrollView();
    if (!scroll)
        return;
    const QPointF p = widgetPointFromDocument(point);
    scroll->horizontalScrollBar()->setValue(int(std::lround(std::clamp(p.x(), -1.0e9, 1.0e9))));
    scroll->verticalScrollBar()->setValue(int(std::lround(std::clamp(p.y(), -1.0e9, 1.0e9))));
}

} // namespace scrivane
