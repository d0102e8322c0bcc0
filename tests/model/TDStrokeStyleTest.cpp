#include "model/TDStrokeStyle.h"

#include "StyleTestDoubles.h"
#include "model/TDModelArchiving.h"
#include "platform/ArchivedColor.h"
#include "platform/ArchivedPoint.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace scrivane;
using namespace scrivane::styletest;

namespace {

QImage render(TDGraphic &graphic, TDDrawProtocol *view = nullptr)
{
    return paintedImage(
        [&](GraphicsContext &context) { graphic.strokeStyle()->drawInGraphic(graphic, view, context); });
}

PathBase horizontalLine()
{
    PathBase line;
    line.moveTo(Point(10, 20));
    line.lineTo(Point(50, 20));
    return line;
}

} // namespace

TEST(TDStrokeStyle, NewStyleDefaults)
{
    TDStrokeStyle stroke;
    EXPECT_EQ(stroke.style(), 1);
    EXPECT_EQ(stroke.color(), Color::black());
    EXPECT_FLOAT_EQ(stroke.strokeWidth(), 1);
    EXPECT_EQ(stroke.capStyle(), 0);
    EXPECT_EQ(stroke.joinStyle(), 0);
    EXPECT_TRUE(stroke.dashes().empty());
    EXPECT_FLOAT_EQ(stroke.startArrowSize(), 100);
    EXPECT_FLOAT_EQ(stroke.endArrowSize(), 100);
    EXPECT_EQ(stroke.startArrowStyle(), 0);
    EXPECT_EQ(stroke.endArrowStyle(), 0);
    EXPECT_EQ(stroke.brush(), 0);
}

TEST(TDStrokeStyle, WidthChangesBelowTheThresholdAreIgnored)
{
    GraphicInDocument f;
    f.stroke().setStrokeWidth(1.002f);
    EXPECT_FLOAT_EQ(f.stroke().strokeWidth(), 1);
    EXPECT_FALSE(f.document.undo().canUndo());
    f.stroke().setStrokeWidth(1.01f);
    EXPECT_FLOAT_EQ(f.stroke().strokeWidth(), 1.01f);
    f.stroke().setStrokeWidth(NAN);
    EXPECT_FLOAT_EQ(f.stroke().strokeWidth(), 1.01f);
}

TEST(TDStrokeStyle, DashDataAndTexts)
{
    struct Case {
        float width;
        std::vector<float> dashes;
        std::vector<float> data;
        const char *scaled;
        const char *unscaled;
    };
    const Case cases[] = {
        {4, {3, 1}, {12, 4}, "12.0, 4.0", "3 1"},
        {0.5f, {3, 1}, {3, 1}, "3.0, 1.0", "6 2"},
        {3, {0.5f, 1.25f}, {1.5f, 3.75f}, "1.5, 3.8", "0.5 1.25"},
        // A stroke of no width: the dashes are a point per unit, and the
        // texts divide by 1, not by nothing.
        {0, {3, 1}, {3, 1}, "3.0, 1.0", "3 1"},
        {2, {}, {}, "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.width);
        TDStrokeStyle stroke;
        stroke.setStrokeWidth(c.width);
        stroke.setDashes(c.dashes);
        EXPECT_EQ(stroke.dashData(), c.data);
        EXPECT_EQ(stroke.dashString(), c.scaled);
        EXPECT_EQ(stroke.dashStringUnscaled(), c.unscaled);
    }
}

TEST(TDStrokeStyle, DashTextsAreScanned)
{
    TDStrokeStyle stroke;
    stroke.setStrokeWidth(2);
    stroke.setDashStringScaled("6, 2");
    EXPECT_EQ(stroke.dashes(), (std::vector<float>{3, 1}));
    stroke.setDashString("4\n1;  2.5");
    EXPECT_EQ(stroke.dashes(), (std::vector<float>{4, 1, 2.5f}));
    stroke.setDashString("3 x 1"); // a letter ends the numbers
    EXPECT_EQ(stroke.dashes(), (std::vector<float>{3}));
    stroke.setDashString("none");
    EXPECT_TRUE(stroke.dashes().empty());
    stroke.setStrokeWidth(0);
    stroke.setDashStringScaled("6 2");
    EXPECT_EQ(stroke.dashes(), (std::vector<float>{6, 2}));
    stroke.setDashesUnscaled({8, 4});
    EXPECT_EQ(stroke.dashes(), (std::vector<float>{8, 4}));
}

TEST(TDStrokeStyle, SilentWidthStillGetsMatchingDashes)
{
    TDStrokeStyle stroke;
    stroke.setDashes({2, 1});
    stroke.setStrokeWidthSilent(5);
    EXPECT_EQ(stroke.dashData(), (std::vector<float>{10, 5}));
    EXPECT_EQ(stroke.lineStyle(false).dash, (std::vector<float>{10, 5}));
    EXPECT_FLOAT_EQ(stroke.lineStyle(true).width, 0);
}

TEST(TDStrokeStyle, EverySetterUndoesAndRedoes)
{
    struct Case {
        const char *name;
        std::function<void(TDStrokeStyle &)> edit;
    };
    const Case cases[] = {
        {"setColor", [](TDStrokeStyle &s) { s.setColor(Color::red()); }},
        {"setStyle", [](TDStrokeStyle &s) { s.setStyle_n(PropertyList(0)); }},
        {"setStrokeWidth", [](TDStrokeStyle &s) { s.setStrokeWidth_n(PropertyList(3.5)); }},
        {"setCapStyle", [](TDStrokeStyle &s) { s.setCapStyle_n(PropertyList(1)); }},
        {"setJoinStyle", [](TDStrokeStyle &s) { s.setJoinStyle_n(PropertyList(2)); }},
        {"setDashes",
         [](TDStrokeStyle &s) {
             s.setDashes({3, 1});
         }},
        {"setDashesUnscaled",
         [](TDStrokeStyle &s) {
             s.setDashesUnscaled({3, 1});
         }},
        {"setBrush", [](TDStrokeStyle &s) { s.setBrush_n(PropertyList(4)); }},
        {"setStartArrowStyle", [](TDStrokeStyle &s) { s.setStartArrowStyle_n(PropertyList(2)); }},
        {"setEndArrowStyle", [](TDStrokeStyle &s) { s.setEndArrowStyle(3); }},
        {"setStartArrowSize", [](TDStrokeStyle &s) { s.setStartArrowSize_n(PropertyList(150)); }},
        {"setEndArrowSize", [](TDStrokeStyle &s) { s.setEndArrowSize(75); }},
        {"setMorphStartArrow", [](TDStrokeStyle &s) { s.setMorphStartArrow_n(PropertyList(true)); }},
        {"setMorphEndArrow", [](TDStrokeStyle &s) { s.setMorphEndArrow(true); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GraphicInDocument f;
        // The dictionary of a brush holds what a line's does not: compare
        // the settings through a line's.
        auto settings = [&] {
            auto copy = std::make_shared<TDStrokeStyle>();
            copy->copyStyleFrom(f.stroke());
            copy->setStyle(1);
            PropertyList d = copy->toYAML();
            d.insert("style", f.stroke().style());
            d.insert("brush", f.stroke().brush());
            return d;
        };
        const PropertyList before = settings();
        c.edit(f.stroke());
        const PropertyList after = settings();
        ASSERT_NE(before, after);
        EXPECT_FALSE(f.document.invalidated.empty());
        ASSERT_TRUE(f.document.undo().canUndo());
        f.document.undo().undo();
        EXPECT_EQ(settings(), before);
        EXPECT_FALSE(f.document.undo().canUndo());
        f.document.undo().redo();
        EXPECT_EQ(settings(), after);
    }
}

TEST(TDStrokeStyle, CopyStyleFromIsOneNamedUndoStep)
{
    GraphicInDocument f;
    TDStrokeStyle other;
    other.setColor(Color::blue());
    other.setStrokeWidth(6);
    other.setCapStyle(2);
    other.setJoinStyle(1);
    other.setDashes({1, 2});
    other.setEndArrowStyle(2);
    other.setEndArrowSize(200);
    const PropertyList before = f.stroke().toYAML();
    f.stroke().copyStyleFrom(other);
    EXPECT_EQ(f.stroke().toYAML(), other.toYAML());
    EXPECT_EQ(f.document.undo().undoActionName(), "Change stroke");
    f.document.undo().undo();
    EXPECT_EQ(f.stroke().toYAML(), before);
    EXPECT_FALSE(f.document.undo().canUndo());
}

TEST(TDStrokeStyle, StrokeBoundsUseAWholeWidthOfAtLeastOne)
{
    struct Case {
        float width;
        float grow; // half the width used
    };
    // Width 0 is the thinnest line the device shows: never flat bounds.
    for (Case c : {Case{0.3f, 0.5f}, Case{2.5f, 1.5f}, Case{4, 2}, Case{0, 1}}) {
        SCOPED_TRACE(c.width);
        GraphicInDocument f(horizontalLine());
        f.stroke().setStrokeWidth(c.width);
        const Rect bounds = f.stroke().strokeBounds();
        EXPECT_FLOAT_EQ(bounds.minY(), 20 - c.grow);
        EXPECT_FLOAT_EQ(bounds.maxY(), 20 + c.grow);
    }
    // No stroke: the path's own bounds.
    GraphicInDocument f(horizontalLine());
    f.stroke().setStyle(0);
    EXPECT_EQ(f.stroke().strokeBounds(), Rect(10, 20, 40, 0));
}

TEST(TDStrokeStyle, OneElementPathHasNoStrokeBounds)
{
    PathBase point;
    point.moveTo(Point(5, 5));
    GraphicInDocument f(point);
    EXPECT_EQ(f.stroke().strokeBounds(), Rect());
}

TEST(TDStrokeStyle, StrokeBoundsAreCachedUntilTheGeometryChanges)
{
    GraphicInDocument f(horizontalLine());
    const Rect first = f.stroke().strokeBounds();
    f.stroke().setStrokeWidthSilent(10);
    EXPECT_EQ(f.stroke().strokeBounds(), first); // still cached
    EXPECT_EQ(f.stroke().strokeBoundsUncached().height(), 10);
    EXPECT_EQ(f.stroke().strokeBounds(), first);
    f.stroke().changedGeometry();
    EXPECT_EQ(f.stroke().strokeBounds().height(), 10);

    // While the graphic is manipulated the bounds follow every change.
    f.graphic->startManipulation();
    f.stroke().setStrokeWidthSilent(20);
    EXPECT_EQ(f.stroke().strokeBounds().height(), 20);
    f.graphic->cancelManipulation();

    // Caps and joins drop the cache too.
    f.stroke().setStrokeWidth(4);
    EXPECT_EQ(f.stroke().strokeBounds().height(), 4);
    f.stroke().setStrokeWidthSilent(8);
    f.stroke().setCapStyle(2);
    EXPECT_EQ(f.stroke().strokeBounds().height(), 8);
    f.stroke().setStrokeWidthSilent(6);
    f.stroke().setJoinStyle(1);
    EXPECT_EQ(f.stroke().strokeBounds().height(), 6);
}

// Every pixel the line paints lies inside its stroke bounds (rounded out to
// whole pixels), whatever the caps, joins and end directions; where the
// extremes are tips, caps or round ends the bounds stay close to the paint.
TEST(TDStrokeStyle, StrokeBoundsHoldEveryPaintedPixel)
{
    PathBase slanted;
    slanted.moveTo(Point(20, 30));
    slanted.lineTo(Point(90, 70));

    // Sharp tips under a mitred stroke, though the path itself joins round.
    PathBase zigzag;
    zigzag.moveTo(Point(20, 80));
    zigzag.lineTo(Point(40, 20));
    zigzag.lineTo(Point(60, 80));
    zigzag.lineTo(Point(80, 20));
    zigzag.lineTo(Point(100, 80));
    zigzag.setLineJoinStyle(LineJoinStyle::Round);

    PathBase curve;
    curve.moveTo(Point(20, 60));
    curve.curveTo(Point(100, 60), Point(40, 0), Point(80, 120));

    // Closed back onto its start by a line, so the close itself has no
    // length and the tip at the start joins the last line to the first.
    PathBase triangle;
    triangle.moveTo(Point(20, 95));
    triangle.lineTo(Point(60, 25));
    triangle.lineTo(Point(100, 95));
    triangle.lineTo(Point(20, 95));
    triangle.close();
    triangle.setLineJoinStyle(LineJoinStyle::Bevel);

    struct Case {
        const char *name;
        const PathBase &path;
        float width;
        int cap;
        int join;
        std::vector<float> dashes;
        float slack; // how far the bounds may stand beyond the paint; < 0: not checked
    };
    const Case cases[] = {
        {"slanted line, square caps", slanted, 10, 2, 0, {}, 1.5f},
        {"slanted line, round caps", slanted, 10, 1, 0, {}, 1.5f},
        {"slanted dashed line, square caps", slanted, 10, 2, 0, {1, 1}, -1},
        {"zigzag, stroke mitres", zigzag, 6, 0, 0, {}, 1.5f},
        {"zigzag, square caps and mitres", zigzag, 6, 2, 0, {}, 1.5f},
        {"curve, round caps", curve, 8, 1, 1, {}, 1.5f},
        {"curve, square caps", curve, 8, 2, 2, {}, 1.5f},
        {"closed triangle, stroke mitres", triangle, 8, 0, 0, {}, 1.5f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto graphic = PathGraphic::make(c.path);
        TDStrokeStyle &stroke = *graphic->strokeStyle();
        stroke.setStrokeWidth(c.width);
        stroke.setCapStyle(c.cap);
        stroke.setJoinStyle(c.join);
        stroke.setDashes(c.dashes);
        const Rect bounds = stroke.strokeBounds();

        QImage image(130, 130, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            const auto context = GraphicsContext::forImage(image, true);
            stroke.drawInGraphic(*graphic, nullptr, *context);
            context->finish();
        }
        const int left = int(std::floor(bounds.minX())), top = int(std::floor(bounds.minY()));
        const int right = int(std::ceil(bounds.maxX())), bottom = int(std::ceil(bounds.maxY()));
        int paintedLeft = image.width(), paintedTop = image.height(), paintedRight = 0, paintedBottom = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y).alpha() == 0)
                    continue;
                paintedLeft = std::min(paintedLeft, x);
                paintedTop = std::min(paintedTop, y);
                paintedRight = std::max(paintedRight, x + 1);
                paintedBottom = std::max(paintedBottom, y + 1);
            }
        }
        ASSERT_LT(paintedLeft, paintedRight) << "nothing painted";
        ASSERT_TRUE(paintedLeft > 0 && paintedTop > 0 && paintedRight < image.width() &&
                    paintedBottom < image.height())
            << "the line must lie wholly in the image";
        EXPECT_GE(paintedLeft, left);
        EXPECT_GE(paintedTop, top);
        EXPECT_LE(paintedRight, right);
        EXPECT_LE(paintedBottom, bottom);
        if (c.slack >= 0) {
            EXPECT_GE(bounds.minX(), paintedLeft - c.slack);
            EXPECT_GE(bounds.minY(), paintedTop - c.slack);
            EXPECT_LE(bounds.maxX(), paintedRight + c.slack);
            EXPECT_LE(bounds.maxY(), paintedBottom + c.slack);
        }
    }
}

TEST(TDStrokeStyle, EditingBoundsHoldTheControlPoints)
{
    PathBase curve;
    curve.moveTo(Point(10, 10));
    curve.curveTo(Point(50, 10), Point(20, -30), Point(40, -30));
    GraphicInDocument f(curve);
    const Rect editing = f.stroke().strokeBoundsEditing();
    EXPECT_LE(editing.minY(), -30);
    EXPECT_GT(f.stroke().strokeBounds().minY(), -30);
}

TEST(TDStrokeStyle, HitTestsFollowTheWidth)
{
    GraphicInDocument f(horizontalLine());
    f.stroke().setStrokeWidth(4);
    EXPECT_TRUE(f.stroke().intersectsPoint(Point(30, 22.9f))); // width / 2 + 1
    EXPECT_FALSE(f.stroke().intersectsPoint(Point(30, 23.5f)));
    f.stroke().setStyle(0);
    EXPECT_FALSE(f.stroke().intersectsPoint(Point(30, 20)));
    TDStrokeStyle detached;
    EXPECT_FALSE(detached.intersectsPoint(Point(0, 0)));
}

TEST(TDStrokeStyle, ArrowSizesAreStoredAsWholePerCent)
{
    TDStrokeStyle stroke;
    stroke.setStartArrowSize(150.7f);
    stroke.setEndArrowSize(29);
    const PropertyList dictionary = stroke.toYAML();
    EXPECT_EQ(dictionary.value("StartArrowSize").toInteger(), 150);
    // 29 per cent is stored as a fraction that reads back as 28.99999...;
    // it must not lose a per cent on every save.
    EXPECT_EQ(dictionary.value("EndArrowSize").toInteger(), 29);
    EXPECT_EQ(TDStrokeStyle::objectWithYAML(dictionary)->toYAML(), dictionary);
}

TEST(TDStrokeStyle, DictionaryRoundTripOfEveryStyle)
{
    TDModelArchiving::registerClasses();
    PropertyList pressure{PropertyList::Array()};
    pressure.append(ArchivedPoint::value(Point(0, 1)));
    pressure.append(ArchivedPoint::value(Point(1, 0.5f)));
    const PropertyList dictionaries[] = {
        PropertyList(PropertyList::Dictionary{{"StrokeStyle", 0}}),
        PropertyList(PropertyList::Dictionary{{"StrokeStyle", 1},
                                              {"StrokeWidth", 2.5},
                                              {"StrokeColor", ArchivedColor::value(Color::red())},
                                              {"StartArrowStyle", 1},
                                              {"EndArrowStyle", 2},
                                              {"StartArrowSize", 120},
                                              {"EndArrowSize", 80},
                                              {"MorphStartArrow", true},
                                              {"MorphEndArrow", false},
                                              {"StrokeJoins", 1},
                                              {"StrokeCaps", 2},
                                              {"StrokeDashes", PropertyList(PropertyList::Array{3.0, 1.0})}}),
        PropertyList(PropertyList::Dictionary{{"StrokeStyle", 2},
                                              {"StrokeWidth", 12.0},
                                              {"StrokeColor", ArchivedColor::value(Color::blue())},
                                              {"Brush", -1},
                                              {"Custom brush name", "Ribbon"},
                                              {"Pressure", pressure}}),
        PropertyList(PropertyList::Dictionary{{"StrokeStyle", 3},
                                              {"StrokeWidth", 1.0},
                                              {"text", QByteArray("rtf")},
                                              {"baseline", 0.5},
                                              {"text and line", true}}),
    };
    for (const PropertyList &dictionary : dictionaries) {
        SCOPED_TRACE(dictionary.value("StrokeStyle").toInteger());
        const auto stroke = TDStrokeStyle::objectWithYAML(dictionary);
        EXPECT_EQ(stroke->toYAML(), dictionary);
        const auto data = KeyedArchiver::archivedData(PropertyList(stroke));
        ASSERT_TRUE(data);
        const auto root = KeyedUnarchiver::unarchive(*data);
        ASSERT_TRUE(root);
        const auto decoded = root->objectAs<TDStrokeStyle>();
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->toYAML(), dictionary);
        EXPECT_TRUE(decoded->isEqualTo(*stroke));
    }
}

TEST(TDStrokeStyle, StoredValuesOfTheWrongKindAreSkipped)
{
    PropertyList dictionary{PropertyList::Dictionary()};
    dictionary.insert("StrokeStyle", "line");
    dictionary.insert("StrokeWidth", "wide");
    dictionary.insert("StrokeColor", 3);
    dictionary.insert("StrokeDashes", PropertyList(PropertyList::Array{PropertyList(2.0), PropertyList("x"),
                                                                       PropertyList(1.0)}));
    dictionary.insert("StrokeCaps", 1e12);
    dictionary.insert("EndArrowSize", PropertyList(PropertyList::Dictionary()));
    const auto stroke = TDStrokeStyle::objectWithYAML(dictionary);
    EXPECT_EQ(stroke->style(), 1);
    EXPECT_FLOAT_EQ(stroke->strokeWidth(), 1);
    EXPECT_EQ(stroke->color(), Color::black());
    EXPECT_EQ(stroke->dashes(), (std::vector<float>{2, 1}));
    EXPECT_EQ(stroke->capStyle(), 0);
    EXPECT_FLOAT_EQ(stroke->endArrowSize(), 100);
}

TEST(TDStrokeStyle, BuiltInDashList)
{
    const auto &list = TDStrokeStyle::builtinDashes();
    ASSERT_GE(list.size(), 5u);
    EXPECT_TRUE(list.front().dash.empty());
    for (const auto &entry : list) {
        EXPECT_EQ(entry.image.deviceIndependentSize().toSize(), QSize(75, 5));
        EXPECT_GT(pixelAt(entry.image, 1, 5).alpha(), 0); // each pattern starts drawn
    }
    // A pattern leaves gaps in its picture.
    const QImage &dotted = list[1].image;
    int empty = 0;
    for (int x = 0; x < dotted.width(); ++x)
        empty += pixelAt(dotted, x, 5).alpha() == 0;
    EXPECT_GT(empty, 20);
}

TEST(TDStrokeStyle, LineDrawsWithWidthColourCapsAndDashes)
{
    auto graphic = PathGraphic::make(horizontalLine());
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setColor(Color::red());
    stroke.setStrokeWidth(6);
    QImage image = render(*graphic);
    EXPECT_EQ(pixelAt(image, 30, 17).red(), 255);
    EXPECT_EQ(pixelAt(image, 30, 22).alpha(), 255);
    EXPECT_EQ(pixelAt(image, 30, 24).alpha(), 0);
    EXPECT_EQ(pixelAt(image, 8, 20).alpha(), 0); // butt cap

    stroke.setCapStyle(2);
    image = render(*graphic);
    EXPECT_EQ(pixelAt(image, 8, 20).alpha(), 255); // square cap reaches 3 beyond

    // Dashes of 1 and 1 stroke width: 6 on, 6 off from x = 10 (caps butt).
    stroke.setCapStyle(0);
    stroke.setDashes({1, 1});
    image = render(*graphic);
    EXPECT_EQ(pixelAt(image, 13, 20).alpha(), 255);
    EXPECT_EQ(pixelAt(image, 19, 20).alpha(), 0);
    EXPECT_EQ(pixelAt(image, 25, 20).alpha(), 255);

    // A pattern of nothing but zeros is refused: the line keeps its dashes
    // rather than stop drawing.
    EXPECT_FALSE(stroke.setDashes({0, 0}));
    image = render(*graphic);
    EXPECT_EQ(pixelAt(image, 19, 20).alpha(), 0);
    EXPECT_EQ(pixelAt(image, 25, 20).alpha(), 255);
}

TEST(TDStrokeStyle, OutlineViewDrawsAHairlineEvenWithoutAStroke)
{
    DrawTarget outline(true);
    auto graphic = PathGraphic::make(horizontalLine());
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setStyle(0);
    EXPECT_EQ(pixelAt(render(*graphic), 30, 20).alpha(), 0);
    QImage image = render(*graphic, &outline);
    const QColor hairline = pixelAt(image, 30, 19).alpha() ? pixelAt(image, 30, 19) : pixelAt(image, 30, 20);
    EXPECT_GT(hairline.alpha(), 100);
    EXPECT_EQ(hairline.red(), 0);
    EXPECT_EQ(pixelAt(image, 30, 22).alpha(), 0); // one pixel, not the width

    // A coloured stroke is darkened in outline view.
    stroke.setStyle(1);
    stroke.setColor(Color::calibratedRGB(1, 1, 1));
    stroke.setStrokeWidth(8);
    image = render(*graphic, &outline);
    const QColor line =
        pixelAt(image, 30, 19).alpha() > 200 ? pixelAt(image, 30, 19) : pixelAt(image, 30, 20);
    EXPECT_NEAR(line.red(), 178, 3);
    EXPECT_EQ(pixelAt(image, 30, 23).alpha(), 0);
}

TEST(TDStrokeStyle, TextStrokesWithoutTextDrawOnlyTheirLine)
{
    auto graphic = PathGraphic::make(horizontalLine());
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setStrokeWidth(6);
    stroke.setStyle(3);
    EXPECT_EQ(pixelAt(render(*graphic), 30, 20).alpha(), 0);
    // Text along the path with "text and line" set draws the line.
    PropertyList dictionary = stroke.toYAML();
    dictionary.insert("text and line", true);
    const auto textAndLine = TDStrokeStyle::objectWithYAML(dictionary);
    textAndLine->setGraphic(graphic.get());
    graphic->strokeStyle()->copyStyleFrom(*textAndLine);
    EXPECT_EQ(pixelAt(render(*graphic), 30, 20).alpha(), 255);
}
