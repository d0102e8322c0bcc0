#include "PixelBuffer.h"

#include <cstring>
#include <utility>

namespace scrivane {

PixelBuffer::PixelBuffer(int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return;
    }
    m_surface = surface;
}

PixelBuffer PixelBuffer::fromSurface(cairo_surface_t *surface)
{
    if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return {};
    PixelBuffer copy(cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface));
    if (copy.isNull())
        return copy;
    cairo_t *cr = cairo_create(copy.m_surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(copy.m_surface);
    return copy;
}

PixelBuffer::~PixelBuffer()
{
    if (m_surface)
        cairo_surface_destroy(m_surface);
}

PixelBuffer::PixelBuffer(PixelBuffer &&other) noexcept : m_surface(std::exchange(other.m_surface, nullptr)) {}

PixelBuffer &PixelBuffer::operator=(PixelBuffer &&other) noexcept
{
    if (this != &other) {
        if (m_surface)
            cairo_surface_destroy(m_surface);
        m_surface = std::exchange(other.m_surface, nullptr);
    }
    return *this;
}

int PixelBuffer::width() const
{
    return m_surface ? cairo_image_surface_get_width(m_surface) : 0;
}

int PixelBuffer::height() const
{
    return m_surface ? cairo_image_surface_get_height(m_surface) : 0;
}

int PixelBuffer::stride() const
{
    return m_surface ? cairo_image_surface_get_stride(m_surface) : 0;
}

const std::uint8_t *PixelBuffer::data() const
{
    if (!m_surface)
        return nullptr;
    cairo_surface_flush(m_surface);
    return cairo_image_surface_get_data(m_surface);
}

std::uint8_t *PixelBuffer::data()
{
    if (!m_surface)
        return nullptr;
    cairo_surface_flush(m_surface);
    return cairo_image_surface_get_data(m_surface);
}

void PixelBuffer::markDirty()
{
    if (m_surface)
        cairo_surface_mark_dirty(m_surface);
}

std::uint32_t PixelBuffer::pixel(int x, int y) const
{
    if (!m_surface || x < 0 || y < 0 || x >= width() || y >= height())
        return 0;
    std::uint32_t value;
    std::memcpy(&value, data() + std::size_t(y) * stride() + std::size_t(x) * 4, 4);
    return value;
}

void PixelBuffer::setPixel(int x, int y, std::uint32_t argb)
{
    if (!m_surface || x < 0 || y < 0 || x >= width() || y >= height())
        return;
    std::memcpy(data() + std::size_t(y) * stride() + std::size_t(x) * 4, &argb, 4);
    markDirty();
}

} // namespace scrivane
