#include "ShapeTestDoubles.h"

#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDHandleImages.h"
#include "model/TDModelArchiving.h"
#include "model/TDOval.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {

std::shared_ptr<TDRectangle> rectangle(const AffineTransform &shape, float roundness = 0)
{
    auto r = std::make_shared<TDRectangle>();
    r->setTransformation(shape);
    r->setRoundness(roundness);
    return r;
}

std::shared_ptr<TDRectangle> rectangle(const Rect &bounds, float roundness = 0)
{
    return rectangle(TDGraphic::transformForBounds(bounds), roundness);
}

float distance(Point a, Point b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Every curve of the path (its end and its middle) lies on the circle about
// the nearer of the two centres: the path's corners are circular arcs.
void expectCurvesOnCircles(TDBezierPath &path, Point c1, Point c2, float radius)
{
    int curves = 0;
    for (int e = 0; e < path.elementCount(); ++e) {
        Point p[3];
        if (path.elementAtIndex(e, p) != PathElementType::CurveTo)
            continue;
        ++curves;
        for (Point q : {p[2], path.pointAt(0.5f, e)}) {
            const Point c = distance(q, c1) < distance(q, c2) ? c1 : c2;
            EXPECT_NEAR(distance(q, c), radius, 0.02f) << "element " << e << " at " << q.x << ", " << q.y;
        }
    }
    EXPECT_EQ(curves, 4); // one quarter circle per corner
}

struct UnitsInInches : TDUnitsTransformerInterface {
    UnitsInInches() { TDApplicationServices::setUnitsTransformer(this); }
    ~UnitsInInches() override { TDApplicationServices::setUnitsTransformer(nullptr); }
    double transformedValue(double points) const override { return points / 72; }
    double reverseTransformedValue(const QString &, int) const override { return 0; }
};

} // namespace

TEST(TDRectangle, RoundnessIsClampedAndRegistersOnlyChanges)
{
    ShapeScene scene;
    auto r = scene.add(rectangle(Rect(0, 0, 100, 40)));
    TDUndoManager &undo = scene.document.undo();

    r->setRoundness(0.7f);
    EXPECT_EQ(r->roundness(), 0.5f);
    r->setRoundness(0.5f); // unchanged: nothing registered
    undo.undo();
    EXPECT_EQ(r->roundness(), 0.0f);
    EXPECT_FALSE(undo.canUndo());

    r->setRoundness(-0.1f);
    EXPECT_EQ(r->roundness(), 0.0f);
    EXPECT_FALSE(undo.canUndo());
    r->setRoundness(std::nanf(""));
    EXPECT_EQ(r->roundness(), 0.0f);
    EXPECT_FALSE(undo.canUndo());
}

TEST(TDRectangle, FullyRoundedEndsAreSemicircles)
{
    struct Case {
        Rect bounds;
        Point c1, c2;
    };
    // Wide: the ends left and right; tall: top and bottom.
    for (const Case &c : {Case{Rect(0, 0, 100, 40), Point(20, 20), Point(80, 20)},
                          Case{Rect(0, 0, 40, 100), Point(20, 20), Point(20, 80)}}) {
        auto r = rectangle(c.bounds, 0.5f);
        const auto path = r->cachedBezierPath();
        ASSERT_TRUE(path);
        expectCurvesOnCircles(*path, c.c1, c.c2, 20);
        EXPECT_NEAR(r->bounds().width(), c.bounds.width(), 1e-3);
        EXPECT_NEAR(r->bounds().height(), c.bounds.height(), 1e-3);
    }
}

TEST(TDRectangle, SquareCornersShareOneUnitSquare)
{
    auto a = rectangle(Rect(0, 0, 10, 10));
    auto b = rectangle(Rect(5, 5, 30, 10));
    EXPECT_EQ(a->bezierPath(), b->bezierPath());
    EXPECT_EQ(a->bezierPath()->elementCount(), 5);
    b->setRoundness(0.01f);
    EXPECT_NE(a->bezierPath(), b->bezierPath());
    EXPECT_GT(b->bezierPath()->elementCount(), 5);
}

// Quarter turns have no diagonal to take the aspect from (m11 = m22 = 0),
// and flat rectangles divide by a zero height.
TEST(TDRectangle, QuarterTurnsAndFlatRectanglesGetFiniteCorners)
{
    AffineTransform turned = TDGraphic::transformForBounds(Rect(0, 0, 100, 40));
    turned.append(AffineTransform::makeRotationByDegrees(90));
    ASSERT_EQ(turned.m11, 0.0f);
    ASSERT_EQ(turned.m22, 0.0f);
    auto r = rectangle(turned, 0.5f);
    ASSERT_TRUE(isFinitePath(*r->cachedBezierPath()));
    // The quarter turn maps (x, y) to (-y, x): the ends now lie at the top
    // and the bottom, still semicircles of radius 20.
    expectCurvesOnCircles(*r->cachedBezierPath(), Point(-20, 20), Point(-20, 80), 20);
    for (int n : {1, 2, -1, -2, -3}) {
        EXPECT_TRUE(std::isfinite(r->node(n).x) && std::isfinite(r->node(n).y)) << n;
    }

    auto flat = rectangle(Rect(0, 10, 100, 0), 0.3f);
    EXPECT_EQ(flat->bezierPath(), rectangle(Rect(0, 0, 1, 1))->bezierPath()); // square corners
    EXPECT_TRUE(isFinitePath(*flat->cachedBezierPath()));
    for (int n : {1, 2, -1, -2, -3})
        EXPECT_TRUE(std::isfinite(flat->node(n).x) && std::isfinite(flat->node(n).y)) << n;
    EXPECT_EQ(TDRectangle::cornerAspect(AffineTransform(0, 0, 0, 0, 5, 5)), 0.0f);
}

TEST(TDRectangle, HandlePointsFollowTheShape)
{
    auto r = rectangle(Rect(10, 20, 100, 40), 0.25f);
    // Radius 10 (a quarter of the shorter side) at the origin corner.
    const std::pair<int, Point> expected[] = {
        {1, Point(10, 30)},  {2, Point(20, 20)},  {-1, Point(20, 30)},
        {-2, Point(60, 20)}, {-3, Point(10, 40)}, {7, Point()},
    };
    for (const auto &[n, p] : expected) {
        EXPECT_NEAR(r->node(n).x, p.x, 1e-4) << n;
        EXPECT_NEAR(r->node(n).y, p.y, 1e-4) << n;
    }
    auto tall = rectangle(Rect(0, 0, 40, 100), 0.25f);
    EXPECT_NEAR(tall->node(-1).x, 10, 1e-4);
    EXPECT_NEAR(tall->node(-1).y, 10, 1e-4);

    DrawingCanvas canvas;
    EXPECT_EQ(r->nodeUnderPoint(Point(21, 31), &canvas), -1);
    EXPECT_EQ(r->nodeUnderPoint(Point(64, 16), &canvas), -2);
    EXPECT_EQ(r->nodeUnderPoint(Point(10, 40), &canvas), -3);
    EXPECT_EQ(r->nodeUnderPoint(Point(80, 50), &canvas), TDNotFound);
    EXPECT_EQ(r->nodeUnderPoint(Point(20, 30), nullptr), TDNotFound);
    canvas.zoomFactor = 4; // a handle 2.5 document points across
    EXPECT_EQ(r->nodeUnderPoint(Point(64, 16), &canvas), TDNotFound);
}

TEST(TDRectangle, SizeHandlesScaleAboutTheCentreAndSayHowMuch)
{
    struct Case {
        int handle;
        AffineTransform drag;
        QString status;
        Rect bounds;
    };
    // A 100 x 40 rectangle at the origin; its height handle sits at (50, 0),
    // its width handle at (0, 20).
    const Case cases[] = {
        {-2, AffineTransform::makeTranslation(0, 20), QStringLiteral("Height: 0.00%"), Rect(0, 20, 100, 0)},
        {-2, AffineTransform::makeTranslation(0, -20), QStringLiteral("Height: 200.00%"),
         Rect(0, -20, 100, 80)},
        // Past the centre line to the opposite edge: mirrored.
        {-2, AffineTransform::makeTranslation(0, 40), QStringLiteral("Height: -100.00%"),
         Rect(0, 0, 100, 40)},
        {-3, AffineTransform::makeTranslation(25, 0), QStringLiteral("Width: 50.00%"), Rect(25, 0, 50, 40)},
    };
    for (const Case &c : cases) {
        ShapeScene scene;
        auto r = scene.add(rectangle(Rect(0, 0, 100, 40)));
        r->startManipulation();
        r->transformControl(c.handle, c.drag, 0);
        ASSERT_FALSE(scene.document.statusTexts.empty());
        EXPECT_EQ(scene.document.statusTexts.back(), c.status);
        EXPECT_NEAR(r->bounds().minX(), c.bounds.minX(), 1e-3) << c.status.toStdString();
        EXPECT_NEAR(r->bounds().minY(), c.bounds.minY(), 1e-3) << c.status.toStdString();
        EXPECT_NEAR(r->bounds().width(), c.bounds.width(), 1e-3) << c.status.toStdString();
        EXPECT_NEAR(r->bounds().height(), c.bounds.height(), 1e-3) << c.status.toStdString();
        r->stopManipulation();
    }
    // The mirrored one really is upside down.
    auto r = rectangle(Rect(0, 0, 100, 40));
    r->startManipulation();
    r->transformControl(-2, AffineTransform::makeTranslation(0, 40), 0);
    EXPECT_NEAR(r->transformation().m22, -40, 1e-4);
}

TEST(TDRectangle, RoundnessHandleShowsTheRadiusInTheUsersUnit)
{
    struct Case {
        Rect bounds;
        AffineTransform drag;
        float roundness;
        QString points;
        QString inches;
    };
    // The roundness handle starts at the origin corner.
    const Case cases[] = {
        {Rect(0, 0, 100, 40), AffineTransform::makeTranslation(0, 10), 0.25f, QStringLiteral("10"),
         QStringLiteral("0.138889")},
        {Rect(0, 0, 40, 100), AffineTransform::makeTranslation(0, 10), 0.25f, QStringLiteral("10"),
         QStringLiteral("0.138889")},
        // Beyond the middle: fully rounded.
        {Rect(0, 0, 100, 40), AffineTransform::makeTranslation(0, 30), 0.5f, QStringLiteral("20"),
         QStringLiteral("0.277778")},
        {Rect(0, 0, 100, 40), AffineTransform::makeTranslation(0, -30), 0.0f, QStringLiteral("0"),
         QStringLiteral("0")},
    };
    for (const Case &c : cases) {
        for (bool inches : {false, true}) {
            std::optional<UnitsInInches> units;
            if (inches)
                units.emplace();
            ShapeScene scene;
            auto r = scene.add(rectangle(c.bounds));
            r->startManipulation();
            r->transformControl(-1, c.drag, 0);
            EXPECT_FLOAT_EQ(r->roundness(), c.roundness);
            ASSERT_FALSE(scene.document.statusTexts.empty());
            EXPECT_EQ(scene.document.statusTexts.back(),
                      QStringLiteral("Corner roundness: ") + (inches ? c.inches : c.points));
            r->stopManipulation();
        }
    }
}

TEST(TDRectangle, UndoAfterAHandleDragRestoresRoundnessAndShapeInOneStep)
{
    ShapeScene scene;
    auto r = scene.add(rectangle(Rect(0, 0, 100, 40), 0.1f));
    TDUndoManager &undo = scene.document.undo();
    const AffineTransform before = r->transformation();

    undo.beginUndoGrouping();
    r->startManipulation();
    r->transformControl(-2, AffineTransform::makeTranslation(0, -20), 0);
    r->transformControl(-1, AffineTransform::makeTranslation(0, 30), 0);
    r->transformControl(-1, AffineTransform::makeTranslation(0, 35), 0);
    r->stopManipulation();
    undo.endUndoGrouping();
    EXPECT_EQ(r->roundness(), 0.5f);
    const AffineTransform after = r->transformation();
    EXPECT_NE(after, before);

    undo.undo();
    EXPECT_FLOAT_EQ(r->roundness(), 0.1f);
    EXPECT_EQ(r->transformation(), before);
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_EQ(r->roundness(), 0.5f);
    EXPECT_EQ(r->transformation(), after);
}

// A handle drag maps the pointer back into the unit square: through a
// singular shape transformation it is skipped rather than making infinities.
TEST(TDRectangle, DragsThroughASingularTransformationAreSkipped)
{
    ShapeScene scene;
    auto r = scene.add(rectangle(Rect(0, 0, 100, 40), 0.2f));
    r->startManipulation();
    r->transformControl(-2, AffineTransform::makeTranslation(0, 20), 0); // height 0
    ASSERT_EQ(r->transformation().m22, 0.0f);
    r->transformControl(-1, AffineTransform::makeTranslation(0, 5), 0);
    EXPECT_EQ(r->roundness(), 0.2f);
    r->stopManipulation();
    EXPECT_TRUE(isFinitePath(*r->cachedBezierPath()));

    // The flat rectangle as the start of the next drag.
    const AffineTransform flat = r->transformation();
    r->startManipulation();
    r->transformControl(-2, AffineTransform::makeTranslation(0, 10), 0);
    r->transformControl(-3, AffineTransform::makeTranslation(10, 0), 0);
    EXPECT_EQ(r->transformation(), flat);
    r->stopManipulation();
    EXPECT_TRUE(isFinitePath(*r->cachedBezierPath()));
}

TEST(TDRectangle, DrawsItsHandlesThroughTheCanvas)
{
    ShapeScene scene;
    auto r = scene.add(rectangle(Rect(10, 20, 100, 40), 0.25f));
    scene.canvas.drawEditing(*r, 130, 80);
    ASSERT_EQ(scene.canvas.handles.size(), 3u);
    EXPECT_EQ(scene.canvas.handles[0], std::make_pair(Point(60, 20), HandleType::Edge));
    EXPECT_EQ(scene.canvas.handles[1], std::make_pair(Point(10, 40), HandleType::Edge));
    EXPECT_EQ(scene.canvas.handles[2].second, HandleType::CurveControl);
}

// The edge handles are drawn at the same screen size whatever the zoom,
// their pixels those of the image, centred on the handle point.
TEST(TDRectangle, HandlePixelsAtTwoZooms)
{
    const QImage edge = TDHandleImages::imageNamed(QStringLiteral("handle_edge"));
    ASSERT_EQ(edge.size(), QSize(9, 9));
    for (float zoom : {1.0f, 2.0f}) {
        ShapeScene scene;
        scene.canvas.zoomFactor = zoom;
        auto r = scene.add(rectangle(Rect(10, 20, 30, 20), 0.25f));
        const QImage image = scene.canvas.drawEditing(*r, int(60 * zoom), int(60 * zoom));
        // The height handle at (25, 20): its device centre is (25, 20) times
        // the zoom, its image's corner 4.5 pixels up and left of that.
        const int x0 = int(std::floor(25 * zoom - 4.5f + 0.5f));
        const int y0 = int(std::floor(20 * zoom - 4.5f + 0.5f));
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(image.pixel(x0 + x, y0 + y), edge.pixel(x, y))
                    << "zoom " << zoom << " pixel " << x << ", " << y;
        // Above and beside it the canvas stays empty: the handle is 9 pixels
        // at both zooms.
        EXPECT_EQ(pixelAt(image, x0 - 1, y0).a, 0) << zoom;
        EXPECT_EQ(pixelAt(image, x0 + 9, y0).a, 0) << zoom;
        EXPECT_EQ(pixelAt(image, x0 + 4, y0 - 1).a, 0) << zoom;
        // The width handle at (10, 30).
        const int wx = int(std::floor(10 * zoom - 4.5f + 0.5f));
        const int wy = int(std::floor(30 * zoom - 4.5f + 0.5f));
        EXPECT_EQ(image.pixel(wx + 4, wy + 4), edge.pixel(4, 4)) << zoom;
        EXPECT_EQ(image.pixel(wx, wy), edge.pixel(0, 0)) << zoom;
    }
}

TEST(TDRectangle, DictionaryAndArchiveKeepTheRoundness)
{
    TDModelArchiving::registerClasses();
    auto a = rectangle(Rect(1, 2, 30, 40), 0.3f);
    a->setName(QStringLiteral("A"));
    a->fillStyle()->setStyle(TDFillColor);
    a->fillStyle()->setColor(Color::red());
    auto b = rectangle(Rect(10, 20, 30, 40));
    b->setName(QStringLiteral("B"));
    b->strokeStyle()->setStrokeWidth(4);

    const PropertyList d = a->toYAML();
    EXPECT_FLOAT_EQ(d.value(QStringLiteral("Roundness")).toFloat(), 0.3f);
    EXPECT_EQ(b->toYAML().value(QStringLiteral("Roundness")).toFloat(), 0.0f); // always written
    EXPECT_EQ(TDRectangle::objectWithYAML(d)->toYAML(), d);

    QString error;
    const auto data =
        KeyedArchiver::archivedData(PropertyList(PropertyList::Array{PropertyList(a), PropertyList(b)}),
                                    PropertyList::Format::Binary, &error);
    ASSERT_TRUE(data) << error.toStdString();
    const auto root = KeyedUnarchiver::unarchive(*data, &error);
    ASSERT_TRUE(root) << error.toStdString();
    const auto a2 = root->at(0).objectAs<TDRectangle>();
    const auto b2 = root->at(1).objectAs<TDRectangle>();
    ASSERT_TRUE(a2 && b2);
    EXPECT_EQ(a2->toYAML(), a->toYAML());
    EXPECT_EQ(b2->toYAML(), b->toYAML());
    EXPECT_EQ(a2->name(), QStringLiteral("A"));
    EXPECT_FLOAT_EQ(a2->roundness(), 0.3f);
    EXPECT_EQ(a2->transformation(), a->transformation());
}

namespace {
// A rectangle as another writer may have stored it.
class StoredRectangle : public Archivable {
public:
    explicit StoredRectangle(PropertyList dictionary) : m_dictionary(std::move(dictionary)) {}
    QString archiveClassName() const override { return QStringLiteral("TDRectangle"); }
    void encode(KeyedArchiver &archiver) const override { archiver.encodeObject(m_dictionary); }

private:
    PropertyList m_dictionary;
};
} // namespace

TEST(TDRectangle, ARoundnessFromAnArchiveIsKeptUntilItIsNextSet)
{
    TDModelArchiving::registerClasses();
    PropertyList d = rectangle(Rect(0, 0, 50, 50))->toYAML();
    d.insert(QStringLiteral("Roundness"), 0.8);
    const auto data = KeyedArchiver::archivedData(PropertyList(std::make_shared<StoredRectangle>(d)));
    ASSERT_TRUE(data);
    const auto root = KeyedUnarchiver::unarchive(*data);
    ASSERT_TRUE(root);
    const auto r = root->objectAs<TDRectangle>();
    ASSERT_TRUE(r);
    EXPECT_FLOAT_EQ(r->roundness(), 0.8f);
    EXPECT_FLOAT_EQ(r->toYAML().value(QStringLiteral("Roundness")).toFloat(), 0.8f);
    EXPECT_TRUE(isFinitePath(*r->cachedBezierPath()));
    r->setRoundness(0.8f);
    EXPECT_EQ(r->roundness(), 0.5f);

    // Through the dictionary the value is set, hence clamped; a value of the
    // wrong kind is skipped.
    EXPECT_EQ(TDRectangle::objectWithYAML(d)->roundness(), 0.5f);
    d.insert(QStringLiteral("Roundness"), QStringLiteral("round"));
    EXPECT_EQ(TDRectangle::objectWithYAML(d)->roundness(), 0.0f);
}

TEST(TDRectangle, ShapesTakeTheirKindsNames)
{
    RecordingDocument document;
    document.setGraphicCounter(7);
    auto r = std::make_shared<TDRectangle>();
    r->setDocument(&document);
    EXPECT_EQ(r->name(), QStringLiteral("Rect 7"));
    auto text = std::make_shared<TDRectangle>();
    text->fillStyle()->setStyle(TDFillText);
    text->setDocument(&document);
    EXPECT_EQ(text->name(), QStringLiteral("Text 8"));
    auto oval = std::make_shared<TDOval>();
    oval->setDocument(&document);
    EXPECT_EQ(oval->name(), QStringLiteral("Oval 9"));
    auto path = std::make_shared<TDBezierGraphic>();
    path->setDocument(&document);
    EXPECT_EQ(path->name(), QStringLiteral("Graphic 10"));
}
