// What a PDF page draws besides paths: text as text-filled rectangles,
// forms as groups, images with their masks, and the limits that keep
// hostile pages in check.

#include "PdfTestSupport.h"

#include "document/TDGlobalImageStore.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::pdftest;

namespace {

void addHelvetica(QPDF &pdf, QPDFObjectHandle r)
{
    addResource(r, "/Font", "/F1",
                QPDFObjectHandle::parse(&pdf, "<< /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+Helvetica "
                                              "/Encoding /WinAnsiEncoding >>"));
}

QString textOf(const TDGraphic &graphic)
{
    return archivedText(graphic.fillStyle()->toYAML().value(QStringLiteral("FillTextKey")).toData());
}

// The image a graphic's fill shows, as stored.
QImage fillImage(const TDGraphic &graphic)
{
    const auto *entry = TDGlobalImageStore::instance().entry(graphic.fillStyle()->imageKey());
    return entry ? entry->image.convertToFormat(QImage::Format_ARGB32) : QImage();
}

// An image XObject named /Im0, drawn over the unit square scaled to 20.
TDGraphicArray imageOf(const std::string &dictionary, const std::string &data, QStringList *notes = nullptr,
                       const std::function<void(QPDF &, QPDFObjectHandle, QPDFObjectHandle)> &extra = {})
{
    const auto resources = [&](QPDF &pdf, QPDFObjectHandle r) {
        QPDFObjectHandle image = stream(pdf, "<< /Type /XObject /Subtype /Image " + dictionary + " >>", data);
        if (extra)
            extra(pdf, r, image);
        addResource(r, "/XObject", "/Im0", image);
    };
    return importContent("q 20 0 0 20 0 0 cm /Im0 Do Q", resources, notes);
}

} // namespace

// --- Text ---------------------------------------------------------------------------------------------

TEST(TDPdfText, TextRunBecomesATextRectangleAtItsOrigin)
{
    const TDGraphicArray graphics = importContent("BT /F1 12 Tf 100 150 Td (Hello) Tj ET", addHelvetica);
    ASSERT_EQ(graphics.size(), 1u);
    const auto box = std::dynamic_pointer_cast<TDRectangle>(graphics[0]);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->fillStyle()->style(), TDFillStyle::TextFill);
    EXPECT_EQ(box->strokeStyle()->style(), TDStrokeStyle::None);
    const PropertyList fill = box->fillStyle()->toYAML();
    EXPECT_EQ(textOf(*box), "Hello");
    EXPECT_DOUBLE_EQ(fill.value(QStringLiteral("lineFragmentPadding")).toReal(), 0);
    // The box's left edge stands at x 100, and the baseline, page y 150
    // (document y 50), lies inside it.
    const AffineTransform t = box->transformation();
    EXPECT_NEAR(t.transformPoint(Point(0, 0)).x, 100, 0.01);
    EXPECT_NEAR(t.transformPoint(Point(0, 1)).x, 100, 0.01);
    EXPECT_GT(t.transformPoint(Point(0, 0)).y, 50);
    EXPECT_LT(t.transformPoint(Point(0, 1)).y, 50);
    // Text is laid out downwards in the box.
    EXPECT_GT(box->textTransformation().m22, 0);
}

TEST(TDPdfText, ShowsWithoutAMoveShareTheOriginAndLinesFollowTheLeading)
{
    const TDGraphicArray same = importContent("BT /F1 12 Tf 100 150 Td (A) Tj (B) Tj ET", addHelvetica);
    ASSERT_EQ(same.size(), 2u);
    const Point a = same[0]->transformation().transformPoint(Point(0, 0));
    const Point b = same[1]->transformation().transformPoint(Point(0, 0));
    EXPECT_NEAR(a.x, b.x, 0.01);
    EXPECT_NEAR(a.y, b.y, 0.01);

    struct Case {
        const char *name;
        const char *content;
        double dx;
        double dy;
    };
    const Case cases[] = {
        {"quote after TL", "BT /F1 12 Tf 14 TL 100 150 Td (A) Tj (B) ' ET", 0, 14},
        {"T*", "BT /F1 12 Tf 14 TL 100 150 Td (A) Tj T* (B) Tj ET", 0, 14},
        {"TD sets the leading", "BT /F1 12 Tf 100 150 TD (A) Tj 0 -20 TD T* (B) Tj ET", 0, 40},
        {"double quote", "BT /F1 12 Tf 10 TL 100 150 Td (A) Tj 1 2 (B) \" ET", 0, 10},
        {"Tm places both", "BT /F1 12 Tf 1 0 0 1 30 40 Tm (A) Tj 2 0 Td (B) Tj ET", 2, 0},
    };
    for (const Case &c : cases) {
        const TDGraphicArray lines = importContent(c.content, addHelvetica);
        ASSERT_EQ(lines.size(), 2u) << c.name;
        const Point first = lines[0]->transformation().transformPoint(Point(0, 0));
        const Point second = lines[1]->transformation().transformPoint(Point(0, 0));
        EXPECT_NEAR(second.x - first.x, c.dx, 0.01) << c.name;
        EXPECT_NEAR(second.y - first.y, c.dy, 0.01) << c.name;
    }
}

TEST(TDPdfText, TextArraysConcatenateAndKeepTheFontAndColour)
{
    const TDGraphicArray graphics =
        importContent("BT /F1 10 Tf 0 0 1 rg 20 20 Td [(W) 80 (orld) -400 (wide) 12 (\\200)] TJ ET", addHelvetica);
    ASSERT_EQ(graphics.size(), 1u);
    EXPECT_EQ(textOf(*graphics[0]), "World wide€");
    // The stored text carries its font and colour.
    const QByteArray archive = graphics[0]->fillStyle()->toYAML().value(QStringLiteral("FillTextKey")).toData();
    EXPECT_TRUE(archive.contains("Helvetica"));
    EXPECT_TRUE(archive.contains("NSFont"));
    EXPECT_TRUE(archive.contains("TDColor"));
    // A text scaled by its matrix keeps the scale in its font size.
    const TDGraphicArray scaled = importContent("BT /F1 1 Tf 24 0 0 24 20 20 Tm (Big) Tj ET", addHelvetica);
    ASSERT_EQ(scaled.size(), 1u);
    const Rect bounds = scaled[0]->bounds();
    EXPECT_GT(bounds.height(), 20);
}

TEST(TDPdfText, TextWithoutAFontOrCharactersIsHandled)
{
    // Without Tf a default font is used; a font missing from the resources
    // keeps the one before; blank strings draw nothing.
    EXPECT_EQ(importContent("BT 10 10 Td (Hi) Tj ET").size(), 1u);
    EXPECT_EQ(importContent("BT /F9 12 Tf 10 10 Td (Hi) Tj ET").size(), 1u);
    EXPECT_TRUE(importContent("BT /F1 12 Tf 10 10 Td (   ) Tj () Tj ET", addHelvetica).empty());
    EXPECT_TRUE(importContent("BT /F1 12 Tf 0 0 0 0 10 10 Tm (Flat) Tj ET", addHelvetica).empty());
}

// --- Forms ---------------------------------------------------------------------------------------------

TEST(TDPdfForms, FormBecomesAGroupInItsOwnSpaceWithTheAlphaOfItsPlace)
{
    const auto resources = [](QPDF &pdf, QPDFObjectHandle r) {
        addResource(r, "/XObject", "/Fm0",
                    stream(pdf, "<< /Type /XObject /Subtype /Form /BBox [0 0 100 100] /Matrix [1 0 0 1 50 50] >>",
                           "0 0 1 rg 0 0 10 10 re f"));
        addResource(r, "/ExtGState", "/GS0", QPDFObjectHandle::parse(&pdf, "<< /ca 0.5 >>"));
    };
    const TDGraphicArray graphics = importContent("/GS0 gs /Fm0 Do", resources);
    ASSERT_EQ(graphics.size(), 1u);
    const auto group = std::dynamic_pointer_cast<TDGroup>(graphics[0]);
    ASSERT_TRUE(group);
    EXPECT_FLOAT_EQ(group->alphaValue(), 0.5f);
    ASSERT_EQ(group->graphics().size(), 1u);
    const TDGraphic &child = *group->graphics()[0];
    EXPECT_FLOAT_EQ(child.fillStyle()->color().alpha(), 1);
    EXPECT_NEAR(child.bounds().minX(), 50, 0.01);
    EXPECT_NEAR(child.bounds().minY(), 140, 0.01);
}

TEST(TDPdfForms, FormsThatDrawThemselvesOrNestDeeplyEnd)
{
    // A form whose resources hold itself.
    const auto self = [](QPDF &pdf, QPDFObjectHandle r) {
        QPDFObjectHandle form = stream(pdf, "<< /Type /XObject /Subtype /Form /BBox [0 0 100 100] >>",
                                       "0 0 10 10 re f /Fm0 Do");
        QPDFObjectHandle formResources = QPDFObjectHandle::newDictionary();
        addResource(formResources, "/XObject", "/Fm0", form);
        form.getDict().replaceKey("/Resources", formResources);
        addResource(r, "/XObject", "/Fm0", form);
    };
    QStringList notes;
    const TDGraphicArray graphics = importContent("/Fm0 Do", self, &notes);
    ASSERT_EQ(graphics.size(), 1u);
    const auto group = std::dynamic_pointer_cast<TDGroup>(graphics[0]);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->graphics().size(), 1u);
    EXPECT_TRUE(notes.contains(QStringLiteral("A form that draws itself was drawn once.")));

    // A chain of forty forms, each drawing the next.
    const auto chain = [](QPDF &pdf, QPDFObjectHandle r) {
        QPDFObjectHandle next;
        for (int i = 0; i < 40; ++i) {
            QPDFObjectHandle form = stream(pdf, "<< /Type /XObject /Subtype /Form /BBox [0 0 100 100] >>",
                                           next.isInitialized() ? "0 0 1 1 re f /Fn Do" : "0 0 1 1 re f");
            if (next.isInitialized()) {
                QPDFObjectHandle formResources = QPDFObjectHandle::newDictionary();
                addResource(formResources, "/XObject", "/Fn", next);
                form.getDict().replaceKey("/Resources", formResources);
            }
            next = form;
        }
        addResource(r, "/XObject", "/Fm0", next);
    };
    notes.clear();
    const TDGraphicArray deep = importContent("/Fm0 Do", chain, &notes);
    ASSERT_EQ(deep.size(), 1u);
    int depth = 0;
    TDGraphicPtr g = deep[0];
    while (const auto group = std::dynamic_pointer_cast<TDGroup>(g)) {
        ++depth;
        g = group->graphics().back();
    }
    EXPECT_EQ(depth, 16);
    EXPECT_TRUE(notes.join(' ').contains(QStringLiteral("nested more than 16 deep")));
}

TEST(TDPdfForms, RestoresInsideAFormStayInsideIt)
{
    const auto resources = [](QPDF &pdf, QPDFObjectHandle r) {
        addResource(r, "/XObject", "/Fm0",
                    stream(pdf, "<< /Type /XObject /Subtype /Form /BBox [0 0 100 100] >>",
                           "Q Q 0 0 1 rg 0 0 10 10 re f q 0 0 50 50 re W n 0 0 5 5 re f"));
    };
    const TDGraphicArray graphics = importContent("1 0 0 rg /Fm0 Do 20 20 5 5 re f", resources);
    ASSERT_EQ(graphics.size(), 2u);
    const auto form = std::dynamic_pointer_cast<TDGroup>(graphics[0]);
    ASSERT_TRUE(form);
    ASSERT_EQ(form->graphics().size(), 2u);
    EXPECT_TRUE(std::dynamic_pointer_cast<TDGroup>(form->graphics()[1])) << "the open clip ends with the form";
    EXPECT_EQ(graphics[1]->fillStyle()->color(), Color::deviceRGB(1, 0, 0)) << "the form's colour stayed inside it";
}

// --- Images --------------------------------------------------------------------------------------------

TEST(TDPdfImages, ImageWithSoftMaskKeepsItsAlphaAndLiesInTheUnitSquare)
{
    const std::string pixels("\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff", 12);
    const auto mask = [](QPDF &pdf, QPDFObjectHandle, QPDFObjectHandle image) {
        image.getDict().replaceKey(
            "/SMask", stream(pdf,
                             "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceGray "
                             "/BitsPerComponent 8 >>",
                             std::string("\xff\x80\x40\x00", 4)));
    };
    const TDGraphicArray graphics =
        imageOf("/Width 2 /Height 2 /ColorSpace /DeviceRGB /BitsPerComponent 8", pixels, nullptr, mask);
    ASSERT_EQ(graphics.size(), 1u);
    EXPECT_EQ(graphics[0]->fillStyle()->style(), TDFillStyle::ImageFill);
    EXPECT_NEAR(graphics[0]->bounds().minY(), 180, 0.01);
    EXPECT_NEAR(graphics[0]->bounds().width(), 20, 0.01);
    const QImage image = fillImage(*graphics[0]);
    ASSERT_EQ(image.size(), QSize(2, 2));
    // Stored bottom row first, as fills show their images.
    EXPECT_EQ(image.pixel(0, 1), qRgba(255, 0, 0, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgba(0, 255, 0, 0x80));
    EXPECT_EQ(image.pixel(0, 0), qRgba(0, 0, 255, 0x40));
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
}

TEST(TDPdfImages, ColourSpacesAndBitDepthsDecode)
{
    struct Case {
        const char *name;
        std::string dictionary;
        std::string data;
        QRgb first;
    };
    const Case cases[] = {
        {"grey 8", "/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", "\x80", qRgb(128, 128, 128)},
        {"grey 1", "/Width 8 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 1", "\x7f", qRgb(0, 0, 0)},
        {"grey 16", "/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 16", "\xff\xff", qRgb(255, 255, 255)},
        {"cmyk", "/Width 1 /Height 1 /ColorSpace /DeviceCMYK /BitsPerComponent 8", std::string("\xff\x00\x00\x00", 4),
         qRgb(0, 255, 255)},
        {"separation inverted", "/Width 1 /Height 1 /ColorSpace [/Separation /Ink /DeviceGray << /FunctionType 2 "
                                "/Domain [0 1] /N 1 >>] /BitsPerComponent 8",
         "\xff", qRgb(0, 0, 0)},
        {"indexed", "/Width 2 /Height 1 /ColorSpace [/Indexed /DeviceRGB 1 <ff000000ff00>] /BitsPerComponent 8",
         std::string("\x01\x00", 2), qRgb(0, 255, 0)},
        {"decode inverted", "/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Decode [1 0]", "\xff",
         qRgb(0, 0, 0)},
    };
    for (const Case &c : cases) {
        const TDGraphicArray graphics = imageOf(c.dictionary, c.data);
        ASSERT_EQ(graphics.size(), 1u) << c.name;
        const QImage image = fillImage(*graphics[0]);
        ASSERT_FALSE(image.isNull()) << c.name;
        EXPECT_EQ(image.pixel(0, image.height() - 1), c.first | 0xff000000u) << c.name;
    }
}

TEST(TDPdfImages, StencilMaskPaintsWithTheFillColour)
{
    const auto resources = [](QPDF &pdf, QPDFObjectHandle r) {
        addResource(r, "/XObject", "/Im0",
                    stream(pdf, "<< /Type /XObject /Subtype /Image /Width 2 /Height 1 /ImageMask true >>", "\x40"));
    };
    const TDGraphicArray graphics = importContent("1 0 0 rg /Im0 Do", resources);
    ASSERT_EQ(graphics.size(), 1u);
    const QImage image = fillImage(*graphics[0]);
    ASSERT_EQ(image.size(), QSize(2, 1));
    EXPECT_EQ(image.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(image.pixel(1, 0)), 0);
}

TEST(TDPdfImages, HostileImagesAreLeftOut)
{
    struct Case {
        const char *name;
        std::string dictionary;
        std::string data;
        const char *note;
    };
    const Case cases[] = {
        {"huge", "/Width 100000 /Height 100000 /ColorSpace /DeviceRGB /BitsPerComponent 8", "xyz", "pixels"},
        {"short stream", "/Width 100 /Height 100 /ColorSpace /DeviceRGB /BitsPerComponent 8", std::string(300, 'x'),
         "bytes where"},
        {"odd bits", "/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 3", "x", "bits per component"},
        {"no size", "/ColorSpace /DeviceGray /BitsPerComponent 8", "x", "width and height"},
        {"negative size", "/Width -4 /Height 2 /ColorSpace /DeviceGray /BitsPerComponent 8", "xxxxxxxx",
         "width and height"},
        {"unknown space", "/Width 1 /Height 1 /ColorSpace /Lab /BitsPerComponent 8", "xxx", "colour space"},
        {"palette too short", "/Width 1 /Height 1 /ColorSpace [/Indexed /DeviceRGB 9 <ff0000>] /BitsPerComponent 8",
         "\x05", "palette"},
        {"JPEG 2000", "/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /JPXDecode", "xxxx",
         "encoded"},
    };
    for (const Case &c : cases) {
        QStringList notes;
        EXPECT_TRUE(imageOf(c.dictionary, c.data, &notes).empty()) << c.name;
        EXPECT_TRUE(notes.join(' ').contains(QLatin1String(c.note))) << c.name << ": " << notes.join(' ').toStdString();
    }
    // A soft mask of another size is left out; the image stays.
    const auto mask = [](QPDF &pdf, QPDFObjectHandle, QPDFObjectHandle image) {
        image.getDict().replaceKey("/SMask",
                                   stream(pdf,
                                          "<< /Type /XObject /Subtype /Image /Width 3 /Height 3 /ColorSpace "
                                          "/DeviceGray /BitsPerComponent 8 >>",
                                          std::string(9, '\0')));
    };
    QStringList notes;
    const TDGraphicArray graphics =
        imageOf("/Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8", "\x80", &notes, mask);
    ASSERT_EQ(graphics.size(), 1u);
    EXPECT_EQ(qAlpha(fillImage(*graphics[0]).pixel(0, 0)), 255);
    EXPECT_TRUE(notes.join(' ').contains(QStringLiteral("soft mask")));
}
