// Pasting a picture that another program holds on the X11 clipboard, in a
// real X server (the test runs under xvfb-run; without a display it skips).

#include "TestEnvironment.h"

#include "canvas/ScalingScrollView.h"
#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"
#include "platform/Pasteboard.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QMimeData>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace scrivane;

namespace {

bool onX11()
{
    return QGuiApplication::platformName() == QStringLiteral("xcb");
}

// The other program, holding a picture of the size on the clipboard.
class ClipboardOwner {
public:
    ClipboardOwner(int width, int height)
    {
        m_process.start(QStringLiteral(SCRIVANE_CLIPBOARD_OWNER),
                        {QString::number(width), QString::number(height)});
        QByteArray output;
        if (m_process.waitForStarted())
            while (!output.contains("ready") && m_process.waitForReadyRead(20000))
                output += m_process.readAllStandardOutput();
        m_ready = output.contains("ready");
        // The clipboard's owner changed: let the notice of it arrive (or not).
        QTest::qWait(100);
    }
    ~ClipboardOwner()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool ready() const { return m_ready; }

private:
    QProcess m_process;
    bool m_ready = false;
};

struct Canvas {
    Canvas()
    {
        scroll.resize(800, 600);
        view = new TDGraphicView;
        scroll.setDocumentView(view);
        view->setDocument(&document);
        scroll.show();
        view->calculateSize();
        QCursor::setPos(view->mapToGlobal(QPoint(-4000, -4000)));
    }
    const TDGraphicArray &graphics() const { return document.currentLayer()->graphics(); }

    TDDocument document;
    ScalingScrollView scroll;
    TDGraphicView *view = nullptr;
};

} // namespace

// The first paste after the start, with the picture copied in another
// program before this one started: no notice of a clipboard change ever
// comes.
TEST(X11Paste, APictureHeldByAnotherProgramPastesAtTheFirstPaste)
{
    if (!onX11())
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    ClipboardOwner owner(37, 23);
    ASSERT_TRUE(owner.ready());
    Canvas canvas;
    canvas.view->paste();
    ASSERT_EQ(canvas.graphics().size(), 1u);
    const TDGraphicPtr image = canvas.graphics().front();
    EXPECT_EQ(image->fillStyle()->style(), TDFillImage);
    EXPECT_EQ(image->bounds().size, Size(37, 23));
}

// After a copy here, the other program takes the clipboard: its picture is
// what pastes, not the graphics copied before.
TEST(X11Paste, APictureCopiedElsewhereAfterACopyHereWins)
{
    if (!onX11())
        GTEST_SKIP() << "needs an X server (run under xvfb-run)";
    Canvas canvas;
    auto rectangle = std::make_shared<TDRectangle>();
    rectangle->setTransformation(TDGraphic::transformForBounds(Rect(10, 10, 50, 50)));
    canvas.document.addGraphic(rectangle);
    canvas.view->selectGraphic(rectangle);
    canvas.view->copy();
    ASSERT_TRUE(Pasteboard::general().hasType(Pasteboard::GraphicsType));

    ClipboardOwner owner(41, 19);
    ASSERT_TRUE(owner.ready());
    canvas.view->paste();
    ASSERT_EQ(canvas.graphics().size(), 2u);
    EXPECT_EQ(canvas.graphics().back()->fillStyle()->style(), TDFillImage);
    EXPECT_EQ(canvas.graphics().back()->bounds().size, Size(41, 19));
}

int main(int argc, char **argv)
{
    scrivane::test::prepareEnvironment();
    // A real X server when there is one (xvfb-run gives one); else the
    // tests skip.
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
