// The panel commands: the Window menu's items show a hidden palette and
// close a shown one; the inspector's panes, the layers panel among them,
// each live in a palette; zoomed document windows keep clear of palettes
// at the screen's edges.

#include "AppTestSupport.h"

#include "app/TDFillPane.h"
#include "app/TDInspectorController.h"
#include "app/TDLayerController.h"
#include "app/TDLayerModel.h"
#include "app/TDSnapPanel.h"
#include "app/TDTextPane.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>

using namespace scrivane;
using namespace scrivane::apptest;

namespace {

using Panel = TDInspectorController::Panel;

class PanelCommandsTest : public AppFixture {
public:
    void SetUp() override
    {
        forget();
        document = controller->newDocument();
        window = controller->windowForDocument(document);
        delegate->showInspector();
        inspector = delegate->inspector();
        inspector->setMainWindow(window);
        for (TDSnapPanel *palette : inspector->palettes())
            palette->hide();
    }
    void TearDown() override { forget(); }
    static void forget()
    {
        for (const char *name : {"fill", "stroke", "effects", "layers", "layout", "grid", "filters", "transform"}) {
            UserDefaults::standard().removeObject(QString::fromLatin1(name) + QStringLiteral(" visible"));
            UserDefaults::standard().removeObject(QStringLiteral("NSWindow Frame ") + QString::fromLatin1(name));
        }
        UserDefaults::standard().removeObject(QStringLiteral("inspector links"));
    }

    TDDocument *document = nullptr;
    TDDocumentWindow *window = nullptr;
    TDInspectorController *inspector = nullptr;
};

TEST_F(PanelCommandsTest, EachPaneLivesInItsOwnPalette)
{
    const struct {
        Panel panel;
        const char *name;
    } expected[] = {{Panel::Fill, "fill"},         {Panel::Stroke, "stroke"}, {Panel::Shadow, "effects"},
                    {Panel::Grid, "grid"},         {Panel::Layout, "layout"}, {Panel::Layers, "layers"},
                    {Panel::Effects, "filters"},   {Panel::Transform, "transform"}, {Panel::Text, "text"}};
    for (const auto &e : expected) {
        TDSnapPanel *palette = inspector->palette(e.panel);
        ASSERT_NE(palette, nullptr) << e.name;
        EXPECT_EQ(palette->name(), QString::fromLatin1(e.name));
    }
    EXPECT_EQ(inspector->palette(Panel::Fill)->content(), static_cast<QWidget *>(inspector->fillPane()));
    EXPECT_EQ(inspector->palette(Panel::Layers)->content(), inspector->layerController()->panel());
    EXPECT_EQ(inspector->palette(Panel::Text)->content(), static_cast<QWidget *>(inspector->textPane()));
    // The layers panel follows the window the inspector follows.
    EXPECT_EQ(inspector->layerController()->inspectingDocument(), document);
    inspector->setMainWindow(nullptr);
    EXPECT_EQ(inspector->layerController()->inspectingDocument(), nullptr);
}

TEST_F(PanelCommandsTest, AWindowMenuItemShowsAHiddenPaletteAndClosesAShownOne)
{
    TDSnapPanel *layers = inspector->palette(Panel::Layers);
    QAction *item = window->action(QStringLiteral("showLayers"));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->data().toInt(), int(Panel::Layers));
    item->trigger();
    EXPECT_TRUE(layers->isVisible());
    EXPECT_TRUE(UserDefaults::standard().boolean(QStringLiteral("layers visible")));
    item->trigger();
    EXPECT_FALSE(layers->isVisible());
    EXPECT_FALSE(UserDefaults::standard().boolean(QStringLiteral("layers visible")));

    delegate->showInspectorPanelAction(int(Panel::Fill));
    EXPECT_TRUE(inspector->palette(Panel::Fill)->isVisible());
    // Tags without a palette do nothing.
    delegate->showInspectorPanelAction(42);
    delegate->showInspectorPanelAction(-1);
}

TEST_F(PanelCommandsTest, TheEffectsItemShowsTheEffectsPalette)
{
    delegate->showInspectorPanelAction(int(Panel::Effects));
    EXPECT_TRUE(inspector->palette(Panel::Effects)->isVisible());
    EXPECT_FALSE(inspector->palette(Panel::Shadow)->isVisible());
    delegate->showInspectorPanelAction(int(Panel::Shadow));
    EXPECT_TRUE(inspector->palette(Panel::Shadow)->isVisible());
}

TEST_F(PanelCommandsTest, UndoTypedInAPaletteActsOnTheFrontDocument)
{
    addRectangle(document, Rect(10, 10, 50, 50));
    ASSERT_EQ(graphicCount(document), 1u);
    ASSERT_EQ(controller->currentDocument(), document);
    auto *undo = inspector->palette(Panel::Layers)->findChild<QShortcut *>(QStringLiteral("undo"));
    auto *redo = inspector->palette(Panel::Layers)->findChild<QShortcut *>(QStringLiteral("redo"));
    ASSERT_TRUE(undo && redo);
    EXPECT_EQ(undo->key(), QKeySequence(QKeySequence::Undo));
    Q_EMIT undo->activated();
    EXPECT_EQ(graphicCount(document), 0u);
    Q_EMIT redo->activated();
    EXPECT_EQ(graphicCount(document), 1u);
}

TEST_F(PanelCommandsTest, ZoomedWindowsKeepClearOfPalettesAtTheScreensEdges)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const Rect screen(float(area.x()), float(area.y()), float(area.width()), float(area.height()));
    // All hidden: the screen, even with a hidden palette on it.
    inspector->palette(Panel::Fill)->move(area.topLeft());
    EXPECT_EQ(inspector->windowZoomRect(), screen);

    // The others stand in the middle of the screen, out of the way.
    for (TDSnapPanel *palette : inspector->palettes())
        palette->move(area.x() + 200, area.y() + 100);
    TDSnapPanel *fill = inspector->palette(Panel::Fill);
    fill->show();
    fill->move(area.topLeft());
    const Rect zoom = inspector->windowZoomRect();
    EXPECT_EQ(zoom.minX(), float(area.x() + fill->frameGeometry().width() + 15));
    EXPECT_EQ(zoom.maxX(), screen.maxX());
    EXPECT_EQ(zoom.height(), screen.height());
}

} // namespace
