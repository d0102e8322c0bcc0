#include "app/UnitsTransformerService.h"

#include "app/UnitsTransformer.h"

namespace scrivane {

double UnitsTransformerService::transformedValue(double points) const
{
    return UnitsTransformer::valueInUnits(points, UnitsTransformer::currentUnits());
}

double UnitsTransformerService::reverseTransformedValue(const QString &text, int unitIndex) const
{
    return UnitsTransformer::reverseTransformedValue(text, unitIndex);
}

} // namespace scrivane
