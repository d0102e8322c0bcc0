// Printing a document through Qt's printer to a PDF file: the page grid
// becomes pages of the print info's paper, each showing its part of the
// drawing.  Checked with pdfinfo and pdftoppm.

#include "app/TDPrintOperation.h"
#include "document/TDDocument.h"
#include "document/TDPrintInfo.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"

#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

void addFilled(TDDocument &document, const Rect &rect, const Color &color)
{
    auto graphic = std::make_shared<TDRectangle>();
    graphic->setTransformation(TDGraphic::transformForBounds(rect));
    graphic->fillStyle()->setStyle(TDFillColor);
    graphic->fillStyle()->setColor(color);
    graphic->strokeStyle()->setStyle(TDStrokeNone);
    graphic->recalculatePath();
    graphic->setDocument(&document);
    document.layers().front()->addGraphic(graphic);
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(20000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

TEST(PrintOperationTest, ATwoPageDocumentPrintsTwoPagesToPDF)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        GTEST_SKIP() << "poppler-utils missing";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());

    TDDocument document;
    TDPrintInfo info;
    info.setPaperSize(Size(300, 200));
    info.setMargins(20, 20, 10, 10);
    document.setPrintInfo(info);
    document.setPagesWide(2);
    const Rect page = document.pageBounds();
    ASSERT_FLOAT_EQ(page.width(), 260);
    // One red square on the first page, a blue one on the second.
    addFilled(document, Rect(10, 10, 50, 50), Color::deviceRGB(1, 0, 0));
    addFilled(document, Rect(page.width() + 10, 10, 50, 50), Color::deviceRGB(0, 0, 1));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString path = folder.filePath(QStringLiteral("printed.pdf"));
    printer.setOutputFileName(path);
    TDPrintOperation::applyPrintInfo(document.printInfo(), printer);
    QString error;
    ASSERT_TRUE(TDPrintOperation::print(document, printer, &error)) << error.toStdString();

    const QString information = run(QStringLiteral("pdfinfo"), {path});
    EXPECT_TRUE(information.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\b")))) << information.toStdString();
    EXPECT_TRUE(information.contains(QRegularExpression(QStringLiteral("Page size:\\s+300 x 200 pts"))))
        << information.toStdString();

    const QString prefix = folder.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), path, prefix});
    const QImage first(prefix + QStringLiteral("-1.png"));
    const QImage second(prefix + QStringLiteral("-2.png"));
    ASSERT_FALSE(first.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(first.size(), QSize(300, 200));
    // The squares' centres, inside the left and top margins.
    EXPECT_EQ(first.pixelColor(20 + 35, 10 + 35), QColor(255, 0, 0));
    EXPECT_EQ(second.pixelColor(20 + 35, 10 + 35), QColor(0, 0, 255));
    // The margins stay blank.
    EXPECT_EQ(first.pixelColor(5, 100), QColor(255, 255, 255));
}

TEST(PrintOperationTest, ThePrinterTakesThePrintInfosPaperAndMargins)
{
    TDPrintInfo info;
    info.setPaperSize(Size(612, 792));
    info.setMargins(18, 36, 24, 30);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    TDPrintOperation::applyPrintInfo(info, printer);
    const TDPrintInfo back = TDPrintOperation::printInfoFromPrinter(printer, TDPrintInfo());
    EXPECT_NEAR(back.paperSize().width, 612, 0.5);
    EXPECT_NEAR(back.paperSize().height, 792, 0.5);
    EXPECT_NEAR(back.leftMargin(), 18, 0.5);
    EXPECT_NEAR(back.rightMargin(), 36, 0.5);
    EXPECT_NEAR(back.topMargin(), 24, 0.5);
    EXPECT_NEAR(back.bottomMargin(), 30, 0.5);
}

TEST(PrintOperationTest, AnUnwritableFileIsReported)
{
    TDDocument document;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("/nonexistent-folder/printed.pdf"));
    QString error;
    EXPECT_FALSE(TDPrintOperation::print(document, printer, &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
