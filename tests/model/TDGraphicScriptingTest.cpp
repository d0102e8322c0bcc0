// What scripts read and change of one graphic: style codes, colours as
// numbers up to 65535, gradient stops, geometry and the three commands,
// each one undo step, with untrusted values refused or brought into range.

#include "ShapeTestDoubles.h"

#include "model/TDAttributedText.h"
#include "model/TDFillStyle.h"
#include "model/TDGradient.h"
#include "model/TDGraphicScripting.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "model/TDTextLayout.h"

#include <QTextCursor>
#include <QTextDocument>

#include <cmath>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::test;

namespace {
std::shared_ptr<TDRectangle> rectangleAt(const Rect &rect)
{
    auto r = std::make_shared<TDRectangle>();
    r->setTransformation(TDGraphic::transformForBounds(rect));
    return r;
}

void expectBounds(const TDGraphic &g, const Rect &expected)
{
    EXPECT_NEAR(g.bounds().minX(), expected.minX(), 1e-3);
    EXPECT_NEAR(g.bounds().minY(), expected.minY(), 1e-3);
    EXPECT_NEAR(g.bounds().width(), expected.width(), 1e-3);
    EXPECT_NEAR(g.bounds().height(), expected.height(), 1e-3);
}
} // namespace

TEST(TDGraphicScripting, StyleCodesMapBothWaysAndUnknownCodesClear)
{
    auto g = rectangleAt(Rect(0, 0, 10, 10));
    TDGraphicScripting s(*g);
    s.setFillType("fGra");
    EXPECT_EQ(g->fillStyle()->style(), TDFillStyle::GradientFill);
    EXPECT_EQ(s.fillType(), "fGra");
    s.setFillType("what");
    EXPECT_EQ(g->fillStyle()->style(), TDFillStyle::None);
    EXPECT_EQ(s.fillType(), "fNon");
    s.setStrokeType("sArt");
    EXPECT_EQ(g->strokeStyle()->style(), 2);
    s.setStrokeType("fSol");
    EXPECT_EQ(s.strokeType(), "sNon");
}

TEST(TDGraphicScripting, ColoursAreNumbersUpTo65535)
{
    auto g = rectangleAt(Rect(0, 0, 10, 10));
    TDGraphicScripting s(*g);
    QString error;
    ASSERT_TRUE(s.setFillColor({65535, 0, 32767.5}, &error));
    EXPECT_EQ(s.fillColor(), (std::vector<double>{65535, 0, 32767, 65535}));

    // Out of range is brought into it; a fourth number is the alpha.
    ASSERT_TRUE(s.setStrokeColor({-5, 70000, 0, 32767.5}, &error));
    EXPECT_EQ(s.strokeColor(), (std::vector<double>{0, 65535, 0, 32767}));

    struct Case {
        const char *name;
        std::vector<double> components;
    };
    const Case refused[] = {
        {"two numbers", {1, 2}},
        {"five numbers", {1, 2, 3, 4, 5}},
        {"not a number", {std::nan(""), 0, 0}},
        {"infinite", {0, std::numeric_limits<double>::infinity(), 0}},
    };
    for (const Case &c : refused) {
        SCOPED_TRACE(c.name);
        error.clear();
        EXPECT_FALSE(s.setFillColor(c.components, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(s.fillColor(), (std::vector<double>{65535, 0, 32767, 65535}));
    }
}

TEST(TDGraphicScripting, GradientStopsGiveTheAlphaOnlyWhenNotOpaque)
{
    auto g = rectangleAt(Rect(0, 0, 10, 10));
    TDGraphicScripting s(*g);
    QString error;
    ASSERT_TRUE(s.setGradientInfo({{0, {65535, 0, 0}}, {2, {0, 0, 65535, 32767.5}}}, &error));
    const auto stops = s.gradientInfo();
    ASSERT_EQ(stops.size(), 2u);
    EXPECT_EQ(stops[0].position, 0);
    EXPECT_EQ(stops[0].color, (std::vector<double>{65535, 0, 0}));
    EXPECT_EQ(stops[1].position, 1); // brought into 0…1
    EXPECT_EQ(stops[1].color, (std::vector<double>{0, 0, 65535, 32767}));
    EXPECT_FALSE(s.setGradientInfo({{0.5, {1, 2}}}, &error));
    EXPECT_EQ(s.gradientInfo().size(), 2u);
}

// Both ends are read and written in the drawing's coordinates: setting one
// keeps the other where it was read.
TEST(TDGraphicScripting, SettingOneGradientEndKeepsTheOther)
{
    auto g = rectangleAt(Rect(100, 50, 200, 100));
    g->fillStyle()->setStyle(TDFillStyle::GradientFill);
    TDGraphicScripting s(*g);
    const Point end = s.gradientEnd();
    QString error;
    ASSERT_TRUE(s.setGradientStart(Point(10, 20), &error));
    EXPECT_NEAR(s.gradientStart().x, 10, 1e-3);
    EXPECT_NEAR(s.gradientStart().y, 20, 1e-3);
    EXPECT_NEAR(s.gradientEnd().x, end.x, 1e-3);
    EXPECT_NEAR(s.gradientEnd().y, end.y, 1e-3);
}

TEST(TDGraphicScripting, GeometryMovesAndScalesAboutTheOrigin)
{
    auto g = rectangleAt(Rect(10, 20, 0.5, 40));
    TDGraphicScripting s(*g);
    QString error;
    // The divisor is at least 1: a graphic half a point wide grows by 50.
    ASSERT_TRUE(s.setWidth(50, &error));
    expectBounds(*g, Rect(10, 20, 25, 40));
    ASSERT_TRUE(s.setHeight(10, &error));
    expectBounds(*g, Rect(10, 20, 25, 10));
    ASSERT_TRUE(s.setXPosition(0, &error));
    ASSERT_TRUE(s.setYPosition(5, &error));
    expectBounds(*g, Rect(0, 5, 25, 10));
    ASSERT_TRUE(s.translate(3, 4, &error));
    expectBounds(*g, Rect(3, 9, 25, 10));
    ASSERT_TRUE(s.scale(2, 3, &error));
    expectBounds(*g, Rect(3, 9, 50, 30));
    ASSERT_TRUE(s.rotate(90, &error));
    expectBounds(*g, Rect(13, -1, 30, 50));

    // A size of 0 would lose the graphic for good: the least size is kept.
    ASSERT_TRUE(s.setWidth(0, &error));
    EXPECT_NEAR(g->bounds().width(), TDGraphicScripting::MinimumSize, 1e-4);
    EXPECT_FALSE(s.scale(0, 1, &error));
    EXPECT_FALSE(s.translate(std::nan(""), 0, &error));
    EXPECT_FALSE(s.rotate(std::numeric_limits<double>::infinity(), &error));
}

TEST(TDGraphicScripting, CommandsKeepTheStrokeWidth)
{
    auto g = rectangleAt(Rect(0, 0, 10, 10));
    g->strokeStyle()->setStrokeWidthSilent(2);
    TDGraphicScripting s(*g);
    QString error;
    ASSERT_TRUE(s.scale(3, 3, &error));
    ASSERT_TRUE(s.setWidth(60, &error));
    EXPECT_EQ(g->strokeStyle()->strokeWidth(), 2);
    expectBounds(*g, Rect(0, 0, 60, 30));
}

TEST(TDGraphicScripting, NumbersAreBroughtIntoTheRangesOfThePanels)
{
    auto g = rectangleAt(Rect(0, 0, 10, 10));
    TDGraphicScripting s(*g);
    QString error;
    ASSERT_TRUE(s.setFillImageAlpha(3, &error));
    EXPECT_EQ(s.fillImageAlpha(), 1);
    ASSERT_TRUE(s.setStrokeWidth(-4, &error));
    EXPECT_EQ(s.strokeWidth(), 0);
    ASSERT_TRUE(s.setStrokeDashes({4, -2}, &error));
    EXPECT_EQ(s.strokeDashes(), (std::vector<double>{4, 0}));
    s.setStrokeStartArrow(-3);
    EXPECT_EQ(s.strokeStartArrow(), 0);
    EXPECT_FALSE(s.setFillImageAlpha(std::nan(""), &error));
}

TEST(TDGraphicScripting, TextContentsAreReadAndReplacedAsOneUndoStep)
{
    ShapeScene scene;
    auto box = scene.add(rectangleAt(Rect(0, 0, 200, 100)));
    TDGraphicScripting s(*box);
    EXPECT_EQ(s.fillText(), QString()); // no text yet
    s.setFillType(QStringLiteral("fTex"));
    s.setFillText(QStringLiteral("Hello\nWorld"));
    EXPECT_EQ(s.fillText(), QStringLiteral("Hello\nWorld"));
    EXPECT_EQ(box->fillStyle()->contents()->blockCount(), 2);
    EXPECT_EQ(box->fillStyle()->textLayout().lineCount(), 2);
    s.setFillText(QStringLiteral("Bye"));
    scene.document.undo().undo();
    EXPECT_EQ(s.fillText(), QStringLiteral("Hello\nWorld"));

    // A stroke that is no text keeps what it is given for when it is.
    const int strokeStyle = box->strokeStyle()->style();
    s.setStrokeText(QStringLiteral("along"));
    EXPECT_EQ(box->strokeStyle()->style(), strokeStyle);
    EXPECT_EQ(s.strokeText(), QStringLiteral("along"));
}

TEST(TDGraphicScripting, FontSizeAndColourOfTheFirstCharacterSetTheWholeText)
{
    ShapeScene scene;
    auto box = scene.add(rectangleAt(Rect(0, 0, 200, 100)));
    TDGraphicScripting s(*box);
    s.setFillType(QStringLiteral("fTex"));
    s.setFillText(QStringLiteral("one two"));
    EXPECT_EQ(s.textFont(TDGraphicScripting::Text::Fill), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(s.textSize(TDGraphicScripting::Text::Fill), 12);
    EXPECT_EQ(s.textColor(TDGraphicScripting::Text::Fill), (std::vector<double>{0, 0, 0, 65535}));

    QString error;
    ASSERT_TRUE(s.setTextFont(TDGraphicScripting::Text::Fill, QStringLiteral("DejaVu Serif"), &error));
    ASSERT_TRUE(s.setTextSize(TDGraphicScripting::Text::Fill, 30, &error));
    ASSERT_TRUE(s.setTextColor(TDGraphicScripting::Text::Fill, {65535, 0, 0}, &error));
    // Every character has them, the last as the first.
    QTextCursor last(box->fillStyle()->contents());
    last.movePosition(QTextCursor::End);
    const QFont font = last.charFormat().font();
    EXPECT_EQ(font.family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(font.pointSizeF(), 30);
    EXPECT_EQ(last.charFormat().foreground().color(), QColor(Qt::red));
    EXPECT_EQ(s.textSize(TDGraphicScripting::Text::Fill), 30);
    // Each change is one step.
    scene.document.undo().undo();
    EXPECT_EQ(s.textColor(TDGraphicScripting::Text::Fill), (std::vector<double>{0, 0, 0, 65535}));
    EXPECT_EQ(s.textSize(TDGraphicScripting::Text::Fill), 30);

    // Text along the path has the same three.
    ASSERT_TRUE(s.setTextSize(TDGraphicScripting::Text::Stroke, 9, &error));
    EXPECT_EQ(s.textSize(TDGraphicScripting::Text::Stroke), 9);
    EXPECT_EQ(s.textSize(TDGraphicScripting::Text::Fill), 30);
}

TEST(TDGraphicScripting, TextValuesAreRefusedOrBroughtIntoRange)
{
    auto g = rectangleAt(Rect(0, 0, 10, 10));
    TDGraphicScripting s(*g);
    s.setFillType(QStringLiteral("fTex"));
    QString error;
    struct Case {
        const char *name;
        std::function<bool()> set;
        std::function<double()> get;
        double expected;
    };
    const Case cases[] = {
        {"negative padding", [&] { return s.setFillTextPadding(-3, &error); }, [&] { return s.fillTextPadding(); }, 0},
        {"hyphenation above 1", [&] { return s.setFillTextHyphenation(7, &error); },
         [&] { return s.fillTextHyphenation(); }, 1},
        {"hyphenation below 0", [&] { return s.setFillTextHyphenation(-1, &error); },
         [&] { return s.fillTextHyphenation(); }, 0},
        {"size 0", [&] { return s.setTextSize(TDGraphicScripting::Text::Fill, 0, &error); },
         [&] { return s.textSize(TDGraphicScripting::Text::Fill); }, 1},
        {"huge size", [&] { return s.setTextSize(TDGraphicScripting::Text::Fill, 1e30, &error); },
         [&] { return s.textSize(TDGraphicScripting::Text::Fill); }, TDAttributedText::MaxFontSize},
    };
    for (const Case &c : cases) {
        EXPECT_TRUE(c.set()) << c.name;
        EXPECT_EQ(c.get(), c.expected) << c.name;
    }
    EXPECT_FALSE(s.setFillTextPadding(std::nan(""), &error));
    EXPECT_FALSE(s.setTextSize(TDGraphicScripting::Text::Fill, std::numeric_limits<double>::infinity(), &error));
    EXPECT_FALSE(s.setTextFont(TDGraphicScripting::Text::Fill, QStringLiteral("  "), &error));
    EXPECT_FALSE(s.setTextColor(TDGraphicScripting::Text::Fill, {1, 2}, &error));
    EXPECT_EQ(s.textFont(TDGraphicScripting::Text::Fill), QStringLiteral("DejaVu Sans"));
}
