#include "platform/SvgPathData.h"

#include "PathBaseTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// "M 0 0 C 6.667 0 10 3.333 10 10 Z" as elements, for comparing with a
// tolerance.
std::vector<ElementView> parseListing(const std::string &listing)
{
    std::vector<ElementView> out;
    std::istringstream in(listing);
    std::string word;
    while (in >> word) {
        const Type type = word == "M" ? Type::MoveTo : word == "L" ? Type::LineTo : word == "C" ? Type::CurveTo
                                                                                             : Type::ClosePath;
        ElementView element{type, {}};
        for (int i = 0; i < PathBase::pointCount(type); ++i) {
            float x = 0, y = 0;
            in >> x >> y;
            element.points.push_back(Point(x, y));
        }
        out.push_back(element);
    }
    return out;
}

void expectElementsNear(const PathBase &path, const std::string &listing, double tolerance = 1e-3)
{
    const auto actual = elementsOf(path);
    const auto expected = parseListing(listing);
    ASSERT_EQ(actual.size(), expected.size()) << SvgPathData::svgDescription(path);
    for (std::size_t i = 0; i < actual.size(); ++i) {
        ASSERT_EQ(actual[i].type, expected[i].type) << "element " << i;
        for (std::size_t k = 0; k < actual[i].points.size(); ++k)
            EXPECT_LE(distance(actual[i].points[k], expected[i].points[k]), tolerance)
                << "element " << i << " point " << k << ": " << SvgPathData::svgDescription(path);
    }
}

struct PathCase {
    const char *name;
    const char *data;
    const char *elements; // what is read, as a listing of absolute commands
    bool fault;           // the reading stops at a fault
    friend void PrintTo(const PathCase &c, std::ostream *out) { *out << c.name; }
};

const PathCase PathCases[] = {
    {"MovetoRepeatsAsLineto", "M 10 20 30 40 50 60", "M 10 20 L 30 40 L 50 60", false},
    {"LinetoRepeats", "M0 0 L 1 2 3 4", "M 0 0 L 1 2 L 3 4", false},
    {"CurvetoRepeats", "M0 0 C 1 2 3 4 5 6 7 8 9 10 11 12", "M 0 0 C 1 2 3 4 5 6 C 7 8 9 10 11 12", false},
    {"QuadraticRepeats", "M0 0 Q 10 0 10 10 10 20 0 20",
     "M 0 0 C 6.6667 0 10 3.3333 10 10 C 10 16.6667 6.6667 20 0 20", false},
    {"HorizontalAndVerticalRepeat", "M 1 1 H 5 6 v 2 3", "M 1 1 L 5 1 L 6 1 L 6 3 L 6 6", false},
    {"RelativeMovetoRepeatsAsRelativeLineto", "m 5 5 10 0 0 10z", "M 5 5 L 15 5 L 15 15 Z", false},
    {"RelativeMoveAfterCloseStartsAtTheSubpathStart", "m 5 5 l 10 0 z m 1 1", "M 5 5 L 15 5 Z M 6 6", false},
    {"LineAfterCloseStartsAtTheSubpathStart", "M 5 5 L 10 5 Z l 0 3", "M 5 5 L 10 5 Z M 5 5 L 5 8", false},
    {"HorizontalAndVertical", "M 1 1 H 5 V 7 h -2 v -3", "M 1 1 L 5 1 L 5 7 L 3 7 L 3 4", false},
    {"RelativeCurve", "M 10 10 c 1 2 3 4 5 6", "M 10 10 C 11 12 13 14 15 16", false},
    {"QuadraticBecomesItsCubic", "M0 0 Q 10 0 10 10", "M 0 0 C 6.6667 0 10 3.3333 10 10", false},
    {"SmoothQuadraticReflects", "M0 0 Q 10 0 10 10 T 20 20",
     "M 0 0 C 6.6667 0 10 3.3333 10 10 C 10 16.6667 13.3333 20 20 20", false},
    {"SmoothQuadraticAloneUsesTheCurrentPoint", "M0 0 T 30 0", "M 0 0 C 0 0 10 0 30 0", false},
    {"SmoothCubicAloneUsesTheCurrentPoint", "M0,0 S 10 10 20 0", "M 0 0 C 0 0 10 10 20 0", false},
    {"SmoothCubicReflects", "M0 0 C 0 10 10 10 10 0 S 20 -10 20 0", "M 0 0 C 0 10 10 10 10 0 C 10 -10 20 -10 20 0",
     false},
    {"SmoothCubicAfterAQuadraticDoesNotReflect", "M0 0 Q 5 5 10 0 S 20 5 20 0",
     "M 0 0 C 3.3333 3.3333 6.6667 3.3333 10 0 C 10 0 20 5 20 0", false},
    {"NumbersRunTogether", "M.5.5L-1-2e1", "M 0.5 0.5 L -1 -20", false},
    {"Exponents", "M 1e2 1E-1 l 2.5e+1 0", "M 100 0.1 L 125 0.1", false},
    {"CommasAndBlanks", " M 1,2,3,4\n\tL5 , 6 ", "M 1 2 L 3 4 L 5 6", false},
    {"DataWithoutAMoveStartsAtTheOrigin", "L 10 10", "M 0 0 L 10 10", false},
    {"RelativeDataWithoutAMoveStartsAtTheOrigin", "l 5 5 h 5", "M 0 0 L 5 5 L 10 5", false},
    {"ArcWithAZeroRadiusIsALine", "M 0 0 A 0 5 0 0 1 10 10", "M 0 0 L 10 10", false},
    {"ArcEndingAtItsStartIsDropped", "M 5 5 A 10 10 0 0 1 5 5 L 6 6", "M 5 5 L 6 6", false},
    {"Empty", "", "", false},
    {"OnlyBlanks", " \n ", "", false},
    {"UnknownCommandEndsTheReading", "M 0 0 L 1 1 X 2 2", "M 0 0 L 1 1", true},
    {"MissingNumberEndsTheReading", "M 0 0 L 1", "M 0 0", true},
    {"ArcFlagMustBeADigit", "M0 0 A 1 1 0 2 1 5 5", "M 0 0", true},
    {"NumbersBeforeTheFirstCommand", "10 20", "", true},
    {"NumbersAfterAClose", "M0 0 L1 1 Z 2 2", "M 0 0 L 1 1 Z", true},
    {"TrailingComma", "M 0 0 L 1 1,", "M 0 0 L 1 1", true},
    {"CommaBeforeACommand", "M 0 0, L 1 1", "M 0 0", true},
    {"CommaRightAfterTheLetter", "M,1 2", "", true},
    {"NotANumber", "M 0 0 L nan 0", "M 0 0", true},
    {"InfinityIsRefused", "M 0 0 L inf 0", "M 0 0", true},
    {"BeyondDoubleRange", "M 0 0 L 1e400 0", "M 0 0", true},
    {"BeyondFloatRange", "M 0 0 L 1e39 0", "M 0 0", true},
    {"RelativeSumBeyondFloatRange", "M 3e38 0 l 3e38 0", "M 3e38 0", true},
    {"ExponentWithoutDigits", "M 1e 2", "", true},
    {"NonAsciiCharacter", "M 0 0 L 1\xc2\xa0" "2", "M 0 0", true},
};

class SvgPathDataRead : public testing::TestWithParam<PathCase> {};

} // namespace

TEST_P(SvgPathDataRead, ReadsWhatTheGrammarAllowsAndStopsAtAFault)
{
    const PathCase &c = GetParam();
    QString error;
    const PathBase path = SvgPathData::pathFromSVGData(QString::fromUtf8(c.data), &error);
    expectElementsNear(path, c.elements);
    EXPECT_EQ(!error.isEmpty(), c.fault) << error.toStdString();
    EXPECT_TRUE(path.hasFinitePoints());
}

INSTANTIATE_TEST_SUITE_P(Cases, SvgPathDataRead, testing::ValuesIn(PathCases),
                         [](const testing::TestParamInfo<PathCase> &info) { return std::string(info.param.name); });

TEST(SvgPathData, HalfCircleArcRunsThroughTheSideItsSweepFlagNames)
{
    const PathBase positive = SvgPathData::pathFromSVGData(std::string_view("M 0 0 A 10 10 0 0 1 20 0"));
    const PathBase negative = SvgPathData::pathFromSVGData(std::string_view("M 0 0 A 10 10 0 0 0 20 0"));
    // Two quarter turns each, meeting halfway round.
    expectElementsNear(positive, "M 0 0 C 0 -5.5228 4.4772 -10 10 -10 C 15.5228 -10 20 -5.5228 20 0");
    expectElementsNear(negative, "M 0 0 C 0 5.5228 4.4772 10 10 10 C 15.5228 10 20 5.5228 20 0");

    const PathBase relative = SvgPathData::pathFromSVGData(std::string_view("M 0 0 a 10 10 0 0 1 20 0"));
    EXPECT_EQ(elementsOf(relative), elementsOf(positive));
    // Flags may touch each other and the number after them.
    const PathBase packed = SvgPathData::pathFromSVGData(std::string_view("M0 0a10 10 0 0120 0"));
    EXPECT_EQ(elementsOf(packed), elementsOf(positive));
    // Radii too small to reach are enlarged until they do.
    const PathBase small = SvgPathData::pathFromSVGData(std::string_view("M 0 0 A 1 1 0 0 1 20 0"));
    expectElementsNear(small, SvgPathData::svgDescription(positive));
}

TEST(SvgPathData, ArcsLieOnTheirEllipseAndTakeTheSideTheFlagsAsk)
{
    struct ArcCase {
        const char *name;
        double rx, ry, degrees;
        bool large, sweep;
        int curves; // quarter turns or less each
    };
    // From (0, 0) to (10, 0).
    const ArcCase cases[] = {
        {"small positive", 10, 10, 0, false, true, 1},
        {"large positive", 10, 10, 0, true, true, 4},
        {"small negative", 10, 10, 0, false, false, 1},
        {"large negative", 10, 10, 0, true, false, 4},
        {"rotated ellipse", 20, 8, 30, false, true, 1},
        {"rotated large ellipse", 20, 8, 390, true, false, 4},
    };
    for (const ArcCase &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string data = "M 0 0 A " + std::to_string(c.rx) + " " + std::to_string(c.ry) + " " +
                                 std::to_string(c.degrees) + " " + (c.large ? "1 " : "0 ") + (c.sweep ? "1 " : "0 ") +
                                 "10 0";
        QString error;
        const PathBase path = SvgPathData::pathFromSVGData(std::string_view(data), &error);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_EQ(path.elementCount(), 1 + c.curves);
        EXPECT_EQ(path.currentPoint(), Point(10, 0));

        // In the ellipse's axes, with y stretched by rx / ry, the arc is a
        // circle through both end points: its centre lies on the chord's
        // bisector.  Every point of the curves keeps its distance to one of
        // the two candidates.
        const double phi = c.degrees * M_PI / 180, stretch = c.rx / c.ry;
        const auto circular = [&](double x, double y) {
            return std::pair<double, double>{std::cos(phi) * x + std::sin(phi) * y,
                                             (-std::sin(phi) * x + std::cos(phi) * y) * stretch};
        };
        std::vector<std::pair<double, double>> samples;
        Point from(0, 0);
        for (int e = 1; e < path.elementCount(); ++e) {
            Point p[3];
            path.elementAtIndex(e, p);
            for (double t = 0; t <= 1.0; t += 0.125) {
                const double u = 1 - t;
                const double x = u * u * u * from.x + 3 * u * u * t * p[0].x + 3 * u * t * t * p[1].x + t * t * t * p[2].x;
                const double y = u * u * u * from.y + 3 * u * u * t * p[0].y + 3 * u * t * t * p[1].y + t * t * t * p[2].y;
                samples.push_back(circular(x, y));
            }
            from = p[2];
        }
        const auto [ex, ey] = circular(10, 0);
        const double half = std::hypot(ex, ey) / 2;
        const double radius = std::max(c.rx, half);
        const double offset = std::sqrt(radius * radius - half * half);
        double best = 1e9;
        for (int side = -1; side <= 1; side += 2) {
            const double cx = ex / 2 - side * offset * ey / (2 * half);
            const double cy = ey / 2 + side * offset * ex / (2 * half);
            double worst = 0;
            for (const auto &[x, y] : samples)
                worst = std::max(worst, std::fabs(std::hypot(x - cx, y - cy) / radius - 1));
            best = std::min(best, worst);
        }
        EXPECT_LT(best, 1e-3);
    }
}

TEST(SvgPathData, LargeAndSweepFlagsChooseAmongTheFourArcs)
{
    // Chord (0, 0)-(10, 0), radius 10: the small arcs bulge by 1.34, the
    // large ones by 18.66; a positive sweep (clockwise on a y-down page)
    // runs over the top (negative y).
    struct FlagCase {
        const char *flags;
        double extremeY;
    };
    const FlagCase cases[] = {{"0 1", -1.3397}, {"0 0", 1.3397}, {"1 1", -18.6603}, {"1 0", 18.6603}};
    for (const FlagCase &c : cases) {
        SCOPED_TRACE(c.flags);
        const PathBase path =
            SvgPathData::pathFromSVGData(std::string_view("M 0 0 A 10 10 0 " + std::string(c.flags) + " 10 0"));
        const Rect bounds = path.bounds();
        const double extreme = c.extremeY < 0 ? bounds.minY() : bounds.maxY();
        EXPECT_NEAR(extreme, c.extremeY, 1e-2);
    }
}

TEST(SvgPathData, WritesAbsoluteCommandsThatReadBackExactly)
{
    PathBase path;
    path.moveTo(Point(0.1f, -2.5f));
    path.lineTo(Point(1e-5f, 123456.78f));
    path.curveTo(Point(3, 4), Point(1.0f / 3.0f, 2), Point(-0.0f, 7));
    path.close();
    path.moveTo(Point(10, 10));
    EXPECT_EQ(SvgPathData::svgDescription(path),
              "M 0.1 -2.5 L 1e-05 123456.78 C 0.33333334 2 0 7 3 4 Z M 10 10");
    EXPECT_EQ(SvgPathData::svgDescription(PathBase()), "");

    // Random paths survive the round trip bit for bit.
    std::mt19937 random(27);
    std::uniform_real_distribution<float> coordinate(-1e4f, 1e4f);
    std::uniform_int_distribution<int> kind(0, 3);
    PathBase randomPath;
    for (int i = 0; i < 500; ++i) {
        const Point p(coordinate(random), coordinate(random));
        switch (kind(random)) {
        case 0: randomPath.moveTo(p); break;
        case 1: randomPath.lineTo(p); break;
        case 2: randomPath.curveTo(p, Point(coordinate(random), coordinate(random)), Point(coordinate(random), 0.5f)); break;
        default: randomPath.close(); break;
        }
    }
    QString error;
    const PathBase back = SvgPathData::pathFromSVGData(std::string_view(SvgPathData::svgDescription(randomPath)), &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(elementsOf(back), elementsOf(randomPath));
}
