#include "document/TDImageExport.h"

#include "platform/Profile.h"

#include <QBuffer>
#include <QDebug>
#include <QHash>
#include <QImageWriter>
#include <QPainter>

#include <gif_lib.h>

#include <cmath>

namespace scrivane {

namespace {
const char *typeName(TDImageExport::Type type)
{
    switch (type) {
    case TDImageExport::Type::PNG:
        return "PNG";
    case TDImageExport::Type::BMP:
        return "BMP";
    case TDImageExport::Type::GIF:
        return "GIF";
    case TDImageExport::Type::JPEG:
        return "JPEG";
    case TDImageExport::Type::TIFF:
        return "TIFF";
    }
    return "";
}

QImage overWhite(const QImage &image)
{
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    painter.end();
    return flat;
}

// The colours of a rendering are the generic RGB profile's: files that can
// say so carry it, so that other programs show them as they were drawn.
void tagWithGenericRGB(QImage &image)
{
    static const QColorSpace generic = [] {
        const ProfilePtr profile = Profile::profileWithGenericRGB();
        QColorSpace space = profile ? profile->colorSpace() : QColorSpace();
        return space.isValid() ? space : QColorSpace(QColorSpace::SRgb);
    }();
    image.setColorSpace(generic);
}

QHash<QString, QImage> &imageCache()
{
    static QHash<QString, QImage> cache;
    return cache;
}

int writeToByteArray(GifFileType *gif, const GifByteType *bytes, int length)
{
    auto *out = static_cast<QByteArray *>(gif->UserData);
    out->append(reinterpret_cast<const char *>(bytes), length);
    return length;
}
} // namespace

QString TDImageExport::imageCacheName(const QImage &image)
{
    return QStringLiteral("img:%1").arg(image.cacheKey());
}

void TDImageExport::cacheImage(const QImage &image)
{
    imageCache().insert(imageCacheName(image), image);
}

QImage TDImageExport::myCachedImageNamed(const QString &name)
{
    return imageCache().value(name);
}

QByteArray TDImageExport::PNGData(const QImage &image, double factor)
{
    return dataType(image, Type::PNG, factor);
}

QByteArray TDImageExport::BMPData(const QImage &image, double factor)
{
    return dataType(image, Type::BMP, factor);
}

QByteArray TDImageExport::GIFData(const QImage &image, double factor)
{
    return dataType(image, Type::GIF, factor);
}

QByteArray TDImageExport::JPEGData(const QImage &image, double factor)
{
    return dataType(image, Type::JPEG, factor);
}

QByteArray TDImageExport::TIFFData(const QImage &image, double factor)
{
    return dataType(image, Type::TIFF, factor);
}

QByteArray TDImageExport::dataType(const QImage &image, Type type, double factor)
{
    QByteArray data;
    if (!image.isNull() && std::isfinite(factor) && factor > 0) {
        QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
        const double dpi = 72.0 / factor;
        const int dotsPerMeter = int(std::lround(dpi / 0.0254));
        pixels.setDotsPerMeterX(dotsPerMeter);
        pixels.setDotsPerMeterY(dotsPerMeter);
        if (type == Type::GIF) {
            data = encodeGIF(pixels);
        } else {
            if (type == Type::JPEG || type == Type::BMP) {
                pixels = overWhite(pixels);
                pixels.setDotsPerMeterX(dotsPerMeter);
                pixels.setDotsPerMeterY(dotsPerMeter);
            }
            // BMP carries no profile through Qt's writer.
            if (type != Type::BMP)
                tagWithGenericRGB(pixels);
            QBuffer buffer(&data);
            buffer.open(QIODevice::WriteOnly);
            const char *format = type == Type::PNG    ? "png"
                                 : type == Type::BMP  ? "bmp"
                                 : type == Type::JPEG ? "jpeg"
                                                      : "tiff";
            QImageWriter writer(&buffer, format);
            if (type == Type::JPEG)
                writer.setQuality(90);
            if (!writer.write(pixels))
                data.clear();
        }
    }
    if (data.isEmpty())
        qWarning("couldn't generate %s data from the image", typeName(type));
    return data;
}

QByteArray TDImageExport::encodeGIF(const QImage &source)
{
    if (source.isNull())
        return QByteArray();
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    if (width > 0xffff || height > 0xffff)
        return QByteArray();

    // The opaque colours, and whether any pixel is transparent.
    bool transparent = false;
    QHash<QRgb, int> colours;
    bool exact = true;
    QImage opaque(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QRgb *out = reinterpret_cast<QRgb *>(opaque.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(in[x]) < 128) {
                transparent = true;
                out[x] = qRgb(255, 255, 255);
                continue;
            }
            out[x] = qRgb(qRed(in[x]), qGreen(in[x]), qBlue(in[x]));
            if (exact && !colours.contains(out[x])) {
                colours.insert(out[x], int(colours.size()));
                if (colours.size() > 255)
                    exact = false;
            }
        }
    }

    QList<QRgb> table;
    if (exact) {
        table.resize(colours.size());
        for (auto it = colours.cbegin(); it != colours.cend(); ++it)
            table[it.value()] = it.key();
    } else {
        // A 6 × 7 × 6 cube: 252 colours, green finest.
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 7; ++g)
                for (int b = 0; b < 6; ++b)
                    table.append(qRgb(r * 255 / 5, g * 255 / 6, b * 255 / 5));
    }
    if (table.isEmpty())
        table.append(qRgb(255, 255, 255));
    const int transparentIndex = transparent ? int(table.size()) : -1;
    if (transparent)
        table.append(qRgb(255, 255, 255));
    const QImage indexed = opaque.convertToFormat(QImage::Format_Indexed8,
                                                  table.mid(0, transparent ? table.size() - 1 : table.size()),
                                                  exact ? Qt::ThresholdDither : Qt::DiffuseDither);

    int bits = 1;
    while ((1 << bits) < table.size())
        ++bits;
    std::vector<GifColorType> palette(size_t(1) << bits);
    for (qsizetype i = 0; i < table.size(); ++i)
        palette[size_t(i)] = GifColorType{GifByteType(qRed(table[i])), GifByteType(qGreen(table[i])),
                                          GifByteType(qBlue(table[i]))};

    QByteArray out;
    int status = 0;
    GifFileType *gif = EGifOpen(&out, writeToByteArray, &status);
    if (!gif)
        return QByteArray();
    bool ok = true;
    ColorMapObject *map = GifMakeMapObject(int(palette.size()), palette.data());
    ok = map != nullptr;
    if (ok) {
        EGifSetGifVersion(gif, true);
        ok = EGifPutScreenDesc(gif, width, height, bits, 0, map) == GIF_OK;
    }
    if (ok && transparent) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.UserInputFlag = false;
        control.DelayTime = 0;
        control.TransparentColor = transparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_OK;
    }
    if (ok)
        ok = EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<size_t>(width));
    for (int y = 0; ok && y < height; ++y) {
        const uchar *indexes = indexed.constScanLine(y);
        const QRgb *in = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < width; ++x)
            line[size_t(x)] =
                transparent && qAlpha(in[x]) < 128 ? GifPixelType(transparentIndex) : indexes[x];
        ok = EGifPutLine(gif, line.data(), width) == GIF_OK;
    }
    if (map)
        GifFreeMapObject(map);
    if (EGifCloseFile(gif, &status) != GIF_OK)
        ok = false;
    return ok ? out : QByteArray();
}

} // namespace scrivane
