#pragma once

#include "model/TDStyle.h"
#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/GraphicsContext.h"
#include "platform/PropertyList.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace scrivane {

class KeyedArchiver;
class KeyedUnarchiver;
class TDBezierPath;
class TDDrawProtocol;
class TDGraphic;
class XmlElement;

// The paint of a graphic's outline: nothing, a line (width, colour, cap,
// join, dash pattern, arrowheads), a brush bent along the path, or text
// along the path.  Brushes and text along the path are kept and written
// back but not drawn yet; arrowhead settings are kept, arrowheads are not
// drawn yet.
//
// The graphic owns its stroke style; the style keeps an unowned back
// reference for the undo manager, change brackets, cached path, stroke
// transformation and manipulation state.  Without a graphic every setter
// works and nothing is registered or repainted.  Undo registrations are
// keyed by this style's identity and run only while the style lives.
class TDStrokeStyle : public TDStyleOf<TDStrokeStyle> {
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
    int brush() const { return m_brush; }
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
    // In units of the stroke width.
    void setDashes(const std::vector<float> &dashes);
    // In points: each divided by the stroke width.
    void setDashesUnscaled(const std::vector<float> &dashes);
    // Stored only until brushes arrive.
    void setBrush(int brush);
    void setBrush_n(const PropertyList &number);
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

    // --- Dash text --------------------------------------------------------------
    // Every number of the text (separated by blanks, line ends or
    // punctuation), in units of the stroke width; no number is a solid line.
    void setDashString(const QString &text);
    // The same in points.
    void setDashStringScaled(const QString &text);
    // The dash data in points, "%.1f" each, joined by ", ".
    QString dashString() const;
    // The dashes in units of the width, up to two decimals without trailing
    // zeros, joined by " ".
    QString dashStringUnscaled() const;

    // Copies every setting of `other` inside one undo group named
    // "Change stroke" and one change bracket of the graphic.
    void copyStyleFrom(const TDStrokeStyle &other);

    // --- Geometry ---------------------------------------------------------------
    // The path that is stroked and measured (the graphic's cached path until
    // arrowheads arrive); null without a graphic or path.
    std::shared_ptr<TDBezierPath> strokeMapped();
    // The area the stroke covers, cached until the geometry changes; while
    // the graphic is manipulated or created it is computed anew each time.
    Rect strokeBounds();
    Rect strokeBoundsUncached();
    // strokeBounds united with the control points of the path.
    Rect strokeBoundsEditing();
    // Whether the stroke passes within width / 2 + 1 of the point.
    bool intersectsPoint(Point point);
    // Drops the cached stroked path and bounds.
    void changedGeometry();

    // --- Drawing ----------------------------------------------------------------
    // Strokes the graphic's cached path (view may be null: no outline).  In
    // outline view every style but brushes is a black one-pixel line (the
    // colour darkened for a visible stroke).  The context's state is as it
    // was afterwards.
    void drawInGraphic(TDGraphic &graphic, TDDrawProtocol *view, GraphicsContext &context);
    // The line attributes a line stroke draws with.
    LineStyle lineStyle(bool outline) const;

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
    Rect computeStrokeBounds();
    bool graphicIsChanging() const;

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
    // Values of brushes, pressure and text along the path, kept and written
    // back until those arrive: "Custom brush name", "Pressure", "text",
    // "baseline", "text and line".
    PropertyList m_laterValues;
};

} // namespace scrivane
