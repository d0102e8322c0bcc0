// The canvas's spatial index: after any mix of edits (adding, removing,
// moving, drags, stroke and shadow changes, restacking, grouping and
// ungrouping, entering groups, undo and redo) it answers what a scan of
// every graphic's area answers, the hit lists built on it find what the
// plain hit lists find, and redraws paint the same pixels as without it.

#include "CanvasTestSupport.h"
#include "SelectionTestSupport.h"

#include "canvas/TDHitList.h"
#include "canvas/TDSpatialIndex.h"
#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDOval.h"
#include "model/TDStrokeStyle.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

class SpatialIndexTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        document->undoManager()->setGroupsByEvent(false);
        selectiontest::giveLayers(*document, 3);
        for (int i = 0; i < 150; ++i)
            document->layers()[size_t(i % 3)]->addGraphic(randomShape());
        // A group big enough to be indexed itself, holding another.
        auto inner = std::make_shared<TDGroup>();
        for (int i = 0; i < 40; ++i)
            inner->addGraphic(randomShape());
        auto outer = std::make_shared<TDGroup>();
        for (int i = 0; i < 40; ++i)
            outer->addGraphic(randomShape());
        outer->addGraphic(inner);
        document->layers()[1]->addGraphic(outer);
        document->undoManager()->removeAllActions();
        ASSERT_NE(spatialIndex(), nullptr);
        // Every container is indexed before the edits begin, so that what
        // follows is kept up to date rather than built afresh.
        check("before any edit");
    }

    TDSpatialIndex *spatialIndex() const { return dynamic_cast<TDSpatialIndex *>(view->graphicIndex()); }

    float uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); }
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

    TDGraphicPtr randomShape()
    {
        TDGraphicPtr shape;
        if (below(2))
            shape = std::make_shared<TDRectangle>();
        else
            shape = std::make_shared<TDOval>();
        shape->setTransformation(TDGraphic::transformForBounds(randomRect()));
        shape->fillStyle()->setStyle(TDFillColor);
        shape->fillStyle()->setColor(Color::calibratedRGB(uniform(0, 1), uniform(0, 1), uniform(0, 1)));
        if (below(3) == 0)
            shape->strokeStyle()->setStyle(TDStrokeNone);
        else
            shape->strokeStyle()->setStrokeWidth(uniform(0.5f, 8));
        if (below(6) == 0)
            shape->setHasShadow(true);
        if (below(8) == 0)
            shape->setAlphaValue(0.5f);
        return shape;
    }

    Rect randomRect() { return Rect(uniform(-50, 700), uniform(-50, 500), uniform(0, 90), uniform(0, 90)); }

    // Every group in the document, layers first.
    std::vector<TDGroup *> containers() const
    {
        std::vector<TDGroup *> all;
        std::function<void(TDGroup &)> walk = [&](TDGroup &group) {
            all.push_back(&group);
            for (const TDGraphicPtr &child : group.graphics())
                if (auto *inner = dynamic_cast<TDGroup *>(child.get()))
                    walk(*inner);
        };
        for (const auto &layer : document->layers())
            walk(*layer);
        return all;
    }
    std::vector<TDGraphicPtr> allGraphics() const
    {
        std::vector<TDGraphicPtr> all;
        for (TDGroup *group : containers())
            all.insert(all.end(), group->graphics().begin(), group->graphics().end());
        return all;
    }
    TDGraphicPtr anyGraphic()
    {
        const auto all = allGraphics();
        return all.empty() ? nullptr : all[size_t(below(int(all.size())))];
    }

    // The index against a scan of the areas, and the hit lists against the
    // plain ones, at random places.
    void check(const std::string &step)
    {
        TDSpatialIndex &index = *spatialIndex();
        const TDGraphicArray editable = document->editableGraphics();
        const auto isSelected = [this](const TDGraphic *g) { return view->graphicIsSelected(g); };
        for (int probe = 0; probe < 12; ++probe) {
            const Rect rect = probe % 3 == 0 ? Rect(uniform(-60, 720), uniform(-60, 520), 0, 0) : randomRect();
            const TDSpatialIndex::Box box{rect.minX(), rect.minY(), rect.maxX(), rect.maxY()};
            for (TDGroup *group : containers()) {
                std::vector<int> found;
                if (!index.childrenNear(*group, rect, found))
                    continue;
                std::vector<int> scanned;
                for (size_t i = 0; i < group->graphics().size(); ++i)
                    if (TDSpatialIndex::areaOf(*group->graphics()[i]).meets(box))
                        scanned.push_back(int(i));
                ASSERT_EQ(found, scanned) << step << ": " << group->name().toStdString() << " near "
                                          << rect.toString().toStdString();
            }
            const Point point(rect.midX(), rect.midY());
            ASSERT_EQ(view->graphicUnderPoint(point), TDHitList::graphicUnderPoint(editable, point, false, isSelected))
                << step;
            ASSERT_EQ(view->graphicsUnderPoint(point), TDHitList::graphicsUnderPoint(editable, point)) << step;
            ASSERT_EQ(view->graphicsIntersectingRect(rect), TDHitList::graphicsIntersectingRect(editable, rect))
                << step;
            ASSERT_EQ(view->graphicsUnderRect(rect), TDHitList::graphicsUnderRect(editable, rect)) << step;
        }
    }

    // Areas of the canvas drawn with the index and drawn looking at every
    // graphic give the same pixels.
    void comparePixels(const std::string &step)
    {
        const QRect shown = view->rect();
        std::vector<QRect> areas;
        for (int i = 0; i < 4; ++i) {
            const int w = 4 + below(160), h = 4 + below(160);
            areas.emplace_back(shown.x() + below(std::max(1, shown.width() - w)),
                               shown.y() + below(std::max(1, shown.height() - h)), w, h);
        }
        std::vector<QImage> indexed;
        for (const QRect &area : areas)
            indexed.push_back(view->renderImage(area));
        view->setUsesSpatialIndex(false);
        for (size_t i = 0; i < areas.size(); ++i)
            ASSERT_EQ(view->renderImage(areas[i]), indexed[i]) << step << ": area " << i;
        view->setUsesSpatialIndex(true);
    }

    void randomEdit(std::string &name)
    {
        TDUndoManager &undo = *document->undoManager();
        const int kind = below(12);
        const TDGraphicPtr graphic = anyGraphic();
        const auto parent = graphic ? graphic->layer() : nullptr;
        const bool leaf = graphic && !dynamic_cast<TDGroup *>(graphic.get());
        undo.beginUndoGrouping();
        switch (kind) {
        case 0: {
            name = "add";
            const auto all = containers();
            all[size_t(below(int(all.size())))]->addGraphic(randomShape());
            break;
        }
        case 1:
            name = "remove";
            if (parent)
                parent->removeGraphic(graphic.get());
            break;
        case 2:
            name = "move";
            if (leaf)
                graphic->setTransformation(TDGraphic::transformForBounds(randomRect()));
            break;
        case 3: {
            // A drag: the canvas is asked in the middle of it.
            name = "drag";
            if (!graphic)
                break;
            const float dx = uniform(-200, 200), dy = uniform(-200, 200);
            graphic->startManipulation();
            for (int step = 1; step <= 3; ++step) {
                graphic->transformWithTransformation(AffineTransform::makeTranslation(dx * step / 3, dy * step / 3));
                check("in the middle of a drag");
            }
            graphic->stopManipulation();
            break;
        }
        case 4:
            name = "stroke width";
            if (leaf)
                graphic->strokeStyle()->setStrokeWidth(uniform(0, 30));
            break;
        case 5:
            name = "shadow";
            if (graphic)
                graphic->setHasShadow(!graphic->hasShadow());
            break;
        case 6:
            name = "restack";
            if (parent)
                parent->moveGraphic(graphic, below(int(parent->graphics().size())));
            break;
        case 7: {
            name = "group";
            TDGroup *layer = document->currentLayer();
            if (layer && layer->graphics().size() >= 3) {
                TDGraphicArray members;
                for (int i = 0; i < 3; ++i)
                    members.push_back(layer->graphics()[size_t(below(int(layer->graphics().size())))]);
                std::sort(members.begin(), members.end());
                members.erase(std::unique(members.begin(), members.end()), members.end());
                view->selectGraphics(members);
                view->group();
            }
            break;
        }
        case 8:
            name = "ungroup";
            if (auto group = std::dynamic_pointer_cast<TDGroup>(graphic);
                group && parent.get() == document->currentLayer()) {
                view->selectGraphics({group});
                view->ungroup();
            }
            break;
        case 9: {
            name = "enter or leave a group";
            const auto all = containers();
            document->setCurrentLayer(all[size_t(below(int(all.size())))]);
            break;
        }
        case 10:
            name = "lock or hide";
            if (graphic && below(2))
                graphic->setLocked(!graphic->locked());
            else if (graphic)
                graphic->setVisible(!graphic->visible());
            break;
        default:
            name = "select";
            view->selectGraphics(graphic ? TDGraphicArray{graphic} : TDGraphicArray{});
            break;
        }
        undo.endUndoGrouping();
        // Now and then the edit, or the one before, is undone and redone.
        if (below(4) == 0 && undo.canUndo()) {
            name += ", undone";
            undo.undo();
            if (below(2) == 0 && undo.canRedo()) {
                name += " and redone";
                undo.redo();
            }
        }
    }

    std::mt19937 random{20261211};
};

TEST_F(SpatialIndexTest, RandomEditsKeepItsAnswersThoseOfAScan)
{
    for (int step = 0; step < 160; ++step) {
        std::string name;
        randomEdit(name);
        check("step " + std::to_string(step) + " (" + name + ")");
        if (HasFatalFailure())
            return;
    }
}

TEST_F(SpatialIndexTest, RedrawsPaintWhatAScanPaints)
{
    for (int step = 0; step < 50; ++step) {
        std::string name;
        randomEdit(name);
        comparePixels("step " + std::to_string(step) + " (" + name + ")");
        if (HasFatalFailure())
            return;
    }
    scroll->setScaleFactor(0.5f, true);
    QApplication::processEvents();
    comparePixels("at zoom 0.5");
}

// A selected path shows handles at its ends under the paint tool; they
// reach beyond its drawing bounds, and an area that holds only a handle is
// drawn with it.
TEST_F(SpatialIndexTest, HandlesBeyondTheAreaAreRedrawn)
{
    PathBase line;
    line.moveTo(Point(300, 300));
    line.lineTo(Point(400, 300));
    auto path = TDBezierGraphic::graphicWithBezierPath(line);
    path->strokeStyle()->setStrokeWidth(1);
    layer().addGraphic(path);
    view->selectGraphics({path});
    chooseTool(Tool::Paint);
    const Rect drawn = path->drawingBounds();
    // Just beyond the left end's drawing bounds.
    const QPointF end = at(Point(drawn.minX(), 300));
    const QRect beyond(int(std::floor(end.x())) - 5, int(std::floor(end.y())) - 5, 5, 10);
    const QImage indexed = view->renderImage(beyond);
    view->setUsesSpatialIndex(false);
    const QImage scanned = view->renderImage(beyond);
    EXPECT_EQ(indexed, scanned);
    // The handle is there to see.
    bool painted = false;
    for (int y = 0; y < scanned.height(); ++y)
        for (int x = 0; x < scanned.width(); ++x)
            painted = painted || scanned.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_TRUE(painted);
}

} // namespace
