#include "EffectTestSupport.h"

#include "platform/effects/FilterCategory.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "TestEnvironment.h"

using namespace scrivane;
using namespace scrivane::test;

namespace {

const char *const kBuiltins[] = {
    "CIAffineTransform",
    "CIGaussianBlur",
    "CIColorMatrix",
    "CISourceOverCompositing",
    "CIZoomBlur",
    "CIPerspectiveTransform",
    "CICrop",
    "CICheckerboardGenerator",
    "CIConstantColorGenerator",
    "CIMotionBlur",
    "CIBoxBlur",
    "CIColorControls",
    "CIExposureAdjust",
    "CIGammaAdjust",
    "CIHueAdjust",
    "CIColorInvert",
    "CIColorMonochrome",
    "CISepiaTone",
    "CIColorPosterize",
    "CIMultiplyBlendMode",
    "CIScreenBlendMode",
    "CIDifferenceBlendMode",
    "CITwirlDistortion",
    "CIBumpDistortion",
    "CILinearGradient",
    "CIRadialGradient",
    "CIUnsharpMask",
    "CIPixellate",
    "CIBloom",
    "CIDissolveTransition",
};

} // namespace

TEST(EffectRegistry, RegistersEveryBuiltInFilterWithItsDisplayName)
{
    EffectRegistry &registry = EffectRegistry::shared();
    for (const char *name : kBuiltins) {
        ASSERT_TRUE(registry.contains(name)) << name;
        const FilterClassAttributes *attributes = registry.classAttributes(name);
        EXPECT_EQ(attributes->name, name);
        EXPECT_FALSE(attributes->displayName.startsWith("CI"))
            << name << " has no entry in the \"Filters\" table";
        std::unique_ptr<EffectFilter> filter = registry.create(name);
        ASSERT_TRUE(filter) << name;
        EXPECT_EQ(filter->name(), name);
        EXPECT_EQ(filter->classAttributes().displayName, attributes->displayName);
    }
    EXPECT_EQ(registry.classAttributes("CIGaussianBlur")->displayName, "Gaussian Blur");
    EXPECT_EQ(EffectRegistry::categoryDisplayName(FilterCategory::ColorAdjustment), "Color Adjustment");
    EXPECT_EQ(registry.create("CINoSuchFilter"), nullptr);
}

TEST(EffectRegistry, EveryNumberInputCanBeShownByTheEffectsPanel)
{
    // The panel lists a filter only when each number input has a slider range
    // (or is a boolean); the built-ins are all meant to be listed.
    for (const char *name : kBuiltins) {
        std::unique_ptr<EffectFilter> filter = EffectRegistry::shared().create(name);
        for (const InputAttribute &input : filter->inputAttributes()) {
            if (input.kind == ValueKind::Number) {
                EXPECT_TRUE(input.hasSliderRange() || input.type == InputType::Boolean)
                    << name << " " << input.key.toStdString();
            }
            if (input.kind != ValueKind::Image) {
                EXPECT_EQ(kindOf(input.defaultValue), input.kind) << name << " " << input.key.toStdString();
            }
        }
    }
}

TEST(EffectRegistry, CategoriesDriveTheDrawingCode)
{
    const EffectRegistry &registry = EffectRegistry::shared();
    const QStringList nonSquare = registry.filterNames(FilterCategory::NonSquarePixels);
    EXPECT_TRUE(nonSquare.contains("CIColorMatrix"));
    EXPECT_TRUE(nonSquare.contains("CISepiaTone"));
    EXPECT_TRUE(nonSquare.contains("CIMultiplyBlendMode"));
    EXPECT_FALSE(nonSquare.contains("CIGaussianBlur")) << "a blur depends on the size of pixels";
    EXPECT_FALSE(nonSquare.contains("CIAffineTransform"));
    EXPECT_EQ(registry.filterNames(FilterCategory::Generator),
              QStringList({"CICheckerboardGenerator", "CIConstantColorGenerator"}));
    EXPECT_EQ(registry.filterNames(FilterCategory::Gradient),
              QStringList({"CILinearGradient", "CIRadialGradient"}));
    EXPECT_EQ(registry.filterNames(FilterCategory::Transition), QStringList({"CIDissolveTransition"}));
    EXPECT_TRUE(registry.filterNames(FilterCategory::CompositeOperation).contains("CISourceOverCompositing"));
}

TEST(EffectRegistry, KeepsTheFirstRegistrationOfAName)
{
    EffectRegistry registry;
    FilterClassAttributes attributes;
    attributes.name = "Probe";
    int made = 0;
    auto constructor = [&made]() -> std::unique_ptr<EffectFilter> {
        ++made;
        return EffectRegistry::shared().create("CIColorInvert");
    };
    EXPECT_TRUE(registry.registerFilter(attributes, constructor));
    EXPECT_FALSE(registry.registerFilter(attributes, constructor));
    EXPECT_FALSE(registry.registerFilter(FilterClassAttributes{}, constructor)) << "a filter needs a name";
    std::unique_ptr<EffectFilter> filter = registry.create("Probe");
    ASSERT_TRUE(filter);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(filter->name(), "Probe") << "a filter carries the name it was registered under";
}

TEST(EffectRegistry, ReportsPluginsThatCannotBeLoaded)
{
    EffectRegistry registry;
    const EffectPluginLoad missing = registry.loadPlugin("/no/such/folder/Plugin.so");
    EXPECT_FALSE(missing.ok());
    EXPECT_TRUE(missing.error.contains("does not exist"));

    const QString folder = QString::fromStdString(temporaryFolder());
    QFile junk(folder + "/Junk.so");
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a shared library");
    junk.close();
    const EffectPluginLoad notLibrary = registry.loadPlugin(junk.fileName());
    EXPECT_FALSE(notLibrary.ok());
    EXPECT_TRUE(notLibrary.error.contains("cannot be loaded")) << notLibrary.error.toStdString();

    const std::vector<EffectPluginLoad> all = registry.loadPlugins(folder);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_FALSE(all[0].ok());
    EXPECT_TRUE(registry.loadPlugins(folder + "/missing").empty());
    EXPECT_TRUE(registry.filterNames().isEmpty());
}
