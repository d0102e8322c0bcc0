#pragma once

// A document window as the canvas tests need it: a top-level widget with the
// document toolbar above a scaling scroll view holding the canvas, shown
// off-screen; and simulated pointer gestures in the canvas's own pixels.

#include "canvas/ScalingScrollView.h"
#include "canvas/TDDocumentToolbar.h"
#include "canvas/TDGraphicView.h"
#include "canvas/TDToolStrip.h"
#include "document/TDDocument.h"
#include "model/TDApplicationServices.h"
#include "model/TDGraphic.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"

#include <QColor>
#include <QEvent>
#include <QObject>
#include <QPaintEvent>
#include <QPointF>
#include <QRegion>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace scrivane::canvastest {

// The inspector's style graphic and style source, both settable.
class TestInspector : public TDInspectorInterface {
public:
    Rect windowZoomRect() const override { return Rect(); }
    void graphicChanged(TDGraphic *) override {}
    TDGraphic *visibleGraphic() const override { return visible.get(); }
    TDGraphic *styleGraphic() const override { return style.get(); }

    TDGraphicPtr visible;
    TDGraphicPtr style;
};

// A rectangle filled with the colour, without a line.
std::shared_ptr<TDRectangle> filledRectangle(const Rect &rect, const Color &color);

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    TDLayer &layer() const { return *document->layers().front(); }
    const TDGraphicArray &layerGraphics() const { return layer().graphics(); }
    // Adds a graphic to the current layer without an undo step.
    void addQuietly(const TDGraphicPtr &graphic);

    // Canvas pixels of a document point.
    QPointF at(Point point) const;
    // The colour the canvas paints at the document point.
    QColor pixelAt(Point point) const;
    // A press, moves in steps and a release, in canvas pixels.
    void drag(QPointF from, QPointF to, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int steps = 4);
    void click(QPointF where, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void press(QPointF where, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void move(QPointF where, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void release(QPointF where, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // The pointer moved without a button.
    void hover(QPointF where, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // The second press and release of a double click.
    void doubleClick(QPointF where, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // A tablet pen's event at the pressure (press, move or release).
    void pen(QEvent::Type type, QPointF where, double pressure);
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // The tool through the strip, as a click on its cell does.
    void chooseTool(Tool tool);

    std::unique_ptr<TDDocument> document;
    std::unique_ptr<QWidget> window;
    TDDocumentToolbar *toolbar = nullptr;
    ScalingScrollView *scroll = nullptr;
    TDGraphicView *view = nullptr;
    TestInspector inspector;
};

// Collects the areas that the canvas is asked to paint.
class PaintRecorder : public QObject {
public:
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

} // namespace scrivane::canvastest
