// The preview plug-in loaded by path and driven through its factory, as a
// preview service drives it: what it asks the request for and what it
// draws.

#include "PreviewTestSupport.h"

#include "platform/PluginModule.h"
#include "platform/PluginUUID.h"
#include "platform/PreviewImageRequest.h"

#include <QDir>
#include <QFile>
#include <QUrl>

#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::previewtest;

namespace {

const PluginModule &module()
{
    static const std::unique_ptr<PluginModule> loaded = [] {
        QString error;
        auto m = PluginModule::load(QStringLiteral(PREVIEW_PLUGIN), &error);
        if (!m)
            ADD_FAILURE() << error.toStdString();
        return m;
    }();
    if (!loaded)
        std::abort();
    return *loaded;
}

PluginInstance<PreviewGeneratorInterface> generator()
{
    QString error;
    auto instance = module().createInstance<PreviewGeneratorInterface>(
        "QuickLookGeneratorPluginFactory", PluginUUID::fromString(PreviewGeneratorTypeID),
        PluginUUID::fromString(PreviewGeneratorCallbacksInterfaceID), &error);
    EXPECT_TRUE(instance) << error.toStdString();
    return instance;
}

QByteArray urlOf(const QString &path)
{
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded).toUtf8();
}

std::unique_ptr<PreviewImageRequest> preview(const QString &path, const char *type = "com.quelmont.scrivane.scrivane")
{
    auto request = std::make_unique<PreviewImageRequest>(PreviewImageRequest::Mode::Preview);
    const auto g = generator();
    if (g) {
        EXPECT_EQ(g->GeneratePreviewForURL(g.get(), request.get(), urlOf(path).constData(), type, nullptr), PluginOK);
    }
    return request;
}

std::unique_ptr<PreviewImageRequest> thumbnail(const QString &path, int size)
{
    auto request = std::make_unique<PreviewImageRequest>(PreviewImageRequest::Mode::Thumbnail, size);
    const auto g = generator();
    if (g) {
        EXPECT_EQ(g->GenerateThumbnailForURL(g.get(), request.get(), urlOf(path).constData(),
                                             "com.quelmont.scrivane.scrivane", nullptr, size, size),
                  PluginOK);
    }
    return request;
}

const QColor Red(255, 0, 0), White(255, 255, 255);

} // namespace

TEST(ScrivanePreview, PreviewIsTheWholePaperWithOnlyVisibleLayersDrawn)
{
    const auto document = cornerDocument();
    const auto request = preview(save(*document));
    ASSERT_TRUE(request->hasImage()) << request->failure().toStdString();
    ASSERT_TRUE(request->requestedSize());
    EXPECT_EQ(request->requestedSize()->width, 595);
    EXPECT_EQ(request->requestedSize()->height, 842);
    EXPECT_TRUE(request->requestedBitmap());

    const QImage image = request->image();
    ASSERT_EQ(image.size(), QSize(595, 842));
    // The rectangle in the top-left corner, the paper white and opaque
    // elsewhere, nothing of the hidden layer.
    EXPECT_TRUE(near(pixel(image, 70, 55), Red));
    EXPECT_TRUE(near(pixel(image, 21, 31), Red));
    EXPECT_TRUE(near(pixel(image, 10, 10), White));
    EXPECT_TRUE(near(pixel(image, 70, 90), White));
    EXPECT_TRUE(near(pixel(image, 350, 450), White));
    EXPECT_TRUE(near(pixel(image, 594, 841), White));
}

TEST(ScrivanePreview, ThumbnailIsTheAreaTheGraphicsCoverScaledToFit)
{
    const auto document = cornerDocument(false);
    const Rect bounds = TDDocument::drawingBoundsForGraphics(document->graphics());
    EXPECT_NEAR(bounds.width(), CornerRect.width(), 1);
    EXPECT_NEAR(bounds.height(), CornerRect.height(), 1);

    const auto request = thumbnail(save(*document), 200);
    ASSERT_TRUE(request->hasImage()) << request->failure().toStdString();
    ASSERT_TRUE(request->requestedSize());
    EXPECT_FLOAT_EQ(request->requestedSize()->width, bounds.width());
    EXPECT_FLOAT_EQ(request->requestedSize()->height, bounds.height());
    EXPECT_FALSE(request->requestedBitmap());

    const QImage image = request->image();
    ASSERT_EQ(image.width(), 200);
    EXPECT_NEAR(image.height(), 200 * bounds.height() / bounds.width(), 1);
    // Only the rectangle is in view: red from corner to corner.
    for (const QPoint p : {QPoint(2, 2), QPoint(100, 50), QPoint(197, 2), QPoint(2, image.height() - 3),
                           QPoint(197, image.height() - 3)})
        EXPECT_TRUE(near(pixel(image, p.x(), p.y()), Red)) << p.x() << "," << p.y();
}

TEST(ScrivanePreview, DrawsOnlyTheDocumentTypesItKnows)
{
    const QString path = save(*cornerDocument(false));
    const struct {
        const char *type;
        bool draws;
    } cases[] = {
        {"com.quelmont.scrivane.scrivane", true}, {"Scrivane Document", true}, {"Verdane Document", true},
        {"public.png", false},                    {"", false},
    };
    for (const auto &c : cases) {
        const auto request = preview(path, c.type);
        EXPECT_EQ(request->hasImage(), c.draws) << c.type;
        EXPECT_EQ(request->failure().isEmpty(), c.draws) << c.type;
    }
}

TEST(ScrivanePreview, FactoryMakesOnlyTheGeneratorWithOnlyItsCallbacks)
{
    QString error;
    EXPECT_FALSE(module().createInstance<PreviewGeneratorInterface>(
        "QuickLookGeneratorPluginFactory", PluginUUID::fromString(MetadataImporterTypeID),
        PluginUUID::fromString(PreviewGeneratorCallbacksInterfaceID), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("makes no instance"))) << error.toStdString();
    // Unlike the text plug-in, the generator does not answer to the base
    // interface.
    EXPECT_FALSE(module().createInstance<PreviewGeneratorInterface>(
        "QuickLookGeneratorPluginFactory", PluginUUID::fromString(PreviewGeneratorTypeID),
        PluginUUID::fromString(PluginBaseInterfaceID), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("lacks the interface"))) << error.toStdString();

    // Every reference taken is given back: the callbacks hold one more.
    const auto g = generator();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->AddRef(g.get()), 2u);
    EXPECT_EQ(g->Release(g.get()), 1u);
    EXPECT_NE(g->GeneratePreviewForURL, nullptr);
    EXPECT_NE(g->CancelThumbnailGeneration, nullptr);
}

TEST(ScrivanePreview, PackagesThatDoNotLoadDrawNothingAndSayWhy)
{
    const QString folder = QString::fromStdString(test::temporaryFolder());
    const QString withoutData = QDir(folder).filePath(QStringLiteral("empty.scrivane"));
    QDir().mkpath(withoutData);
    const QString junk = QDir(folder).filePath(QStringLiteral("junk.scrivane"));
    QDir().mkpath(junk);
    QFile data(QDir(junk).filePath(QStringLiteral("data")));
    ASSERT_TRUE(data.open(QIODevice::WriteOnly));
    data.write("not an archive");
    data.close();

    for (const QString &path : {withoutData, junk, QDir(folder).filePath(QStringLiteral("missing.scrivane"))}) {
        const auto request = preview(path);
        EXPECT_FALSE(request->hasImage()) << path.toStdString();
        EXPECT_FALSE(request->failure().isEmpty()) << path.toStdString();
    }
    // Not a file URL.
    auto request = std::make_unique<PreviewImageRequest>(PreviewImageRequest::Mode::Preview);
    const auto g = generator();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->GeneratePreviewForURL(g.get(), request.get(), "http://example.invalid/a.scrivane",
                                       "com.quelmont.scrivane.scrivane", nullptr),
              PluginOK);
    EXPECT_FALSE(request->hasImage());
}

TEST(ScrivanePreview, OlderPackagesKeptAsYamlAreDrawn)
{
    // The YAML reader of the runtime services is inside the module: a
    // package with only "data.yaml" loads with nothing to load first.
    const QString path = QDir(QString::fromStdString(test::temporaryFolder())).filePath(QStringLiteral("old.scrivane"));
    QDir().mkpath(path);
    QFile yaml(QDir(path).filePath(QStringLiteral("data.yaml")));
    ASSERT_TRUE(yaml.open(QIODevice::WriteOnly));
    yaml.write("Layers:\n  - Name: From yaml\n");
    yaml.close();

    const auto request = preview(path);
    ASSERT_TRUE(request->hasImage()) << request->failure().toStdString();
    EXPECT_EQ(request->image().size(), QSize(595, 842));
    EXPECT_TRUE(near(pixel(request->image(), 300, 400), White));
}
