#include "PdfTestSupport.h"

#include "document/TDDocument.h"
#include "document/TDPdfImporter.h"
#include "model/TDGraphic.h"
#include "platform/EncodedDictionary.h"
#include "platform/KeyedUnarchiver.h"

#include "document/TDQpdf.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo.h>

#include <gtest/gtest.h>

#include <cmath>

namespace scrivane::pdftest {

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

TDGraphicArray importContent(const std::string &content, const ResourceBuilder &resources, QStringList *notes)
{
    return import(onePage(content, resources), nullptr, notes);
}

TDGraphicArray import(const QByteArray &pdf, QString *error, QStringList *notes)
{
    const std::optional<Size> size = TDPdfImporter::pageSize(pdf);
    EXPECT_TRUE(size.has_value()) << "the fixture is no PDF";
    if (!size)
        return {};
    QString why;
    const auto graphics = TDPdfImporter::graphicsForFirstPage(
        pdf, TDGraphic::transformForBounds(Rect(0, 0, size->width, size->height)), &why, notes);
    if (error)
        *error = why;
    else
        EXPECT_TRUE(graphics.has_value()) << why.toStdString();
    return graphics.value_or(TDGraphicArray());
}

namespace {

cairo_status_t appendTo(void *closure, const unsigned char *data, unsigned int length)
{
    static_cast<QByteArray *>(closure)->append(reinterpret_cast<const char *>(data), qsizetype(length));
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

namespace {

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

QByteArray cairoPdf(double width, double height, const std::function<void(cairo_t *)> &draw)
{
    return cairoDocument(width, height, false, draw);
}

QByteArray cairoEps(double width, double height, const std::function<void(cairo_t *)> &draw)
{
    return cairoDocument(width, height, true, draw);
}

QImage pdftoppm(const QByteArray &pdf)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    QTemporaryDir folder;
    if (program.isEmpty() || !folder.isValid())
        return QImage();
    QFile input(folder.filePath(QStringLiteral("page.pdf")));
    if (!input.open(QIODevice::WriteOnly))
        return QImage();
    input.write(pdf);
    input.close();
    QProcess process;
    process.start(program, {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                            QStringLiteral("-singlefile"), input.fileName(), folder.filePath(QStringLiteral("out"))});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QImage();
    return QImage(folder.filePath(QStringLiteral("out.png"))).convertToFormat(QImage::Format_ARGB32);
}

QImage render(const TDGraphicArray &graphics, const Rect &area)
{
    return TDDocument::imageForGraphics(graphics, 1, true, area).convertToFormat(QImage::Format_ARGB32);
}

double differingShare(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size() || a.isNull())
        return 1;
    qint64 differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if (std::abs(qRed(p[x]) - qRed(q[x])) > tolerance || std::abs(qGreen(p[x]) - qGreen(q[x])) > tolerance ||
                std::abs(qBlue(p[x]) - qBlue(q[x])) > tolerance)
                ++differing;
        }
    }
    return double(differing) / (double(a.width()) * a.height());
}

QString archivedText(const QByteArray &archive)
{
    const auto root = KeyedUnarchiver::unarchive(archive);
    if (!root)
        return QString();
    if (const auto text = root->objectAs<EncodedDictionary>()) {
        for (const ArchivedEntry &entry : text->entries())
            if (entry.key == QLatin1String("NSString") && entry.value.isString())
                return entry.value.toString();
    }
    return QString();
}

} // namespace scrivane::pdftest
