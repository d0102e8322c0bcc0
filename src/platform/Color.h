#pragma once

#include <array>
#include <cstdint>

typedef struct _cairo cairo_t;

namespace scrivane {

// A colour value in one of the colour spaces the drawing uses, with an
// alpha.  Components and alpha are single precision and clamped to [0, 1]
// when the colour is made (NaN becomes 0).  On Linux the calibrated and
// device spaces of a kind convert alike; the space is kept so that a colour
// is written back as it was read.
class Color {
public:
    enum class Space : std::uint8_t {
        CalibratedWhite = 0,
        CalibratedRGB = 1,
        DeviceWhite = 2,
        DeviceRGB = 3,
        DeviceCMYK = 4,
    };

    // Black, calibrated white 0.
    Color() = default;

    static Color calibratedWhite(float white, float alpha = 1);
    static Color calibratedRGB(float red, float green, float blue, float alpha = 1);
    // Hue, saturation and brightness in [0, 1], made in calibrated RGB.
    static Color calibratedHSB(float hue, float saturation, float brightness, float alpha = 1);
    static Color deviceWhite(float white, float alpha = 1);
    static Color deviceRGB(float red, float green, float blue, float alpha = 1);
    static Color deviceCMYK(float cyan, float magenta, float yellow, float black, float alpha = 1);

    // Named colours.
    static Color black() { return calibratedWhite(0); }
    static Color white() { return calibratedWhite(1); }
    static Color clear() { return calibratedWhite(0, 0); }
    static Color gray() { return calibratedWhite(0.5f); }
    static Color lightGray() { return calibratedWhite(2.0f / 3.0f); }
    static Color darkGray() { return calibratedWhite(1.0f / 3.0f); }
    static Color red() { return calibratedRGB(1, 0, 0); }
    static Color green() { return calibratedRGB(0, 1, 0); }
    static Color blue() { return calibratedRGB(0, 0, 1); }
    static Color cyan() { return calibratedRGB(0, 1, 1); }
    static Color magenta() { return calibratedRGB(1, 0, 1); }
    static Color yellow() { return calibratedRGB(1, 1, 0); }
    // System colours: from the application's palette while a Qt GUI
    // application exists, fixed light tones otherwise.
    static Color selectedTextBackground();
    static Color windowBackground();

    Space space() const { return m_space; }
    // 1 for the white spaces, 3 for RGB, 4 for CMYK (alpha not counted).
    int numberOfComponents() const;
    // The space's own components in order (white; red, green, blue; cyan,
    // magenta, yellow, black); unused entries are 0.
    const std::array<float, 4> &components() const { return m_components; }
    float alpha() const { return m_alpha; }
    // The same colour with another alpha.
    Color withAlpha(float alpha) const;

    // The colour in calibrated RGB: itself when it is already there; white w
    // becomes (w, w, w); CMYK the plain way, red = 1 - min(1, cyan + black)
    // and so on.
    Color toCalibratedRGB() const;
    // Components of the calibrated RGB form, whatever the space.
    float redComponent() const { return toCalibratedRGB().m_components[0]; }
    float greenComponent() const { return toCalibratedRGB().m_components[1]; }
    float blueComponent() const { return toCalibratedRGB().m_components[2]; }
    float hueComponent() const;
    float saturationComponent() const;
    float brightnessComponent() const;

    // Both colours in calibrated RGB, each component (alpha too) mixed as
    // (1 - fraction)·this + fraction·other; fraction is clamped to [0, 1].
    Color blendedWithFraction(float fraction, const Color &other) const;

    // Sets the calibrated RGB form with its alpha as the cairo source.
    void setAsCairoSource(cairo_t *cr) const;

    // Same space, components and alpha.
    friend bool operator==(const Color &, const Color &) = default;

private:
    Color(Space space, std::array<float, 4> components, float alpha);

    Space m_space = Space::CalibratedWhite;
    std::array<float, 4> m_components{0, 0, 0, 0};
    float m_alpha = 1;
};

} // namespace scrivane
