#include "platform/RasterBlur.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace scrivane {

namespace {

// One box of width 2r + 1 along each row; `out` may not alias `in`.
void boxRows(const std::uint8_t *in, std::uint8_t *out, int width, int height, int stride, int r)
{
    const std::uint32_t w = static_cast<std::uint32_t>(2 * r + 1);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *src = in + static_cast<std::ptrdiff_t>(y) * stride;
        std::uint8_t *dst = out + static_cast<std::ptrdiff_t>(y) * stride;
        std::uint32_t sum = 0;
        for (int x = 0; x < std::min(r, width); ++x)
            sum += src[x];
        for (int x = 0; x < width; ++x) {
            if (x + r < width)
                sum += src[x + r];
            if (x - r - 1 >= 0)
                sum -= src[x - r - 1];
            dst[x] = static_cast<std::uint8_t>((sum + w / 2) / w);
        }
    }
}

// One box of width 2r + 1 down each column, a row at a time so that memory
// is read in order.
void boxColumns(const std::uint8_t *in, std::uint8_t *out, int width, int height, int stride, int r,
                std::vector<std::uint32_t> &sums)
{
    const std::uint32_t w = static_cast<std::uint32_t>(2 * r + 1);
    sums.assign(static_cast<std::size_t>(width), 0);
    auto row = [&](int y) { return in + static_cast<std::ptrdiff_t>(y) * stride; };
    for (int y = 0; y < std::min(r, height); ++y) {
        const std::uint8_t *src = row(y);
        for (int x = 0; x < width; ++x)
            sums[static_cast<std::size_t>(x)] += src[x];
    }
    for (int y = 0; y < height; ++y) {
        if (y + r < height) {
            const std::uint8_t *add = row(y + r);
            for (int x = 0; x < width; ++x)
                sums[static_cast<std::size_t>(x)] += add[x];
        }
        if (y - r - 1 >= 0) {
            const std::uint8_t *sub = row(y - r - 1);
            for (int x = 0; x < width; ++x)
                sums[static_cast<std::size_t>(x)] -= sub[x];
        }
        std::uint8_t *dst = out + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x)
            dst[x] = static_cast<std::uint8_t>((sums[static_cast<std::size_t>(x)] + w / 2) / w);
    }
}

} // namespace

std::array<int, 3> RasterBlur::boxWidths(double sigma)
{
    if (!(sigma > 0) || !std::isfinite(sigma))
        return {1, 1, 1};
    // Three boxes of widths wl or wu = wl + 2 whose variances add up to
    // sigma²; m of them take the smaller width.
    const double n = 3;
    const double ideal = std::sqrt(12 * sigma * sigma / n + 1);
    int wl = static_cast<int>(std::floor(ideal));
    if (wl % 2 == 0)
        --wl;
    wl = std::max(wl, 1);
    const int wu = wl + 2;
    const double mIdeal = (12 * sigma * sigma - n * wl * wl - 4 * n * wl - 3 * n) / (-4.0 * wl - 4);
    const int m = static_cast<int>(std::lround(mIdeal));
    std::array<int, 3> widths{};
    for (int i = 0; i < 3; ++i)
        widths[static_cast<std::size_t>(i)] = i < m ? wl : wu;
    return widths;
}

void RasterBlur::gaussianAlpha(std::uint8_t *data, int width, int height, int stride, double sigma)
{
    if (!data || width <= 0 || height <= 0 || stride < width || !(sigma >= 0.5) || !std::isfinite(sigma))
        return;
    const std::array<int, 3> widths = boxWidths(sigma);
    std::vector<std::uint8_t> scratch(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    std::vector<std::uint32_t> sums;
    for (int w : widths) {
        const int r = (w - 1) / 2;
        if (r == 0)
            continue;
        boxRows(data, scratch.data(), width, height, stride, r);
        boxColumns(scratch.data(), data, width, height, stride, r, sums);
    }
}

} // namespace scrivane
