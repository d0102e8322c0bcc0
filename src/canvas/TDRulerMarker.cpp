#include "canvas/TDRulerMarker.h"

namespace scrivane {

const QString TDRulerMarker::guideTag = QStringLiteral("imp");

std::shared_ptr<TDRulerMarker> TDRulerMarker::guide(float location)
{
    auto marker = std::make_shared<TDRulerMarker>(location, guideTag);
    marker->setRemovable(true);
    return marker;
}

} // namespace scrivane
