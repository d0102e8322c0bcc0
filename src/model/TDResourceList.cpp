#include "model/TDResourceList.h"

#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "platform/GraphicsContext.h"
#include "platform/Numbers.h"

#include <QFile>

#include <cmath>

namespace scrivane {

PropertyList::Array TDResourceList::read(const QString &resource, const char *what)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("The %s list is missing", what);
        return {};
    }
    QString error;
    const auto root = PropertyList::fromData(file.readAll(), &error);
    if (!root || !root->isArray()) {
        qWarning("The %s list cannot be read: %s", what, qPrintable(error));
        return {};
    }
    return root->toArray();
}

std::shared_ptr<TDBezierGraphic> TDResourceList::lineGraphic(Point from, Point to)
{
    PathBase line;
    line.moveTo(from);
    line.lineTo(to);
    auto graphic = std::make_shared<TDBezierGraphic>();
    graphic->setBezierPath(std::make_shared<TDBezierPath>(line));
    return graphic;
}

QImage TDResourceList::previewImage(TDGraphic &graphic)
{
    const Rect bounds = graphic.drawingBounds();
    const float x = std::floor(bounds.minX());
    const float y = std::floor(bounds.minY());
    const int width = int(std::ceil(bounds.maxX() - x));
    const int height = int(std::ceil(bounds.maxY() - y));
    if (bounds.isEmpty() || width <= 0 || height <= 0 || width > 4096 || height > 4096)
        return QImage();
    constexpr int Scale = 2;
    QImage image(width * Scale, height * Scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(Scale);
    image.fill(Qt::transparent);
    {
        const auto context = GraphicsContext::forImage(image, true);
        context->concatCTM(AffineTransform::makeTranslation(-x, -y));
        graphic.drawInView(nullptr, *context);
        context->finish();
    }
    return image;
}

std::optional<Rect> MYRectFromString(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 4)
        return std::nullopt;
    float n[4];
    for (int i = 0; i < 4; ++i) {
        const QByteArray piece = parts[i].trimmed().toUtf8();
        const auto scan = Numbers::scanDouble(std::string_view(piece.constData(), size_t(piece.size())));
        if (!scan || scan->length != size_t(piece.size()) || !std::isfinite(float(scan->value)))
            return std::nullopt;
        n[i] = float(scan->value);
    }
    if (!(n[2] > 0) || !(n[3] > 0))
        return std::nullopt;
    return Rect(n[0], n[1], n[2], n[3]);
}

} // namespace scrivane
