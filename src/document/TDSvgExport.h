#pragma once

#include "model/TDModelTypes.h"
#include "model/TDSvgContext.h"
#include "platform/Geometry.h"
#include "platform/XmlElement.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <string>
#include <unordered_map>
#include <vector>

namespace scrivane {

class TDPackageFileSystem;

// One SVG export: builds the SVG 1.1 document of some graphics, collecting
// the shared definitions and the image files their elements refer to, and
// writes the result.
//
// A drawing whose elements refer to no image is one SVG file; otherwise it
// is a folder holding the SVG file (named after the folder, ".svg"
// appended unless it ends so already) and "image1.png", "image2.png", ... in
// the order the images were first met, each distinct image once.  Either
// form is built beside the target under a hidden name and takes the
// target's place only when complete, so a failure leaves what stood there
// as it was.
class TDSvgExport : public TDSvgContext {
public:
    struct ImageFile {
        std::string name;
        QByteArray png;
    };

    // The document: an XML declaration, then the root "svg" with the view
    // box given, a "desc", the "defs" the graphics registered, a white
    // "rect" over the view box when `opaque`, and each graphic's element in
    // order.  Starts a fresh set of definitions and images.
    QByteArray build(const TDGraphicArray &graphics, const Rect &viewBox, bool opaque);
    const std::vector<ImageFile> &images() const { return m_images; }

    // Writes what `build` made at `path`; false with a message in `error`.
    bool write(const QString &path, const QByteArray &document, TDPackageFileSystem &fs, QString *error) const;

    // The file inside the folder form for a target path.
    static QString svgFileName(const QString &path);

    std::string addSVGdef(XmlElement definition) override;
    std::string addSVGgraphic(const TDImageStore::Image &image) override;
    std::string addSVGgraphic(const QImage &image) override;
    std::optional<Picture> pictureOfGraphic(TDGraphic &graphic, float scale) override;

private:
    std::string addPNG(const QByteArray &png);

    XmlElement m_defs{"defs"};
    // Definitions by their text (without an id: they have none yet).
    std::unordered_map<std::string, std::string> m_defIds;
    std::vector<ImageFile> m_images;
    // Image file names by the MD5 digest of their PNG bytes.
    QHash<QByteArray, std::string> m_imageNames;
};

} // namespace scrivane
