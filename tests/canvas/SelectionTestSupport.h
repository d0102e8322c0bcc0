#pragma once

// Shared pieces of the selection and transform tests: filled rectangles
// placed in a document, and documents of several layers.

#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"

#include <memory>
#include <ostream>
#include <vector>

namespace scrivane {
// Test output names graphics instead of dumping their bytes.
inline void PrintTo(const TDGraphicPtr &graphic, std::ostream *os)
{
    *os << (graphic ? graphic->name().toStdString() : std::string("null"));
}
} // namespace scrivane

namespace scrivane::selectiontest {

// A rectangle filled with a colour, lying over `rect`, outside any document.
inline std::shared_ptr<TDRectangle> filledRect(const Rect &rect)
{
    auto r = std::make_shared<TDRectangle>();
    r->fillStyle()->setStyle(TDFillColor);
    r->setTransformation(TDGraphic::transformForBounds(rect));
    return r;
}

// A document whose layers are named "Layer 1", "Layer 2", ... bottom first;
// the first is current.
inline void giveLayers(TDDocument &document, int count)
{
    std::vector<std::shared_ptr<TDLayer>> layers;
    for (int i = 1; i <= count; ++i)
        layers.push_back(TDLayer::layerWithName(QStringLiteral("Layer %1").arg(i), &document));
    document.setLayers(layers);
}

// Adds a filled rectangle on top of the layer.
inline std::shared_ptr<TDRectangle> addRect(TDGroup &layer, const Rect &rect)
{
    auto r = filledRect(rect);
    layer.addGraphic(r);
    return r;
}

} // namespace scrivane::selectiontest

#include "canvas/TDGraphicView.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace scrivane::selectiontest {

// A canvas on a document with the select tool, fed with synthetic events
// at document points, as a person's mouse would.  Each event goes through
// the widget's own handlers, so undo groups close per event as they do in
// the program.
struct CanvasHarness {
    CanvasHarness()
    {
        document.undoManager()->setGroupsByEvent(true);
        view.setDocument(&document);
        document.setDrawMode(Tool::Select);
    }
    ~CanvasHarness() { view.setDocument(nullptr); }

    TDGroup &layer() { return *document.currentLayer(); }

    // Ends the step under way, then forgets every step: a clean document
    // with nothing to undo.
    void settle()
    {
        TDUndoManager *undo = document.undoManager();
        undo->eventHandled();
        document.TDDocumentBase::updateChangeCount(TDDocumentBase::ChangeKind::Cleared);
        undo->removeAllActions();
    }

    static Qt::KeyboardModifiers qtModifiers(unsigned flags)
    {
        Qt::KeyboardModifiers m;
        if (flags & TDEvent::Shift)
            m |= Qt::ShiftModifier;
        if (flags & TDEvent::Command)
            m |= Qt::ControlModifier;
        if (flags & TDEvent::Alternate)
            m |= Qt::AltModifier;
        return m;
    }

    void mouse(QEvent::Type type, Point at, unsigned flags, Qt::MouseButtons buttons)
    {
        const QPointF local = view.widgetPointFromDocument(at);
        QMouseEvent event(type, local, view.mapToGlobal(local), Qt::LeftButton, buttons, qtModifiers(flags));
        QApplication::sendEvent(&view, &event);
    }
    void press(Point at, unsigned flags = 0) { mouse(QEvent::MouseButtonPress, at, flags, Qt::LeftButton); }
    void dragTo(Point at, unsigned flags = 0) { mouse(QEvent::MouseMove, at, flags, Qt::LeftButton); }
    void release(Point at, unsigned flags = 0) { mouse(QEvent::MouseButtonRelease, at, flags, Qt::NoButton); }
    // A press, drags in a few steps and the release.
    void drag(Point from, Point to, unsigned flags = 0)
    {
        press(from, flags);
        for (int i = 1; i <= 4; ++i)
            dragTo(Point(from.x + (to.x - from.x) * float(i) / 4, from.y + (to.y - from.y) * float(i) / 4), flags);
        release(to, flags);
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString &text = QString())
    {
        QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(&view, &down);
    }
    void loseFocus()
    {
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(&view, &out);
    }

    TDDocument document;
    TDGraphicView view;
};

} // namespace scrivane::selectiontest
