#include "model/TDArrowhead.h"

#include "ModelTestDoubles.h"
#include "PathTestSupport.h"
#include "StyleTestDoubles.h"
#include "model/TDBezierGraphic.h"
#include "model/TDResourceList.h"
#include "model/TDStrokeStyle.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using scrivane::test::pixelAt;
using scrivane::test::renderImage;

namespace {

// One list entry as the resource writes it.
PropertyList entry(const char *name, const char *paths, const char *bounds, double cutAt, double startAt = 0,
                   bool strokeOnly = false)
{
    PropertyList d{PropertyList::Dictionary()};
    d.insert("Name", QString(name));
    PropertyList array{PropertyList::Array()};
    array.append(QString(paths));
    d.insert("Paths", array);
    d.insert("Bounds", QString(bounds));
    d.insert("CutAt", cutAt);
    d.insert("StartAt", startAt);
    if (strokeOnly)
        d.insert("Stroke", true);
    return d;
}

PropertyList noneEntry()
{
    PropertyList d{PropertyList::Dictionary()};
    d.insert("Name", QString("None"));
    return d;
}

// The index of the process's arrowhead named `key`.
int arrowNamed(const QString &key)
{
    const auto &list = TDArrowhead::arrows();
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].key() == key)
            return int(i);
    ADD_FAILURE() << "no arrowhead " << key.toStdString();
    return 0;
}

// A graphic with a straight line from (x0, y) to (x1, y).
std::shared_ptr<TDBezierGraphic> lineGraphic(float x0, float x1, float y, float width)
{
    PathBase line;
    line.moveTo(Point(x0, y));
    line.lineTo(Point(x1, y));
    auto graphic = std::make_shared<TDBezierGraphic>();
    graphic->setBezierPath(std::make_shared<TDBezierPath>(line));
    graphic->strokeStyle()->setStrokeWidth(width);
    return graphic;
}

} // namespace

TEST(TDArrowhead, RectangleTexts)
{
    struct Case {
        const char *name;
        const char *text;
        std::optional<Rect> rect;
    };
    const Case cases[] = {
        {"four numbers", "0,-5,10,10", Rect(0, -5, 10, 10)},
        {"blanks around the numbers", " 1.5 , 2 ,3,4 ", Rect(1.5f, 2, 3, 4)},
        {"fewer than four numbers", "1,2,3", std::nullopt},
        {"zero width", "0,0,0,5", std::nullopt},
        {"negative height", "0,0,5,-1", std::nullopt},
        {"a piece that is no number", "0,0,five,5", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MYRectFromString(c.text), c.rect);
    }
}

TEST(TDArrowhead, TheListKeepsItsPlacesAndDropsBadShapes)
{
    const PropertyList::Array entries{noneEntry(), entry("Good", "M0,0 L10,-5 L10,5 Z", "0,-5,10,10", 1),
                                      entry("Short box", "M0,0 L10,-5 L10,5 Z", "0,-5,10", 1),
                                      entry("Flat box", "M0,0 L10,-5 L10,5 Z", "0,0,10,0", 1),
                                      entry("After", "M0,0 L10,-5 L10,5 Z", "0,-5,10,10", 1)};
    const std::vector<TDArrowhead> list = TDArrowhead::readList(entries);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_FALSE(list[0].placeable());
    EXPECT_TRUE(list[1].placeable());
    EXPECT_FALSE(list[2].placeable());
    EXPECT_FALSE(list[3].placeable());
    EXPECT_TRUE(list[4].placeable());
    EXPECT_EQ(list[4].key(), "After");
    // The box of ten shape units becomes the unit box: the tip at (0, 0).
    const Rect bounds = list[1].paths()[0].bounds();
    EXPECT_NEAR(bounds.minX(), 0, 1e-6);
    EXPECT_NEAR(bounds.maxX(), 1, 1e-6);
    EXPECT_NEAR(bounds.minY(), -0.5f, 1e-6);
    EXPECT_NEAR(bounds.maxY(), 0.5f, 1e-6);

    EXPECT_EQ(TDArrowhead::readList({}).size(), 1u) << "entry 0 always exists";
}

TEST(TDArrowhead, TheShippedListBeginsWithNoneAndPlacesEveryOtherEntry)
{
    const auto &list = TDArrowhead::arrows();
    ASSERT_GE(list.size(), 5u);
    EXPECT_EQ(list[0].key(), "None");
    EXPECT_FALSE(list[0].placeable());
    for (size_t i = 1; i < list.size(); ++i) {
        SCOPED_TRACE(list[i].key().toStdString());
        EXPECT_TRUE(list[i].placeable());
        EXPECT_FALSE(list[i].name().isEmpty());
        EXPECT_FALSE(list[i].startImage().isNull());
        EXPECT_FALSE(list[i].endImage().isNull());
    }
}

TEST(TDArrowhead, Placement)
{
    // A triangle whose box is the unit box, tip at x = 0.
    const auto triangle = [](double cutAt, double startAt) {
        return TDArrowhead::readList({noneEntry(), entry("T", "M0,0 L10,-5 L10,5 Z", "0,-5,10,10", cutAt, startAt)})[1];
    };
    const TDBezierPath straight = test::polyline({Point(0, 0), Point(100, 0)});
    const TDBezierPath tiny = test::polyline({Point(0, 0), Point(3, 0)});
    const TDBezierPath point = test::polyline({Point(5, 5), Point(5, 5)});
    struct Case {
        const char *name;
        double cutAt, startAt;
        const TDBezierPath *path;
        float width, size;
        bool atEnd;
        std::optional<float> cut; // nothing: no arrowhead
    };
    const Case cases[] = {
        {"half a box cut at the start", 0.5, 0, &straight, 2, 1, false, 0.02f},
        {"half a box cut at the end", 0.5, 0, &straight, 2, 1, true, 0.98f},
        {"no cut leaves the start whole", 0, 0, &straight, 2, 1, false, 0.0f},
        {"no cut leaves the end whole", 0, 0, &straight, 2, 1, true, 1.0f},
        {"a tip off the end", 0, 5, &straight, 2, 1, true, 0.9f},
        {"twice the size", 1, 0, &straight, 2, 2, false, 0.08f},
        {"a path shorter than the arrowhead", 1, 0, &tiny, 2, 1, false, std::nullopt},
        {"a path without length", 1, 0, &point, 2, 1, true, std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        float cut = -7;
        const auto head = triangle(c.cutAt, c.startAt).place(*c.path, c.width, c.size, c.atEnd, false, &cut);
        ASSERT_EQ(head.has_value(), c.cut.has_value());
        if (!head) {
            EXPECT_EQ(cut, -7) << "the cut is left alone";
            continue;
        }
        EXPECT_NEAR(cut, *c.cut, 1e-4);
        EXPECT_FALSE(std::isnan(head->bounds().minX()));
    }

    // w = 2, f = 1, k = 0.5: the box's unit is 4 points, so x = 1 lies 4
    // points from the tip, along the line.
    const auto head = triangle(0.5, 0).place(straight, 2, 1, false, false, nullptr);
    ASSERT_TRUE(head);
    const Rect box = head->bounds();
    EXPECT_NEAR(box.minX(), 0, 1e-3);
    EXPECT_NEAR(box.maxX(), 4, 1e-3);
    EXPECT_NEAR(box.height(), 4, 1e-3);
    // At the end the tip is the path's end.
    const auto end = triangle(0.5, 0).place(straight, 2, 1, true, false, nullptr);
    ASSERT_TRUE(end);
    EXPECT_NEAR(end->bounds().maxX(), 100, 1e-3);
    EXPECT_NEAR(end->bounds().minX(), 96, 1e-3);
}

TEST(TDArrowhead, MorphedArrowheadsBendWithTheCurve)
{
    // A band 5 units long and 1 wide, cut at its back: on a line of width 2
    // it covers 20 points of the path, 4 across.
    const TDArrowhead head =
        TDArrowhead::readList({noneEntry(), entry("Band", "M0,-5 L50,-5 L50,5 L0,5 Z", "0,-5,10,10", 5)})[1];
    TDBezierPath arc;
    arc.appendArcWithCenter(Point(0, 0), 10, 0, 180, false);
    const auto rigid = head.place(arc, 2, 1, true, false, nullptr);
    const auto bent = head.place(arc, 2, 1, true, true, nullptr);
    ASSERT_TRUE(rigid && bent);
    // The point of the circle half way along the band: the bent band lies
    // over it, the straight one cuts the bend 4.6 points inside it.
    const float angle = float(M_PI) - 1.0f;
    const Point middle(10 * std::cos(angle), arc.pointAt(0.5f).y > 0 ? 10 * std::sin(angle) : -10 * std::sin(angle));
    EXPECT_TRUE(bent->containsPoint(middle));
    EXPECT_FALSE(rigid->containsPoint(middle));
}

TEST(TDArrowhead, TheTipLiesAtThePathsEndAndTheLineStopsUnderTheHead)
{
    auto graphic = lineGraphic(10, 90, 20, 2);
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setEndArrowStyle(arrowNamed("Triangle"));
    const QImage image = renderImage(100, 40, [&](GraphicsContext &c) { graphic->drawInView(nullptr, c); });
    // The head is wider than the line just before the tip...
    EXPECT_GT(pixelAt(image, 84, 20 - 3).a, 128);
    EXPECT_GT(pixelAt(image, 84, 20 + 2).a, 128);
    EXPECT_LT(pixelAt(image, 60, 20 - 3).a, 20);
    // ...and ends at the path's end (the miter of its tip reaches a little
    // beyond it).
    EXPECT_GT(pixelAt(image, 89, 20).a, 128);
    EXPECT_EQ(pixelAt(image, 94, 20).a, 0);
    // The stroke's bounds hold the whole head.
    EXPECT_LE(stroke.strokeBounds().minY(), 20 - 3);
}

TEST(TDArrowhead, IndexesBeyondTheListDrawAsNoneAndAreKept)
{
    auto plain = lineGraphic(10, 90, 20, 2);
    auto odd = lineGraphic(10, 90, 20, 2);
    odd->strokeStyle()->setStartArrowStyle(500);
    odd->strokeStyle()->setEndArrowStyle(-3);
    const auto draw = [](TDGraphic &g) {
        return renderImage(100, 40, [&](GraphicsContext &c) { g.drawInView(nullptr, c); });
    };
    EXPECT_EQ(draw(*odd), draw(*plain));
    const PropertyList stored = odd->strokeStyle()->toYAML();
    EXPECT_EQ(stored.value("StartArrowStyle").toInteger(), 500);
    EXPECT_EQ(stored.value("EndArrowStyle").toInteger(), -3);
}

TEST(TDArrowhead, OutlinesOnlyInOutlineViewAndNoneWhileTooShort)
{
    auto graphic = lineGraphic(10, 90, 20, 4);
    graphic->strokeStyle()->setEndArrowStyle(arrowNamed("Square"));
    styletest::DrawTarget outline(true);
    const QImage image = renderImage(100, 40, [&](GraphicsContext &c) { graphic->drawInView(&outline, c); });
    // The square's sides are drawn, its inside off the line is not.
    EXPECT_GT(pixelAt(image, 90, 14).a, 0);
    EXPECT_EQ(pixelAt(image, 86, 14).a, 0);

    auto shortLine = lineGraphic(10, 13, 20, 4);
    shortLine->strokeStyle()->setEndArrowStyle(arrowNamed("Triangle"));
    const QImage small = renderImage(100, 40, [&](GraphicsContext &c) { shortLine->drawInView(nullptr, c); });
    EXPECT_EQ(pixelAt(small, 12, 14).a, 0);
    EXPECT_GT(pixelAt(small, 12, 20).a, 128) << "the line is drawn whole";
}
