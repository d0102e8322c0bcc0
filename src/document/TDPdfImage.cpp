#include "document/TDPdfImage.h"

#include "document/TDPdfObjects.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace scrivane {

namespace {

bool failed(QString *why, const QString &reason)
{
    if (why)
        *why = reason;
    return false;
}

// The samples of an image stream, rows starting on whole bytes.
struct Raster {
    int width = 0;
    int height = 0;
    int components = 1;
    int bits = 8;
    size_t rowBytes = 0;
    std::string data;

    // Row `y`'s raw samples (0 to 2^bits - 1) into `out`.
    void row(int y, std::vector<uint32_t> &out) const
    {
        const auto *p = reinterpret_cast<const unsigned char *>(data.data()) + size_t(y) * rowBytes;
        const size_t count = size_t(width) * size_t(components);
        out.resize(count);
        switch (bits) {
        case 8:
            for (size_t i = 0; i < count; ++i)
                out[i] = p[i];
            return;
        case 16:
            for (size_t i = 0; i < count; ++i)
                out[i] = uint32_t(p[2 * i]) << 8 | p[2 * i + 1];
            return;
        default: {
            const unsigned mask = (1u << bits) - 1;
            for (size_t i = 0; i < count; ++i) {
                const size_t bit = i * size_t(bits);
                out[i] = (p[bit / 8] >> (8 - bits - int(bit % 8))) & mask;
            }
            return;
        }
        }
    }
};

std::optional<Raster> readRaster(QPDFObjectHandle stream, int components, int bits, qint64 maximumPixels,
                                 QString *why)
{
    QPDFObjectHandle dictionary = stream.getDict();
    const auto width = TDPdfObjects::integer(dictionary.getKey("/Width"));
    const auto height = TDPdfObjects::integer(dictionary.getKey("/Height"));
    if (!width || !height || *width < 1 || *height < 1) {
        failed(why, QStringLiteral("it has no width and height"));
        return std::nullopt;
    }
    if (qint64(*width) * qint64(*height) > maximumPixels) {
        failed(why, QStringLiteral("it has more than %1 pixels").arg(maximumPixels));
        return std::nullopt;
    }
    Raster r;
    r.width = *width;
    r.height = *height;
    r.components = components;
    r.bits = bits;
    r.rowBytes = (size_t(r.width) * size_t(components) * size_t(bits) + 7) / 8;
    const size_t expected = r.rowBytes * size_t(r.height);
    QString reason;
    auto data = TDPdfObjects::streamData(stream, expected + expected / 8 + 65536, true, &reason);
    if (!data) {
        failed(why, QStringLiteral("its data cannot be read: %1").arg(reason));
        return std::nullopt;
    }
    if (data->size() < expected) {
        failed(why, QStringLiteral("its data holds %1 bytes where %2 are needed").arg(data->size()).arg(expected));
        return std::nullopt;
    }
    r.data = std::move(*data);
    return r;
}

std::optional<int> bitsOf(QPDFObjectHandle dictionary, QString *why)
{
    const auto bits = TDPdfObjects::integer(dictionary.getKey("/BitsPerComponent"));
    if (!bits || (*bits != 1 && *bits != 2 && *bits != 4 && *bits != 8 && *bits != 16)) {
        failed(why, QStringLiteral("its bits per component are not 1, 2, 4, 8 or 16"));
        return std::nullopt;
    }
    return bits;
}

// The decode array: for each component the values that sample 0 and the
// largest sample stand for.
std::optional<std::vector<double>> decodeArray(QPDFObjectHandle dictionary, int components, double low,
                                               double high, QString *why)
{
    std::vector<double> ranges;
    for (int i = 0; i < components; ++i) {
        ranges.push_back(low);
        ranges.push_back(high);
    }
    QPDFObjectHandle decode = dictionary.getKey("/Decode");
    if (decode.isNull())
        return ranges;
    const auto values = TDPdfObjects::numbers(decode, size_t(2 * components));
    if (!values || values->size() != size_t(2 * components)) {
        failed(why, QStringLiteral("its decode array does not match its colour space"));
        return std::nullopt;
    }
    return values;
}

// An indexed colour space: its palette in RGB.
struct Palette {
    std::vector<uint8_t> rgb;
    int colors = 0;
};

std::optional<Palette> paletteOf(QPDFObjectHandle space, const TDPdfImage::Options &options, QString *why)
{
    if (space.getArrayNItems() < 4) {
        failed(why, QStringLiteral("its indexed colour space is malformed"));
        return std::nullopt;
    }
    const auto base = options.resolveColorSpace ? options.resolveColorSpace(space.getArrayItem(1)) : std::nullopt;
    const auto high = TDPdfObjects::integer(space.getArrayItem(2));
    if (!base || !high || *high < 0 || *high > 255) {
        failed(why, QStringLiteral("its indexed colour space has no usable base or size"));
        return std::nullopt;
    }
    QPDFObjectHandle lookup = space.getArrayItem(3);
    const size_t n = size_t(base->components());
    const size_t needed = size_t(*high + 1) * n;
    std::string table;
    if (lookup.isString()) {
        table = lookup.getStringValue();
    } else {
        QString reason;
        auto data = TDPdfObjects::streamData(lookup, needed + 4096, false, &reason);
        if (!data) {
            failed(why, QStringLiteral("its palette cannot be read: %1").arg(reason));
            return std::nullopt;
        }
        table = std::move(*data);
    }
    if (table.size() < needed) {
        failed(why, QStringLiteral("its palette is shorter than its %1 colours").arg(*high + 1));
        return std::nullopt;
    }
    Palette palette;
    palette.colors = *high + 1;
    std::vector<float> samples(needed);
    for (size_t i = 0; i < needed; ++i)
        samples[i] = float(static_cast<unsigned char>(table[i])) / 255.0f;
    palette.rgb.resize(size_t(palette.colors) * 3);
    base->toRGB(samples.data(), palette.rgb.data(), size_t(palette.colors));
    return palette;
}

// The alpha of a soft mask, one byte per pixel of the image; nothing when
// it cannot be read or is not of the image's size.
std::optional<std::vector<uint8_t>> softMask(QPDFObjectHandle mask, int width, int height, qint64 maximumPixels,
                                             QString *why)
{
    QPDFObjectHandle dictionary = mask.getDict();
    if (TDPdfObjects::integer(dictionary.getKey("/Width")) != width ||
        TDPdfObjects::integer(dictionary.getKey("/Height")) != height) {
        failed(why, QStringLiteral("its soft mask is not of the image's size"));
        return std::nullopt;
    }
    const auto bits = bitsOf(dictionary, why);
    if (!bits)
        return std::nullopt;
    const auto decode = decodeArray(dictionary, 1, 0, 1, why);
    const auto raster = decode ? readRaster(mask, 1, *bits, maximumPixels, why) : std::nullopt;
    if (!raster)
        return std::nullopt;
    const double maximum = double((1u << *bits) - 1);
    std::vector<uint8_t> alpha(size_t(width) * size_t(height));
    std::vector<uint32_t> row;
    for (int y = 0; y < height; ++y) {
        raster->row(y, row);
        for (int x = 0; x < width; ++x) {
            const double v = (*decode)[0] + row[size_t(x)] / maximum * ((*decode)[1] - (*decode)[0]);
            alpha[size_t(y) * size_t(width) + size_t(x)] = uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255));
        }
    }
    return alpha;
}

} // namespace

std::optional<QImage> TDPdfImage::decode(QPDFObjectHandle image, const Options &options, QString *why)
{
    if (!image.isStream()) {
        failed(why, QStringLiteral("it is no stream"));
        return std::nullopt;
    }
    QPDFObjectHandle dictionary = image.getDict();
    QPDFObjectHandle stencil = dictionary.getKey("/ImageMask");
    const bool isStencil = stencil.isBool() && stencil.getBoolValue();

    std::optional<TDPdfColorSpace> space;
    std::optional<Palette> palette;
    int components = 1;
    int bits = 1;
    if (isStencil) {
        QPDFObjectHandle b = dictionary.getKey("/BitsPerComponent");
        if (!b.isNull() && TDPdfObjects::integer(b) != 1) {
            failed(why, QStringLiteral("its stencil mask has more than one bit per pixel"));
            return std::nullopt;
        }
    } else {
        const auto b = bitsOf(dictionary, why);
        if (!b)
            return std::nullopt;
        bits = *b;
        QPDFObjectHandle cs = dictionary.getKey("/ColorSpace");
        QPDFObjectHandle named = options.colorSpaces;
        if (cs.isName() && named.isDictionary() && named.hasKey(cs.getName()))
            cs = named.getKey(cs.getName());
        if (cs.isArray() && cs.getArrayNItems() >= 1 && TDPdfObjects::name(cs.getArrayItem(0)) == "Indexed") {
            palette = paletteOf(cs, options, why);
            if (!palette)
                return std::nullopt;
            if (bits == 16) {
                failed(why, QStringLiteral("its indexes have 16 bits"));
                return std::nullopt;
            }
        } else {
            space = options.resolveColorSpace ? options.resolveColorSpace(cs) : std::nullopt;
            if (!space) {
                failed(why, QStringLiteral("its colour space is not one this importer reads"));
                return std::nullopt;
            }
            components = space->components();
        }
    }

    const double maximum = double((1u << bits) - 1);
    const auto decode = palette    ? decodeArray(dictionary, 1, 0, maximum, why)
                        : isStencil ? decodeArray(dictionary, 1, 0, 1, why)
                                    : decodeArray(dictionary, components, 0, 1, why);
    if (!decode)
        return std::nullopt;
    const auto raster = readRaster(image, components, bits, options.maximumPixels, why);
    if (!raster)
        return std::nullopt;
    const int width = raster->width;
    const int height = raster->height;

    std::optional<std::vector<uint8_t>> alpha;
    if (QPDFObjectHandle mask = dictionary.getKey("/SMask"); mask.isStream() && !isStencil) {
        QString reason;
        alpha = softMask(mask, width, height, options.maximumPixels, &reason);
        if (!alpha && why)
            *why = QStringLiteral("its soft mask was left out: %1").arg(reason);
    }

    QImage result(width, height, QImage::Format_ARGB32);
    if (result.isNull()) {
        failed(why, QStringLiteral("there is no memory for its %1 × %2 pixels").arg(width).arg(height));
        return std::nullopt;
    }
    std::vector<uint32_t> raw;
    std::vector<float> samples(size_t(width) * size_t(components));
    std::vector<uint8_t> rgb(size_t(width) * 3);
    const Color ink = options.stencilColor.toCalibratedRGB();
    const QRgb inkRgb = qRgb(int(std::lround(ink.redComponent() * 255)), int(std::lround(ink.greenComponent() * 255)),
                             int(std::lround(ink.blueComponent() * 255)));
    for (int y = 0; y < height; ++y) {
        raster->row(y, raw);
        auto *line = reinterpret_cast<QRgb *>(result.scanLine(y));
        if (isStencil) {
            // Where the decoded sample is 0 the mask paints.
            for (int x = 0; x < width; ++x) {
                const double v = (*decode)[0] + raw[size_t(x)] * ((*decode)[1] - (*decode)[0]);
                line[x] = v < 0.5 ? (inkRgb | 0xff000000u) : 0u;
            }
            continue;
        }
        if (palette) {
            for (int x = 0; x < width; ++x) {
                const double v = (*decode)[0] + raw[size_t(x)] / maximum * ((*decode)[1] - (*decode)[0]);
                const auto index = size_t(std::clamp(std::lround(v), 0L, long(palette->colors - 1)));
                rgb[3 * size_t(x)] = palette->rgb[3 * index];
                rgb[3 * size_t(x) + 1] = palette->rgb[3 * index + 1];
                rgb[3 * size_t(x) + 2] = palette->rgb[3 * index + 2];
            }
        } else {
            for (size_t i = 0; i < samples.size(); ++i) {
                const size_t c = i % size_t(components);
                samples[i] = float((*decode)[2 * c] + raw[i] / maximum * ((*decode)[2 * c + 1] - (*decode)[2 * c]));
            }
            space->toRGB(samples.data(), rgb.data(), size_t(width));
        }
        const uint8_t *a = alpha ? alpha->data() + size_t(y) * size_t(width) : nullptr;
        for (int x = 0; x < width; ++x)
            line[x] = qRgba(rgb[3 * size_t(x)], rgb[3 * size_t(x) + 1], rgb[3 * size_t(x) + 2], a ? a[x] : 255);
    }
    return result;
}

} // namespace scrivane
