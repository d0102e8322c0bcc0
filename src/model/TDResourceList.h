#pragma once

#include "platform/Geometry.h"
#include "platform/PropertyList.h"

#include <QImage>
#include <QString>

#include <memory>
#include <optional>

namespace scrivane {

class TDBezierGraphic;
class TDGraphic;

// What the lists the program ships (arrowheads, brushes) share: reading one
// from the program's resources, the rectangle text that names the box their
// shapes are drawn in, and the little pictures the stroke pane shows.
class TDResourceList {
public:
    // The entries of the property list `resource` (":/arrows.plist"); none,
    // with a log line naming `what`, when it is missing or not an array.
    static PropertyList::Array read(const QString &resource, const char *what);

    // A path graphic of one straight line, for a preview of a stroke.
    static std::shared_ptr<TDBezierGraphic> lineGraphic(Point from, Point to);
    // The graphic drawn alone, without background, over its drawing bounds,
    // at twice the resolution for dense screens.  Null when it covers
    // nothing.
    static QImage previewImage(TDGraphic &graphic);
};

// A rectangle from its text "x, y, width, height".  Nothing for a text of
// fewer than four numbers, a number that does not read or is not finite, or
// a width or height that is not positive: such a box can place no shape.
std::optional<Rect> MYRectFromString(const QString &text);

} // namespace scrivane
