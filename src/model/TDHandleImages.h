#pragma once

#include "model/TDCanvasTypes.h"
#include "platform/Geometry.h"

#include <QImage>
#include <QString>
#include <QStringList>

namespace scrivane {

class GraphicsContext;

// The handle images of the canvas and how a handle of a type is drawn and
// hit (HandleType names the images).  The model asks the canvas for
// handles by type (TDGraphicViewInterface::drawHandleAtPoint); the canvas
// draws them with these functions.
//
// Handles keep their size on the screen whatever the zoom: one image pixel
// is one device pixel when the context's scale equals the zoom.
class TDHandleImages {
public:
    // The image stored under the name ("handle_corner", ...), loaded once;
    // a null image for any other name.
    static QImage imageNamed(const QString &name);
    // The ten image names.
    static QStringList names();
    // The image name of a handle type; empty for types that draw nothing.
    static QString imageNameForType(HandleType type);

    // Draws the handle of `type` centred on `point` (user space of the
    // context) for a canvas at `zoom`.  The squares (middle, edge, corner,
    // line nodes) replace what lies under them, the round ones and the skew
    // diamond are composited over it.  The image is placed on whole device
    // pixels so that it stays crisp.  False when the type draws nothing.
    static bool drawHandle(GraphicsContext &context, Point point, HandleType type, float zoom);

    // The square in which a point hits the handle: centred on the handle,
    // half-side 4 / zoom for control points, 5 / zoom for curve nodes and
    // 6.5 / zoom for every other type.
    static Rect rectForHandleAtPoint(Point handle, HandleType type, float zoom);
    static bool pointInHandleAtPoint(Point point, Point handle, HandleType type, float zoom);
    static bool rectOverHandleAtPoint(const Rect &rect, Point handle, HandleType type, float zoom);
};

} // namespace scrivane
