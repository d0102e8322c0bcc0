#include "app/TDPressureView.h"

#include "model/TDDocumentInterface.h"
#include "model/TDGraphic.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDGroup.h"
#include "model/TDPressureCurve.h"
#include "model/TDStrokeStyle.h"
#include "model/TDUndoManager.h"
#include "platform/StringTable.h"

#include <QCheckBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <utility>

namespace scrivane {

namespace {
constexpr double Margin = 2;
constexpr double RightMargin = 20;
// Within this distance (view units) a press takes the point under it.
constexpr double PickDistance = 6;
// Dragged farther than this off the graph, a point is removed.
constexpr double RemoveDistance = 20;

bool hasStroke(const TDGraphicPtr &graphic)
{
    return graphic && !std::dynamic_pointer_cast<TDGroup>(graphic);
}
} // namespace

TDPressureView::TDPressureView(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumHeight(sizeHint().height());
    setToolTip(tr("Drag the width along the stroke; click to add a point, drag one off the graph to remove it"));
}

TDPressureView::~TDPressureView()
{
    endEdit();
}

void TDPressureView::setGraphic(const TDGraphicPtr &graphic)
{
    if (graphic != m_graphic)
        endEdit();
    m_graphic = hasStroke(graphic) ? graphic : nullptr;
    if (m_toggle) {
        const QSignalBlocker quiet(m_toggle);
        m_toggle->setChecked(m_graphic && m_graphic->strokeStyle()->usesPressure());
    }
    update();
}

void TDPressureView::setToggleCheck(QCheckBox *check)
{
    m_toggle = check;
    if (m_toggle)
        connect(m_toggle, &QCheckBox::clicked, this, [this](bool on) { toggle(on); });
    setGraphic(m_graphic);
}

TDGraphicArray TDPressureView::targets() const
{
    if (m_targets)
        return m_targets();
    if (!m_graphic)
        return {};
    // The canvas's selection of the graphic's document, else the graphic.
    if (TDDocumentInterface *document = m_graphic->document())
        if (TDGraphicViewInterface *canvas = document->graphicView()) {
            TDGraphicArray selection = canvas->selectedGraphics();
            if (!selection.empty())
                return selection;
        }
    return {m_graphic};
}

void TDPressureView::toggle(bool on)
{
    for (const TDGraphicPtr &g : targets())
        if (hasStroke(g))
            g->strokeStyle()->setUsesPressure(on);
    if (m_toggle) {
        const QSignalBlocker quiet(m_toggle);
        m_toggle->setChecked(on);
    }
    update();
}

void TDPressureView::reset()
{
    TDUndoManager *undo = m_graphic ? m_graphic->undoManager() : nullptr;
    if (undo)
        undo->beginUndoGrouping();
    for (const TDGraphicPtr &g : targets())
        if (hasStroke(g))
            g->strokeStyle()->setPressureArray(TDPressureCurve::defaultPoints());
    if (undo) {
        undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Reset Pressure")));
        undo->endUndoGrouping();
    }
    update();
}

// --- Geometry ----------------------------------------------------------------------------------

QRectF TDPressureView::graphRect() const
{
    return QRectF(Margin, Margin, width() - Margin - RightMargin, height() - 2 * Margin);
}

bool TDPressureView::usable() const
{
    const QRectF graph = graphRect();
    return graph.width() >= 1 && graph.height() >= 1;
}

Point TDPressureView::curvePoint(QPointF position) const
{
    const QRectF graph = graphRect();
    // The view's y grows downwards, the factor upwards.
    const double u = (position.x() - graph.left()) / graph.width();
    const double v = (graph.bottom() - position.y()) / (graph.height() / 2);
    return Point(float(std::clamp(u, 0.0, 1.0)), float(std::clamp(v, 0.0, 2.0)));
}

QPointF TDPressureView::viewPoint(Point curve) const
{
    const QRectF graph = graphRect();
    return QPointF(graph.left() + curve.x * graph.width(), graph.bottom() - curve.y * graph.height() / 2);
}

// --- Editing -----------------------------------------------------------------------------------

void TDPressureView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_graphic || !usable())
        return;
    const Point press = curvePoint(event->position());
    std::vector<Point> working = m_graphic->strokeStyle()->pressureArray();
    const QRectF graph = graphRect();
    std::optional<size_t> nearest;
    double best = PickDistance * PickDistance;
    for (size_t i = 0; i < working.size(); ++i) {
        const double dx = (working[i].x - press.x) * graph.width();
        const double dy = (working[i].y - press.y) * graph.height() / 2;
        if (dx * dx + dy * dy < best) {
            best = dx * dx + dy * dy;
            nearest = i;
        }
    }
    if (nearest) {
        m_dragged = working[*nearest];
    } else {
        m_dragged = press;
        working.push_back(press);
    }
    // The press, every drag and the release are one undo step, which gives
    // back each stroke's curve (and use of pressure) of before the press.
    m_undo = m_graphic->undoManager();
    if (m_undo)
        m_undo->beginUndoGrouping();
    // Each stroke gets a copy of its own.
    for (const TDGraphicPtr &g : targets())
        if (hasStroke(g))
            g->strokeStyle()->setPressureArray(working);
    m_working = std::move(working);
    dragTo(event->position());
}

void TDPressureView::mouseMoveEvent(QMouseEvent *event)
{
    // A drag that began elsewhere (or on a graph without room) edits nothing.
    if (!m_working || !(event->buttons() & Qt::LeftButton))
        return;
    dragTo(event->position());
}

void TDPressureView::dragTo(QPointF position)
{
    std::vector<Point> &working = *m_working;
    toggle(true);
    if (m_dragged) {
        const auto found = std::find(working.begin(), working.end(), *m_dragged);
        if (found != working.end())
            working.erase(found);
        m_dragged.reset();
    }
    const QRectF reach = graphRect().adjusted(-RemoveDistance, -RemoveDistance, RemoveDistance, RemoveDistance);
    if (reach.contains(position) || working.size() <= 1) {
        const Point point = curvePoint(position);
        m_dragged = point;
        if (std::find(working.begin(), working.end(), point) == working.end())
            working.push_back(point);
    }
    for (const TDGraphicPtr &g : targets()) {
        if (!hasStroke(g))
            continue;
        g->willChange();
        g->strokeStyle()->setPressureArrayQuiet(working);
        g->strokeStyle()->updatePressureCache();
        g->didChange();
    }
    update();
}

void TDPressureView::mouseReleaseEvent(QMouseEvent *)
{
    endEdit();
    update();
}

void TDPressureView::endEdit()
{
    m_dragged.reset();
    m_working.reset();
    if (m_undo)
        std::exchange(m_undo, nullptr)->endUndoGrouping();
}

// --- Drawing -----------------------------------------------------------------------------------

void TDPressureView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    if (!usable())
        return;
    const QRectF graph = graphRect();
    p.fillRect(graph, Qt::white);

    // The plain width, dashed across the middle.
    const double middle = std::floor(graph.top() + graph.height() / 2) + 0.5;
    QPen dashed(Qt::black, 1);
    dashed.setDashPattern({4, 4});
    p.setPen(dashed);
    p.drawLine(QPointF(graph.left(), middle), QPointF(graph.right(), middle));

    // The area under the curve.
    p.setRenderHint(QPainter::Antialiasing);
    const TDStrokeStyle *stroke = m_graphic ? m_graphic->strokeStyle().get() : nullptr;
    QPainterPath area(viewPoint(Point(0, 0)));
    if (stroke) {
        for (int i = 0; i < TDPressureCurve::TableSize; ++i) {
            const float x = float(i) / (TDPressureCurve::TableSize - 1);
            area.lineTo(viewPoint(Point(x, std::clamp(stroke->myPressureAt(x), 0.0f, 2.0f))));
        }
    } else {
        area.lineTo(viewPoint(Point(0, 0.5f)));
        area.lineTo(viewPoint(Point(1, 0.5f)));
    }
    area.lineTo(viewPoint(Point(1, 0)));
    area.closeSubpath();
    p.fillPath(area, QColor(0, 0, 0, 77));
    p.setRenderHint(QPainter::Antialiasing, false);

    const QColor frame(128, 128, 128);
    p.setPen(frame);
    p.setBrush(Qt::NoBrush);
    p.drawRect(graph.adjusted(0, 0, -1, -1));
    QColor marks = Qt::red;
    if (!stroke || !stroke->usesPressure()) {
        // Pressure off: the graph is veiled and its points pale.
        p.fillRect(graph, QColor(255, 255, 255, 179));
        p.drawRect(graph.adjusted(0, 0, -1, -1));
        marks = QColor(255, 179, 179);
    }
    if (!stroke)
        return;
    p.setPen(marks);
    for (const Point &point : stroke->pressureArray()) {
        const QPointF at = viewPoint(point);
        const QRect square(int(at.x()) - 2, int(at.y()) - 2, 4, 4);
        if (m_dragged && point == *m_dragged)
            p.fillRect(square, marks);
        p.drawRect(square);
    }
}

} // namespace scrivane
