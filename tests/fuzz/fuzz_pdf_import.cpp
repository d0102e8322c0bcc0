// Feeds arbitrary bytes to the PDF page importer as the content stream of
// a page whose resources hold one of everything the importer reads (a font
// with a ToUnicode map, an image with a soft mask, a form, a shading, a
// shading pattern, graphics states, colour spaces).  Whatever is imported
// must lie at finite places.

#include "PdfFixtures.h"

#include "document/TDPdfImporter.h"
#include "model/TDGroup.h"

#include <QGuiApplication>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace scrivane;

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_pdf_import: %s\n", what);
        std::abort();
    }
}

QByteArray page(const std::string &content)
{
    return pdftest::onePage(content, [](QPDF &pdf, QPDFObjectHandle resources) {
        QPDFObjectHandle everything = QPDFObjectHandle::parse(
            &pdf, "<< /ExtGState << /G0 << /ca 0.5 /CA 0.5 /BM /Multiply /LW 3 >> >>"
                  " /ColorSpace << /S0 [/Separation /Ink /DeviceCMYK << /FunctionType 2 /Domain [0 1] /N 1 >>]"
                  " /I0 [/Indexed /DeviceRGB 1 <ff000000ff00>] >>"
                  " /Shading << /Sh0 << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] /Function"
                  " << /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 0 1] /Functions ["
                  " << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 1 0] /N 1 >>"
                  " << /FunctionType 2 /Domain [0 1] /C0 [0 1 0] /C1 [0 0 1] /N 2 >> ] >> >>"
                  " /Sh1 << /ShadingType 3 /ColorSpace /DeviceGray /Coords [50 50 0 50 50 40]"
                  " /Function << /FunctionType 2 /Domain [0 1] /N 1 >> >> >>"
                  " /Font << /F0 << /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+Helvetica"
                  " /Encoding << /BaseEncoding /MacRomanEncoding >> >> >> >>");
        for (const std::string &key : everything.getKeys())
            resources.replaceKey(key, everything.getKey(key));
        resources.getKey("/Font").getKey("/F0").replaceKey(
            "/ToUnicode", QPDFObjectHandle::newStream(&pdf, "beginbfchar <41> <0042> endbfchar beginbfrange <61> <7a> "
                                                            "<0041> endbfrange"));
        QPDFObjectHandle image = pdftest::stream(pdf, "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 "
                                                      "/ColorSpace /DeviceRGB /BitsPerComponent 8 >>",
                                                 std::string(12, '\x7f'));
        image.getDict().replaceKey("/SMask", pdftest::stream(pdf, "<< /Type /XObject /Subtype /Image /Width 2 "
                                                                  "/Height 2 /ColorSpace /DeviceGray "
                                                                  "/BitsPerComponent 8 >>",
                                                             std::string(4, '\x40')));
        QPDFObjectHandle form =
            pdftest::stream(pdf, "<< /Type /XObject /Subtype /Form /BBox [0 0 100 100] /Matrix [1 0 0 1 5 5] >>",
                            "q 0 0 1 rg 0 0 10 10 re W n 0 0 20 20 re f Q /Fm0 Do");
        form.getDict().replaceKey("/Resources", resources);
        pdftest::addResource(resources, "/XObject", "/Im0", image);
        pdftest::addResource(resources, "/XObject", "/Fm0", form);
        resources.replaceKey("/Pattern",
                             QPDFObjectHandle::parse(&pdf, "<< /P0 << /PatternType 2 /Matrix [2 0 0 2 0 0] >> >>"));
        resources.getKey("/Pattern").getKey("/P0").replaceKey("/Shading", resources.getKey("/Shading").getKey("/Sh0"));
    });
}

bool finite(const Rect &r)
{
    return std::isfinite(r.minX()) && std::isfinite(r.minY()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Text needs font metrics, which need a GUI application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray pdf = page(std::string(reinterpret_cast<const char *>(data), size));
    QString error;
    const auto graphics =
        TDPdfImporter::graphicsForFirstPage(pdf, TDGraphic::transformForBounds(Rect(0, 0, 200, 200)), &error);
    if (!graphics) {
        check(!error.isEmpty(), "a failed import gave no reason");
        return 0;
    }
    std::function<void(const TDGraphicArray &, int)> walk = [&](const TDGraphicArray &list, int depth) {
        check(depth < 64, "groups nest deeper than forms may");
        for (const TDGraphicPtr &graphic : list) {
            check(graphic != nullptr, "a null graphic");
            if (const auto group = std::dynamic_pointer_cast<TDGroup>(graphic))
                walk(group->graphics(), depth + 1);
            else
                check(finite(graphic->bounds()), "a graphic lies at no finite place");
        }
    };
    walk(*graphics, 0);
    return 0;
}
