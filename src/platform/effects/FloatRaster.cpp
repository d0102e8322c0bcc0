#include "FloatRaster.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>

namespace scrivane {

namespace {

// Large rasters are fresh memory on every render; on huge pages the first
// touch of each costs far fewer page faults.
constexpr std::size_t kHugePage = std::size_t(2) << 20;

} // namespace

void FloatRaster::Release::operator()(float *data) const
{
    std::free(data);
}

std::optional<FloatRaster> FloatRaster::allocate(const PixelRect &rect, bool clear)
{
    if (rect.isEmpty() || rect.area() > kMaxPixels)
        return std::nullopt;
    FloatRaster raster;
    raster.m_rect = rect;
    const std::size_t bytes = std::size_t(rect.area()) * 4 * sizeof(float);
    if (bytes >= 4 * kHugePage) {
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        raster.m_data.reset(static_cast<float *>(std::aligned_alloc(kHugePage, rounded)));
        if (raster.m_data)
            madvise(raster.m_data.get(), rounded, MADV_HUGEPAGE);
    } else {
        raster.m_data.reset(static_cast<float *>(std::malloc(bytes)));
    }
    if (!raster.m_data)
        return std::nullopt;
    if (clear)
        raster.clear();
    return raster;
}

Rgba FloatRaster::at(int x, int y) const
{
    if (x < m_rect.x || y < m_rect.y || x >= m_rect.right() || y >= m_rect.bottom())
        return {};
    const float *p = pixel(x, y);
    return {p[0], p[1], p[2], p[3]};
}

void FloatRaster::set(int x, int y, const Rgba &value)
{
    float *p = pixel(x, y);
    p[0] = value.r;
    p[1] = value.g;
    p[2] = value.b;
    p[3] = value.a;
}

void FloatRaster::clear()
{
    if (m_data)
        std::memset(m_data.get(), 0, std::size_t(m_rect.area()) * 4 * sizeof(float));
}

void FloatRaster::copyFrom(const FloatRaster &source)
{
    const PixelRect common = m_rect.intersected(source.rect());
    if (common.isEmpty())
        return;
    const std::size_t bytes = std::size_t(common.width) * 4 * sizeof(float);
    for (int y = common.y; y < common.bottom(); ++y)
        std::memcpy(pixel(common.x, y), source.pixel(common.x, y), bytes);
}

} // namespace scrivane
