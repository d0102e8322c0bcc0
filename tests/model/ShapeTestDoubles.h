#pragma once

// The canvas double of the shape tests: the recording canvas with a node
// selection per graphic and real handle drawing, and a small scene of a
// document, that canvas and a layer.

#include "ModelTestDoubles.h"

#include "model/TDLayer.h"

#include <map>

namespace scrivane::test {

// Draws the handles it is asked for into the context it is given while a
// drawing runs, as the canvas does, and answers node selections set by the
// test.
class DrawingCanvas : public RecordingCanvas {
public:
    using RecordingCanvas::RecordingCanvas;

    QList<int> selectedNodesForGraphic(const TDGraphic *graphic) const override;
    void drawHandleAtPoint(Point point, HandleType type) override;

    // Draws the graphic's editing decorations into an image of the given
    // size at the canvas's zoom, as the canvas would (document points
    // scaled by the zoom, y down); the image starts transparent.
    QImage drawEditing(TDGraphic &graphic, int width, int height);

    std::map<const TDGraphic *, QList<int>> selectedNodes;
    GraphicsContext *context = nullptr;
};

struct ShapeScene {
    RecordingDocument document;
    DrawingCanvas canvas{&document};
    std::shared_ptr<TDLayer> layer = TDLayer::layerWithName(QStringLiteral("Layer 1"), &document);

    ShapeScene();
    // Adds the graphic to the layer and forgets the undo of the addition.
    template <class T> std::shared_ptr<T> add(std::shared_ptr<T> graphic)
    {
        layer->addGraphic(graphic);
        document.undo().removeAllActions();
        return graphic;
    }
};

// Every coordinate of the path is a finite number.
bool isFinitePath(const PathBase &path);

} // namespace scrivane::test
