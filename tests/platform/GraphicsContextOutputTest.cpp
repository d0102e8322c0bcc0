// PDF and EPS output of the drawing context, checked by rasterising the
// files with Ghostscript.

#include "platform/GraphicsContext.h"

#include "TestEnvironment.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace scrivane;

namespace {

struct Pixel {
    int r = 0, g = 0, b = 0;
};

::testing::AssertionResult near(const QImage &image, int x, int y, Pixel expected, int tolerance)
{
    const QRgb p = image.pixel(x, y);
    if (std::abs(qRed(p) - expected.r) <= tolerance && std::abs(qGreen(p) - expected.g) <= tolerance &&
        std::abs(qBlue(p) - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel at (" << x << ", " << y << ") is (" << qRed(p) << ", " << qGreen(p) << ", " << qBlue(p)
           << "), not within " << tolerance << " of (" << expected.r << ", " << expected.g << ", "
           << expected.b << ")";
}

const Size Page(100, 60);

// Draws one page into a file of the given kind and answers the file's path.
QString writePage(SurfaceKind kind, bool flipped, const std::function<void(GraphicsContext &)> &draw)
{
    static int counter = 0;
    const QString folder = QString::fromStdString(test::temporaryFolder());
    const QString path =
        folder + QStringLiteral("/page%1.%2").arg(++counter).arg(kind == SurfaceKind::Pdf ? "pdf" : "eps");
    QString error;
    auto context = kind == SurfaceKind::Pdf ? GraphicsContext::forPdfFile(path, Page, flipped, &error)
                                            : GraphicsContext::forEpsFile(path, Page, flipped, &error);
    EXPECT_TRUE(context) << error.toStdString();
    if (!context)
        return QString();
    draw(*context);
    EXPECT_TRUE(context->finish());
    return path;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The page at 72 pixels per inch (one pixel a point) on white, or a null
// image when Ghostscript is missing.
QImage rasterise(const QString &path)
{
    const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
    if (gs.isEmpty())
        return QImage();
    const QString png = path + QStringLiteral(".png");
    QProcess process;
    process.start(gs, {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                       QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=png16m"), QStringLiteral("-r72"),
                       QStringLiteral("-dDEVICEWIDTHPOINTS=%1").arg(Page.width),
                       QStringLiteral("-dDEVICEHEIGHTPOINTS=%1").arg(Page.height),
                       QStringLiteral("-dFIXEDMEDIA"), QStringLiteral("-sOutputFile=") + png, path});
    process.waitForFinished(60000);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QImage image(png);
    EXPECT_FALSE(image.isNull()) << "Ghostscript made no image of " << path.toStdString();
    return image.convertToFormat(QImage::Format_RGB32);
}

#define RASTERISE_OR_SKIP(image, path)                                                                       \
    const QImage image = rasterise(path);                                                                    \
    if (image.isNull())                                                                                      \
    GTEST_SKIP() << "Ghostscript (gs) is not installed; the page was written but not looked at"

ContextShadow blackShadow(float dx, float dy, float blur)
{
    ContextShadow shadow;
    shadow.offset = Size(dx, dy);
    shadow.blur = blur;
    shadow.color = Color::black();
    return shadow;
}

TEST(GraphicsContextOutput, PdfKeepsAMultiplyBlendAsABlendMode)
{
    const QString path = writePage(SurfaceKind::Pdf, true, [](GraphicsContext &gc) {
        EXPECT_EQ(gc.surfaceKind(), SurfaceKind::Pdf);
        gc.setFillColor(Color::calibratedWhite(0.5f));
        gc.fillRect(Rect(0, 0, 100, 60));
        gc.setBlendMode(BlendMode::Multiply);
        gc.setFillColor(Color::red());
        gc.fillRect(Rect(0, 0, 50, 60));
    });
    const QByteArray pdf = contents(path);
    EXPECT_TRUE(pdf.contains("/BM /Multiply"));
    EXPECT_FALSE(pdf.contains("/Subtype /Image"));
    RASTERISE_OR_SKIP(image, path);
    EXPECT_TRUE(near(image, 25, 30, {128, 0, 0}, 3));
    EXPECT_TRUE(near(image, 75, 30, {128, 128, 128}, 3));
}

TEST(GraphicsContextOutput, ShadowBecomesAnImageInPdfAndEps)
{
    for (SurfaceKind kind : {SurfaceKind::Pdf, SurfaceKind::PostScript}) {
        for (bool layer : {false, true}) {
            SCOPED_TRACE(std::string(kind == SurfaceKind::Pdf ? "PDF" : "EPS") + (layer ? ", layer" : ""));
            const QString path = writePage(kind, true, [layer](GraphicsContext &gc) {
                gc.setShadow(blackShadow(10, -10, 2)); // right and down on the page
                if (layer)
                    gc.beginTransparencyLayer();
                gc.setFillColor(Color::red());
                gc.fillRect(Rect(10, 10, 30, 30));
                if (layer)
                    gc.endTransparencyLayer();
            });
            const QByteArray data = contents(path);
            if (kind == SurfaceKind::Pdf)
                EXPECT_TRUE(data.contains("/Subtype /Image"));
            else
                EXPECT_TRUE(data.startsWith("%!PS-Adobe-3.0 EPSF-3.0"));
            RASTERISE_OR_SKIP(image, path);
            EXPECT_TRUE(near(image, 25, 25, {255, 0, 0}, 2));
            EXPECT_TRUE(near(image, 45, 45, {0, 0, 0}, 8));     // shadow beyond the square's corner
            EXPECT_TRUE(near(image, 23, 45, {0, 0, 0}, 8));
            EXPECT_TRUE(near(image, 5, 5, {255, 255, 255}, 2)); // nothing up and to the left
            EXPECT_TRUE(near(image, 60, 30, {255, 255, 255}, 2));
        }
    }
}

TEST(GraphicsContextOutput, UnflippedPageRunsUpFromTheBottomLeftCorner)
{
    const QString path = writePage(SurfaceKind::Pdf, false, [](GraphicsContext &gc) {
        gc.setFillColor(Color::blue());
        gc.fillRect(Rect(0, 0, 20, 20));
    });
    RASTERISE_OR_SKIP(image, path);
    EXPECT_TRUE(near(image, 5, 55, {0, 0, 255}, 2));
    EXPECT_TRUE(near(image, 5, 5, {255, 255, 255}, 2));
}

TEST(GraphicsContextOutput, TransparencyLayerCompositesOnceInPdf)
{
    const QString path = writePage(SurfaceKind::Pdf, true, [](GraphicsContext &gc) {
        gc.setAlpha(0.5f);
        gc.beginTransparencyLayer();
        gc.setFillColor(Color::red());
        gc.fillRect(Rect(0, 0, 60, 60));
        gc.fillRect(Rect(40, 0, 60, 60));
        gc.endTransparencyLayer();
    });
    RASTERISE_OR_SKIP(image, path);
    EXPECT_TRUE(near(image, 20, 30, {255, 128, 128}, 3));
    EXPECT_TRUE(near(image, 50, 30, {255, 128, 128}, 3));
}

std::array<float, 4> twoStops(float t, float alphaAtEnd)
{
    return {1 - t, 0, t, 1 - t + t * alphaAtEnd};
}

TEST(GraphicsContextOutput, OpaqueShadingStaysNativeInPdfAndATransparentOneBecomesAnImage)
{
    for (float endAlpha : {0.995f, 0.4f}) {
        SCOPED_TRACE("alpha at the end " + std::to_string(endAlpha));
        const QString path = writePage(SurfaceKind::Pdf, true, [endAlpha](GraphicsContext &gc) {
            Shading shading;
            shading.start = Point(0, 0);
            shading.end = Point(100, 0);
            shading.function = [endAlpha](float t) { return twoStops(t, endAlpha); };
            shading.breakpoints = {0, 1};
            EXPECT_TRUE(gc.drawShading(shading));
        });
        const QByteArray pdf = contents(path);
        const bool native = endAlpha > 0.99f;
        EXPECT_EQ(pdf.contains("/ShadingType 2"), native);
        EXPECT_EQ(pdf.contains("/Subtype /Image"), !native);
        RASTERISE_OR_SKIP(image, path);
        for (int x : {10, 50, 90}) {
            // Straight-alpha interpolation over white (opaque ends drawn opaque).
            const float t = (x + 0.5f) / 100;
            const std::array<float, 4> c = twoStops(t, native ? 1.0f : endAlpha);
            auto v = [&c](float channel) {
                return static_cast<int>(std::lround((channel * c[3] + 1 - c[3]) * 255));
            };
            EXPECT_TRUE(near(image, x, 30, {v(c[0]), v(c[1]), v(c[2])}, 4)) << "x = " << x;
        }
    }
}

TEST(GraphicsContextOutput, PdfCanBeWrittenToAStream)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    auto context = GraphicsContext::forPdf(&buffer, Page, true);
    ASSERT_TRUE(context);
    context->fillRect(Rect(0, 0, 10, 10));
    EXPECT_TRUE(context->finish());
    EXPECT_TRUE(buffer.data().startsWith("%PDF-"));
    EXPECT_TRUE(buffer.data().trimmed().endsWith("%%EOF"));
    EXPECT_FALSE(context->fillRect(Rect(0, 0, 10, 10))); // finished
}

TEST(GraphicsContextOutput, FileThatCannotBeWrittenIsReported)
{
    QString error;
    EXPECT_FALSE(
        GraphicsContext::forPdfFile(QStringLiteral("/nonexistent-folder/x.pdf"), Page, true, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("/nonexistent-folder/x.pdf")));
    EXPECT_FALSE(GraphicsContext::forEpsFile(QString::fromStdString(test::temporaryFolder()) + "/x.eps",
                                             Size(0, 10), true, &error));
}

} // namespace
