#include "PdfFixtures.h"

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo.h>

namespace scrivane::pdftest {

namespace {

cairo_status_t appendTo(void *closure, const unsigned char *data, unsigned int length)
{
    static_cast<QByteArray *>(closure)->append(reinterpret_cast<const char *>(data), qsizetype(length));
    return CAIRO_STATUS_SUCCESS;
}

QByteArray cairoDocument(double width, double height, bool eps, const std::function<void(cairo_t *)> &draw)
{
    QByteArray data;
    cairo_surface_t *surface = eps ? cairo_ps_surface_create_for_stream(&appendTo, &data, width, height)
                                   : cairo_pdf_surface_create_for_stream(&appendTo, &data, width, height);
    if (eps)
        cairo_ps_surface_set_eps(surface, 1);
    cairo_t *cr = cairo_create(surface);
    draw(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
    return data;
}

} // namespace

QPDFObjectHandle stream(QPDF &pdf, const std::string &dictionary, const std::string &data)
{
    QPDFObjectHandle s = QPDFObjectHandle::newStream(&pdf, data);
    QPDFObjectHandle entries = QPDFObjectHandle::parse(&pdf, dictionary);
    for (const std::string &key : entries.getKeys())
        s.getDict().replaceKey(key, entries.getKey(key));
    return s;
}

void addResource(QPDFObjectHandle resources, const std::string &category, const std::string &name,
                 QPDFObjectHandle value)
{
    if (!resources.getKey(category).isDictionary())
        resources.replaceKey(category, QPDFObjectHandle::newDictionary());
    resources.getKey(category).replaceKey(name, value);
}

QByteArray onePage(const std::string &content, const ResourceBuilder &build, const std::string &mediaBox,
                   int rotate)
{
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    if (build)
        build(pdf, resources);
    QPDFObjectHandle page = QPDFObjectHandle::parse(&pdf, "<< /Type /Page /MediaBox " + mediaBox + " >>");
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
    if (rotate != 0)
        page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
    QPDFWriter writer(pdf);
    writer.setOutputMemory();
    writer.write();
    const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
    return QByteArray(reinterpret_cast<const char *>(buffer->getBuffer()), qsizetype(buffer->getSize()));
}

QByteArray cairoPdf(double width, double height, const std::function<void(cairo_t *)> &draw)
{
    return cairoDocument(width, height, false, draw);
}

QByteArray cairoEps(double width, double height, const std::function<void(cairo_t *)> &draw)
{
    return cairoDocument(width, height, true, draw);
}

} // namespace scrivane::pdftest
