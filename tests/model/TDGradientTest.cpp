#include "model/TDGradient.h"

#include "platform/ArchivedColor.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;

namespace {

void expectComponents(const TDGradient::Components &c, float r, float g, float b, float a)
{
    EXPECT_NEAR(c[0], r, 1e-5f);
    EXPECT_NEAR(c[1], g, 1e-5f);
    EXPECT_NEAR(c[2], b, 1e-5f);
    EXPECT_NEAR(c[3], a, 1e-5f);
}

std::shared_ptr<TDGradient> redToBlue()
{
    auto gradient = std::make_shared<TDGradient>();
    gradient->addColor(Color::red(), 0.2f);
    gradient->addColor(Color::blue(), 0.8f);
    return gradient;
}

} // namespace

TEST(TDGradient, EmptyGradientIsOpaqueMidGrey)
{
    TDGradient gradient;
    for (float t : {-1.0f, 0.0f, 0.5f, 2.0f, NAN})
        expectComponents(gradient.colorAtPosition(t), 0.5f, 0.5f, 0.5f, 1);
}

TEST(TDGradient, EvaluatesBeforeBetweenAndAfterTheStops)
{
    const auto gradient = redToBlue();
    expectComponents(gradient->colorAtPosition(0.1f), 1, 0, 0, 1);
    expectComponents(gradient->colorAtPosition(0.9f), 0, 0, 1, 1);
    expectComponents(gradient->colorAtPosition(0.5f), 0.5f, 0, 0.5f, 1);
    // Straight alpha: a transparent stop does not darken the mix.
    TDGradient fading;
    fading.addColor(Color::calibratedRGB(1, 1, 1, 1), 0);
    fading.addColor(Color::calibratedRGB(1, 1, 1, 0), 1);
    expectComponents(fading.colorAtPosition(0.25f), 1, 1, 1, 0.75f);
    // Colours of other spaces are mixed in calibrated RGB.
    TDGradient grey;
    grey.addColor(Color::calibratedWhite(0), 0);
    grey.addColor(Color::calibratedWhite(1), 1);
    expectComponents(grey.colorAtPosition(0.5f), 0.5f, 0.5f, 0.5f, 1);
}

TEST(TDGradient, TwoStopsAtOnePlaceMakeAHardEdge)
{
    TDGradient gradient;
    gradient.addColor(Color::red(), 0);
    gradient.addColor(Color::red(), 0.5f);
    gradient.addColor(Color::blue(), 0.5f);
    gradient.addColor(Color::blue(), 1);
    expectComponents(gradient.colorAtPosition(0.4999f), 1, 0, 0, 1);
    expectComponents(gradient.colorAtPosition(0.5f), 0, 0, 1, 1);
}

TEST(TDGradient, StopOffTheGradientCountsInTheListButNotInTheColours)
{
    const auto gradient = redToBlue();
    const int index = gradient->addColor(Color::green(), 0.5f);
    EXPECT_EQ(index, 2); // the previous count, though it sorts between
    EXPECT_EQ(gradient->setPosition(-1, index), index);
    EXPECT_EQ(gradient->numberOfmarkers(), 3);
    EXPECT_EQ(gradient->numberOfColors(), 2);
    EXPECT_FLOAT_EQ(gradient->markerPosition(2), -1);
    expectComponents(gradient->colorAtPosition(0.5f), 0.5f, 0, 0.5f, 1);
    EXPECT_EQ(gradient->sortedMarkers().front()->color(), Color::green());
    const auto copy = gradient->copy();
    EXPECT_EQ(copy->numberOfmarkers(), 2);
    // Positions above 1 stay in the cache; copy drops them.
    gradient->setPosition(1.5f, 1);
    EXPECT_EQ(gradient->numberOfColors(), 2);
    EXPECT_EQ(gradient->copy()->numberOfmarkers(), 1);
}

TEST(TDGradient, IndexOperationsOutOfRangeChangeNothing)
{
    const auto gradient = redToBlue();
    EXPECT_EQ(gradient->setPosition(0.5f, 7), 7);
    gradient->setColor(Color::green(), -1);
    EXPECT_FLOAT_EQ(gradient->markerPosition(9), 0);
    EXPECT_EQ(gradient->markerColor(9), Color::black());
    EXPECT_EQ(gradient->markerColor(0), Color::red());
    // A position that is no number takes the stop off the gradient rather
    // than breaking the sort.
    gradient->setPosition(NAN, 0);
    EXPECT_FLOAT_EQ(gradient->markerPosition(0), -1);
    EXPECT_EQ(gradient->numberOfColors(), 1);
}

TEST(TDGradient, ColourChangeReachesAnEarlierFunction)
{
    const auto gradient = redToBlue();
    const ShadingFunction function = gradient->function();
    // Opaque stops draw at alpha 0.995 and components are lowered alike.
    const auto before = function(0.0f);
    EXPECT_NEAR(before[0], 0.995f, 1e-6f);
    EXPECT_NEAR(before[1], 0.0f, 1e-6f);
    EXPECT_NEAR(before[3], 0.995f, 1e-6f);
    gradient->setColor(Color::green(), 0);
    const auto after = function(0.0f);
    EXPECT_NEAR(after[0], 0.0f, 1e-6f);
    EXPECT_NEAR(after[1], 0.995f, 1e-6f);
    const std::vector<float> expected{0.2f, 0.8f};
    EXPECT_EQ(gradient->breakpoints(), expected);
}

TEST(TDGradient, FunctionOutlivesItsGradient)
{
    ShadingFunction function;
    {
        auto gradient = redToBlue();
        function = gradient->function();
    }
    EXPECT_NEAR(function(1.0f)[2], 0.995f, 1e-6f);
}

TEST(TDGradient, PdfDecision)
{
    struct Case {
        std::vector<std::pair<float, float>> stops; // position, alpha
        bool rasterise;
    };
    const Case cases[] = {
        {{{0, 1}, {1, 1}}, false},
        {{{1, 1}, {0, 1}}, true},
        {{{0, 1}, {1, 1}, {0.5f, 1}}, true},
        {{{0, 1}, {1, 0.5f}}, true},
        {{{0.005f, 1}, {0.995f, 1}}, false},
        {{{0.02f, 1}, {1, 1}}, true},
        {{{0, 1}, {0.98f, 1}}, true},
        // Fewer than two stops: one colour, drawn natively unless transparent.
        {{}, false},
        {{{0.5f, 1}}, false},
        {{{0.5f, 0.5f}}, true},
    };
    for (const Case &c : cases) {
        TDGradient gradient;
        for (auto [position, alpha] : c.stops)
            gradient.addColor(Color::calibratedRGB(1, 0, 0, alpha), position);
        EXPECT_EQ(gradient.needsRasterizingForPDF(), c.rasterise) << c.stops.size() << " stops";
    }
}

TEST(TDGradient, DictionaryKeepsStopsInSortedOrder)
{
    TDGradient gradient;
    gradient.addColor(Color::calibratedRGB(0, 0, 1, 0.5f), 0.9f);
    gradient.addColor(Color::deviceCMYK(0, 1, 0, 0), 0.1f);
    const PropertyList dictionary = gradient.toYAML();
    ASSERT_EQ(dictionary.value("Markers").size(), 2u);
    const auto first = dictionary.value("Markers").at(0).objectAs<TDGradientMarker>();
    ASSERT_TRUE(first);
    EXPECT_FLOAT_EQ(first->markerPosition(), 0.1f);

    const auto read = TDGradient::objectWithYAML(dictionary);
    ASSERT_EQ(read->numberOfmarkers(), 2);
    EXPECT_FLOAT_EQ(read->markerPosition(0), 0.1f);
    EXPECT_EQ(read->markerColor(0), Color::deviceCMYK(0, 1, 0, 0));
    EXPECT_EQ(read->markerColor(1), Color::calibratedRGB(0, 0, 1, 0.5f));
    EXPECT_EQ(read->toYAML(), dictionary);
}

TEST(TDGradient, DictionaryFormsFromOutside)
{
    // Stops as plain dictionaries; a stop missing its colour keeps black; a
    // stop of the wrong kind and a position of the wrong kind are skipped.
    PropertyList red{PropertyList::Dictionary()};
    red.insert("Color", ArchivedColor::value(Color::red()));
    red.insert("Position", 0.25);
    PropertyList noColor{PropertyList::Dictionary()};
    noColor.insert("Position", 0.75);
    PropertyList badPosition{PropertyList::Dictionary()};
    badPosition.insert("Color", ArchivedColor::value(Color::blue()));
    badPosition.insert("Position", "far");
    PropertyList markers{PropertyList::Array()};
    markers.append(red);
    markers.append(noColor);
    markers.append(PropertyList(42));
    markers.append(badPosition);
    PropertyList dictionary{PropertyList::Dictionary()};
    dictionary.insert("Markers", markers);

    const auto gradient = TDGradient::objectWithYAML(dictionary);
    ASSERT_EQ(gradient->numberOfmarkers(), 3);
    EXPECT_EQ(gradient->markerColor(0), Color::red());
    EXPECT_EQ(gradient->markerColor(1), Color::black());
    EXPECT_FLOAT_EQ(gradient->markerPosition(2), 0);

    PropertyList wrongKind{PropertyList::Dictionary()};
    wrongKind.insert("Markers", "none");
    EXPECT_EQ(TDGradient::objectWithYAML(wrongKind)->numberOfmarkers(), 0);
    EXPECT_EQ(TDGradient::objectWithYAML(PropertyList())->numberOfmarkers(), 0);
}

TEST(TDGradient, KeyedArchiveRoundTrip)
{
    TDGradient::registerArchiveClass();
    const auto gradient = redToBlue();
    gradient->addColor(Color::calibratedWhite(0.5f, 0.25f), 0.5f);
    const auto data = KeyedArchiver::archivedData(PropertyList(gradient));
    ASSERT_TRUE(data);
    const auto root = KeyedUnarchiver::unarchive(*data);
    ASSERT_TRUE(root);
    const auto read = root->objectAs<TDGradient>();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->toYAML(), gradient->toYAML());
    EXPECT_EQ(read->numberOfColors(), 3);
    expectComponents(read->colorAtPosition(0.5f), 0.5f, 0.5f, 0.5f, 0.25f);
}
