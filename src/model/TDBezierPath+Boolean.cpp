#include "model/TDBezierPath.h"

#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"
#include "geometry/PathPipelines.h"
#include "model/PathEngineBridge.h"

#include <QCoreApplication>

namespace scrivane {

namespace {

std::optional<TDBezierPath> answer(int code, const CommandPath &result, QString *error)
{
    if (code != engine::kOk) {
        if (error)
            *error = engineFailureMessage(code);
        return std::nullopt;
    }
    return bezierPathFromCommandPath(result);
}

} // namespace

std::optional<TDBezierPath> TDBezierPath::outline(QString *error) const
{
    CommandPath result;
    const int code = uncrossedCommandPath(commandPathFromBezierPath(*this), engineFillRule(windingRule()), result);
    return answer(code, result, error);
}

std::optional<TDBezierPath> TDBezierPath::outlineOfPath(QString *error) const
{
    if (!(lineWidth() > 0.0f) || !std::isfinite(lineWidth())) {
        if (error)
            *error = QCoreApplication::translate("PathEngine", "A line without width has no outline.");
        return std::nullopt;
    }
    CommandPath result;
    const int code = outlineOfCommandPath(commandPathFromBezierPath(*this), lineWidth(), engineJoin(lineJoinStyle()),
                                          engineCap(lineCapStyle()), miterLimit(), result);
    return answer(code, result, error);
}

} // namespace scrivane
