// Palettes as the person handles them: dragged by the title strip into
// chains that move together, rolled up and down, resized with the grip,
// closed, and brought back where they were at the next launch.

#include "app/TDSnapPanel.h"
#include "app/TDSnapTitleBar.h"
#include "platform/UserDefaults.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace scrivane;

namespace {

class SnapPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        forget();
        for (const char *name : {"alpha", "beta", "gamma"})
            UserDefaults::standard().setBool(QString::fromLatin1(name) + QStringLiteral(" visible"), true);
        area = QGuiApplication::primaryScreen()->availableGeometry();
    }
    void TearDown() override
    {
        palettes.clear();
        forget();
    }
    static void forget()
    {
        UserDefaults &d = UserDefaults::standard();
        for (const char *name : {"alpha", "beta", "gamma"}) {
            const QString n = QString::fromLatin1(name);
            for (const char *suffix : {" visible", " toggle", " size"})
                d.removeObject(n + QLatin1String(suffix));
            d.removeObject(QStringLiteral("NSWindow Frame ") + n);
        }
        // Stored empty, so that no registered links answer instead.
        d.setObject(QStringLiteral("inspector links"), QVariantMap());
    }
    TDSnapPanel *make(const char *name, QPoint at, int height = 150)
    {
        auto *content = new QLabel(QString::fromLatin1(name));
        content->setMinimumHeight(20);
        palettes.push_back(std::make_unique<TDSnapPanel>(QString::fromLatin1(name), QString::fromLatin1(name), content));
        TDSnapPanel *palette = palettes.back().get();
        palette->resize(200, height);
        palette->move(at);
        palette->show();
        return palette;
    }
    // Drags the palette by its title strip so that its top-left corner
    // lands at `to`.
    static void drag(TDSnapPanel *palette, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPoint grab = palette->pos() + QPoint(60, 8);
        palette->beginDrag(grab);
        palette->dragTo(to + QPoint(60, 8), modifiers);
        palette->endDrag();
    }
    static QVariantMap links() { return UserDefaults::standard().dictionary(QStringLiteral("inspector links")); }

    QRect area;
    std::vector<std::unique_ptr<TDSnapPanel>> palettes;
};

TEST_F(SnapPanelTest, DroppedUnderAnotherItHangsThereAndFollowsIt)
{
    TDSnapPanel *a = make("alpha", QPoint(100, 50));
    TDSnapPanel *b = make("beta", QPoint(450, 300), 100);
    drag(b, QPoint(a->x() + 29, a->y() + a->height() + 9));
    ASSERT_EQ(a->childPalette(), b);
    EXPECT_EQ(b->parentPalette(), a);
    EXPECT_EQ(b->pos(), QPoint(100, 200));
    EXPECT_EQ(links().value(QStringLiteral("beta")).toString(), QStringLiteral("alpha"));

    drag(a, QPoint(160, 80));
    EXPECT_EQ(a->pos(), QPoint(160, 80));
    EXPECT_EQ(b->pos(), QPoint(160, 230));

    // Dragged away, it leaves the chain, and the link goes.
    drag(b, QPoint(480, 300));
    EXPECT_EQ(a->childPalette(), nullptr);
    EXPECT_EQ(b->parentPalette(), nullptr);
    EXPECT_FALSE(links().contains(QStringLiteral("beta")));
}

TEST_F(SnapPanelTest, TenUnitsAwayOrAltHeldDoesNotSnap)
{
    TDSnapPanel *a = make("alpha", QPoint(100, 50));
    TDSnapPanel *b = make("beta", QPoint(450, 300), 100);
    drag(b, QPoint(100, 210));
    EXPECT_EQ(b->parentPalette(), nullptr);
    EXPECT_EQ(b->pos(), QPoint(100, 210));

    const QPoint grab = b->pos() + QPoint(60, 8);
    b->beginDrag(grab);
    b->dragTo(QPoint(100, 203) + QPoint(60, 8), Qt::AltModifier);
    EXPECT_EQ(b->pos(), QPoint(100, 203));
    EXPECT_EQ(a->childPalette(), nullptr);
}

TEST_F(SnapPanelTest, RollingUpLeavesTheStripMovesTheChainAndSurvivesARelaunch)
{
    TDSnapPanel *a = make("alpha", QPoint(100, 50), 166);
    TDSnapPanel *b = make("beta", QPoint(450, 300), 100);
    a->setChildPalette(b);
    a->snapChild();
    a->titleBar()->disclosureButton()->click();
    EXPECT_EQ(a->height(), 16);
    EXPECT_TRUE(a->isRolledUp());
    EXPECT_EQ(b->y(), a->y() + 16);
    EXPECT_FALSE(UserDefaults::standard().boolean(QStringLiteral("alpha toggle")));

    palettes.clear();
    TDSnapPanel *again = make("alpha", QPoint(100, 50), 16);
    EXPECT_TRUE(again->isRolledUp());
    EXPECT_FALSE(again->titleBar()->disclosureButton()->isChecked());
    again->setContent(new QLabel(QStringLiteral("content")));
    again->toggleSize();
    EXPECT_FALSE(again->isRolledUp());
    EXPECT_TRUE(again->content()->isVisible());
    EXPECT_TRUE(UserDefaults::standard().boolean(QStringLiteral("alpha toggle")));
}

TEST_F(SnapPanelTest, TheGripKeepsTheHeightWithinLimitsAndStoresIt)
{
    TDSnapPanel *a = make("alpha", QPoint(100, 50), 200);
    TDSnapPanel *b = make("beta", QPoint(450, 300), 100);
    a->setChildPalette(b);
    a->setResizable(true);
    a->beginResize(500);
    a->resizeTo(540);
    EXPECT_EQ(a->height(), 240);
    EXPECT_EQ(a->y(), 50);
    EXPECT_EQ(b->y(), 290);
    a->resizeTo(-5000);
    EXPECT_EQ(a->height(), a->minimumPaletteHeight());
    a->resizeTo(50000);
    EXPECT_LE(a->height(), std::max(area.height(), a->minimumPaletteHeight()));
    a->endResize();
    EXPECT_EQ(UserDefaults::standard().real(QStringLiteral("alpha size")), double(a->height()));
}

TEST_F(SnapPanelTest, ClosingLeavesTheChainAndIsRemembered)
{
    TDSnapPanel *a = make("alpha", QPoint(100, 50));
    TDSnapPanel *b = make("beta", QPoint(450, 300), 100);
    TDSnapPanel *c = make("gamma", QPoint(650, 300), 100);
    a->setChildPalette(b);
    b->setChildPalette(c);
    b->closePalette();
    EXPECT_FALSE(b->isVisible());
    EXPECT_EQ(a->childPalette(), nullptr);
    EXPECT_EQ(c->parentPalette(), nullptr);
    EXPECT_FALSE(UserDefaults::standard().boolean(QStringLiteral("beta visible")));
    EXPECT_TRUE(links().isEmpty());
}

TEST_F(SnapPanelTest, ChainsComeBackAtLaunchFromTheLinks)
{
    QVariantMap stored;
    stored.insert(QStringLiteral("beta"), QStringLiteral("alpha"));
    stored.insert(QStringLiteral("gamma"), QStringLiteral("alpha"));
    UserDefaults::standard().setObject(QStringLiteral("inspector links"), stored);
    TDSnapPanel *a = make("alpha", QPoint(100, 40));
    TDSnapPanel *b = make("beta", QPoint(400, 300), 100);
    TDSnapPanel *c = make("gamma", QPoint(600, 400), 100);
    for (TDSnapPanel *p : {a, b, c})
        p->hide();
    TDSnapPanel::finishLoading();
    EXPECT_TRUE(a->isVisible() && b->isVisible() && c->isVisible());
    // Two name the same parent: only the upper one is placed under it.
    EXPECT_EQ(a->childPalette(), b);
    EXPECT_EQ(b->pos(), QPoint(100, 190));
    EXPECT_EQ(c->parentPalette(), nullptr);
}

TEST_F(SnapPanelTest, RingsInTheStoredLinksAreNotRestored)
{
    QVariantMap stored;
    stored.insert(QStringLiteral("beta"), QStringLiteral("gamma"));
    stored.insert(QStringLiteral("gamma"), QStringLiteral("beta"));
    stored.insert(QStringLiteral("alpha"), QStringLiteral("alpha"));
    UserDefaults::standard().setObject(QStringLiteral("inspector links"), stored);
    TDSnapPanel *a = make("alpha", QPoint(100, 40));
    TDSnapPanel *b = make("beta", QPoint(400, 200), 100);
    TDSnapPanel *c = make("gamma", QPoint(600, 400), 100);
    TDSnapPanel::finishLoading();
    for (TDSnapPanel *p : {a, b, c}) {
        int depth = 0;
        for (TDSnapPanel *up = p->parentPalette(); up && depth < 5; up = up->parentPalette())
            ++depth;
        EXPECT_LT(depth, 3) << p->name().toStdString();
    }
    EXPECT_EQ(a->parentPalette(), nullptr);
}

TEST_F(SnapPanelTest, ARingCannotBeMadeByHand)
{
    TDSnapPanel *a = make("alpha", QPoint(100, 40));
    TDSnapPanel *b = make("beta", QPoint(400, 200), 100);
    a->setChildPalette(b);
    b->setChildPalette(a);
    EXPECT_EQ(b->childPalette(), nullptr);
    EXPECT_EQ(a->parentPalette(), nullptr);
}

} // namespace
