#pragma once

#include "model/TDDrawProtocol.h"
#include "model/TDModelTypes.h"
#include "platform/Geometry.h"

#include <QImage>
#include <QString>

namespace scrivane {

class TDFileWrapper;
class TDGraphicViewInterface;
class TDUndoManager;

// What graphics ask of the document that holds them.  The document class
// implements it; graphics keep a plain pointer to it (not owning), which
// the document clears when graphics leave it or it goes away.  The document
// is also a drawing target for images of graphics drawn without a view.
class TDDocumentInterface : public TDDrawProtocol {
public:
    // The document's undo manager; null drops every registration.
    virtual TDUndoManager *undoManager() const = 0;
    // The canvas while a window is open, else null.
    virtual TDGraphicViewInterface *graphicView() const = 0;
    // Forwarded to the canvas: repaint an area, or a graphic.
    virtual void invalidateRect(const Rect &rect) = 0;
    virtual void invalidateGraphic(TDGraphic *graphic) = 0;
    // The counter for default graphic names: answers it, then counts on.
    virtual int graphicNumber() = 0;
    // The current layer, or the group being edited in isolation.
    virtual TDGroup *currentLayer() const = 0;
    virtual void setCurrentLayer(TDGroup *group) = 0;
    // The top-level graphics: the layers, bottom first.
    virtual TDGraphicArray graphics() const = 0;
    // Takes a top-level graphic (a layer) out of the document's list;
    // false when it is not there.
    virtual bool removeFromGraphics(TDGraphic *graphic) = 0;
    // The package last loaded, or null.
    virtual const TDFileWrapper *fileWrapper() const = 0;
    // The area of the drawing: effects never paint beyond it.
    virtual Rect paperBounds() const = 0;
    // The title of the document's window (a linked item names its source
    // by it).
    virtual QString displayName() const { return QString(); }
    // The status line of the document window ("*S", "<b>" markup).
    virtual void setStatusText(const QString &text) = 0;
    // The graphics drawn alone, in their order, into a transparent image of
    // `area` at `scale` pixels per point; a null image when they cannot be
    // (a document that does not render).
    virtual QImage imageOfGraphics(const TDGraphicArray & /*graphics*/, float /*scale*/, const Rect & /*area*/)
    {
        return QImage();
    }
};

} // namespace scrivane
