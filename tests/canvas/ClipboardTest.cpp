// Cut, copy, paste, duplicate and drops on the canvas, and the Alt-drag
// copy of the selection, in a window with its scroll view.

#include "CanvasTestSupport.h"

#include "model/TDFillStyle.h"
#include "platform/DragService.h"
#include "platform/KeyedArchiver.h"
#include "platform/Pasteboard.h"

#include <QApplication>
#include <QBuffer>
#include <functional>
#include <QCursor>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>

#include <cmath>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

QByteArray imageData(int width, int height, const char *format)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(0, 128, 255));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

void expectOrigin(const TDGraphicPtr &graphic, Point origin, const char *label)
{
    ASSERT_TRUE(graphic) << label;
    EXPECT_NEAR(graphic->bounds().minX(), origin.x, 1e-3) << label;
    EXPECT_NEAR(graphic->bounds().minY(), origin.y, 1e-3) << label;
}

class ClipboardTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        original = filledRectangle(Rect(100, 100, 60, 40), Color::calibratedRGB(1, 0, 0));
        addQuietly(original);
        view->selectGraphic(original);
        settle();
    }
    void TearDown() override
    {
        DragService::setStarter(nullptr);
        CanvasTest::TearDown();
    }

    // Ends the step under way and forgets every step.
    void settle()
    {
        document->undoManager()->eventHandled();
        document->undoManager()->removeAllActions();
    }
    QString undoName() const { return document->undoManager()->undoActionName(); }
    void pointerOutside() { QCursor::setPos(view->mapToGlobal(QPoint(-4000, -4000))); }

    // The drag's enter, a move and the drop, at a document point; whether
    // the move was accepted.
    bool drop(const QMimeData &data, Point point)
    {
        const QPoint where = at(point).toPoint();
        QDragEnterEvent enter(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &enter);
        QDragMoveEvent move(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        const bool accepted = enter.isAccepted() && move.isAccepted();
        QDropEvent dropped(QPointF(where), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &dropped);
        return accepted;
    }
    QPointF at(Point point) const { return CanvasTest::at(point); }

    std::shared_ptr<TDRectangle> original;
};

} // namespace

TEST_F(ClipboardTest, PastesWithThePointerOutsideAreCentredInTheVisibleArea)
{
    view->copy();
    pointerOutside();
    for (int i = 1; i <= 3; ++i) {
        view->paste();
        const Rect visible = view->visibleRect();
        ASSERT_EQ(layerGraphics().size(), size_t(1 + i));
        const TDGraphicPtr pasted = layerGraphics().back();
        EXPECT_NEAR(pasted->bounds().midX(), visible.midX(), 1.0) << i;
        EXPECT_NEAR(pasted->bounds().midY(), visible.midY(), 1.0) << i;
        // Whole points.
        EXPECT_EQ(pasted->bounds().minX(), std::trunc(pasted->bounds().minX()));
        EXPECT_EQ(view->pasteCascadeNumber(), i);
        EXPECT_EQ(view->selection(), TDGraphicArray{pasted});
        EXPECT_EQ(undoName(), QStringLiteral("Paste"));
    }
    // The pointer in the visible area takes the pasted graphics.
    QCursor::setPos(view->mapToGlobal(at(Point(300, 250)).toPoint()));
    view->paste();
    EXPECT_NEAR(layerGraphics().back()->bounds().midX(), 300, 1.0);
    EXPECT_NEAR(layerGraphics().back()->bounds().midY(), 250, 1.0);
}

TEST_F(ClipboardTest, DuplicatesRepeatTheOffsetOfAMoveAfterTheFirst)
{
    view->duplicate();
    ASSERT_EQ(layerGraphics().size(), 2u);
    const TDGraphicPtr first = layerGraphics().back();
    expectOrigin(first, Point(120, 120), "first duplicate");
    EXPECT_EQ(view->selection(), TDGraphicArray{first});
    EXPECT_EQ(undoName(), QStringLiteral("Paste"));
    expectOrigin(original, Point(100, 100), "the original");

    drag(at(Point(150, 140)), at(Point(180, 140)));
    expectOrigin(first, Point(150, 120), "moved");
    view->duplicate();
    const TDGraphicPtr second = layerGraphics().back();
    expectOrigin(second, Point(200, 140), "second duplicate");
    view->duplicate();
    expectOrigin(layerGraphics().back(), Point(250, 160), "third duplicate");
    EXPECT_EQ(layerGraphics().size(), 4u);
}

TEST_F(ClipboardTest, DuplicateAfterAPasteStillStandsApart)
{
    view->copy();
    pointerOutside();
    view->paste();
    const TDGraphicPtr pasted = layerGraphics().back();
    view->duplicate();
    const TDGraphicPtr copy = layerGraphics().back();
    ASSERT_NE(copy, pasted);
    EXPECT_NEAR(copy->bounds().minX() - pasted->bounds().minX(), 20, 1e-3);
    EXPECT_NEAR(copy->bounds().minY() - pasted->bounds().minY(), 20, 1e-3);
}

TEST_F(ClipboardTest, PasteInPlaceKeepsThePlace)
{
    original->setTransformation(TDGraphic::transformForBounds(Rect(33.5f, 47.25f, 60, 40)));
    view->copy();
    pointerOutside();
    view->paste(true);
    ASSERT_EQ(layerGraphics().size(), 2u);
    EXPECT_EQ(layerGraphics().back()->bounds(), original->bounds());
    view->duplicate(true);
    EXPECT_EQ(layerGraphics().back()->bounds(), original->bounds());
}

TEST_F(ClipboardTest, CutIsOneStepAndDeleteAnother)
{
    const auto second = filledRectangle(Rect(300, 100, 20, 20), Color::calibratedRGB(0, 1, 0));
    addQuietly(second);
    view->selectGraphics({original, second});
    settle();

    view->cut();
    EXPECT_TRUE(layerGraphics().empty());
    EXPECT_TRUE(view->selection().empty());
    EXPECT_EQ(undoName(), QStringLiteral("Cut"));
    document->undoManager()->undo();
    EXPECT_EQ(layerGraphics().size(), 2u);
    EXPECT_FALSE(document->undoManager()->canUndo());

    pointerOutside();
    view->paste();
    EXPECT_EQ(layerGraphics().size(), 4u);
    view->deleteSelection();
    EXPECT_EQ(layerGraphics().size(), 2u);
    EXPECT_EQ(undoName(), QStringLiteral("Delete"));
}

TEST_F(ClipboardTest, PastedImagesLandCentredOnThePointerNotAtTheCorner)
{
    // Image data from another program, and an image file copied in a file
    // manager: both are placed as pasted graphics are.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("photo.png"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(imageData(40, 30, "PNG"));
    }
    struct Case {
        const char *name;
        std::function<void(Pasteboard &)> fill;
    };
    const Case cases[] = {
        {"image data",
         [](Pasteboard &pb) {
             pb.declareTypes({Pasteboard::PNGType});
             pb.setData(imageData(40, 30, "PNG"), Pasteboard::PNGType);
         }},
        {"image file",
         [&file](Pasteboard &pb) {
             pb.declareTypes({Pasteboard::URIListType});
             pb.setURLs({QUrl::fromLocalFile(file)});
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto pasteboard = Pasteboard::withUniqueName();
        c.fill(*pasteboard);
        struct Where {
            const char *name;
            bool pointerInside;
            bool inPlace;
        };
        for (const Where w : {Where{"pointer on the canvas", true, false}, Where{"pointer outside", false, false},
                              Where{"in place", true, true}}) {
            SCOPED_TRACE(w.name);
            const Point pointer(300, 250);
            if (w.pointerInside)
                QCursor::setPos(view->mapToGlobal(at(pointer).toPoint()));
            else
                pointerOutside();
            const size_t before = layerGraphics().size();
            view->paste(*pasteboard, nullptr, w.inPlace, false);
            ASSERT_EQ(layerGraphics().size(), before + 1);
            const Rect bounds = layerGraphics().back()->bounds();
            const Rect visible = view->visibleRect();
            const Point expected = w.pointerInside && !w.inPlace ? pointer : Point(visible.midX(), visible.midY());
            EXPECT_EQ(bounds.size, Size(40, 30));
            EXPECT_NEAR(bounds.midX(), expected.x, 1.0);
            EXPECT_NEAR(bounds.midY(), expected.y, 1.0);
            EXPECT_EQ(bounds.minX(), std::trunc(bounds.minX())) << "whole points";
            EXPECT_TRUE(view->visibleRect().contains(bounds));
            EXPECT_EQ(undoName(), QStringLiteral("Paste"));
        }
    }
}

TEST_F(ClipboardTest, DroppedImageFilesLieTwentyPointsApart)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QList<QUrl> urls;
    for (const char *name : {"a.png", "b.png", "c.png"}) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(imageData(30, 20, "PNG"));
        urls.append(QUrl::fromLocalFile(file.fileName()));
    }
    QMimeData data;
    data.setUrls(urls);
    EXPECT_TRUE(drop(data, Point(200, 150)));

    ASSERT_EQ(layerGraphics().size(), 4u);
    for (int i = 0; i < 3; ++i) {
        const TDGraphicPtr image = layerGraphics()[size_t(1 + i)];
        expectOrigin(image, Point(200.0f + 20 * i, 150.0f + 20 * i), "file");
        EXPECT_EQ(image->bounds().size, Size(30, 20));
        EXPECT_EQ(image->fillStyle()->style(), TDFillImage);
        ASSERT_TRUE(image->fillStyle()->image());
    }
    EXPECT_EQ(view->selection(), TDGraphicArray{layerGraphics().back()});
    EXPECT_TRUE(view->visibleRect().contains(layerGraphics().back()->bounds()));
    EXPECT_EQ(undoName(), QStringLiteral("Paste"));
    document->undoManager()->undo();
    EXPECT_EQ(layerGraphics().size(), 1u);

    // Files without an extension are known by what they hold: each keeps
    // its own picture.
    QList<QUrl> bare;
    for (const int width : {11, 13}) {
        QFile file(folder.filePath(QStringLiteral("picture%1").arg(width)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(imageData(width, 7, "PNG"));
        bare.append(QUrl::fromLocalFile(file.fileName()));
    }
    QMimeData unnamed;
    unnamed.setUrls(bare);
    drop(unnamed, Point(200, 150));
    ASSERT_EQ(layerGraphics().size(), 3u);
    EXPECT_EQ(layerGraphics()[1]->bounds().size, Size(11, 7));
    EXPECT_EQ(layerGraphics()[2]->bounds().size, Size(13, 7));
}

TEST_F(ClipboardTest, GraphicsWinOverAPictureOfThem)
{
    const auto copied = Pasteboard::withUniqueName();
    ASSERT_TRUE(TDDocument::copy({original}, *copied));
    QMimeData data;
    data.setData(Pasteboard::GraphicsType, *copied->dataForType(Pasteboard::GraphicsType));
    data.setData(Pasteboard::TIFFType, *copied->dataForType(Pasteboard::TIFFType));
    EXPECT_TRUE(drop(data, Point(400, 300)));
    ASSERT_EQ(layerGraphics().size(), 2u);
    const TDGraphicPtr pasted = layerGraphics().back();
    EXPECT_EQ(pasted->fillStyle()->style(), TDFillColor);
    EXPECT_NEAR(pasted->bounds().midX(), 400, 1.0);
    EXPECT_NEAR(pasted->bounds().midY(), 300, 1.0);
    // A drop leaves the paste count alone.
    EXPECT_EQ(view->pasteCascadeNumber(), 0);
}

TEST_F(ClipboardTest, WhatIsNoImageMakesNoGraphic)
{
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("text.png")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is no picture");
    file.close();

    QMimeData garbage;
    garbage.setData(Pasteboard::PNGType, "this is no picture either");
    QMimeData textFile;
    textFile.setUrls({QUrl::fromLocalFile(file.fileName())});
    QMimeData missing;
    missing.setUrls({QUrl::fromLocalFile(folder.filePath(QStringLiteral("gone.png")))});
    for (const QMimeData *data : {&garbage, &textFile, &missing}) {
        drop(*data, Point(200, 150));
        EXPECT_EQ(layerGraphics().size(), 1u);
        EXPECT_FALSE(document->undoManager()->canUndo());
    }
    EXPECT_FALSE(view->makeNewImageFromData(QByteArray("junk"), QStringLiteral("png"), nullptr, Point(0, 0)));

    // A paste that made nothing leaves the last step as it was named.
    view->deleteSelection();
    ASSERT_EQ(undoName(), QStringLiteral("Delete"));
    drop(garbage, Point(200, 150));
    view->paste(*Pasteboard::withUniqueName(), nullptr, false, false);
    EXPECT_EQ(undoName(), QStringLiteral("Delete"));
    document->undoManager()->undo();
    EXPECT_EQ(layerGraphics().size(), 1u);
}

TEST_F(ClipboardTest, HostileGraphicsDataPastesNothing)
{
    const auto notAnArray = KeyedArchiver::archivedData(PropertyList(std::shared_ptr<TDGraphic>(original)));
    ASSERT_TRUE(notAnArray);
    QByteArray truncated;
    {
        const auto copied = Pasteboard::withUniqueName();
        TDDocument::copy({original}, *copied);
        truncated = copied->dataForType(Pasteboard::GraphicsType)->left(60);
    }
    for (const QByteArray &bytes : {QByteArray("garbage"), truncated, QByteArray(), *notAnArray}) {
        QMimeData data;
        data.setData(Pasteboard::GraphicsType, bytes);
        drop(data, Point(200, 150));
        EXPECT_EQ(layerGraphics().size(), 1u);
    }
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(ClipboardTest, AColourDroppedOnAGraphicFillsIt)
{
    QMimeData data;
    data.setColorData(QColor(0, 0, 255));
    // A gradient fill becomes a colour fill.
    original->fillStyle()->setStyle(TDFillGradient);
    settle();
    // Over empty canvas there is nothing to take a colour.
    EXPECT_FALSE(drop(data, Point(400, 400)));
    EXPECT_EQ(original->fillStyle()->style(), TDFillGradient);
    EXPECT_EQ(layerGraphics().size(), 1u);
    EXPECT_FALSE(document->undoManager()->canUndo());

    EXPECT_TRUE(drop(data, Point(130, 120)));
    EXPECT_EQ(original->fillStyle()->style(), TDFillColor);
    EXPECT_FLOAT_EQ(original->fillStyle()->color().redComponent(), 0);
    EXPECT_FLOAT_EQ(original->fillStyle()->color().blueComponent(), 1);
    EXPECT_EQ(layerGraphics().size(), 1u);
}

TEST_F(ClipboardTest, AltPressOnTheCentreDragsACopyThatDropsAsOneStep)
{
    view->zoomIn();
    QApplication::processEvents();
    ASSERT_FLOAT_EQ(view->zoom(), 2.0f);
    view->scrollRectToVisible(Rect(80, 80, 400, 300));
    std::optional<DragService::Request> dragged;
    DragService::setStarter([&dragged](const DragService::Request &request) {
        dragged = request;
        return Qt::IgnoreAction;
    });
    press(at(Point(130, 120)), Qt::AltModifier);
    release(at(Point(130, 120)), Qt::AltModifier);
    ASSERT_TRUE(dragged);
    ASSERT_TRUE(dragged->pasteboard);
    EXPECT_EQ(dragged->source, view);
    EXPECT_EQ(dragged->image.size(), QSize(120, 80));
    EXPECT_EQ(dragged->hotSpot, QPoint(60, 40));
    EXPECT_TRUE(dragged->pasteboard->hasType(Pasteboard::GraphicsType));
    EXPECT_EQ(layerGraphics().size(), 1u);
    settle();

    std::unique_ptr<QMimeData> data(dragged->pasteboard->makeMimeData());
    EXPECT_TRUE(drop(*data, Point(200, 180)));
    ASSERT_EQ(layerGraphics().size(), 2u);
    const TDGraphicPtr copy = layerGraphics().back();
    expectOrigin(copy, Point(170, 160), "the copy");
    expectOrigin(original, Point(100, 100), "the original");
    EXPECT_EQ(undoName(), QStringLiteral("Paste"));
    document->undoManager()->undo();
    EXPECT_EQ(layerGraphics(), TDGraphicArray{original});
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(ClipboardTest, SVGNeedsTheImporter)
{
    const auto svg = Pasteboard::withUniqueName();
    svg->declareTypes({Pasteboard::SVGType, Pasteboard::PNGType});
    svg->setData("<svg/>", Pasteboard::SVGType);
    svg->setData(imageData(10, 10, "PNG"), Pasteboard::PNGType);
    // Without the importer the drawing is not read, nor its picture taken.
    view->paste(*svg, nullptr, false, false);
    EXPECT_EQ(layerGraphics().size(), 1u);

    QByteArray read;
    TDGraphicView::setSVGImporter([&read](const QByteArray &data) {
        read = data;
        return TDGraphicArray{filledRectangle(Rect(0, 0, 10, 10), Color::calibratedRGB(0, 0, 1))};
    });
    view->paste(*svg, nullptr, true, false);
    TDGraphicView::setSVGImporter(nullptr);
    EXPECT_EQ(read, QByteArray("<svg/>"));
    ASSERT_EQ(layerGraphics().size(), 2u);
    EXPECT_EQ(layerGraphics().back()->bounds(), Rect(0, 0, 10, 10));
    EXPECT_EQ(undoName(), QStringLiteral("Paste"));
}
