#include "canvas/TDGraphicView.h"

#include "canvas/TDTextView.h"
#include "canvas/TDTracker.h"
#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

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
    TDEvent result;
    result.type = type;
    const QWidget *top = window();
    const QPointF inWindow = top == this ? event->position() : mapTo(top, event->position());
    result.locationInWindow = Point(float(inWindow.x()), float(inWindow.y()));
    result.modifierFlags = modifierFlags(event->modifiers());
    return result;
}

TDEvent TDGraphicView::eventFromKey(QKeyEvent *event, TDEvent::Type type) const
{
    TDEvent result;
    result.type = type;
    result.locationInWindow = m_lastMouseLocation;
    result.modifierFlags = modifierFlags(event->modifiers());
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
        escape.locationInWindow = m_lastMouseLocation;
        endTracker(true, escape);
    }
    m_tracker = std::move(tracker);
}

void TDGraphicView::endTracker(bool cancelled, const TDEvent &event)
{
    std::unique_ptr<TDTracker> tracker = std::move(m_tracker);
    if (!tracker)
        return;
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
    m_tracker->mouseUp(up);
    // However the tracker answers, the gesture ends with the button.
    endTracker(false, up);
}

void TDGraphicView::mousePressEvent(QMouseEvent *event)
{
    pressWithMouse(event, 1);
}

void TDGraphicView::mouseDoubleClickEvent(QMouseEvent *event)
{
    pressWithMouse(event, 2);
}

void TDGraphicView::pressWithMouse(QMouseEvent *event, int clickCount)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    TDEvent down = eventFromMouse(event, TDEvent::Type::MouseDown);
    m_lastMouseLocation = down.locationInWindow;
    m_lastModifiers = down.modifierFlags;
    // A press while a gesture runs (its release was lost): that gesture ends
    // first, as at a release.
    endTrackerAsReleased();
    // The second press of a double click already has the focus from the first.
    if (clickCount == 1)
        setFocus(Qt::MouseFocusReason);
    down.clickCount = clickCount;
    mouseDown(down);
    eventHandled();
}

void TDGraphicView::mouseMoveEvent(QMouseEvent *event)
{
    TDEvent moved = eventFromMouse(event, TDEvent::Type::MouseDragged);
    m_lastMouseLocation = moved.locationInWindow;
    m_lastModifiers = moved.modifierFlags;
    if (m_tracker && (event->buttons() & Qt::LeftButton)) {
        if (m_tracker->mouseDragged(moved))
            endTracker(false, moved);
        eventHandled();
    }
}

void TDGraphicView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const TDEvent up = eventFromMouse(event, TDEvent::Type::MouseUp);
    m_lastMouseLocation = up.locationInWindow;
    m_lastModifiers = up.modifierFlags;
    if (m_tracker) {
        endTrackerAsReleased();
        eventHandled();
    }
}

void TDGraphicView::keyPressEvent(QKeyEvent *event)
{
    if (m_textEditor && !m_tracker && m_textEditor->keyPress(event)) {
        setNeedsDisplayInRect(m_textEditor->area());
        if (m_textEditor->wantsToEnd())
            stopTextEditing();
        else if (m_textEditor)
            setNeedsDisplayInRect(m_textEditor->area());
        eventHandled();
        return;
    }
    if (!m_tracker) {
        // The keyboard's tools, nudges and stacking commands come with their
        // own issue.
        QWidget::keyPressEvent(event);
        return;
    }
    const bool modifier = isModifierKey(event->key());
    TDEvent key = eventFromKey(event, modifier ? TDEvent::Type::FlagsChanged : TDEvent::Type::KeyDown);
    m_lastModifiers = key.modifierFlags;
    if (!modifier && isEventEscape(key)) {
        endTracker(true, key);
    } else {
        const bool done = modifier ? m_tracker->flagsChanged(key) : m_tracker->keyDown(key);
        if (done)
            endTracker(false, key);
    }
    eventHandled();
}

void TDGraphicView::keyReleaseEvent(QKeyEvent *event)
{
    if (!m_tracker) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    const bool modifier = isModifierKey(event->key());
    TDEvent key = eventFromKey(event, modifier ? TDEvent::Type::FlagsChanged : TDEvent::Type::KeyUp);
    m_lastModifiers = key.modifierFlags;
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
    if (event->type() == QEvent::WindowDeactivate && m_tracker) {
        endTrackerAsReleased();
        eventHandled();
    }
    return QWidget::event(event);
}

} // namespace scrivane
