#include "canvas/TDKnobTracker.h"

#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"
#include "model/TDGraphic.h"
#include "model/TDStatusText.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

Point offsetHalf(Point p)
{
    return Point(p.x + 0.5f, p.y + 0.5f);
}

} // namespace

TDKnobTracker::TDKnobTracker(TDGraphicView &view, Knob knob, TDGraphicArray graphics, const TDEvent &event,
                             TDGraphicViewInterface::TrackingCompletion completion)
    : TDTracker(view), m_knob(knob), m_graphics(std::move(graphics)), m_completion(std::move(completion))
{
    m_start = view.convertPointFromWindow(offsetHalf(event.locationInWindow));
    m_rawStart = view.convertPointFromWindow(event.locationInWindow);
    m_geometry.setLastPointer(m_start);
    const bool creating = std::any_of(m_graphics.begin(), m_graphics.end(), [&view](const TDGraphicPtr &g) {
        return g.get() == view.creatingGraphic();
    });
    // A move of the selection waits for a real move of the pointer, so
    // that a click does not nudge anything.
    m_waiting = knob == Knob::Body && !creating;
    if (!m_waiting)
        begin();
}

bool TDKnobTracker::mouseDragged(const TDEvent &event)
{
    TDGraphicView &v = view();
    m_lastModifiers = event.modifierFlags;
    if (m_waiting) {
        const Point p = v.convertPointFromWindow(event.locationInWindow);
        const float dx = p.x - m_rawStart.x, dy = p.y - m_rawStart.y;
        const float z = v.zoom();
        if (dx * dx + dy * dy <= 9 / (z * z))
            return false;
        m_waiting = false;
        begin();
    }
    v.autoscroll(event);
    if (!m_moved) {
        // The handles hide from now on.
        v.invalidateSelection();
        m_moved = true;
    }
    update(event);
    return false;
}

bool TDKnobTracker::mouseUp(const TDEvent &event)
{
    m_lastModifiers = event.modifierFlags;
    if (m_waiting) {
        m_endedBeforeMove = true;
        return true;
    }
    if (m_moved)
        update(event);
    return true;
}

bool TDKnobTracker::keyDown(const TDEvent &event)
{
    scaleKeys(event, false);
    if (m_moved && !m_waiting)
        update(event);
    return false;
}

bool TDKnobTracker::keyUp(const TDEvent &event)
{
    scaleKeys(event, true);
    if (m_moved && !m_waiting)
        update(event);
    return false;
}

bool TDKnobTracker::flagsChanged(const TDEvent &event)
{
    m_lastModifiers = event.modifierFlags;
    if (m_moved && !m_waiting)
        update(event);
    return false;
}

void TDKnobTracker::cancel(const TDEvent &)
{
    m_escaped = true;
    if (m_moved && !m_waiting) {
        // The identity puts every graphic back.  Where they were dragged to
        // is painted again too, or their image would stay there.
        TDGraphicView &v = view();
        const Rect dragged = v.boundsFor(m_graphics, true);
        for (const auto &graphic : m_graphics)
            graphic->transformWithTransformation(AffineTransform(), true, v.transformStroke(),
                                                 v.transformShape());
        v.setNeedsDisplayInRect(v.insetRectForHalo(MyUnionRect(dragged, v.boundsFor(m_graphics, true))));
    }
}

void TDKnobTracker::finish()
{
    TDGraphicView &v = view();
    v.stopEchoingMoveToRulers();
    const bool command = m_lastModifiers & TDEvent::Command;
    if (m_waiting) {
        if (m_endedBeforeMove && command) {
            const TDGraphicPtr beneath = v.graphicUnderPoint(m_rawStart, true);
            v.clearSelection();
            if (beneath)
                v.selectGraphic(beneath);
        }
    } else {
        if (m_moved)
            v.invalidateSelection();
        if (m_knob == Knob::Body && m_moved)
            v.selectionMoved(m_lastTransform.tX, m_lastTransform.tY);
        if (command)
            v.setTrackingWithCommand(true);
        // A drag undone by Escape is back where it started: nothing to
        // record as a step of its own.
        if (!m_moved || m_escaped) {
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
        completion({completed, m_moved});
    }
}

void TDKnobTracker::begin()
{
    TDGraphicView &v = view();
    v.setOriginalSelectedBounds(v.boundsFor(m_graphics, false));
    for (const auto &graphic : m_graphics)
        graphic->startManipulation();
    if (v.rulersVisible())
        v.beginEchoingMoveToRulers(v.originalSelectedBounds());
    m_geometry.reset(v.originalSelectedBounds());
    m_geometry.setLastPointer(m_start);
}

void TDKnobTracker::scaleKeys(const TDEvent &event, bool up)
{
    TDGraphicView &v = view();
    const QString key = event.characters.toLower();
    if (key.isEmpty())
        return;
    const QString strokeKey = UserDefaults::standard().string(QStringLiteral("stroke scale key")).toLower();
    const QString shapeKey = UserDefaults::standard().string(QStringLiteral("shape scale key")).toLower();
    if (!strokeKey.isEmpty() && key == strokeKey)
        v.setTransformStroke(up);
    if (!shapeKey.isEmpty() && shapeKey.contains(key))
        v.setTransformShape(up);
}

void TDKnobTracker::update(const TDEvent &event)
{
    TDGraphicView &v = view();
    const Rect before = v.boundsFor(m_graphics, true);
    const AffineTransform t = v.transformationForMovingKnob(m_geometry, m_knob, m_start, event);
    m_lastTransform = t;
    const bool staticFill = event.modifierFlags & TDEvent::Command;
    for (const auto &graphic : m_graphics)
        graphic->transformWithTransformation(t, !staticFill, v.transformStroke(), v.transformShape());
    statusText(t);
    if (TDInspectorInterface *inspector = TDApplicationServices::inspector()) {
        inspector->updateTransform(m_graphics);
        if (!m_graphics.empty())
            inspector->updateStrokeSize(m_graphics.front().get());
    }
    const float grow = 1 / v.zoom();
    const Rect after = v.boundsFor(m_graphics, true);
    v.setNeedsDisplayInRect(MyUnionRect(before.insetBy(-grow, -grow), after.insetBy(-grow, -grow)));
    if (v.rulersVisible())
        v.continueEchoingMoveToRulers(v.boundsFor(m_graphics, false));
}

void TDKnobTracker::statusText(const AffineTransform &t)
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
            // A graphic being created starts as a one-point square: the
            // factors are its width and height.
            TDStatusText::show(document,
                               QStringLiteral("Creating: %@ x %@  *S constrain  *A from center  *E cancel"),
                               Arguments{TDStatusText::length(t.m11), TDStatusText::length(t.m22)});
        } else {
            const Size size = t.transformSize(v.originalSelectedBounds().size);
            TDStatusText::show(
                document,
                QStringLiteral("Scale: %@ x %@ (%0.2f%% x %0.2f%%)  *S constrain  *A from center  "
                               "*Z scale stroke  *M static fill  *E cancel"),
                Arguments{TDStatusText::length(size.width), TDStatusText::length(size.height),
                          double(t.m11) * 100, double(t.m22) * 100});
        }
        break;
    case TDKnobGeometry::Operation::Rotate: {
        const double turn = std::acos(std::clamp(double(t.m11), -1.0, 1.0)) * 180 / std::numbers::pi;
        TDStatusText::show(document,
                           QStringLiteral("Rotate: %0.2f%@  *S constrain  *M static fill  *E cancel"),
                           Arguments{t.m21 <= 0 ? turn : -turn, degree});
        break;
    }
    case TDKnobGeometry::Operation::SkewX:
        TDStatusText::show(
            document,
            QStringLiteral("Skew X: %0.2f%@  *S constrain  *Z scale stroke  *M static fill  *E cancel"),
            Arguments{std::atan(double(t.m21)) * 180 / std::numbers::pi, degree});
        break;
    case TDKnobGeometry::Operation::SkewY:
        TDStatusText::show(
            document,
            QStringLiteral("Skew Y: %0.2f%@  *S constrain  *Z scale stroke  *M static fill  *E cancel"),
            Arguments{std::atan(double(t.m12)) * 180 / std::numbers::pi, degree});
        break;
    case TDKnobGeometry::Operation::Move:
        if (m_knob == Knob::Body)
            TDStatusText::show(document,
                               QStringLiteral("Translate: %@ x %@  *S constrain  *M static fill  *E cancel"),
                               Arguments{TDStatusText::length(t.tX), TDStatusText::length(t.tY)});
        break;
    case TDKnobGeometry::Operation::None:
        break;
    }
}

} // namespace scrivane
