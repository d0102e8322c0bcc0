#include "model/TDStrokeStyle.h"

namespace scrivane {

void TDStrokeStyle::setPressureArray(const std::vector<Point> &points)
{
    willChange();
    // The old points are a value of their own: later edits of the curve do
    // not reach what undo gives back.
    registerUndo(true, QStringLiteral("setPressureArray"),
                 [old = m_pressurePoints](TDStrokeStyle &s) { s.setPressureArray(old); });
    m_pressurePoints = points;
    updatePressureCache();
    didChange();
}

void TDStrokeStyle::setSimplifyPressureArray(std::vector<Point> points)
{
    TDPressureCurve::sortPoints(points);
    TDPressureCurve::removeRedundantPoints(points);
    setPressureArray(points);
}

void TDStrokeStyle::setUsesPressure(bool on)
{
    if (on == m_usesPressure)
        return;
    willChange();
    registerUndo(true, QStringLiteral("setUsesPressure"), [old = m_usesPressure](TDStrokeStyle &s) {
        s.setUsesPressure(old);
    });
    m_usesPressure = on;
    if (on)
        m_pressureTableStale = true;
    changedGeometry();
    didChange();
}

void TDStrokeStyle::updatePressureCache()
{
    TDPressureCurve::sortPoints(m_pressurePoints);
    m_pressureTableStale = true;
    changedGeometry();
}

const std::array<float, TDPressureCurve::TableSize> *TDStrokeStyle::pressureTable() const
{
    if (m_pressureTableStale) {
        std::vector<Point> points = m_pressurePoints;
        m_pressureTable = TDPressureCurve::table(points);
        m_pressureTableStale = false;
    }
    return m_pressureTable ? &*m_pressureTable : nullptr;
}

float TDStrokeStyle::pressureAt(float position) const
{
    return m_usesPressure ? myPressureAt(position) : 1.0f;
}

float TDStrokeStyle::myPressureAt(float position) const
{
    const auto *table = pressureTable();
    return table ? TDPressureCurve::read(*table, position) : 1.0f;
}

float TDStrokeStyle::pressureGradientAt(float position) const
{
    const auto *table = m_usesPressure ? pressureTable() : nullptr;
    return table ? TDPressureCurve::slope(*table, position) : 0.0f;
}

} // namespace scrivane
