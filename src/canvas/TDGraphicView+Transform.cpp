#include "canvas/TDGraphicView.h"

#include "canvas/TDKnobGeometry.h"
#include "canvas/TDSnapping.h"
#include "canvas/TDTracker.h"
#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"
#include "model/TDGraphic.h"
#include "model/TDStatusText.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"

#include <QPointer>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

// Shared by every canvas: only one knob drag runs at a time.
bool g_moved = false;
// The bounds, axis lock and last rotation of the drag under way.
TDKnobGeometry g_geometry;
Point g_lastPointer;

Point offsetHalf(Point p)
{
    return Point(p.x + 0.5f, p.y + 0.5f);
}

float usableZoom(float z)
{
    return std::isfinite(z) && z > 0 ? z : 1.0f;
}

} // namespace

// Moves a knob of some graphics with the pointer, from the press to the
// release: resizing a graphic being created, and the knob drags of the
// selection.
class TDKnobTracker : public TDTracker {
public:
    TDKnobTracker(TDGraphicView &view, int knob, TDGraphicArray graphics, const TDEvent &event,
                  TDGraphicViewInterface::TrackingCompletion completion)
        : TDTracker(view), m_knob(knob), m_graphics(std::move(graphics)), m_completion(std::move(completion))
    {
        g_moved = false;
        m_start = view.convertPointFromWindow(offsetHalf(event.locationInWindow));
        m_rawStart = view.convertPointFromWindow(event.locationInWindow);
        bool creating = false;
        for (const auto &graphic : m_graphics)
            creating = creating || graphic.get() == view.creatingGraphic();
        // A move of the selection waits for a real move of the pointer, so
        // that a click does not nudge anything.
        m_waiting = knob == 9 && !creating;
        if (!m_waiting)
            begin();
    }

    bool mouseDragged(const TDEvent &event) override
    {
        TDGraphicView &v = view();
        m_lastModifiers = event.modifierFlags;
        if (m_waiting) {
            const Point p = v.convertPointFromWindow(event.locationInWindow);
            const float dx = p.x - m_rawStart.x, dy = p.y - m_rawStart.y;
            const float z = usableZoom(v.zoom());
            if (dx * dx + dy * dy <= 9 / (z * z))
                return false;
            m_waiting = false;
            begin();
        }
        v.autoscroll(event);
        if (!g_moved) {
            v.invalidateSelection();
            g_moved = true;
            v.m_trackingKnobs = true;
        }
        update(event);
        return false;
    }

    bool mouseUp(const TDEvent &event) override
    {
        m_lastModifiers = event.modifierFlags;
        if (m_waiting) {
            m_endedBeforeMove = true;
            return true;
        }
        if (g_moved)
            update(event);
        return true;
    }

    bool keyDown(const TDEvent &event) override
    {
        scaleKeys(event, false);
        if (g_moved && !m_waiting)
            update(event);
        return false;
    }

    bool keyUp(const TDEvent &event) override
    {
        scaleKeys(event, true);
        if (g_moved && !m_waiting)
            update(event);
        return false;
    }

    bool flagsChanged(const TDEvent &event) override
    {
        m_lastModifiers = event.modifierFlags;
        if (g_moved && !m_waiting)
            update(event);
        return false;
    }

    void cancel(const TDEvent &) override
    {
        m_escaped = true;
        if (g_moved && !m_waiting) {
            // The identity puts every graphic back.  Where they were dragged
            // to is painted again too, or their image would stay there.
            TDGraphicView &v = view();
            const Rect dragged = v.boundsFor(m_graphics, true);
            for (const auto &graphic : m_graphics)
                graphic->transformWithTransformation(AffineTransform(), true, v.m_transformStroke,
                                                     v.m_transformShape);
            v.setNeedsDisplayInRect(v.insetRectForHalo(MyUnionRect(dragged, v.boundsFor(m_graphics, true))));
        }
    }

    void finish() override
    {
        TDGraphicView &v = view();
        v.m_trackingKnobs = false;
        const bool command = m_lastModifiers & TDEvent::Command;
        if (m_waiting) {
            if (m_endedBeforeMove && command) {
                const TDGraphicPtr beneath = v.graphicUnderPoint(m_rawStart, true);
                v.clearSelection();
                if (beneath)
                    v.selectGraphic(beneath);
            }
        } else {
            if (g_moved)
                v.invalidateSelection();
            if (m_knob == 9 && g_moved) {
                if (v.m_pasteCascadeNumber == 2) {
                    v.m_pasteDx = m_lastTransform.tX + 20;
                    v.m_pasteDy = m_lastTransform.tY + 20;
                } else {
                    v.m_pasteCascadeNumber = 0;
                }
            }
            if (command)
                v.m_trackingWithCommand = true;
            // A drag undone by Escape is back where it started: nothing to
            // record as a step of its own.
            if (!g_moved || m_escaped) {
                for (const auto &graphic : m_graphics)
                    graphic->cancelManipulation();
            } else {
                for (const auto &graphic : m_graphics)
                    graphic->stopManipulation();
                v.calculateSize();
            }
        }
        const bool completed = !m_escaped && !m_endedBeforeMove;
        if (m_completion) {
            const auto completion = std::move(m_completion);
            m_completion = nullptr;
            completion(completed);
        }
    }

private:
    void begin()
    {
        TDGraphicView &v = view();
        v.m_originalSelectedBounds = v.boundsFor(m_graphics, false);
        for (const auto &graphic : m_graphics)
            graphic->startManipulation();
        g_geometry.reset(v.m_originalSelectedBounds);
    }

    void scaleKeys(const TDEvent &event, bool up)
    {
        TDGraphicView &v = view();
        const QString key = event.characters.toLower();
        if (key.isEmpty())
            return;
        const QString strokeKey = UserDefaults::standard().string(QStringLiteral("stroke scale key")).toLower();
        const QString shapeKey = UserDefaults::standard().string(QStringLiteral("shape scale key")).toLower();
        if (!strokeKey.isEmpty() && key == strokeKey)
            v.m_transformStroke = up;
        if (!shapeKey.isEmpty() && shapeKey.contains(key))
            v.m_transformShape = up;
    }

    void update(const TDEvent &event)
    {
        TDGraphicView &v = view();
        const Rect before = v.boundsFor(m_graphics, true);
        const AffineTransform t = v.transformationForMovingKnob(m_knob, m_start, event);
        m_lastTransform = t;
        const bool staticFill = event.modifierFlags & TDEvent::Command;
        for (const auto &graphic : m_graphics)
            graphic->transformWithTransformation(t, !staticFill, v.m_transformStroke, v.m_transformShape);
        statusText(t);
        if (TDInspectorInterface *inspector = TDApplicationServices::inspector()) {
            inspector->updateTransform(m_graphics);
            if (!m_graphics.empty())
                inspector->updateStrokeSize(m_graphics.front().get());
        }
        const float grow = 1 / usableZoom(v.zoom());
        const Rect after = v.boundsFor(m_graphics, true);
        v.setNeedsDisplayInRect(MyUnionRect(before.insetBy(-grow, -grow), after.insetBy(-grow, -grow)));
    }

    void statusText(const AffineTransform &t)
    {
        TDGraphicView &v = view();
        TDDocument *document = v.tdDocument();
        if (!document)
            return;
        using Arguments = std::vector<TDStatusText::Argument>;
        const QString degree = QStringLiteral("\u00b0");
        switch (TDKnobGeometry::operation(m_knob)) {
        case TDKnobGeometry::Operation::Scale:
            if (!m_graphics.empty() && m_graphics.back().get() == v.creatingGraphic()) {
                // A graphic being created starts as a one-point square:
                // the factors are its width and height.
                TDStatusText::show(document,
                                   QStringLiteral("Creating: %@ x %@  *S constrain  *A from center  *E cancel"),
                                   Arguments{TDStatusText::length(t.m11), TDStatusText::length(t.m22)});
            } else {
                const Size size = t.transformSize(v.m_originalSelectedBounds.size);
                TDStatusText::show(document,
                                   QStringLiteral("Scale: %@ x %@ (%0.2f%% x %0.2f%%)  *S constrain  *A from center  "
                                                  "*Z scale stroke  *M static fill  *E cancel"),
                                   Arguments{TDStatusText::length(size.width), TDStatusText::length(size.height),
                                             double(t.m11) * 100, double(t.m22) * 100});
            }
            break;
        case TDKnobGeometry::Operation::Rotate: {
            const double turn = std::acos(std::clamp(double(t.m11), -1.0, 1.0)) * 180 / std::numbers::pi;
            TDStatusText::show(document, QStringLiteral("Rotate: %0.2f%@  *S constrain  *M static fill  *E cancel"),
                               Arguments{t.m21 <= 0 ? turn : -turn, degree});
            break;
        }
        case TDKnobGeometry::Operation::SkewX:
            TDStatusText::show(
                document, QStringLiteral("Skew X: %0.2f%@  *S constrain  *Z scale stroke  *M static fill  *E cancel"),
                Arguments{std::atan(double(t.m21)) * 180 / std::numbers::pi, degree});
            break;
        case TDKnobGeometry::Operation::SkewY:
            TDStatusText::show(
                document, QStringLiteral("Skew Y: %0.2f%@  *S constrain  *Z scale stroke  *M static fill  *E cancel"),
                Arguments{std::atan(double(t.m12)) * 180 / std::numbers::pi, degree});
            break;
        case TDKnobGeometry::Operation::Move:
            if (m_knob == TDKnobGeometry::Body)
                TDStatusText::show(document,
                                   QStringLiteral("Translate: %@ x %@  *S constrain  *M static fill  *E cancel"),
                                   Arguments{TDStatusText::length(t.tX), TDStatusText::length(t.tY)});
            break;
        case TDKnobGeometry::Operation::None:
            break;
        }
    }

    int m_knob;
    TDGraphicArray m_graphics;
    TDGraphicViewInterface::TrackingCompletion m_completion;
    Point m_start;
    Point m_rawStart;
    bool m_waiting = false;
    bool m_endedBeforeMove = false;
    bool m_escaped = false;
    unsigned m_lastModifiers = 0;
    AffineTransform m_lastTransform;
};

void TDGraphicView::trackKnob(int knob, const TDGraphicArray &graphics, const TDEvent &event,
                              TrackingCompletion completion)
{
    beginTracking(std::make_unique<TDKnobTracker>(*this, knob, graphics, event, std::move(completion)));
}

void TDGraphicView::trackKnob(int knob, const TDEvent &event)
{
    QPointer<TDGraphicView> guard(this);
    trackKnob(knob, m_selectedGraphics, event, [guard](bool) {
        // Named also when cancelled: whatever the drag registered is one
        // step.
        // (Only a step of this event: without one, the name would land on
        // the step before.)
        if (guard && guard->m_document)
            if (TDUndoManager *undo = guard->m_document->undoManager(); undo && undo->groupingLevel() > 0)
                undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Transform")));
    });
}

bool TDGraphicView::pointerMoved() const
{
    return g_moved;
}

// --- Knob geometry ------------------------------------------------------------------------------------

AffineTransform TDGraphicView::transformationForMovingKnob(int knob, Point start, const TDEvent &event)
{
    if (isEventEscape(event))
        return AffineTransform();
    if (event.type == TDEvent::Type::MouseDragged || event.type == TDEvent::Type::MouseUp ||
        event.type == TDEvent::Type::MouseDown)
        g_lastPointer = convertPointFromWindow(offsetHalf(event.locationInWindow));
    return transformationForMovingKnob(knob, start, g_lastPointer, event.modifierFlags & TDEvent::Shift,
                                       event.modifierFlags & TDEvent::Alternate);
}

AffineTransform TDGraphicView::transformationForMovingKnob(int knob, Point start, Point current,
                                                           bool shiftConstrained, bool altConstrained)
{
    g_geometry.setBounds(m_originalSelectedBounds);
    return transformationForMovingKnob(knob, start, current, g_geometry.offsetForKnob(knob, start),
                                       shiftConstrained, altConstrained);
}

AffineTransform TDGraphicView::transformationForMovingKnob(int knob, Point start, Point current, Point offset,
                                                           bool shiftConstrained, bool altConstrained)
{
    g_geometry.setBounds(m_originalSelectedBounds);
    // The knob's own place snaps, not the pointer.
    const Point S(start.x - offset.x, start.y - offset.y);
    const Point P = snapToGrid(Point(current.x - offset.x, current.y - offset.y));
    return g_geometry.transformation(knob, S, P, shiftConstrained, altConstrained);
}

// --- Snapping and keys ----------------------------------------------------------------------------

Point TDGraphicView::snapToGrid(Point point) const
{
    if (m_document) {
        TDSnapping::Grid grid;
        grid.snap = m_document->snapToGrid();
        grid.spacing = m_document->gridSpacing();
        grid.subdivisions = m_document->numberOfSubGrids();
        grid.pixelAligned = m_document->gridPixelAligned();
        point = TDSnapping::snapToGrid(point, grid);
    }
    return snapToMarkers(point);
}

Point TDGraphicView::snapToMarkers(Point point) const
{
    if (!m_showGuides)
        return point;
    const std::vector<float> xGuides = hMarkers();
    const std::vector<float> yGuides = vMarkers();
    return TDSnapping::snapToGuides(point, xGuides, yGuides, zoom());
}

bool TDGraphicView::isEventEscape(const TDEvent &event) const
{
    if (event.type != TDEvent::Type::KeyDown && event.type != TDEvent::Type::KeyUp)
        return false;
    if (event.characters == QString(QChar(27)))
        return true;
    return event.characters == QLatin1String(".") && (event.modifierFlags & TDEvent::Command);
}

void TDGraphicView::resetFillTransform()
{
    TDUndoManager *undo = m_document ? m_document->undoManager() : nullptr;
    if (undo)
        undo->beginUndoGrouping();
    for (const auto &graphic : TDGraphicArray(m_selectedGraphics))
        graphic->resetFillTransform();
    if (undo) {
        undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Reset Fill Transform")));
        undo->endUndoGrouping();
    }
}

void TDGraphicView::resetStrokeTransform()
{
    TDUndoManager *undo = m_document ? m_document->undoManager() : nullptr;
    if (undo)
        undo->beginUndoGrouping();
    for (const auto &graphic : TDGraphicArray(m_selectedGraphics))
        graphic->resetStrokeTransform();
    if (undo) {
        undo->setActionName(
            StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Reset Stroke Transform")));
        undo->endUndoGrouping();
    }
}

bool TDGraphicView::isEventTab(const TDEvent &event) const
{
    return event.type == TDEvent::Type::KeyDown && event.characters == QLatin1String("\t");
}

} // namespace scrivane
