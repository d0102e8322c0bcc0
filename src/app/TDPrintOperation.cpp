#include "app/TDPrintOperation.h"

#include "document/TDDocument.h"
#include "document/TDPrintInfo.h"
#include "document/TDRenderingView.h"
#include "platform/GraphicsContext.h"

#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <cmath>

namespace scrivane {

void TDPrintOperation::applyPrintInfo(const TDPrintInfo &info, QPrinter &printer)
{
    const Size paper = info.paperSize();
    // The print info's paper is the sheet as it lies; its orientation
    // says how the printer turns it.
    const bool landscape = info.orientation() == 1;
    const QSizeF portrait = landscape ? QSizeF(paper.height, paper.width) : QSizeF(paper.width, paper.height);
    const QPageSize size(portrait, QPageSize::Point, QString(), QPageSize::ExactMatch);
    const QMarginsF margins(info.leftMargin(), info.topMargin(), info.rightMargin(), info.bottomMargin());
    QPageLayout layout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(),
                       QPageLayout::Point);
    layout.setMode(QPageLayout::FullPageMode);
    layout.setMargins(margins);
    printer.setPageLayout(layout);
}

TDPrintInfo TDPrintOperation::printInfoFromPrinter(const QPrinter &printer, const TDPrintInfo &base)
{
    TDPrintInfo info = base;
    const QPageLayout layout = printer.pageLayout();
    const QRectF full = layout.fullRect(QPageLayout::Point);
    const QMarginsF margins = layout.margins(QPageLayout::Point);
    info.setPaperSize(Size(float(full.width()), float(full.height())));
    info.setOrientation(layout.orientation() == QPageLayout::Landscape ? 1 : 0);
    info.setMargins(float(margins.left()), float(margins.right()), float(margins.top()), float(margins.bottom()));
    return info;
}

bool TDPrintOperation::print(TDDocument &document, QPrinter &printer, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    // Automatic pagination: the paper is cut into the printer's pages.
    TDPrintInfo info = printInfoFromPrinter(printer, document.printInfo());
    info.setHorizontalPagination(TDPrintInfo::AutoPagination);
    info.setVerticalPagination(TDPrintInfo::AutoPagination);
    TDRenderingView view(document.paperBounds(), document.visibleGraphics(), &document);
    view.setTransparent(false);
    view.setPrintInfo(&info);
    const int pages = view.pageCount();

    // A PDF file keeps the drawing as vectors: cairo writes it itself.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        QFile file(printer.outputFileName());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(file.errorString());
        if (!view.writePages(&file))
            return fail(QStringLiteral("The pages could not be written."));
        if (!file.flush())
            return fail(file.errorString());
        return true;
    }

    // Any other printer takes page images at its resolution.
    QPainter painter;
    if (!painter.begin(&printer))
        return fail(QStringLiteral("The printer could not be started."));
    const Size sheet = view.sheetSize();
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const double scale = std::min(paper.width() / double(sheet.width), paper.height() / double(sheet.height));
    if (!(scale > 0) || !std::isfinite(scale))
        return fail(QStringLiteral("The printer has no paper size."));
    const QSize pixels(int(std::ceil(sheet.width * scale)), int(std::ceil(sheet.height * scale)));
    // The painter's origin is the printable area's corner; the sheet's is
    // the paper's.
    const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
    const QPointF origin(-printable.left(), -printable.top());
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !printer.newPage())
            return fail(QStringLiteral("The printer refused a new page."));
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        if (auto context = GraphicsContext::forImage(image, true)) {
            context->concatCTM(AffineTransform::makeScale(float(scale), float(scale)));
            view.drawPage(page, *context);
            context->flush();
        }
        painter.drawImage(QRectF(origin, QSizeF(pixels)), image);
    }
    return painter.end();
}

bool TDPrintOperation::printShowingPrintPanel(TDDocument &document, bool showPanels, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    applyPrintInfo(document.printInfo(), printer);
    printer.setDocName(document.displayName());
    if (showPanels) {
        QPrintDialog dialog(&printer, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    return print(document, printer);
}

bool TDPrintOperation::runPageLayout(TDDocument &document, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    applyPrintInfo(document.printInfo(), printer);
    QPageSetupDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    document.setPrintInfo(printInfoFromPrinter(printer, document.printInfo()));
    return true;
}

} // namespace scrivane
