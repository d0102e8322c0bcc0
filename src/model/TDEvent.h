#pragma once

#include "platform/Geometry.h"

#include <QString>

namespace scrivane {

// An input event as the model sees it: what the canvas hands to a graphic
// that starts an interaction (creation by dragging, editing in place).
// Coordinates are in the window's base space; the canvas converts them
// (TDGraphicViewInterface::convertPointFromWindow).
struct TDEvent {
    // MouseMoved: the pointer moved without a button (only while a gesture
    // that spans several presses runs).
    enum class Type { MouseDown, MouseDragged, MouseUp, MouseMoved, KeyDown, KeyUp, FlagsChanged };
    // Modifier flags: Command is Ctrl, Option is Alt, Control is Meta.
    enum Modifier : unsigned { Shift = 1u << 0, Control = 1u << 1, Alternate = 1u << 2, Command = 1u << 3 };

    Type type = Type::MouseDown;
    Point locationInWindow;
    unsigned modifierFlags = 0;
    int clickCount = 1;
    // Key events: the characters typed, ignoring modifiers.
    QString characters;
    // Key events: the key itself (Qt's key code), which tells keys apart
    // whose characters are alike or missing (Delete and Backspace, dead
    // keys); 0 when unknown.  A held key's repeats are marked.
    int key = 0;
    bool autoRepeat = false;
    // Mouse events from a tablet pen carry its pressure (0 to 1).
    bool tablet = false;
    float pressure = 1;
};

} // namespace scrivane
