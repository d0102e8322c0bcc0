#pragma once

// The drawing of the package and SVG benchmarks: 10,000 rectangles with
// colour fills and lines, some with shadows and opacity, one in ten inside
// a group, over two layers.

#include "document/TDDocument.h"
#include "model/TDRectangle.h"
#include "platform/Color.h"
#include "platform/Geometry.h"

#include <memory>
#include <vector>

namespace scrivane::bench {

struct Shape {
    Rect rect;
    Color fill;
    Color line;
    float width;
    bool shadow;
    float alpha;
    int group; // -1 outside groups
};

std::vector<Shape> makeShapes(long count);
// The graphic of shape number `i`, named as a user's would be.
std::shared_ptr<TDRectangle> makeRectangle(const Shape &s, size_t i);
std::unique_ptr<TDDocument> makeDocument(const std::vector<Shape> &shapes);
// 10,000, or 100 in a smoke run.
long graphicCount();

} // namespace scrivane::bench
