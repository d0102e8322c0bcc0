#pragma once

#include <QByteArray>
#include <QImage>

namespace scrivane {

// File data of a rendered image in the bitmap formats of the export.  The
// factor says how many points one pixel stands for in the file: 1 records
// 72 dots per inch, 0.5 records 144 (the pixels are never resampled).
// Formats without transparency (JPEG, BMP) get the image over white.  PNG,
// JPEG and TIFF carry the generic RGB profile the pixels are in.
class TDImageExport {
public:
    enum class Type { PNG, BMP, GIF, JPEG, TIFF };

    static QByteArray PNGData(const QImage &image, double factor = 1);
    static QByteArray BMPData(const QImage &image, double factor = 1);
    static QByteArray GIFData(const QImage &image, double factor = 1);
    static QByteArray JPEGData(const QImage &image, double factor = 1);
    static QByteArray TIFFData(const QImage &image, double factor = 1);
    // Empty data, with a warning naming the format, when nothing could be
    // encoded.
    static QByteArray dataType(const QImage &image, Type type, double factor);

    // GIF through giflib: up to 256 colours (exact when the image has no
    // more, a colour cube with error diffusion otherwise); pixels less than
    // half opaque become the transparent colour.  GIF records no resolution.
    static QByteArray encodeGIF(const QImage &image);
};

} // namespace scrivane
