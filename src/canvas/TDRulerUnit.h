#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace scrivane {

// A unit the rulers measure in: its name, the abbreviation shown beside
// the numbers, its length in points, and how the marks between labels are
// chosen.  When labels of one unit lie too close on screen they are spaced
// by the step-up cycle (each factor in turn, then again from the first);
// the marks between two labels divide the distance by the step-down cycle
// for as long as they stay far enough apart.
//
// The process knows the four built-in units "Inches", "Centimeters",
// "Points" and "Picas"; others are registered by name and replace an
// earlier unit of the same name.
class TDRulerUnit {
public:
    TDRulerUnit() = default;
    TDRulerUnit(QString name, QString abbreviation, double pointsPerUnit, std::vector<double> stepUpCycle,
                std::vector<double> stepDownCycle);

    const QString &name() const { return m_name; }
    const QString &abbreviation() const { return m_abbreviation; }
    double pointsPerUnit() const { return m_pointsPerUnit; }
    const std::vector<double> &stepUpCycle() const { return m_stepUp; }
    const std::vector<double> &stepDownCycle() const { return m_stepDown; }

    // Registers a unit for the whole process.  A unit without a positive
    // length or with a cycle factor that would not move the step (up
    // factors above 1, down factors between 0 and 1) is refused.
    static bool registerUnit(const TDRulerUnit &unit);
    static std::optional<TDRulerUnit> unitNamed(const QString &name);

    // The ruler unit of a "measurementUnits" code: 0 inches, 1 centimetres,
    // 2 points, 3 picas, 4 millimetres (registered on first use); any
    // other code gives inches.
    static TDRulerUnit unitForMeasurementCode(int code);
    static const QString millimetresName;

    // Where a ruler of this unit puts its labels and marks at `pixelsPerPoint`
    // screen pixels a point: the distance between two labels, in units, and
    // the distances between marks under it, each a division of the one
    // before, in points.  Labels stay at least `minimumLabelPixels` apart
    // and marks at least `minimumMarkPixels`.
    struct Spacing {
        double labelUnits = 1;
        std::vector<double> markPoints;
    };
    Spacing spacing(double pixelsPerPoint, double minimumLabelPixels, double minimumMarkPixels) const;

private:
    QString m_name;
    QString m_abbreviation;
    double m_pointsPerUnit = 72;
    std::vector<double> m_stepUp{2};
    std::vector<double> m_stepDown{0.5};
};

} // namespace scrivane
