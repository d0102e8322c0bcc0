#pragma once

#include "platform/Geometry.h"

#include <QString>

namespace scrivane {

// An input event as the model sees it: what the canvas hands to a graphic
// that starts an interaction (creation by dragging, editing in place).
// Coordinates are in the window's base space; the canvas converts them
// (TDGraphicViewInterface::convertPointFromWindow).
struct TDEvent {
    enum class Type { MouseDown, MouseDragged, MouseUp, KeyDown, KeyUp, FlagsChanged };
    // Modifier flags: Command is Ctrl, Option is Alt, Control is Meta.
    enum Modifier : unsigned { Shift = 1u << 0, Control = 1u << 1, Alternate = 1u << 2, Command = 1u << 3 };

    Type type = Type::MouseDown;
    Point locationInWindow;
    unsigned modifierFlags = 0;
    int clickCount = 1;
    // Key events: the characters typed, ignoring modifiers.
    QString characters;
};

} // namespace scrivane
