#include "model/TDBezierGraphic.h"

#include "model/TDBezierPath.h"
#include "model/TDGroup.h"

namespace scrivane {

TDGraphicArray TDBezierGraphic::split()
{
    if (!m_bezierPath)
        return {};
    const std::vector<TDBezierPath> subpaths = cachedBezierPath() ? cachedBezierPath()->split() : m_bezierPath->split();
    const auto parent = layer();
    if (subpaths.size() < 2 || !parent)
        return {};
    TDGraphicArray pieces;
    for (const TDBezierPath &subpath : subpaths) {
        auto piece = TDBezierGraphic::graphicWithBezierPath(subpath);
        piece->copyStyleFrom(*this);
        piece->setFillTransformation(fillTransformation());
        piece->setStrokeTransformation(strokeTransformation());
        piece->setTextTransformation(textTransformation());
        parent->addGraphic(piece, this);
        pieces.push_back(piece);
    }
    return pieces;
}

} // namespace scrivane
