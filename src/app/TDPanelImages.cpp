#include "app/TDPanelImages.h"

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace scrivane {

namespace {

QImage blank(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage titleStrip()
{
    QImage image = blank(1, 16);
    QPainter p(&image);
    QLinearGradient shade(0, 0, 0, 16);
    shade.setColorAt(0, QColor(236, 236, 236));
    shade.setColorAt(1, QColor(200, 200, 204));
    p.fillRect(QRect(0, 0, 1, 16), shade);
    p.fillRect(QRect(0, 15, 1, 1), QColor(150, 150, 156));
    return image;
}

QImage closeButton(const QColor &fill, const QColor &cross)
{
    QImage image = blank(13, 14);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(fill.darker(140), 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1, 1.5, 11, 11));
    p.setPen(QPen(cross, 1.5));
    p.drawLine(QPointF(4.5, 5), QPointF(8.5, 9));
    p.drawLine(QPointF(8.5, 5), QPointF(4.5, 9));
    return image;
}

QImage grip()
{
    QImage image = blank(13, 14);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(110, 110, 116), 1));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(12 - 4 * i, 13), QPointF(12, 13 - 4 * i));
    return image;
}

QImage eye()
{
    QImage image = blank(12, 12);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath lid;
    lid.moveTo(1, 6);
    lid.quadTo(6, 0.5, 11, 6);
    lid.quadTo(6, 11.5, 1, 6);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawPath(lid);
    p.setBrush(QColor(60, 60, 60));
    p.drawEllipse(QPointF(6, 6), 1.8, 1.8);
    return image;
}

QImage padlock()
{
    QImage image = blank(12, 12);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.drawArc(QRectF(3.5, 1, 5, 6), 0, 180 * 16);
    p.drawLine(QPointF(3.5, 4), QPointF(3.5, 6));
    p.drawLine(QPointF(8.5, 4), QPointF(8.5, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(2, 6, 8, 5.5));
    return image;
}

QImage pencil()
{
    QImage image = blank(12, 12);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 2.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(3, 9), QPointF(10, 2));
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawLine(QPointF(1.5, 10.5), QPointF(2.5, 9.5));
    return image;
}

// A dot of the selection states, on a 12-point square.
QImage dot(const QColor &colour, qreal radius, bool hollow)
{
    QImage image = blank(12, 12);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(colour.darker(130), 1));
    p.setBrush(hollow ? QBrush(Qt::NoBrush) : QBrush(colour));
    p.drawEllipse(QPointF(6, 6), radius, radius);
    return image;
}

QImage editingMark()
{
    // A frame around the state dot: the layer or group that new graphics go into.
    QImage image = blank(8, 8);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 40, 40), 1.5));
    p.drawRect(QRectF(0.75, 0.75, 6.5, 6.5));
    return image;
}

QImage draw(const QString &name)
{
    if (name == QLatin1String("panel titlebar"))
        return titleStrip();
    if (name == QLatin1String("close_blue"))
        return closeButton(QColor(120, 150, 210), QColor(235, 240, 250));
    if (name == QLatin1String("close_blue_over"))
        return closeButton(QColor(70, 110, 200), Qt::white);
    if (name == QLatin1String("close_blue_highlight"))
        return closeButton(QColor(40, 70, 150), Qt::white);
    if (name == QLatin1String("resize"))
        return grip();
    if (name == QLatin1String("layers_visible"))
        return eye();
    if (name == QLatin1String("layers_lock"))
        return padlock();
    if (name == QLatin1String("layers_editing"))
        return pencil();
    if (name == QLatin1String("layer-primary"))
        return dot(QColor(40, 100, 220), 4, false);
    if (name == QLatin1String("layer-selected"))
        return dot(QColor(120, 160, 230), 4, false);
    if (name == QLatin1String("layer-partial"))
        return dot(QColor(90, 130, 210), 2.5, true);
    if (name == QLatin1String("layer-editing"))
        return editingMark();
    return QImage();
}

} // namespace

QImage TDPanelImages::imageNamed(const QString &name)
{
    static QHash<QString, QImage> drawn;
    const auto found = drawn.constFind(name);
    if (found != drawn.constEnd())
        return found.value();
    QImage image = draw(name);
    if (!image.isNull())
        drawn.insert(name, image);
    return image;
}

} // namespace scrivane
