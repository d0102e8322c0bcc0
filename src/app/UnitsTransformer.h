#pragma once

#include <QString>

#include <optional>

namespace scrivane {

// Lengths in points shown as text in the user's measurement unit (the
// defaults key "measurementUnits": 0 inches, 1 centimetres, 2 points,
// 3 picas, 4 millimetres; any other code reads as inches), and typed
// lengths read back into points.  Shown numbers follow the user's locale
// (at least two, at most four decimals); typed ones may carry a unit suffix
// ("cm", "mm", "pt", "px", "pc", "p", "in", "%").
class UnitsTransformer {
public:
    enum Unit { Inches = 0, Centimetres = 1, Points = 2, Picas = 3, Millimetres = 4 };

    // The unit code stored under "measurementUnits".
    static int currentUnits();

    // Points as text in the current unit, or in the given one: 72 points
    // read "1.00in" in inches.
    static QString transformedValue(double points);
    static QString transformedValue(double points, int units);
    // Points as a plain number in the given unit (no text, no rounding).
    static double valueInUnits(double points, int units);

    // Typed text to points; a number without a suffix is in the current
    // unit, or in the given one.  Text without a number reads 0.
    static double reverseTransformedValue(const QString &text);
    static double reverseTransformedValue(const QString &text, int units);
    // The same for text that must hold a length: nothing when the text has
    // no number at all, or its value is not finite.
    static std::optional<double> lengthFromText(const QString &text);
    static std::optional<double> lengthFromText(const QString &text, int units);
    // The number the text starts with (in the user's locale, or plainly);
    // nothing when it starts with none.
    static std::optional<double> leadingNumber(const QString &text);

    // The suffix shown for a unit code.
    static QString suffix(int units);
    // How many points one of the unit's numbers is.
    static double pointsPerUnit(int units);
};

} // namespace scrivane
