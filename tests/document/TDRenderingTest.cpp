// Off-screen rendering and export: images of graphics, bitmap files with
// their resolution, PDF and EPS read back through Ghostscript.

#include "DocumentTestSupport.h"

#include "document/TDDocument.h"
#include "document/TDImageExport.h"
#include "document/TDRenderingView.h"
#include "model/TDApplicationServices.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/Profile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::doctest;

namespace {

const QColor Red(255, 0, 0);
const QColor White(255, 255, 255);

QImage decode(const QByteArray &data)
{
    QBuffer buffer(const_cast<QByteArray *>(&data));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return reader.read();
}

double dpiOf(const QImage &image)
{
    return image.dotsPerMeterX() * 0.0254;
}

// A 100 × 50 point page with a red square at (10, 10, 20, 20) and one
// sticking out beyond the right edge.
struct PageFixture : ::testing::Test {
    PageFixture()
    {
        document.undoManager()->setGroupsByEvent(false);
        document.setGraphicView(&canvas);
        document.setSizeInPages(false);
        document.setWidth(100);
        document.setHeight(50);
        square = TestShape::make(Rect(10, 10, 20, 20), Color::calibratedRGB(1, 0, 0));
        outside = TestShape::make(Rect(90, 30, 30, 30), Color::calibratedRGB(0, 0, 1));
        document.addGraphic(square);
        document.addGraphic(outside);
    }
    ~PageFixture() override { document.setGraphicView(nullptr); }

    TDDocument document;
    TestCanvas canvas{&document};
    std::shared_ptr<TestShape> square;
    std::shared_ptr<TestShape> outside;
};

class ExportDelegate : public TDAppDelegateInterface {
public:
    void setEditingText(bool) override {}
    void setMenuStates(bool, bool, bool) override {}
    int exportFormat() const override { return format; }
    int exportDocumentBounds() const override { return documentScope; }
    void enableSelectionBounds(bool) override {}
    void enableResolution(bool on) override { resolution = on; }
    void enableTransparent(bool on) override { transparency = on; }
    int exportDPI() const override { return dpi; }
    bool exportTransparent() const override { return transparent; }

    int format = 3;
    int documentScope = 1;
    int dpi = 72;
    bool transparent = false;
    bool resolution = false;
    bool transparency = false;
};

} // namespace

TEST(TDRendering, NothingToRenderGivesNothing)
{
    EXPECT_EQ(TDDocument::drawingBoundsForGraphics({}), Rect());
    EXPECT_TRUE(TDDocument::imageForGraphics({}).isNull());
    EXPECT_TRUE(TDDocument::PDFRepresentationForGraphics({}).isEmpty());
}

TEST(TDRendering, ScaledRenderTruncatesSizeAndOrigin)
{
    TDDocument document;
    auto shape = TestShape::make(Rect(10, 20, 4, 4), Color::calibratedRGB(1, 0, 0));
    document.addGraphic(shape);
    const QImage image = TDDocument::imageForGraphics({shape}, 1.5f, false, Rect(10.7f, 20.2f, 100, 50));
    ASSERT_EQ(image.size(), QSize(150, 75));
    // Drawing starts at (10, 20): the shape covers pixels 0 to 5.
    EXPECT_TRUE(near(pixel(image, 0, 0), Red));
    EXPECT_TRUE(near(pixel(image, 5, 5), Red));
    EXPECT_EQ(pixel(image, 7, 7).alpha(), 0);
    EXPECT_EQ(TDDocument::renderScale(), 1.5f);
    EXPECT_EQ(document.zoom(), 1.5f);

    const QImage opaque = TDDocument::imageForGraphics({shape}, 1, true, Rect(0, 0, 40, 40));
    EXPECT_TRUE(near(pixel(opaque, 35, 35), White));
    EXPECT_TRUE(near(pixel(opaque, 12, 22), Red));
}

TEST_F(PageFixture, BitmapExportsRecordTheResolutionTheyWereRenderedAt)
{
    struct Case {
        int tag;
        bool alpha;
    };
    for (const Case c : {Case{3, true}, Case{4, true}, Case{1, false}, Case{-1, false}}) {
        const auto data = document.exportData(c.tag, 144, false, true);
        ASSERT_TRUE(data) << c.tag;
        const QImage image = decode(*data);
        ASSERT_EQ(image.size(), QSize(200, 100)) << c.tag;
        EXPECT_NEAR(dpiOf(image), 144, 0.5) << c.tag;
        EXPECT_TRUE(near(pixel(image, 40, 40), Red, c.tag == 1 ? 12 : 3)) << c.tag;
        EXPECT_TRUE(near(pixel(image, 100, 20), White, c.tag == 1 ? 12 : 3)) << c.tag;
    }
    // With "transparent" on, PNG and TIFF have no white underneath.
    for (int tag : {3, 4}) {
        const QImage image = decode(*document.exportData(tag, 72, true, true));
        EXPECT_EQ(pixel(image, 80, 5).alpha(), 0) << tag;
        EXPECT_TRUE(near(pixel(image, 20, 20), Red)) << tag;
    }
}

TEST_F(PageFixture, FormatsThatCarryAProfileCarryTheGenericRGBOne)
{
    const ProfilePtr generic = Profile::profileWithGenericRGB();
    ASSERT_TRUE(generic);
    struct Row {
        const char *name;
        int tag;
        bool carries;
    };
    for (const Row row : {Row{"png", 3, true}, Row{"jpeg", 1, true}, Row{"tiff", 4, true}, Row{"bmp", -1, false},
                          Row{"gif", 7, false}}) {
        SCOPED_TRACE(row.name);
        const auto data = document.exportData(row.tag, 72, false, true);
        ASSERT_TRUE(data);
        const QImage image = decode(*data);
        ASSERT_FALSE(image.isNull());
        const QByteArray icc = image.colorSpace().iccProfile();
        if (!row.carries) {
            EXPECT_TRUE(icc.isEmpty());
            continue;
        }
        // Read back by lcms2 as well as by Qt: the very profile, an RGB one.
        EXPECT_EQ(icc, generic->iccData());
        const ProfilePtr read = Profile::profileWithData(icc);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->spaceType(), Profile::rgbSpace);
        EXPECT_FALSE(read->description().isEmpty());
        // The pixels are as drawn: the tag converts nothing.
        EXPECT_TRUE(near(pixel(image, 20, 20), Red, row.tag == 1 ? 12 : 3));
    }
}

TEST_F(PageFixture, GifKeepsColoursAndTransparency)
{
    const auto data = document.exportData(7, 72, true, true);
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->startsWith("GIF89a"));
    const QImage image = decode(*data);
    ASSERT_EQ(image.size(), QSize(100, 50));
    EXPECT_TRUE(near(pixel(image, 20, 20), Red));
    EXPECT_TRUE(near(pixel(image, 95, 45), QColor(0, 0, 255)));
    EXPECT_EQ(pixel(image, 50, 5).alpha(), 0);

    // More than 256 colours: a palette that still holds the picture.
    QImage ramp(300, 20, QImage::Format_ARGB32);
    for (int x = 0; x < 300; ++x)
        for (int y = 0; y < 20; ++y)
            ramp.setPixelColor(x, y, QColor(x * 255 / 299, 128, 255 - x * 255 / 299));
    const QImage back = decode(TDImageExport::GIFData(ramp));
    ASSERT_EQ(back.size(), ramp.size());
    EXPECT_TRUE(near(pixel(back, 0, 10), pixel(ramp, 0, 10), 60));
    EXPECT_TRUE(near(pixel(back, 299, 10), pixel(ramp, 299, 10), 60));
}

TEST_F(PageFixture, PdfOfTheDocumentCoversThePaperAndOfTheSelectionItsBounds)
{
    const auto pdf = document.exportData(2, 72, false, true);
    ASSERT_TRUE(pdf);
    const QImage page = rasterise(*pdf, false, 72);
    if (page.isNull())
        GTEST_SKIP() << "Ghostscript is not installed";
    // The paper bounds, even where a graphic sticks out.
    EXPECT_EQ(page.size(), QSize(100, 50));
    EXPECT_TRUE(near(pixel(page, 20, 20), Red, 8));
    EXPECT_TRUE(near(pixel(page, 95, 45), QColor(0, 0, 255), 8));
    EXPECT_TRUE(near(pixel(page, 50, 5), White, 8));

    canvas.selection = {square};
    const auto selection = document.exportData(2, 72, true, false);
    ASSERT_TRUE(selection);
    const QImage cropped = rasterise(*selection, false, 72, true);
    EXPECT_EQ(cropped.size(), QSize(20, 20));
    EXPECT_TRUE(near(pixel(cropped, 10, 10), Red, 8));

    // Transparent: nothing under the graphics.
    const QImage clear = rasterise(*document.exportData(2, 72, true, true), false, 72, true);
    EXPECT_EQ(pixel(clear, 50, 5).alpha(), 0);
    EXPECT_EQ(pixel(clear, 20, 20).alpha(), 255);
}

TEST_F(PageFixture, EpsOfTheDocument)
{
    const auto eps = document.exportData(0, 72, false, true);
    ASSERT_TRUE(eps);
    EXPECT_TRUE(eps->startsWith("%!PS-Adobe"));
    const QImage page = rasterise(*eps, true, 144);
    if (page.isNull())
        GTEST_SKIP() << "Ghostscript is not installed";
    EXPECT_EQ(page.size(), QSize(200, 100));
    EXPECT_TRUE(near(pixel(page, 40, 40), Red, 8));
    EXPECT_TRUE(near(pixel(page, 100, 10), White, 8));
}

TEST_F(PageFixture, ExportPanelFollowsTheAccessory)
{
    ExportDelegate delegate;
    TDApplicationServices::setAppDelegate(&delegate);
    delegate.format = 2;
    EXPECT_EQ(document.exportFormat(), QStringList{"pdf"});
    EXPECT_FALSE(delegate.resolution);
    EXPECT_TRUE(delegate.transparency);
    delegate.format = 1;
    EXPECT_EQ(document.exportFormat(), (QStringList{"jpg", "jpeg"}));
    EXPECT_TRUE(delegate.resolution);
    EXPECT_FALSE(delegate.transparency);
    delegate.format = 5;
    EXPECT_TRUE(document.exportFormat().isEmpty());

    delegate.format = 3;
    delegate.dpi = 0; // read as 72
    const QString path = freshFolder() + "/drawing.png";
    EXPECT_FALSE(document.exportPanelDidEnd(path, false));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(document.exportPanelDidEnd(path, true));
    EXPECT_EQ(QImage(path).size(), QSize(100, 50));
    delegate.format = 6;
    const QString svg = freshFolder() + "/drawing.svg";
    EXPECT_TRUE(document.exportPanelDidEnd(svg, true));
    EXPECT_TRUE(QFileInfo(svg).isFile());
    TDApplicationServices::setAppDelegate(nullptr);
}

TEST(TDRendering, RenderingViewAnswersAsAnOffscreenTarget)
{
    TDDocument document;
    auto shape = TestShape::make(Rect(0, 0, 5, 5), Color::black());
    const auto view = TDRenderingView::renderViewWithGraphics({shape}, &document);
    EXPECT_EQ(view->printBounds(), TDDocument::drawingBoundsForGraphics({shape}));
    EXPECT_TRUE(view->renderingToPDF());
    EXPECT_FALSE(view->graphicIsSelected(shape.get()));
    EXPECT_EQ(view->zoom(), 1.0f);
    EXPECT_EQ(view->document(), &document);
    EXPECT_FALSE(view->isOpaque());
    EXPECT_EQ(view->printInfo(), &document.printInfo());
}

// A graphic converted to a bitmap becomes a rectangle filled with its
// picture over the whole points round its drawing, where it was drawn.
TEST_F(PageFixture, ConvertingToABitmapKeepsThePictureWhereItWas)
{
    auto shape = TestShape::make(Rect(40.5f, 10.25f, 10, 6), Color::calibratedRGB(1, 0, 0));
    document.addGraphic(shape);
    shape->setAlphaValue(0.5f);
    const TDGraphicPtr result = shape->convertToBitmap();
    const auto bitmap = std::dynamic_pointer_cast<TDRectangle>(result);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(document.layers().front()->graphics().back(), bitmap) << "in the shape's place";
    EXPECT_EQ(bitmap->fillStyle()->style(), int(TDFillImage));
    EXPECT_EQ(bitmap->strokeStyle()->style(), int(TDStrokeNone));
    EXPECT_FLOAT_EQ(bitmap->alphaValue(), 0.5f);
    const Rect drawn = shape->drawingBounds();
    const Rect expected(std::floor(drawn.minX()), std::floor(drawn.minY()),
                        std::ceil(drawn.maxX()) - std::floor(drawn.minX()),
                        std::ceil(drawn.maxY()) - std::floor(drawn.minY()));
    EXPECT_EQ(bitmap->bounds(), expected);
    const auto image = bitmap->fillStyle()->image();
    ASSERT_TRUE(image);
    const QImage pixels = decode(image->data);
    ASSERT_EQ(pixels.size(), QSize(int(expected.width()), int(expected.height())));
    // The red lies where the shape was drawn: 40.5 is half a pixel into
    // the first column.
    EXPECT_EQ(pixels.pixelColor(5, 3).red(), 255);
    EXPECT_LT(pixels.pixelColor(0, 3).alpha(), 255);
    // Outside a document nothing renders, and nothing changes.
    auto alone = TestShape::make(Rect(0, 0, 5, 5), Color::calibratedRGB(0, 1, 0));
    QString error;
    EXPECT_EQ(alone->convertToBitmap(&error), nullptr);
    EXPECT_FALSE(error.isEmpty());
}

// The process-wide image cache: an image is found again under its name, a
// changed image has another name, and a name nothing was kept under gives
// nothing.
TEST(TDRendering, ImageCacheKeepsImagesByTheirIdentity)
{
    QImage image(4, 3, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    const QString name = TDImageExport::imageCacheName(image);
    EXPECT_EQ(name, QStringLiteral("img:%1").arg(image.cacheKey()));
    EXPECT_TRUE(TDImageExport::myCachedImageNamed(name).isNull());
    TDImageExport::cacheImage(image);
    const QImage found = TDImageExport::myCachedImageNamed(name);
    EXPECT_EQ(found, image);
    EXPECT_EQ(found.cacheKey(), image.cacheKey());

    // Changing the pixels makes another image, under another name; the kept
    // one stays as it was.
    image.setPixelColor(0, 0, Qt::blue);
    EXPECT_NE(TDImageExport::imageCacheName(image), name);
    EXPECT_EQ(TDImageExport::myCachedImageNamed(name).pixelColor(0, 0), QColor(Qt::red));
    EXPECT_TRUE(TDImageExport::myCachedImageNamed(TDImageExport::imageCacheName(image)).isNull());
    EXPECT_TRUE(TDImageExport::myCachedImageNamed(QStringLiteral("img:nothing")).isNull());
}
