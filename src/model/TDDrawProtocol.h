#pragma once

#include "model/TDCanvasTypes.h"

namespace scrivane {

class TDDocumentInterface;
class TDGraphic;

// The drawing target a graphic paints for: it tells the graphic how it is
// being looked at.  The canvas, the off-screen renderer and the document
// (for images of graphics without a view) implement it.  Graphics accept a
// null target and then draw as at zoom 1, without outline mode.
class TDDrawProtocol {
public:
    virtual ~TDDrawProtocol() = default;

    // The current tool (the select tool for targets without tools).
    virtual Tool drawMode() const = 0;
    // The graphic is edited in place (node editing or text editing).
    virtual bool graphicIsEditing(const TDGraphic *graphic) const = 0;
    virtual bool graphicIsSelected(const TDGraphic *graphic) const = 0;
    // Document points to device pixels; scales shadows, hairlines, handles.
    virtual float zoom() const = 0;
    // Wireframe mode: no paint, blend, shadow or effects.
    virtual bool outlineView() const = 0;
    virtual bool cmykPreview() const = 0;
    virtual bool renderingToPDF() const = 0;
    // The document the target shows, or null.
    virtual TDDocumentInterface *document() const = 0;
};

} // namespace scrivane
