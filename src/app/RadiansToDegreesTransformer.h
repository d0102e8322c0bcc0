#pragma once

namespace scrivane {

// Angles stored in radians shown in degrees, with the same constant for
// π / 180 that the inspector and the joystick use.
class RadiansToDegreesTransformer {
public:
    static constexpr double RadiansPerDegree = 0.01745329277777778;

    static double transformedValue(double radians) { return radians / RadiansPerDegree; }
    static double reverseTransformedValue(double degrees) { return degrees * RadiansPerDegree; }
};

} // namespace scrivane
