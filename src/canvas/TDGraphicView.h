#pragma once

#include "canvas/TDRulerClient.h"
#include "model/TDCanvasTypes.h"
#include "model/TDEvent.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDModelTypes.h"
#include "model/TDUndoManager.h"
#include "platform/AffineTransform.h"
#include "platform/Geometry.h"
#include "platform/Identified.h"
#include "platform/PropertyList.h"
#include "platform/Profile.h"

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QUrl>
#include <QWidget>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QTimer;
class QContextMenuEvent;
class QMenu;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QTabletEvent;

namespace scrivane {

class GraphicsContext;
class Pasteboard;
class ScalingScrollView;
class TDBezierGraphic;
class TDBezierPath;
class TDDocument;
class TDGroup;
class TDKnobGeometry;
class TDRulerView;
class TDSpatialIndex;
class TDToolStrip;
class TDTextView;
class TDTracker;

// The canvas of a document window: a widget that sits as the document view
// of a ScalingScrollView and through which the user creates, selects and
// edits the graphics of its TDDocument.  It paints the drawing with cairo
// into its backing image, one dirty area at a time, and is the drawing
// target of every graphic it shows.
//
// Coordinates.  Document coordinates are points, y growing downwards.  The
// widget is the canvas's frame: frame pixels = (document point − bounds
// origin) × zoom × DPI factor.  Window coordinates (TDEvent's
// locationInWindow) are those of the top-level widget holding the canvas.
//
// Tools.  The current tool is the selected cell of the tool strip; the
// canvas never stores it.
//
// Gestures.  A press starts at most one tracker (TDTracker) that receives
// the following events until the release; what follows the gesture runs
// when the tracker finishes.  A tracker keeps its own state and works on
// the canvas through its public operations.
//
// Topics live in their own files: the press and the tools
// (TDGraphicView.cpp), drawing and invalidation (+Drawing), zoom and the
// hand and dropper tools (+Zoom), the selection (+Selection), knob tracking
// and snapping (+Transform), the widget's events (+Events), the clipboard,
// paste and drops (+Clipboard), the rulers and guides (+Rulers).
class TDGraphicView : public QWidget, public TDGraphicViewInterface, public TDRulerClient {
    Q_OBJECT

public:
    explicit TDGraphicView(QWidget *parent = nullptr);
    ~TDGraphicView() override;

    // --- Wiring --------------------------------------------------------------------
    // The document shown (not owned); the canvas becomes its graphicView.
    void setDocument(TDDocument *document);
    TDDocument *tdDocument() const { return m_document; }
    TDDocumentInterface *document() const override;
    // The tool strip whose selected cell is the current tool (not owned).
    void setToolStrip(TDToolStrip *strip) { m_drawModeController = strip; }
    TDToolStrip *toolStrip() const { return m_drawModeController; }
    // The enclosing scroll view, or null.
    ScalingScrollView *scrollView() const;
    // Once the canvas sits in its scroll view: follows the scroll view's
    // size and sizes itself around the paper.
    void awakeFromNib();

    // --- Tools -----------------------------------------------------------------------
    Tool drawMode() const override;
    // Sent by the tool strip after every tool change.
    void changeMode(Tool newMode, Tool oldMode);
    // Selects a tool through the tool strip.
    void selectTool(Tool tool);
    // Whether the current tool stays after a press.
    bool toolLocked() const;
    // The current tool's hint replaces whatever the status line shows.
    void updateStatusText();
    // The hint of the current tool, selection and held modifiers
    // (TDEvent's flags), before the status line renders its key codes.
    QString statusHint(unsigned modifiers) const;
    // The document's current layer is a group inside a layer.
    bool editingGroup() const;
    // The press of a creating tool with the new graphic in the creating
    // slot: the tool's tracking, then the graphic joins the current layer
    // as one undo step named "Create <name>".
    void createGraphic(const TDEvent &event, const QString &name, CreationMode mode);
    TDGraphic *creatingGraphic() const override { return m_creatingGraphic.get(); }
    // The graphic drawn on top while it is created (not retained).
    void setCreatingGraphic(const TDGraphicPtr &graphic) { m_creatingGraphic = graphic; }
    // The graphic whose text is edited in place (held weakly), or null.
    TDGraphic *editingGraphic() const { return m_editingGraphic.lock().get(); }
    void setEditingGraphic(TDGraphic *graphic) override;
    void stopTextEditing() override;
    // The in-place text editor while a text is edited, or null.
    TDTextView *textEditor() const { return m_textEditor.get(); }
    void openTextEditor(TDGraphic *graphic, const TextEditorSetup &setup) override;
    void resizeTextEditor(TDGraphic *graphic, const Rect &frame, Size boundsSize) override;
    void closeTextEditor(TDGraphic *graphic) override;
    void stopEditing() override;
    bool isolationState() const override { return m_useIsolation; }
    void setIsolation(bool isolated) override { m_useIsolation = isolated; }
    void toggleIsolationMenu(QAction *sender = nullptr);
    // What the select and edit tools are doing besides the tool itself.
    enum class EditState {
        None,         // no edit sub-state
        GraphicsBand, // a rubber band selected graphics (it stays until the tool changes)
        EditTool,     // the edit tool is active
        NodeBand,     // a node rubber band is being dragged
    };
    EditState editState() const { return m_mode; }
    void setEditState(EditState state) { m_mode = state; }
    // Graphics created while the selection was left alone; they become the
    // selection when the tool returns to select or edit.
    const TDGraphicArray &createdGraphics() const { return m_createdGraphics; }

    // --- Input -------------------------------------------------------------------------
    // Whether a press reaches the tool: not the press that brings the
    // application back to the front (the flag is cleared when it goes to
    // the background), but every press into one of its windows after that
    // or after a key.  Asking sets the flag again.
    static bool acceptsFirstMouse();
    static bool applicationWasActive();
    static void setApplicationWasActive(bool active);
    // The press, as the widget's mouse press hands it on (window coordinates).
    void mouseDown(const TDEvent &event);
    // Runs a tracker from now on (the one running is cancelled first).
    void beginTracking(std::unique_ptr<TDTracker> tracker);
    bool isTracking() const { return m_tracker != nullptr; }
    // Scrolls so that the event's point can be seen (drags beyond the edge).
    void autoscroll(const TDEvent &event);
    // The last mouse position seen, in window coordinates.
    Point lastMouseLocation() const { return m_lastMouseLocation; }

    // --- Keyboard (TDGraphicView+Keys.cpp) ---------------------------------------------------
    // A key pressed or let go while no gesture runs; true when the canvas
    // took it.  Digits pick the strip's cells ("0" the tenth); arrows nudge
    // by 1 point, 10 with Shift, divided by the zoom with Alt; Escape and
    // Return end editing or leave and enter groups; Space holds the hand
    // tool, Ctrl+Space takes the zoom tool for one press; a tool letter
    // (v a b p m n t z h i) picks its tool when it is let go; Tab makes the
    // last selected graphic the first; Delete and Backspace delete.  The
    // "stroke scale key" and the "shape scale key"s, held, keep knob drags
    // from scaling the stroke or the shape.
    bool keyDown(const TDEvent &event);
    bool keyUp(const TDEvent &event);
    void flagsChanged(const TDEvent &event);
    void insertTab();
    // Moves the selection (in the edit tool its selected nodes) by (dx, dy).
    void nudge(float dx, float dy);
    // Leaves the group being edited: it becomes selected in its layer.
    void leaveGroup();
    // The stacking order of the selection, keeping its relative order, each
    // one undo step when something moved.  To back and to front also gather
    // graphics of other layers into the layer of the topmost one, except
    // while a group is edited.
    void sendToBack();
    void sendBackward();
    void bringToFront();
    void bringForward();

    // --- Drawing target ------------------------------------------------------------------
    bool graphicIsSelected(const TDGraphic *graphic) const override;
    bool graphicIsEditing(const TDGraphic *graphic) const override;
    // The scale factor of the enclosing scroll view (1 without one, and
    // for a factor that is not a positive number): every size divided by
    // it can rely on it.
    float zoom() const override;
    bool outlineView() const override { return m_outlineView; }
    // Toggles the outline view, checks the sender and redraws.
    void outlineView(QAction *sender);
    void setOutlineView(bool on);
    bool cmykPreview() const override { return m_cmykPreview; }
    // Toggles the soft proof, checks the sender and redraws.
    void cmykPreview(QAction *sender);
    void setCmykPreview(bool on);
    bool renderingToPDF() const override { return false; }
    // The spatial index of the document's graphics that redraws and hit
    // tests ask; null while another canvas is the document's or when it is
    // switched off.
    TDGraphicIndex *graphicIndex() const override;
    // Off: redraws and hit tests look at every graphic, as a plain scan
    // does (to compare with); the index still follows the changes.
    void setUsesSpatialIndex(bool on);

    // --- Selection ----------------------------------------------------------------------------
    // Each change registers its inverse as a selection change (undoable,
    // never marking the document changed).
    TDGraphicArray selectedGraphics() const override { return m_selectedGraphics; }
    const TDGraphicArray &selection() const { return m_selectedGraphics; }
    void selectGraphic(const TDGraphicPtr &graphic);
    void selectGraphics(const TDGraphicArray &graphics) override;
    void addToSelectionGraphics(const TDGraphicArray &graphics);
    void deselectGraphic(TDGraphic *graphic) override;
    void clearSelection() override;
    void makeFirstSelected(TDGraphic *graphic);
    // The selected nodes of each graphic, by the graphic's identity number;
    // while a node band is dragged, the nodes under the band.
    using NodeMap = std::map<int, QList<int>>;
    QList<int> selectedNodesForGraphic(const TDGraphic *graphic) const override;
    const NodeMap &graphicNodes() const { return m_graphicNodes; }
    // Replace the whole node selection, or one graphic's nodes: undoable
    // ("Selected Nodes") without marking the document changed; the graphics
    // that gain or lose selected nodes are redrawn.
    void setGraphicNodes(const NodeMap &nodes);
    void setNodes(const QList<int> &nodes, TDGraphic *graphic);
    // The band's nodes shown in place of the selection while it is dragged
    // (none: the selection itself).
    void setRubberbandNodes(std::optional<NodeMap> nodes);
    void invalidateGraphics(const TDGraphicArray &graphics);
    // The topmost editable graphic hit at the point, or null; with
    // `beneath`, the one under the topmost selected graphic.
    TDGraphicPtr graphicUnderPoint(Point point, bool beneath = false) const;
    // Hit lists over the editable graphics: under a point (top first),
    // touched by a rectangle or lying wholly inside it (bottom first, with
    // `first` leading when it is found).
    TDGraphicArray graphicsUnderPoint(Point point) const;
    TDGraphicArray graphicsIntersectingRect(const Rect &rect, const TDGraphic *first = nullptr) const;
    TDGraphicArray graphicsUnderRect(const Rect &rect, const TDGraphic *first = nullptr) const;
    // The selection in stacking order, bottom first.
    TDGraphicArray orderedSelectedGraphics() const;
    void selectAll();
    void selectNone();
    // The font panel's change: the selection of the text edited in place
    // takes it; without an edit, every font of the text fills of the
    // selected graphics does, as one undo step.
    void changeFont(const std::function<QFont(const QFont &)> &convert);
    // What a band shows while it is dragged: the selection replaced without
    // an undo step (the band's end makes the one step).
    void setSelectionQuietly(const TDGraphicArray &graphics) { m_selectedGraphics = graphics; }
    // The edit tool's gestures: the node band, a drag of the selected nodes
    // ("Node alter") or of one control handle ("Control alter"), and a node
    // inserted where the point lies on a path (within 15 screen pixels; it
    // becomes the node selection).
    void rubberbandSelectNodesWithEvent(const TDEvent &event);
    void trackNode(int node, const TDGraphicPtr &graphic, const TDEvent &event);
    void trackControl(int control, const TDGraphicPtr &graphic, const TDEvent &event);
    void addNodeAt(Point point, TDGraphic *graphic);
    // The gradient of the selection edited on the canvas (TDGradientTracker),
    // until a key or a press elsewhere; false, with nothing started, when
    // no selected graphic has a gradient fill.
    bool setGradientForGraphics();
    // The nodes whose handles the rectangle touches, by graphic, for every
    // editable graphic the rectangle touches.
    NodeMap nodesIntersectingRect(const Rect &rect);
    // The select tool's gestures: the rubber band, a knob drag of the whole
    // selection (one undo step named "Transform"), the Option-drag copy.
    void rubberbandSelectWithEvent(const TDEvent &event);
    void trackKnob(Knob knob, const TDEvent &event);
    void copyWithEvent(const TDEvent &event);
    // The fill (or stroke) of every selected graphic follows its shape
    // again; one undo step.
    void resetFillTransform();
    void resetStrokeTransform();

    // --- Clipboard, paste and drops (TDGraphicView+Clipboard.cpp) ------------------------------------
    // Where a drag is over the canvas: the pointer and the dragged image's
    // corner, in document points.
    struct DragInfo {
        Point location;
        Point imageLocation;
    };
    enum DragOperation { DragOperationNone = 0, DragOperationCopy = 1, DragOperationGeneric = 4 };

    // Removes the selected graphics as one step named "Delete".
    void deleteSelection();
    // The ordered selection onto the pasteboard; false when nothing is
    // selected.
    bool copyDataToPasteBoard(Pasteboard &pasteboard);
    void copy();
    void cut();
    // The general pasteboard; in place, graphics land where they were
    // copied from.
    void paste(bool inPlace = false);
    // A copy of the selection, offset (unless in place) by 20 points, or by
    // the offset of a move made right after the first duplicate.
    void duplicate(bool inPlace = false);
    // Graphics, an SVG drawing, a colour (onto the graphic under the
    // pointer), files, a URL or image data, in that order of preference.
    // `dragInfo` is the drop's, or null for a paste.
    void paste(Pasteboard &pasteboard, const DragInfo *dragInfo, bool inPlace, bool duplicating);
    DragOperation dragOperationForDraggingInfo(Pasteboard &pasteboard, const DragInfo &info) const;
    // The drop: the drag's pasteboard pasted at the drop point.
    void concludeDragOperation(Pasteboard &pasteboard, const DragInfo &info);
    // The contents of the first file or URL the pasteboard names, and its
    // extension.
    static std::optional<QByteArray> fileDataFromPasteboard(Pasteboard &pasteboard, QString *extension);
    // Image data from the pasteboard: of an image type, else of a file or
    // URL holding an image.
    static std::optional<QByteArray> imageDataFromPasteboard(Pasteboard *pasteboard, QString *extension);
    // The link data of an item another program offers for editing again;
    // nothing when there is none or it cannot be read.
    static std::optional<PropertyList> linkDataFromPasteboard(Pasteboard &pasteboard);
    // An image-filled rectangle of the image's size with its corner at the
    // point (or its centre, on whole points), selected and in view; false
    // when there is no image.
    enum class ImageAnchor { Corner, Centre };
    bool makeNewImageFromContentsOfFile(const QString &path, Pasteboard *pasteboard, Point point,
                                        ImageAnchor anchor = ImageAnchor::Corner);
    bool makeNewImageFromContentsOfURL(const QUrl &url, Pasteboard *pasteboard, Point point,
                                       ImageAnchor anchor = ImageAnchor::Corner);
    bool makeNewImageFromData(const std::optional<QByteArray> &data, const QString &extension,
                              Pasteboard *pasteboard, Point point, ImageAnchor anchor = ImageAnchor::Corner);
    // The image types taken from pasteboards, in order of preference, and
    // the file extensions of images that can be placed.
    static QStringList imagePasteboardTypes();
    static QStringList imageFileTypes();
    // The extension of image data of a pasteboard type; empty for others.
    static QString extensionForPasteboardType(const QString &type);
    // Reads an SVG drawing into graphics; none is installed until the SVG
    // importer exists, and SVG then pastes nothing.
    using SVGImporter = std::function<TDGraphicArray(const QByteArray &data)>;
    static void setSVGImporter(SVGImporter importer);
    // The Import command: the extensions it offers (the images the canvas
    // places, PDF and EPS pictures, SVG drawings), and the files it places
    // in the current layer, each 25 points further right and down than the
    // last, as one undo step named "Import" when anything was added.
    // Answers how many files added something.
    static QStringList importFileTypes();
    int importFiles(const QStringList &paths);
    int pasteCascadeNumber() const { return m_pasteCascadeNumber; }
    float pasteDx() const { return m_pasteDx; }
    float pasteDy() const { return m_pasteDy; }
    // The selection was dragged by (dx, dy): right after the first
    // duplicate this sets the offset of the next ones, otherwise the
    // cascade starts again.
    void selectionMoved(float dx, float dy);

    // --- Path commands (TDGraphicView+Boolean.cpp) -------------------------------------------------
    // The boolean operations on the selection, in selection order: the
    // first selected graphic takes the result (as a path graphic in its
    // place, with its styles) and the others are removed; a result with
    // nothing in it removes the first graphic too.  Each is one undo step
    // named after it; with fewer than two graphics selected nothing
    // happens.  Cut is the union.  When the engine refuses the shapes the
    // drawing stays as it was and the status line says why.
    enum class PathOperation { Add = 0, Intersect = 1, Subtract = 2, XOR = 3, Cut = 4 };
    bool boolean(PathOperation operation);
    void boolAdd();
    void boolSubtract();
    void boolIntersect();
    void boolXOR();
    void boolCut();
    // The intersection and the first minus the others, in one path of the
    // first graphic.
    bool booleanDivide();
    void boolDivide();
    // Each selected graphic becomes a path graphic without self-crossings
    // under its fill rule ("Outline").
    void boolOutline();

    // --- Editing commands (TDGraphicView+Commands.cpp) ------------------------------------------------
    // Each works on the selection as one undo step named after it, and does
    // nothing (no step, no name) when the selection is too small.
    // Two or more graphics into a new group above the first selected one.
    void group();
    // Every selected group's children take its place; they join the selection.
    void ungroup();
    // Tags 10 to 15: left, right, top, bottom edges, horizontal and vertical
    // centres, onto the first selected graphic.  In the edit tool, the
    // selected nodes of every graphic onto one line at their mean (tag 14:
    // a horizontal line, others a vertical one).
    void align(int tag);
    // Every selected path graphic, one graphic per subpath.
    void split();
    // The other selected graphics' outlines, as drawn, join the first one's
    // path; the others are removed.
    void combine();
    // Each selected graphic replaced by its conversion; the results become
    // the selection.
    void convertToBezier();
    void convertToOutline();
    void convertToBitmap();
    void reversePath();
    // The node commands: each edits the selected nodes of every selected
    // path graphic that has some, as one step.
    void curveNodes();
    void lineNodes();
    void splitNodes();
    void cutNodes();
    void connectNodes();
    // Tag 5 mirrors left to right about the selection's centre, any other
    // tag top to bottom.
    void flip(int tag);
    // Tag 20 spaces the graphics evenly from left to right, any other tag
    // from top to bottom; the outermost two stay.
    void distribute(int tag);

    // --- PDF pages as graphics (TDGraphicView+PDF.cpp) -------------------------------------------------
    // Whether the selection is one graphic showing a PDF or EPS picture.
    bool canParsePDF() const;
    // Replaces that graphic by the graphics of its picture's first page, as
    // one undo step named "Import PDF"; false, with the reason, otherwise.
    bool parsePDF(QString *error = nullptr);

    // --- Zoom, hand and dropper ------------------------------------------------------------------
    // Multiplies the zoom by `factor`, keeping the centre of the view.
    void zoom(float factor);
    void zoomIn() { zoom(2.0f); }
    void zoomOut() { zoom(0.5f); }
    void actualSize() { zoom(1.0f / zoom()); }
    void zoomToRect(const Rect &rect);
    void zoomToFitRect(const Rect &rect);
    void zoomToFit();
    Rect maxDrawingBoundsFor(const TDGraphicArray &graphics) const;
    void zoomWithEvent(const TDEvent &event);
    void grabWithEvent(const TDEvent &event);
    void dropperWithEvent(const TDEvent &event);
    // The rubber band or zoom band being dragged; zero when none.
    const Rect &rubberbandRect() const { return m_rubberbandRect; }
    void setRubberbandRect(const Rect &rect) { m_rubberbandRect = rect; }

    // --- Geometry of the view -------------------------------------------------------------------
    // The part of the document shown in the scroll view (document units);
    // the whole canvas without a scroll view.
    Rect visibleRect() const;
    // The canvas's bounds in document units.
    Rect boundsRect() const;
    // Scrolls as little as possible to show the rectangle (document units).
    void scrollRectToVisible(const Rect &rect);
    // Scrolls so that the point (document units) is the top left corner.
    void scrollPoint(Point point);
    Point documentPointFromWidget(QPointF point) const;
    QPointF widgetPointFromDocument(Point point) const;
    // The smallest widget rectangle holding the document rectangle.
    QRect widgetRectFromDocument(const Rect &rect) const;
    Rect documentRectFromWidget(const QRectF &rect) const;
    Point convertPointFromWindow(Point point) const override;
    // Resolution factors multiplying the zoom when the frame is sized.
    double horizontalDPI() const { return m_horizontalDPI; }
    double verticalDPI() const { return m_verticalDPI; }

    // --- Drawing (TDGraphicView+Drawing.cpp) --------------------------------------------------------
    // The whole pass over the dirty rectangle `rect` (document units) into
    // `context`, whose user space is the canvas's.
    void drawRect(GraphicsContext &context, const Rect &rect);
    void drawGraphicsInRect(GraphicsContext &context, const Rect &rect);
    void drawGraphicsInRectRGB(GraphicsContext &context, const Rect &rect);
    void drawGrid(GraphicsContext &context);
    void drawPages(GraphicsContext &context);
    void drawMarkers(GraphicsContext &context);
    void drawHandlesForSelectionRect(const Rect &rect);
    // Which handles a selection of that size shows: [0] top and bottom
    // middle, [1] left and right middle, [2] centre, [3] corners.
    std::array<bool, 4> showHandlesForSelectionRect(const Rect &rect) const;
    void drawHandleAtPoint(Point point, HandleType type) override;
    Rect rectForHandleAtPoint(Point point, HandleType type) const;
    bool pointInHandleAtPoint(Point point, Point handle, HandleType type) const override;
    bool rectOverHandleAtPoint(const Rect &rect, Point handle, HandleType type) const override;
    // The selection knob under the point: a resize handle, the centre (the
    // body), or with the secondary handles shown rotation and skew.
    Knob knobUnderPoint(Point point) const;
    bool secondaryEditing() const { return m_secondaryEditing; }
    // Renders the widget area into an image of its size (device pixel
    // ratio 1), as a paint would; an empty area renders what can be seen.
    QImage renderImage(const QRect &widgetRect);

    // --- Soft proof, isolation and splash (TDGraphicView+Proof.cpp) -----------------------------------
    // Where every canvas finds the profile the soft proof shows the drawing
    // through (the application's chosen proof profile); none when unset.
    using ProofProfileSource = std::function<ProfilePtr()>;
    static void setProofProfileSource(ProofProfileSource source);
    static ProfilePtr proofProfile();
    // "color proof did change": a canvas showing the soft proof redraws.
    void updateProof();
    // The dimmed rest of the drawing behind an isolated group: drawn once
    // into a buffer for the visible area (a scroll redraws only what came
    // into view) and shown at 30 % opacity.  The buffer is made again after
    // any change of the drawing.
    void drawIsolationInRect(GraphicsContext &context, const Rect &rect);
    // How many times the backdrop was drawn anew (wholly or in strips).
    int isolationBuilds() const { return m_isolationBuilds; }
    bool isolationBufferValid() const { return m_inIsolation; }
    // The start-up splash: the first canvas that ever draws owns it; when
    // its document is empty then, it shows for `splashDuration` seconds,
    // fading out over the last one; a press leaves one second of it.
    static constexpr double splashDuration = 5.0;
    void drawSplash(GraphicsContext &context);
    void invalidateSplash();
    bool ownsSplash() const;
    // Seconds of splash left (negative: over or never started).
    static double splashRemaining();
    // Cuts a splash with more than a second to go to one second.
    static void shortenSplash();
    // Forgets the splash and allows it (the program, once at start) or not
    // (the default: tests and tools never see it); time is read from
    // `clock` (seconds; the steady clock when empty).
    static void resetSplash(bool enabled, std::function<double()> clock = {});
    static QImage splashImage();

    // --- Invalidation ---------------------------------------------------------------------------------
    void setNeedsDisplayInRect(const Rect &rect) override;
    void setNeedsDisplay() override;
    void startRecordingInvalidation();
    void endRecordingInvalidation();
    void invalidateGraphic(TDGraphic *graphic) override;
    void invalidateSelection();

    // --- Bounds ---------------------------------------------------------------------------------------
    Rect selectionRect() const override;
    Rect selectedBounds() const;
    Rect selectedDrawingBounds() const;
    Rect boundsFor(const TDGraphicArray &graphics, bool drawing) const;
    Rect editingBoundsFor(const TDGraphicArray &graphics) const;
    Rect maxBoundsFor(const TDGraphicArray &graphics) const;
    Rect insetRectForHalo(const Rect &rect) const;
    Rect insetRectForEditHandles(const Rect &rect) const;

    // --- Sizing -----------------------------------------------------------------------------------------
    void calculateSize() override;

    // --- Knob tracking and snapping (TDGraphicView+Transform.cpp) ----------------------------------------
    void trackKnob(Knob knob, const TDGraphicArray &graphics, const TDEvent &event,
                   TrackingCompletion completion) override;
    // The paint tool's stroke or the polygon tool's clicks
    // (TDFreehandTracker, TDPolygonTracker).  The creation's undo scope
    // ends before the completion runs, so that what the completion changes
    // in the document (a selected path that the stroke extends) is undoable.
    void trackPath(const std::shared_ptr<TDBezierGraphic> &graphic, CreationMode mode, const TDEvent &event,
                   std::optional<Point> start, TrackingCompletion completion) override;
    // A knob drag has moved: the selection handles are hidden until it ends.
    bool isTrackingKnobs() const;
    // The bounds of the tracked graphics when the knob drag started.
    const Rect &originalSelectedBounds() const { return m_originalSelectedBounds; }
    void setOriginalSelectedBounds(const Rect &bounds) { m_originalSelectedBounds = bounds; }
    // The knob geometry of the drag `drag` (whose bounds become
    // originalSelectedBounds): the transformation that moves `knob` from
    // `start` to `current` (document points), the knob's own place snapped.
    AffineTransform transformationForMovingKnob(TDKnobGeometry &drag, Knob knob, Point start, Point current,
                                                bool shiftConstrained, bool altConstrained) const;
    AffineTransform transformationForMovingKnob(TDKnobGeometry &drag, Knob knob, Point start, Point current,
                                                Point offset, bool shiftConstrained,
                                                bool altConstrained) const;
    // The same from an event: the identity for Escape; mouse events read the
    // pointer, other events reuse the drag's last pointer position.
    AffineTransform transformationForMovingKnob(TDKnobGeometry &drag, Knob knob, Point start,
                                                const TDEvent &event) const;
    AffineTransform transformationForMovingKnob(TDKnobGeometry &drag, Knob knob, Point start, Point offset,
                                                const TDEvent &event) const;
    Point snapToGrid(Point point) const override;
    Point snapToMarkers(Point point) const;
    bool isEventEscape(const TDEvent &event) const override;
    bool isEventTab(const TDEvent &event) const;
    // Knob drags transform the stroke and the shape (cleared while the
    // "stroke scale key" or a "shape scale key" is held).
    bool transformStroke() const { return m_transformStroke; }
    bool transformShape() const { return m_transformShape; }
    void setTransformStroke(bool on) { m_transformStroke = on; }
    void setTransformShape(bool on) { m_transformShape = on; }
    // A drag ended with Ctrl held: key equivalents are swallowed until Ctrl
    // is let go.
    void setTrackingWithCommand(bool on) { m_trackingWithCommand = on; }

    // --- Menus and validation (TDGraphicView+Menus.cpp) -----------------------------------------------
    // What a menu or toolbar item needs to be enabled, written as its tag.
    // Menu items carry it as their validation tag (setValidationTag); the
    // toolbar's items carry it as their data.  The rules by tag: 1 a
    // selection, 2 two selected graphics, 3 selected nodes in the edit
    // tool, 30 a selected group, 50 always; any other tag above 9 two
    // selected graphics, or in the edit tool only 14 and 15 (alignments of
    // nodes); 5 to 9 a selection; below 5 always.  On the toolbar: 0 and
    // below always, 1 a selection, 2 and above two selected graphics.
    enum class MenuTag : int {
        Always = 0,
        Selection = 1,
        TwoGraphics = 2,
        SelectedNodes = 3,
        Arrange = 5,
        AlignLeft = 10,
        AlignRight = 11,
        AlignTop = 12,
        AlignBottom = 13,
        AlignHorizontalCentres = 14,
        AlignVerticalCentres = 15,
        Group = 30,
        Effects = 50,
    };
    static void setValidationTag(QAction *action, MenuTag tag);
    // The item's validation tag; none for an item that is always enabled.
    static std::optional<MenuTag> validationTag(const QAction *action);
    bool validateMenuItem(MenuTag tag) const;
    bool validateToolbarItem(MenuTag tag) const;
    // Enables each tagged action (and those of submenus) by its tag.
    void validateMenuItems(const QList<QAction *> &actions) const;
    // The contextual menus: one in the edit tool, one in every other tool
    // (not owned).
    void setContextualMenus(QMenu *editMenu, QMenu *selectMenu);
    // The menu a contextual click at the event's point shows: none over a
    // selection knob, or right after Ctrl+Space took the zoom tool.
    QMenu *menuForEvent(const TDEvent &event) const;

    // --- Rulers and guide markers (TDGraphicView+Rulers.cpp) -------------------------------------------
    // The canvas is the client of its scroll view's two rulers.  A guide is
    // a guide marker (TDRulerMarker::guideTag) on a ruler: those of the
    // horizontal ruler are vertical lines at their x, those of the vertical
    // ruler horizontal lines at their y.  Adding, moving, removing and
    // clearing guides are undo steps that change the document.  Without a
    // scroll view there are no rulers and the guides are the document's.
    TDRulerView *horizontalRuler() const;
    TDRulerView *verticalRuler() const;
    // Once: the canvas becomes the rulers' client, in the user's unit, and
    // follows "Ruler units did change".
    void setupRulers();
    // Both rulers to the unit of "measurementUnits".
    void updateUnits();
    // Ruler zero at the document's origin, at the present zoom.
    void updateRulers();
    bool rulersVisible() const override;
    void toggleRuler() { setRulersVisible(!rulersVisible()); }
    // Shows or hides both rulers; mouse moves reach the canvas exactly
    // while they show, and the pointer is echoed on them.
    void setRulersVisible(bool visible);
    // The pointer echo: one line on each ruler at the point (document
    // points).
    void beginEchoingMouseRulers(Point point);
    void continueEchoingMouseRulers(Point point);
    void stopEchoingMouseRulers();
    // The selection echo of a knob drag: lines at the minimum, middle and
    // maximum of the rectangle on each ruler.
    void beginEchoingMoveToRulers(const Rect &rect);
    void continueEchoingMoveToRulers(const Rect &rect);
    void stopEchoingMoveToRulers();
    // Where the echo lines stand (none while there is no echo).
    std::optional<Point> mouseEchoPoint() const { return m_rulerLinePoint; }
    std::optional<Rect> moveEchoRect() const { return m_rulerLineRect; }

    // The guides' locations, in the ruler's marker order.  While a text
    // editor borrows the horizontal ruler these are the guides kept aside,
    // never the editor's markers.
    std::vector<float> hMarkers() const override;
    std::vector<float> vMarkers() const override;
    // One guide for each location (no undo step): guides read from a file.
    void addMarkers(const std::vector<float> &locations, bool horizontal) override;
    // Every guide replaced by these, without undo (the document was read
    // again).
    void replaceGuides(const std::vector<float> &horizontal, const std::vector<float> &vertical);
    // Removes every guide as one undo step named "Clear Guides"; other
    // markers stay.  Nothing happens without guides.
    void clearGuides();
    // Guide lines shown (and snapped to) or not; adding or moving a guide
    // shows them again.
    bool showGuides() const { return m_showGuides; }
    void toggleGuides();
    // The guides item reads "Hide Guides" while guides show, else "Show
    // Guides" (not owned).
    void setGuidesMenuItem(QAction *item);
    void fixGuidesMenu();

    // The text editor borrows the horizontal ruler: saveRulers keeps its
    // guides aside (the editor may then replace the ruler's markers and
    // become its client); cleanRulers makes the canvas the client again,
    // drops the editor's markers and accessory, and puts the kept guides
    // back, as they are by then (guide edits and undo in between act on
    // the kept guides).
    void saveRulers() override;
    void cleanRulers() override;
    bool rulersBorrowed() const { return m_keptGuides.has_value(); }

    // TDRulerClient: the rulers' questions about guides.
    void rulerViewHandleMouseDown(TDRulerView &ruler, QMouseEvent *event) override;
    void rulerViewDidAddMarker(TDRulerView &ruler, const TDRulerMarkerPtr &marker) override;
    void rulerViewMarkerTracked(TDRulerView &ruler, const TDRulerMarker &marker, float previousLocation) override;
    void rulerViewDidMoveMarker(TDRulerView &ruler, const TDRulerMarkerPtr &marker, float fromLocation) override;
    void rulerViewDidRemoveMarker(TDRulerView &ruler, const TDRulerMarkerPtr &marker) override;

    // The handle images, paper shadows and other process-wide pictures
    // exist once the first canvas drew; tests may reset the flag.
    static bool shadowsInitialized();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void tabletEvent(QTabletEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool event(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

Q_SIGNALS:
    // The selection, the tool or the document may have changed: menu and
    // toolbar items should be validated again.
    void validationNeeded();

private:
    // Rulers: a guide put on (or taken off) its ruler, or the kept
    // guides while the horizontal ruler is borrowed; the line redrawn.
    void insertGuide(TDRulerView &ruler, const TDRulerMarkerPtr &marker);
    void takeGuide(TDRulerView &ruler, const TDRulerMarkerPtr &marker);
    std::vector<TDRulerMarkerPtr> guidesOf(const TDRulerView *ruler) const;
    void invalidateGuide(bool horizontalRuler, float location);
    void registerGuideUndo(const QString &operation, std::function<void(TDGraphicView &)> undo,
                           const QString &actionName);
    // The isolation backdrop: the container's graphics but `leftOut`; the
    // groups that hold it are drawn child by child.
    void drawAllBut(const TDGroup &container, const TDGraphic *leftOut, GraphicsContext &context);

    // Puts a boolean's result path into the first operand (or removes it
    // for no path) and removes the others, as one named step.
    void installCombinedPath(const TDGraphicArray &operands, std::optional<TDBezierPath> path,
                             const QString &actionName);
    void reportEngineFailure(int code);
    // Runs the conversion on every selected graphic as one named step; the
    // results (or the graphics that could not be converted) become the
    // selection.
    void convertSelection(const std::function<TDGraphicPtr(TDGraphic &, QString *)> &convert,
                          const QString &actionName);
    // Translates the graphic by (dx, dy) as one manipulation; nothing for
    // no move.
    static void translateGraphic(TDGraphic &graphic, float dx, float dy);

    bool gathersAcrossContainers() const;
    // After a press: the tool returns, the status hint follows.
    void finishPress();
    void endTracker(bool cancelled, const TDEvent &event);
    // Ends the gesture under way as a release at the last known position
    // would (a lost release, a new press before the release).
    void endTrackerAsReleased();
    // The press, the pointer's moves and the release, from the mouse or a
    // tablet pen, routed to the tracker that runs or to the tool.
    void pressAt(TDEvent down, int clickCount);
    void moveTo(TDEvent moved, bool buttonDown);
    void releaseAt(const TDEvent &up);
    TDEvent eventFromMouse(QMouseEvent *event, TDEvent::Type type) const;
    TDEvent eventAt(QPointF position, Qt::KeyboardModifiers modifiers, TDEvent::Type type) const;
    TDEvent eventFromKey(QKeyEvent *event, TDEvent::Type type) const;
    void eventHandled();
    void selectAndTrackMouseWithEvent(const TDEvent &event);
    void selectAndTrackEditWithEvent(const TDEvent &event);
    void updateCursor();
    void registerSelectionUndo(const QString &operation, std::function<void(TDGraphicView &)> undo,
                               const QString &actionName);
    void postSelectionChange(TDGraphic *graphic);
    bool someSelectedGraphicHasSelectedNodes() const;
    // Sends the node edit, with each graphic's selected nodes, to every
    // selected path graphic that has some, inside one step named `actionName`.
    using NodeEdit = void (TDBezierGraphic::*)(const QList<int> &);
    void actNodes(NodeEdit edit, const QString &actionName);
    // Redraws the graphics (inside groups too) whose identity numbers are
    // keys of either map and whose nodes differ between them.
    void invalidateNodeChanges(const NodeMap &before, const NodeMap &after);
    AffineTransform documentToWidget() const;
    // Sets the bounds origin (document units) and the frame (pixels).
    void setFrameAndBounds(QSize frame, Point boundsOrigin);
    DragInfo dragInfoForEvent(const QDropEvent &event) const;
    // Where a paste or drop centres what it brings: the pointer while it is
    // in the visible area, else the visible area's centre.
    Point pasteCentre(const DragInfo *dragInfo) const;
    // The index when hit tests may ask it: there is one, the document is
    // this canvas's, and the outline view (whose clip outlines are hit
    // beyond their areas) is off.
    TDSpatialIndex *hitIndex() const;
    // The editable graphics (TDDocument::editableGraphics, bottom first)
    // whose areas meet `rect`: those the index finds there, or all of them
    // when it cannot tell.
    TDGraphicArray editableGraphicsNear(const Rect &rect) const;

    ObjectId m_identity = Identified::next();
    TDToolStrip *m_drawModeController = nullptr;
    TDDocument *m_document = nullptr;
    bool m_cmykPreview = false;
    bool m_outlineView = false;
    double m_horizontalDPI = 1.0;
    double m_verticalDPI = 1.0;
    EditState m_mode = EditState::None;
    // The tool to return to after the keyboard's temporary hand or zoom.
    std::optional<Tool> m_modeBefore;
    bool m_modeBeforeLock = false;
    bool m_didJustKeyZoom = false;
    TDGraphicPtr m_creatingGraphic;
    TDGraphicPtr m_gradientGraphic;
    TDGraphicArray m_selectedGraphics;
    NodeMap m_graphicNodes;
    std::optional<NodeMap> m_rubberbandNodes;
    TDGraphicArray m_createdGraphics;
    Rect m_originalSelectedBounds;
    bool m_trackingWithCommand = false;
    bool m_transformStroke = true;
    bool m_transformShape = true;
    bool m_hasMoused = false;
    int m_pasteCascadeNumber = 0;
    float m_pasteDx = 0;
    float m_pasteDy = 0;
    // The pasteboard of the last copy or paste: its change count, and
    // whether it was one made for a duplicate.
    int m_pasteboardChangeCount = 0;
    bool m_pasteboardWasUnique = false;
    std::weak_ptr<TDGraphic> m_editingGraphic;
    std::unique_ptr<TDTextView> m_textEditor;
    bool m_secondaryEditing = false;
    Rect m_rubberbandRect;
    bool m_showGuides = true;
    bool m_rulersSetUp = false;
    std::optional<Point> m_rulerLinePoint;
    std::optional<Rect> m_rulerLineRect;
    // The horizontal ruler's guides while a text editor borrows it.
    std::optional<std::vector<TDRulerMarkerPtr>> m_keptGuides;
    QPointer<QAction> m_guidesMenuItem;
    bool m_recordInvalidRects = false;
    Rect m_recordedRect;
    bool m_altKey = false;
    // A key went down that a tool letter's release may act on.
    bool m_letterDown = false;
    bool m_useIsolation = false;
    bool m_inIsolation = false;
    // The isolation backdrop: its pixels (transparent where nothing is),
    // the zoom and visible area they were drawn for.
    QImage m_isoBuffer;
    float m_isoZoom = 0;
    Rect m_isoVisibleRect;
    int m_isolationBuilds = 0;
    bool m_proofObserving = false;
    QTimer *m_splashTimer = nullptr;

    // The frame's bounds origin in document units.
    Point m_boundsOrigin;
    // The scratch image each paint draws into (at least the dirty area).
    QImage m_backing;
    // The context of the paint under way, for drawHandleAtPoint.
    GraphicsContext *m_context = nullptr;
    std::unique_ptr<TDTracker> m_tracker;
    QPointer<QMenu> m_editContextualMenu;
    QPointer<QMenu> m_selectContextualMenu;
    // Work that waits for the running tracker to end (the end of a press).
    std::function<void()> m_afterTracking;
    Point m_lastMouseLocation;
    unsigned m_lastModifiers = 0;
    // A creation under way drops the undo registrations of the graphic it
    // builds: until it joins the document, undo has nothing to restore.
    std::unique_ptr<TDUndoManager::CreateGraphicsScope> m_creationScope;
    // Kept up to date by the graphics' change notes (TDGraphicIndex).
    std::unique_ptr<TDSpatialIndex> m_index;
};

} // namespace scrivane
