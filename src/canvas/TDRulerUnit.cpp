#include "canvas/TDRulerUnit.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace scrivane {

namespace {

std::map<QString, TDRulerUnit> &registry()
{
    static std::map<QString, TDRulerUnit> units = [] {
        std::map<QString, TDRulerUnit> builtIn;
        const TDRulerUnit list[] = {
            {QStringLiteral("Inches"), QStringLiteral("in"), 72.0, {2.0}, {0.5, 0.5, 0.5}},
            {QStringLiteral("Centimeters"), QStringLiteral("cm"), 28.35, {2.0}, {0.5, 0.2}},
            {QStringLiteral("Points"), QStringLiteral("pt"), 1.0, {10.0}, {0.5}},
            {QStringLiteral("Picas"), QStringLiteral("pc"), 12.0, {10.0}, {0.5}},
        };
        for (const TDRulerUnit &unit : list)
            builtIn.emplace(unit.name(), unit);
        return builtIn;
    }();
    return units;
}

bool usableCycle(const std::vector<double> &cycle, double low, double high)
{
    return !cycle.empty() && std::all_of(cycle.begin(), cycle.end(), [low, high](double f) {
        return std::isfinite(f) && f > low && f < high;
    });
}

} // namespace

const QString TDRulerUnit::millimetresName = QStringLiteral("Millimetres");

TDRulerUnit::TDRulerUnit(QString name, QString abbreviation, double pointsPerUnit, std::vector<double> stepUpCycle,
                         std::vector<double> stepDownCycle)
    : m_name(std::move(name)), m_abbreviation(std::move(abbreviation)), m_pointsPerUnit(pointsPerUnit),
      m_stepUp(std::move(stepUpCycle)), m_stepDown(std::move(stepDownCycle))
{
}

bool TDRulerUnit::registerUnit(const TDRulerUnit &unit)
{
    if (unit.name().isEmpty() || !std::isfinite(unit.m_pointsPerUnit) || !(unit.m_pointsPerUnit > 0) ||
        !usableCycle(unit.m_stepUp, 1.0, HUGE_VAL) || !usableCycle(unit.m_stepDown, 0.0, 1.0))
        return false;
    registry()[unit.name()] = unit;
    return true;
}

std::optional<TDRulerUnit> TDRulerUnit::unitNamed(const QString &name)
{
    const auto &units = registry();
    const auto it = units.find(name);
    if (it == units.end())
        return std::nullopt;
    return it->second;
}

TDRulerUnit TDRulerUnit::unitForMeasurementCode(int code)
{
    static const QString names[] = {QStringLiteral("Inches"), QStringLiteral("Centimeters"),
                                    QStringLiteral("Points"), QStringLiteral("Picas"), millimetresName};
    if (code == 4 && !unitNamed(millimetresName))
        registerUnit(TDRulerUnit(millimetresName, QStringLiteral("mm"), 2.835, {5.0}, {0.5}));
    const QString &name = code >= 0 && code < 5 ? names[code] : names[0];
    return unitNamed(name).value_or(*unitNamed(names[0]));
}

TDRulerUnit::Spacing TDRulerUnit::spacing(double pixelsPerPoint, double minimumLabelPixels,
                                          double minimumMarkPixels) const
{
    Spacing result;
    const double unitPixels = m_pointsPerUnit * pixelsPerPoint;
    if (!std::isfinite(unitPixels) || !(unitPixels > 0))
        return result;
    // Up from one unit until the labels have room; a bound on the steps
    // keeps absurd scales finite.
    double label = 1;
    for (size_t i = 0; label * unitPixels < minimumLabelPixels && i < 64; ++i)
        label *= m_stepUp[i % m_stepUp.size()];
    // Down while half the distance would still leave room for a label.
    for (size_t i = 0; i < 16; ++i) {
        const double next = label * m_stepDown[i % m_stepDown.size()];
        if (next * unitPixels < minimumLabelPixels * 2 || label <= 1e-6)
            break;
        label = next;
    }
    result.labelUnits = label;
    double mark = label * m_pointsPerUnit;
    for (size_t i = 0; i < 8; ++i) {
        mark *= m_stepDown[i % m_stepDown.size()];
        if (mark * pixelsPerPoint < minimumMarkPixels)
            break;
        result.markPoints.push_back(mark);
    }
    return result;
}

} // namespace scrivane
