#pragma once

#include "model/PressureSource.h"
#include "model/TDModelTypes.h"
#include "model/TDPressureCurve.h"
#include "model/TDStyle.h"
#include "platform/AffineTransform.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/GraphicsContext.h"
#include "platform/PropertyList.h"

#include <QImage>
#include <QTextDocument>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace scrivane {

class KeyedArchiver;
class KeyedUnarchiver;
class TDBezierPath;
class TDCustomBrush;
class TDDictionaryReader;
class TDDrawProtocol;
class TDGraphic;
class TDTextLayout;
class XmlElement;

// The paint of a graphic's outline: nothing, a line (width, colour, cap,
// join, dash pattern, arrowheads), a brush bent along the path (a built-in
// brush of TDBrush, or a custom brush made of a drawing, TDCustomBrush),
// with a pressure curve that varies its width along the path, or text along
// the path (kept and written back, not drawn yet).
//
// Brush strokes and custom brushes are built in stroke space: the graphic's
// path mapped through the inverse of its stroke transformation; they draw
// with the stroke transformation concatenated.
//
// The graphic owns its stroke style; the style keeps an unowned back
// reference for the undo manager, change brackets, cached path, stroke
// transformation and manipulation state.  Without a graphic every setter
// works and nothing is registered or repainted.  Undo registrations are
// keyed by this style's identity and run only while the style lives.
class TDStrokeStyle : public TDStyleOf<TDStrokeStyle>, public PressureSource {
public:
    // Style codes.
    static constexpr int None = 0;
    static constexpr int Line = 1;
    static constexpr int BrushStroke = 2;
    static constexpr int TextStroke = 3;

    // One entry of the built-in dash list.
    struct DashEntry {
        // Lengths in units of the stroke width.
        std::vector<float> dash;
        // The pattern drawn on a 75 by 5 point line, for the stroke pane.
        QImage image;
    };

    // Black, line, width 1, butt caps, miter joins, no dashes, no
    // arrowheads (sizes 100 per cent), brush 0, no graphic.
    TDStrokeStyle();
    ~TDStrokeStyle() override;
    TDStrokeStyle(const TDStrokeStyle &) = delete;
    TDStrokeStyle &operator=(const TDStrokeStyle &) = delete;

    static std::shared_ptr<TDStrokeStyle> strokeStyleForGraphic(TDGraphic *graphic);

    // The built-in dash list (the resource "dashes.plist"), read once; an
    // unreadable list is empty.
    static const std::vector<DashEntry> &builtinDashes();
    static QImage dashImage(const std::vector<float> &dash);

    // --- Values ---------------------------------------------------------------
    const Color &color() const { return m_color; }
    int style() const { return m_style; }
    float strokeWidth() const { return m_strokeWidth; }
    int capStyle() const { return m_capStyle; }
    int joinStyle() const { return m_joinStyle; }
    // In units of the stroke width.
    const std::vector<float> &dashes() const { return m_dashes; }
    // In points, for the current width: each dash times the width, the
    // width counted as at least 1 (thin strokes keep dashes of a point or
    // more per unit).
    std::vector<float> dashData() const;
    int startArrowStyle() const { return m_startArrowStyle; }
    int endArrowStyle() const { return m_endArrowStyle; }
    // Per cent.
    float startArrowSize() const { return m_startArrowSize * 100; }
    float endArrowSize() const { return m_endArrowSize * 100; }
    bool morphStartArrow() const { return m_morphStartArrow; }
    bool morphEndArrow() const { return m_morphEndArrow; }
    // Whether a line is stroked along the path: a line stroke, or text along
    // the path that also draws its line.
    bool drawsLine() const;
    Point strokeHandle() const { return m_strokeHandle; }
    void setStrokeHandle(Point point) { m_strokeHandle = point; }

    // --- Setters --------------------------------------------------------------
    // Each registers its inverse (skippable) and brackets the change of the
    // graphic, returning at once when the value is the current one.
    void setColor(const Color &color);
    // Plain replacement, no undo, no repaint (recoloured brush drawing).
    void _setColor(const Color &color);
    void setStyle(int style);
    void setStyle_n(const PropertyList &number);
    // Nothing when the squared difference from the current width is below
    // 1e-5, or for a width that is not a finite number; drops the stroke
    // caches.
    void setStrokeWidth(float width);
    void setStrokeWidth_n(const PropertyList &number);
    // Plain store (while a graphic is scaled with its stroke); the dashes
    // follow the new width.
    void setStrokeWidthSilent(float width) { m_strokeWidth = width; }
    // Repaint the new area only (didChange); drop the cached bounds.
    void setCapStyle(int cap);
    void setCapStyle_n(const PropertyList &number);
    void setJoinStyle(int join);
    void setJoinStyle_n(const PropertyList &number);
    // In units of the stroke width.  A pattern that is not valid
    // (isValidDashPattern) is refused: false, and nothing changes.
    bool setDashes(const std::vector<float> &dashes);
    // No dashes (a solid line), or lengths that are all finite, none
    // negative, and not all zero: cairo stops drawing everything after a
    // pattern outside these.
    static bool isValidDashPattern(const std::vector<float> &dashes);
    // In points: each divided by the stroke width.
    void setDashesUnscaled(const std::vector<float> &dashes);
    void setStartArrowStyle(int index);
    void setStartArrowStyle_n(const PropertyList &number);
    void setEndArrowStyle(int index);
    void setEndArrowStyle_n(const PropertyList &number);
    // Per cent.
    void setStartArrowSize(float percent);
    void setStartArrowSize_n(const PropertyList &number);
    void setEndArrowSize(float percent);
    void setEndArrowSize_n(const PropertyList &number);
    void setMorphStartArrow(bool morph);
    void setMorphStartArrow_n(const PropertyList &number);
    void setMorphEndArrow(bool morph);
    void setMorphEndArrow_n(const PropertyList &number);

    // --- Text along the path (TDStrokeStyle+Text.cpp) ---------------------------
    // The text is laid out once as one long line and its glyphs are set one
    // by one along the path, in stroke space: each glyph's middle on its
    // baseline goes to the point of the path as far along as it is along
    // the line (times the stroke width, which scales the text), turned to
    // the path's direction and moved by the baseline offset along the
    // path's left normal (-G.y, G.x).  A glyph whose end would pass the
    // path's end is not drawn, nor anything after it; a path of no length
    // draws no text, and a glyph where the path has no direction is left
    // out.
    //
    // Builds the text model (empty text, baseline 0); sent when the style
    // first becomes text along the path.
    void initText();
    bool hasText() const { return m_textStorage != nullptr; }
    QTextDocument *textStorage() const { return m_textStorage.get(); }
    float baseline() const { return m_baseline; }
    bool textAndLine() const { return m_textAndLine; }
    // Skippable undo of the old text; builds the text model when missing.
    void setText(const QTextDocument &text);
    void setText(const QString &plainText);
    void setBaseline(float baseline);
    void setBaseline_n(const PropertyList &number) { setBaseline(number.toFloat()); }
    void setTextAndLine(bool on);
    void setTextAndLine_n(const PropertyList &number) { setTextAndLine(number.toBool()); }
    // The union of the placed glyph boxes in document coordinates, from the
    // layout (the zero rectangle for an empty text).
    Rect textRect();
    // The placed glyphs' outlines in document coordinates, where drawing
    // puts them (non-zero winding).
    TDBezierPath convertTextToBezier();
    // Draws the placed glyphs (their outlines in outline view).
    void drawText(TDGraphic &graphic, TDDrawProtocol *view, GraphicsContext &context);
    // The one-line layout, done first when the text changed.
    const TDTextLayout &textLayout();
    // A glyph's place on the laid out line: from x on, `advance` wide, on
    // the baseline at y (text space).
    struct TextBox {
        float x = 0;
        float advance = 0;
        float baseline = 0;
    };
    // The maps from text space to stroke space that set each box on the
    // path as drawing sets glyphs, in order; nothing for a box that is not
    // drawn.
    std::vector<std::optional<AffineTransform>> mapsOnPath(TDGraphic &graphic, const std::vector<TextBox> &boxes);

    // --- Dash text --------------------------------------------------------------
    // Every number of the text (separated by blanks, line ends or
    // punctuation), in units of the stroke width; no number is a solid line.
    void setDashString(const QString &text);
    // The same in points.
    void setDashStringScaled(const QString &text);
    // The numbers of a typed pattern, separated by blanks, commas or
    // semicolons; nothing when a part of the text is not a number.
    static std::optional<std::vector<float>> dashesFromText(const QString &text);
    // The dash data in points, "%.1f" each, joined by ", ".
    QString dashString() const;
    // The dashes in units of the width, up to two decimals without trailing
    // zeros, joined by " ".
    QString dashStringUnscaled() const;

    // Copies every setting of `other` inside one undo group named
    // "Change stroke" and one change bracket of the graphic.
    void copyStyleFrom(const TDStrokeStyle &other);

    // --- Geometry ---------------------------------------------------------------
    // The path that is stroked and measured: the graphic's cached path with
    // its arrowheads (not shortened) for a line, the mapped strokes of a
    // brush, the bent paths of a custom brush (both in stroke space); null
    // without a graphic or path.
    std::shared_ptr<TDBezierPath> strokeMapped();
    // The area the stroke covers, cached until the geometry changes; while
    // the graphic is manipulated or created it is computed anew each time.
    Rect strokeBounds();
    Rect strokeBoundsUncached();
    // strokeBounds united with the control points of the path.
    Rect strokeBoundsEditing();
    // Whether the stroke passes within width / 2 + 1 of the point; for a
    // brush, whether one of its shapes along the path holds the point.
    bool intersectsPoint(Point point);
    // Drops the cached stroked path, mapped brush strokes and bounds; the
    // paths of a custom brush are bent again before they are next drawn or
    // measured.
    void changedGeometry();

    // --- Drawing ----------------------------------------------------------------
    // Strokes the graphic's cached path (view may be null: no outline).  In
    // outline view every style but brushes is a black one-pixel line (the
    // colour darkened for a visible stroke).  The context's state is as it
    // was afterwards.
    void drawInGraphic(TDGraphic &graphic, TDDrawProtocol *view, GraphicsContext &context);
    // The line attributes a line stroke draws with.
    LineStyle lineStyle(bool outline) const;

    // --- Arrowheads (TDStrokeStyle+Arrows.cpp) ------------------------------------------
    // The arrowhead `index` of the list (TDArrowhead) placed at the start or
    // end of `path` at `size` (a fraction, 1 for 100 per cent) of this
    // stroke's width: bent along the path when `morph`, else turned to the
    // direction of its end.  `cut` receives the overall fraction of the path
    // at which the line is to end.  Nothing (and `cut` left alone) for index
    // 0, an index beyond the list, an entry that cannot be placed, or a path
    // too short for the arrowhead (a path without length included).
    std::optional<TDBezierPath> arrow(int index, float size, const TDBezierPath &path, bool atEnd, bool morph,
                                      float *cut) const;
    // Draws it with the context's stroke colour and replaces `path` by the
    // path shortened to the cut, when the cut lies inside it.
    void drawArrow(int index, float size, std::shared_ptr<TDBezierPath> &path, bool atEnd, bool morph,
                   TDDrawProtocol *view, GraphicsContext &context) const;

    // --- Brushes (TDStrokeStyle+Brush.cpp) -------------------------------------------------------
    // The built-in brush in use (an index into TDBrush::brushes()); -1 while
    // a custom brush is chosen.  An index outside the list draws nothing.
    int brush() const { return m_brush; }
    // Choose a built-in brush; undo gives back the whole previous choice.
    void setBrush(int brush);
    void setBrush_n(const PropertyList &number);
    // Choose a custom brush (the brush's document is read now); undo gives
    // back the whole previous choice.  Nothing for a brush that cannot be
    // drawn.
    void setBrushDict(const std::shared_ptr<TDCustomBrush> &brush);
    // Choose the custom brush of that name in the process's brush library.
    // A name not found on this machine is kept (and written back) and draws
    // nothing.
    void setBrushName(const QString &name);
    const std::shared_ptr<TDCustomBrush> &customBrush() const { return m_customBrush; }
    // The custom brush's name, also when it was not found.
    const QString &customBrushName() const { return m_customBrushName; }
    // The graphics of the custom brush bent along the stroke (TDDistortion,
    // or groups of them), current with the geometry.
    const TDGraphicArray &brushGraphics();
    // The shapes of the built-in brush laid along every subpath, shapes
    // outermost, in stroke space; cached until the geometry changes.
    const std::vector<TDBezierPath> &allStrokesMapped();
    // A custom brush graphic's path (in the brush document) bent along every
    // subpath of the stroke: the brush's paper is the unit box.
    TDBezierPath distort(const TDBezierPath &path);

    // --- Pressure (TDStrokeStyle+Pressure.cpp) -----------------------------------------------------
    // The points of the pressure curve (TDPressureCurve), sorted.
    const std::vector<Point> &pressureArray() const { return m_pressurePoints; }
    // Replaces the points (undoable, skippable) and rebuilds the table.
    void setPressureArray(const std::vector<Point> &points);
    // Replaces the points alone: no undo, no repaint, no rebuild (the
    // pressure editor, while it drags).
    void setPressureArrayQuiet(const std::vector<Point> &points) { m_pressurePoints = points; }
    // The points of a recorded curve, sorted and without the ones the
    // curve does not need (TDPressureCurve::removeRedundantPoints).
    void setSimplifyPressureArray(std::vector<Point> points);
    bool usesPressure() const { return m_usesPressure; }
    void setUsesPressure(bool on);
    // Sorts the points and rebuilds the table; the mapped strokes follow.
    void updatePressureCache();
    // The width factor at an overall fraction: 1 while pressure is off.
    float pressureAt(float position) const override;
    // The curve whether pressure is on or not; 1 before the table exists.
    float myPressureAt(float position) const;
    // The slope of the table; 0 while pressure is off or outside [0, 1].
    float pressureGradientAt(float position) const;

    // --- SVG (TDStrokeStyle+Svg.cpp) ----------------------------------------------------
    // The stroke's paint attributes: "stroke" = "none" for no stroke; for a
    // line (or the line of text along the path) colour, opacity, width
    // (a hairline stays one pixel wide at any scale), cap, join and dashes;
    // nothing for brushes.
    void addToSVGElement(XmlElement &element) const;

    // --- Dictionary and archive -----------------------------------------------------
    PropertyList toYAML() const;
    void initWithDictionary(const PropertyList &dictionary);
    // The same from stored values however they are held.
    void initWithValues(const TDDictionaryReader &values);
    static std::shared_ptr<TDStrokeStyle> objectWithYAML(const PropertyList &dictionary);

    static QString className() { return QStringLiteral("TDStrokeStyle"); }
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    static void registerArchiveClass();
    QString archiveClassName() const override { return className(); }
    void encode(KeyedArchiver &archiver) const override;
    // The same dictionary form.
    bool isEqualTo(const Archivable &other) const override;

private:
    // Which brush is chosen, as undo gives it back.
    struct BrushChoice {
        int index = 0;
        std::shared_ptr<TDCustomBrush> custom;
        QString customName;
    };
    Rect computeStrokeBounds();
    bool graphicIsChanging() const;
    bool hasCustomBrushGraphics() const { return m_brush < 0 && !m_brushGraphics.empty(); }
    // The graphic's subpaths in stroke space, cached with the mapped strokes.
    std::vector<TDBezierPath> &strokeSubpaths();
    // The union of what a brush stroke paints, in stroke space.
    std::shared_ptr<TDBezierPath> brushPath();
    void drawBrush(TDGraphic &graphic, TDDrawProtocol *view, GraphicsContext &context);
    bool brushContainsPoint(Point point);
    void setBrushChoice(const BrushChoice &choice);
    BrushChoice brushChoice() const { return {m_brush, m_customBrush, m_customBrushName}; }
    void makeBrushGraphics();

    Color m_color = Color::black();
    int m_style = Line;
    float m_strokeWidth = 1;
    int m_joinStyle = 0;
    int m_capStyle = 0;
    int m_brush = 0;
    Point m_strokeHandle;
    std::vector<float> m_dashes;
    int m_startArrowStyle = 0;
    int m_endArrowStyle = 0;
    float m_startArrowSize = 1;
    float m_endArrowSize = 1;
    bool m_morphStartArrow = false;
    bool m_morphEndArrow = false;
    std::shared_ptr<TDBezierPath> m_strokeMapped;
    std::optional<Rect> m_cachedStrokeBounds;

    // Brushes.
    std::shared_ptr<TDCustomBrush> m_customBrush;
    QString m_customBrushName;
    TDGraphicArray m_brushGraphics;
    bool m_brushGraphicsStale = true;
    std::optional<std::vector<TDBezierPath>> m_subpaths;
    std::optional<std::vector<TDBezierPath>> m_mappedStrokes;
    // The graphic's transformation when the strokes were mapped (kept only).
    AffineTransform m_mappedTransform;

    // Pressure.
    std::vector<Point> m_pressurePoints = TDPressureCurve::defaultPoints();
    // Built when first read: nearly every stroke keeps the flat curve and
    // never asks for it, and files set the points of every stroke they hold.
    const std::array<float, TDPressureCurve::TableSize> *pressureTable() const;
    mutable std::optional<std::array<float, TDPressureCurve::TableSize>> m_pressureTable;
    mutable bool m_pressureTableStale = false;
    bool m_usesPressure = false;

    // Text along the path.
    struct PlacedGlyph;
    std::vector<PlacedGlyph> placeGlyphs(TDGraphic &graphic);
    void textDidChange();
    void readText(const TDDictionaryReader &values);
    std::unique_ptr<QTextDocument> m_textStorage;
    std::unique_ptr<TDTextLayout> m_textLayout;
    bool m_textLayoutValid = false;
    bool m_settingText = false;
    float m_baseline = 0;
    bool m_textAndLine = false;
    // Stored text this system cannot read, written back as it was until the
    // text is replaced.
    PropertyList m_keptText;
};

} // namespace scrivane
