#include "ModelTestDoubles.h"

#include "model/TDHandleImages.h"
#include "platform/GraphicsContext.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {
struct Kind {
    HandleType type;
    const char *name;
    int size;
    bool replaces;
};
const Kind kinds[] = {
    {HandleType::Middle, "handle_middle", 9, true},
    {HandleType::Centre, "handle_middle", 9, true},
    {HandleType::Edge, "handle_edge", 9, true},
    {HandleType::Corner, "handle_corner", 9, true},
    {HandleType::Rotate, "handle_rotate", 11, false},
    {HandleType::Skew, "handle_skew", 13, false},
    {HandleType::LineNode, "handle_linenode", 7, true},
    {HandleType::LineNodeSelected, "handle_linenode_selected", 7, true},
    {HandleType::CurveNode, "handle_curvenode", 7, false},
    {HandleType::CurveNodeSelected, "handle_curvenode_selected", 7, false},
    {HandleType::CurveControl, "handle_curvecontrol", 7, false},
};

// A premultiplied pixel composited over opaque red.
QRgb overRed(QRgb p)
{
    const int a = qAlpha(p);
    return qRgba(qRed(p) + 255 * (255 - a) / 255, qGreen(p), qBlue(p), 255);
}
} // namespace

TEST(TDHandleImages, AllTenImagesLoad)
{
    const QStringList names = TDHandleImages::names();
    ASSERT_EQ(names.size(), 10);
    for (const QString &name : names) {
        const QImage image = TDHandleImages::imageNamed(name);
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_EQ(image.width(), image.height()) << name.toStdString();
    }
    for (const Kind &k : kinds) {
        EXPECT_EQ(TDHandleImages::imageNameForType(k.type), QLatin1String(k.name)) << int(k.type);
        EXPECT_EQ(TDHandleImages::imageNamed(QLatin1String(k.name)).width(), k.size) << k.name;
    }
    EXPECT_TRUE(TDHandleImages::imageNameForType(HandleType(11)).isEmpty());
    EXPECT_TRUE(TDHandleImages::imageNameForType(HandleType(-1)).isEmpty());
    EXPECT_TRUE(TDHandleImages::imageNamed(QStringLiteral("linkback")).isNull());

    // Squares are opaque to their edges; round handles clear in the corners
    // and opaque in the middle.
    for (const Kind &k : kinds) {
        const QImage image = TDHandleImages::imageNamed(QLatin1String(k.name));
        const int c = k.size / 2;
        EXPECT_EQ(qAlpha(image.pixel(c, c)), 255) << k.name;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), k.replaces ? 255 : 0) << k.name;
    }
}

// Each handle is centred on its point at its own pixel size whatever the
// zoom; the squares replace what lies under them, the others are laid over
// it.
TEST(TDHandleImages, HandlesKeepTheirScreenSizeAtTwoZooms)
{
    for (float zoom : {1.0f, 2.0f}) {
        for (const Kind &k : kinds) {
            const QImage handle = TDHandleImages::imageNamed(QLatin1String(k.name));
            const Point point(15, 12);
            const QImage image = renderImage(int(40 * zoom), int(40 * zoom), [&](GraphicsContext &c) {
                c.setFillColor(Color::red());
                c.fillRect(Rect(0, 0, 40 * zoom, 40 * zoom));
                c.concatCTM(AffineTransform::makeScale(zoom, zoom));
                EXPECT_TRUE(TDHandleImages::drawHandle(c, point, k.type, zoom));
            });
            const float offset = float(k.size) / 2;
            const int x0 = int(std::floor(point.x * zoom - offset + 0.5f));
            const int y0 = int(std::floor(point.y * zoom - offset + 0.5f));
            for (int y = 0; y < k.size; ++y)
                for (int x = 0; x < k.size; ++x) {
                    const QRgb expected = k.replaces ? handle.pixel(x, y) : overRed(handle.pixel(x, y));
                    const QRgb actual = image.pixel(x0 + x, y0 + y);
                    ASSERT_NEAR(qRed(actual), qRed(expected), 1)
                        << k.name << " zoom " << zoom << " at " << x << "," << y;
                    ASSERT_NEAR(qGreen(actual), qGreen(expected), 1) << k.name << " at " << x << "," << y;
                    ASSERT_NEAR(qBlue(actual), qBlue(expected), 1) << k.name << " at " << x << "," << y;
                }
            // Red all around it.
            for (const QPoint &outside : {QPoint(x0 - 1, y0 + 3), QPoint(x0 + k.size, y0 + 3),
                                          QPoint(x0 + 3, y0 - 1), QPoint(x0 + 3, y0 + k.size)})
                EXPECT_EQ(image.pixel(outside), qRgb(255, 0, 0)) << k.name << " zoom " << zoom;
        }
    }
}

TEST(TDHandleImages, TypesWithoutAnImageDrawNothing)
{
    const QImage image = renderImage(20, 20, [](GraphicsContext &c) {
        EXPECT_FALSE(TDHandleImages::drawHandle(c, Point(10, 10), HandleType(11), 1));
        EXPECT_FALSE(TDHandleImages::drawHandle(c, Point(10, 10), HandleType(-1), 1));
        EXPECT_FALSE(TDHandleImages::drawHandle(c, Point(NAN, 10), HandleType::Corner, 1));
        // A zoom that means nothing draws as at 100 per cent.
        EXPECT_TRUE(TDHandleImages::drawHandle(c, Point(10, 10), HandleType::LineNode, 0));
    });
    EXPECT_EQ(pixelAt(image, 7, 7).a, 255); // 7 pixels from 10 - 3.5, rounded
    EXPECT_EQ(pixelAt(image, 6, 7).a, 0);
}

TEST(TDHandleImages, HitSquaresShrinkWithTheZoom)
{
    const std::pair<HandleType, float> halves[] = {{HandleType::CurveControl, 4},
                                                   {HandleType::CurveNode, 5},
                                                   {HandleType::CurveNodeSelected, 5},
                                                   {HandleType::Edge, 6.5f},
                                                   {HandleType::LineNode, 6.5f}};
    for (const auto &[type, half] : halves) {
        EXPECT_EQ(TDHandleImages::rectForHandleAtPoint(Point(10, 10), type, 1),
                  Rect(10 - half, 10 - half, 2 * half, 2 * half))
            << int(type);
        EXPECT_EQ(TDHandleImages::rectForHandleAtPoint(Point(10, 10), type, 2),
                  Rect(10 - half / 2, 10 - half / 2, half, half))
            << int(type);
    }
    EXPECT_TRUE(
        TDHandleImages::pointInHandleAtPoint(Point(14.9f, 5.1f), Point(10, 10), HandleType::CurveNode, 1));
    EXPECT_FALSE(
        TDHandleImages::pointInHandleAtPoint(Point(14.9f, 5.1f), Point(10, 10), HandleType::CurveNode, 2));
    EXPECT_TRUE(
        TDHandleImages::rectOverHandleAtPoint(Rect(14, 14, 5, 5), Point(10, 10), HandleType::CurveNode, 1));
    EXPECT_FALSE(
        TDHandleImages::rectOverHandleAtPoint(Rect(15, 14, 5, 5), Point(10, 10), HandleType::CurveNode, 1));
}
