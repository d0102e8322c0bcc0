#include "platform/Color.h"

#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <cairo.h>
#include <cmath>

namespace scrivane {

namespace {

float unit(float v)
{
    if (std::isnan(v))
        return 0;
    return std::clamp(v, 0.0f, 1.0f);
}

bool isRGB(Color::Space space)
{
    return space == Color::Space::CalibratedRGB || space == Color::Space::DeviceRGB;
}

bool isWhite(Color::Space space)
{
    return space == Color::Space::CalibratedWhite || space == Color::Space::DeviceWhite;
}

Color fromPalette(QPalette::ColorRole role, Color fallback)
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return fallback;
    const QColor c = QGuiApplication::palette().color(QPalette::Active, role);
    return Color::calibratedRGB(static_cast<float>(c.redF()), static_cast<float>(c.greenF()),
                                static_cast<float>(c.blueF()), static_cast<float>(c.alphaF()));
}

} // namespace

Color::Color(Space space, std::array<float, 4> components, float alpha) : m_space(space), m_alpha(unit(alpha))
{
    for (std::size_t i = 0; i < components.size(); ++i)
        m_components[i] = unit(components[i]);
}

Color Color::calibratedWhite(float white, float alpha)
{
    return Color(Space::CalibratedWhite, {white, 0, 0, 0}, alpha);
}

Color Color::calibratedRGB(float red, float green, float blue, float alpha)
{
    return Color(Space::CalibratedRGB, {red, green, blue, 0}, alpha);
}

Color Color::calibratedHSB(float hue, float saturation, float brightness, float alpha)
{
    const double h = unit(hue), s = unit(saturation), v = unit(brightness);
    if (s == 0)
        return calibratedRGB(static_cast<float>(v), static_cast<float>(v), static_cast<float>(v), alpha);
    // A hue of 1 is the same red as a hue of 0.
    const double sector = (h >= 1 ? 0 : h) * 6;
    const int i = static_cast<int>(std::floor(sector));
    const double f = sector - i;
    const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    // Red, green and blue of each sixth of the hue circle.
    const double sextants[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
    const double *rgb = sextants[std::clamp(i, 0, 5)];
    return calibratedRGB(static_cast<float>(rgb[0]), static_cast<float>(rgb[1]), static_cast<float>(rgb[2]),
                         alpha);
}

Color Color::deviceWhite(float white, float alpha)
{
    return Color(Space::DeviceWhite, {white, 0, 0, 0}, alpha);
}

Color Color::deviceRGB(float red, float green, float blue, float alpha)
{
    return Color(Space::DeviceRGB, {red, green, blue, 0}, alpha);
}

Color Color::deviceCMYK(float cyan, float magenta, float yellow, float black, float alpha)
{
    return Color(Space::DeviceCMYK, {cyan, magenta, yellow, black}, alpha);
}

Color Color::selectedTextBackground()
{
    return fromPalette(QPalette::Highlight, calibratedRGB(0.71f, 0.84f, 1.0f));
}

Color Color::windowBackground()
{
    return fromPalette(QPalette::Window, calibratedWhite(0.93f));
}

int Color::numberOfComponents() const
{
    if (isWhite(m_space))
        return 1;
    if (isRGB(m_space))
        return 3;
    return 4;
}

Color Color::withAlpha(float alpha) const
{
    Color result = *this;
    result.m_alpha = unit(alpha);
    return result;
}

Color Color::toCalibratedRGB() const
{
    const auto &c = m_components;
    switch (m_space) {
    case Space::CalibratedRGB:
        return *this;
    case Space::DeviceRGB:
        return calibratedRGB(c[0], c[1], c[2], m_alpha);
    case Space::CalibratedWhite:
    case Space::DeviceWhite:
        return calibratedRGB(c[0], c[0], c[0], m_alpha);
    case Space::DeviceCMYK:
        return calibratedRGB(1 - std::min(1.0f, c[0] + c[3]), 1 - std::min(1.0f, c[1] + c[3]),
                             1 - std::min(1.0f, c[2] + c[3]), m_alpha);
    }
    return *this;
}

float Color::hueComponent() const
{
    const Color rgb = toCalibratedRGB();
    const double r = rgb.m_components[0], g = rgb.m_components[1], b = rgb.m_components[2];
    const double max = std::max({r, g, b}), min = std::min({r, g, b});
    const double delta = max - min;
    if (delta == 0)
        return 0;
    double hue = 0;
    if (max == r)
        hue = (g - b) / delta;
    else if (max == g)
        hue = 2 + (b - r) / delta;
    else
        hue = 4 + (r - g) / delta;
    hue /= 6;
    if (hue < 0)
        hue += 1;
    return static_cast<float>(hue);
}

float Color::saturationComponent() const
{
    const Color rgb = toCalibratedRGB();
    const auto &c = rgb.m_components;
    const float max = std::max({c[0], c[1], c[2]}), min = std::min({c[0], c[1], c[2]});
    return max == 0 ? 0 : (max - min) / max;
}

float Color::brightnessComponent() const
{
    const Color rgb = toCalibratedRGB();
    const auto &c = rgb.m_components;
    return std::max({c[0], c[1], c[2]});
}

Color Color::blendedWithFraction(float fraction, const Color &other) const
{
    const float f = unit(fraction);
    const Color a = toCalibratedRGB(), b = other.toCalibratedRGB();
    const auto mix = [f](float x, float y) { return (1 - f) * x + f * y; };
    return calibratedRGB(mix(a.m_components[0], b.m_components[0]), mix(a.m_components[1], b.m_components[1]),
                         mix(a.m_components[2], b.m_components[2]), mix(a.m_alpha, b.m_alpha));
}

void Color::setAsCairoSource(cairo_t *cr) const
{
    const Color rgb = toCalibratedRGB();
    cairo_set_source_rgba(cr, rgb.m_components[0], rgb.m_components[1], rgb.m_components[2], rgb.m_alpha);
}

} // namespace scrivane
