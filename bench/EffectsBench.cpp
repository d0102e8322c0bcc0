// Effects engine: the Gaussian blur against pixman's separable convolution
// with the same kernel, on the same image and output area.

#include "BenchSupport.h"

#include "platform/effects/EffectRegistry.h"

#include <benchmark/benchmark.h>

#ifdef SCRIVANE_HAVE_PIXMAN
#include <pixman.h>
#endif

#include <cmath>
#include <cstdint>
#include <vector>

using namespace scrivane;

namespace {

// A square image of `size` pixels with structure at every scale: soft
// diagonal bands and a hard-edged disc, partly transparent.
PixelBuffer testPixels(int size)
{
    PixelBuffer pixels(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double dx = x - size / 2.0, dy = y - size / 2.0;
            const bool disc = dx * dx + dy * dy < size * size / 9.0;
            const std::uint32_t a =
                disc ? 255 : 128 + std::uint32_t(127 * std::sin((x + y) * 0.05) * std::sin((x + y) * 0.05));
            const std::uint32_t r = a * std::uint32_t((x * 7) & 255) / 255;
            const std::uint32_t g = a * std::uint32_t((y * 3) & 255) / 255;
            const std::uint32_t b = disc ? a : 0;
            pixels.setPixel(x, y, a << 24 | r << 16 | g << 8 | b);
        }
    return pixels;
}

void BM_GaussianBlur(benchmark::State &state)
{
    const int size = int(bench::size(state.range(1), 64));
    std::unique_ptr<EffectFilter> blur = EffectRegistry::shared().create("CIGaussianBlur");
    blur->setValue("inputImage", EffectImage::fromPixels(testPixels(size)));
    blur->setValue("inputRadius", double(state.range(0)));
    const ImageRef out = blur->outputImage();
    for (auto _ : state) {
        RenderedImage rendered = out->render(out->extent(), 1);
        if (rendered.isNull()) {
            state.SkipWithError("rendering failed");
            break;
        }
        benchmark::DoNotOptimize(rendered.pixels.data());
    }
    const PixelRect area = out->deviceExtent(1);
    state.counters["output_pixels"] = double(area.area());
    state.SetItemsProcessed(state.iterations() * area.area());
}

#ifdef SCRIVANE_HAVE_PIXMAN
// pixman's separable convolution with the true Gaussian of the same
// deviation, cut at three deviations, writing the same output area.
void BM_PixmanConvolution(benchmark::State &state)
{
    const int size = int(bench::size(state.range(1), 64));
    const double sigma = double(state.range(0));
    PixelBuffer pixels = testPixels(size);

    std::unique_ptr<EffectFilter> blur = EffectRegistry::shared().create("CIGaussianBlur");
    blur->setValue("inputImage", EffectImage::fromPixels(testPixels(1)));
    blur->setValue("inputRadius", sigma);
    const int margin = int(std::ceil(-blur->outputImage()->extent().x));
    const int outSize = size + 2 * margin;

    const int half = int(std::ceil(3 * sigma));
    const int width = 2 * half + 1;
    std::vector<double> weights(std::size_t(width), 0.0);
    double total = 0;
    for (int i = 0; i < width; ++i)
        total += weights[std::size_t(i)] = std::exp(-(i - half) * (i - half) / (2 * sigma * sigma));
    std::vector<pixman_fixed_t> params;
    params.push_back(pixman_int_to_fixed(width));
    params.push_back(pixman_int_to_fixed(width));
    params.push_back(pixman_int_to_fixed(0));
    params.push_back(pixman_int_to_fixed(0));
    for (int axis = 0; axis < 2; ++axis)
        for (double w : weights)
            params.push_back(pixman_double_to_fixed(w / total));

    pixman_image_t *source = pixman_image_create_bits(
        PIXMAN_a8r8g8b8, size, size, reinterpret_cast<std::uint32_t *>(pixels.data()), pixels.stride());
    pixman_image_set_filter(source, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params.data(), int(params.size()));
    pixman_transform_t shift;
    pixman_transform_init_translate(&shift, pixman_int_to_fixed(-margin), pixman_int_to_fixed(-margin));
    pixman_image_set_transform(source, &shift);
    pixman_image_t *target = pixman_image_create_bits(PIXMAN_a8r8g8b8, outSize, outSize, nullptr, 0);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, source, nullptr, target, 0, 0, 0, 0, 0, 0, outSize, outSize);
        benchmark::DoNotOptimize(pixman_image_get_data(target));
    }
    pixman_image_unref(target);
    pixman_image_unref(source);
    state.counters["output_pixels"] = double(outSize) * outSize;
    state.SetItemsProcessed(state.iterations() * std::int64_t(outSize) * outSize);
}
// pixman convolves every output pixel with the whole kernel: at radius 10
// on 2,000 pixels one run takes most of a minute.  It runs on a 300-pixel
// image, where the blur runs too.
BENCHMARK(BM_PixmanConvolution)->ArgNames({"radius", "size"})->Args({10, 300})->Unit(benchmark::kMillisecond);
#endif

} // namespace

BENCHMARK(BM_GaussianBlur)
    ->ArgNames({"radius", "size"})
    ->Args({10, 300})
    ->Args({10, 2000})
    ->Args({50, 2000})
    ->Unit(benchmark::kMillisecond);
