#include "platform/GraphicsContext.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>

using namespace scrivane;

namespace {

// Straight-alpha components of a pixel, 0..255.
struct Pixel {
    int r = 0, g = 0, b = 0, a = 0;
};

Pixel at(const QImage &image, int x, int y)
{
    const QRgb p = reinterpret_cast<const QRgb *>(image.constScanLine(y))[x];
    const int a = qAlpha(p);
    if (a == 0)
        return {0, 0, 0, 0};
    auto un = [a](int v) { return (v * 255 + a / 2) / a; };
    return {un(qRed(p)), un(qGreen(p)), un(qBlue(p)), a};
}

std::string describe(const Pixel &p)
{
    return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) + ", " +
           std::to_string(p.a) + ")";
}

::testing::AssertionResult near(const Pixel &actual, const Pixel &expected, int tolerance)
{
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance && std::abs(actual.a - expected.a) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel " << describe(actual) << " is not within " << tolerance << " of " << describe(expected);
}

QImage blank(int width, int height, QColor fill = Qt::white)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// Runs `draw` on a context over `image`, then releases the context so that
// the pixels are complete.
void paint(QImage &image, bool flipped, const std::function<void(GraphicsContext &)> &draw)
{
    auto context = GraphicsContext::forImage(image, flipped);
    ASSERT_TRUE(context);
    draw(*context);
    EXPECT_FALSE(context->hasError()) << context->errorString().toStdString();
}

PathBase rectPath(float x, float y, float w, float h)
{
    return PathBase::withRect(Rect(x, y, w, h));
}

const Pixel White{255, 255, 255, 255};
const Pixel Red{255, 0, 0, 255};
const Pixel Blue{0, 0, 255, 255};

// --- Fill, stroke, flip ------------------------------------------------------------

TEST(GraphicsContext, FillsWithTheFillColourAndStrokesWithTheStrokeColour)
{
    QImage image = blank(60, 60);
    paint(image, true, [](GraphicsContext &gc) {
        gc.setFillColor(Color::red());
        gc.setStrokeColor(Color::blue());
        PathBase path = rectPath(10, 10, 40, 40);
        path.setLineWidth(6);
        EXPECT_TRUE(gc.fillPath(path));
        EXPECT_TRUE(gc.strokePath(path));
    });
    EXPECT_TRUE(near(at(image, 30, 30), Red, 0));
    EXPECT_TRUE(near(at(image, 10, 30), Blue, 0)); // on the outline
    EXPECT_TRUE(near(at(image, 12, 30), Blue, 0)); // inside half of the 6-point line
    EXPECT_TRUE(near(at(image, 14, 30), Red, 0));
    EXPECT_TRUE(near(at(image, 5, 5), White, 0));
}

TEST(GraphicsContext, WindingRuleOfThePathDecidesTheFill)
{
    for (WindingRule rule : {WindingRule::NonZero, WindingRule::EvenOdd}) {
        QImage image = blank(40, 40);
        paint(image, true, [rule](GraphicsContext &gc) {
            PathBase path = rectPath(5, 5, 30, 30);
            path.appendRect(Rect(15, 15, 10, 10)); // same direction: a hole only for even-odd
            path.setWindingRule(rule);
            gc.setFillColor(Color::red());
            gc.fillPath(path);
        });
        EXPECT_TRUE(near(at(image, 20, 20), rule == WindingRule::EvenOdd ? White : Red, 0));
    }
}

// A line drawn right after a fill of the same path may take the path the
// fill left behind, but only while it is the same path in the same place.
TEST(GraphicsContext, StrokeAfterAFillFollowsTheStrokesOwnPathAndPlace)
{
    struct Case {
        const char *label;
        std::function<void(GraphicsContext &, PathBase &)> between;
        int strokeX; // where the stroke's left edge must be
    };
    const Case cases[] = {
        {"nothing between", [](GraphicsContext &, PathBase &) {}, 10},
        {"the matrix moved", [](GraphicsContext &gc, PathBase &) {
             gc.concatCTM(AffineTransform::makeTranslation(30, 0));
         }, 40},
        {"the path moved", [](GraphicsContext &, PathBase &path) {
             path.transform(AffineTransform::makeTranslation(30, 0));
         }, 40},
        {"a clip between", [](GraphicsContext &gc, PathBase &) { gc.addClip(rectPath(0, 0, 80, 40)); }, 10},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        QImage image = blank(80, 40);
        paint(image, true, [&](GraphicsContext &gc) {
            PathBase path = rectPath(10, 10, 20, 20);
            gc.setFillColor(Color::red());
            gc.setStrokeColor(Color::blue());
            LineStyle line;
            line.width = 2;
            gc.setLineStyle(line);
            EXPECT_TRUE(gc.fillPath(path));
            c.between(gc, path);
            EXPECT_TRUE(gc.strokePath(path, GraphicsContext::LineSource::Context));
        });
        EXPECT_TRUE(near(at(image, c.strokeX, 20), Blue, 0));
        EXPECT_TRUE(near(at(image, c.strokeX + 10, 10), Blue, 0));
        EXPECT_TRUE(near(at(image, 20, 20), Red, 0));
    }
}

TEST(GraphicsContext, UnflippedContextRunsUpFromTheBottomLeftCorner)
{
    QImage image = blank(40, 30);
    paint(image, false, [](GraphicsContext &gc) {
        EXPECT_FALSE(gc.isFlipped());
        gc.setFillColor(Color::red());
        gc.fillRect(Rect(0, 0, 10, 10));
    });
    EXPECT_TRUE(near(at(image, 2, 27), Red, 0));
    EXPECT_TRUE(near(at(image, 2, 2), White, 0));
}

TEST(GraphicsContext, StrokeCanUseTheContextLineStyle)
{
    QImage image = blank(40, 40);
    paint(image, true, [](GraphicsContext &gc) {
        LineStyle style;
        style.width = 8;
        EXPECT_TRUE(gc.setLineStyle(style));
        PathBase path;
        path.moveTo(Point(0, 20));
        path.lineTo(Point(40, 20));
        path.setLineWidth(1);
        gc.strokePath(path, GraphicsContext::LineSource::Context);
    });
    EXPECT_EQ(at(image, 20, 17).g, 0); // 8 wide, not 1
    EXPECT_EQ(at(image, 20, 12).g, 255);
}

// --- Hairlines -----------------------------------------------------------------------

TEST(GraphicsContext, HairlineIsOneDevicePixelAtEveryZoomAndDeviceScale)
{
    struct Case {
        float zoom;
        qreal deviceScale;
    };
    for (Case c : {Case{1, 1}, Case{4, 1}, Case{1, 2}, Case{4, 2}}) {
        SCOPED_TRACE("zoom " + std::to_string(c.zoom) + ", device scale " + std::to_string(c.deviceScale));
        QImage image = blank(40, 40);
        image.setDevicePixelRatio(c.deviceScale);
        paint(image, true, [&c](GraphicsContext &gc) {
            gc.concatCTM(AffineTransform::makeScale(c.zoom, c.zoom));
            // Through the middle of device row 10.
            const float y = static_cast<float>(10.5 / (c.zoom * c.deviceScale));
            PathBase line;
            line.moveTo(Point(0, y));
            line.lineTo(Point(30, y));
            line.setLineWidth(0);
            EXPECT_TRUE(gc.strokePath(line));
        });
        EXPECT_EQ(at(image, 5, 10).r, 0);
        EXPECT_EQ(at(image, 5, 9).r, 255);
        EXPECT_EQ(at(image, 5, 11).r, 255);
    }
}

// --- Blend modes and alpha ----------------------------------------------------------

using Rgb = std::array<double, 3>;

double lum(const Rgb &c)
{
    return 0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2];
}

Rgb clipColor(Rgb c)
{
    const double l = lum(c);
    const double n = std::min({c[0], c[1], c[2]});
    const double x = std::max({c[0], c[1], c[2]});
    for (double &v : c) {
        if (n < 0)
            v = l + (v - l) * l / (l - n);
        if (x > 1)
            v = l + (v - l) * (1 - l) / (x - l);
    }
    return c;
}

Rgb setLum(const Rgb &c, double l)
{
    const double d = l - lum(c);
    return clipColor({c[0] + d, c[1] + d, c[2] + d});
}

double sat(const Rgb &c)
{
    return std::max({c[0], c[1], c[2]}) - std::min({c[0], c[1], c[2]});
}

Rgb setSat(Rgb c, double s)
{
    int order[3] = {0, 1, 2};
    std::sort(order, order + 3, [&c](int a, int b) { return c[a] < c[b]; });
    double &mn = c[order[0]], &mid = c[order[1]], &mx = c[order[2]];
    if (mx > mn) {
        mid = (mid - mn) * s / (mx - mn);
        mx = s;
    } else {
        mid = mx = 0;
    }
    mn = 0;
    return c;
}

// The blend of an opaque source over an opaque backdrop.
Rgb blend(BlendMode mode, const Rgb &cb, const Rgb &cs)
{
    auto each = [&](const std::function<double(double, double)> &f) {
        return Rgb{f(cb[0], cs[0]), f(cb[1], cs[1]), f(cb[2], cs[2])};
    };
    auto multiply = [](double b, double s) { return b * s; };
    auto screen = [](double b, double s) { return b + s - b * s; };
    auto hardLight = [&](double b, double s) { return s <= 0.5 ? multiply(b, 2 * s) : screen(b, 2 * s - 1); };
    switch (mode) {
    case BlendMode::Normal:
        return cs;
    case BlendMode::Multiply:
        return each(multiply);
    case BlendMode::Screen:
        return each(screen);
    case BlendMode::Overlay:
        return each([&](double b, double s) { return hardLight(s, b); });
    case BlendMode::Darken:
        return each([](double b, double s) { return std::min(b, s); });
    case BlendMode::Lighten:
        return each([](double b, double s) { return std::max(b, s); });
    case BlendMode::ColorDodge:
        return each([](double b, double s) { return b == 0 ? 0 : s >= 1 ? 1 : std::min(1.0, b / (1 - s)); });
    case BlendMode::ColorBurn:
        return each([](double b, double s) {
            return b >= 1 ? 1 : s <= 0 ? 0 : 1 - std::min(1.0, (1 - b) / s);
        });
    case BlendMode::SoftLight:
        return each([](double b, double s) {
            if (s <= 0.5)
                return b - (1 - 2 * s) * b * (1 - b);
            const double d = b <= 0.25 ? ((16 * b - 12) * b + 4) * b : std::sqrt(b);
            return b + (2 * s - 1) * (d - b);
        });
    case BlendMode::HardLight:
        return each(hardLight);
    case BlendMode::Difference:
        return each([](double b, double s) { return std::fabs(b - s); });
    case BlendMode::Exclusion:
        return each([](double b, double s) { return b + s - 2 * b * s; });
    case BlendMode::Hue:
        return setLum(setSat(cs, sat(cb)), lum(cb));
    case BlendMode::Saturation:
        return setLum(setSat(cb, sat(cs)), lum(cb));
    case BlendMode::Color:
        return setLum(cs, lum(cb));
    case BlendMode::Luminosity:
        return setLum(cb, lum(cs));
    }
    return cs;
}

TEST(GraphicsContext, EveryStoredBlendModeNumberBlendsByItsName)
{
    EXPECT_FALSE(GraphicsContext::blendModeForNumber(-1));
    EXPECT_FALSE(GraphicsContext::blendModeForNumber(16));
    // Colours exact in eight bits, chosen so that every pair of modes differs.
    const Rgb cb{51 / 255.0, 128 / 255.0, 204 / 255.0};
    const Rgb cs{230 / 255.0, 77 / 255.0, 153 / 255.0};
    for (int number = 0; number <= 15; ++number) {
        SCOPED_TRACE("blend mode " + std::to_string(number));
        const std::optional<BlendMode> mode = GraphicsContext::blendModeForNumber(number);
        ASSERT_TRUE(mode);
        EXPECT_EQ(static_cast<int>(*mode), number);
        QImage image = blank(10, 10, QColor(51, 128, 204));
        paint(image, true, [&](GraphicsContext &gc) {
            gc.setBlendModeNumber(number);
            gc.setFillColor(Color::calibratedRGB(static_cast<float>(cs[0]), static_cast<float>(cs[1]),
                                                 static_cast<float>(cs[2])));
            gc.fillRect(Rect(0, 0, 10, 10));
        });
        const Rgb expected = blend(*mode, cb, cs);
        auto byte = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
        EXPECT_TRUE(near(at(image, 5, 5), {byte(expected[0]), byte(expected[1]), byte(expected[2]), 255}, 3));
    }
}

TEST(GraphicsContext, GlobalAlphaScalesEveryOperation)
{
    QImage image = blank(30, 10);
    QImage red(2, 2, QImage::Format_ARGB32_Premultiplied);
    red.fill(Qt::red);
    paint(image, true, [&red](GraphicsContext &gc) {
        gc.setAlpha(0.5f);
        gc.setColor(Color::red());
        gc.fillRect(Rect(0, 0, 10, 10));
        gc.drawImage(red, Rect(10, 0, 10, 10), Rect());
        PathBase line;
        line.moveTo(Point(20, 5));
        line.lineTo(Point(30, 5));
        line.setLineWidth(10);
        gc.strokePath(line);
    });
    for (int x : {5, 15, 25})
        EXPECT_TRUE(near(at(image, x, 5), {255, 128, 128, 255}, 1)) << "x = " << x;
}

// --- Transparency layers ------------------------------------------------------------

TEST(GraphicsContext, TransparencyLayerCompositesItsContentOnce)
{
    for (bool layer : {false, true}) {
        SCOPED_TRACE(layer ? "inside a layer" : "without a layer");
        QImage image = blank(40, 20);
        paint(image, true, [layer](GraphicsContext &gc) {
            gc.setAlpha(0.5f);
            gc.setFillColor(Color::red());
            if (layer) {
                gc.beginTransparencyLayer();
                EXPECT_EQ(gc.alpha(), 1.0f); // alpha starts afresh inside
            }
            gc.fillRect(Rect(0, 0, 25, 20));
            gc.fillRect(Rect(15, 0, 25, 20));
            if (layer) {
                EXPECT_TRUE(gc.endTransparencyLayer());
            }
            EXPECT_EQ(gc.alpha(), 0.5f);
        });
        const Pixel single = at(image, 5, 10);
        const Pixel overlap = at(image, 20, 10);
        EXPECT_TRUE(near(single, {255, 128, 128, 255}, 1));
        if (layer)
            EXPECT_TRUE(near(overlap, single, 0));
        else
            EXPECT_TRUE(near(overlap, {255, 64, 64, 255}, 1));
    }
}

TEST(GraphicsContext, TransparencyLayerAppliesItsBlendModeToTheWhole)
{
    QImage image = blank(20, 20, QColor(128, 128, 128));
    paint(image, true, [](GraphicsContext &gc) {
        gc.setBlendMode(BlendMode::Multiply);
        gc.beginTransparencyLayer();
        EXPECT_EQ(gc.blendMode(), BlendMode::Normal);
        gc.setFillColor(Color::red());
        gc.fillRect(Rect(0, 0, 20, 20));
        gc.setFillColor(Color::white());
        gc.fillRect(Rect(10, 0, 10, 20)); // white over red inside the layer, then multiplied
        gc.endTransparencyLayer();
    });
    EXPECT_TRUE(near(at(image, 5, 5), {128, 0, 0, 255}, 1));
    EXPECT_TRUE(near(at(image, 15, 5), {128, 128, 128, 255}, 1));
}

// A layer told where its content lies covers only that part of the clip;
// what it composites must not change by a single bit.
TEST(GraphicsContext, BoundedTransparencyLayerPaintsExactlyLikeAnUnboundedOne)
{
    struct Case {
        const char *name;
        bool flipped;
        qreal deviceScale;
        std::function<void(GraphicsContext &)> setUp; // alpha, blend, shadow, clip, transformation
        Rect bounds;                                  // around the ink, in the user space of the layer
        std::function<void(GraphicsContext &)> content;
    };
    const auto strokedTriangle = [](GraphicsContext &gc) {
        PathBase path;
        path.moveTo(Point(10.3f, 10.7f));
        path.lineTo(Point(40.2f, 14.1f));
        path.lineTo(Point(22.6f, 35.9f));
        path.close();
        path.setLineWidth(3);
        gc.setFillColor(Color::calibratedRGB(0.2f, 0.6f, 0.9f));
        gc.fillPath(path);
        gc.setStrokeColor(Color::calibratedRGB(0.8f, 0.1f, 0.3f));
        gc.strokePath(path);
    };
    // The triangle and its stroke (the miter tips stay within 6 of it).
    const Rect triangle(4.3f, 4.7f, 41.9f, 37.2f);
    const std::vector<Case> cases = {
        {"translucent", true, 1, [](GraphicsContext &gc) { gc.setAlpha(0.5f); }, triangle, strokedTriangle},
        {"multiply over colour, rotated and scaled", true, 1,
         [](GraphicsContext &gc) {
             gc.setBlendMode(BlendMode::Multiply);
             gc.concatCTM(AffineTransform::makeTranslation(30.5f, 3.25f));
             gc.concatCTM(AffineTransform::makeRotationByDegrees(23));
             gc.concatCTM(AffineTransform::makeScale(1.3f, 0.9f));
         },
         triangle, strokedTriangle},
        {"shadow, unflipped, at device scale 2", false, 2,
         [](GraphicsContext &gc) {
             gc.setAlpha(0.8f);
             gc.setShadow(gc.shadowForGraphic(0.7f, 6, 4, Color::calibratedRGB(0, 0, 0.5f, 0.6f), 1));
         },
         triangle, strokedTriangle},
        {"screen inside a clip that cuts the ink", true, 1,
         [](GraphicsContext &gc) {
             gc.setBlendMode(BlendMode::Screen);
             gc.addClip(PathBase::withOvalInRect(Rect(15.5f, 8.25f, 40, 30)));
         },
         triangle, strokedTriangle},
        {"hairline on a bounds of no height, in a nested layer", true, 1,
         [](GraphicsContext &gc) {
             gc.setAlpha(0.6f);
             gc.beginTransparencyLayer();
         },
         Rect(5.5f, 20.25f, 50, 0),
         [](GraphicsContext &gc) {
             PathBase line;
             line.moveTo(Point(5.5f, 20.25f));
             line.lineTo(Point(55.5f, 20.25f));
             line.setLineWidth(0);
             gc.setStrokeColor(Color::red());
             gc.strokePath(line);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QImage images[2];
        for (int bounded = 0; bounded < 2; ++bounded) {
            QImage &image = images[bounded];
            image = blank(int(64 * c.deviceScale), int(48 * c.deviceScale), QColor(200, 180, 60));
            image.setDevicePixelRatio(c.deviceScale);
            paint(image, c.flipped, [&](GraphicsContext &gc) {
                gc.save();
                c.setUp(gc);
                if (bounded)
                    gc.beginTransparencyLayer(c.bounds);
                else
                    gc.beginTransparencyLayer();
                c.content(gc);
                EXPECT_TRUE(gc.endTransparencyLayer());
                while (gc.transparencyLayerDepth() > 0)
                    gc.endTransparencyLayer();
                gc.restore();
            });
        }
        QImage untouched = blank(images[0].width(), images[0].height(), QColor(200, 180, 60));
        untouched.setDevicePixelRatio(c.deviceScale);
        EXPECT_NE(images[0], untouched);
        EXPECT_EQ(images[0], images[1]);
    }
}

TEST(GraphicsContext, StateStackKeepsTransparencyLayersWhole)
{
    QImage image = blank(10, 10);
    paint(image, true, [](GraphicsContext &gc) {
        EXPECT_FALSE(gc.restore());
        EXPECT_FALSE(gc.endTransparencyLayer());
        gc.save();
        gc.setAlpha(0.25f);
        gc.beginTransparencyLayer();
        EXPECT_FALSE(gc.restore()); // the layer's own state
        gc.save();
        gc.setFillColor(Color::blue());
        EXPECT_TRUE(gc.endTransparencyLayer()); // restores the save inside
        EXPECT_EQ(gc.stateDepth(), 1);
        EXPECT_EQ(gc.alpha(), 0.25f);
        EXPECT_TRUE(gc.restore());
        EXPECT_EQ(gc.alpha(), 1.0f);
    });
}

// --- Shadows ---------------------------------------------------------------------------

TEST(GraphicsContext, ShadowFallsAtTheSameOffsetInTheGraphicsOwnCoordinatesFlippedOrNot)
{
    // The default angle: (sin a · d, −cos a · d) is (7.07, 7.07) in the
    // graphic's own coordinates, whichever way they run on the device.
    const float angle = 3 * std::numbers::pi_v<float> / 4;
    const float distance = 10;
    struct Case {
        bool flipped;
        float zoom;
        bool layer;
        qreal deviceScale;
    };
    const Case cases[] = {{true, 1, false, 1},  {false, 1, false, 1}, {true, 2, false, 1},
                          {false, 2, false, 1}, {true, 1, true, 1},   {false, 2, true, 1},
                          {true, 1, true, 2},   {false, 1, false, 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.flipped ? "flipped" : "unflipped") + " at zoom " + std::to_string(c.zoom) +
                     (c.layer ? ", in a layer" : "") + ", device scale " + std::to_string(c.deviceScale));
        QImage image = blank(100, 100);
        image.setDevicePixelRatio(c.deviceScale);
        AffineTransform userToPixels;
        paint(image, c.flipped, [&](GraphicsContext &gc) {
            gc.concatCTM(AffineTransform::makeScale(c.zoom, c.zoom));
            userToPixels = gc.ctm();
            userToPixels.append(AffineTransform::makeScale(c.deviceScale, c.deviceScale));
            gc.addClipRect(Rect(2, 2, 45, 45)); // the layer then starts away from the origin
            EXPECT_TRUE(gc.setShadow(gc.shadowForGraphic(angle, distance, 0, Color::black(), c.zoom)));
            if (c.layer)
                gc.beginTransparencyLayer();
            gc.setFillColor(Color::red());
            gc.fillRect(Rect(10, 10, 20, 20));
            if (c.layer)
                gc.endTransparencyLayer();
        });
        auto pixelOf = [&](float x, float y) {
            const Point p = userToPixels.transformPoint(Point(x, y));
            return at(image, static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y)));
        };
        EXPECT_TRUE(near(pixelOf(20, 20), Red, 0));
        EXPECT_TRUE(near(pixelOf(33, 33), {0, 0, 0, 255}, 0)); // in (17.07, 17.07, 20, 20)
        EXPECT_TRUE(near(pixelOf(18, 36), {0, 0, 0, 255}, 0)); // near its far edges too
        EXPECT_TRUE(near(pixelOf(33, 12), White, 0));
        EXPECT_TRUE(near(pixelOf(5, 5), White, 0)); // where the opposite offset would put it
    }
}

TEST(GraphicsContext, ShadowBlurIsAGaussianOfHalfTheBlurValue)
{
    QImage image = blank(120, 60);
    paint(image, true, [](GraphicsContext &gc) {
        ContextShadow shadow;
        shadow.offset = Size(0, -30); // 30 down (base space runs up)
        shadow.blur = 8;              // sigma 4
        shadow.color = Color::black();
        gc.setShadow(shadow);
        gc.setFillColor(Color::white());
        gc.fillRect(Rect(-50, -100, 100, 110)); // bottom edge at y = 10; the shadow's at 40
    });
    auto darkness = [&image](int y) { return (255 - at(image, 20, y).r) / 255.0; };
    EXPECT_NEAR(darkness(30), 1.0, 0.02);    // well inside the shadow
    EXPECT_NEAR(darkness(39), 0.599, 0.06);  // half a pixel inside the edge: Φ(0.125)
    EXPECT_NEAR(darkness(43), 0.227, 0.05);  // Φ(−0.875)
    EXPECT_NEAR(darkness(48), 0.0228, 0.03); // two sigma out
    EXPECT_GT(darkness(43), darkness(45));   // it falls off smoothly
    EXPECT_NEAR(darkness(56), 0.0, 0.01);
}

TEST(GraphicsContext, ShadowOutsideALayerFallsPerOperationInsideOnTheWhole)
{
    for (bool layer : {false, true}) {
        SCOPED_TRACE(layer ? "layer" : "no layer");
        QImage image = blank(60, 60);
        paint(image, true, [layer](GraphicsContext &gc) {
            ContextShadow shadow;
            shadow.offset = Size(5, -5);
            shadow.color = Color::black();
            gc.setShadow(shadow);
            if (layer) {
                gc.beginTransparencyLayer();
                EXPECT_FALSE(gc.shadow()); // reset inside
            }
            gc.setFillColor(Color::red());
            gc.fillRect(Rect(10, 10, 30, 30));
            gc.setFillColor(Color::blue());
            gc.fillRect(Rect(15, 0, 20, 12)); // its shadow reaches y = 17 over the red square
            if (layer)
                gc.endTransparencyLayer();
        });
        EXPECT_TRUE(near(at(image, 25, 14), layer ? Red : Pixel{0, 0, 0, 255}, 0));
        EXPECT_TRUE(near(at(image, 42, 30), {0, 0, 0, 255}, 0)); // the red square's own shadow
    }
}

TEST(GraphicsContext, ShadowOfAHugeGraphicStaysWithinTheClip)
{
    QImage image = blank(50, 50);
    paint(image, true, [](GraphicsContext &gc) {
        // A million device pixels wide, and a blur that reaches far: only the
        // part whose shadow can show is rendered.
        gc.concatCTM(AffineTransform::makeScale(100, 100));
        ContextShadow shadow;
        shadow.offset = Size(0, -10);
        shadow.blur = 40;
        shadow.color = Color::black();
        gc.setShadow(shadow);
        gc.setFillColor(Color::red());
        gc.fillRect(Rect(-5000, -5000, 10000, 5000.2f)); // ends at device y = 20
    });
    EXPECT_TRUE(near(at(image, 25, 10), Red, 0));
    // The shadow's edge at y = 30, blurred with sigma 20: half dark there.
    EXPECT_NEAR(at(image, 25, 30).r, 128, 8);
    EXPECT_NEAR(at(image, 25, 45).r, 198, 10);
}

// --- Clip ------------------------------------------------------------------------------------

TEST(GraphicsContext, ClipAddsByIntersectionAndCanBeReplaced)
{
    QImage image = blank(60, 20);
    paint(image, true, [](GraphicsContext &gc) {
        gc.setFillColor(Color::red());
        EXPECT_TRUE(gc.addBaseClip(rectPath(0, 0, 50, 20)));
        gc.save();
        gc.addClip(rectPath(0, 0, 30, 20));
        gc.addClip(rectPath(10, 0, 30, 20));
        EXPECT_EQ(gc.clipBoundingBox(), Rect(10, 0, 20, 20));
        gc.fillRect(Rect(0, 0, 60, 10)); // rows 0..9, columns 10..29
        gc.save();
        EXPECT_TRUE(gc.replaceClip(rectPath(35, 0, 25, 20))); // replaced, but within the base clip
        EXPECT_EQ(gc.clipBoundingBox(), Rect(35, 0, 15, 20));
        gc.setFillColor(Color::blue());
        gc.fillRect(Rect(0, 10, 60, 10)); // rows 10..19, columns 35..49
        gc.restore();
        EXPECT_EQ(gc.clipBoundingBox(), Rect(10, 0, 20, 20));
        gc.restore();
        EXPECT_FALSE(gc.addBaseClip(rectPath(0, 0, 5, 5)) && gc.stateDepth() > 0);
    });
    EXPECT_TRUE(near(at(image, 5, 5), White, 0));
    EXPECT_TRUE(near(at(image, 15, 5), Red, 0));
    EXPECT_TRUE(near(at(image, 35, 5), White, 0));
    EXPECT_TRUE(near(at(image, 20, 15), White, 0));
    EXPECT_TRUE(near(at(image, 40, 15), Blue, 0));
    EXPECT_TRUE(near(at(image, 55, 15), White, 0)); // outside the base clip
}

// The clip's box is remembered between questions: after every change of
// clip, transformation, state or layer it must still be cairo's own answer.
TEST(GraphicsContext, ClipBoundingBoxFollowsEveryChange)
{
    QImage image = blank(80, 60);
    paint(image, true, [](GraphicsContext &gc) {
        const auto check = [&gc](const char *step) {
            double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
            cairo_clip_extents(gc.cairo(), &x1, &y1, &x2, &y2);
            EXPECT_EQ(gc.clipBoundingBox(), Rect(float(x1), float(y1), float(x2 - x1), float(y2 - y1))) << step;
            EXPECT_EQ(gc.clipBoundingBox(), Rect(float(x1), float(y1), float(x2 - x1), float(y2 - y1))) << step;
        };
        check("at the start");
        gc.addBaseClip(rectPath(2, 2, 70, 50));
        check("base clip");
        gc.save();
        gc.addClip(rectPath(5, 5, 40, 30));
        check("clip");
        gc.concatCTM(AffineTransform::makeScale(2, 0.5f));
        check("scaled");
        gc.save();
        gc.concatCTM(AffineTransform::makeTranslation(3, 7));
        check("translated");
        gc.replaceClip(rectPath(0, 0, 10, 10));
        check("replaced");
        gc.resetClip();
        check("reset");
        gc.beginTransparencyLayer(Rect(1, 1, 4, 4));
        check("bounded layer");
        gc.addClip(rectPath(2, 2, 1, 1));
        check("clip inside the layer");
        gc.endTransparencyLayer();
        check("layer ended");
        gc.restore();
        check("restored once");
        gc.setCTM(AffineTransform::makeRotationByDegrees(30));
        check("set");
        gc.resetCTM();
        check("reset transformation");
        gc.restore();
        check("restored twice");
    });
}

TEST(GraphicsContext, BorrowedContextKeepsItsClipAsTheBaseAndIsGivenBackUnchanged)
{
    QImage image = blank(40, 10);
    cairo_surface_t *surface = cairo_image_surface_create_for_data(image.bits(), CAIRO_FORMAT_ARGB32, 40, 10,
                                                                   static_cast<int>(image.bytesPerLine()));
    cairo_t *cr = cairo_create(surface);
    cairo_rectangle(cr, 0, 0, 20, 10);
    cairo_clip(cr);
    cairo_translate(cr, 1, 0);
    {
        GraphicsContext gc(cr, true);
        gc.concatCTM(AffineTransform::makeScale(2, 2));
        gc.setFillColor(Color::red());
        gc.replaceClip(rectPath(0, 0, 100, 100));
        gc.fillRect(Rect(0, 0, 100, 100));
    }
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    EXPECT_EQ(m.x0, 1);
    EXPECT_EQ(m.xx, 1);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    EXPECT_TRUE(near(at(image, 10, 5), Red, 0));
    EXPECT_TRUE(near(at(image, 30, 5), White, 0));
}

// --- Shadings ----------------------------------------------------------------------------------

// Straight-alpha linear interpolation between stops, the colour function of
// a gradient.
struct Stops {
    std::vector<std::pair<float, std::array<float, 4>>> stops;

    std::array<float, 4> operator()(float t) const
    {
        if (t <= stops.front().first)
            return stops.front().second;
        if (t >= stops.back().first)
            return stops.back().second;
        std::size_t k = 1;
        while (stops[k].first <= t)
            ++k;
        const auto &[pa, ca] = stops[k - 1];
        const auto &[pb, cb] = stops[k];
        const float f = (t - pa) / (pb - pa);
        std::array<float, 4> c{};
        for (std::size_t i = 0; i < 4; ++i)
            c[i] = (1 - f) * ca[i] + f * cb[i];
        return c;
    }
    std::vector<float> positions() const
    {
        std::vector<float> p;
        for (const auto &s : stops)
            p.push_back(s.first);
        return p;
    }
};

// The colour over white that straight alpha c composites to.
Pixel overWhite(const std::array<float, 4> &c)
{
    auto v = [&c](float x) { return static_cast<int>(std::lround((x * c[3] + (1 - c[3])) * 255)); };
    return {v(c[0]), v(c[1]), v(c[2]), 255};
}

TEST(GraphicsContext, AxialShadingMatchesStraightAlphaInterpolationAndHonoursItsExtends)
{
    const Stops stops{{{0.0f, {1, 0, 0, 1}}, {0.5f, {0, 1, 0, 0.2f}}, {1.0f, {0, 0, 1, 1}}}};
    struct Case {
        bool start, end;
    };
    for (Case c : {Case{true, true}, Case{false, false}, Case{true, false}, Case{false, true}}) {
        for (bool withStops : {true, false}) {
            SCOPED_TRACE(std::string("extend start ") + (c.start ? "on" : "off") + ", end " +
                         (c.end ? "on" : "off") + (withStops ? ", stops given" : ", sampled"));
            QImage image = blank(140, 10);
            paint(image, true, [&](GraphicsContext &gc) {
                Shading shading;
                shading.start = Point(20, 0);
                shading.end = Point(120, 0);
                shading.extendStart = c.start;
                shading.extendEnd = c.end;
                shading.function = stops;
                if (withStops)
                    shading.breakpoints = stops.positions();
                EXPECT_TRUE(gc.drawShading(shading));
            });
            for (int x : {30, 45, 60, 69, 70, 95, 110}) {
                const float t = (x + 0.5f - 20) / 100;
                EXPECT_TRUE(near(at(image, x, 5), overWhite(stops(t)), 2)) << "x = " << x;
            }
            EXPECT_TRUE(near(at(image, 5, 5), c.start ? Red : White, 1));
            EXPECT_TRUE(near(at(image, 130, 5), c.end ? Blue : White, 1));
        }
    }
}

// A path filled with a shading shows what clipping to the path and painting
// the shading shows; where that cannot be one fill, nothing is drawn and the
// caller is told to clip and paint.
TEST(GraphicsContext, PathFilledWithAShadingMatchesClippingAndPainting)
{
    const Stops stops{{{0.0f, {1, 0, 0, 1}}, {0.4f, {0, 1, 0, 0.5f}}, {1.0f, {0, 0, 1, 1}}}};
    PathBase oval;
    oval.appendOvalInRect(Rect(10.3f, 6.7f, 97.5f, 51.2f));
    oval.setWindingRule(WindingRule::EvenOdd);
    AffineTransform space = AffineTransform::makeTranslation(12, 9);
    space.prepend(AffineTransform::makeScale(90, 40));
    for (const Shading::Kind kind : {Shading::Kind::Axial, Shading::Kind::Radial}) {
        SCOPED_TRACE(kind == Shading::Kind::Axial ? "axial" : "radial");
        Shading shading;
        shading.kind = kind;
        shading.start = Point(0.2f, 0.3f);
        shading.end = kind == Shading::Kind::Axial ? Point(0.9f, 0.6f) : shading.start;
        shading.endRadius = kind == Shading::Kind::Axial ? 0 : 0.7f;
        shading.extendStart = shading.extendEnd = true;
        shading.function = stops;
        shading.breakpoints = stops.positions();
        QImage clipped = blank(120, 70);
        paint(clipped, true, [&](GraphicsContext &gc) {
            gc.save();
            ASSERT_TRUE(gc.addClip(oval));
            ASSERT_TRUE(gc.concatCTM(space));
            EXPECT_TRUE(gc.drawShading(shading));
            gc.restore();
        });
        QImage filled = blank(120, 70);
        paint(filled, true, [&](GraphicsContext &gc) { EXPECT_TRUE(gc.fillPathWithShading(oval, shading, space)); });
        for (int y = 0; y < filled.height(); ++y)
            for (int x = 0; x < filled.width(); ++x)
                ASSERT_TRUE(near(at(filled, x, y), at(clipped, x, y), 1)) << "at " << x << ", " << y;
    }

    struct Refusal {
        const char *label;
        std::function<void(GraphicsContext &, Shading &)> set;
    };
    const Refusal refusals[] = {
        {"a shadow", [](GraphicsContext &gc, Shading &) {
             gc.setShadow(ContextShadow{Size(3, -3), 2, Color::black()});
         }},
        {"an alpha", [](GraphicsContext &gc, Shading &) { gc.setAlpha(0.5f); }},
        {"one end extended", [](GraphicsContext &, Shading &shading) { shading.extendEnd = false; }},
    };
    for (const Refusal &refusal : refusals) {
        SCOPED_TRACE(refusal.label);
        QImage image = blank(120, 70);
        paint(image, true, [&](GraphicsContext &gc) {
            Shading shading;
            shading.start = Point(0, 0);
            shading.end = Point(1, 0);
            shading.extendStart = shading.extendEnd = true;
            shading.function = stops;
            refusal.set(gc, shading);
            EXPECT_FALSE(gc.fillPathWithShading(oval, shading, space));
        });
        EXPECT_TRUE(near(at(image, 60, 32), White, 0));
    }
}

TEST(GraphicsContext, ShadingStopsAtOnePlaceMakeAHardEdge)
{
    const Stops stops{
        {{0.0f, {1, 0, 0, 1}}, {0.5f, {1, 0, 0, 1}}, {0.5f, {0, 0, 1, 1}}, {1.0f, {0, 0, 1, 1}}}};
    QImage image = blank(100, 4);
    paint(image, true, [&](GraphicsContext &gc) {
        Shading shading;
        shading.start = Point(0, 0);
        shading.end = Point(100, 0);
        shading.function = stops;
        shading.breakpoints = stops.positions();
        gc.drawShading(shading);
    });
    EXPECT_TRUE(near(at(image, 49, 2), Red, 0));
    EXPECT_TRUE(near(at(image, 50, 2), Blue, 0));
}

TEST(GraphicsContext, RadialShadingMatchesItsFunctionAndExtends)
{
    const Stops stops{{{0.0f, {1, 1, 0, 1}}, {1.0f, {0, 0, 1, 0.5f}}}};
    struct Case {
        bool start, end;
    };
    for (Case c : {Case{true, true}, Case{false, false}, Case{false, true}, Case{true, false}}) {
        SCOPED_TRACE(std::string("extend start ") + (c.start ? "on" : "off") + ", end " +
                     (c.end ? "on" : "off"));
        QImage image = blank(100, 100);
        paint(image, true, [&](GraphicsContext &gc) {
            Shading shading;
            shading.kind = Shading::Kind::Radial;
            shading.start = shading.end = Point(50, 50);
            shading.startRadius = 10;
            shading.endRadius = 40;
            shading.extendStart = c.start;
            shading.extendEnd = c.end;
            shading.function = stops;
            shading.breakpoints = stops.positions();
            gc.drawShading(shading);
        });
        for (int x : {62, 70, 80, 88}) {
            const double r = std::hypot(x + 0.5 - 50, 0.5);
            const float t = static_cast<float>((r - 10) / 30);
            EXPECT_TRUE(near(at(image, x, 50), overWhite(stops(t)), 2)) << "x = " << x;
        }
        EXPECT_TRUE(near(at(image, 52, 50), c.start ? Pixel{255, 255, 0, 255} : White, 1));
        EXPECT_TRUE(near(at(image, 96, 50), c.end ? overWhite(stops(1)) : White, 1));
    }
}

// --- Images -----------------------------------------------------------------------------------

QImage twoRowImage()
{
    // Top row red, bottom row green.
    QImage image(1, 2, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(0, 1, qRgba(0, 255, 0, 255));
    return image;
}

TEST(GraphicsContext, ImageRowsFollowTheImageOrigin)
{
    QImage image = blank(20, 40);
    paint(image, true, [](GraphicsContext &gc) {
        gc.drawImage(twoRowImage(), Rect(0, 0, 10, 40), Rect(), CompositeOperation::SourceOver, 1,
                     ImageOrigin::BottomLeft);
        gc.drawImage(twoRowImage(), Rect(10, 0, 10, 40), Rect(), CompositeOperation::SourceOver, 1,
                     ImageOrigin::TopLeft);
    });
    // An ordinary image has its bottom row at the smaller y: in this y-down
    // space it stands on its head.
    EXPECT_TRUE(near(at(image, 5, 2), {0, 255, 0, 255}, 0));
    EXPECT_TRUE(near(at(image, 5, 37), Red, 0));
    EXPECT_TRUE(near(at(image, 15, 2), Red, 0));
    EXPECT_TRUE(near(at(image, 15, 37), {0, 255, 0, 255}, 0));
}

TEST(GraphicsContext, ImageSourceRectanglePicksPartOfTheImage)
{
    QImage image = blank(10, 10);
    paint(image, true, [](GraphicsContext &gc) {
        // Rows counted from the bottom: row 0 is the green one.
        gc.drawImage(twoRowImage(), Rect(0, 0, 10, 10), Rect(0, 0, 1, 1));
    });
    EXPECT_TRUE(near(at(image, 5, 5), {0, 255, 0, 255}, 0));
    EXPECT_TRUE(near(at(image, 0, 0), {0, 255, 0, 255}, 0));
    EXPECT_TRUE(near(at(image, 9, 9), {0, 255, 0, 255}, 0));
}

TEST(GraphicsContext, ImageCopyReplacesWhileSourceOverComposites)
{
    QImage red(2, 2, QImage::Format_ARGB32_Premultiplied);
    red.fill(Qt::red);
    QImage image = blank(20, 10, QColor(0, 0, 255));
    paint(image, true, [&red](GraphicsContext &gc) {
        gc.drawImage(red, Rect(0, 0, 10, 10), Rect(), CompositeOperation::Copy, 0.5f);
        gc.drawImage(red, Rect(10, 0, 10, 10), Rect(), CompositeOperation::SourceOver, 0.5f);
    });
    const QRgb copied = reinterpret_cast<const QRgb *>(image.constScanLine(5))[5];
    EXPECT_EQ(qAlpha(copied), 128);
    EXPECT_EQ(qRed(copied), 128); // premultiplied red at half alpha, the blue gone
    EXPECT_EQ(qBlue(copied), 0);
    EXPECT_TRUE(near(at(image, 15, 5), {128, 0, 127, 255}, 1));
}

TEST(GraphicsContext, ImageOfAnotherFormatIsConverted)
{
    QImage indexed(2, 2, QImage::Format_RGB888);
    indexed.fill(QColor(0, 0, 255));
    QImage image = blank(10, 10);
    paint(image, true,
          [&indexed](GraphicsContext &gc) { gc.drawImage(indexed, Rect(0, 0, 10, 10), Rect()); });
    EXPECT_TRUE(near(at(image, 5, 5), Blue, 0));
}

// --- Guards ----------------------------------------------------------------------------------

TEST(GraphicsContext, RefusedInputDoesNotBlankLaterDrawing)
{
    QImage image = blank(20, 20);
    auto gc = GraphicsContext::forImage(image, true);
    PathBase bad;
    bad.moveTo(Point(0, 0));
    bad.lineTo(Point(std::nanf(""), 5));
    bad.lineTo(Point(10, 10));
    EXPECT_FALSE(gc->fillPath(bad));
    EXPECT_FALSE(gc->strokePath(bad));
    EXPECT_FALSE(gc->addClip(bad));
    EXPECT_FALSE(gc->concatCTM(AffineTransform::makeScale(0, 1)));
    EXPECT_FALSE(gc->setCTM(AffineTransform(1, 0, 0, 1, INFINITY, 0)));
    // Tiny but invertible scales are cairo's to handle; nothing may break.
    EXPECT_TRUE(gc->concatCTM(AffineTransform::makeScale(1e-30f, 1e-30f)));
    EXPECT_TRUE(gc->concatCTM(AffineTransform::makeScale(1e-30f, 1e-30f)));
    EXPECT_TRUE(gc->fillRect(Rect(0, 0, 10, 10)));
    gc->resetCTM();
    LineStyle style;
    style.dash = {-1, 2};
    EXPECT_FALSE(gc->setLineStyle(style));
    style.dash = {0, 0};
    EXPECT_FALSE(gc->setLineStyle(style));
    EXPECT_FALSE(gc->fillRect(Rect(0, 0, NAN, 3)));
    EXPECT_FALSE(gc->drawImage(QImage(), Rect(0, 0, 5, 5), Rect()));
    ContextShadow shadow;
    shadow.offset = Size(NAN, 0);
    EXPECT_FALSE(gc->setShadow(shadow));
    Shading shading;
    shading.end = Point(INFINITY, 0);
    shading.function = [](float) { return std::array<float, 4>{0, 0, 0, 1}; };
    EXPECT_FALSE(gc->drawShading(shading));

    // A path's own bad dash is drawn solid rather than handed to cairo.
    PathBase line;
    line.moveTo(Point(0, 15));
    line.lineTo(Point(20, 15));
    line.setLineWidth(2);
    const float dash[] = {-3, 1};
    line.setLineDash(dash, 0);
    EXPECT_TRUE(gc->strokePath(line));

    gc->setFillColor(Color::red());
    EXPECT_TRUE(gc->fillRect(Rect(0, 0, 10, 10)));
    EXPECT_FALSE(gc->hasError());
    gc.reset();
    EXPECT_TRUE(near(at(image, 5, 5), Red, 0));
    EXPECT_TRUE(near(at(image, 5, 15), {0, 0, 0, 255}, 0));
    EXPECT_TRUE(near(at(image, 15, 5), White, 0));
}

TEST(GraphicsContext, ReportsWhenCairoFailsAnyway)
{
    QImage image = blank(10, 10);
    auto gc = GraphicsContext::forImage(image, true);
    EXPECT_FALSE(gc->hasError());
    EXPECT_TRUE(gc->errorString().isEmpty());
    cairo_scale(gc->cairo(), 0, 0); // straight to cairo, past the guards
    EXPECT_TRUE(gc->hasError());
    EXPECT_FALSE(gc->errorString().isEmpty());
    EXPECT_FALSE(gc->fillRect(Rect(0, 0, 10, 10)));
}

} // namespace
