#include "RasterOps.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace scrivane {

namespace {

// One box pass along a line of pixels.  The input covers positions
// [inStart, inStart + inLen) and is transparent elsewhere; the output is
// computed for [outStart, outStart + outLen).  A running sum keeps the cost
// per pixel independent of the radius.
void boxLine(const float *in, int inStart, int inLen, float *out, int outStart, int outLen,
             const RasterOps::BlurBox &box)
{
    static constexpr float zero[4] = {0, 0, 0, 0};
    const int r = box.radius;
    const float e = box.edge;
    const float inv = 1.0f / (2.0f * r + 1.0f + 2.0f * e);
    const int inEnd = inStart + inLen;
    const int outEnd = outStart + outLen;
    auto at = [&](int pos) -> const float * {
        return pos >= inStart && pos < inEnd ? in + std::size_t(pos - inStart) * 4 : zero;
    };

    float sum[4] = {0, 0, 0, 0};
    for (int k = std::max(outStart - r, inStart); k <= std::min(outStart + r, inEnd - 1); ++k)
        for (int c = 0; c < 4; ++c)
            sum[c] += in[std::size_t(k - inStart) * 4 + c];

    auto checkedStep = [&](int p) {
        const float *a = at(p - r - 1);
        const float *b = at(p + r + 1);
        const float *l = at(p - r);
        float *o = out + std::size_t(p - outStart) * 4;
        for (int c = 0; c < 4; ++c) {
            o[c] = (sum[c] + e * (a[c] + b[c])) * inv;
            sum[c] += b[c] - l[c];
        }
    };

    const int midStart = std::max(outStart, inStart + r + 1);
    const int midEnd = std::min(outEnd, inEnd - r - 1);
    int p = outStart;
    for (; p < std::min(midStart, outEnd); ++p)
        checkedStep(p);
    for (; p < midEnd; ++p) {
        const float *a = in + std::size_t(p - r - 1 - inStart) * 4;
        const float *b = in + std::size_t(p + r + 1 - inStart) * 4;
        const float *l = a + 4;
        float *o = out + std::size_t(p - outStart) * 4;
        for (int c = 0; c < 4; ++c) {
            o[c] = (sum[c] + e * (a[c] + b[c])) * inv;
            sum[c] += b[c] - l[c];
        }
    }
    for (; p < outEnd; ++p)
        checkedStep(p);
}

// One box pass down columns of `n` floats per row: the input rows
// [inTop, inTop + inRows) and the output rows [outTop, outTop + outRows) are
// device rows; input rows outside read as transparent.  Strides are in
// floats.
struct Columns {
    float *data;
    std::size_t stride;
    int top;
    int rows;
};

void boxColumns(const Columns &in, const Columns &out, std::size_t n, const RasterOps::BlurBox &box,
                const float *zero, float *sum)
{
    const int r = box.radius;
    const float e = box.edge;
    const float inv = 1.0f / (2.0f * r + 1.0f + 2.0f * e);
    const int inBottom = in.top + in.rows;
    auto rowAt = [&](int y) -> const float * {
        return y >= in.top && y < inBottom ? in.data + std::size_t(y - in.top) * in.stride : zero;
    };

    std::fill(sum, sum + n, 0.0f);
    for (int k = std::max(out.top - r, in.top); k <= std::min(out.top + r, inBottom - 1); ++k) {
        const float *row = rowAt(k);
        for (std::size_t j = 0; j < n; ++j)
            sum[j] += row[j];
    }
    for (int y = out.top; y < out.top + out.rows; ++y) {
        const float *a = rowAt(y - r - 1);
        const float *b = rowAt(y + r + 1);
        const float *l = rowAt(y - r);
        float *o = out.data + std::size_t(y - out.top) * out.stride;
        for (std::size_t j = 0; j < n; ++j) {
            o[j] = (sum[j] + e * (a[j] + b[j])) * inv;
            sum[j] += b[j] - l[j];
        }
    }
}

} // namespace

RasterOps::BlurBox RasterOps::boxWithVariance(double variance)
{
    if (!(variance > 0) || !std::isfinite(variance))
        return {};
    // A plain box of 2r + 1 pixels has the variance r(r + 1) / 3; the edge
    // weight makes up the rest exactly.
    const double r = std::floor((std::sqrt(1 + 12 * variance) - 1) / 2);
    const double edge = (2 * r + 1) * (r * (r + 1) / 3 - variance) / (2 * (variance - (r + 1) * (r + 1)));
    BlurBox box;
    box.radius = int(std::min(r, double(1 << 28)));
    box.edge = float(std::clamp(edge, 0.0, 1.0));
    return box;
}

std::vector<RasterOps::BlurBox> RasterOps::gaussianBoxes(double sigma)
{
    if (!(sigma > 0))
        return {};
    sigma = std::min(sigma, kMaxBlurDeviation);
    const BlurBox box = boxWithVariance(sigma * sigma / 3);
    return {box, box, box};
}

int RasterOps::reach(const std::vector<BlurBox> &boxes)
{
    long long total = 0;
    for (const BlurBox &box : boxes)
        total += box.reach();
    return int(std::min(total, 1LL << 28));
}

std::optional<FloatRaster> RasterOps::separableBlur(const FloatRaster &source,
                                                    const std::vector<BlurBox> &boxes, const PixelRect &want)
{
    const PixelRect &s = source.rect();
    const int spread = reach(boxes);
    const PixelRect reached = s.grown(spread, spread);
    const PixelRect target = reached.intersected(want);
    if (boxes.empty()) {
        std::optional<FloatRaster> result = FloatRaster::allocate(want);
        if (result)
            result->copyFrom(source);
        return result;
    }
    if (s.isEmpty() || target.isEmpty())
        return FloatRaster::allocate(want);

    // Rows in x: only the source's rows carry anything, and only the columns
    // of the wanted area are kept.
    std::optional<FloatRaster> current =
        FloatRaster::allocate(PixelRect(target.x, s.y, target.width, s.height), false);
    if (!current)
        return std::nullopt;
    {
        const std::size_t lineLength = (std::size_t(s.width) + 2 * std::size_t(spread)) * 4;
        std::vector<float> lineA(lineLength), lineB(lineLength);
        for (int y = s.y; y < s.bottom(); ++y) {
            const float *in = source.row(y);
            int inStart = s.x;
            int inLength = s.width;
            for (std::size_t k = 0; k < boxes.size(); ++k) {
                const bool last = k + 1 == boxes.size();
                const int grow = boxes[k].reach();
                const int outStart = last ? target.x : inStart - grow;
                const int outLength = last ? target.width : inLength + 2 * grow;
                float *out = last ? current->row(y) : (k % 2 == 0 ? lineA.data() : lineB.data());
                boxLine(in, inStart, inLength, out, outStart, outLength, boxes[k]);
                in = out;
                inStart = outStart;
                inLength = outLength;
            }
        }
    }

    // Then in y, in strips of columns narrow enough for the intermediate
    // passes to stay in the cache; each pass grows the rows until the last
    // one, which writes the wanted rows of the result.
    std::optional<FloatRaster> result = FloatRaster::allocate(target, false);
    if (!result)
        return std::nullopt;
    constexpr int kStrip = 64;
    const std::size_t stripFloats = std::size_t(std::min(kStrip, target.width)) * 4;
    const std::size_t tallest = std::size_t(s.height) + 2 * std::size_t(spread);
    std::vector<float> bufferA(tallest * stripFloats), bufferB(tallest * stripFloats);
    const std::vector<float> zero(stripFloats, 0.0f);
    std::vector<float> sum(stripFloats);
    for (int x = target.x; x < target.right(); x += kStrip) {
        const std::size_t n = std::size_t(std::min(kStrip, target.right() - x)) * 4;
        Columns in{current->pixel(x, s.y), current->floatsPerRow(), s.y, s.height};
        for (std::size_t k = 0; k < boxes.size(); ++k) {
            const bool last = k + 1 == boxes.size();
            const int grow = boxes[k].reach();
            const Columns out =
                last ? Columns{result->pixel(x, target.y), result->floatsPerRow(), target.y, target.height}
                     : Columns{(k % 2 == 0 ? bufferA : bufferB).data(), n, in.top - grow, in.rows + 2 * grow};
            boxColumns(in, out, n, boxes[k], zero.data(), sum.data());
            in = out;
        }
    }
    current.reset();

    if (result->rect() == want)
        return result;
    std::optional<FloatRaster> full = FloatRaster::allocate(want);
    if (!full)
        return std::nullopt;
    full->copyFrom(*result);
    return full;
}

} // namespace scrivane
