#include "model/TDHandleImages.h"

#include "platform/GraphicsContext.h"

#include <QDebug>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

namespace scrivane {

namespace {

struct HandleKind {
    const char *name;
    CompositeOperation operation;
    // From the handle point to the image's corner, in screen pixels.
    float offset;
};

std::optional<HandleKind> kindOfType(HandleType type)
{
    switch (type) {
    case HandleType::Middle:
    case HandleType::Centre:
        return HandleKind{"handle_middle", CompositeOperation::Copy, 4.5f};
    case HandleType::Edge:
        return HandleKind{"handle_edge", CompositeOperation::Copy, 4.5f};
    case HandleType::Corner:
        return HandleKind{"handle_corner", CompositeOperation::Copy, 4.5f};
    case HandleType::Rotate:
        return HandleKind{"handle_rotate", CompositeOperation::SourceOver, 5.5f};
    case HandleType::Skew:
        return HandleKind{"handle_skew", CompositeOperation::SourceOver, 6.5f};
    case HandleType::LineNode:
        return HandleKind{"handle_linenode", CompositeOperation::Copy, 3.5f};
    case HandleType::LineNodeSelected:
        return HandleKind{"handle_linenode_selected", CompositeOperation::Copy, 3.5f};
    case HandleType::CurveNode:
        return HandleKind{"handle_curvenode", CompositeOperation::SourceOver, 3.5f};
    case HandleType::CurveNodeSelected:
        return HandleKind{"handle_curvenode_selected", CompositeOperation::SourceOver, 3.5f};
    case HandleType::CurveControl:
        return HandleKind{"handle_curvecontrol", CompositeOperation::SourceOver, 3.5f};
    }
    return std::nullopt;
}

} // namespace

QStringList TDHandleImages::names()
{
    return {QStringLiteral("handle_middle"),
            QStringLiteral("handle_edge"),
            QStringLiteral("handle_corner"),
            QStringLiteral("handle_rotate"),
            QStringLiteral("handle_skew"),
            QStringLiteral("handle_linenode"),
            QStringLiteral("handle_linenode_selected"),
            QStringLiteral("handle_curvenode"),
            QStringLiteral("handle_curvenode_selected"),
            QStringLiteral("handle_curvecontrol")};
}

QString TDHandleImages::imageNameForType(HandleType type)
{
    const auto kind = kindOfType(type);
    return kind ? QLatin1String(kind->name) : QString();
}

QImage TDHandleImages::imageNamed(const QString &name)
{
    static std::mutex mutex;
    static QHash<QString, QImage> loaded;
    const std::lock_guard<std::mutex> lock(mutex);
    const auto found = loaded.constFind(name);
    if (found != loaded.constEnd())
        return *found;
    QImage image;
    if (names().contains(name)) {
        image = QImage(QStringLiteral(":/handles/%1.png").arg(name));
        if (image.isNull())
            qWarning().noquote() << QStringLiteral("The handle image \"%1\" could not be loaded").arg(name);
        else
            // Drawing takes this form; converting once spares it every time.
            image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    loaded.insert(name, image);
    return image;
}

bool TDHandleImages::drawHandle(GraphicsContext &context, Point point, HandleType type, float zoom)
{
    const auto kind = kindOfType(type);
    if (!kind)
        return false;
    const QImage image = imageNamed(QLatin1String(kind->name));
    if (image.isNull())
        return false;
    zoom = usableZoom(zoom);

    // The handle is placed in device space, where its size is that of the
    // image scaled by the context's own scale over the zoom (1 on a canvas),
    // and its corner is rounded to whole pixels so that the pixels of the
    // image reach the screen unchanged.
    const AffineTransform ctm = context.ctm();
    const Point centre = ctm.transformPoint(point);
    if (!std::isfinite(centre.x) || !std::isfinite(centre.y))
        return false;
    const float sx = std::hypot(ctm.m11, ctm.m12) / zoom;
    const float sy = std::hypot(ctm.m21, ctm.m22) / zoom;
    const float width = std::max(1.0f, std::round(float(image.width()) * sx));
    const float height = std::max(1.0f, std::round(float(image.height()) * sy));
    const float x = std::floor(centre.x - kind->offset * sx + 0.5f);
    const float y = std::floor(centre.y - kind->offset * sy + 0.5f);

    context.save();
    bool drawn = context.setCTM(AffineTransform());
    if (drawn)
        drawn = context.drawImage(image, Rect(x, y, width, height), Rect(), kind->operation, 1,
                                  ImageOrigin::TopLeft);
    context.restore();
    return drawn;
}

Rect TDHandleImages::rectForHandleAtPoint(Point handle, HandleType type, float zoom)
{
    zoom = usableZoom(zoom);
    float half = 6.5f;
    if (type == HandleType::CurveControl)
        half = 4.0f;
    else if (type == HandleType::CurveNode || type == HandleType::CurveNodeSelected)
        half = 5.0f;
    half /= zoom;
    return Rect(handle.x - half, handle.y - half, 2 * half, 2 * half);
}

bool TDHandleImages::pointInHandleAtPoint(Point point, Point handle, HandleType type, float zoom)
{
    return rectForHandleAtPoint(handle, type, zoom).contains(point);
}

bool TDHandleImages::rectOverHandleAtPoint(const Rect &rect, Point handle, HandleType type, float zoom)
{
    return rectForHandleAtPoint(handle, type, zoom).intersects(rect);
}

} // namespace scrivane
