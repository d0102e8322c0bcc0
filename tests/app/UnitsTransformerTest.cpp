// Lengths in the user's unit and back, and angles in degrees.

#include "app/RadiansToDegreesTransformer.h"
#include "app/UnitsTransformer.h"
#include "app/UnitsTransformerService.h"
#include "platform/UserDefaults.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

// Shown numbers follow the locale: these tests read them in English and in
// a locale with a decimal comma.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale &locale) : m_previous(QLocale()) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

class UnitsScope {
public:
    explicit UnitsScope(int units) { UserDefaults::standard().setInteger(QStringLiteral("measurementUnits"), units); }
    ~UnitsScope() { UserDefaults::standard().removeObject(QStringLiteral("measurementUnits")); }
};

} // namespace

TEST(UnitsTransformer, PointsShownInEachUnit)
{
    LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Case {
        double points;
        int units;
        const char *shown;
    };
    const Case cases[] = {
        {72, 0, "1.00in"},   {72, 1, "2.54cm"},    {72, 2, "72.00pt"}, {72, 3, "6.00p"},     {72, 4, "25.40mm"},
        {1, 4, "0.3528mm"},  {72, 9, "1.00in"},    {-36, 0, "-0.50in"}, {100, 2, "100.00pt"}, {1, 0, "0.0139in"},
        {1234567, 2, "1234567.00pt"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UnitsTransformer::transformedValue(c.points, c.units), QString::fromUtf8(c.shown))
            << c.points << " in " << c.units;

    LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(UnitsTransformer::transformedValue(72, 1), QStringLiteral("2,54cm"));
    EXPECT_DOUBLE_EQ(UnitsTransformer::reverseTransformedValue(QStringLiteral("2,54cm"), 0), 72);
}

TEST(UnitsTransformer, TypedLengthsToPoints)
{
    LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    struct Case {
        const char *typed;
        int units;
        double points;
    };
    const Case cases[] = {
        {"2cm", 0, 56.69291338582677}, {"2cm", 2, 56.69291338582677}, {"12", 2, 12},   {"12", 0, 864},
        {"3pc", 0, 36},                 {"3p", 2, 36},                  {"10px", 0, 10}, {"10pt", 4, 10},
        {"1in", 2, 72},                 {"50%", 0, 0.5},                {"2q", 2, 2},    {"2q", 0, 144},
        {"10mm", 0, 28.346456692913385}, {"abc", 0, 0},                {"", 1, 0},      {" 1.5 in ", 2, 108},
        {"3", 9, 216},
    };
    for (const Case &c : cases)
        EXPECT_NEAR(UnitsTransformer::reverseTransformedValue(QString::fromUtf8(c.typed), c.units), c.points, 1e-9)
            << '"' << c.typed << "\" with " << c.units;
}

TEST(UnitsTransformer, TheCurrentUnitComesFromTheDefaults)
{
    LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    UnitsScope millimetres(4);
    EXPECT_EQ(UnitsTransformer::transformedValue(72), QStringLiteral("25.40mm"));
    EXPECT_NEAR(UnitsTransformer::reverseTransformedValue(QStringLiteral("10")), 28.346456692913385, 1e-9);
    // The model's status texts take the plain number.
    UnitsTransformerService service;
    EXPECT_NEAR(service.transformedValue(72), 25.4, 1e-9);
    EXPECT_NEAR(service.reverseTransformedValue(QStringLiteral("1"), 0), 72, 1e-9);
}

TEST(RadiansToDegreesTransformer, UsesTheSharedConstant)
{
    EXPECT_NEAR(RadiansToDegreesTransformer::transformedValue(3.1415927), 180.0, 1e-9);
    EXPECT_NEAR(RadiansToDegreesTransformer::reverseTransformedValue(90), 1.5707963499999999, 1e-12);
}
