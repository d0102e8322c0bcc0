#include "CommandTestSupport.h"

#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"

namespace scrivane::canvastest {

namespace {

void collect(const TDGraphicArray &graphics, TreeSnapshot &snapshot)
{
    for (const TDGraphicPtr &graphic : graphics) {
        snapshot.graphics.push_back(graphic.get());
        snapshot.stored.push_back(graphic->toYAML());
        if (const auto group = std::dynamic_pointer_cast<TDGroup>(graphic))
            collect(group->graphics(), snapshot);
    }
}

} // namespace

TreeSnapshot snapshotOf(const TDDocument &document)
{
    TreeSnapshot snapshot;
    collect(document.graphics(), snapshot);
    return snapshot;
}

std::string differenceOf(const TreeSnapshot &a, const TreeSnapshot &b)
{
    if (a.graphics.size() != b.graphics.size())
        return "the trees hold " + std::to_string(a.graphics.size()) + " and " + std::to_string(b.graphics.size())
            + " graphics";
    for (std::size_t i = 0; i < a.graphics.size(); ++i) {
        if (a.graphics[i] != b.graphics[i])
            return "graphic " + std::to_string(i) + " is another object";
        if (a.stored[i] == b.stored[i])
            continue;
        const auto &da = a.stored[i].toDictionary(), &db = b.stored[i].toDictionary();
        for (const auto &[key, value] : da) {
            const auto other = db.find(key);
            if (other == db.end() || !(other->second == value))
                return "graphic " + std::to_string(i) + " differs in \"" + key.toStdString() + "\"";
        }
        return "graphic " + std::to_string(i) + " differs";
    }
    return {};
}

std::shared_ptr<TDBezierGraphic> pathGraphic(std::initializer_list<Point> points, bool closed)
{
    PathBase path;
    bool first = true;
    for (const Point &p : points) {
        if (first)
            path.moveTo(p);
        else
            path.lineTo(p);
        first = false;
    }
    if (closed)
        path.close();
    auto graphic = TDBezierGraphic::graphicWithBezierPath(path);
    graphic->fillStyle()->setStyle(TDFillColor);
    graphic->recalculatePath();
    return graphic;
}

std::shared_ptr<TDBezierGraphic> circleGraphic(Point centre, float radius)
{
    auto graphic = TDBezierGraphic::graphicWithBezierPath(
        PathBase::withOvalInRect(Rect(centre.x - radius, centre.y - radius, 2 * radius, 2 * radius)));
    graphic->fillStyle()->setStyle(TDFillColor);
    graphic->recalculatePath();
    return graphic;
}

std::shared_ptr<TDOval> ovalGraphic(const Rect &rect)
{
    auto graphic = std::make_shared<TDOval>();
    graphic->setTransformation(TDGraphic::transformForBounds(rect));
    graphic->fillStyle()->setStyle(TDFillColor);
    graphic->recalculatePath();
    return graphic;
}

void CommandTest::prepare(const TDGraphicArray &graphics)
{
    view->clearSelection();
    for (const TDGraphicPtr &graphic : graphics)
        addQuietly(graphic);
    for (const TDGraphicPtr &graphic : graphics)
        view->selectGraphic(graphic);
    endEvent();
    document->undoManager()->removeAllActions();
}

} // namespace scrivane::canvastest
