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
        m_pressureTable = TDPressureCurve::table(m_pressurePoints);
    changedGeometry();
    didChange();
}

void TDStrokeStyle::updatePressureCache()
{
    m_pressureTable = TDPressureCurve::table(m_pressurePoints);
    changedGeometry();
}

float TDStrokeStyle::pressureAt(float position) const
{
    return m_usesPressure ? myPressureAt(position) : 1.0f;
}

float TDStrokeStyle::myPressureAt(float position) const
{
    return m_pressureTable ? TDPressureCurve::read(*m_pressureTable, position) : 1.0f;
}

float TDStrokeStyle::pressureGradientAt(float position) const
{
    if (!m_usesPressure || !m_pressureTable)
        return 0.0f;
    return TDPressureCurve::slope(*m_pressureTable, position);
}

} // namespace scrivane
