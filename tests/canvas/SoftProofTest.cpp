// The canvas's other ways of drawing: the soft proof through a profile,
// the dimmed backdrop behind an isolated group, and the start-up splash.

#include "CanvasTestSupport.h"

#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "platform/Profile.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTimer>

namespace scrivane::canvastest {
namespace {

const QString cmykProfilePath = QStringLiteral("/usr/share/color/icc/ghostscript/default_cmyk.icc");

class SoftProofTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        TDGraphicView::setProofProfileSource([this] { return profile; });
    }
    void TearDown() override
    {
        TDGraphicView::setProofProfileSource({});
        CanvasTest::TearDown();
    }
    ProfilePtr profile;
};

TEST_F(SoftProofTest, ACMYKProofChangesSaturatedBlueAndKeepsWhitePaper)
{
    if (!QFile::exists(cmykProfilePath))
        GTEST_SKIP() << "no CMYK profile installed";
    profile = Profile::profileWithPath(cmykProfilePath);
    ASSERT_NE(profile, nullptr);
    addQuietly(filledRectangle(Rect(100, 100, 80, 60), Color::deviceRGB(0, 0, 1)));
    EXPECT_EQ(pixelAt(Point(140, 130)), QColor(0, 0, 255));

    QAction item;
    view->cmykPreview(&item);
    EXPECT_TRUE(item.isChecked());
    EXPECT_TRUE(view->cmykPreview());
    const QColor proofed = pixelAt(Point(140, 130));
    EXPECT_NE(proofed, QColor(0, 0, 255));
    EXPECT_GT(proofed.blue(), proofed.red());
    const QColor paper = pixelAt(Point(300, 300));
    EXPECT_GE(paper.red(), 253);
    EXPECT_GE(paper.green(), 253);
    EXPECT_GE(paper.blue(), 253);

    view->cmykPreview(&item);
    EXPECT_FALSE(item.isChecked());
    EXPECT_EQ(pixelAt(Point(140, 130)), QColor(0, 0, 255));
}

TEST_F(SoftProofTest, AProfileThatCannotProofShowsNoGraphics)
{
    profile = Profile::profileWithPath(QString());
    addQuietly(filledRectangle(Rect(100, 100, 80, 60), Color::deviceRGB(0, 0, 1)));
    view->setCmykPreview(true);
    EXPECT_EQ(pixelAt(Point(140, 130)), QColor(255, 255, 255));
    profile = nullptr;
    EXPECT_EQ(pixelAt(Point(140, 130)), QColor(255, 255, 255));
}

class IsolationTest : public CanvasTest {
protected:
    void SetUp() override
    {
        CanvasTest::SetUp();
        outside = filledRectangle(Rect(50, 50, 60, 60), Color::deviceRGB(0, 0, 0));
        inside = filledRectangle(Rect(200, 50, 60, 60), Color::deviceRGB(1, 0, 0));
        addQuietly(outside);
        group = TDGroup::groupWithGraphics({inside});
        addQuietly(group);
        document->setCurrentLayer(group.get());
        ASSERT_TRUE(view->isolationState());
    }
    std::shared_ptr<TDRectangle> outside;
    std::shared_ptr<TDRectangle> inside;
    std::shared_ptr<TDGroup> group;
};

TEST_F(IsolationTest, TheRestOfTheDrawingShowsAtThirtyPerCent)
{
    // Black at 30 % over white: 255 × 0.7.
    const QColor dimmed = pixelAt(Point(80, 80));
    EXPECT_NEAR(dimmed.red(), 178, 2);
    EXPECT_EQ(pixelAt(Point(230, 80)), QColor(255, 0, 0));
    // Drawing the backdrop left the document alone.
    EXPECT_TRUE(group->visible());
    EXPECT_TRUE(outside->visible());
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(IsolationTest, TheBackdropIsDrawnOnceAndAgainAfterAChangeOutsideTheGroup)
{
    pixelAt(Point(80, 80));
    const int builds = view->isolationBuilds();
    pixelAt(Point(80, 80));
    EXPECT_EQ(view->isolationBuilds(), builds);

    // A change inside the group keeps the backdrop.
    inside->fillStyle()->setColor(Color::deviceRGB(0, 1, 0));
    document->undoManager()->removeAllActions();
    pixelAt(Point(80, 80));
    EXPECT_EQ(view->isolationBuilds(), builds);

    // Outside it, the backdrop is made again; so it is after undoing it.
    outside->fillStyle()->setColor(Color::deviceRGB(0, 0, 1));
    QApplication::processEvents();
    document->undoManager()->eventHandled();
    EXPECT_NEAR(pixelAt(Point(80, 80)).blue(), 255, 2);
    EXPECT_NEAR(pixelAt(Point(80, 80)).red(), 178, 2);
    ASSERT_TRUE(document->undoManager()->canUndo());
    document->undoManager()->undo();
    const QColor back = pixelAt(Point(80, 80));
    EXPECT_NEAR(back.red(), 178, 2);
    EXPECT_NEAR(back.blue(), 178, 2);
}

TEST_F(IsolationTest, AScrollRedrawsOnlyWhatCameIntoView)
{
    scroll->setScaleFactor(4, true);
    QApplication::processEvents();
    view->scrollPoint(Point(40, 40));
    pixelAt(Point(80, 80));
    const int builds = view->isolationBuilds();
    view->scrollPoint(Point(50, 45));
    QApplication::processEvents();
    const QColor dimmed = pixelAt(Point(80, 80));
    EXPECT_EQ(view->isolationBuilds(), builds + 1);
    // Still aligned with the drawing: the black square's edge at x = 50.
    EXPECT_NEAR(dimmed.red(), 178, 2);
    EXPECT_GE(pixelAt(Point(49.5f, 80)).red(), 250);
    EXPECT_NEAR(pixelAt(Point(50.5f, 80)).red(), 178, 2);
}

class SplashTest : public CanvasTest {
protected:
    void SetUp() override
    {
        TDGraphicView::resetSplash(true, [this] { return now; });
        CanvasTest::SetUp();
    }
    void TearDown() override
    {
        CanvasTest::TearDown();
        TDGraphicView::resetSplash(false);
    }
    double now = 100.0;
};

TEST_F(SplashTest, AnEmptyFirstWindowShowsTheSplashAndAPressLeavesOneSecond)
{
    view->renderImage(QRect());
    EXPECT_TRUE(view->ownsSplash());
    EXPECT_DOUBLE_EQ(TDGraphicView::splashRemaining(), 5.0);
    EXPECT_NE(pixelAt(Point(240, 100)), QColor(255, 255, 255));
    // The fade is paced by a timer that belongs to the canvas.
    EXPECT_NE(view->findChild<QTimer *>(), nullptr);

    now += 1.5;
    click(at(Point(600, 600)));
    EXPECT_DOUBLE_EQ(TDGraphicView::splashRemaining(), 1.0);
    now += 1.0;
    EXPECT_EQ(pixelAt(Point(240, 100)), QColor(255, 255, 255));
}

TEST_F(SplashTest, ThePictureIsTheResourceWithTheVersionLine)
{
    const QImage picture(QStringLiteral(":/canvas/splash_scrivane.png"));
    ASSERT_FALSE(picture.isNull());
    const QImage shown = TDGraphicView::splashImage();
    ASSERT_EQ(shown.size(), picture.size());
    EXPECT_EQ(shown.size(), QSize(480, 340));
    const auto same = [&](int x, int y) {
        return shown.pixelColor(x, y) == picture.convertToFormat(shown.format()).pixelColor(x, y);
    };
    EXPECT_TRUE(same(240, 100)) << "the picture itself";
    // The version line is written into the band at the bottom, on the right.
    bool written = false;
    for (int x = 380; x < 472 && !written; ++x)
        for (int y = 322; y < 338 && !written; ++y)
            written = !same(x, y);
    EXPECT_TRUE(written);
}

TEST_F(SplashTest, ASecondWindowNeverShowsIt)
{
    view->renderImage(QRect());
    ASSERT_TRUE(view->ownsSplash());
    TDDocument second;
    TDGraphicView other;
    other.resize(600, 400);
    other.setDocument(&second);
    const QPointF p = other.widgetPointFromDocument(Point(240, 100));
    const QImage image = other.renderImage(QRect(int(p.x()), int(p.y()), 1, 1));
    EXPECT_FALSE(other.ownsSplash());
    EXPECT_EQ(image.pixelColor(0, 0), QColor(255, 255, 255));
}

TEST_F(SplashTest, AFirstWindowWithGraphicsNeverShowsIt)
{
    TDGraphicView::resetSplash(true, [this] { return now; });
    addQuietly(filledRectangle(Rect(500, 500, 10, 10), Color::deviceRGB(0, 0, 0)));
    view->renderImage(QRect());
    EXPECT_TRUE(view->ownsSplash());
    EXPECT_LT(TDGraphicView::splashRemaining(), 0);
    // Emptied later, it still does not start.
    layer().removeGraphic(layerGraphics().front().get());
    view->renderImage(QRect());
    EXPECT_LT(TDGraphicView::splashRemaining(), 0);
}

TEST_F(SplashTest, GraphicsInAnyLayerKeepItAway)
{
    // The first layer is empty; the drawing lies in the second one.
    TDGraphicView::resetSplash(true, [this] { return now; });
    auto second = std::make_shared<TDLayer>();
    document->setLayers({document->layers().front(), second});
    const auto graphic = filledRectangle(Rect(500, 500, 10, 10), Color::deviceRGB(0, 0, 0));
    graphic->setDocument(document.get());
    second->addGraphic(graphic);
    ASSERT_TRUE(layerGraphics().empty());
    view->renderImage(QRect());
    EXPECT_TRUE(view->ownsSplash());
    EXPECT_LT(TDGraphicView::splashRemaining(), 0);
}

} // namespace
} // namespace scrivane::canvastest
