#include "ShapeTestDoubles.h"

#include "model/TDHandleImages.h"
#include "platform/GraphicsContext.h"

#include <cmath>

namespace scrivane::test {

QList<int> DrawingCanvas::selectedNodesForGraphic(const TDGraphic *graphic) const
{
    const auto found = selectedNodes.find(graphic);
    return found == selectedNodes.end() ? QList<int>() : found->second;
}

void DrawingCanvas::drawHandleAtPoint(Point point, HandleType type)
{
    RecordingCanvas::drawHandleAtPoint(point, type);
    if (context)
        TDHandleImages::drawHandle(*context, point, type, zoomFactor);
}

QImage DrawingCanvas::drawEditing(TDGraphic &graphic, int width, int height)
{
    return renderImage(width, height, [&](GraphicsContext &c) {
        c.concatCTM(AffineTransform::makeScale(zoomFactor, zoomFactor));
        context = &c;
        graphic.drawEditingInView(this, c);
        context = nullptr;
    });
}

ShapeScene::ShapeScene()
{
    document.layers.push_back(layer);
    document.setCurrentLayer(layer.get());
}

bool isFinitePath(const PathBase &path)
{
    for (const PathBase::Element &element : path.elements())
        for (const Point &p : element.points)
            if (!std::isfinite(p.x) || !std::isfinite(p.y))
                return false;
    return true;
}

} // namespace scrivane::test
