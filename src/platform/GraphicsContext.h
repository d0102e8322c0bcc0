#pragma once

#include "platform/AffineTransform.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/PathBase.h"

#include <QImage>
#include <QString>

#include <cairo.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class QIODevice;

namespace scrivane {

// Blend modes; the numbers are those stored in documents.
enum class BlendMode : int {
    Normal = 0,
    Multiply = 1,
    Screen = 2,
    Overlay = 3,
    Darken = 4,
    Lighten = 5,
    ColorDodge = 6,
    ColorBurn = 7,
    SoftLight = 8,
    HardLight = 9,
    Difference = 10,
    Exclusion = 11,
    Hue = 12,
    Saturation = 13,
    Color = 14,
    Luminosity = 15,
};

// How an image or a rectangle fill meets what is already there: composited
// over it with the blend mode, or replacing it inside the destination.
enum class CompositeOperation { SourceOver, Copy };

// Which way up the rows of an image lie in the destination rectangle.
// BottomLeft is an ordinary (unflipped) image: its bottom row lies along the
// destination's minimum y, and a source rectangle counts from its bottom-left
// corner; in a y-down user space it therefore appears upside down, and
// callers that want it upright there flip the destination themselves.
// TopLeft is a flipped image: its top row lies along the minimum y and the
// source rectangle counts from the top-left corner, as QImage does.
enum class ImageOrigin { BottomLeft, TopLeft };

enum class SurfaceKind { Raster, Pdf, PostScript, OtherVector };

// A context shadow.  Offset and blur are in the base space of the target,
// not affected by the current transformation: base units are device pixels
// of an image (logical pixels when the image has a device scale) and points
// of PDF and EPS pages, and the offset's y grows upwards whichever way the
// user space runs.  The shadow is a Gaussian blur of the painted alpha with a
// standard deviation of blur / 2, tinted with the colour.
struct ContextShadow {
    Size offset;
    float blur = 0;
    scrivane::Color color = scrivane::Color::calibratedWhite(0, 1.0f / 3.0f);
};

struct LineStyle {
    // 0 (or anything but a positive finite number) is the thinnest line the
    // target shows: one device pixel.
    float width = 1;
    LineCapStyle cap = LineCapStyle::Butt;
    LineJoinStyle join = LineJoinStyle::Miter;
    float miterLimit = 10;
    // Lengths in user units, on and off in turn; empty is a solid line.
    std::vector<float> dash;
    float dashPhase = 0;

    // The attributes a path carries.
    static LineStyle of(const PathBase &path);
    // Finite, not negative, and not all zero (an empty dash is valid).
    static bool isValidDash(const std::vector<float> &dash, float phase);
};

// Colour of a shading at t in [0, 1]: red, green, blue and straight
// (not premultiplied) alpha, each clamped to [0, 1] when used.
using ShadingFunction = std::function<std::array<float, 4>(float t)>;

struct Shading {
    enum class Kind { Axial, Radial };
    Kind kind = Kind::Axial;
    // Axial: the ends of the axis (t = 0 at start, 1 at end).  Radial: the
    // centres of the start and end circles.
    Point start;
    Point end;
    float startRadius = 0; // radial only
    float endRadius = 0;   // radial only
    // Whether the colour at t = 0 (t = 1) goes on beyond the start (end).
    bool extendStart = false;
    bool extendEnd = false;
    ShadingFunction function;
    // Positions in [0, 1] between which `function` is linear in straight
    // alpha (a gradient's stops).  The function is then evaluated only there,
    // which reproduces it exactly; two stops at one position make a hard
    // edge.  Empty: the function is sampled at 256 evenly spaced positions.
    std::vector<float> breakpoints;
};

// The drawing context that graphics paint through: a cairo context plus the
// drawing semantics graphics expect of it.
//
// - A state stack (save/restore) carries the transformation, the clip, the
//   blend mode, the global alpha, the shadow, the line style and the fill
//   and stroke colours.
// - Each painting operation (fill, stroke, rectangle fill, image, shading,
//   and the composite of a transparency layer) is drawn with the state's
//   blend mode and alpha; when a shadow is set, its blurred, tinted and
//   offset alpha is drawn under it first.  Shadows are rasterised: in PDF and
//   EPS they become images.
// - Transparency layers collect what is painted inside them and composite it
//   once, with the alpha, blend mode and shadow that were in effect when the
//   layer began (inside the layer those start afresh).
// - Input cairo would turn into its sticky error state (coordinates that are
//   not finite, singular matrices, bad dashes) is refused before cairo sees
//   it, with one warning per kind.  Should the cairo context fail all the
//   same, `hasError` says so and one warning is printed.
//
// A user space that is "flipped" runs y downwards, like the canvas; the
// context only records the flip its maker chose and starts the user space
// that way (an unflipped context over an image or page starts y-up from the
// bottom-left corner).
class GraphicsContext {
public:
    enum class Ownership { Borrow, Adopt };
    enum class LineSource { Path, Context };

    // A context over an existing cairo context.  Its current transformation
    // and clip become the base of this context; a borrowed cairo context is
    // given back with its state as it was.
    GraphicsContext(cairo_t *cr, bool flipped, Ownership ownership = Ownership::Borrow);
    GraphicsContext(const GraphicsContext &) = delete;
    GraphicsContext &operator=(const GraphicsContext &) = delete;
    ~GraphicsContext();

    // A context over the pixels of `image`, which is converted to
    // Format_ARGB32_Premultiplied when it has another format.  Its device
    // pixel ratio becomes cairo's device scale (user units are then logical
    // pixels).  The image must outlive the context and must not be resized;
    // call `flush` (or destroy the context) before Qt reads it.
    static std::unique_ptr<GraphicsContext> forImage(QImage &image, bool flipped);
    // A context over any cairo surface (a reference is taken).
    static std::unique_ptr<GraphicsContext> forSurface(cairo_surface_t *surface, bool flipped);
    // One PDF page of `pageSize` points written to `device` (which must stay
    // open until `finish`), or to a file.  A file that cannot be opened
    // answers nothing and, when asked, the reason.
    static std::unique_ptr<GraphicsContext> forPdf(QIODevice *device, Size pageSize, bool flipped);
    static std::unique_ptr<GraphicsContext> forPdfFile(const QString &path, Size pageSize, bool flipped,
                                                       QString *error = nullptr);
    // The same for encapsulated PostScript.
    static std::unique_ptr<GraphicsContext> forEps(QIODevice *device, Size pageSize, bool flipped);
    static std::unique_ptr<GraphicsContext> forEpsFile(const QString &path, Size pageSize, bool flipped,
                                                       QString *error = nullptr);

    // The underlying cairo context, for drawing this class does not offer
    // (text); leave its state as you found it.
    cairo_t *cairo() const
    {
        // Whoever draws on it directly may change its path.
        m_pathInCairo.path = nullptr;
        return m_cr;
    }
    SurfaceKind surfaceKind() const { return m_kind; }
    bool isVectorTarget() const { return m_kind != SurfaceKind::Raster; }
    bool isFlipped() const { return m_flipped; }
    // Device pixels per base unit: the device scale of an image; for PDF and
    // EPS, the resolution at which shadows and transparent shadings are
    // rasterised (`vectorRasterScale`).
    double pixelsPerBaseUnit() const;
    // Pixels per point of shadows and transparent shadings in PDF and EPS
    // output; 2 (144 dpi) unless set.  Also sets what a hairline is there:
    // one such pixel.
    double vectorRasterScale() const { return m_vectorRasterScale; }
    void setVectorRasterScale(double scale);

    // Makes the pixels visible to readers of the surface.
    void flush();
    // Ends the output: unwinds open states and layers, writes the page of a
    // PDF or EPS and closes the surface.  Drawing afterwards does nothing.
    // True when everything was written.
    bool finish();

    // --- Graphics state ------------------------------------------------------
    void save();
    // False (and nothing restored) at the bottom of the stack or at the
    // state a transparency layer began with.
    bool restore();
    int stateDepth() const { return static_cast<int>(m_states.size()) - 1; }

    // --- Transformation ----------------------------------------------------
    // User space to base space.
    AffineTransform ctm() const;
    // The transformation the context started with.
    AffineTransform baseCTM() const;
    // Both refuse (answer false and change nothing) a matrix, or a result,
    // that is singular or not finite.
    bool setCTM(const AffineTransform &transform);
    bool concatCTM(const AffineTransform &transform);
    void resetCTM();

    // --- Clip ----------------------------------------------------------------
    // Intersects the clip with the path's interior (its winding rule).
    bool addClip(const PathBase &path);
    bool addClipRect(const Rect &rect);
    // Makes the clip the base clip intersected with the path alone, whatever
    // was clipped since; `restore` brings the earlier clip back.
    bool replaceClip(const PathBase &path);
    void resetClip();
    // Narrows the base clip for the life of the context (a canvas limits
    // drawing to its dirty area this way).  Only at state depth 0.
    bool addBaseClip(const PathBase &path);
    // The bounding box of the clip in user space.
    Rect clipBoundingBox() const;

    // --- Paint settings ---------------------------------------------------
    void setBlendMode(BlendMode mode) { state().blend = mode; }
    BlendMode blendMode() const { return state().blend; }
    // The mode stored under `number`; nothing for numbers outside 0..15.
    static std::optional<BlendMode> blendModeForNumber(int number);
    // A number outside 0..15 draws as normal.
    void setBlendModeNumber(int number);

    // Clamped to [0, 1]; NaN is refused.
    void setAlpha(float alpha);
    float alpha() const { return state().alpha; }

    // Refuses offsets or blurs that are not finite; a negative blur is 0.
    bool setShadow(const ContextShadow &shadow);
    void clearShadow() { state().shadow.reset(); }
    const std::optional<ContextShadow> &shadow() const { return state().shadow; }
    // The shadow of a graphic with shadow angle `angle` (radians), distance
    // and radius (points) seen at `zoom`: it falls at (sin a · d, −cos a · d)
    // in the graphic's own coordinates whether this context is flipped or not
    // (the offset's y is negated for an unflipped context), blurred by
    // zoom · radius.
    ContextShadow shadowForGraphic(float angle, float distance, float radius, const scrivane::Color &color,
                                   float zoom) const;

    void setFillColor(const scrivane::Color &color) { state().fill = color; }
    void setStrokeColor(const scrivane::Color &color) { state().stroke = color; }
    // Both.
    void setColor(const scrivane::Color &color);
    const scrivane::Color &fillColor() const { return state().fill; }
    const scrivane::Color &strokeColor() const { return state().stroke; }

    // Refuses a style whose dash is not valid or whose numbers are not finite.
    bool setLineStyle(const LineStyle &style);
    const LineStyle &lineStyle() const { return state().line; }

    // --- Painting ----------------------------------------------------------------
    // Each answers false when it drew nothing because its input was refused
    // or the context cannot draw.
    //
    // The fill colour and the path's winding rule.
    bool fillPath(const PathBase &path);
    // The stroke colour with the path's own line attributes, or with the
    // context's line style.  A dash that is not valid draws a solid line.
    bool strokePath(const PathBase &path, LineSource source = LineSource::Path);
    // The fill colour; Copy replaces what is inside the rectangle (a clear
    // colour erases it).
    bool fillRect(const Rect &rect, CompositeOperation operation = CompositeOperation::SourceOver);
    // Draws the `source` part of the image (the whole image when `source`
    // is empty) into `destination`, with `fraction` as extra alpha.  Copy
    // replaces what is inside the destination by the image times the
    // fraction and the alpha; SourceOver composites with the blend mode.
    bool drawImage(const QImage &image, const Rect &destination, const Rect &source,
                   CompositeOperation operation = CompositeOperation::SourceOver, float fraction = 1,
                   ImageOrigin origin = ImageOrigin::BottomLeft);
    // The same for an image surface (or another cairo surface with bounded
    // extents).
    bool drawImage(cairo_surface_t *image, const Rect &destination, const Rect &source,
                   CompositeOperation operation = CompositeOperation::SourceOver, float fraction = 1,
                   ImageOrigin origin = ImageOrigin::BottomLeft);
    // Glyphs of a cairo font face at `size` user units, each placed at its
    // baseline origin (user space, y as the context runs), filled with the
    // fill colour.  Outlines are not hinted, so that they coincide with the
    // glyph outlines the text system gives.  PDF output keeps them as text.
    bool showGlyphs(cairo_font_face_t *face, double size, std::span<const cairo_glyph_t> glyphs);
    // Paints the shading over the whole clip.  In PDF and EPS a shading
    // whose colours are all opaque (alpha of at least 0.99 counts as opaque
    // there) stays a native gradient; any other is drawn as an image at
    // `vectorRasterScale` pixels per point.  A shading with one end extended
    // and the other not is rasterised on every target.
    bool drawShading(const Shading &shading);
    // The path filled with the shading, whose geometry lies in the space
    // `space` maps into user space: what clipping to the path and painting
    // the shading there shows, drawn as one fill.  False, with nothing
    // drawn, where it cannot be one plain fill (a shadow, an alpha, a
    // shading extended at one end only, a target other than pixels, a path
    // or space that cannot be drawn): the caller clips and paints instead.
    bool fillPathWithShading(const PathBase &path, const Shading &shading, const AffineTransform &space);

    // --- Transparency layers -----------------------------------------------
    void beginTransparencyLayer();
    // The same for content that paints only inside `bounds` (user space):
    // the layer then covers no more than the clip's part of them, which
    // keeps a small graphic from paying for a layer the size of the window.
    // Whatever is painted outside `bounds` may be lost.
    void beginTransparencyLayer(const Rect &bounds);
    // False when no layer is open.  States saved inside the layer and not
    // restored are restored first.
    bool endTransparencyLayer();
    int transparencyLayerDepth() const { return static_cast<int>(m_layerDepths.size()); }

    // --- Errors ----------------------------------------------------------------
    // The cairo context or its surface is in an error state: what is drawn
    // from now on may not show.
    bool hasError() const;
    QString errorString() const;

private:
    struct State {
        BlendMode blend = BlendMode::Normal;
        float alpha = 1;
        std::optional<ContextShadow> shadow;
        scrivane::Color fill = scrivane::Color::black();
        scrivane::Color stroke = scrivane::Color::black();
        LineStyle line;
        // clipBoundingBox as last asked, with the transformation it was
        // measured in; graphics ask for it once each, and cairo's answer
        // costs more than the rest of the test for a graphic outside it.
        // Methods that change the clip drop it; saved states keep their own.
        mutable std::optional<Rect> clipBox;
        mutable cairo_matrix_t clipBoxCTM{1, 0, 0, 1, 0, 0};
        // Whether cairo's own state was saved for this level (see save).
        bool cairoSaved = false;
    };
    struct BaseClip {
        PathBase path;
        cairo_matrix_t ctm;
    };
    // One painting operation.  `paint` draws it into the given cairo
    // context, whose user space matches the context's, multiplying its
    // coverage by alpha and using the operator already set; it may be called
    // twice (shadow, then the operation).  `bounds` gives the base-space
    // rectangle it may touch, or nothing for the whole clip.
    struct Operation {
        std::function<void(cairo_t *, double alpha)> paint;
        std::function<std::optional<Rect>()> bounds;
        bool copy = false;
        // Paints wherever the clip lets it (a shading): its shadow is that of
        // the clip's area.
        bool fillsClip = false;
        // The paint leaves its path in cairo for the next operation.
        bool keepsPath = false;
    };
    // The path a fill left in cairo, in the device space of the matrix it
    // was built under: a stroke of the same path right after it (a graphic's
    // line over its fill) need not build it again.
    struct PathInCairo {
        const PathBase *path = nullptr;
        std::uint64_t stamp = 0;
        cairo_matrix_t ctm{1, 0, 0, 1, 0, 0};
    };
    bool isPathInCairo(const PathBase &path) const;
    enum Warning : unsigned {
        WarnPath = 1u << 0,
        WarnMatrix = 1u << 1,
        WarnDash = 1u << 2,
        WarnImage = 1u << 3,
        WarnShading = 1u << 4,
        WarnStack = 1u << 5,
        WarnCairo = 1u << 6,
        WarnNumber = 1u << 7,
    };

    GraphicsContext(cairo_surface_t *surface, SurfaceKind kind, bool flipped,
                    std::unique_ptr<QIODevice> device);
    static std::unique_ptr<GraphicsContext> forVector(SurfaceKind kind, QIODevice *device,
                                                      std::unique_ptr<QIODevice> owned, Size pageSize,
                                                      bool flipped);
    static std::unique_ptr<GraphicsContext> forVectorFile(SurfaceKind kind, const QString &path,
                                                          Size pageSize, bool flipped, QString *error);
    void setUpBase();

    // Before this level first changes cairo's matrix or clip: saves them,
    // so that its restore can bring them back.
    void saveCairoState();
    // Drops the top level, giving back cairo's state when it was saved.
    void popState();
    State &state() { return m_states.back(); }
    const State &state() const { return m_states.back(); }
    bool canDraw() const;
    void warnOnce(Warning kind, const char *message);
    void checkStatus();
    void unwind();

    // Painting pipeline.
    bool perform(const Operation &operation);
    void drawShadow(const Operation &operation, cairo_operator_t cairoOperator, double alpha);
    Rect clipBoxInBase() const;
    Rect userRectToBase(double x1, double y1, double x2, double y2) const;
    double hairlineWidth() const;
    bool strokeWithStyle(const PathBase &path, const LineStyle &style);
    void beginLayer(const std::optional<Rect> &bounds);
    void clipToPixelsAround(const Rect &bounds);
    bool drawSurface(cairo_surface_t *image, double width, double height, const Rect &destination,
                     const Rect &source, CompositeOperation operation, float fraction, ImageOrigin origin);

    // Shadings.
    struct ShadingSample {
        double t;
        std::array<float, 4> rgba;
    };
    static std::vector<ShadingSample> sampleShading(const Shading &shading);
    static std::array<float, 4> colorAt(const std::vector<ShadingSample> &samples, double t);
    cairo_pattern_t *nativeShadingPattern(const Shading &shading, const std::vector<ShadingSample> &samples,
                                          bool roundOpaque) const;
    void clipToAxialHalfPlane(cairo_t *cr, const Shading &shading, bool keepStartSide) const;
    // Whether the transformation can be concatenated (see concatCTM), as
    // cairo's matrix.
    std::optional<cairo_matrix_t> concatenable(const AffineTransform &transform) const;
    cairo_surface_t *rasteriseShading(const Shading &shading, const std::vector<ShadingSample> &samples,
                                      Rect &baseRect, double &scale) const;

    cairo_t *m_cr = nullptr;
    cairo_surface_t *m_surface = nullptr; // the target; a reference is held
    SurfaceKind m_kind = SurfaceKind::Raster;
    bool m_flipped = true;
    bool m_ownsCairo = true;
    bool m_ownsSurface = false; // made by this context: finished with it
    bool m_finished = false;
    double m_vectorRasterScale = 2;
    std::unique_ptr<QIODevice> m_ownedDevice;
    std::vector<State> m_states;
    std::vector<int> m_layerDepths;
    std::vector<BaseClip> m_baseClip;
    mutable PathInCairo m_pathInCairo;
    cairo_matrix_t m_baseCTM{1, 0, 0, 1, 0, 0};
    unsigned m_warned = 0;
};

} // namespace scrivane
