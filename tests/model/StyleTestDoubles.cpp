#include "StyleTestDoubles.h"

#include <QBuffer>

namespace scrivane::styletest {

std::optional<TDImageStore::Image> MemoryImageStore::image(const QString &key) const
{
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return std::nullopt;
    return it->second.image;
}

bool MemoryImageStore::drawImage(const QString &key, GraphicsContext &context, const Rect &destination) const
{
    const auto it = m_entries.find(key);
    if (it == m_entries.end())
        return false;
    return context.drawImage(it->second.pixels, destination, Rect());
}

QString MemoryImageStore::addGlobalImage(const QByteArray &data, const QString &name,
                                         const QString &extension, DocumentRef document)
{
    const QImage pixels = QImage::fromData(data);
    if (data.isEmpty() || pixels.isNull())
        return QStringLiteral("!");
    for (auto &[key, entry] : m_entries) {
        if (entry.image.data == data) {
            if (document)
                users[key].push_back(document);
            return key;
        }
    }
    const QString key = name.size() > 51 ? name : QStringLiteral("image-%1").arg(m_next++);
    m_entries[key] =
        Entry{Image{key, data, extension, Size(float(pixels.width()), float(pixels.height()))}, pixels};
    if (document)
        users[key].push_back(document);
    return key;
}

QByteArray twoToneImage(int width, int height, const QColor &top, const QColor &bottom)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixelColor(x, y, y < height / 2 ? top : bottom);
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

QImage paintedImage(const std::function<void(GraphicsContext &)> &draw)
{
    QImage image(60, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        const auto context = GraphicsContext::forImage(image, true);
        draw(*context);
        context->finish();
    }
    return image;
}

QColor pixelAt(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y);
}

} // namespace scrivane::styletest
