#include "canvas/TDRulerView.h"

#include "canvas/TDRulerClient.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

// Labels need this much room on screen, marks this much between them.
constexpr double minimumLabelPixels = 40;
constexpr double minimumMarkPixels = 4;
// Locations further out than this are nowhere near a screen.
constexpr double farAway = 1.0e7;

const QColor markerColour(200, 0, 160);

} // namespace

TDRulerView::TDRulerView(Orientation orientation, QWidget *parent)
    : QWidget(parent), m_orientation(orientation), m_unit(TDRulerUnit::unitForMeasurementCode(0))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(orientation == Orientation::Horizontal ? QStringLiteral("horizontalRuler")
                                                         : QStringLiteral("verticalRuler"));
}

TDRulerView::~TDRulerView() = default;

void TDRulerView::setClientView(QObject *client)
{
    m_client = client;
}

TDRulerClient *TDRulerView::client() const
{
    return dynamic_cast<TDRulerClient *>(m_client.data());
}

void TDRulerView::setMeasurementUnits(const TDRulerUnit &unit)
{
    m_unit = unit;
    update();
}

void TDRulerView::setOriginOffset(float offset)
{
    if (!std::isfinite(offset) || offset == m_originOffset)
        return;
    m_originOffset = offset;
    update();
}

void TDRulerView::setPixelsPerPoint(double scale)
{
    if (!std::isfinite(scale) || !(scale > 0) || scale == m_pixelsPerPoint)
        return;
    m_pixelsPerPoint = scale;
    update();
}

double TDRulerView::pixelForLocation(float location) const
{
    double start = 0;
    if (m_documentView)
        start = m_orientation == Orientation::Horizontal ? m_documentView->x() : m_documentView->y();
    return start + (double(location) + m_originOffset) * m_pixelsPerPoint;
}

float TDRulerView::locationForPixel(double pixel) const
{
    double start = 0;
    if (m_documentView)
        start = m_orientation == Orientation::Horizontal ? m_documentView->x() : m_documentView->y();
    return float((pixel - start) / m_pixelsPerPoint - m_originOffset);
}

double TDRulerView::along(QPointF point) const
{
    return m_orientation == Orientation::Horizontal ? point.x() : point.y();
}

double TDRulerView::across(QPointF point) const
{
    return m_orientation == Orientation::Horizontal ? point.y() : point.x();
}

int TDRulerView::length() const
{
    return m_orientation == Orientation::Horizontal ? width() : height();
}

// --- Markers ------------------------------------------------------------------------------------

void TDRulerView::setMarkers(std::vector<TDRulerMarkerPtr> markers)
{
    std::erase(markers, nullptr);
    m_markers = std::move(markers);
    update();
}

void TDRulerView::addMarker(const TDRulerMarkerPtr &marker)
{
    if (!marker || std::find(m_markers.begin(), m_markers.end(), marker) != m_markers.end())
        return;
    m_markers.push_back(marker);
    update();
}

bool TDRulerView::removeMarker(const TDRulerMarkerPtr &marker)
{
    const auto it = std::find(m_markers.begin(), m_markers.end(), marker);
    if (it == m_markers.end())
        return false;
    m_markers.erase(it);
    update();
    return true;
}

TDRulerMarkerPtr TDRulerView::markerAtPixel(double pixel) const
{
    // The marker drawn last lies on top.
    for (auto it = m_markers.rbegin(); it != m_markers.rend(); ++it)
        if (std::abs(pixelForLocation((*it)->markerLocation()) - pixel) <= markerReach)
            return *it;
    return nullptr;
}

void TDRulerView::trackMarker(const TDRulerMarkerPtr &marker, QMouseEvent *event)
{
    if (!marker || !event)
        return;
    startTracking(marker, true, event->position());
}

void TDRulerView::startTracking(const TDRulerMarkerPtr &marker, bool isNew, QPointF at)
{
    m_tracking = Tracking{marker, marker->markerLocation(), isNew, false};
    // Escape must reach the ruler without taking the focus from whoever
    // has it (a text being edited keeps its caret).
    grabKeyboard();
    followPointer(at);
}

void TDRulerView::followPointer(QPointF at)
{
    if (!m_tracking)
        return;
    TDRulerMarker &marker = *m_tracking->marker;
    const float previous = marker.markerLocation();
    const double pixel = std::clamp(along(at), -farAway, farAway);
    marker.setMarkerLocation(locationForPixel(pixel));
    const double a = across(at);
    const int thickness = m_orientation == Orientation::Horizontal ? height() : width();
    m_tracking->off = !m_tracking->isNew && marker.isRemovable() &&
                      (a < -removeDistance || a > thickness + removeDistance);
    if (TDRulerClient *c = client())
        c->rulerViewMarkerTracked(*this, marker, previous);
    update();
}

void TDRulerView::endTracking(bool cancelled)
{
    if (!m_tracking)
        return;
    const Tracking done = *m_tracking;
    m_tracking.reset();
    releaseKeyboard();
    TDRulerClient *c = client();
    const TDRulerMarkerPtr &marker = done.marker;
    const float draggedTo = marker->markerLocation();
    if (cancelled || done.off)
        marker->setMarkerLocation(done.startLocation);
    if (c && draggedTo != marker->markerLocation())
        c->rulerViewMarkerTracked(*this, *marker, draggedTo);
    if (cancelled) {
        update();
        return;
    }
    if (done.isNew) {
        if (!c || c->rulerViewShouldAddMarker(*this, *marker)) {
            addMarker(marker);
            if (c)
                c->rulerViewDidAddMarker(*this, marker);
        }
    } else if (done.off) {
        if (!c || c->rulerViewShouldRemoveMarker(*this, *marker)) {
            removeMarker(marker);
            if (c)
                c->rulerViewDidRemoveMarker(*this, marker);
        }
    } else if (marker->markerLocation() != done.startLocation && c) {
        c->rulerViewDidMoveMarker(*this, marker, done.startLocation);
    }
    update();
}

// --- Echo lines -----------------------------------------------------------------------------------

void TDRulerView::moveRulerline(std::optional<float> from, std::optional<float> to)
{
    const auto repaintAt = [this](float location) {
        const double p = pixelForLocation(location);
        if (!(std::abs(p) < farAway))
            return;
        const int x = int(std::floor(p));
        if (m_orientation == Orientation::Horizontal)
            update(QRect(x - 1, 0, 3, height()));
        else
            update(QRect(0, x - 1, width(), 3));
    };
    if (from) {
        const auto it = std::find(m_rulerLines.begin(), m_rulerLines.end(), *from);
        if (it != m_rulerLines.end()) {
            m_rulerLines.erase(it);
            repaintAt(*from);
        }
    }
    if (to && std::isfinite(*to)) {
        m_rulerLines.push_back(*to);
        repaintAt(*to);
    }
}

// --- Accessory ------------------------------------------------------------------------------------

void TDRulerView::setAccessoryView(QWidget *view)
{
    if (m_accessory == view)
        return;
    if (m_accessory && m_accessory->parentWidget() == this)
        m_accessory->hide();
    m_accessory = view;
    if (view) {
        view->setParent(this);
        view->show();
    }
    layoutAccessory();
}

void TDRulerView::setReservedThicknessForAccessoryView(int thickness)
{
    thickness = std::max(0, thickness);
    if (thickness == m_accessoryThickness)
        return;
    m_accessoryThickness = thickness;
    layoutAccessory();
    Q_EMIT thicknessChanged();
}

void TDRulerView::layoutAccessory()
{
    if (!m_accessory)
        return;
    if (m_orientation == Orientation::Horizontal)
        m_accessory->setGeometry(0, 0, width(), m_accessoryThickness);
    else
        m_accessory->setGeometry(0, 0, m_accessoryThickness, height());
}

void TDRulerView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutAccessory();
}

// --- Events -----------------------------------------------------------------------------------------

void TDRulerView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // A press while a drag is still under way (its release was lost) ends
    // that drag where it is.
    if (m_tracking)
        endTracking(false);
    TDRulerClient *c = client();
    if (const TDRulerMarkerPtr marker = markerAtPixel(along(event->position()))) {
        if (marker->isMovable() && (!c || c->rulerViewShouldMoveMarker(*this, *marker)))
            startTracking(marker, false, event->position());
        return;
    }
    if (c)
        c->rulerViewHandleMouseDown(*this, event);
}

void TDRulerView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_tracking && (event->buttons() & Qt::LeftButton))
        followPointer(event->position());
}

void TDRulerView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_tracking)
        return;
    followPointer(event->position());
    endTracking(false);
}

void TDRulerView::keyPressEvent(QKeyEvent *event)
{
    if (m_tracking && (event->key() == Qt::Key_Escape ||
                       (event->key() == Qt::Key_Period && (event->modifiers() & Qt::ControlModifier)))) {
        endTracking(true);
        return;
    }
    QWidget::keyPressEvent(event);
}

// --- Painting -----------------------------------------------------------------------------------------

void TDRulerView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &colours = palette();
    painter.fillRect(rect(), colours.color(QPalette::Window).lighter(104));
    painter.save();
    // The scale takes the band beside the document view; the accessory
    // band, when there is one, lies beyond it.
    if (m_orientation == Orientation::Horizontal)
        painter.translate(0, m_accessoryThickness);
    else
        painter.translate(m_accessoryThickness, 0);
    paintScale(painter);

    painter.setPen(QPen(colours.color(QPalette::WindowText), 1));
    for (const float line : m_rulerLines) {
        const double p = std::floor(pixelForLocation(line)) + 0.5;
        if (!(std::abs(p) < farAway))
            continue;
        if (m_orientation == Orientation::Horizontal)
            painter.drawLine(QPointF(p, 0), QPointF(p, ruleThickness));
        else
            painter.drawLine(QPointF(0, p), QPointF(ruleThickness, p));
    }
    for (const TDRulerMarkerPtr &marker : m_markers)
        if (!m_tracking || marker != m_tracking->marker)
            paintMarker(painter, *marker, false);
    if (m_tracking)
        paintMarker(painter, *m_tracking->marker, m_tracking->off);
    painter.restore();
}

void TDRulerView::paintScale(QPainter &painter) const
{
    const QPalette &colours = palette();
    const int thick = ruleThickness;
    const int len = length();
    const bool horizontal = m_orientation == Orientation::Horizontal;
    painter.setPen(QPen(colours.color(QPalette::Mid), 1));
    if (horizontal)
        painter.drawLine(QPointF(0, thick - 0.5), QPointF(len, thick - 0.5));
    else
        painter.drawLine(QPointF(thick - 0.5, 0), QPointF(thick - 0.5, len));

    const TDRulerUnit::Spacing spacing = m_unit.spacing(m_pixelsPerPoint, minimumLabelPixels, minimumMarkPixels);
    const double labelPoints = spacing.labelUnits * m_unit.pointsPerUnit();
    const double first = locationForPixel(0);
    const double last = locationForPixel(len);
    if (!std::isfinite(first) || !std::isfinite(last) || !(labelPoints > 0))
        return;
    const auto tick = [&](double location, double size) {
        const double p = std::floor(pixelForLocation(float(location))) + 0.5;
        if (horizontal)
            painter.drawLine(QPointF(p, thick - size), QPointF(p, thick));
        else
            painter.drawLine(QPointF(thick - size, p), QPointF(thick, p));
    };
    painter.setPen(QPen(colours.color(QPalette::WindowText), 1));
    // Marks from the finest up, so that longer ones cover shorter ones.
    double size = thick * 0.25;
    for (auto it = spacing.markPoints.rbegin(); it != spacing.markPoints.rend(); ++it) {
        const double step = *it;
        for (double k = std::floor(first / step); k * step <= last; k += 1)
            tick(k * step, size);
        size += thick * 0.1;
    }
    QFont font = painter.font();
    font.setPixelSize(9);
    painter.setFont(font);
    const QLocale locale;
    const int decimals = spacing.labelUnits >= 1 ? 0 : int(std::ceil(-std::log10(spacing.labelUnits)));
    for (double k = std::floor(first / labelPoints); k * labelPoints <= last; k += 1) {
        const double location = k * labelPoints;
        tick(location, thick);
        const double units = location / m_unit.pointsPerUnit();
        const QString text = locale.toString(std::abs(units) < 1e-9 ? 0.0 : units, 'f', std::clamp(decimals, 0, 4));
        const double p = pixelForLocation(float(location));
        if (horizontal) {
            painter.drawText(QPointF(p + 3, 10), text);
        } else {
            // Turned to read downwards, the glyphs standing towards the
            // outer edge and clear of the marks.
            painter.save();
            painter.translate(1, p + 3);
            painter.rotate(90);
            painter.drawText(QPointF(0, 0), text);
            painter.restore();
        }
    }
}

void TDRulerView::paintMarker(QPainter &painter, const TDRulerMarker &marker, bool faded) const
{
    const double location = std::floor(pixelForLocation(marker.markerLocation()));
    if (!(std::abs(location) < farAway))
        return;
    const bool horizontal = m_orientation == Orientation::Horizontal;
    const double t = ruleThickness;
    if (marker.isGuide()) {
        // The guide's picture, its image origin (counted from the bottom
        // left) on the marker's place at the ruler's inner edge.
        const MarkerImage &picture = markerImage(horizontal);
        if (!picture.image.isNull()) {
            const QPointF at = horizontal ? QPointF(location, t) : QPointF(t, location);
            const QPointF topLeft(at.x() - picture.origin.x(), at.y() - (picture.image.height() - picture.origin.y()));
            painter.setOpacity(faded ? 0.3 : 1.0);
            painter.drawImage(topLeft, picture.image);
            painter.setOpacity(1.0);
            return;
        }
    }
    // Other markers (a text's tab stops): a small wedge on the ruler's
    // inner edge pointing at the document, in the text colour.
    const double p = location + 0.5;
    QPainterPath wedge;
    if (horizontal) {
        wedge.moveTo(p - 4.5, t - 9);
        wedge.lineTo(p + 4.5, t - 9);
        wedge.lineTo(p, t);
    } else {
        wedge.moveTo(t - 9, p - 4.5);
        wedge.lineTo(t - 9, p + 4.5);
        wedge.lineTo(t, p);
    }
    wedge.closeSubpath();
    QColor colour = marker.isGuide() ? markerColour : palette().color(QPalette::WindowText);
    if (faded)
        colour.setAlphaF(0.3);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(wedge, colour);
    painter.setRenderHint(QPainter::Antialiasing, false);
}

const TDRulerView::MarkerImage &TDRulerView::markerImage(bool horizontal)
{
    // The pictures of the application's resources, looked up by name.
    static const MarkerImage pictures[2] = {
        {QImage(QStringLiteral(":/canvas/markerv.png")), QPointF(8, 5)},
        {QImage(QStringLiteral(":/canvas/marker.png")), QPointF(4, 0)},
    };
    return pictures[horizontal ? 1 : 0];
}

} // namespace scrivane
