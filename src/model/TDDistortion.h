#pragma once

#include "model/TDGraphic.h"
#include "platform/Color.h"

#include <optional>

namespace scrivane {

class TDStrokeStyle;

// One graphic of a custom brush bent along a stroke: it draws the brush
// document's graphic with its path replaced by the bent path, its fill and
// line colours recoloured towards the stroke colour, and puts the graphic
// back as it was afterwards, whatever happens while it draws.  The brush
// graphic is shared by every stroke that uses the brush and is never
// changed for good.
//
// The stroke style that bends it (the distorter) owns its distortions; the
// bent path is made again by `update`, which the stroke style sends before
// a distortion is drawn or measured whenever its geometry changed.
class TDDistortion : public TDGraphic {
public:
    TDDistortion(TDGraphicPtr graphic, TDStrokeStyle *distorter, const std::optional<Color> &keyColor,
                 int colorizationMethod);

    // A group of the brush becomes a group (with the group's own style) of
    // the distortions of its children; any other graphic one distortion.
    static TDGraphicPtr distortionWithGraphic(const TDGraphicPtr &graphic, TDStrokeStyle *distorter,
                                              const std::optional<Color> &keyColor, int colorizationMethod);
    // Sends `update` to a distortion, and through a group of them to every
    // one, then lets the group measure itself again.
    static void updateDistortions(TDGraphic &graphic);

    const TDGraphicPtr &graphic() const { return m_graphic; }
    // Bends the graphic's path again along the distorter's stroke.
    void update();

    std::shared_ptr<TDBezierPath> cachedBezierPath() override { return m_distortedPath; }
    std::shared_ptr<TDBezierPath> clipPath() override { return m_distortedPath; }
    // The bent graphic's stroke bounds (its own line or brush on the bent
    // path).
    Rect strokeBounds() const;
    Rect drawingBoundsWithoutEffects() const override;
    Rect drawingBounds() const override;
    // Whether the bent path holds the point.
    bool containsPoint(Point point) const;

    // The colour the brush document drew, recoloured towards the stroke
    // colour by the brush's method.
    Color colorize(const Color &color) const;
    // The same for a given stroke colour and key colour.  Every component
    // of the answer lies in [0, 1]; a grey or black key colour (no
    // saturation or brightness to divide by) moves the colour by its own
    // saturation or brightness instead.
    static Color colorize(const Color &color, const Color &strokeColor, const std::optional<Color> &keyColor,
                          int method);

    void drawInView(TDDrawProtocol *view, GraphicsContext &context) override;

private:
    TDGraphicPtr m_graphic;
    std::shared_ptr<TDBezierPath> m_distortedPath;
    std::optional<Color> m_distortColor;
    TDStrokeStyle *m_distorter;
    int m_colorizationMethod;
    mutable std::optional<Rect> m_strokeBounds;
};

} // namespace scrivane
