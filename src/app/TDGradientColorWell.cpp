#include "app/TDGradientColorWell.h"

#include <QPainter>

namespace scrivane {

TDGradientColorWell::TDGradientColorWell(QWidget *parent) : TDColorWell(parent)
{
    setMinimumSize(Width, Height);
    setFixedSize(Width, Height);
    setToolTip(tr("Stop colour"));
}

void TDGradientColorWell::activate()
{
    makeActive();
}

void TDGradientColorWell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const bool active = activeWell() == this;
    painter.setPen(active ? palette().color(QPalette::Highlight) : palette().color(QPalette::Dark));
    painter.setBrush(active ? palette().color(QPalette::Highlight).lighter(160) : palette().color(QPalette::Button));
    // A marker: a point at the top toward the stop, a body below.
    const QPolygonF outline{QPointF(7.5, 0.5), QPointF(14.5, 5.5), QPointF(14.5, 19.5), QPointF(0.5, 19.5),
                            QPointF(0.5, 5.5)};
    painter.drawPolygon(outline);
    const QRect swatch(4, 6, 7, 11);
    painter.fillRect(swatch, Qt::white);
    painter.fillRect(swatch, toQColor(color()));
}

} // namespace scrivane
