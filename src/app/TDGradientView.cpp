#include "app/TDGradientView.h"

#include "app/TDColorWell.h"
#include "app/TDGradientColorWell.h"
#include "model/TDGradient.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace scrivane {

TDGradientView::TDGradientView(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    m_setting = true;
    setGradient(nullptr);
    m_setting = false;
}

TDGradientView::~TDGradientView() = default;

void TDGradientView::setGradient(const std::shared_ptr<const TDGradient> &gradient)
{
    m_gradient = gradient ? gradient->clone()
                          : TDGradient::withColors(Color::calibratedWhite(1.0f / 3.0f), Color::calibratedWhite(2.0f / 3.0f));
    m_selectedMarker = -1;
    const bool wasSetting = m_setting;
    m_setting = true;
    changed();
    m_setting = wasSetting;
    update();
}

std::optional<float> TDGradientView::positionAt(double x) const
{
    const double usable = width() - 2 * Margin;
    if (usable <= 0)
        return std::nullopt;
    return float((x - Margin) / usable);
}

double TDGradientView::xForPosition(float position) const
{
    return Margin + double(position) * (width() - 2 * Margin);
}

QRectF TDGradientView::stripRect() const
{
    return QRectF(Margin, TopBand, width() - 2 * Margin, height() - TopBand - WellBand);
}

int TDGradientView::visibleStops() const
{
    int count = 0;
    for (int i = 0; i < m_gradient->numberOfmarkers(); ++i)
        if (m_gradient->markerPosition(i) >= 0)
            ++count;
    return count;
}

void TDGradientView::changed()
{
    setupMarkers();
    update();
    if (!m_setting)
        Q_EMIT gradientChanged();
}

void TDGradientView::setupMarkers()
{
    const int count = m_gradient->numberOfmarkers();
    while (int(m_wells.size()) > count) {
        delete m_wells.back();
        m_wells.pop_back();
    }
    while (int(m_wells.size()) < count) {
        auto *well = new TDGradientColorWell(this);
        connect(well, &TDColorWell::colorChanged, this, [this, well] { setColor(well); });
        m_wells.push_back(well);
    }
    for (int k = 0; k < count; ++k) {
        TDGradientColorWell *well = m_wells[size_t(k)];
        const float position = m_gradient->markerPosition(k);
        well->setTag(k);
        well->setColor(m_gradient->markerColor(k));
        // A stop dragged off the strip has no well to show.
        well->setVisible(position >= 0);
        well->move(int(std::lround(xForPosition(position))) - 7, height() - TDGradientColorWell::Height);
    }
}

void TDGradientView::setColor(TDGradientColorWell *well)
{
    if (well->tag() >= m_gradient->numberOfmarkers())
        return;
    m_gradient->setColor(well->color(), well->tag());
    changed();
}

void TDGradientView::pressAt(QPointF point)
{
    const std::optional<float> t = positionAt(point.x());
    if (!t)
        return;
    m_beforeGesture = m_gradient->copy();
    if (point.y() > height() - WellBand && *t >= 0 && *t <= 1) {
        const int added = m_gradient->addColor(m_gradient->nscolorAtPosition(*t), *t);
        setupMarkers();
        if (added < int(m_wells.size()))
            m_wells[size_t(added)]->activate();
        changed();
    }
    m_selectedMarker = -1;
    float nearest = std::numeric_limits<float>::infinity();
    for (int i = 0; i < m_gradient->numberOfmarkers(); ++i) {
        const float d = m_gradient->markerPosition(i) - *t;
        if (d * d < nearest) {
            nearest = d * d;
            m_selectedMarker = i;
        }
    }
    if (m_selectedMarker >= 0)
        m_originalPosition = m_gradient->markerPosition(m_selectedMarker);
}

void TDGradientView::dragTo(QPointF point)
{
    if (m_selectedMarker < 0 || m_selectedMarker >= m_gradient->numberOfmarkers())
        return;
    const std::optional<float> t = positionAt(point.x());
    if (!t)
        return;
    const bool outside = point.x() < 0 || point.y() < 0 || point.x() > width() || point.y() > height();
    const bool shown = m_gradient->markerPosition(m_selectedMarker) >= 0;
    // The last stop shown in the strip stays: a gradient needs a colour.
    if (outside && (!shown || visibleStops() > 1))
        m_gradient->setPosition(-1, m_selectedMarker);
    else
        m_gradient->setPosition(std::clamp(*t, 0.0f, 1.0f), m_selectedMarker);
    changed();
}

void TDGradientView::release()
{
    if (m_beforeGesture) {
        // The listener sees the state before the gesture, then the final
        // state as the change to record.
        std::shared_ptr<TDGradient> edited = m_gradient;
        m_gradient = m_beforeGesture;
        changed();
        m_gradient = edited;
        m_beforeGesture.reset();
    }
    m_selectedMarker = -1;
    changed();
}

void TDGradientView::cancelOperation()
{
    if (m_selectedMarker < 0 || m_selectedMarker >= m_gradient->numberOfmarkers())
        return;
    m_gradient->setPosition(m_originalPosition, m_selectedMarker);
    changed();
    m_selectedMarker = -1;
}

void TDGradientView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !positionAt(event->position().x()))
        return;
    m_tracking = true;
    Q_EMIT pressed();
    pressAt(event->position());
}

void TDGradientView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_tracking)
        dragTo(event->position());
}

void TDGradientView::mouseReleaseEvent(QMouseEvent *)
{
    if (!m_tracking)
        return;
    m_tracking = false;
    release();
    Q_EMIT released();
}

void TDGradientView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_selectedMarker >= 0) {
        cancelOperation();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TDGradientView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    setupMarkers();
}

void TDGradientView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF strip = stripRect();
    if (strip.width() <= 0 || strip.height() <= 0)
        return;
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(strip.adjusted(-2.5, -2.5, 1.5, 1.5));
    const int cell = 5;
    for (int y = int(strip.top()); y < int(strip.bottom()); y += cell)
        for (int x = int(strip.left()); x < int(strip.right()); x += cell)
            painter.fillRect(QRectF(x, y, cell, cell).intersected(strip),
                             ((x / cell + y / cell) % 2) ? QColor(204, 204, 204) : QColor(Qt::white));
    // One column per pixel: the colour the gradient has there.
    for (int x = int(strip.left()); x < int(std::ceil(strip.right())); ++x) {
        const std::optional<float> t = positionAt(x + 0.5);
        const TDGradient::Components c = m_gradient->colorAtPosition(t.value_or(0));
        painter.fillRect(QRectF(x, strip.top(), 1, strip.height()),
                         QColor::fromRgbF(c[0], c[1], c[2], c[3]));
    }
    // A small triangle above each stop in the strip.
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::WindowText));
    for (int i = 0; i < m_gradient->numberOfmarkers(); ++i) {
        const float p = m_gradient->markerPosition(i);
        if (p < 0)
            continue;
        const double x = xForPosition(p);
        painter.drawPolygon(QPolygonF{QPointF(x - 4, TopBand - 10), QPointF(x + 4, TopBand - 10),
                                      QPointF(x, TopBand - 3)});
    }
}

} // namespace scrivane
