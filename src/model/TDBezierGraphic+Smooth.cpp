#include "model/TDBezierGraphic.h"

#include "geometry/CommandPath.h"
#include "geometry/PathPipelines.h"
#include "model/PathEngineBridge.h"
#include "model/TDBezierPath.h"

namespace scrivane {

bool TDBezierGraphic::smoothWithThreshold(float threshold)
{
    if (!m_bezierPath)
        return false;
    CommandPath commands = commandPathFromBezierPath(*m_bezierPath);
    if (!refitCommandPath(commands, threshold))
        return false;
    setBezierPath(std::make_shared<TDBezierPath>(bezierPathFromCommandPath(commands)));
    return true;
}

} // namespace scrivane
