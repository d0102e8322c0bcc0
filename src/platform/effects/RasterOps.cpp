#include "RasterOps.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace scrivane {

namespace {

// Clamps that send NaN to the lower bound: a filter fed absurd numbers
// must still produce valid pixels.
float clamp01(double v)
{
    return v > 0 ? (v < 1 ? float(v) : 1.0f) : 0.0f;
}

float clampTo(float v, float high)
{
    return v > 0 ? (v < high ? v : high) : 0.0f;
}

std::uint8_t toByte(float v)
{
    return std::uint8_t(std::lrint(v * 255.0f));
}

// Adds w × the pixel at integer index (ix, iy) of the raster, when inside.
inline void accumulate(const FloatRaster &s, int ix, int iy, float w, float *acc)
{
    const PixelRect &r = s.rect();
    if (ix < r.x || iy < r.y || ix >= r.right() || iy >= r.bottom())
        return;
    const float *p = s.pixel(ix, iy);
    acc[0] += w * p[0];
    acc[1] += w * p[1];
    acc[2] += w * p[2];
    acc[3] += w * p[3];
}

inline void sampleInto(const FloatRaster &s, double x, double y, float *acc, float weight)
{
    const double fx = x - 0.5;
    const double fy = y - 0.5;
    if (!(std::abs(fx) < 1e9 && std::abs(fy) < 1e9))
        return;
    const double x0 = std::floor(fx);
    const double y0 = std::floor(fy);
    const float tx = float(fx - x0);
    const float ty = float(fy - y0);
    const int ix = int(x0);
    const int iy = int(y0);
    const PixelRect &r = s.rect();
    if (ix >= r.x && iy >= r.y && ix + 1 < r.right() && iy + 1 < r.bottom()) {
        const float *p00 = s.pixel(ix, iy);
        const float *p01 = p00 + 4;
        const float *p10 = s.pixel(ix, iy + 1);
        const float *p11 = p10 + 4;
        const float w00 = (1 - tx) * (1 - ty) * weight, w01 = tx * (1 - ty) * weight;
        const float w10 = (1 - tx) * ty * weight, w11 = tx * ty * weight;
        for (int c = 0; c < 4; ++c)
            acc[c] += w00 * p00[c] + w01 * p01[c] + w10 * p10[c] + w11 * p11[c];
        return;
    }
    accumulate(s, ix, iy, (1 - tx) * (1 - ty) * weight, acc);
    accumulate(s, ix + 1, iy, tx * (1 - ty) * weight, acc);
    accumulate(s, ix, iy + 1, (1 - tx) * ty * weight, acc);
    accumulate(s, ix + 1, iy + 1, tx * ty * weight, acc);
}

} // namespace

Rgba RasterOps::premultiplied(const EffectColor &color)
{
    return premultiply({float(color.red), float(color.green), float(color.blue), float(color.alpha)});
}

Rgba RasterOps::unpremultiply(const Rgba &p)
{
    if (!(p.a > 0))
        return {};
    const float inv = 1.0f / p.a;
    return {p.r * inv, p.g * inv, p.b * inv, p.a};
}

Rgba RasterOps::premultiply(const Rgba &c)
{
    const float a = clamp01(c.a);
    return {clamp01(c.r) * a, clamp01(c.g) * a, clamp01(c.b) * a, a};
}

Rgba RasterOps::clampPremultiplied(const Rgba &p)
{
    const float a = clamp01(p.a);
    return {clampTo(p.r, a), clampTo(p.g, a), clampTo(p.b, a), a};
}

void RasterOps::convertPixels(const PixelBuffer &pixels, int originX, int originY, FloatRaster &out)
{
    const PixelRect area =
        out.rect().intersected(PixelRect(originX, originY, pixels.width(), pixels.height()));
    if (area.isEmpty())
        return;
    const std::uint8_t *data = pixels.data();
    const int stride = pixels.stride();
    constexpr float inv = 1.0f / 255.0f;
    for (int y = area.y; y < area.bottom(); ++y) {
        const std::uint8_t *src =
            data + std::size_t(y - originY) * stride + std::size_t(area.x - originX) * 4;
        float *dst = out.pixel(area.x, y);
        for (int i = 0; i < area.width; ++i, src += 4, dst += 4) {
            std::uint32_t v;
            std::memcpy(&v, src, 4);
            dst[0] = float((v >> 16) & 0xff) * inv;
            dst[1] = float((v >> 8) & 0xff) * inv;
            dst[2] = float(v & 0xff) * inv;
            dst[3] = float(v >> 24) * inv;
        }
    }
}

PixelBuffer RasterOps::toPixels(const FloatRaster &raster)
{
    const PixelRect &r = raster.rect();
    PixelBuffer buffer(r.width, r.height);
    if (buffer.isNull())
        return buffer;
    std::uint8_t *data = buffer.data();
    const int stride = buffer.stride();
    for (int y = r.y; y < r.bottom(); ++y) {
        const float *src = raster.row(y);
        std::uint8_t *dst = data + std::size_t(y - r.y) * stride;
        for (int x = 0; x < r.width; ++x, src += 4, dst += 4) {
            const float a = clamp01(src[3]);
            const std::uint32_t v =
                std::uint32_t(toByte(a)) << 24 | std::uint32_t(toByte(clampTo(src[0], a))) << 16 |
                std::uint32_t(toByte(clampTo(src[1], a))) << 8 | std::uint32_t(toByte(clampTo(src[2], a)));
            std::memcpy(dst, &v, 4);
        }
    }
    buffer.markDirty();
    return buffer;
}

Rgba RasterOps::sample(const FloatRaster &source, double x, double y)
{
    float acc[4] = {0, 0, 0, 0};
    sampleInto(source, x, y, acc, 1.0f);
    return {acc[0], acc[1], acc[2], acc[3]};
}

int RasterOps::supersampling(const EffectTransform &t)
{
    const double stretch = std::max(std::hypot(t.m11, t.m12), std::hypot(t.m21, t.m22));
    if (!std::isfinite(stretch))
        return 1;
    return int(std::clamp(std::ceil(stretch - 1e-6), 1.0, 8.0));
}

void RasterOps::resampleAffine(const FloatRaster &source, FloatRaster &out, const EffectTransform &t,
                               int samples)
{
    samples = std::clamp(samples, 1, 8);
    const PixelRect &r = out.rect();
    const float weight = 1.0f / float(samples * samples);
    for (int y = r.y; y < r.bottom(); ++y) {
        float *dst = out.row(y);
        for (int x = r.x; x < r.right(); ++x, dst += 4) {
            float acc[4] = {0, 0, 0, 0};
            for (int sy = 0; sy < samples; ++sy) {
                const double py = y + (sy + 0.5) / samples;
                for (int sx = 0; sx < samples; ++sx) {
                    const double px = x + (sx + 0.5) / samples;
                    sampleInto(source, t.m11 * px + t.m21 * py + t.tX, t.m12 * px + t.m22 * py + t.tY, acc,
                               weight);
                }
            }
            std::memcpy(dst, acc, sizeof acc);
        }
    }
}

void RasterOps::resampleMapped(const FloatRaster &source, FloatRaster &out, const PointMap &map, int samples)
{
    samples = std::clamp(samples, 1, 8);
    const PixelRect &r = out.rect();
    const float weight = 1.0f / float(samples * samples);
    for (int y = r.y; y < r.bottom(); ++y) {
        float *dst = out.row(y);
        for (int x = r.x; x < r.right(); ++x, dst += 4) {
            float acc[4] = {0, 0, 0, 0};
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    double px = x + (sx + 0.5) / samples;
                    double py = y + (sy + 0.5) / samples;
                    if (map(px, py))
                        sampleInto(source, px, py, acc, weight);
                }
            }
            std::memcpy(dst, acc, sizeof acc);
        }
    }
}

} // namespace scrivane
