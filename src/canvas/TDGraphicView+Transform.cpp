#include "canvas/TDGraphicView.h"

#include "canvas/TDTracker.h"
#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"
#include "model/TDGraphic.h"
#include "platform/StringTable.h"
#include "platform/UserDefaults.h"

#include <QPointer>

#include <cmath>

namespace scrivane {

namespace {

constexpr float pi = 3.14159265358979323846f;

// Shared by every canvas: only one knob drag runs at a time.
int g_axisLock = -1;
bool g_moved = false;
Point g_lastPointer;

Point offsetHalf(Point p)
{
    return Point(p.x + 0.5f, p.y + 0.5f);
}

float usableZoom(float z)
{
    return std::isfinite(z) && z > 0 ? z : 1.0f;
}

// The angle of a vector from the positive x axis, in radians.
float angleOf(float x, float y)
{
    const float length = std::hypot(x, y);
    if (!(length > 0))
        return 0;
    const float a = std::acos(std::clamp(x / length, -1.0f, 1.0f));
    return y < 0 ? -a : a;
}

// Rounds an angle to a multiple of 15 degrees.
float constrainAngle(float radians)
{
    float degrees = radians * 180 / pi;
    degrees += degrees > 0 ? 7.5f : -7.5f;
    return std::trunc(degrees / 15) * 15 * pi / 180;
}

float nonZero(float factor)
{
    return factor == 0 || !std::isfinite(factor) ? 0.0001f : factor;
}

QString formatted(const char *key, const QStringList &arguments)
{
    QString text = StringTable::lookup(QStringLiteral("StatusbarStrings"), QLatin1String(key));
    for (const QString &argument : arguments) {
        const int at = text.indexOf(QLatin1String("%@"));
        if (at < 0)
            break;
        text.replace(at, 2, argument);
    }
    return text;
}

// A length for the status line, in the user's unit when the application
// has said which (numbers never follow the locale).
QString lengthText(double points)
{
    const TDUnitsTransformerInterface *units = TDApplicationServices::unitsTransformer();
    const double value = units ? units->transformedValue(points) : points;
    return QString::number(value, 'f', 2);
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
            // The identity puts every graphic back.
            for (const auto &graphic : m_graphics)
                graphic->transformWithTransformation(AffineTransform(), true, view().m_transformStroke,
                                                     view().m_transformShape);
            view().setNeedsDisplayInRect(view().insetRectForHalo(view().boundsFor(m_graphics, true)));
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
            if (!g_moved) {
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
        g_axisLock = -1;
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
        if (m_knob >= 1 && m_knob <= 8) {
            if (!m_graphics.empty() && m_graphics.back().get() == v.creatingGraphic()) {
                document->setStatusText(formatted("Creating: %@ x %@  *S constrain  *A from center  *E cancel",
                                                  {lengthText(t.m11), lengthText(t.m22)}));
            } else {
                const Size size = t.transformSize(v.m_originalSelectedBounds.size);
                QString text = formatted("Scale: %@ x %@ (%0.2f%% x %0.2f%%)  *S constrain  *A from center  "
                                         "*Z scale stroke  *M static fill  *E cancel",
                                         {lengthText(std::abs(size.width)), lengthText(std::abs(size.height))});
                text.replace(text.indexOf(QLatin1String("%0.2f%%")), 7, QString::number(t.m11 * 100.0, 'f', 2) + u'%');
                text.replace(text.indexOf(QLatin1String("%0.2f%%")), 7, QString::number(t.m22 * 100.0, 'f', 2) + u'%');
                document->setStatusText(text);
            }
        } else if (m_knob == 9 || m_knob == 13) {
            document->setStatusText(formatted("Translate: %@ x %@  *S constrain  *M static fill  *E cancel",
                                              {lengthText(t.tX), lengthText(t.tY)}));
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
    const Rect &b = m_originalSelectedBounds;
    Point offset;
    if (knob == 9 || knob == 13) {
        offset = Point(start.x - b.minX(), start.y - b.minY());
        if (knob == 13) {
            knob = 9;
            shiftConstrained = false;
        }
    } else {
        if (knob >= 1 && knob <= 3)
            offset.y = start.y - b.minY();
        else if (knob >= 6 && knob <= 8)
            offset.y = start.y - b.maxY();
        if (knob == 1 || knob == 4 || knob == 6)
            offset.x = start.x - b.minX();
        else if (knob == 3 || knob == 5 || knob == 8)
            offset.x = start.x - b.maxX();
    }
    return transformationForMovingKnob(knob, start, current, offset, shiftConstrained, altConstrained);
}

AffineTransform TDGraphicView::transformationForMovingKnob(int knob, Point start, Point current, Point offset,
                                                           bool shiftConstrained, bool altConstrained)
{
    const Rect &b = m_originalSelectedBounds;
    const float x = b.minX(), y = b.minY(), w = b.width(), h = b.height();
    const Point C(x + w / 2, y + h / 2);
    const Point S(start.x - offset.x, start.y - offset.y);
    const Point P = snapToGrid(Point(current.x - offset.x, current.y - offset.y));
    AffineTransform t;

    if (knob == 13) {
        knob = 9;
        shiftConstrained = false;
    }
    if (knob == 9) {
        float dx = P.x - S.x, dy = P.y - S.y;
        if (shiftConstrained) {
            if (g_axisLock == -1)
                g_axisLock = std::abs(dy) > std::abs(dx) ? 1 : 0;
            else if (g_axisLock == 1 && std::abs(dx) > std::abs(dy) && std::abs(dx) > 20)
                g_axisLock = 0;
            else if (g_axisLock == 0 && std::abs(dy) > std::abs(dx) && std::abs(dy) > 20)
                g_axisLock = 1;
            if (g_axisLock == 1)
                dx = 0;
            else
                dy = 0;
        }
        t.translate(dx, dy);
        return t;
    }
    if (knob == 10) {
        float angle = angleOf(P.x - C.x, P.y - C.y) - angleOf(S.x - C.x, S.y - C.y);
        if (shiftConstrained)
            angle = constrainAngle(angle);
        t.translate(C.x, C.y);
        t.rotateByRadians(angle);
        t.translate(-C.x, -C.y);
        return t;
    }
    if (knob == 11 || knob == 12) {
        float angle = knob == 11 ? std::atan((P.x - S.x) / (S.y - C.y)) : std::atan((P.y - S.y) / (S.x - C.x));
        if (!std::isfinite(angle))
            angle = 0;
        if (shiftConstrained)
            angle = constrainAngle(angle);
        t.translate(C.x, C.y);
        if (knob == 11)
            t.shearXBy(std::tan(angle));
        else
            t.shearYBy(std::tan(angle));
        t.translate(-C.x, -C.y);
        return t;
    }
    if (knob < 1 || knob > 8)
        return t;

    static const float anchors[9][4] = {
        // anchor x, y and reference x, y as fractions of the bounds
        {0, 0, 0, 0}, {1, 1, 0, 0}, {0.5f, 1, 0.5f, 0}, {0, 1, 1, 0}, {1, 0.5f, 0, 0.5f},
        {0, 0.5f, 1, 0.5f}, {1, 0, 0, 1}, {0.5f, 0, 0.5f, 1}, {0, 0, 1, 1},
    };
    Point anchor(x + anchors[knob][0] * w, y + anchors[knob][1] * h);
    const Point reference(x + anchors[knob][2] * w, y + anchors[knob][3] * h);
    if (altConstrained)
        anchor = C;
    float sx = nonZero((P.x - anchor.x) / (reference.x - anchor.x));
    float sy = nonZero((P.y - anchor.y) / (reference.y - anchor.y));
    const auto halfSteps = [](float f) {
        const float r = std::trunc(2 * f + (f > 0 ? 0.5f : -0.5f)) / 2;
        return nonZero(r);
    };
    switch (knob) {
    case 1:
    case 3:
    case 6:
    case 8:
        if (shiftConstrained)
            sx = sy = std::max(sx, sy);
        break;
    case 2:
    case 7:
        sx = 1;
        if (shiftConstrained)
            sy = halfSteps(sy);
        break;
    default: // 4 and 5
        sy = 1;
        if (shiftConstrained)
            sx = halfSteps(sx);
        break;
    }
    t.translate(anchor.x, anchor.y);
    t.scale(sx, sy);
    t.translate(-anchor.x, -anchor.y);
    return t;
}

// --- Snapping and keys ----------------------------------------------------------------------------

Point TDGraphicView::snapToGrid(Point point) const
{
    if (m_document && m_document->snapToGrid()) {
        const float step = std::max(1.0f, m_document->gridSpacing()) / float(std::max(1, m_document->numberOfSubGrids()));
        const auto snap = [this, step](float v) {
            float r = std::floor(v / step + 0.5f) * step;
            if (m_document->gridPixelAligned())
                r = std::trunc(r) + 0.5f;
            return r;
        };
        point = Point(snap(point.x), snap(point.y));
    }
    return snapToMarkers(point);
}

Point TDGraphicView::snapToMarkers(Point point) const
{
    if (!m_showGuides)
        return point;
    const float reach = 5 / usableZoom(zoom());
    for (float marker : hMarkers()) {
        const float location = std::trunc(marker);
        if (std::abs(location - point.x) < reach) {
            point.x = location;
            break;
        }
    }
    for (float marker : vMarkers()) {
        const float location = std::trunc(marker);
        if (std::abs(location - point.y) < reach) {
            point.y = location;
            break;
        }
    }
    return point;
}

bool TDGraphicView::isEventEscape(const TDEvent &event) const
{
    if (event.type != TDEvent::Type::KeyDown && event.type != TDEvent::Type::KeyUp)
        return false;
    if (event.characters == QString(QChar(27)))
        return true;
    return event.characters == QLatin1String(".") && (event.modifierFlags & TDEvent::Command);
}

bool TDGraphicView::isEventTab(const TDEvent &event) const
{
    return event.type == TDEvent::Type::KeyDown && event.characters == QLatin1String("\t");
}

} // namespace scrivane
