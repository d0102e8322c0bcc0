#pragma once

#include "model/TDApplicationServices.h"

namespace scrivane {

// The units transformer as the model asks for it: lengths as plain numbers
// in the user's unit (status texts), typed lengths back to points.
class UnitsTransformerService : public TDUnitsTransformerInterface {
public:
    double transformedValue(double points) const override;
    double reverseTransformedValue(const QString &text, int unitIndex) const override;
};

} // namespace scrivane
