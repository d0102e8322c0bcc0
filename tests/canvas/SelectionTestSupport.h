#pragma once

// Shared pieces of the selection and transform tests: filled rectangles
// placed in a document, and documents of several layers.

#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"

#include <memory>
#include <vector>

namespace scrivane::selectiontest {

// A rectangle filled with a colour, lying over `rect`, outside any document.
inline std::shared_ptr<TDRectangle> filledRect(const Rect &rect)
{
    auto r = std::make_shared<TDRectangle>();
    r->fillStyle()->setStyle(TDFillColor);
    r->setTransformation(TDGraphic::transformForBounds(rect));
    return r;
}

// A document whose layers are named "Layer 1", "Layer 2", ... bottom first;
// the first is current.
inline void giveLayers(TDDocument &document, int count)
{
    std::vector<std::shared_ptr<TDLayer>> layers;
    for (int i = 1; i <= count; ++i)
        layers.push_back(TDLayer::layerWithName(QStringLiteral("Layer %1").arg(i), &document));
    document.setLayers(layers);
}

// Adds a filled rectangle on top of the layer.
inline std::shared_ptr<TDRectangle> addRect(TDGroup &layer, const Rect &rect)
{
    auto r = filledRect(rect);
    layer.addGraphic(r);
    return r;
}

} // namespace scrivane::selectiontest
