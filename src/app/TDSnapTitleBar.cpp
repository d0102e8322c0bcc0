#include "app/TDSnapTitleBar.h"

#include "app/TDCloseButton.h"
#include "app/TDPanelImages.h"
#include "app/TDSnapGeometry.h"
#include "app/TDSnapPanel.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

namespace scrivane {

TDSnapTitleBar::TDSnapTitleBar(TDSnapPanel *palette) : QWidget(palette), m_palette(palette)
{
    setFixedHeight(TDSnapGeometry::TitleHeight);
    m_close = new TDCloseButton(this);
    m_close->move(5, 1);
    connect(m_close, &TDCloseButton::clicked, palette, &TDSnapPanel::closePalette);
    m_disclosure = new QToolButton(this);
    m_disclosure->setObjectName(QStringLiteral("disclosure"));
    m_disclosure->setCheckable(true);
    m_disclosure->setChecked(true);
    m_disclosure->setAutoRaise(true);
    m_disclosure->setArrowType(Qt::DownArrow);
    m_disclosure->setGeometry(20, 0, 16, 16);
    m_disclosure->setFocusPolicy(Qt::NoFocus);
    m_disclosure->setToolTip(tr("Roll up or down"));
    connect(m_disclosure, &QToolButton::clicked, palette, [palette] { palette->toggleSize(); });
}

void TDSnapTitleBar::setToggleState(bool open)
{
    m_disclosure->setChecked(open);
    m_disclosure->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
}

void TDSnapTitleBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(rect(), TDPanelImages::imageNamed(QStringLiteral("panel titlebar")), QRect(0, 0, 1, 16));
    QFont font = painter.font();
    font.setPointSizeF(8.5);
    painter.setFont(font);
    painter.setPen(QColor(40, 40, 40));
    const QFontMetrics metrics(font);
    const QString title = metrics.elidedText(m_palette->windowTitle(), Qt::ElideRight, width() - 80);
    painter.drawText(rect(), Qt::AlignHCenter | Qt::AlignVCenter, title);
}

void TDSnapTitleBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_palette->beginDrag(event->globalPosition().toPoint());
}

void TDSnapTitleBar::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        m_palette->dragTo(event->globalPosition().toPoint(), event->modifiers());
}

void TDSnapTitleBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    m_palette->endDrag();
}

} // namespace scrivane
