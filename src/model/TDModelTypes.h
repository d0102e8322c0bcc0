#pragma once

#include <memory>
#include <vector>

namespace scrivane {

class TDGraphic;
class TDGroup;
class TDLayer;

using TDGraphicPtr = std::shared_ptr<TDGraphic>;
// An ordered list of graphics; in a group, index = z-order (last on top).
using TDGraphicArray = std::vector<TDGraphicPtr>;

// The index that means "none": no child, no node.
inline constexpr int TDNotFound = 0x7fffffff;

// Fill and stroke style codes as stored in documents.
enum TDFillStyleCode : int {
    TDFillNone = 0,
    TDFillColor = 1,
    TDFillImage = 2,
    TDFillGradient = 3,
    TDFillText = 4
};
enum TDStrokeStyleCode : int { TDStrokeNone = 0, TDStrokeLine = 1, TDStrokeBrush = 2, TDStrokeText = 3 };

} // namespace scrivane
