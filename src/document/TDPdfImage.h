#pragma once

#include "document/TDPdfColorSpace.h"

#include "document/TDQpdf.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

namespace scrivane {

// Decodes the image XObjects of a PDF page: 1, 2, 4, 8 or 16 bits per
// component in a grey, RGB, CMYK, ICC-based, separation or indexed colour
// space (JPEG data is decoded too), with a decode array, and a soft mask of
// the same size as its alpha; stencil masks take the fill colour.  Every
// buffer is sized from the width, height, components and bits, checked
// against the decoded data and a limit of pixels before anything is read.
class TDPdfImage {
public:
    // Resolves an image's colour space (a name of the resources or an
    // array); nothing for a space the importer does not read.
    using ColorSpaceResolver = std::function<std::optional<TDPdfColorSpace>(QPDFObjectHandle space)>;

    struct Options {
        qint64 maximumPixels = qint64(1) << 26;
        ColorSpaceResolver resolveColorSpace;
        // The "ColorSpace" dictionary of the resources, where an indexed
        // space may be named.
        QPDFObjectHandle colorSpaces;
        // The colour a stencil mask paints with.
        Color stencilColor = Color::black();
    };

    // The image, top row first; nothing, with the reason in `why`, when the
    // stream is not an image this importer can read.
    static std::optional<QImage> decode(QPDFObjectHandle image, const Options &options, QString *why);
};

} // namespace scrivane
