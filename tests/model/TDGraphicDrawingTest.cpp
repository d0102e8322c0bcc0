// Pixels that graphics and groups paint into cairo image surfaces.

#include "ModelTestDoubles.h"

#include "model/TDFillStyle.h"
#include "model/TDGradient.h"
#include "model/TDGroup.h"
#include "model/TDStrokeStyle.h"
#include "platform/GraphicsContext.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {

std::shared_ptr<TestShape> filled(const Rect &rect, const Color &color, bool stroked = false)
{
    auto shape = TestShape::inRect(rect);
    shape->fillStyle()->setStyle(TDFillColor);
    shape->fillStyle()->setColor(color);
    if (!stroked)
        shape->strokeStyle()->setStyle(TDStrokeNone);
    return shape;
}

QImage draw(const TDGraphicArray &graphics, TDDrawProtocol *view = nullptr, int size = 100)
{
    return renderImage(size, size, [&](GraphicsContext &context) {
        for (const auto &graphic : graphics)
            graphic->drawInView(view, context);
    });
}

::testing::AssertionResult near(Pixel p, int r, int g, int b, int a, int tolerance = 3)
{
    if (std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance &&
        std::abs(p.a - a) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << p.r << ", " << p.g << ", " << p.b << ", " << p.a
                                         << ") is not (" << r << ", " << g << ", " << b << ", " << a << ")";
}

// Counts its drawings.
class CountingShape : public TestShape {
public:
    void drawInView(TDDrawProtocol *view, GraphicsContext &context) override
    {
        ++draws;
        TestShape::drawInView(view, context);
    }
    int draws = 0;
};

} // namespace

TEST(TDGraphicDrawing, FillThenStrokeOverIt)
{
    auto shape = filled(Rect(20, 20, 60, 60), Color::red(), true);
    shape->strokeStyle()->setColor(Color::blue());
    shape->strokeStyle()->setStrokeWidth(6);
    const QImage image = draw({shape});
    EXPECT_TRUE(near(pixelAt(image, 50, 50), 255, 0, 0, 255));
    EXPECT_TRUE(near(pixelAt(image, 21, 50), 0, 0, 255, 255)); // inside the fill, under the line
    EXPECT_TRUE(near(pixelAt(image, 18, 50), 0, 0, 255, 255)); // outside the fill
    EXPECT_TRUE(near(pixelAt(image, 10, 10), 0, 0, 0, 0));
}

TEST(TDGraphicDrawing, ShadowFallsUnderTheGraphicWhereTheBoundsSay)
{
    auto shape = filled(Rect(20, 20, 40, 40), Color::red());
    shape->setHasShadow(true);
    shape->setShadowRadius(0);
    shape->setShadowColor(Color::black());
    shape->setShadowAngle(float(M_PI * 3 / 4)); // towards +x and +y on the canvas
    shape->setShadowDistance(10 * std::sqrt(2.0f));
    const QImage image = draw({shape});
    EXPECT_TRUE(near(pixelAt(image, 40, 40), 255, 0, 0, 255)); // the fill above its shadow
    EXPECT_TRUE(near(pixelAt(image, 65, 65), 0, 0, 0, 255));   // shadow beyond the bottom right
    EXPECT_TRUE(near(pixelAt(image, 35, 65), 0, 0, 0, 255));   // shadow below the left part
    EXPECT_TRUE(near(pixelAt(image, 25, 65), 0, 0, 0, 0));
    EXPECT_TRUE(near(pixelAt(image, 15, 15), 0, 0, 0, 0)); // none above the top left
    EXPECT_TRUE(near(pixelAt(image, 72, 72), 0, 0, 0, 0)); // it ends 10 points further
    const Rect bounds = shape->drawingBounds();
    EXPECT_NEAR(bounds.maxX(), 70, 0.01);
    EXPECT_NEAR(bounds.maxY(), 70, 0.01);
}

TEST(TDGraphicDrawing, OpacityAppliesToFillAndStrokeAsOne)
{
    auto shape = filled(Rect(20, 20, 60, 60), Color::red(), true);
    shape->strokeStyle()->setColor(Color::blue());
    shape->strokeStyle()->setStrokeWidth(10);
    shape->setAlphaValue(0.5f);
    const QImage image = draw({shape});
    EXPECT_TRUE(near(pixelAt(image, 50, 50), 255, 0, 0, 128));
    // Where the line covers the fill, the line alone shows at half opacity.
    EXPECT_TRUE(near(pixelAt(image, 22, 50), 0, 0, 255, 128));
}

TEST(TDGraphicDrawing, BlendModesMixWithWhatIsBelow)
{
    struct Case {
        int mode;
        Color top;
        int r, g, b;
    } cases[] = {
        {0, Color::cyan(), 0, 255, 255},   {1, Color::cyan(), 0, 255, 0}, // multiply over yellow
        {2, Color::blue(), 255, 255, 255},                                // screen over yellow
        {4, Color::cyan(), 0, 255, 0},                                    // darken
        {5, Color::blue(), 255, 255, 255},                                // lighten
        {10, Color::white(), 0, 0, 255},                                  // difference
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        auto below = filled(Rect(0, 0, 100, 100), Color::yellow());
        auto above = filled(Rect(25, 25, 50, 50), c.top);
        above->setBlendMode(c.mode);
        const QImage image = draw({below, above});
        EXPECT_TRUE(near(pixelAt(image, 50, 50), c.r, c.g, c.b, 255));
        EXPECT_TRUE(near(pixelAt(image, 10, 10), 255, 255, 0, 255));
    }
}

// The layer behind opacity, blend modes and shadows covers only where the
// graphic paints: the sharp miter tip and the square caps of slanted ends
// reach past the stroke's plain outline and must come out whole.
TEST(TDGraphicDrawing, LayeredGraphicsLoseNoneOfTheirStroke)
{
    const auto zigzag = [] {
        PathBase path;
        path.moveTo(Point(12, 88));
        path.lineTo(Point(50, 22));
        path.lineTo(Point(61, 86));
        auto shape = TestShape::withPath(path);
        shape->fillStyle()->setStyle(TDFillNone);
        shape->strokeStyle()->setStyle(TDStrokeLine);
        shape->strokeStyle()->setColor(Color::blue());
        shape->strokeStyle()->setStrokeWidth(9);
        shape->strokeStyle()->setCapStyle(int(LineCapStyle::Square));
        shape->strokeStyle()->setJoinStyle(int(LineJoinStyle::Miter));
        return shape;
    };
    const QImage plain = draw({zigzag()});
    const auto footprint = [](const QImage &image) {
        std::vector<bool> inked;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                inked.push_back(pixelAt(image, x, y).a > 0);
        return inked;
    };
    ASSERT_GT(pixelAt(plain, 52, 12).a, 0); // the miter tip, far above the path's own bounds

    struct Case {
        const char *name;
        std::function<void(TDGraphic &)> set;
        bool identical; // pixel for pixel, not just the same footprint
    };
    const std::vector<Case> cases = {
        {"translucent", [](TDGraphic &g) { g.setAlphaValue(0.5f); }, false},
        {"multiply", [](TDGraphic &g) { g.setBlendMode(int(BlendMode::Multiply)); }, false},
        {"shadow of no colour", [](TDGraphic &g) {
             g.setHasShadow(true);
             g.setShadowColor(Color::calibratedRGB(0, 0, 0, 0));
         }, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto shape = zigzag();
        c.set(*shape);
        const QImage layered = draw({shape});
        EXPECT_EQ(footprint(layered), footprint(plain));
        if (c.identical) {
            EXPECT_EQ(layered, plain);
        }
    }
}

TEST(TDGraphicDrawing, InvisibleAndOutlineDrawing)
{
    auto shape = filled(Rect(20, 20, 60, 60), Color::red(), true);
    shape->setVisible(false);
    EXPECT_TRUE(near(pixelAt(draw({shape}), 50, 50), 0, 0, 0, 0));
    shape->setVisible(true);

    // Outline view: no fill, blend mode or shadow; a hairline outline at
    // the opacity.
    RecordingCanvas canvas;
    canvas.outline = true;
    auto outlined = filled(Rect(20.5f, 20.5f, 59, 59), Color::red(), true);
    outlined->setBlendMode(2);
    outlined->setHasShadow(true);
    outlined->setShadowRadius(0);
    outlined->setShadowColor(Color::red());
    outlined->setShadowAngle(float(M_PI / 2));
    outlined->setShadowDistance(10);
    outlined->setAlphaValue(0.5f);
    const QImage image = draw({outlined}, &canvas);
    EXPECT_TRUE(near(pixelAt(image, 50, 50), 0, 0, 0, 0));
    EXPECT_TRUE(near(pixelAt(image, 20, 50), 0, 0, 0, 128));
    EXPECT_TRUE(near(pixelAt(image, 23, 50), 0, 0, 0, 0));
    EXPECT_TRUE(near(pixelAt(image, 30, 50), 0, 0, 0, 0)); // where the shadow would be
}

TEST(TDGraphicDrawing, GradientFillRunsAcrossTheShape)
{
    auto shape = TestShape::inRect(Rect(0, 0, 100, 100));
    shape->strokeStyle()->setStyle(TDStrokeNone);
    shape->fillStyle()->setStyle(TDFillGradient);
    shape->fillStyle()->setGradient(TDGradient::withColors(Color::black(), Color::white()));
    shape->fillStyle()->setGradientFromPoint(Point(0, 0), Point(1, 0));
    shape->setFillTransformation(TDGraphic::transformForBounds(Rect(0, 0, 100, 100)));
    const QImage image = draw({shape});
    int previous = -1;
    for (int x = 5; x < 100; x += 10) {
        const Pixel p = pixelAt(image, x, 50);
        EXPECT_GE(p.a, 250);
        EXPECT_GT(p.r, previous);
        previous = p.r;
    }
    EXPECT_LT(pixelAt(image, 2, 50).r, 15);
    EXPECT_GT(pixelAt(image, 97, 50).r, 240);
}

TEST(TDGraphicDrawing, SelectionIsGreenForTheFirstAndBlueForOthers)
{
    RecordingCanvas canvas;
    auto first = TestShape::inRect(Rect(10, 10, 30, 30));
    auto second = TestShape::inRect(Rect(50, 50, 30, 30));
    canvas.selection = {first, second};
    const QImage image = renderImage(100, 100, [&](GraphicsContext &context) {
        first->drawSelectionInView(&canvas, context);
        second->drawSelectionInView(&canvas, context);
    });
    const Pixel a = pixelAt(image, 10, 25);
    const Pixel b = pixelAt(image, 50, 65);
    EXPECT_GT(a.g, 100);
    EXPECT_EQ(a.b, 0);
    EXPECT_GT(b.b, 100);
    EXPECT_EQ(b.g, 0);
}

// --- Groups --------------------------------------------------------------------------------------

TEST(TDGroupDrawing, ClippingGroupPaintsInsideTheLastChildOnly)
{
    auto big = filled(Rect(0, 0, 100, 100), Color::red());
    auto clipper = filled(Rect(40, 40, 30, 30), Color::blue());
    auto group = TDGroup::groupWithGraphics({big, clipper});
    group->setClip(true);
    const QImage image = draw({group});
    EXPECT_TRUE(near(pixelAt(image, 50, 50), 255, 0, 0, 255)); // clipped child, clip graphic unpainted
    EXPECT_TRUE(near(pixelAt(image, 20, 20), 0, 0, 0, 0));

    // In outline view all children draw, the clip graphic included.
    RecordingCanvas canvas;
    canvas.outline = true;
    auto counted = std::make_shared<CountingShape>();
    counted->setInitialTransformation(TDGraphic::transformForBounds(Rect(40, 40, 30, 30)));
    counted->recalculatePath();
    auto counting = TDGroup::groupWithGraphics({filled(Rect(0, 0, 100, 100), Color::red()), counted});
    counting->setClip(true);
    draw({counting}, &canvas);
    EXPECT_EQ(counted->draws, 1);
    draw({counting});
    EXPECT_EQ(counted->draws, 1);

    // One child: no clipping.
    auto alone = TDGroup::groupWithGraphics({filled(Rect(0, 0, 100, 100), Color::red())});
    alone->setClip(true);
    EXPECT_TRUE(near(pixelAt(draw({alone}), 20, 20), 255, 0, 0, 255));
}

TEST(TDGroupDrawing, OpacityAndShadowApplyToTheChildrenAsAWhole)
{
    auto red = filled(Rect(10, 10, 50, 50), Color::red());
    auto blue = filled(Rect(30, 30, 50, 50), Color::blue());
    auto group = TDGroup::groupWithGraphics({red, blue});
    group->setAlphaValue(0.5f);
    const QImage image = draw({group});
    EXPECT_TRUE(near(pixelAt(image, 40, 40), 0, 0, 255, 128)); // overlap: blue alone
    EXPECT_TRUE(near(pixelAt(image, 20, 20), 255, 0, 0, 128));

    // One shadow of the whole, at (sin a, -cos a) times the distance.
    group->setAlphaValue(1);
    group->setHasShadow(true);
    group->setShadowRadius(0);
    group->setShadowColor(Color::black());
    group->setShadowAngle(float(M_PI / 2)); // along +x
    group->setShadowDistance(10);
    const QImage shadowed = draw({group});
    EXPECT_TRUE(near(pixelAt(shadowed, 85, 50), 0, 0, 0, 255));
    EXPECT_TRUE(near(pixelAt(shadowed, 65, 20), 0, 0, 0, 255)); // the red's part of it
    EXPECT_TRUE(near(pixelAt(shadowed, 65, 85), 0, 0, 0, 0));
    EXPECT_TRUE(near(pixelAt(shadowed, 40, 40), 0, 0, 255, 255));
}

TEST(TDGroupDrawing, HiddenGroupsDrawNothingAndTheFirstDrawSettlesBounds)
{
    auto child = filled(Rect(10, 10, 20, 20), Color::red());
    auto group = TDGroup::groupWithGraphics({child});
    group->setVisibleQuiet(false);
    EXPECT_TRUE(near(pixelAt(draw({group}), 20, 20), 0, 0, 0, 0));
    group->setVisibleQuiet(true);
    EXPECT_FALSE(group->hasDrawn());
    draw({group});
    EXPECT_TRUE(group->hasDrawn());
    EXPECT_EQ(group->bounds(), Rect(10, 10, 20, 20));

    // Isolation draws the clip graphic too, without the group's effects.
    auto clipper = filled(Rect(0, 0, 15, 15), Color::blue());
    auto clipping = TDGroup::groupWithGraphics({filled(Rect(0, 0, 100, 100), Color::red()), clipper});
    clipping->setClip(true);
    clipping->setAlphaValue(0.25f);
    const QImage isolated = renderImage(
        100, 100, [&](GraphicsContext &context) { clipping->drawInViewIsolation(nullptr, context); });
    EXPECT_TRUE(near(pixelAt(isolated, 50, 50), 255, 0, 0, 255));
    EXPECT_TRUE(near(pixelAt(isolated, 5, 5), 0, 0, 255, 255));
}
