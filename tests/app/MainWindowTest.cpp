#include <QApplication>
#include <QGuiApplication>

#include <gtest/gtest.h>

TEST(Application, RunsHeadlessOnTheOffscreenPlatform)
{
    EXPECT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
}
