#include "ArchivedEffectValue.h"

#include "platform/ArchivedTransform.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/effects/EffectImage.h"
#include "platform/effects/FloatRaster.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace scrivane {

namespace {

const QString VectorClass = QStringLiteral("TDEffectVector");
const QString ColorClass = QStringLiteral("TDEffectColor");
const QString ImageClass = QStringLiteral("TDEffectImage");
const char *const VectorKeys[] = {"x", "y", "z", "w"};

// PNG data of the image over its extent at one pixel per effect unit;
// empty when it has no bounded extent or is too large to hold.
QByteArray pngOf(const ImageRef &image)
{
    if (!image)
        return {};
    const EffectRect extent = image->extent();
    if (extent.isInfinite() || extent.isEmpty())
        return {};
    const RenderedImage rendered = image->render(extent, 1);
    if (rendered.isNull())
        return {};
    const PixelBuffer &pixels = rendered.pixels;
    // cairo's ARGB32 is Qt's premultiplied ARGB32, row for row.
    const QImage view(pixels.data(), pixels.width(), pixels.height(), pixels.stride(),
                      QImage::Format_ARGB32_Premultiplied);
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !view.save(&buffer, "PNG"))
        return {};
    return png;
}

ImageRef imageFromPng(const QByteArray &png, EffectPoint origin)
{
    QBuffer buffer;
    buffer.setData(png);
    if (!buffer.open(QIODevice::ReadOnly))
        return nullptr;
    QImageReader reader(&buffer, "PNG");
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() ||
        std::int64_t(size.width()) * size.height() > FloatRaster::kMaxPixels)
        return nullptr;
    QImage image = reader.read();
    if (image.isNull())
        return nullptr;
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    PixelBuffer pixels(image.width(), image.height());
    if (pixels.isNull())
        return nullptr;
    std::uint8_t *rows = pixels.data();
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(rows + std::size_t(y) * pixels.stride(), image.constScanLine(y),
                    std::size_t(image.width()) * 4);
    pixels.markDirty();
    return EffectImage::fromPixels(std::move(pixels), origin);
}

} // namespace

ArchivedEffectValue::ArchivedEffectValue(EffectValue value, QByteArray png, EffectPoint origin)
    : m_value(std::move(value)), m_png(std::move(png)), m_origin(origin)
{
}

PropertyList ArchivedEffectValue::value(const EffectValue &value)
{
    switch (kindOf(value)) {
    case ValueKind::Number:
        return PropertyList(std::get<double>(value));
    case ValueKind::String:
        return PropertyList(std::get<QString>(value));
    case ValueKind::Transform:
        return ArchivedTransform::value(std::get<EffectTransform>(value).toAffine());
    case ValueKind::Vector:
    case ValueKind::Color:
        return PropertyList(std::make_shared<ArchivedEffectValue>(value));
    case ValueKind::Image: {
        QByteArray png = pngOf(std::get<ImageRef>(value));
        if (png.isEmpty())
            return PropertyList();
        const EffectRect extent = std::get<ImageRef>(value)->extent();
        return PropertyList(
            std::make_shared<ArchivedEffectValue>(value, std::move(png), EffectPoint(extent.x, extent.y)));
    }
    case ValueKind::None:
        break;
    }
    return PropertyList();
}

std::optional<EffectValue> ArchivedEffectValue::fromValue(const PropertyList &stored)
{
    switch (stored.kind()) {
    case PropertyList::Kind::Integer:
    case PropertyList::Kind::Real:
    case PropertyList::Kind::Boolean:
        return std::optional<EffectValue>(std::in_place, std::in_place_type<double>, stored.toReal());
    case PropertyList::Kind::String:
        return std::optional<EffectValue>(std::in_place, std::in_place_type<QString>, stored.toString());
    case PropertyList::Kind::Object:
        if (const auto transform = ArchivedTransform::fromValue(stored))
            return std::optional<EffectValue>(std::in_place, std::in_place_type<EffectTransform>,
                                              EffectTransform::fromAffine(*transform));
        if (const auto archived = stored.objectAs<ArchivedEffectValue>();
            archived && kindOf(archived->m_value) != ValueKind::None)
            return archived->m_value;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void ArchivedEffectValue::registerArchiveClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        KeyedUnarchiver::registerClass(VectorClass, &ArchivedEffectValue::decodeVector);
        KeyedUnarchiver::registerClass(ColorClass, &ArchivedEffectValue::decodeColor);
        KeyedUnarchiver::registerClass(ImageClass, &ArchivedEffectValue::decodeImage);
    });
}

QString ArchivedEffectValue::archiveClassName() const
{
    switch (kindOf(m_value)) {
    case ValueKind::Color:
        return ColorClass;
    case ValueKind::Vector:
        return VectorClass;
    default: // an image, or stored image data that did not decode
        return ImageClass;
    }
}

void ArchivedEffectValue::encode(KeyedArchiver &archiver) const
{
    if (const EffectVector *v = std::get_if<EffectVector>(&m_value)) {
        for (int i = 0; i < std::clamp(v->count, 0, 4); ++i)
            archiver.encodeDouble(v->at(i), QLatin1String(VectorKeys[i]));
    } else if (const EffectColor *c = std::get_if<EffectColor>(&m_value)) {
        archiver.encodeDouble(c->red, QStringLiteral("red"));
        archiver.encodeDouble(c->green, QStringLiteral("green"));
        archiver.encodeDouble(c->blue, QStringLiteral("blue"));
        archiver.encodeDouble(c->alpha, QStringLiteral("alpha"));
    } else {
        // An image, or image data kept as it was read.
        archiver.encodeBytes(m_png, QStringLiteral("png"));
        archiver.encodeDouble(m_origin.x, QStringLiteral("x"));
        archiver.encodeDouble(m_origin.y, QStringLiteral("y"));
    }
}

bool ArchivedEffectValue::isEqualTo(const Archivable &other) const
{
    const auto *value = dynamic_cast<const ArchivedEffectValue *>(&other);
    if (!value)
        return false;
    if (archiveClassName() == ImageClass)
        return value->archiveClassName() == ImageClass && m_png == value->m_png &&
               m_origin == value->m_origin;
    return m_value == value->m_value;
}

std::shared_ptr<Archivable> ArchivedEffectValue::decodeVector(KeyedUnarchiver &unarchiver)
{
    double components[4] = {0, 0, 0, 0};
    int count = 0;
    // The components present from the first on; a gap ends the vector.
    while (count < 4 && unarchiver.containsValue(QLatin1String(VectorKeys[count]))) {
        components[count] = unarchiver.decodeDouble(QLatin1String(VectorKeys[count]));
        ++count;
    }
    EffectVector v(components[0], components[1], components[2], components[3]);
    v.count = count;
    return std::make_shared<ArchivedEffectValue>(v);
}

std::shared_ptr<Archivable> ArchivedEffectValue::decodeColor(KeyedUnarchiver &unarchiver)
{
    EffectColor c;
    c.red = unarchiver.decodeDouble(QStringLiteral("red"));
    c.green = unarchiver.decodeDouble(QStringLiteral("green"));
    c.blue = unarchiver.decodeDouble(QStringLiteral("blue"));
    if (unarchiver.containsValue(QStringLiteral("alpha")))
        c.alpha = unarchiver.decodeDouble(QStringLiteral("alpha"));
    return std::make_shared<ArchivedEffectValue>(c);
}

std::shared_ptr<Archivable> ArchivedEffectValue::decodeImage(KeyedUnarchiver &unarchiver)
{
    QByteArray png = unarchiver.decodeBytes(QStringLiteral("png"));
    const EffectPoint origin(unarchiver.decodeDouble(QStringLiteral("x")),
                             unarchiver.decodeDouble(QStringLiteral("y")));
    ImageRef image = imageFromPng(png, origin);
    EffectValue value = image ? EffectValue(std::move(image)) : EffectValue();
    return std::make_shared<ArchivedEffectValue>(std::move(value), std::move(png), origin);
}

} // namespace scrivane
