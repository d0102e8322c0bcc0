#pragma once

#include "model/TDModelTypes.h"
#include "platform/AffineTransform.h"
#include "platform/Color.h"
#include "platform/Geometry.h"

#include <QString>

#include <functional>

#include <optional>
#include <vector>

class QTextDocument;

namespace scrivane {

class TDGraphic;

// What scripts may read and change of one graphic: its fill, gradient,
// stroke and geometry as plain values, and the translate, rotate and scale
// commands.  Each setter goes through the graphic's own setters, so it
// repaints and registers its undo like an edit in the window; geometry
// changes are one manipulation each (one undo step, the stroke width
// unchanged).
//
// Values from scripts are untrusted: numbers that are not finite are
// refused (false with a message), numbers out of range are brought into
// it, as the panels do.  Colours are lists of three or four numbers from 0
// to 65535 (red, green, blue, and alpha when not opaque); style codes are
// the four-letter codes below.
class TDGraphicScripting {
public:
    // Fill codes: "fNon" none, "fSol" colour, "fIma" image, "fGra" gradient,
    // "fTex" text.  Stroke codes: "sNon" none, "sSol" line, "sArt" brush,
    // "sTex" text.  Any other code sets style 0.
    static QString fillCode(int style);
    static int fillStyleForCode(const QString &code);
    static QString strokeCode(int style);
    static int strokeStyleForCode(const QString &code);

    // Red, green, blue and alpha, each × 65535 and truncated.
    static std::vector<double> colorComponents(const Color &color);
    // Three or four numbers (alpha the fourth, else opaque), each brought
    // into 0…65535; nothing (with a message) for another count or a number
    // that is not finite.
    static std::optional<Color> colorWithComponents(const std::vector<double> &components, QString *error);

    // One gradient stop: its position along the gradient and its colour in
    // calibrated RGB, as three numbers, or four when it is not opaque.
    struct GradientStop {
        double position = 0;
        std::vector<double> color;
    };

    explicit TDGraphicScripting(TDGraphic &graphic) : m_graphic(graphic) {}
    TDGraphic &graphic() const { return m_graphic; }

    // Whether the document's canvas has it selected.
    bool isSelected() const;

    // --- Fill -------------------------------------------------------------------
    std::vector<double> fillColor() const;
    bool setFillColor(const std::vector<double> &components, QString *error);
    QString fillType() const;
    void setFillType(const QString &code);
    QString fillImageLocation() const;
    void setFillImageLocation(const QString &location);
    double fillImageAlpha() const;
    // Brought into 0…1.
    bool setFillImageAlpha(double alpha, QString *error);
    // The size of the fill's image; (0, 0) without one.
    Size fillImageSize() const;

    // --- Gradient ---------------------------------------------------------------
    std::vector<GradientStop> gradientInfo() const;
    // Replaces the stops (positions brought into 0…1) in one undo step.
    bool setGradientInfo(const std::vector<GradientStop> &stops, QString *error);
    Point gradientStart() const;
    Point gradientEnd() const;
    // In document coordinates; the other end stays.
    bool setGradientStart(Point point, QString *error);
    bool setGradientEnd(Point point, QString *error);

    // --- Text -------------------------------------------------------------------
    // The text inside the shape (a text fill's) and the text along the path
    // (a text stroke's): its characters, paragraphs separated by "\n"
    // (empty without text).  Setting it replaces the whole text by plain
    // text in the default font, black, as one undo step; a fill or stroke
    // of another kind keeps it for when it shows text.
    QString fillText() const;
    void setFillText(const QString &text);
    QString strokeText() const;
    void setStrokeText(const QString &text);
    // Points left free at both ends of each line; at least 0.
    double fillTextPadding() const;
    bool setFillTextPadding(double padding, QString *error);
    // 0 (never) to 1 (whenever a line is not full); brought into that range.
    double fillTextHyphenation() const;
    bool setFillTextHyphenation(double factor, QString *error);
    // The font family, size (points) and colour of the text's first
    // character; setting one sets it for the whole text in one undo step.
    // A family is a non-empty name; a size is brought into
    // 1…TDAttributedText::MaxFontSize.
    enum class Text { Fill, Stroke };
    QString textFont(Text which) const;
    bool setTextFont(Text which, const QString &family, QString *error);
    double textSize(Text which) const;
    bool setTextSize(Text which, double size, QString *error);
    std::vector<double> textColor(Text which) const;
    bool setTextColor(Text which, const std::vector<double> &components, QString *error);

    // --- Stroke -----------------------------------------------------------------
    std::vector<double> strokeColor() const;
    bool setStrokeColor(const std::vector<double> &components, QString *error);
    QString strokeType() const;
    void setStrokeType(const QString &code);
    double strokeWidth() const;
    // At least 0.
    bool setStrokeWidth(double width, QString *error);
    int strokeArtType() const;
    void setStrokeArtType(int brush);
    int strokeStartArrow() const;
    int strokeEndArrow() const;
    // At least 0 (no arrowhead).
    void setStrokeStartArrow(int arrow);
    void setStrokeEndArrow(int arrow);
    // Per cent of the line width; at least 0.
    double strokeStartArrowSize() const;
    double strokeEndArrowSize() const;
    bool setStrokeStartArrowSize(double percent, QString *error);
    bool setStrokeEndArrowSize(double percent, QString *error);
    bool strokeStartArrowMorph() const;
    bool strokeEndArrowMorph() const;
    void setStrokeStartArrowMorph(bool morph);
    void setStrokeEndArrowMorph(bool morph);
    std::vector<double> strokeDashes() const;
    // Every length at least 0.
    bool setStrokeDashes(const std::vector<double> &dashes, QString *error);

    // --- Geometry (the bounds of the graphic's path) -------------------------
    double xPosition() const;
    double yPosition() const;
    double width() const;
    double height() const;
    bool setXPosition(double x, QString *error);
    bool setYPosition(double y, QString *error);
    // Scales about the bounds' origin by value / max(1, current size); the
    // value is at least MinimumSize, so that a graphic never collapses.
    bool setWidth(double width, QString *error);
    bool setHeight(double height, QString *error);
    static constexpr double MinimumSize = 0.01;

    // --- Commands ---------------------------------------------------------------
    bool translate(double dx, double dy, QString *error);
    // Counter-clockwise about the centre of the bounds.
    bool rotate(double degrees, QString *error);
    // About the bounds' origin; factors whose size is below 1e-6 are
    // refused (the graphic would vanish for good).
    bool scale(double sx, double sy, QString *error);

private:
    // One undo step that maps the graphic (and its fill, not its stroke).
    void manipulate(const AffineTransform &transform);
    // The text asked for (null when it has none yet) and its replacement
    // by `change` applied to a copy (built first when missing).
    const QTextDocument *text(Text which) const;
    void changeText(Text which, const std::function<void(QTextDocument &)> &change);

    TDGraphic &m_graphic;
};

} // namespace scrivane
