#pragma once

#include "platform/Color.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>

namespace scrivane {

// A colour space of a PDF page, as the page importer needs it: how many
// components a colour in it has, its initial colour, and how a colour or a
// row of image samples in it becomes a colour of the drawing.
//
// Device grey, RGB and CMYK colours keep their device space (they are
// written back as they were read); ICC-based colours are converted through
// their profile into sRGB with lcms2, and fall back to the device space of
// the same number of components when the profile cannot be used.  A
// separation (or any other space the importer only knows by its number of
// tints) shows its first tint as grey, tint 1 being black.
class TDPdfColorSpace {
public:
    enum class Family { DeviceGray, DeviceRGB, DeviceCMYK, ICCBased, Tint };
    // The most components a colour space may have: more is refused, so that
    // operands and samples are read within bounds.
    static constexpr int MaximumComponents = 32;

    TDPdfColorSpace() = default;
    static TDPdfColorSpace deviceGray() { return TDPdfColorSpace(Family::DeviceGray, 1); }
    static TDPdfColorSpace deviceRGB() { return TDPdfColorSpace(Family::DeviceRGB, 3); }
    static TDPdfColorSpace deviceCMYK() { return TDPdfColorSpace(Family::DeviceCMYK, 4); }
    // A space whose first of `components` tints shows as grey.
    static TDPdfColorSpace tint(int components);
    // The space of an ICC profile with `components` components (1, 3 or
    // 4); the device space of that many components when the profile is not
    // one lcms2 can read, or is not of that many components.
    static TDPdfColorSpace iccBased(const QByteArray &profile, int components);

    Family family() const { return m_family; }
    int components() const { return m_components; }
    // The colour of the components, each clamped to [0, 1]; missing
    // components count as 0.
    Color color(std::span<const double> components, float alpha = 1) const;
    // Black in this space (the colour a new colour space starts with).
    Color initialColor() const;
    // Converts `pixels` samples of components() values each, in [0, 1],
    // to 8-bit red, green and blue.
    void toRGB(const float *samples, uint8_t *rgb, size_t pixels) const;

private:
    struct Profile;
    TDPdfColorSpace(Family family, int components) : m_family(family), m_components(components) {}

    Family m_family = Family::DeviceGray;
    int m_components = 1;
    std::shared_ptr<const Profile> m_profile;
};

} // namespace scrivane
