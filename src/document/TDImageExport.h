#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

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

    // The process-wide image cache: images kept by name for the life of the
    // process (main thread only).  An image's name is "img:" and its
    // identity number (QImage::cacheKey, which changes when its pixels do).
    static QString imageCacheName(const QImage &image);
    // Keeps the image (sharing its pixels) under its name.
    static void cacheImage(const QImage &image);
    // The image kept under the name, or a null image.
    static QImage myCachedImageNamed(const QString &name);
};

} // namespace scrivane
