#pragma once

#include "model/TDImageStore.h"
#include "platform/Geometry.h"
#include "platform/XmlElement.h"

#include <QImage>
#include <QString>

#include <optional>
#include <string>

namespace scrivane {

class TDGraphic;

// What graphics ask of the SVG export that is building their elements: a
// place for shared definitions (gradients, filters), the image files
// written beside the SVG file, and pictures of graphics whose effects SVG
// cannot express.  The document layer implements it, one object per export.
class TDSvgContext {
public:
    virtual ~TDSvgContext() = default;

    // The id under which the definition, or an equal one registered earlier
    // (ids aside), stands among the shared definitions.  Elements refer to
    // it as "url(#id)" or "#id".  Callers complete a definition before they
    // register it.
    virtual std::string addSVGdef(XmlElement definition) = 0;
    // The file name under which the image's PNG bytes are written beside the
    // SVG file ("image1.png", ...); equal images share one file.  Empty when
    // the image cannot be encoded (vector data, damaged data), so that the
    // caller writes no reference.
    virtual std::string addSVGgraphic(const TDImageStore::Image &image) = 0;
    virtual std::string addSVGgraphic(const QImage &image) = 0;

    struct Picture {
        QImage image;
        // The document rectangle the image covers.
        Rect bounds;
    };
    // The graphic drawn as it shows on the canvas, effects included, at
    // `scale` pixels per point over its drawing bounds; nothing when there
    // is nothing to draw.
    virtual std::optional<Picture> pictureOfGraphic(TDGraphic &graphic, float scale) = 0;
};

} // namespace scrivane
