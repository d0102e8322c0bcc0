#include "model/TDFreehandStroke.h"

#include "model/TDBezierPath.h"
#include "model/TDCanvasTypes.h"
#include "model/TDGraphicViewInterface.h"
#include "model/TDPressureCurve.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

TDFreehandStroke::TDFreehandStroke(Point start, float zoom, bool tablet)
    : m_path(std::make_shared<TDBezierPath>()), m_bounds(start, Size(0, 0)), m_last(start),
      m_zoom(usableZoom(zoom)), m_tablet(tablet)
{
    m_path->moveTo(start);
}

void TDFreehandStroke::include(Point p)
{
    const float x0 = std::min(m_bounds.minX(), p.x);
    const float y0 = std::min(m_bounds.minY(), p.y);
    const float x1 = std::max(m_bounds.maxX(), p.x);
    const float y1 = std::max(m_bounds.maxY(), p.y);
    m_bounds = Rect(x0, y0, x1 - x0, y1 - y0);
}

std::optional<Rect> TDFreehandStroke::addPoint(Point q, float pressure)
{
    if (!std::isfinite(q.x) || !std::isfinite(q.y))
        return std::nullopt;
    const double dx = double(q.x) - m_last.x;
    const double dy = double(q.y) - m_last.y;
    const double squared = dx * dx + dy * dy;
    if (squared <= 1.0 / m_zoom)
        return std::nullopt;
    const double distance = std::sqrt(squared);
    if (m_tablet) {
        const float x = m_samples.empty() ? 0.0f : float(m_samples.back().x + distance);
        m_samples.emplace_back(x, 2 * std::clamp(pressure, 0.0f, 1.0f));
    }
    const double step = 25.0 / m_zoom;
    if (distance > step) {
        const int n = int(distance / step);
        for (int k = 1; k < n; ++k) {
            const Point between(float(m_last.x + dx * k / n), float(m_last.y + dy * k / n));
            m_path->lineTo(between);
        }
    }
    m_path->lineTo(q);
    // The points in between lie on the segment: its ends hold them.
    include(q);
    const Rect changed = TDRectFromPoints(m_last, q);
    m_last = q;
    return changed;
}

std::vector<Point> TDFreehandStroke::pressureCurve() const
{
    if (m_samples.size() < 2 || !(m_samples.back().x > 0))
        return TDPressureCurve::defaultPoints();
    std::vector<Point> curve = m_samples;
    const float length = curve.back().x;
    for (Point &p : curve)
        p.x /= length;
    curve.back().y = curve[curve.size() - 2].y;
    return curve;
}

} // namespace scrivane
