#include "model/TDBrush.h"

#include "ModelTestDoubles.h"
#include "StyleTestDoubles.h"
#include "model/TDBezierGraphic.h"
#include "model/TDStrokeStyle.h"

#include <gtest/gtest.h>

using namespace scrivane;
using scrivane::test::pixelAt;
using scrivane::test::renderImage;

namespace {

int brushNamed(const QString &key)
{
    const auto &list = TDBrush::brushes();
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].key() == key)
            return int(i);
    ADD_FAILURE() << "no brush " << key.toStdString();
    return 0;
}

std::shared_ptr<TDBezierGraphic> brushGraphic(const PathBase &path, int brush, float width)
{
    auto graphic = std::make_shared<TDBezierGraphic>();
    graphic->setBezierPath(std::make_shared<TDBezierPath>(path));
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setStyle(TDStrokeStyle::BrushStroke);
    stroke.setBrush(brush);
    stroke.setStrokeWidth(width);
    return graphic;
}

PathBase straight(Point a, Point b)
{
    PathBase path;
    path.moveTo(a);
    path.lineTo(b);
    return path;
}

QImage draw(TDGraphic &graphic, TDDrawProtocol *view = nullptr)
{
    return renderImage(220, 100, [&](GraphicsContext &c) { graphic.drawInView(view, c); });
}

// How many pixels of column x are mostly covered.
int coveredInColumn(const QImage &image, int x)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        n += pixelAt(image, x, y).a > 128 ? 1 : 0;
    return n;
}

} // namespace

TEST(TDBrush, TheShippedListHasShapesNamesAndPreviews)
{
    const auto &list = TDBrush::brushes();
    ASSERT_GE(list.size(), 5u);
    for (const TDBrush &brush : list) {
        SCOPED_TRACE(brush.key().toStdString());
        EXPECT_FALSE(brush.paths().empty());
        EXPECT_FALSE(brush.name().isEmpty());
        EXPECT_FALSE(brush.image().isNull());
    }
}

TEST(TDBrush, ABadBoxKeepsItsPlaceAndDrawsNothing)
{
    PropertyList entry{PropertyList::Dictionary()};
    entry.insert("Name", QString("Broken"));
    entry.insert("Bounds", QString("0,0,100"));
    PropertyList alpha{PropertyList::Array()};
    alpha.append(2.0);
    PropertyList good = entry;
    good.insert("Bounds", QString("0,0,100,20"));
    good.insert("Alpha", alpha);
    PropertyList paths{PropertyList::Array()};
    paths.append(TDBezierPath(PathBase::withRect(Rect(0, 0, 100, 20))).toYAML());
    good.insert("Paths", paths);
    const std::vector<TDBrush> list = TDBrush::readList({entry, good});
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].paths().empty());
    ASSERT_EQ(list[1].paths().size(), 1u);
    EXPECT_EQ(list[1].alpha(), std::vector<float>{1.0f}) << "an opacity is clamped";
    const Rect unit = list[1].paths()[0].bounds();
    EXPECT_NEAR(unit.minY(), -0.5f, 1e-6);
    EXPECT_NEAR(unit.maxX(), 1, 1e-6);
}

TEST(TDBrush, APlainBrushCoversItsWidthAlongThePath)
{
    auto graphic = brushGraphic(straight(Point(10, 50), Point(210, 50)), brushNamed("Plain"), 20);
    const QImage image = draw(*graphic);
    EXPECT_NEAR(coveredInColumn(image, 110), 20, 1);
    EXPECT_NEAR(coveredInColumn(image, 20), 20, 1);
    EXPECT_EQ(coveredInColumn(image, 5), 0);
    EXPECT_EQ(coveredInColumn(image, 215), 0);
    const Rect bounds = graphic->strokeStyle()->strokeBounds();
    EXPECT_NEAR(bounds.minY(), 40, 0.01);
    EXPECT_NEAR(bounds.maxY(), 60, 0.01);
}

TEST(TDBrush, PressureWidensTheStrokeWhereTheCurveRises)
{
    auto graphic = brushGraphic(straight(Point(10, 50), Point(210, 50)), brushNamed("Plain"), 20);
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setPressureArray({Point(0, 0), Point(1, 2)});
    const int before = coveredInColumn(draw(*graphic), 190);
    stroke.setUsesPressure(true);
    const QImage image = draw(*graphic);
    EXPECT_EQ(before, 20) << "off, the curve changes nothing";
    EXPECT_NEAR(coveredInColumn(image, 30), 4, 1.5);   // factor 0.2 at a tenth
    EXPECT_NEAR(coveredInColumn(image, 110), 20, 1.5); // 1 in the middle
    EXPECT_NEAR(coveredInColumn(image, 190), 36, 1.5); // 1.8 at nine tenths
}

TEST(TDBrush, EveryShapeIsLaidAlongEverySubpathShapesOutermost)
{
    PathBase three;
    for (float y : {20.0f, 50.0f, 80.0f}) {
        three.moveTo(Point(10, y));
        three.lineTo(Point(210, y));
    }
    auto graphic = brushGraphic(three, brushNamed("Double line"), 20);
    const std::vector<TDBezierPath> &strokes = graphic->strokeStyle()->allStrokesMapped();
    ASSERT_EQ(strokes.size(), 6u);
    const float y[] = {20, 50, 80};
    for (size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const Rect b = strokes[i].bounds();
        EXPECT_NEAR(b.midY(), y[i % 3] + (i < 3 ? -7.5f : 7.5f), 0.01) << "shape " << i / 3;
    }
}

TEST(TDBrush, EachShapeTakesItsOwnOpacity)
{
    // Soft edge: three bands of growing opacity, the widest the faintest.
    auto graphic = brushGraphic(straight(Point(10, 50), Point(210, 50)), brushNamed("Soft edge"), 20);
    const QImage image = draw(*graphic);
    EXPECT_NEAR(pixelAt(image, 110, 41).a, 64, 3);
    EXPECT_EQ(pixelAt(image, 110, 50).a, 255);
}

TEST(TDBrush, AnIndexOutsideTheListDrawsNothing)
{
    for (int index : {-1, 999}) {
        SCOPED_TRACE(index);
        auto graphic = brushGraphic(straight(Point(10, 50), Point(210, 50)), index, 20);
        const QImage image = draw(*graphic);
        EXPECT_EQ(coveredInColumn(image, 110), 0);
        EXPECT_FALSE(graphic->strokeStyle()->intersectsPoint(Point(110, 50)));
        EXPECT_EQ(graphic->strokeStyle()->toYAML().value("Brush").toInteger(), index) << "kept as read";
    }
}

TEST(TDBrush, HitsFollowTheShapesNotTheLine)
{
    auto plain = brushGraphic(straight(Point(10, 50), Point(210, 50)), brushNamed("Plain"), 20);
    EXPECT_TRUE(plain->strokeStyle()->intersectsPoint(Point(110, 58)));
    EXPECT_FALSE(plain->strokeStyle()->intersectsPoint(Point(110, 62)));
    // The tapered brush is a point at both ends.
    auto tapered = brushGraphic(straight(Point(10, 50), Point(210, 50)), brushNamed("Tapered"), 20);
    EXPECT_TRUE(tapered->strokeStyle()->intersectsPoint(Point(110, 58)));
    EXPECT_FALSE(tapered->strokeStyle()->intersectsPoint(Point(12, 58)));
    EXPECT_TRUE(tapered->hitTest(Point(110, 55)));
}

TEST(TDBrush, OutlineViewDrawsTheShapesAsHairlines)
{
    auto graphic = brushGraphic(straight(Point(10, 50), Point(210, 50)), brushNamed("Plain"), 20);
    styletest::DrawTarget outline(true);
    const QImage image = draw(*graphic, &outline);
    EXPECT_GT(pixelAt(image, 110, 40).a + pixelAt(image, 110, 39).a, 0);
    EXPECT_EQ(pixelAt(image, 110, 50).a, 0);
}

TEST(TDBrush, BrushStrokesFollowTheStrokeTransformation)
{
    auto graphic = brushGraphic(straight(Point(10, 50), Point(210, 50)), brushNamed("Plain"), 10);
    // The brush is laid along the path in stroke space: a stroke space
    // scaled twice across doubles its width on the canvas.
    graphic->setStrokeTransformation(AffineTransform(1, 0, 0, 2, 0, -50)); // y = 50 stays

    EXPECT_NEAR(coveredInColumn(draw(*graphic), 110), 20, 1);
    EXPECT_TRUE(graphic->strokeStyle()->intersectsPoint(Point(110, 58)));
}
