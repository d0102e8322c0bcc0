#pragma once

namespace scrivane {

// What a path mapping asks for the width of a stroke along its length: the
// factor by which the stroke is widened at a position, an overall fraction
// in [0, 1] of the path.  The stroke style answers it from its pressure
// curve; a path that has no source uses 1 everywhere.
class PressureSource {
public:
    virtual ~PressureSource() = default;
    virtual float pressureAt(float position) const = 0;
};

} // namespace scrivane
