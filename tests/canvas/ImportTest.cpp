// The Import command on the canvas: pictures and drawings placed one after
// another in one undo step, PDF pictures sized by their page, and the
// Parse PDF command that turns a placed PDF into graphics.

#include "CanvasTestSupport.h"
#include "PdfFixtures.h"

#include "document/TDGlobalImageStore.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <cairo.h>

#include <functional>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

// A 120 × 80 point page with two squares.
QByteArray twoSquares()
{
    return pdftest::cairoPdf(120, 80, [](cairo_t *cr) {
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_rectangle(cr, 0, 0, 40, 40);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_rectangle(cr, 80, 40, 40, 40);
        cairo_fill(cr);
    });
}

class ImportTest : public CanvasTest {
protected:
    QString file(const QString &name, const QByteArray &data)
    {
        const QString path = folder.filePath(name);
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(data);
        return path;
    }
    QByteArray png(int width, int height)
    {
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(QColor(0, 128, 255));
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return data;
    }
    QString undoName() const { return document->undoManager()->undoActionName(); }
    void settle()
    {
        document->undoManager()->eventHandled();
        document->undoManager()->removeAllActions();
    }

    QTemporaryDir folder;
};

} // namespace

TEST_F(ImportTest, FilesArePlacedEachTwentyFivePointsFurtherInOneStep)
{
    const QStringList paths{file("a.png", png(10, 10)), file("b.PNG", png(20, 10)), file("c.png", png(5, 5))};
    EXPECT_EQ(view->importFiles(paths), 3);
    ASSERT_EQ(layerGraphics().size(), 3u);
    const Point expected[] = {Point(0, 0), Point(25, 25), Point(50, 50)};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(layerGraphics()[i]->bounds().minX(), expected[i].x) << i;
        EXPECT_FLOAT_EQ(layerGraphics()[i]->bounds().minY(), expected[i].y) << i;
    }
    EXPECT_FLOAT_EQ(layerGraphics()[1]->bounds().width(), 20);
    document->undoManager()->eventHandled();
    EXPECT_EQ(undoName(), QStringLiteral("Import"));
    document->undoManager()->undo();
    EXPECT_TRUE(layerGraphics().empty()) << "one step";
}

TEST_F(ImportTest, SvgFilesGoToTheSvgReaderWhateverTheirCase)
{
    QByteArray read;
    TDGraphicView::setSVGImporter([&read](const QByteArray &data) {
        read = data;
        return TDGraphicArray{filledRectangle(Rect(0, 0, 10, 10), Color::calibratedRGB(0, 0, 1))};
    });
    const QStringList paths{file("first.png", png(4, 4)), file("drawing.SVG", "<svg/>")};
    EXPECT_EQ(view->importFiles(paths), 2);
    TDGraphicView::setSVGImporter(nullptr);
    EXPECT_EQ(read, QByteArray("<svg/>"));
    ASSERT_EQ(layerGraphics().size(), 2u);
    EXPECT_EQ(layerGraphics()[1]->bounds(), Rect(25, 25, 10, 10));
}

TEST_F(ImportTest, NothingAddedNamesNoStep)
{
    const auto existing = filledRectangle(Rect(0, 0, 10, 10), Color::calibratedRGB(1, 0, 0));
    document->addGraphic(existing);
    document->undoManager()->setActionName(QStringLiteral("Create Rect"));
    document->undoManager()->eventHandled();
    // No SVG reader, a text file, a file that is gone.
    const QStringList paths{file("drawing.svg", "<svg/>"), file("notes.txt", "hello"),
                            folder.filePath("missing.png")};
    EXPECT_EQ(view->importFiles(paths), 0);
    document->undoManager()->eventHandled();
    EXPECT_EQ(layerGraphics().size(), 1u);
    EXPECT_EQ(undoName(), QStringLiteral("Create Rect"));
}

TEST_F(ImportTest, PdfPictureIsSizedByItsPageAndParsedIntoGraphics)
{
    EXPECT_TRUE(TDGraphicView::importFileTypes().contains("pdf"));
    EXPECT_TRUE(TDGraphicView::importFileTypes().contains("eps"));
    EXPECT_TRUE(TDGraphicView::importFileTypes().contains("svg"));
    ASSERT_EQ(view->importFiles({file("squares.pdf", twoSquares())}), 1);
    ASSERT_EQ(layerGraphics().size(), 1u);
    const TDGraphicPtr picture = layerGraphics()[0];
    EXPECT_EQ(picture->bounds(), Rect(0, 0, 120, 80));
    EXPECT_EQ(picture->fillStyle()->style(), TDFillStyle::ImageFill);
    settle();

    EXPECT_TRUE(view->canParsePDF());
    QString error;
    ASSERT_TRUE(view->parsePDF(&error)) << error.toStdString();
    document->undoManager()->eventHandled();
    EXPECT_EQ(undoName(), QStringLiteral("Import PDF"));
    EXPECT_TRUE(view->selection().empty());
    // The picture gave way to its two squares, where the picture showed them.
    std::vector<Rect> squares;
    std::function<void(const TDGraphicArray &)> collect = [&](const TDGraphicArray &graphics) {
        for (const TDGraphicPtr &g : graphics) {
            if (const auto group = std::dynamic_pointer_cast<TDGroup>(g))
                collect(group->graphics());
            else if (g->fillStyle()->style() == TDFillStyle::ColorFill)
                squares.push_back(g->bounds());
        }
    };
    collect(layerGraphics());
    ASSERT_EQ(squares.size(), 2u);
    const Rect expected[] = {Rect(0, 0, 40, 40), Rect(80, 40, 40, 40)};
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_NEAR(squares[i].minX(), expected[i].minX(), 0.01) << i;
        EXPECT_NEAR(squares[i].minY(), expected[i].minY(), 0.01) << i;
        EXPECT_NEAR(squares[i].width(), expected[i].width(), 0.01) << i;
        EXPECT_NEAR(squares[i].height(), expected[i].height(), 0.01) << i;
    }
    EXPECT_FALSE(view->canParsePDF());
    document->undoManager()->undo();
    ASSERT_EQ(layerGraphics().size(), 1u);
    EXPECT_EQ(layerGraphics()[0], picture);
}
