#pragma once

namespace scrivane {

// The colour value of a filter input: red, green, blue and alpha in [0, 1],
// not premultiplied, in the device RGB space that the effects work in.
struct EffectColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    constexpr EffectColor() = default;
    constexpr EffectColor(double r, double g, double b, double a = 1) : red(r), green(g), blue(b), alpha(a) {}

    friend constexpr bool operator==(const EffectColor &, const EffectColor &) = default;
};

} // namespace scrivane
