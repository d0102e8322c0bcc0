#pragma once

#include <cairo.h>

#include <cstdint>

namespace scrivane {

// A rendered effect: a cairo image surface in CAIRO_FORMAT_ARGB32, the
// premultiplied 32-bit layout (alpha in the high byte of each native-endian
// pixel) that cairo draws directly.  Row 0 is the top of the buffer.
class PixelBuffer {
public:
    PixelBuffer() = default;
    // A transparent buffer; null when cairo cannot make the surface.
    PixelBuffer(int width, int height);
    // A copy of the pixels of an image surface of any format; null for other
    // surfaces.
    static PixelBuffer fromSurface(cairo_surface_t *surface);

    ~PixelBuffer();
    PixelBuffer(PixelBuffer &&other) noexcept;
    PixelBuffer &operator=(PixelBuffer &&other) noexcept;
    PixelBuffer(const PixelBuffer &) = delete;
    PixelBuffer &operator=(const PixelBuffer &) = delete;

    bool isNull() const { return m_surface == nullptr; }
    int width() const;
    int height() const;
    int stride() const;

    // Raw rows for reading; after writing through data(), call markDirty().
    const std::uint8_t *data() const;
    std::uint8_t *data();
    void markDirty();

    // The premultiplied ARGB value of a pixel (x right, y down from the top).
    std::uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, std::uint32_t argb);

    // The surface, owned by this buffer, for cairo_set_source_surface().
    cairo_surface_t *surface() const { return m_surface; }

private:
    cairo_surface_t *m_surface = nullptr;
};

} // namespace scrivane
