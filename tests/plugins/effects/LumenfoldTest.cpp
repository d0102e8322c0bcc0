#include "platform/effects/EffectRegistry.h"
#include "platform/effects/FilterCategory.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;

namespace {

// The plug-in, loaded once into the program's registry as the program does
// at start.
const EffectPluginLoad &lumenfold()
{
    static const EffectPluginLoad load = EffectRegistry::shared().loadPlugin(LUMENFOLD_PLUGIN);
    return load;
}

std::unique_ptr<EffectFilter> create(const char *name)
{
    EXPECT_TRUE(lumenfold().ok()) << lumenfold().error.toStdString();
    std::unique_ptr<EffectFilter> filter = EffectRegistry::shared().create(name);
    EXPECT_TRUE(filter) << name;
    return filter;
}

// An opaque white square of `size` pixels at (0, 0).
ImageRef square(int size)
{
    PixelBuffer pixels(size, size);
    cairo_t *cr = cairo_create(pixels.surface());
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_destroy(cr);
    return EffectImage::fromPixels(std::move(pixels));
}

// A w × h image whose row y has alpha (y + 1) / h, white.
ImageRef rows(int w, int h)
{
    PixelBuffer pixels(w, h);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t a = std::uint32_t(std::lround(255.0 * (y + 1) / h));
        for (int x = 0; x < w; ++x)
            pixels.setPixel(x, y, a << 24 | a << 16 | a << 8 | a);
    }
    return EffectImage::fromPixels(std::move(pixels));
}

FloatRaster render(const ImageRef &image, const PixelRect &rect)
{
    EXPECT_TRUE(image);
    std::optional<FloatRaster> raster = image ? image->renderRaster(rect, 1) : std::nullopt;
    EXPECT_TRUE(raster.has_value());
    return raster ? std::move(*raster) : FloatRaster();
}

} // namespace

TEST(Lumenfold, RegistersItsTwoFiltersWithTheProgram)
{
    ASSERT_TRUE(lumenfold().ok()) << lumenfold().error.toStdString();
    EXPECT_EQ(lumenfold().registered, QStringList({"QVReflection", "QVDropShadow"}));
    const EffectRegistry &registry = EffectRegistry::shared();
    struct Case {
        const char *name, *displayName;
    } cases[] = {{"QVReflection", "Reflection"}, {"QVDropShadow", "Drop Shadow"}};
    for (const Case &c : cases) {
        const FilterClassAttributes *attributes = registry.classAttributes(c.name);
        ASSERT_TRUE(attributes) << c.name;
        EXPECT_EQ(attributes->displayName, c.displayName);
        EXPECT_TRUE(attributes->hasCategory(FilterCategory::VectorComposite));
        EXPECT_TRUE(attributes->hasCategory(FilterCategory::Stylize));
        EXPECT_TRUE(registry.filterNames(FilterCategory::Stylize).contains(c.name));
    }
    // Loading it again into the same registry is refused (the names are
    // taken) and leaves the first registration working.
    const EffectPluginLoad again = EffectRegistry::shared().loadPlugin(LUMENFOLD_PLUGIN);
    EXPECT_FALSE(again.ok());
    EXPECT_TRUE(again.error.contains("already taken")) << again.error.toStdString();
    EXPECT_TRUE(create("QVDropShadow"));
    // Another registry gets its own registration from the same library.
    EffectRegistry other;
    EXPECT_TRUE(other.loadPlugin(LUMENFOLD_PLUGIN).ok());
    EXPECT_TRUE(other.create("QVReflection"));
}

TEST(Lumenfold, PublishesTheInputAttributesDocumentsRelyOn)
{
    struct Row {
        const char *filter, *key, *displayName;
        InputType type;
        std::optional<double> minimum, maximum, sliderMinimum, sliderMaximum;
        double defaultValue, identity;
    } table[] = {
        {"QVReflection", "slope", "Slope", InputType::Scalar, 0.1, 200, 0.1, 500, 100, 100},
        {"QVReflection", "offset", "Offset", InputType::Scalar, 0, 500, 0, 500, 100, 0},
        {"QVReflection", "yoffset", "Y Offset", InputType::Scalar, -200, 200, -200, 200, 0, 0},
        {"QVReflection", "blur", "Radius", InputType::Distance, 0, std::nullopt, 0, 100, 0, 0},
        {"QVDropShadow", "offsetX", "X Offset", InputType::Distance, -100, 100, -100, 100, 50, 0},
        {"QVDropShadow", "offsetY", "Y Offset", InputType::Distance, -100, 100, -100, 100, 50, 0},
        {"QVDropShadow", "blur", "Radius", InputType::Distance, 0, std::nullopt, 0, 100, 10, 0},
    };
    for (const Row &row : table) {
        std::unique_ptr<EffectFilter> filter = create(row.filter);
        const InputAttribute *input = filter->inputAttribute(row.key);
        ASSERT_TRUE(input) << row.filter << " " << row.key;
        EXPECT_EQ(input->displayName, row.displayName) << row.key;
        EXPECT_EQ(input->type, row.type) << row.key;
        EXPECT_EQ(input->minimum, row.minimum) << row.key;
        EXPECT_EQ(input->maximum, row.maximum) << row.key;
        EXPECT_EQ(input->sliderMinimum, row.sliderMinimum) << row.key;
        EXPECT_EQ(input->sliderMaximum, row.sliderMaximum) << row.key;
        EXPECT_EQ(input->defaultValue, EffectValue(row.defaultValue)) << row.key;
        EXPECT_EQ(input->identity, EffectValue(row.identity)) << row.key;
        EXPECT_EQ(filter->value(row.key), EffectValue(row.defaultValue)) << "a new filter has its defaults";
    }
    EXPECT_EQ(create("QVReflection")->inputKeys(),
              QStringList({"inputImage", "slope", "offset", "yoffset", "blur"}));
    EXPECT_EQ(create("QVDropShadow")->inputKeys(),
              QStringList({"inputImage", "offsetX", "offsetY", "blur", "color"}));
    EXPECT_EQ(create("QVDropShadow")->color("color"), EffectColor(0, 0, 0, 0.3));
    // Stored values are checked like those of any filter.
    EXPECT_EQ(create("QVDropShadow")->setValue("color", 1.0), ValueCheck::WrongKind);
    EXPECT_EQ(create("QVReflection")->setValue("angle", 1.0), ValueCheck::UnknownKey);
}

TEST(Lumenfold, ANewDropShadowIsBlackAtAlphaPoint3MovedBy50AndBlurredBy10)
{
    std::unique_ptr<EffectFilter> shadow = create("QVDropShadow");
    ASSERT_EQ(shadow->setValue("inputImage", square(100)), ValueCheck::Accepted);
    shadow->setLastFilter(true);
    const ImageRef out = shadow->outputImage();
    ASSERT_TRUE(out);
    // The extent: the square moved by (50, 50), grown by the blur.
    EXPECT_NEAR(out->extent().x + out->extent().width / 2, 100, 1e-9);
    EXPECT_NEAR(out->extent().y + out->extent().height / 2, 100, 1e-9);
    EXPECT_GT(out->extent().width, 100 + 2 * 29);
    const FloatRaster r = render(out, PixelRect(0, 0, 200, 200));
    const Rgba middle = r.at(100, 100);
    EXPECT_NEAR(middle.a, 0.3, 2e-3);
    EXPECT_NEAR(middle.r, 0, 1e-6);
    EXPECT_NEAR(middle.g, 0, 1e-6);
    EXPECT_NEAR(middle.b, 0, 1e-6);
    // Across the moved left edge (x = 50) alpha follows a Gaussian edge of
    // deviation 10: half at the edge, 0.841 and 0.159 of full one deviation
    // either side.
    EXPECT_NEAR(r.at(50, 100).a + r.at(49, 100).a, 0.3, 4e-3);
    EXPECT_NEAR(r.at(60, 100).a, 0.3 * 0.8413, 6e-3);
    EXPECT_NEAR(r.at(39, 100).a, 0.3 * 0.1587, 6e-3);
    // The square itself is not in the shadow-only output ...
    EXPECT_NEAR(r.at(5, 5).a, 0, 1e-4);
    // ... and is on top of it otherwise.
    shadow->setLastFilter(false);
    const FloatRaster both = render(shadow->outputImage(), PixelRect(0, 0, 200, 200));
    EXPECT_EQ(both.at(5, 5), (Rgba{1, 1, 1, 1}));
    EXPECT_NEAR(both.at(120, 120).a, 0.3, 2e-3);
}

TEST(Lumenfold, ReflectionMirrorsBelowAndFadesAwayFromTheEdge)
{
    const int h = 100;
    std::unique_ptr<EffectFilter> mirror = create("QVReflection");
    ASSERT_EQ(mirror->setValue("inputImage", rows(10, h)), ValueCheck::Accepted);
    const FloatRaster input = render(rows(10, h), PixelRect(0, 0, 10, h));

    // Slope 0 skips the fade: row y lands unchanged on row 2h − 1 − y.
    mirror->setValue("slope", 0.0);
    mirror->setLastFilter(true);
    FloatRaster r = render(mirror->outputImage(), PixelRect(0, 0, 10, 2 * h));
    for (int y = 0; y < h; ++y) {
        EXPECT_EQ(r.at(3, 2 * h - 1 - y), input.at(3, y)) << y;
        EXPECT_EQ(r.at(3, y), Rgba{}) << "with last set the input itself is not in the output";
    }

    // The default fade: strongest next to the mirror line, fading to
    // nothing `offset` (here 50) away from it.
    mirror->setValue("slope", 50.0);
    mirror->setValue("offset", 50.0);
    r = render(mirror->outputImage(), PixelRect(0, 0, 10, 2 * h));
    EXPECT_NEAR(r.at(3, h).a, input.at(3, h - 1).a * std::pow((h - 0.5 - 50) / 50, 2), 2e-3);
    for (int y = h + 1; y < h + 50; ++y)
        EXPECT_LT(r.at(3, y).a, r.at(3, y - 1).a) << y;
    for (int y = h + 50; y < 2 * h; ++y)
        EXPECT_EQ(r.at(3, y).a, 0) << y;

    // yoffset moves the reflection; without last the input is on top.
    mirror->setValue("yoffset", 20.0);
    mirror->setLastFilter(false);
    const ImageRef out = mirror->outputImage();
    EXPECT_EQ(out->extent(), EffectRect(0, 0, 10, 2 * h + 20));
    r = render(out, PixelRect(0, 0, 10, 2 * h + 20));
    EXPECT_EQ(r.at(3, 10), input.at(3, 10));
    EXPECT_EQ(r.at(3, h + 10).a, 0);
    EXPECT_GT(r.at(3, h + 20).a, 0.5);
}

TEST(Lumenfold, ClearFilterLetsGoOfTheImages)
{
    for (const char *name : {"QVReflection", "QVDropShadow"}) {
        std::unique_ptr<EffectFilter> filter = create(name);
        ImageRef image = square(8);
        filter->setValue("inputImage", image);
        filter->setLastFilter(false);
        EXPECT_TRUE(filter->outputImage());
        filter->setValue("inputImage", EffectValue());
        EXPECT_GT(image.use_count(), 1) << name << ": the internal filters still hold the image";
        filter->clearFilter();
        EXPECT_EQ(image.use_count(), 1) << name;
    }
}

TEST(Lumenfold, RescalingMovesOnlyDistances)
{
    std::unique_ptr<EffectFilter> shadow = create("QVDropShadow");
    std::unique_ptr<EffectFilter> mirror = create("QVReflection");
    shadow->scaleInputs(2);
    mirror->scaleInputs(2);
    EXPECT_EQ(shadow->number("offsetX"), 100);
    EXPECT_EQ(shadow->number("blur"), 20);
    EXPECT_EQ(shadow->color("color"), EffectColor(0, 0, 0, 0.3));
    EXPECT_EQ(mirror->number("offset"), 100) << "a scalar, not a distance";
}

TEST(EffectPlugins, RefusesLibrariesThatAreNoFilterPlugins)
{
    EffectRegistry registry;
    const EffectPluginLoad wrong = registry.loadPlugin(WRONG_VERSION_PLUGIN);
    EXPECT_FALSE(wrong.ok());
    EXPECT_TRUE(wrong.error.contains("interface version")) << wrong.error.toStdString();
    const EffectPluginLoad none = registry.loadPlugin(NO_ENTRY_PLUGIN);
    EXPECT_FALSE(none.ok());
    EXPECT_TRUE(none.error.contains("not a filter plug-in")) << none.error.toStdString();
    EXPECT_TRUE(registry.filterNames().isEmpty());
}
