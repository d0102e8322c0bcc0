#include "EffectTestSupport.h"

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// Straight colours of top and bottom.
const EffectColor kTop(0.8, 0.2, 0.4, 0.5);
const EffectColor kBottom(0.25, 0.5, 1.0, 1.0);

Rgba blended(const char *filter, EffectPoint topOrigin = {})
{
    auto f = makeFilter(filter, {{"inputImage", solidImage(2, 2, kTop, topOrigin)},
                                 {"inputBackgroundImage", solidImage(2, 2, kBottom)}});
    return renderFloat(f->outputImage(), PixelRect(0, 0, 1, 1)).at(0, 0);
}

// The premultiplied result of a separable blend mode with mixing function B.
template <typename B> Rgba expected(B mix)
{
    const double ta = kTop.alpha, ba = kBottom.alpha;
    auto channel = [&](double ct, double cb) {
        return float(ct * ta * (1 - ba) + cb * ba * (1 - ta) + ta * ba * mix(cb, ct));
    };
    return {channel(kTop.red, kBottom.red), channel(kTop.green, kBottom.green),
            channel(kTop.blue, kBottom.blue), float(ta + ba - ta * ba)};
}

} // namespace

TEST(CompositeFilters, FollowTheCompositingFormulas)
{
    const float tolerance = 4e-3f;
    EXPECT_LT(difference(blended("CISourceOverCompositing"), expected([](double, double ct) { return ct; })),
              tolerance);
    EXPECT_LT(
        difference(blended("CIMultiplyBlendMode"), expected([](double cb, double ct) { return cb * ct; })),
        tolerance);
    EXPECT_LT(difference(blended("CIScreenBlendMode"),
                         expected([](double cb, double ct) { return cb + ct - cb * ct; })),
              tolerance);
    EXPECT_LT(difference(blended("CIDifferenceBlendMode"),
                         expected([](double cb, double ct) { return std::abs(cb - ct); })),
              tolerance);
    // Where only the background lies, it shows unchanged.
    const Rgba bottomOnly = blended("CIMultiplyBlendMode", EffectPoint(1, 1));
    EXPECT_LT(difference(bottomOnly, Rgba{0.25f, 0.5f, 1, 1}), tolerance);
}

TEST(CompositeFilters, CoverBothImagesAndTolerateAMissingBackground)
{
    auto over =
        makeFilter("CISourceOverCompositing", {{"inputImage", solidImage(2, 2, kTop, EffectPoint(5, 5))},
                                               {"inputBackgroundImage", solidImage(2, 2, kBottom)}});
    EXPECT_EQ(over->outputImage()->extent(), EffectRect(0, 0, 7, 7));
    auto alone = makeFilter("CIScreenBlendMode", {{"inputImage", solidImage(2, 2, kTop)}});
    EXPECT_EQ(alone->outputImage(), alone->image("inputImage"));
    auto nothing = makeFilter("CIScreenBlendMode", {});
    EXPECT_EQ(nothing->outputImage(), nullptr);
}

TEST(CompositeFilters, DissolveMixesImageAndTarget)
{
    const ImageRef a = solidImage(1, 1, EffectColor(1, 0, 0));
    const ImageRef b = solidImage(1, 1, EffectColor(0, 0, 1));
    auto dissolve =
        makeFilter("CIDissolveTransition", {{"inputImage", a}, {"inputTargetImage", b}, {"inputTime", 0.25}});
    EXPECT_LT(difference(renderFloat(dissolve->outputImage(), PixelRect(0, 0, 1, 1)).at(0, 0),
                         Rgba{0.75f, 0, 0.25f, 1}),
              1e-5f);
    // Dissolving into nothing fades the image out.
    EXPECT_EQ(dissolve->setValue("inputTargetImage", EffectImage::empty()), ValueCheck::Accepted);
    EXPECT_LT(difference(renderFloat(dissolve->outputImage(), PixelRect(0, 0, 1, 1)).at(0, 0),
                         Rgba{0.75f, 0, 0, 0.75f}),
              1e-5f);
}
