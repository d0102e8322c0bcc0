// Text along a path: glyphs placed along the path, scaled by the stroke
// width, stopping before the path's end; its bounds, conversion and
// stored form.

#include "ShapeTestDoubles.h"

#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"
#include "model/TDTextLayout.h"
#include "platform/GraphicsContext.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {

PathBase line(Point a, Point b)
{
    PathBase p;
    p.moveTo(a);
    p.lineTo(b);
    return p;
}

std::shared_ptr<TestShape> textOn(const PathBase &path, const QString &text, float width = 1)
{
    auto shape = TestShape::withPath(path);
    shape->fillStyle()->setStyle(TDFillNone);
    shape->strokeStyle()->setStyle(TDStrokeText);
    shape->strokeStyle()->setStrokeWidth(width);
    shape->strokeStyle()->setText(text);
    return shape;
}

QImage drawn(TDGraphic &graphic, int width, int height)
{
    return renderImage(width, height, [&](GraphicsContext &context) { graphic.drawInView(nullptr, context); });
}

// The horizontal extent of painted pixels.
std::pair<int, int> inkColumns(const QImage &image)
{
    int first = image.width(), last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (pixelAt(image, x, y).a > 0) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

} // namespace

TEST(TDTextOnPath, GlyphsSitOnTheLineAboveIt)
{
    auto shape = textOn(line(Point(10, 50), Point(290, 50)), QStringLiteral("HHHH"));
    const QImage image = drawn(*shape, 300, 100);
    int above = 0, below = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 300; ++x)
            if (pixelAt(image, x, y).a > 64)
                (y < 50 ? above : below) += 1;
    EXPECT_GT(above, 100);
    EXPECT_LT(below, 5);
    const auto [first, last] = inkColumns(image);
    EXPECT_GE(first, 10);
    EXPECT_LT(last, 10 + 4 * 12); // four "H" of 12 points stay short of 48
}

TEST(TDTextOnPath, TextLongerThanThePathStopsBeforeItsEnd)
{
    // "W" is about 12 points wide at 12 points: seven fit in 90.
    auto shape = textOn(line(Point(0, 40), Point(90, 40)), QStringLiteral("WWWWWWWWWWWWWWWWWWWW"));
    const QImage image = drawn(*shape, 200, 60);
    const auto [first, last] = inkColumns(image);
    ASSERT_GE(last, 0);
    EXPECT_LE(last, 90) << "a glyph was drawn partly past the end";
    EXPECT_GT(last, 60);
}

TEST(TDTextOnPath, WidthTwoDoublesTheTextAndTheFitTestScales)
{
    auto one = textOn(line(Point(0, 80), Point(400, 80)), QStringLiteral("WWWWWWWWWW"), 1);
    auto two = textOn(line(Point(0, 80), Point(400, 80)), QStringLiteral("WWWWWWWWWW"), 2);
    const Rect r1 = one->strokeStyle()->textRect();
    const Rect r2 = two->strokeStyle()->textRect();
    ASSERT_FALSE(r1.isEmpty());
    EXPECT_NEAR(r2.height(), 2 * r1.height(), 0.5);
    // Ten "W" of about 11.9 points each: 119 at width 1, 238 at width 2.
    EXPECT_NEAR(r2.width(), 2 * r1.width(), 1);
    const QImage image = drawn(*two, 420, 100);
    EXPECT_LE(inkColumns(image).second, 400);
    // On a path of 200, width 2 leaves the glyphs that would pass its end.
    auto shortPath = textOn(line(Point(0, 80), Point(200, 80)), QStringLiteral("WWWWWWWWWW"), 2);
    EXPECT_LE(shortPath->strokeStyle()->textRect().maxX(), 200.01);
}

TEST(TDTextOnPath, BaselineMovesGlyphsAlongTheLeftNormal)
{
    auto flat = textOn(line(Point(10, 50), Point(290, 50)), QStringLiteral("HHH"));
    const Rect before = flat->strokeStyle()->textRect();
    flat->strokeStyle()->setBaseline(10);
    const Rect after = flat->strokeStyle()->textRect();
    // For a path running in +x the left normal (-G.y, G.x) is +y.
    EXPECT_NEAR(after.minY() - before.minY(), 10, 0.01);
    EXPECT_NEAR(after.minX(), before.minX(), 0.01);
}

TEST(TDTextOnPath, ZeroLengthPathsAndEmptyTextDrawNothing)
{
    auto point = textOn(line(Point(20, 20), Point(20, 20)), QStringLiteral("abc"));
    EXPECT_EQ(point->strokeStyle()->textRect(), Rect());
    EXPECT_EQ(inkColumns(drawn(*point, 60, 60)).second, -1);
    EXPECT_TRUE(point->strokeStyle()->convertTextToBezier().isEmpty());
    auto empty = textOn(line(Point(0, 20), Point(100, 20)), QString());
    EXPECT_EQ(empty->strokeStyle()->textRect(), Rect());
    EXPECT_TRUE(empty->strokeStyle()->convertTextToBezier().isEmpty());
}

TEST(TDTextOnPath, BoundsComeFromTheLayoutBeforeAnyDrawing)
{
    auto shape = textOn(line(Point(10, 50), Point(290, 50)), QStringLiteral("Bounds"));
    const Rect bounds = shape->drawingBounds();
    EXPECT_LT(bounds.minY(), 50 - 8); // the glyphs' height above the line
    const QImage image = drawn(*shape, 300, 100);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (pixelAt(image, x, y).a > 0) {
                ASSERT_TRUE(bounds.insetBy(-1, -1).contains(Point(x, y))) << x << ", " << y;
            }
        }
    }
}

TEST(TDTextOnPath, ConversionPlacesGlyphsWhereDrawingDoes)
{
    PathBase curve;
    curve.moveTo(Point(10, 150));
    curve.curveTo(Point(390, 150), Point(100, 10), Point(300, 10));
    auto shape = textOn(curve, QStringLiteral("Along the curve\nsecond line"), 1.5f);
    const QImage text = drawn(*shape, 400, 200);
    const TDBezierPath outlines = shape->strokeStyle()->convertTextToBezier();
    const QImage filled = renderImage(400, 200, [&](GraphicsContext &context) {
        context.setFillColor(Color::black());
        context.fillPath(outlines);
    });
    ASSERT_GT(solidPixels(text), 300);
    EXPECT_EQ(pixelsApart(text, filled), 0);
}

TEST(TDTextOnPath, UndoRestoresTextAndBaseline)
{
    ShapeScene scene;
    auto shape = scene.add(textOn(line(Point(0, 0), Point(100, 0)), QStringLiteral("first")));
    shape->strokeStyle()->setText(QStringLiteral("second"));
    scene.document.undo().undo();
    EXPECT_EQ(shape->strokeStyle()->textStorage()->toPlainText(), QStringLiteral("first"));
    shape->strokeStyle()->setBaseline(3.25f);
    scene.document.undo().undo();
    EXPECT_EQ(shape->strokeStyle()->baseline(), 0.0f);
}

TEST(TDTextOnPath, TheStrokeDictionaryKeepsTextBaselineAndLine)
{
    auto shape = textOn(line(Point(0, 0), Point(100, 0)), QStringLiteral("stored"));
    shape->strokeStyle()->setBaseline(-2.5f);
    shape->strokeStyle()->setTextAndLine(true);
    const PropertyList dictionary = shape->strokeStyle()->toYAML();
    const auto read = TDStrokeStyle::objectWithYAML(dictionary);
    ASSERT_TRUE(read->hasText());
    EXPECT_EQ(read->textStorage()->toPlainText(), QStringLiteral("stored"));
    EXPECT_EQ(read->baseline(), -2.5f);
    EXPECT_TRUE(read->textAndLine());
    EXPECT_EQ(read->toYAML(), dictionary);
}
