#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace scrivane;
using namespace scrivane::test;

TEST(EffectFilter, ChecksOfferedValuesAgainstTheInputAttributes)
{
    auto blur = makeFilter("CIGaussianBlur", {{"inputRadius", 4.0}});
    const ImageRef image = solidImage(2, 2, EffectColor(1, 0, 0));
    struct Case {
        const char *key;
        EffectValue value;
        ValueCheck expected;
    } cases[] = {
        {"inputRadius", 7.0, ValueCheck::Accepted},
        {"inputImage", image, ValueCheck::Accepted},
        {"inputImage", EffectValue(), ValueCheck::Accepted},
        {"inputNoSuchKey", 3.0, ValueCheck::UnknownKey},
        {"inputRadius", EffectColor(1, 1, 1), ValueCheck::WrongKind},
        {"inputRadius", EffectVector(1, 2), ValueCheck::WrongKind},
        {"inputRadius", QStringLiteral("10"), ValueCheck::WrongKind},
        {"inputImage", 1.0, ValueCheck::WrongKind},
        {"inputRadius", std::numeric_limits<double>::quiet_NaN(), ValueCheck::NotFinite},
        {"inputRadius", std::numeric_limits<double>::infinity(), ValueCheck::NotFinite},
    };
    for (const Case &c : cases) {
        const EffectValue before = blur->value(c.key);
        EXPECT_EQ(blur->setValue(c.key, c.value), c.expected) << c.key;
        if (c.expected == ValueCheck::Accepted)
            EXPECT_EQ(blur->value(c.key), c.value) << c.key;
        else
            EXPECT_EQ(blur->value(c.key), before)
                << c.key << ": a refused value must not replace the old one";
    }
    // A vector with a component that is not a number is refused as well.
    auto zoom = makeFilter("CIZoomBlur", {});
    EXPECT_EQ(zoom->setValue("inputCenter", EffectVector(1, std::nan(""))), ValueCheck::NotFinite);
    EXPECT_EQ(zoom->vector("inputCenter"), EffectVector(150, 150));
}

TEST(EffectFilter, NewFiltersCarryTheirDefaults)
{
    auto blur = makeFilter("CIGaussianBlur", {});
    EXPECT_EQ(blur->value("inputRadius"), EffectValue(10.0));
    EXPECT_EQ(blur->value("inputImage"), EffectValue());
    auto shadowMatrix = makeFilter("CIColorMatrix", {});
    EXPECT_EQ(shadowMatrix->vector("inputAVector"), EffectVector(0, 0, 0, 1));
    auto crop = makeFilter("CICrop", {});
    const EffectVector r = crop->vector("inputRectangle");
    EXPECT_TRUE(EffectRect(r.x, r.y, r.z, r.w).isInfinite());

    // An input without a value reads as its default.
    EXPECT_EQ(blur->setValue("inputRadius", EffectValue()), ValueCheck::Accepted);
    EXPECT_EQ(blur->number("inputRadius"), 10.0);
}

TEST(EffectFilter, ValidationClampsNumbersToTheAttributeLimits)
{
    auto box = makeFilter("CIBoxBlur", {});
    EXPECT_EQ(box->validateValue("inputRadius", 0.5), EffectValue(1.0));
    EXPECT_EQ(box->validateValue("inputRadius", 500.0), EffectValue(100.0));
    EXPECT_EQ(box->validateValue("inputRadius", 12.0), EffectValue(12.0));
    // No maximum: large values pass; non-numbers pass unchanged.
    auto blur = makeFilter("CIGaussianBlur", {});
    EXPECT_EQ(blur->validateValue("inputRadius", 5000.0), EffectValue(5000.0));
    EXPECT_EQ(blur->validateValue("inputRadius", -1.0), EffectValue(0.0));
    EXPECT_EQ(blur->validateValue("inputRadius", EffectColor()), EffectValue(EffectColor()));
}

TEST(EffectFilter, RescalingDoublesLengthsAndLeavesTheRest)
{
    auto blur = makeFilter("CIGaussianBlur", {{"inputRadius", 6.0}});
    auto zoom = makeFilter("CIZoomBlur", {{"inputCenter", EffectVector(10, 20)}, {"inputAmount", 30.0}});
    auto checker = makeFilter("CICheckerboardGenerator", {{"inputWidth", 8.0}, {"inputSharpness", 0.5}});
    auto affine =
        makeFilter("CIAffineTransform", {{"inputTransform", EffectTransform(2, 0.5, -0.5, 3, 7, -4)}});
    auto crop = makeFilter("CICrop", {{"inputRectangle", EffectVector(1, 2, 3, 4)}});
    auto matrix = makeFilter("CIColorMatrix", {{"inputRVector", EffectVector(0.5, 0, 0, 0)}});
    for (EffectFilter *f : {blur.get(), zoom.get(), checker.get(), affine.get(), crop.get(), matrix.get()})
        f->scaleInputs(2);

    EXPECT_EQ(blur->number("inputRadius"), 12.0);
    EXPECT_EQ(zoom->vector("inputCenter"), EffectVector(20, 40));
    EXPECT_EQ(zoom->number("inputAmount"), 30.0) << "the zoom amount is relative";
    EXPECT_EQ(checker->number("inputWidth"), 16.0);
    EXPECT_EQ(checker->number("inputSharpness"), 0.5);
    EXPECT_EQ(checker->color("inputColor0"), EffectColor(1, 1, 1, 1));
    EXPECT_EQ(affine->transform("inputTransform"), EffectTransform(2, 0.5, -0.5, 3, 14, -8));
    EXPECT_EQ(crop->vector("inputRectangle"), EffectVector(2, 4, 6, 8));
    EXPECT_EQ(matrix->vector("inputRVector"), EffectVector(0.5, 0, 0, 0)) << "matrix rows are not lengths";

    blur->scaleInputs(1);
    EXPECT_EQ(blur->number("inputRadius"), 12.0);
}

TEST(EffectFilter, TransformInputsConvertToAndFromTheDrawingTransform)
{
    AffineTransform t = AffineTransform::makeRotationByDegrees(90);
    t.translate(3, -4);
    const EffectTransform e = EffectTransform::fromAffine(t);
    EXPECT_EQ(e.toAffine(), t);
    const EffectPoint p = e.map(EffectPoint(1, 2));
    EXPECT_NEAR(p.x, t.m11 * 1 + t.m21 * 2 + t.tX, 1e-6);
    EXPECT_NEAR(p.y, t.m12 * 1 + t.m22 * 2 + t.tY, 1e-6);
}
