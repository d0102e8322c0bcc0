#pragma once

#include "model/TDCanvasTypes.h"
#include "model/TDFilter.h"
#include "model/TDModelTypes.h"
#include "platform/AffineTransform.h"
#include "platform/Archivable.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/Identified.h"
#include "platform/PropertyList.h"
#include "platform/XmlElement.h"
#include "platform/effects/EffectValue.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace scrivane {

class GraphicsContext;
class KeyedUnarchiver;
class PathBase;
class TDBezierPath;
class TDDictionaryReader;
class TDDocumentInterface;
class TDDrawProtocol;
class TDFillStyle;
class TDGraphicViewInterface;
class TDStrokeStyle;
class TDSvgContext;
class TDUndoManager;
struct TDEvent;

// The base of every graphic in a document: identity and name, the back
// references to the document and the parent group, visibility and lock,
// fill and stroke, the four transformations (shape, fill, stroke, text)
// with their manipulation, the shadow, blend mode and opacity, the effect
// list as a stored property, the cached path in document coordinates, the
// bounds, hit tests, drawing and the dictionary form.
//
// Graphics are held by std::shared_ptr (create them with std::make_shared):
// undo registrations and child lists keep them through it.  A graphic made
// any other way works, but registers no undo.
//
// Every edit is bracketed by willChange/didChange; the outermost didChange
// repaints the area the graphic covered before and after, and posts
// "TDGraphicDidChange" with the graphic as object.  Undoable setters
// register their inverse with the document's undo manager under the
// setter's name ("setAlphaValue", ...).  Without a document, canvas or undo
// manager, what would be asked of them is not asked.
class TDGraphic : public Archivable, public Identified, public std::enable_shared_from_this<TDGraphic> {
public:
    // The notification posted by the outermost didChange.
    static const QString didChangeNotification; // "TDGraphicDidChange"

    TDGraphic();
    ~TDGraphic() override;
    TDGraphic(const TDGraphic &) = delete;
    TDGraphic &operator=(const TDGraphic &) = delete;

    // --- Identity and placement -------------------------------------------------
    const QString &name() const { return m_name; }
    // Undoable ("Set name"); reloads the layers panel.
    void setName(const QString &name);
    // Process-wide serial number, never stored, never reused within a run.
    int IDint() const { return m_ID; }
    PropertyList IDobj() const { return PropertyList(m_ID); }

    TDDocumentInterface *document() const { return m_document; }
    // On entry into a document: gives the fill the document's package, a
    // graphic still named "?" its numbered name, and tells the stroke that
    // the geometry changed.  Nothing when the document is the current one.
    virtual void setDocument(TDDocumentInterface *document);
    // The parent group (not owned); null outside a group.
    std::shared_ptr<TDGroup> layer() const { return m_layer.lock(); }
    void setLayer(const std::shared_ptr<TDGroup> &group) { m_layer = group; }
    // The document's undo manager, or null.
    TDUndoManager *undoManager() const;
    // The document's canvas, or null.
    TDGraphicViewInterface *graphicView() const;

    void create(bool creating) { m_creating = creating; }
    bool creating() const { return m_creating; }

    bool visible() const { return m_visible; }
    virtual void setVisible(bool visible);
    // The flag alone: no undo, no repaint (the layers panel uses it).
    void setVisibleQuiet(bool visible) { m_visible = visible; }
    bool locked() const { return m_locked; }
    virtual void setLocked(bool locked);
    // The flag alone.
    void setLockedQuiet(bool locked) { m_locked = locked; }

    const std::shared_ptr<TDFillStyle> &fillStyle() const { return m_fillStyle; }
    const std::shared_ptr<TDStrokeStyle> &strokeStyle() const { return m_strokeStyle; }

    // --- Style transfer (each inside one change bracket) ------------------------------
    void copyFillFrom(const TDGraphic &other);
    void copyStrokeFrom(const TDGraphic &other);
    void copyEffectsFrom(const TDGraphic &other);
    void copyFiltersFrom(const TDGraphic &other);
    void copyStyleFrom(const TDGraphic &other);
    // Shares the other graphic's fill and stroke objects and effect list
    // instead of copying them (brush distortion).
    void setStyleFrom(const TDGraphic &other);

    // --- Shadow, blend mode, opacity (undoable, skippable) ---------------------------
    bool hasShadow() const { return m_hasShadow; }
    void setHasShadow(bool on);
    void setHasShadow_n(const PropertyList &value) { setHasShadow(value.toBool()); }
    float shadowRadius() const { return m_shadowRadius; }
    void setShadowRadius(float radius);
    void setShadowRadius_n(const PropertyList &value) { setShadowRadius(value.toFloat()); }
    float shadowOffset() const { return m_shadowOffset; }
    float shadowDistance() const { return m_shadowOffset; }
    void setShadowDistance(float distance);
    void setShadowDistance_n(const PropertyList &value) { setShadowDistance(value.toFloat()); }
    // Radians.
    float shadowAngle() const { return m_shadowAngle; }
    void setShadowAngle(float angle);
    void setShadowAngle_n(const PropertyList &value) { setShadowAngle(value.toFloat()); }
    const Color &shadowColor() const { return m_shadowColor; }
    void setShadowColor(const Color &color);
    // Blend mode numbers 0..15 (0 normal).
    int blendMode() const { return m_blendMode; }
    void setBlendMode(int mode);
    void setBlendMode_n(const PropertyList &value) { setBlendMode(int(value.toInteger())); }
    float alphaValue() const { return m_alphaValue; }
    void setAlphaValue(float alpha);
    void setAlphaValue_n(const PropertyList &value) { setAlphaValue(value.toFloat()); }

    // --- Effects ----------------------------------------------------------------------------
    // The effect chain, first applied first.
    const TDFilterArray &filterArray() const { return m_filterArray; }
    // Plain store (the effects themselves, not copies): no undo, no change
    // bracket.
    void setFilterArray(const TDFilterArray &filters)
    {
        m_filterArray = filters;
        m_filterArrayGeneration = nextFilterArrayGeneration();
        noteBoundsChange();
    }
    // A number that changes whenever the effect list is replaced, never
    // taken twice in the process: panels that show the list tell by it that
    // theirs is stale (an address could be that of a new list).
    quint64 filterArrayGeneration() const { return m_filterArrayGeneration; }
    // Undoable ("Set filter data"): stores a copy of each effect, rescaled
    // to this graphic's filter resolution.
    void setFilterArrayUndoable(const TDFilterArray &filters);
    // The same from the keyed archive of an effect list.
    void setFilterArrayUndoableDecode(const QByteArray &archivedFilters);
    bool usesFilters() const { return m_usesFilters; }
    void setUsesFilters(bool on);
    void setUsesFilters_n(const PropertyList &value) { setUsesFilters(value.toBool()); }
    // Effect buffer pixels per document point (1 by default).
    int filterResolution() const { return m_filterResolution; }
    // Undoable; the effects' inputs follow the new resolution.
    void setFilterResolution(int resolution);
    void setFilterResolution_n(const PropertyList &value) { setFilterResolution(int(value.toInteger())); }
    // Effects draw: the list is not empty and switched on.
    bool useFiltersDrawing() const { return m_usesFilters && !m_filterArray.empty(); }
    // Whether an enabled effect depends on where the graphic lies (one with
    // a position or rectangle input), so that a child moving inside a group
    // with such effects changes the group's drawing as a whole.
    bool boundsAffectsDrawing() const;
    // The area (document coordinates) the effect output of `rect` covers;
    // `rect` is in effect buffer pixels: filterResolution pixels per point
    // from the origin of drawingBoundsWithoutEffects.  Empty while effects
    // do not draw or when the output is unbounded; never beyond the paper.
    Rect calculateFilterExtentForRect(const Rect &rect);
    // Stores the extent of the whole buffer as filterExtent.
    void calculateFilterExtent();
    const Rect &filterExtent() const { return m_filterExtent; }
    virtual bool containsImage() const;

    // --- Effect pipeline (TDGraphic+Filters.cpp) ---------------------------------------------
    // What the graphic paints without effects (its fill and stroke, a
    // group's children), drawn in document coordinates into `context` for
    // `view`.  Into the effect buffer, `view` is the target that the draw
    // is for, answering the buffer's pixels per point as its zoom.
    using FilterPaint = std::function<void(TDDrawProtocol *view, GraphicsContext &context)>;
    // The effect buffer never holds more pixels than this: larger areas are
    // rendered at a lower resolution.
    static constexpr qint64 kMaxFilterBufferPixels = qint64(1) << 22;
    // Runs the chain over `input` (the graphic's own image): enabled effects
    // in order, generators composited over what came before, composite
    // effects over it with the graphic's own image, a lone vector-composite
    // effect told to answer its effect alone, a trailing source-over left
    // out.  Sets needsVectorComposite.
    ImageRef filterResult(const ImageRef &input);
    // Set by the last evaluation of the chain: the fill and stroke are to be
    // painted again, sharply, over the effect.
    bool needsVectorComposite() const { return m_needsVectorComposite; }
    // Whether the effects can run on the image fill's own pixels: an image
    // fill of a bitmap, no stroke, and only effects that do not depend on
    // the shape of pixels.
    bool canOptimiseImageFilters() const;
    // Lays the buffer out over drawingBoundsWithoutEffects at the filter
    // resolution; leaving the image road drops its cached image.
    void createFilterBuffer();
    // Releases the buffer and every cached image.
    void deleteFilterBuffer();
    // Starts an effect draw for `view`: `paint` is drawn into the buffer
    // where the chain needs it, which endFiltersInView decides.
    void startFilters(TDDrawProtocol *view, FilterPaint paint);
    // Runs the chain and paints its output into `context`, within the paper
    // and the part of the buffer that can be seen; then lets go of every
    // image the effects held.
    void endFiltersInView(TDDrawProtocol *view, GraphicsContext &context);
    // The image road: the chain over the fill image's pixels, painted into
    // the fill's place inside the path.
    void filterImageInView(TDDrawProtocol *view, GraphicsContext &context);

    // Groups clip by their last child; a plain graphic never clips.
    virtual bool clip() const { return false; }
    virtual void setClip(bool) {}
    void setClip_n(const PropertyList &value) { setClip(value.toBool()); }

    // --- Geometry -------------------------------------------------------------------------
    // The bounds of the cached path (document points).  Plain store.
    const Rect &bounds() const { return m_bounds; }
    void setBounds(const Rect &bounds)
    {
        m_bounds = bounds;
        noteBoundsChange();
    }
    virtual Rect editingBounds() const;
    virtual Rect drawingBounds() const;
    virtual Rect drawingBoundsWithoutEffects() const;
    // Replaces the computed drawing bounds while set (not owned).
    void overrideDrawingBounds(const Rect *bounds)
    {
        m_overriddenDrawingBounds = bounds;
        noteBoundsChange();
    }
    // The area a change of this graphic can repaint, seen from the top of
    // its parent chain.
    virtual Rect updateBounds() const;

    // The subclass's own path, before the shape transformation; none in the
    // base, so a bare graphic has no path and keeps the bounds it is given.
    virtual std::shared_ptr<TDBezierPath> bezierPath() const { return nullptr; }
    // The path in document coordinates, built on first use.
    virtual std::shared_ptr<TDBezierPath> cachedBezierPath();
    void setCachedBezierPath(std::shared_ptr<TDBezierPath> path)
    {
        m_cachedBezierPath = std::move(path);
        noteBoundsChange();
    }
    bool hasCachedBezierPath() const { return m_cachedBezierPath != nullptr; }
    void recalculatePath();
    // The path that clips when this graphic is a group's clip graphic.
    virtual std::shared_ptr<TDBezierPath> clipPath();

    // --- Hit tests -----------------------------------------------------------------------------
    virtual bool hitTest(Point point);
    virtual bool hitTestRect(const Rect &rect);

    // --- Node editing (defaults; shapes with nodes override them) --------------------------------
    virtual int knobUnderPoint(Point) { return 0; }
    virtual int nodeUnderPoint(Point, TDGraphicViewInterface *) { return TDNotFound; }
    virtual int nodeUnderPoint(Point point, TDGraphicViewInterface *view, bool /*reverse*/)
    {
        return nodeUnderPoint(point, view);
    }
    virtual QList<int> nodesUnderRect(const Rect &, TDGraphicViewInterface *) { return {}; }
    virtual Point node(int) const { return Point(); }
    virtual void transformNodes(const QList<int> &, const AffineTransform &) {}
    virtual void transformControl(int, const AffineTransform &) {}
    virtual void transformControl(int, const AffineTransform &, unsigned /*modifierFlags*/) {}
    // Opens the text editor over a graphic with a text fill (see
    // TDGraphic+Text.cpp); any other graphic only announces a change.
    virtual void startEditingWithEvent(const TDEvent *event, TDGraphicViewInterface *view);

    // --- Change protocol ---------------------------------------------------------------------------
    virtual void willChange();
    virtual void didChange();
    // Asks the document to repaint this graphic.
    void invalidate();
    // Tells the styles and the parent group that the geometry changed.
    void didChangeGeometry();
    // Tells the canvas's spatial index (TDGraphicIndex) that the area this
    // graphic can paint or be hit in may have changed.  Every store of
    // something that area depends on calls it; it costs next to nothing
    // without a canvas.
    void noteBoundsChange() const;
    int changeCount() const { return m_changeCount; }

    // --- Transformations and manipulation ----------------------------------------------------------
    const AffineTransform &transformation() const { return m_transformation; }
    const AffineTransform &originalTransformation() const { return m_originalTransformation; }
    const AffineTransform &fillTransformation() const { return m_fillTransformation; }
    const AffineTransform &strokeTransformation() const { return m_strokeTransformation; }
    const AffineTransform &textTransformation() const { return m_textTransformation; }
    // Registers the old transformation (skippable) unless manipulating or
    // creating, also when unchanged; then recalculates the path unless
    // creating.
    void setTransformation(const AffineTransform &transform);
    void setFillTransformation(const AffineTransform &transform);
    void setStrokeTransformation(const AffineTransform &transform);
    void setTextTransformation(const AffineTransform &transform);
    // Stores the shape transformation, nothing else (reading a dictionary).
    void setInitialTransformation(const AffineTransform &transform) { m_transformation = transform; }
    void resetStrokeTransform();
    // The fill (and text) follow the shape again.
    void resetFillTransform();
    // Maps the unit square onto the rectangle.
    static AffineTransform transformForBounds(const Rect &rect);

    virtual void startManipulation();
    virtual void stopManipulation();
    virtual void cancelManipulation();
    bool manipulating() const { return m_manipulating; }
    void setManipulating(bool manipulating) { m_manipulating = manipulating; }
    // Valid between startManipulation and its end: each current
    // transformation becomes its original followed by `transform`.  The
    // spelling "transfromFill" of the parameters' names is historic.
    virtual void transformWithTransformation(const AffineTransform &transform, bool transfromFill,
                                             bool transformStroke, bool transformShape);
    void transformWithTransformation(const AffineTransform &transform, bool transfromFill,
                                     bool transformStroke)
    {
        transformWithTransformation(transform, transfromFill, transformStroke, true);
    }
    void transformWithTransformation(const AffineTransform &transform, bool transfromFill)
    {
        transformWithTransformation(transform, transfromFill, true, true);
    }
    void transformWithTransformation(const AffineTransform &transform)
    {
        transformWithTransformation(transform, true, true, true);
    }
    // Modes 0 left, 1 right, 2 top (smallest y), 3 bottom, 4 horizontal
    // centre, 5 vertical centre; one undo step.
    void align(int mode, const TDGraphic &reference);
    // `path` laid along this graphic's path like a brush: its bounds become
    // the unit box (x along the whole path, y across it in stroke widths),
    // the width follows the stroke width and its pressure curve.
    TDBezierPath distort(const TDBezierPath &path);

    // Interactive creation by dragging.  Starts a knob tracker on the canvas;
    // `completion` receives whether the graphic is to be added (a click
    // without a drag adds nothing, except in the KeepClick mode).  A text
    // box hands over to text creation, which arrives with text graphics:
    // until then it answers false at once.
    using CreationCompletion = std::function<void(bool created)>;
    virtual void createWithEvent(const TDEvent &event, TDGraphicViewInterface *view, CreationMode mode,
                                 CreationCompletion completion);
    // Text creation (the text tool): the box is dragged out with a 1-point
    // blue line, kept also for a click, then becomes a text fill without a
    // stroke; a click or a box smaller than minSize grows with its text.
    void createTextWithEvent(const TDEvent &event, TDGraphicViewInterface *view, CreationCompletion completion);

    // --- Text (TDGraphic+Text.cpp) -------------------------------------------------------------
    // The smallest size of a text box; "unlimited" is the widest a line
    // can be laid out.
    static Size minSize() { return Size(10, 15); }
    static Size maxSize();
    // Whether the text of the fill is being edited in place.
    bool editingText() const { return m_textEditing; }
    // Ends in-place editing: a box growing with its text takes the text's
    // required size; the text flows in the shape again and the canvas's
    // editor closes.  Nothing when not editing.
    virtual void endEditing();
    // The graphic leaves its document: its editing ends.
    void removeFromDocument() { endEditing(); }
    // The editor's text changed: a growing box follows it.
    void textDidChange();
    // Process-wide: the next text editing to start lets its box grow with
    // the text (set by text creation from a click or a box smaller than
    // minSize, consumed when editing starts).
    static bool autoSizeRequest();
    static void setAutoSizeRequest(bool request);
    // Whether the current text editing lets the box grow with its text.
    static bool autoSizing();
    // The box size the text needs within the width limit: the used area of
    // the laid-out text plus 1 point of width and 3 of height, never below
    // minSize; minSize for an empty text.
    Size requiredSize(float widthLimit);
    // The glyph outlines of the laid-out text in document coordinates, in
    // the place and orientation the text is drawn (non-zero winding).
    TDBezierPath convertTextToBezier();

    // --- Conversions ---------------------------------------------------------------------------
    // Each replaces this graphic in its parent and answers the new graphic
    // (null, with nothing changed, when there is nothing to convert or the
    // conversion cannot be made; `error` then says why).
    virtual TDGraphicPtr convertToBezier();
    // A path graphic holding the area the stroke covers (see the path
    // graphic's own conversion).
    virtual TDGraphicPtr convertToOutline(QString *error = nullptr);
    virtual TDGraphicPtr reverse();
    // A rectangle filled with an image of this graphic drawn alone, one
    // pixel per point, over the whole points that hold its drawing; it
    // keeps the shadow, blend mode and opacity, not the effects.  Needs a
    // document that renders.
    virtual TDGraphicPtr convertToBitmap(QString *error = nullptr);
    // The area the stroke covers as a path in document coordinates: the
    // cached path stroked with the stroke's width, join and cap, every
    // subpath together so that where they overlap nothing cancels out; for
    // a brush, its mapped shapes.  Nothing, with the reason, for a stroke
    // without width, text along the path, or a path the engine refuses.
    std::optional<TDBezierPath> strokeOutlinePath(QString *error = nullptr);

    // --- Drawing -----------------------------------------------------------------------------------
    // Paints the graphic into `context` for `view` (which may be null).
    virtual void drawInView(TDDrawProtocol *view, GraphicsContext &context);
    // The selection mark: the path as a hairline, green for the canvas's
    // first selected graphic, blue for the others.
    virtual void drawSelectionInView(TDGraphicViewInterface *view, GraphicsContext &context);
    // Editing decorations (handles); none in the base.
    virtual void drawEditingInView(TDDrawProtocol *view, GraphicsContext &context);
    void initDrawing();

    // --- SVG (TDGraphic+Svg.cpp) ---------------------------------------------------------------------
    // The graphic's element tree in an SVG export, in document coordinates:
    // its fill and stroke (one element when one carries both, else a
    // group), with opacity, blend mode, shadow and a lone blur as SVG
    // attributes and filters; other effects make the graphic a picture.  A
    // hidden graphic is written with display="none".  Shared definitions and
    // image files are registered with `context`.
    virtual XmlElement svg(TDSvgContext &context);
    // The outline as one shape element: "path" of the cached path here;
    // rectangles and ovals answer "rect" and "ellipse" where those draw the
    // same.
    virtual XmlElement svgShape();
    // Adds display, opacity, blend mode and the shadow and blur filter.
    void addEffectsToSVGElement(XmlElement &element, TDSvgContext &context);
    // "x", "y", "width" and "height" of the rectangle.
    static void setSVGRect(XmlElement &element, const Rect &rect);
    // "url(#id)".
    static std::string svgURL(const std::string &id);

    // --- Dictionary form and archive ---------------------------------------------------------------
    // The stored dictionary; subclasses add their keys to the base's.
    virtual PropertyList toYAML() const;
    // Reads a stored dictionary into a fresh graphic.  Values of the wrong
    // kind are skipped with a warning; absent keys keep the defaults.
    virtual void initWithDictionary(const PropertyList &dictionary);
    // The same from stored values however they are held (a dictionary
    // value, or a dictionary read in place from an archive); subclasses
    // extend this one.
    virtual void initWithValues(const TDDictionaryReader &values);
    // A new graphic of this class from a dictionary.
    static std::shared_ptr<TDGraphic> objectWithYAML(const PropertyList &dictionary);
    // The keyed archive holds the dictionary as one unkeyed value.
    QString archiveClassName() const override { return QStringLiteral("TDGraphic"); }
    QStringList archiveClassHierarchy() const override;
    void encode(KeyedArchiver &archiver) const override;
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    // What a graphic class's decode function does: reads the stored
    // dictionary of the object being decoded in place into `graphic`
    // (through `read`, else its initWithValues) and answers it; nothing,
    // with a warning, when the archive holds something else.
    using StoredReader = std::function<void(TDGraphic &, const TDDictionaryReader &)>;
    static std::shared_ptr<Archivable> decodeStored(KeyedUnarchiver &unarchiver, const char *owner,
                                                    std::shared_ptr<TDGraphic> graphic,
                                                    const StoredReader &read = StoredReader());

    // The kind shown in names and undo titles ("Rect", "Group", ...).
    virtual QString defaultNameFormat() const;

protected:
    // Registers an inverse with the undo manager, if any.  `undo` runs on
    // this graphic when it still exists.
    enum class Registration { Ordinary, Skippable };
    void registerUndo(Registration kind, const QString &operation, std::function<void(TDGraphic &)> undo);
    void setUndoActionName(const QString &key);

    // SVG building blocks of the subclasses (TDGraphic+Svg.cpp).
    // A picture of the graphic when its effects are beyond what SVG filters
    // express (an empty group when none can be made); nothing when the
    // vector elements show it.
    std::optional<XmlElement> svgPicture(TDSvgContext &context);
    static XmlElement svgPathElement(const PathBase *path);
    // The box the unit square is mapped onto when `t` only scales (mirrored
    // or not) and moves; nothing otherwise.
    static std::optional<Rect> svgAxisAlignedBox(const AffineTransform &t);
    // "clip" and the graphic's serial number: unique within the process.
    std::string svgClipId() const;
    // Text inside the shape and text along the path as the canvas places
    // them (TDGraphic+SvgText.cpp); nothing when no character shows.
    std::optional<XmlElement> svgTextFill();
    std::optional<XmlElement> svgTextOnPath();
    // Stores the document reference and nothing else.
    void setDocumentReference(TDDocumentInterface *document) { m_document = document; }

    template <class T> std::shared_ptr<T> self() { return std::static_pointer_cast<T>(shared_from_this()); }

    // Fields shared with the subclasses.
    Rect m_bounds{0, 0, 1, 1};
    Rect m_originalBounds;
    Rect m_changeRect;
    int m_changeCount = 0;
    bool m_manipulating = false;
    bool m_creating = false;
    bool m_textEditing = false;
    bool m_wasUnscaled = false;
    std::shared_ptr<TDBezierPath> m_cachedBezierPath;

private:
    // Tracks the creation drag of the bottom-right corner from `event`;
    // `done` learns whether it completed and whether it moved.
    void trackCreation(const TDEvent &event, TDGraphicViewInterface *view,
                       std::function<void(bool completed, bool moved)> done);
    // Where the fill and stroke can paint, for the graphic's transparency layer.
    Rect layerBounds();
    QString m_name = QStringLiteral("?");
    int m_ID;
    TDDocumentInterface *m_document = nullptr;
    std::weak_ptr<TDGroup> m_layer;
    bool m_locked = false;
    bool m_visible = true;

    AffineTransform m_transformation;
    AffineTransform m_originalTransformation;
    AffineTransform m_fillTransformation;
    AffineTransform m_originalFillTransformation;
    AffineTransform m_strokeTransformation;
    AffineTransform m_originalStrokeTransformation;
    AffineTransform m_textTransformation;
    AffineTransform m_originalTextTransformation;
    float m_originalStrokeWidth = 1;

    std::shared_ptr<TDFillStyle> m_fillStyle;
    std::shared_ptr<TDStrokeStyle> m_strokeStyle;

    int m_blendMode = 0;
    float m_alphaValue = 1;

    TDFilterArray m_filterArray;
    static quint64 nextFilterArrayGeneration();
    quint64 m_filterArrayGeneration = nextFilterArrayGeneration();
    Rect m_filterExtent;
    bool m_usesFilters = false;
    int m_filterResolution = 1;
    bool m_needsVectorComposite = false;
    // The effect buffer and the image road's cached image (TDGraphic+Filters.cpp).
    struct FilterBuffer;
    std::shared_ptr<FilterBuffer> m_filterBuffer;
    FilterBuffer &filterBuffer();
    // Drops the images the chain's filters hold after an evaluation.
    void clearChainInputs();

    bool m_hasShadow = false;
    float m_shadowRadius = 3.0f;
    float m_shadowOffset = 5.0f;
    float m_shadowAngle = 2.3561945f;
    Color m_shadowColor = Color::calibratedWhite(0, 0.33f);

    const Rect *m_overriddenDrawingBounds = nullptr;
};

} // namespace scrivane
