// A placed PDF picture is drawn by poppler, in our process, from a
// stranger's data: what passes the importer's limits is drawn, and what
// does not is refused before poppler sees it.

#include "PdfTestSupport.h"

#include "document/TDPdfPicture.h"

#include <cairo.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace scrivane;
using namespace scrivane::pdftest;

namespace {

// Forms F1 … F`levels`, each drawing the one below it ten times; F0 fills
// a square.
ResourceBuilder nestedForms(int levels)
{
    return [levels](QPDF &pdf, QPDFObjectHandle resources) {
        QPDFObjectHandle below = stream(pdf, "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>", "0 0 1 1 re f");
        for (int level = 1; level <= levels; ++level) {
            std::string content;
            for (int i = 0; i < 10; ++i)
                content += "/Below Do ";
            QPDFObjectHandle form = stream(pdf, "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>", content);
            QPDFObjectHandle own = QPDFObjectHandle::newDictionary();
            addResource(own, "/XObject", "/Below", below);
            form.getDict().replaceKey("/Resources", own);
            below = form;
        }
        addResource(resources, "/XObject", "/Top", below);
    };
}

} // namespace

TEST(TDPdfPicture, HostilePagesAreRefusedBeforePopplerReadsThem)
{
    TDPdfLimits small;
    small.streamBytes = 4000;
    small.operators = 300;
    struct Case {
        const char *name;
        QByteArray pdf;
        TDPdfLimits limits;
        const char *reason;
    };
    const Case cases[] = {
        {"an image of 10⁸ pixels",
         onePage("/Im0 Do",
                 [](QPDF &pdf, QPDFObjectHandle r) {
                     addResource(r, "/XObject", "/Im0",
                                 stream(pdf,
                                        "<< /Type /XObject /Subtype /Image /Width 10000 /Height 10000 "
                                        "/ColorSpace /DeviceGray /BitsPerComponent 8 >>",
                                        "tiny"));
                 }),
         TDPdfLimits(), "pixels"},
        {"an inline image of 10⁸ pixels", onePage("q BI /W 10000 /H 10000 /CS /G /BPC 8 ID \nxyz\nEI Q"),
         TDPdfLimits(), "pixels"},
        {"an image only a form reaches",
         onePage("/Fm0 Do",
                 [](QPDF &pdf, QPDFObjectHandle r) {
                     QPDFObjectHandle form =
                         stream(pdf, "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>", "/Im0 Do");
                     QPDFObjectHandle own = QPDFObjectHandle::newDictionary();
                     addResource(own, "/XObject", "/Im0",
                                 stream(pdf, "<< /Subtype /Image /Width 70000 /Height 70000 >>", "x"));
                     form.getDict().replaceKey("/Resources", own);
                     addResource(r, "/XObject", "/Fm0", form);
                 }),
         TDPdfLimits(), "pixels"},
        // 10⁸ fills from a page of one operator.
        {"forms drawing forms ten times, eight deep", onePage("/Top Do", nestedForms(8)), TDPdfLimits(),
         "more than"},
        {"content longer than the byte limit", onePage(std::string(5000, ' ') + "0 0 1 1 re f"), small, "bytes"},
        {"more operators than the limit", onePage([] {
             std::string content;
             for (int i = 0; i < 200; ++i)
                 content += "0 0 1 1 re f ";
             return content;
         }()),
         small, "operators"},
        {"no PDF", QByteArray("%PDF-1.4 this is not a PDF"), TDPdfLimits(), ""},
    };
    for (const Case &c : cases) {
        QString error;
        EXPECT_FALSE(TDPdfPicture::withinLimits(c.pdf, c.limits, &error)) << c.name;
        EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << c.name << ": " << error.toStdString();
        error.clear();
        EXPECT_FALSE(TDPdfPicture::firstPage(c.pdf, &error, c.limits)) << c.name;
        EXPECT_TRUE(error.startsWith(QStringLiteral("The PDF picture is not drawn: "))) << c.name;
    }
}

TEST(TDPdfPicture, PagesWithinTheLimitsAreDrawn)
{
    struct Case {
        const char *name;
        QByteArray pdf;
    };
    const Case cases[] = {
        {"forms drawing forms ten times, three deep", onePage("/Top Do", nestedForms(3))},
        {"a form that draws itself",
         onePage("/Fm0 Do",
                 [](QPDF &pdf, QPDFObjectHandle r) {
                     QPDFObjectHandle form =
                         stream(pdf, "<< /Type /XObject /Subtype /Form /BBox [0 0 10 10] >>", "/Fm0 Do 0 0 5 5 re f");
                     QPDFObjectHandle own = QPDFObjectHandle::newDictionary();
                     addResource(own, "/XObject", "/Fm0", form);
                     form.getDict().replaceKey("/Resources", own);
                     addResource(r, "/XObject", "/Fm0", form);
                 })},
        {"a small inline image", onePage("q 10 0 0 10 0 0 cm BI /W 2 /H 2 /CS /G /BPC 8 ID \n\x01\x02\x03\x04\nEI Q")},
    };
    for (const Case &c : cases) {
        QString error;
        EXPECT_TRUE(TDPdfPicture::withinLimits(c.pdf, TDPdfLimits(), &error)) << c.name << ": " << error.toStdString();
        EXPECT_TRUE(TDPdfPicture::firstPage(c.pdf, &error)) << c.name << ": " << error.toStdString();
    }
}

TEST(TDPdfPicture, RecordsThePageAsItIsShown)
{
    // A page turned a quarter: 200 × 100 points on paper, 100 × 200 shown.
    const QByteArray pdf = onePage("1 0 0 rg 0 0 50 100 re f", {}, "[0 0 200 100]", 90);
    QString error;
    const std::shared_ptr<cairo_surface_t> picture = TDPdfPicture::firstPage(pdf, &error);
    ASSERT_TRUE(picture) << error.toStdString();
    cairo_rectangle_t extents;
    ASSERT_TRUE(cairo_recording_surface_get_extents(picture.get(), &extents));
    EXPECT_DOUBLE_EQ(extents.width, 100);
    EXPECT_DOUBLE_EQ(extents.height, 200);

    // The red strip at the page's left edge lies along the top once turned
    // clockwise.
    cairo_surface_t *image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 100, 200);
    cairo_t *cr = cairo_create(image);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_surface(cr, picture.get(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(image);
    const auto pixel = [image](int x, int y) {
        return reinterpret_cast<const uint32_t *>(cairo_image_surface_get_data(image) +
                                                  y * cairo_image_surface_get_stride(image))[x] &
               0xffffff;
    };
    EXPECT_EQ(pixel(50, 25), 0xff0000u);
    EXPECT_EQ(pixel(50, 150), 0xffffffu);
    cairo_surface_destroy(image);
}
