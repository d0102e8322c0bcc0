#pragma once

#include "model/TDImageStore.h"
#include "model/TDStyle.h"
#include "platform/AffineTransform.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/GraphicsContext.h"
#include "platform/PropertyList.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextDocument>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace scrivane {

class KeyedArchiver;
class KeyedUnarchiver;
class TDShapeWalk;
class TDTextLayout;
class TDDrawProtocol;
class TDGradient;
class TDDictionaryReader;
class TDGraphic;
class TDGraphicViewInterface;
class TDSvgContext;
class XmlElement;

// The paint of a graphic's interior: nothing, a flat colour, an image of
// the image store, a gradient, or text inside the shape.  Image and
// gradient live in fill space, which the graphic's fill transformation maps
// onto the drawing, so moving or scaling a fill edits that transformation.
//
// The graphic owns its fill style; the style keeps an unowned back
// reference through which it reaches the graphic's undo manager, change
// brackets, cached path and fill transformation.  Without a graphic every
// setter works and nothing is registered or repainted.  Undo registrations
// are keyed by this style's identity and run only while the style lives.
class TDFillStyle : public TDStyleOf<TDFillStyle> {
public:
    // Style codes.
    static constexpr int None = 0;
    static constexpr int ColorFill = 1;
    static constexpr int ImageFill = 2;
    static constexpr int GradientFill = 3;
    static constexpr int TextFill = 4;
    // Gradient styles: 0 axial, every other value radial.
    static constexpr int Axial = 0;
    static constexpr int Radial = 1;

    // Reads an entry of a document package by name; nothing when the
    // package has no such entry (the document's file wrapper).
    using PackageReader = std::function<std::optional<QByteArray>(const QString &name)>;

    // White, style 0, even-odd winding, image alpha 1, gradient from
    // (0.2, 0.2) to (0.8, 0.2), axial, no gradient yet, no graphic.
    TDFillStyle();
    ~TDFillStyle() override;
    TDFillStyle(const TDFillStyle &) = delete;
    TDFillStyle &operator=(const TDFillStyle &) = delete;

    static std::shared_ptr<TDFillStyle> fillStyleForGraphic(TDGraphic *graphic);

    // --- Values ---------------------------------------------------------------
    const Color &color() const { return m_color; }
    int style() const { return m_style; }
    int windingRule() const { return m_windingRule; }
    const QString &imageKey() const { return m_imageKey; }
    const QString &imageLocation() const { return m_imageLocation; }
    float imageAlpha() const { return m_imageAlpha; }
    const std::shared_ptr<TDGradient> &gradient() const { return m_gradient; }
    int gradientStyle() const { return m_gradientStyle; }
    Point gradientStart() const { return m_startPoint; }
    Point gradientEnd() const { return m_endPoint; }
    // The store's entry for the image key; nothing without one.
    std::optional<TDImageStore::Image> image() const;
    // Whether a text fill paints its colour behind the text.
    bool textBackground() const { return m_textBackground; }

    // --- Setters (undo and repaint as each says) -------------------------------
    // Each returns at once when the value is the current one.
    // Skippable undo; the graphic repaints the new area (didChange only).
    void setColor(const Color &color);
    // Plain replacement, no undo, no repaint (recoloured brush drawing).
    void _setColor(const Color &color);
    // Skippable undo; didChange only.  Entering style 3 without a gradient
    // makes one from dark grey at 0 to light grey at 1.
    void setStyle(int style);
    void setStyle_n(const PropertyList &number);
    // Plain store of the code, nothing else.
    void setStyleQ(int style);
    // Skippable undo; both brackets.
    void setWinding(int rule);
    void setWinding_n(const PropertyList &number);
    // Skippable undo; didChange only.  Empty clears the image.
    void setImageKey(const QString &key);
    // Skippable undo; didChange only.
    void setImageAlpha(float alpha);
    void setImageAlpha_n(const PropertyList &number);
    // Stores a copy (the given gradient is not shared) and drops the cached
    // shading; both brackets, no undo.  Nothing when the gradient has the
    // same stops as the current one.  Null removes the gradient.
    void setGradient(const std::shared_ptr<const TDGradient> &gradient);
    // The same with a skippable undo registration of the old gradient.
    void setGradientUndoable(const std::shared_ptr<const TDGradient> &gradient);
    // Skippable undo; both brackets.
    void setGradientStyle(int style);
    void setGradientStyle_n(const PropertyList &number);
    // Start and end in fill space; both brackets; always stores.
    void setGradientFromPoint(Point start, Point end);
    // The same with an ordinary (not skippable) undo registration.
    void setGradientFromPointUndo(Point start, Point end);

    // --- Images ---------------------------------------------------------------
    // Puts the data into the image store (for the graphic's document when it
    // has one) and uses the key it answers.
    void setImageData(const QByteArray &data, const QString &extension);
    // Nothing clears the image; an image of the store (another fill's) is
    // taken over by its data.
    void setImage(const std::optional<TDImageStore::Image> &image);
    // Loads the image from a legacy location: a file at that path, else the
    // entry of that name in the package (the graphic's document's, for the
    // first form).  The location is kept either way.
    void setImageLocation(const QString &path);
    void setImageLocation(const QString &path, const PackageReader &package);
    // Stores the location without loading.
    void saveImageLocation(const QString &path) { m_imageLocation = path; }
    // A legacy identifier; does nothing.
    void setImageID(const QString &) {}
    // The graphic joined `document`, whose package `package` reads (empty
    // without a package): a legacy image fill loads its image from the
    // package entry its location names (never from elsewhere on the
    // machine), and the document is recorded as a user of the image.
    void fromFileWrapper(const PackageReader &package, TDImageStore::DocumentRef document);

    // --- Gradient editing on the canvas -----------------------------------------
    void startEditingGradient();
    // Canvas points: the fill transformation becomes the identity and the
    // gradient runs from `start` to `end`.
    void setGradientFromGlobalPoint(Point start, Point end);
    // The fill transformation maps (1, 0) to end and (0, 1) to `third`
    // about `start`; the gradient runs from (0, 0) to (1, 0).
    void setGradientFromGlobalPoint(Point start, Point end, Point third);
    // Keeps the new points with one undo step back to those at the start.
    void endEditingGradient();
    // Restores the points and the fill transformation; no undo step.
    void cancelEditingGradient();
    // Drops the cached shading after the gradient changed.
    void didChangeGradient();
    // Where the canvas draws the gradient handles (handle type 5), in canvas
    // coordinates: start, end and, for a radial gradient, the second radius
    // handle first.
    std::vector<Point> gradientHandlePoints() const;
    void drawGradientHandlesInView(TDGraphicViewInterface *view) const;

    // Sent when the graphic's path or transformations changed (and before
    // every paint): a text fill takes the current shape into text space;
    // its layout is redone only when that shape changed.
    void changedGeometry();
    void changedTransform() { changedGeometry(); }

    // --- Text inside the shape (TDFillStyle+Text.cpp) ----------------------------
    // Text space: the graphic's cached path under the inverse of the linear
    // part of its text transformation, moved so that its bounds start at
    // (0, 0); y runs down.  Text is laid out there, line by line in the
    // shape, and drawn at textDrawAt under that linear part.
    //
    // Builds the text system (empty text, shape-following layout, padding
    // 5, no hyphenation, no background); sent when the style first becomes
    // a text fill.
    void initText();
    bool hasText() const { return m_contents != nullptr; }
    // The text (null before initText).  Edits made to it directly are seen:
    // the layout follows and the graphic repaints.
    QTextDocument *contents() const { return m_contents.get(); }
    // Replaces the whole text (ordinary undo registration of the old text);
    // nothing when there is no text system.
    void setContents(const QTextDocument &text);
    void setContents(const QString &plainText);
    // Registers the undo of a change made to the text directly (typing in
    // the editor): back to `old`.
    void registerContentsUndo(std::shared_ptr<QTextDocument> old);
    // Skippable undo; nothing when equal.
    float hyphenation() const { return m_hyphenation; }
    void setHyphenation(float factor);
    void setHyphenation_n(const PropertyList &number) { setHyphenation(number.toFloat()); }
    float lineFragmentPadding() const { return m_padding; }
    void setLineFragmentPadding(float padding);
    void setLineFragmentPadding_n(const PropertyList &number) { setLineFragmentPadding(number.toFloat()); }
    void setTextBackground(bool on);
    void setTextBackground_n(const PropertyList &number) { setTextBackground(number.toBool()); }
    // Every font of the text through `convert` (runs without a font get
    // the default one converted); one undo registration of the old text.
    void changeFont(const std::function<QFont(const QFont &)> &convert);
    // Lines follow the shape (on) or fill a plain rectangle of
    // containerSize (off, a box growing with its text).
    bool bezierMode() const { return m_bezierMode; }
    void setBezierMode(bool on);
    Size containerSize() const { return m_containerSize; }
    void setContainerSize(Size size);
    Point textDrawAt() const { return m_textDrawAt; }
    // The shape in text space (moved to the origin).
    const PathBase &textSpacePath() const { return m_textSpacePath; }
    // The layout as it stands, done first when the text, shape or
    // container changed.
    const TDTextLayout &textLayout();
    // Paints the text of `graphic` (style 4): the grey outline when
    // selected or edited, nothing more while edited, else the glyphs; with
    // `clip` the glyphs become the clip instead.
    void drawTextInGraphic(TDGraphic &graphic, TDDrawProtocol *view, GraphicsContext &context, bool clip);
    // The glyph outlines in document coordinates (non-zero winding).
    PathBase textOutlines();

    // Copies every setting of `other` inside one undo group named
    // "Change Fill" and one change bracket of the graphic.
    void copyStyleFrom(const TDFillStyle &other);

    // --- Drawing ------------------------------------------------------------------
    // Paints the graphic's cached path (view may be null: zoom 1, no
    // outline).  The context's state is as it was afterwards.
    void drawInGraphic(TDGraphic &graphic, TDDrawProtocol *view, GraphicsContext &context);
    // The gradient shading under the graphic's fill transformation, over the
    // current clip.
    void drawGradient(TDGraphic &graphic, GraphicsContext &context);
    // The gradient as an image of twice the path's size, clipped to the path
    // (for PDF and PostScript).
    void drawGradientImage(TDGraphic &graphic, GraphicsContext &context);
    // The shading drawGradient paints (in fill space), built on first use
    // and kept until the gradient, its points or its style change.
    const Shading &shading();

    // --- SVG (TDFillStyle+Svg.cpp) ------------------------------------------------------
    // The fill's paint attributes on an element drawing `graphic`'s outline:
    // "fill-rule" for non-zero winding (even-odd is the export's default),
    // then "fill" (and "fill-opacity") by style; a gradient is registered as
    // a definition and referred to.  Image and text fills are placed by the
    // graphic itself and add nothing here.
    void addToSVGElement(XmlElement &element, TDGraphic &graphic, TDSvgContext &context) const;

    // --- Dictionary and archive -----------------------------------------------------
    PropertyList toYAML() const;
    // Applies what the dictionary holds to this (new, unattached) style;
    // values of the wrong kind are skipped with a warning.
    void initWithDictionary(const PropertyList &dictionary);
    // The same from stored values however they are held.
    void initWithValues(const TDDictionaryReader &values);
    static std::shared_ptr<TDFillStyle> objectWithYAML(const PropertyList &dictionary);

    static QString className() { return QStringLiteral("TDFillStyle"); }
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    // Registers this class and the gradient classes with the unarchiver.
    static void registerArchiveClass();
    QString archiveClassName() const override { return className(); }
    void encode(KeyedArchiver &archiver) const override;
    // The same dictionary form.
    bool isEqualTo(const Archivable &other) const override;

private:
    Color m_color = Color::white();
    int m_style = None;
    int m_windingRule = 1;
    QString m_imageLocation;
    QString m_imageKey;
    float m_imageAlpha = 1;
    std::optional<Shading> m_shading;
    Point m_startPoint{0.2f, 0.2f};
    Point m_endPoint{0.8f, 0.2f};
    Point m_originalStart;
    Point m_originalEnd;
    std::optional<AffineTransform> m_originalTransform;
    std::shared_ptr<TDGradient> m_gradient;
    int m_gradientStyle = Axial;
    // Text inside the shape.
    void readText(const TDDictionaryReader &values);
    void invalidateTextLayout();
    void textDidChange();
    std::unique_ptr<QTextDocument> m_contents;
    std::unique_ptr<TDTextLayout> m_layout;
    std::unique_ptr<TDShapeWalk> m_shape;
    bool m_layoutValid = false;
    bool m_bezierMode = true;
    bool m_textBackground = false;
    bool m_settingContents = false;
    float m_hyphenation = 0;
    float m_padding = 5;
    Size m_containerSize{200, 200};
    Point m_textDrawAt;
    PathBase m_textSpacePath;
    // Stored text this system cannot read ("FillText" of the oldest
    // archives, or a "FillTextKey" it cannot decode), written back as it
    // was until the text is replaced.
    PropertyList m_textValues;
};

} // namespace scrivane
