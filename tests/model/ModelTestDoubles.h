#pragma once

// Test doubles of the document, the canvas and the application panels that
// record what the model asks of them.

#include "model/TDApplicationServices.h"
#include "model/TDBezierPath.h"
#include "model/TDDocumentInterface.h"
#include "model/TDGraphic.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDUndoManager.h"

#include <QImage>

#include <memory>
#include <vector>

namespace scrivane::test {

class RecordingCanvas;

// A document with its own undo manager (every registration outside a group
// forms its own step, so tests need no event loop), a name counter and a
// layer list.
class RecordingDocument : public TDDocumentInterface {
public:
    RecordingDocument();
    ~RecordingDocument() override;

    TDUndoManager &undo() { return m_undo; }
    void setCanvas(RecordingCanvas *canvas) { m_canvas = canvas; }
    void setGraphicCounter(int next) { m_counter = next; }

    TDUndoManager *undoManager() const override { return const_cast<TDUndoManager *>(&m_undo); }
    TDGraphicViewInterface *graphicView() const override;
    void invalidateRect(const Rect &rect) override { invalidatedRects.push_back(rect); }
    void invalidateGraphic(TDGraphic *graphic) override;
    int graphicNumber() override { return m_counter++; }
    TDGroup *currentLayer() const override { return m_currentLayer; }
    void setCurrentLayer(TDGroup *group) override { m_currentLayer = group; }
    TDGraphicArray graphics() const override { return layers; }
    bool removeFromGraphics(TDGraphic *graphic) override;
    const TDFileWrapper *fileWrapper() const override { return nullptr; }
    Rect paperBounds() const override { return Rect(0, 0, 612, 792); }
    void setStatusText(const QString &text) override { statusTexts.push_back(text); }

    // The document as a drawing target.
    Tool drawMode() const override { return Tool::Select; }
    bool graphicIsEditing(const TDGraphic *) const override { return false; }
    bool graphicIsSelected(const TDGraphic *) const override { return false; }
    float zoom() const override { return 1; }
    bool outlineView() const override { return false; }
    bool cmykPreview() const override { return false; }
    bool renderingToPDF() const override { return false; }
    TDDocumentInterface *document() const override { return const_cast<RecordingDocument *>(this); }

    std::vector<Rect> invalidatedRects;
    std::vector<const TDGraphic *> invalidatedGraphics;
    std::vector<QString> statusTexts;
    TDGraphicArray layers;

private:
    TDUndoManager m_undo;
    RecordingCanvas *m_canvas = nullptr;
    TDGroup *m_currentLayer = nullptr;
    int m_counter = 1;
};

// A canvas with a selection, the display toggles and a knob tracker that
// the test finishes by hand.
class RecordingCanvas : public TDGraphicViewInterface {
public:
    explicit RecordingCanvas(RecordingDocument *document = nullptr);
    ~RecordingCanvas() override;

    // TDDrawProtocol
    Tool drawMode() const override { return mode; }
    bool graphicIsEditing(const TDGraphic *graphic) const override;
    bool graphicIsSelected(const TDGraphic *graphic) const override;
    float zoom() const override { return zoomFactor; }
    bool outlineView() const override { return outline; }
    bool cmykPreview() const override { return false; }
    bool renderingToPDF() const override { return false; }
    TDDocumentInterface *document() const override { return m_document; }

    TDGraphicArray selectedGraphics() const override { return selection; }
    void selectGraphics(const TDGraphicArray &graphics) override { selection = graphics; }
    void clearSelection() override { selection.clear(); }
    void deselectGraphic(TDGraphic *graphic) override;
    QList<int> selectedNodesForGraphic(const TDGraphic *) const override { return {}; }
    Rect selectionRect() const override { return selectionArea; }

    TDGraphic *creatingGraphic() const override { return creating; }
    void setEditingGraphic(TDGraphic *graphic) override { editing = graphic; }
    void stopEditing() override { editing = nullptr; }
    void stopTextEditing() override { ++stopTextEditingCalls; }
    bool isolationState() const override { return isolated; }
    void setIsolation(bool on) override { isolated = on; }

    void trackKnob(Knob knob, const TDGraphicArray &graphics, const TDEvent &event,
                   TrackingCompletion completion) override;
    Point convertPointFromWindow(Point point) const override { return point; }
    Point snapToGrid(Point point) const override { return point; }
    bool isEventEscape(const TDEvent &event) const override;

    void drawHandleAtPoint(Point point, HandleType type) override { handles.emplace_back(point, type); }
    bool pointInHandleAtPoint(Point point, Point handle, HandleType type) const override;
    bool rectOverHandleAtPoint(const Rect &rect, Point handle, HandleType type) const override;

    void invalidateGraphic(TDGraphic *graphic) override { invalidatedGraphics.push_back(graphic); }
    void setNeedsDisplayInRect(const Rect &rect) override { displayRects.push_back(rect); }
    void setNeedsDisplay() override { ++fullRedisplays; }
    void calculateSize() override { ++calculateSizeCalls; }

    std::vector<float> hMarkers() const override { return {}; }
    std::vector<float> vMarkers() const override { return {}; }
    void addMarkers(const std::vector<float> &, bool) override {}
    bool rulersVisible() const override { return false; }
    void saveRulers() override {}
    void cleanRulers() override {}

    // Ends the pending knob tracking: the pointer moved to `to` (or not)
    // and the tracking completed (or was cancelled).
    void finishTracking(bool completed, bool pointerDidMove);

    Tool mode = Tool::Select;
    float zoomFactor = 1;
    bool outline = false;
    bool isolated = false;
    TDGraphicArray selection;
    Rect selectionArea;
    TDGraphic *creating = nullptr;
    TDGraphic *editing = nullptr;
    std::vector<const TDGraphic *> deselected;
    std::vector<const TDGraphic *> invalidatedGraphics;
    std::vector<Rect> displayRects;
    std::vector<std::pair<Point, HandleType>> handles;
    int fullRedisplays = 0;
    int calculateSizeCalls = 0;
    int stopTextEditingCalls = 0;
    // The pending tracking.
    Knob trackedKnob = Knob::None;
    TDGraphicArray trackedGraphics;
    TrackingCompletion pendingCompletion;

private:
    RecordingDocument *m_document;
};

// Counts what the layers panel is asked; installs itself while it lives.
class RecordingLayerController : public TDLayerControllerInterface {
public:
    RecordingLayerController() { TDApplicationServices::setLayerController(this); }
    ~RecordingLayerController() override { TDApplicationServices::setLayerController(nullptr); }
    void invalidate() override { ++invalidations; }
    void reload() override { ++reloads; }
    int invalidations = 0;
    int reloads = 0;
};

// A graphic whose own path is a copy of the given one (the unit square by
// default), as rectangles and paths will be.
class TestShape : public TDGraphic {
public:
    TestShape();
    explicit TestShape(const PathBase &path);
    static std::shared_ptr<TestShape> withPath(const PathBase &path);
    // A unit square mapped onto the rectangle by the shape transformation,
    // filled with nothing and stroked with the default line.
    static std::shared_ptr<TestShape> inRect(const Rect &rect);

    std::shared_ptr<TDBezierPath> bezierPath() const override { return m_path; }
    QString archiveClassName() const override { return QStringLiteral("TDTestShape"); }
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    static void registerArchiveClass();

private:
    std::shared_ptr<TDBezierPath> m_path;
};

// Pixels of a drawing: a transparent ARGB image of the given size drawn
// into through a flipped context (y down, like the canvas).
QImage renderImage(int width, int height, const std::function<void(GraphicsContext &)> &draw);
// Straight (not premultiplied) colour of a pixel, components 0..255.
struct Pixel {
    int r, g, b, a;
};
Pixel pixelAt(const QImage &image, int x, int y);
// Pixels solidly painted (alpha above 128) in one image with nothing
// painted within one pixel of them in the other, both ways: two drawings of
// the same shapes that differ only in antialiasing and hairlines answer 0.
int pixelsApart(const QImage &a, const QImage &b);
// Pixels with alpha above 128.
int solidPixels(const QImage &image);

} // namespace scrivane::test
