#include "document/TDPdfColorSpace.h"

#include "platform/Profile.h"

#include <lcms2.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace scrivane {

namespace {

float clamped(double v)
{
    return std::isfinite(v) ? float(std::clamp(v, 0.0, 1.0)) : 0.0f;
}

uint8_t byteOf(float v)
{
    return uint8_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

} // namespace

// One profile's transform into sRGB, floats in and out.
struct TDPdfColorSpace::Profile {
    cmsHTRANSFORM transform = nullptr;
    // CMYK floats are percentages for lcms2.
    float inputScale = 1;

    Profile() = default;
    Profile(const Profile &) = delete;
    Profile &operator=(const Profile &) = delete;
    ~Profile()
    {
        if (transform)
            cmsDeleteTransform(transform);
    }
};

TDPdfColorSpace TDPdfColorSpace::tint(int components)
{
    return TDPdfColorSpace(Family::Tint, std::clamp(components, 1, MaximumComponents));
}

TDPdfColorSpace TDPdfColorSpace::iccBased(const QByteArray &data, int components)
{
    TDPdfColorSpace fallback = components == 4   ? deviceCMYK()
                               : components == 3 ? deviceRGB()
                               : components == 1 ? deviceGray()
                                                 : tint(components);
    if (fallback.m_family == Family::Tint || data.isEmpty())
        return fallback;
    // A profile from a stranger's PDF: lcms2 reports what it cannot read
    // through our handler.
    scrivane::Profile::installErrorHandler();
    cmsHPROFILE input = cmsOpenProfileFromMem(data.constData(), cmsUInt32Number(data.size()));
    if (!input)
        return fallback;
    const cmsColorSpaceSignature signature = cmsGetColorSpace(input);
    cmsUInt32Number format = 0;
    float scale = 1;
    if (components == 1 && signature == cmsSigGrayData) {
        format = TYPE_GRAY_FLT;
    } else if (components == 3 && signature == cmsSigRgbData) {
        format = TYPE_RGB_FLT;
    } else if (components == 4 && signature == cmsSigCmykData) {
        format = TYPE_CMYK_FLT;
        scale = 100;
    }
    if (format == 0) {
        cmsCloseProfile(input);
        return fallback;
    }
    cmsHPROFILE output = cmsCreate_sRGBProfile();
    auto profile = std::make_shared<Profile>();
    profile->transform =
        output ? cmsCreateTransform(input, format, output, TYPE_RGB_FLT, INTENT_PERCEPTUAL, 0) : nullptr;
    profile->inputScale = scale;
    cmsCloseProfile(input);
    if (output)
        cmsCloseProfile(output);
    if (!profile->transform)
        return fallback;
    TDPdfColorSpace space(Family::ICCBased, components);
    space.m_profile = std::move(profile);
    return space;
}

Color TDPdfColorSpace::color(std::span<const double> components, float alpha) const
{
    std::array<float, MaximumComponents> c{};
    for (size_t i = 0; i < components.size() && i < size_t(m_components); ++i)
        c[i] = clamped(components[i]);
    switch (m_family) {
    case Family::DeviceGray:
        return Color::deviceWhite(c[0], alpha);
    case Family::DeviceRGB:
        return Color::deviceRGB(c[0], c[1], c[2], alpha);
    case Family::DeviceCMYK:
        return Color::deviceCMYK(c[0], c[1], c[2], c[3], alpha);
    case Family::ICCBased: {
        std::array<float, 4> in{};
        for (int i = 0; i < m_components && i < 4; ++i)
            in[size_t(i)] = c[size_t(i)] * m_profile->inputScale;
        std::array<float, 3> rgb{};
        cmsDoTransform(m_profile->transform, in.data(), rgb.data(), 1);
        return Color::calibratedRGB(rgb[0], rgb[1], rgb[2], alpha);
    }
    case Family::Tint:
        return Color::calibratedWhite(1 - c[0], alpha);
    }
    return Color::black();
}

Color TDPdfColorSpace::initialColor() const
{
    std::array<double, MaximumComponents> c{};
    if (m_family == Family::DeviceCMYK || (m_family == Family::ICCBased && m_components == 4))
        c[3] = 1;
    if (m_family == Family::Tint)
        c[0] = 1;
    return color(std::span<const double>(c.data(), size_t(m_components)));
}

void TDPdfColorSpace::toRGB(const float *samples, uint8_t *rgb, size_t pixels) const
{
    const size_t n = size_t(m_components);
    switch (m_family) {
    case Family::DeviceGray:
        for (size_t i = 0; i < pixels; ++i)
            rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = byteOf(samples[i]);
        return;
    case Family::Tint:
        for (size_t i = 0; i < pixels; ++i)
            rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = byteOf(1 - samples[i * n]);
        return;
    case Family::DeviceRGB:
        for (size_t i = 0; i < 3 * pixels; ++i)
            rgb[i] = byteOf(samples[i]);
        return;
    case Family::DeviceCMYK:
        // The same plain conversion as every CMYK colour of the drawing.
        for (size_t i = 0; i < pixels; ++i) {
            const float *s = samples + 4 * i;
            for (int k = 0; k < 3; ++k)
                rgb[3 * i + size_t(k)] = byteOf(1 - std::min(1.0f, s[k] + s[3]));
        }
        return;
    case Family::ICCBased: {
        std::vector<float> in(samples, samples + n * pixels);
        if (m_profile->inputScale != 1)
            for (float &v : in)
                v *= m_profile->inputScale;
        std::vector<float> out(3 * pixels);
        cmsDoTransform(m_profile->transform, in.data(), out.data(), cmsUInt32Number(pixels));
        for (size_t i = 0; i < 3 * pixels; ++i)
            rgb[i] = byteOf(out[i]);
        return;
    }
    }
}

} // namespace scrivane
