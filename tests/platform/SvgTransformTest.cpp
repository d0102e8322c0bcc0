#include "platform/SvgTransform.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;

namespace {

struct ListCase {
    const char *name;
    const char *list;
    Point from;
    Point to;
    friend void PrintTo(const ListCase &c, std::ostream *out) { *out << c.name; }
};

const ListCase ListCases[] = {
    {"TranslateWithOneNumber", "translate(10)", {1, 1}, {11, 1}},
    {"ListActsRightToLeft", "translate(10) scale(2)", {1, 1}, {12, 2}},
    {"RotateAboutACentre", "rotate(90 5 5)", {5, 0}, {10, 5}},
    {"MatrixThenTranslate", "matrix(2,0,0,2,0,0) translate(1,0)", {0, 0}, {2, 0}},
    {"ScaleWithTwoNumbers", "scale(2, 3)", {1, 1}, {2, 3}},
    {"SkewX", "skewX(45)", {0, 1}, {1, 1}},
    {"SkewY", "skewY(45)", {1, 0}, {1, 1}},
    {"NoSeparatorBetweenFunctions", "translate(1,2)scale(2)", {1, 1}, {3, 4}},
    {"CommaBetweenFunctions", "translate(1 2), scale(2)", {1, 1}, {3, 4}},
    {"BlanksEverywhere", " \n rotate ( 90 ) ", {1, 0}, {0, 1}},
    {"Exponents", "translate(1e1 -2.5E0)", {0, 0}, {10, -2.5}},
    {"NumbersRunTogether", "translate(-1-2)", {0, 0}, {-1, -2}},
    {"EmptyListIsTheIdentity", "", {3, 4}, {3, 4}},
};

class SvgTransformList : public testing::TestWithParam<ListCase> {};

struct FaultCase {
    const char *name;
    const char *list;
    friend void PrintTo(const FaultCase &c, std::ostream *out) { *out << c.name; }
};

const FaultCase FaultCases[] = {
    {"KeywordWithoutParentheses", "scale"},
    {"UnclosedParenthesis", "scale(2"},
    {"NoNumbers", "scale()"},
    {"RotateWithTwoNumbers", "rotate(1 2)"},
    {"MatrixWithFiveNumbers", "matrix(1 2 3 4 5)"},
    {"TranslateWithThreeNumbers", "translate(1 2 3)"},
    {"DoubleComma", "translate(1,,2)"},
    {"UnknownFunction", "shear(1)"},
    {"KeywordsAreCaseSensitive", "Scale(2)"},
    {"TextAfterTheList", "translate(1) junk"},
    {"NotANumber", "translate(nan)"},
    {"BeyondFloatRange", "translate(1e39)"},
    {"ProductBeyondFloatRange", "scale(1e30) scale(1e30)"},
    {"TwoCommasBetweenFunctions", "scale(2),,scale(2)"},
};

class SvgTransformFault : public testing::TestWithParam<FaultCase> {};

template <typename Case>
std::string caseName(const testing::TestParamInfo<Case> &info)
{
    return info.param.name;
}

} // namespace

TEST_P(SvgTransformList, MapsPointsAsTheListSays)
{
    const ListCase &c = GetParam();
    AffineTransform t;
    QString error;
    ASSERT_TRUE(SvgTransform::setFromSVGString(t, QString::fromLatin1(c.list), &error)) << error.toStdString();
    const Point p = t.transformPoint(c.from);
    EXPECT_NEAR(p.x, c.to.x, 1e-5);
    EXPECT_NEAR(p.y, c.to.y, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(Cases, SvgTransformList, testing::ValuesIn(ListCases), caseName<ListCase>);

TEST_P(SvgTransformFault, RefusesTheWholeListAndChangesNothing)
{
    AffineTransform t(2, 0, 0, 2, 5, 5);
    const AffineTransform before = t;
    QString error;
    EXPECT_FALSE(SvgTransform::setFromSVGString(t, QString::fromLatin1(GetParam().list), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(t, before);
}

INSTANTIATE_TEST_SUITE_P(Cases, SvgTransformFault, testing::ValuesIn(FaultCases), caseName<FaultCase>);

TEST(SvgTransform, ListActsBeforeWhatTheTransformationAlreadyDoes)
{
    AffineTransform t = AffineTransform::makeTranslation(100, 0);
    ASSERT_TRUE(SvgTransform::setFromSVGString(t, std::string_view("scale(2)")));
    EXPECT_EQ(t.transformPoint(Point(1, 1)), Point(102, 2));
}

TEST(SvgTransform, WritesAMatrixThatReadsBackExactly)
{
    EXPECT_EQ(SvgTransform::svgDescription(AffineTransform()), "matrix(1, 0, 0, 1, 0, 0)");
    const AffineTransform t(0.1f, -1.0f / 3.0f, 2.5e-7f, 7, -0.0f, 1234.567f);
    EXPECT_EQ(SvgTransform::svgDescription(t), "matrix(0.1, -0.33333334, 2.5e-07, 7, 0, 1234.567)");
    AffineTransform back;
    ASSERT_TRUE(SvgTransform::setFromSVGString(back, std::string_view(SvgTransform::svgDescription(t))));
    EXPECT_EQ(back, t);
}
