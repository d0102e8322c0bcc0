#include "SvgTestSupport.h"

#include "model/TDAttributedText.h"
#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextCursor>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace scrivane::svgtest {

namespace {

template <class T> std::shared_ptr<T> shape(const Rect &bounds, const Color &fill)
{
    auto graphic = std::make_shared<T>();
    graphic->setTransformation(TDGraphic::transformForBounds(bounds));
    // Fill space on the shape's unit square, as after drawing the shape.
    graphic->setFillTransformation(TDGraphic::transformForBounds(bounds));
    graphic->fillStyle()->setStyle(TDFillColor);
    graphic->fillStyle()->setColor(fill);
    graphic->strokeStyle()->setStyle(TDStrokeNone);
    return graphic;
}

} // namespace

std::shared_ptr<TDRectangle> rectangle(const Rect &bounds, const Color &fill)
{
    return shape<TDRectangle>(bounds, fill);
}

std::shared_ptr<TDOval> oval(const Rect &bounds, const Color &fill)
{
    return shape<TDOval>(bounds, fill);
}

void buildText(QTextDocument &document, const std::vector<Run> &runs, Qt::Alignment alignment)
{
    TDAttributedText::prepare(document);
    QTextCursor cursor(&document);
    for (const Run &run : runs) {
        QTextCharFormat format = TDAttributedText::defaultCharFormat();
        format.setFontFamilies({QStringLiteral("DejaVu Sans")});
        format.setFontPointSize(run.size);
        format.setForeground(run.color);
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(run.italic);
        if (run.letterSpacing != 0) {
            format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
            format.setFontLetterSpacing(run.letterSpacing);
        }
        cursor.insertText(run.text, format);
    }
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextCursor paragraph(block);
        QTextBlockFormat format = block.blockFormat();
        format.setAlignment(alignment);
        paragraph.setBlockFormat(format);
    }
}

void fillWithText(TDGraphic &graphic, const std::vector<Run> &runs, Qt::Alignment alignment)
{
    graphic.strokeStyle()->setStyle(TDStrokeNone);
    graphic.fillStyle()->setStyle(TDFillText);
    graphic.fillStyle()->setLineFragmentPadding(0);
    QTextDocument document;
    buildText(document, runs, alignment);
    graphic.fillStyle()->setContents(document);
}

void setTextOnPath(TDGraphic &graphic, const std::vector<Run> &runs, float width)
{
    graphic.strokeStyle()->setStyle(TDStrokeText);
    graphic.strokeStyle()->setStrokeWidth(width);
    QTextDocument document;
    buildText(document, runs);
    graphic.strokeStyle()->setText(document);
}

bool xmllintAccepts(const QByteArray &text)
{
    const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
    if (xmllint.isEmpty()) {
        ADD_FAILURE() << "xmllint is not installed (scripts/install-deps installs libxml2-utils)";
        return true;
    }
    QProcess process;
    process.start(xmllint, {QStringLiteral("--noout"), QStringLiteral("-")});
    process.write(text);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        return false;
    if (process.exitCode() != 0)
        ADD_FAILURE() << process.readAllStandardError().toStdString();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

namespace {

// Runs a renderer that writes `png`, and reads what it wrote.
QImage renderWith(const QString &program, const QStringList &arguments, const QString &png)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " failed: " << process.readAllStandardError().toStdString();
        return QImage();
    }
    return QImage(png).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

QImage renderWithRsvg(const QString &svgPath, int width, int height)
{
    const QString rsvg = QStandardPaths::findExecutable(QStringLiteral("rsvg-convert"));
    if (rsvg.isEmpty())
        return QImage();
    QTemporaryDir out;
    const QString png = out.filePath(QStringLiteral("rendered.png"));
    return renderWith(rsvg,
                      {QStringLiteral("-w"), QString::number(width), QStringLiteral("-h"), QString::number(height),
                       QStringLiteral("-f"), QStringLiteral("png"), QStringLiteral("-o"), png, svgPath},
                      png);
}

QImage renderWithInkscape(const QString &svgPath, int width, int height)
{
    const QString inkscape = QStandardPaths::findExecutable(QStringLiteral("inkscape"));
    if (inkscape.isEmpty())
        return QImage();
    QTemporaryDir out;
    const QString png = out.filePath(QStringLiteral("rendered.png"));
    return renderWith(inkscape,
                      {svgPath, QStringLiteral("--export-type=png"), QStringLiteral("--export-filename=") + png,
                       QStringLiteral("--export-width=") + QString::number(width),
                       QStringLiteral("--export-height=") + QString::number(height),
                       QStringLiteral("--export-background-opacity=0")},
                      png);
}

} // namespace scrivane::svgtest
