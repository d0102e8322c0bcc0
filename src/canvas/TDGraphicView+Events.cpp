#include "canvas/TDGraphicView.h"

#include "canvas/TDTextView.h"
#include "canvas/TDTracker.h"
#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabletEvent>

#include <algorithm>
#include <utility>

namespace scrivane {

namespace {

unsigned modifierFlags(Qt::KeyboardModifiers modifiers)
{
    unsigned flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= TDEvent::Shift;
    // Command is Ctrl, Option is Alt, Control is Meta.
    if (modifiers & Qt::ControlModifier)
        flags |= TDEvent::Command;
    if (modifiers & Qt::AltModifier)
        flags |= TDEvent::Alternate;
    if (modifiers & Qt::MetaModifier)
        flags |= TDEvent::Control;
    return flags;
}

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr || key == Qt::Key_Super_L || key == Qt::Key_Super_R;
}

} // namespace

TDEvent TDGraphicView::eventFromMouse(QMouseEvent *event, TDEvent::Type type) const
{
    return eventAt(event->position(), event->modifiers(), type);
}

TDEvent TDGraphicView::eventAt(QPointF position, Qt::KeyboardModifiers modifiers, TDEvent::Type type) const
{
    TDEvent result;
    result.type = type;
    const QWidget *top = window();
    const QPointF inWindow = top == this ? position : mapTo(top, position);
    result.locationInWindow = Point(float(inWindow.x()), float(inWindow.y()));
    result.modifierFlags = modifierFlags(modifiers);
    return result;
}

TDEvent TDGraphicView::eventFromKey(QKeyEvent *event, TDEvent::Type type) const
{
    TDEvent result;
    result.type = type;
    result.locationInWindow = m_lastMouseLocation;
    result.modifierFlags = modifierFlags(event->modifiers());
    result.key = event->key();
    result.autoRepeat = event->isAutoRepeat();
    switch (event->key()) {
    case Qt::Key_Escape:
        result.characters = QString(QChar(27));
        break;
    case Qt::Key_Tab:
        result.characters = QStringLiteral("\t");
        break;
    default:
        // The characters ignoring modifiers: Ctrl+. types no text of its own.
        result.characters = event->key() >= 0x20 && event->key() < 0x7f
                                ? QString(QChar(event->key())).toLower()
                                : event->text();
        break;
    }
    return result;
}

void TDGraphicView::eventHandled()
{
    // Everything one input event changed is one undo step.
    if (m_document)
        if (TDUndoManager *undo = m_document->undoManager())
            undo->eventHandled();
    Q_EMIT validationNeeded();
}

void TDGraphicView::beginTracking(std::unique_ptr<TDTracker> tracker)
{
    if (m_tracker) {
        TDEvent escape;
        escape.type = TDEvent::Type::KeyDown;
        escape.characters = QString(QChar(27));
        escape.key = Qt::Key_Escape;
        escape.locationInWindow = m_lastMouseLocation;
        endTracker(true, escape);
    }
    m_tracker = std::move(tracker);
    // A gesture over several presses follows the pointer between them.
    if (m_tracker && m_tracker->spansPresses())
        setMouseTracking(true);
}

void TDGraphicView::endTracker(bool cancelled, const TDEvent &event)
{
    std::unique_ptr<TDTracker> tracker = std::move(m_tracker);
    if (!tracker)
        return;
    // The rulers echo the pointer while they show.
    if (tracker->spansPresses())
        setMouseTracking(rulersVisible());
    if (cancelled)
        tracker->cancel(event);
    tracker->finish();
    tracker.reset();
    if (m_afterTracking) {
        const std::function<void()> after = std::move(m_afterTracking);
        m_afterTracking = nullptr;
        after();
    }
}

void TDGraphicView::endTrackerAsReleased()
{
    if (!m_tracker)
        return;
    TDEvent up;
    up.type = TDEvent::Type::MouseUp;
    up.locationInWindow = m_lastMouseLocation;
    up.modifierFlags = m_lastModifiers;
    m_tracker->interrupt(up);
    // However the tracker answers, the gesture ends with the button.
    endTracker(false, up);
}

namespace {

// Whether the application was active before the press now handled: the
// press that brings it to the front does not reach the tool, while a press
// into another of its windows does.
bool g_applicationWasActive = true;

} // namespace

bool TDGraphicView::applicationWasActive()
{
    return g_applicationWasActive;
}

void TDGraphicView::setApplicationWasActive(bool active)
{
    g_applicationWasActive = active;
}

bool TDGraphicView::acceptsFirstMouse()
{
    // Whatever the press was, the application is in front now.
    return std::exchange(g_applicationWasActive, true);
}

void TDGraphicView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (!acceptsFirstMouse()) {
        setFocus(Qt::MouseFocusReason);
        return;
    }
    pressAt(eventFromMouse(event, TDEvent::Type::MouseDown), 1);
}

void TDGraphicView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    pressAt(eventFromMouse(event, TDEvent::Type::MouseDown), 2);
}

void TDGraphicView::pressAt(TDEvent down, int clickCount)
{
    m_lastMouseLocation = down.locationInWindow;
    m_lastModifiers = down.modifierFlags;
    down.clickCount = clickCount;
    // The second press of a double click already has the focus from the first.
    if (clickCount == 1)
        setFocus(Qt::MouseFocusReason);
    if (m_tracker && m_tracker->spansPresses()) {
        if (m_tracker->mouseDown(down)) {
            const bool passOn = m_tracker->passesEndingEventOn();
            endTracker(false, down);
            if (passOn)
                mouseDown(down);
        }
        eventHandled();
        return;
    }
    // A press while a gesture runs (its release was lost): that gesture ends
    // first, as at a release.
    endTrackerAsReleased();
    mouseDown(down);
    eventHandled();
}

void TDGraphicView::mouseMoveEvent(QMouseEvent *event)
{
    moveTo(eventFromMouse(event, TDEvent::Type::MouseDragged), event->buttons() & Qt::LeftButton);
}

void TDGraphicView::moveTo(TDEvent moved, bool buttonDown)
{
    m_lastMouseLocation = moved.locationInWindow;
    if (rulersVisible())
        continueEchoingMouseRulers(convertPointFromWindow(moved.locationInWindow));
    m_lastModifiers = moved.modifierFlags;
    if (!m_tracker)
        return;
    bool done = false;
    if (buttonDown) {
        done = m_tracker->mouseDragged(moved);
    } else if (m_tracker->spansPresses()) {
        moved.type = TDEvent::Type::MouseMoved;
        done = m_tracker->mouseMoved(moved);
    } else {
        return;
    }
    if (done)
        endTracker(false, moved);
    eventHandled();
}

void TDGraphicView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    releaseAt(eventFromMouse(event, TDEvent::Type::MouseUp));
}

void TDGraphicView::releaseAt(const TDEvent &up)
{
    m_lastMouseLocation = up.locationInWindow;
    m_lastModifiers = up.modifierFlags;
    if (!m_tracker)
        return;
    if (m_tracker->spansPresses()) {
        if (m_tracker->mouseUp(up))
            endTracker(false, up);
    } else {
        m_tracker->mouseUp(up);
        // However the tracker answers, the gesture ends with the button.
        endTracker(false, up);
    }
    eventHandled();
}

void TDGraphicView::tabletEvent(QTabletEvent *event)
{
    // The pen's own events carry its pressure; taken here, Qt makes no
    // mouse events of them.
    const auto penEvent = [this, event](TDEvent::Type type) {
        TDEvent e = eventAt(event->position(), event->modifiers(), type);
        e.tablet = true;
        e.pressure = float(std::clamp(event->pressure(), 0.0, 1.0));
        return e;
    };
    switch (event->type()) {
    case QEvent::TabletPress:
        if (event->button() != Qt::LeftButton) {
            event->ignore();
            return;
        }
        pressAt(penEvent(TDEvent::Type::MouseDown), 1);
        break;
    case QEvent::TabletMove:
        moveTo(penEvent(TDEvent::Type::MouseDragged), event->buttons() & Qt::LeftButton);
        break;
    case QEvent::TabletRelease:
        if (event->button() != Qt::LeftButton) {
            event->ignore();
            return;
        }
        releaseAt(penEvent(TDEvent::Type::MouseUp));
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

void TDGraphicView::keyPressEvent(QKeyEvent *event)
{
    // Brought to the front by the keyboard: the next press is an ordinary one.
    g_applicationWasActive = true;
    if (m_textEditor && !m_tracker && m_textEditor->keyPress(event)) {
        setNeedsDisplayInRect(m_textEditor->area());
        if (m_textEditor->wantsToEnd())
            stopTextEditing();
        else if (m_textEditor)
            setNeedsDisplayInRect(m_textEditor->area());
        eventHandled();
        return;
    }
    const bool modifier = isModifierKey(event->key());
    TDEvent key = eventFromKey(event, modifier ? TDEvent::Type::FlagsChanged : TDEvent::Type::KeyDown);
    m_lastModifiers = key.modifierFlags;
    if (!m_tracker) {
        if (modifier) {
            flagsChanged(key);
            QWidget::keyPressEvent(event);
        } else if (!keyDown(key)) {
            QWidget::keyPressEvent(event);
            return;
        }
        eventHandled();
        return;
    }
    if (!modifier && isEventEscape(key)) {
        const bool passOn = m_tracker->passesEndingEventOn();
        endTracker(true, key);
        if (passOn)
            keyDown(key);
    } else {
        const bool done = modifier ? m_tracker->flagsChanged(key) : m_tracker->keyDown(key);
        if (done) {
            const bool passOn = m_tracker->passesEndingEventOn();
            endTracker(false, key);
            if (passOn && !modifier)
                keyDown(key);
        }
    }
    eventHandled();
}

void TDGraphicView::keyReleaseEvent(QKeyEvent *event)
{
    const bool modifier = isModifierKey(event->key());
    TDEvent key = eventFromKey(event, modifier ? TDEvent::Type::FlagsChanged : TDEvent::Type::KeyUp);
    m_lastModifiers = key.modifierFlags;
    if (!m_tracker) {
        // What hangs on a key's release waits for the real one.
        if (event->isAutoRepeat())
            return;
        if (modifier)
            flagsChanged(key);
        else if (!keyUp(key))
            QWidget::keyReleaseEvent(event);
        return;
    }
    const bool done = modifier ? m_tracker->flagsChanged(key) : m_tracker->keyUp(key);
    if (done)
        endTracker(false, key);
    eventHandled();
}

void TDGraphicView::focusInEvent(QFocusEvent *event)
{
    // Keys go to the canvas now, not to a text being typed.
    if (TDAppDelegateInterface *delegate = TDApplicationServices::appDelegate())
        delegate->setEditingText(false);
    QWidget::focusInEvent(event);
}

void TDGraphicView::focusOutEvent(QFocusEvent *event)
{
    // A release that will never come ends the gesture like a release.
    if (m_tracker && event->reason() != Qt::PopupFocusReason) {
        endTrackerAsReleased();
        eventHandled();
    }
    QWidget::focusOutEvent(event);
}

bool TDGraphicView::event(QEvent *event)
{
    // While a text is edited, the keys of editing go to it before the
    // window's shortcuts (Ctrl+Z undoes typing there).
    if (event->type() == QEvent::ShortcutOverride && m_textEditor &&
        TDTextView::takesShortcut(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys that mean something to a gesture under way, or to the canvas
        // itself, are not the menus' shortcuts here.
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers chord = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
        const int k = key->key();
        const bool canvasKey = k == Qt::Key_Backspace || k == Qt::Key_Delete || k == Qt::Key_Return ||
                               k == Qt::Key_Enter || k == Qt::Key_Escape || k == Qt::Key_Space;
        if ((m_tracker && canvasKey) || (!chord && k == Qt::Key_Space)) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::WindowDeactivate && m_tracker) {
        endTrackerAsReleased();
        eventHandled();
    }
    return QWidget::event(event);
}

} // namespace scrivane
