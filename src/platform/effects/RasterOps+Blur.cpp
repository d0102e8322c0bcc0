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
void boxLine(const float *in, int inStart, int inLen, float *out, int outStart, int outLen, const RasterOps::BlurBox &box)
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

// One box pass down the columns: `in` and `out` share their x range; the
// rows of `out` may be any range, rows missing from `in` read as transparent.
void boxColumns(const FloatRaster &in, FloatRaster &out, const RasterOps::BlurBox &box)
{
    const int r = box.radius;
    const float e = box.edge;
    const float inv = 1.0f / (2.0f * r + 1.0f + 2.0f * e);
    const std::size_t n = in.floatsPerRow();
    const std::vector<float> zero(n, 0.0f);
    std::vector<float> sum(n, 0.0f);
    const int inTop = in.rect().y;
    const int inBottom = in.rect().bottom();
    auto rowAt = [&](int y) -> const float * { return y >= inTop && y < inBottom ? in.row(y) : zero.data(); };

    const int top = out.rect().y;
    for (int k = std::max(top - r, inTop); k <= std::min(top + r, inBottom - 1); ++k) {
        const float *row = in.row(k);
        for (std::size_t j = 0; j < n; ++j)
            sum[j] += row[j];
    }
    float *s = sum.data();
    for (int y = top; y < out.rect().bottom(); ++y) {
        const float *a = rowAt(y - r - 1);
        const float *b = rowAt(y + r + 1);
        const float *l = rowAt(y - r);
        float *o = out.row(y);
        for (std::size_t j = 0; j < n; ++j) {
            o[j] = (s[j] + e * (a[j] + b[j])) * inv;
            s[j] += b[j] - l[j];
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
    if (!(sigma > 0) || !std::isfinite(sigma))
        return {};
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

std::optional<FloatRaster> RasterOps::separableBlur(const FloatRaster &source, const std::vector<BlurBox> &boxes, const PixelRect &want)
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
    std::optional<FloatRaster> current = FloatRaster::allocate(PixelRect(target.x, s.y, target.width, s.height), false);
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

    // Then in y, each pass growing the rows until the last one, which keeps
    // the wanted rows only.
    int top = s.y;
    int height = s.height;
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        const bool last = k + 1 == boxes.size();
        const int grow = boxes[k].reach();
        const PixelRect rows = last ? PixelRect(target.x, target.y, target.width, target.height)
                                    : PixelRect(target.x, top - grow, target.width, height + 2 * grow);
        std::optional<FloatRaster> next = FloatRaster::allocate(rows, false);
        if (!next)
            return std::nullopt;
        boxColumns(*current, *next, boxes[k]);
        current = std::move(next);
        top = rows.y;
        height = rows.height;
    }

    if (current->rect() == want)
        return current;
    std::optional<FloatRaster> result = FloatRaster::allocate(want);
    if (!result)
        return std::nullopt;
    result->copyFrom(*current);
    return result;
}

} // namespace scrivane
