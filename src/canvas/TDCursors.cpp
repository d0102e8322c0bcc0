#include "canvas/TDCursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace scrivane {

namespace {

constexpr int imageSize = 24;

// Black lines with a white rim, so that the cursor shows on any colour.
void strokeOutlined(QPainter &p, const QPainterPath &path, qreal width = 1.2)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, width + 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

void fillOutlined(QPainter &p, const QPainterPath &path, const QColor &fill)
{
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
}

QPainterPath line(QPointF a, QPointF b)
{
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    return path;
}

void drawMagnifier(QPainter &p, bool zoomIn)
{
    const QPointF centre(6.5, 6.5);
    QPainterPath handle = line(QPointF(10.5, 10.5), QPointF(16, 16));
    strokeOutlined(p, handle, 2.5);
    QPainterPath lens;
    lens.addEllipse(centre, 5, 5);
    fillOutlined(p, lens, QColor(255, 255, 255, 200));
    QPainterPath sign = line(QPointF(4, 6.5), QPointF(9, 6.5));
    if (zoomIn)
        sign.addPath(line(QPointF(6.5, 4), QPointF(6.5, 9)));
    p.setPen(QPen(Qt::black, 1.2));
    p.drawPath(sign);
}

void drawHand(QPainter &p, bool closed)
{
    QPainterPath palm;
    palm.addRoundedRect(QRectF(4, 7, 9, 8), 3, 3);
    QPainterPath fingers;
    const qreal top = closed ? 5.5 : 2.5;
    for (int i = 0; i < 4; ++i)
        fingers.addRoundedRect(QRectF(4 + i * 2.3, top, 2.2, 7), 1, 1);
    if (!closed)
        fingers.addRoundedRect(QRectF(1, 8, 4, 2.2), 1, 1);
    fillOutlined(p, fingers.united(palm), Qt::white);
}

void drawDropper(QPainter &p)
{
    QPainterPath body;
    body.moveTo(2, 16);
    body.lineTo(4, 12);
    body.lineTo(11, 5);
    body.lineTo(13, 7);
    body.lineTo(6, 14);
    body.closeSubpath();
    fillOutlined(p, body, Qt::white);
    QPainterPath bulb;
    bulb.addEllipse(QPointF(14, 4), 3, 3);
    fillOutlined(p, bulb, Qt::black);
}

void drawPaintbrush(QPainter &p)
{
    QPainterPath handle = line(QPointF(11, 13), QPointF(18, 3));
    strokeOutlined(p, handle, 2.5);
    QPainterPath tip;
    tip.moveTo(7, 19);
    tip.cubicTo(QPointF(7, 16), QPointF(8, 13), QPointF(10, 12));
    tip.lineTo(12, 14);
    tip.cubicTo(QPointF(11, 16), QPointF(9, 18), QPointF(7, 19));
    fillOutlined(p, tip, Qt::black);
}

void drawEditArrow(QPainter &p)
{
    QPainterPath arrow;
    arrow.moveTo(12, 8);
    arrow.lineTo(12, 21);
    arrow.lineTo(15, 18);
    arrow.lineTo(17.5, 23);
    arrow.lineTo(19.5, 22);
    arrow.lineTo(17, 17);
    arrow.lineTo(21, 17);
    arrow.closeSubpath();
    fillOutlined(p, arrow, Qt::white);
    // A node of a path beside it.
    QPainterPath node;
    node.addRect(QRectF(2.5, 2.5, 4, 4));
    fillOutlined(p, node, Qt::black);
}

void drawCrosshair(QPainter &p)
{
    QPainterPath cross = line(QPointF(7.5, 0.5), QPointF(7.5, 5.5));
    cross.addPath(line(QPointF(7.5, 9.5), QPointF(7.5, 14.5)));
    cross.addPath(line(QPointF(0.5, 7.5), QPointF(5.5, 7.5)));
    cross.addPath(line(QPointF(9.5, 7.5), QPointF(14.5, 7.5)));
    strokeOutlined(p, cross, 1);
}

QPixmap image(TDCursors::Kind kind)
{
    QPixmap pixmap(imageSize, imageSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (kind) {
    case TDCursors::Kind::ZoomIn:
        drawMagnifier(p, true);
        break;
    case TDCursors::Kind::ZoomOut:
        drawMagnifier(p, false);
        break;
    case TDCursors::Kind::Crosshair:
        drawCrosshair(p);
        break;
    case TDCursors::Kind::HandClosed:
        drawHand(p, true);
        break;
    case TDCursors::Kind::HandOpen:
        drawHand(p, false);
        break;
    case TDCursors::Kind::Dropper:
        drawDropper(p);
        break;
    case TDCursors::Kind::Paintbrush:
        drawPaintbrush(p);
        break;
    case TDCursors::Kind::EditArrow:
        drawEditArrow(p);
        break;
    }
    return pixmap;
}

} // namespace

QPoint TDCursors::hotSpot(Kind kind)
{
    switch (kind) {
    case Kind::ZoomIn:
    case Kind::ZoomOut:
        return QPoint(6, 6);
    case Kind::Crosshair:
        return QPoint(7, 7);
    case Kind::HandClosed:
    case Kind::HandOpen:
        return QPoint(8, 8);
    case Kind::Dropper:
        return QPoint(2, 16);
    case Kind::Paintbrush:
        return QPoint(7, 19);
    case Kind::EditArrow:
        return QPoint(12, 8);
    }
    return QPoint();
}

TDCursors::TDCursors()
{
    for (Kind kind : {Kind::ZoomIn, Kind::ZoomOut, Kind::Crosshair, Kind::HandClosed, Kind::HandOpen, Kind::Dropper,
                      Kind::Paintbrush, Kind::EditArrow}) {
        const QPoint hot = hotSpot(kind);
        m_cursors.emplace(kind, QCursor(image(kind), hot.x(), hot.y()));
    }
}

const TDCursors &TDCursors::shared()
{
    static const TDCursors cursors;
    return cursors;
}

QCursor TDCursors::cursor(Kind kind) const
{
    return m_cursors.at(kind);
}

} // namespace scrivane
