#pragma once

// What the command tests share: graphics of every kind, a snapshot of the
// document's tree to compare after an undo, and the step the last command
// left on the undo stack.

#include "CanvasTestSupport.h"

#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDGroup.h"
#include "model/TDOval.h"
#include "platform/PropertyList.h"

#include <string>
#include <vector>

namespace scrivane::canvastest {

// Every graphic of the document in tree order with its stored dictionary.
struct TreeSnapshot {
    std::vector<const TDGraphic *> graphics;
    std::vector<PropertyList> stored;
    friend bool operator==(const TreeSnapshot &, const TreeSnapshot &) = default;
};

TreeSnapshot snapshotOf(const TDDocument &document);
// Where two snapshots first differ (empty when they do not), for failures.
std::string differenceOf(const TreeSnapshot &a, const TreeSnapshot &b);

// A path graphic of the points, closed or not.
std::shared_ptr<TDBezierGraphic> pathGraphic(std::initializer_list<Point> points, bool closed);
// A circle as a path graphic.
std::shared_ptr<TDBezierGraphic> circleGraphic(Point centre, float radius);
std::shared_ptr<TDOval> ovalGraphic(const Rect &rect);

class CommandTest : public CanvasTest {
protected:
    // Adds the graphics quietly, selects them (alone) in order and forgets
    // the steps.
    void prepare(const TDGraphicArray &graphics);
    // Ends the event's step (as the application does after each event).
    void endEvent() { document->undoManager()->eventHandled(); }
    QString undoName() const { return document->undoManager()->undoActionName(); }
    bool canUndo() const { return document->undoManager()->canUndo(); }
    void undo() { document->undoManager()->undo(); }
    void redo() { document->undoManager()->redo(); }
};

} // namespace scrivane::canvastest
