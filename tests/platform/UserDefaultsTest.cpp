#include "platform/UserDefaults.h"
#include "platform/NotificationCenter.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

std::unique_ptr<QSettings> freshSettings()
{
    const QString file = QString::fromStdString(scrivane::test::temporaryFolder()) + "/defaults.conf";
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

} // namespace

TEST(UserDefaults, RegisteredValuesAnswerUntilTheUserSetsOne)
{
    UserDefaults defaults(freshSettings());
    defaults.registerDefaults({{"autolockTools", "YES"},
                               {"use pressure", "NO"},
                               {"measurementUnits", "0"},
                               {"stroke scale key", "Z"},
                               {"inspector links", QVariantMap{{"stroke", "fill"}}}});
    EXPECT_TRUE(defaults.boolean("autolockTools"));
    EXPECT_FALSE(defaults.boolean("use pressure"));
    EXPECT_EQ(defaults.integer("measurementUnits"), 0);
    EXPECT_EQ(defaults.string("stroke scale key"), "Z");
    EXPECT_EQ(defaults.dictionary("inspector links").value("stroke").toString(), "fill");
    EXPECT_FALSE(defaults.object("never registered").isValid());
    EXPECT_FALSE(defaults.boolean("never registered"));

    defaults.setBool("use pressure", true);
    defaults.setInteger("measurementUnits", 4);
    defaults.setString("autolockTools", "NO");
    EXPECT_TRUE(defaults.boolean("use pressure"));
    EXPECT_EQ(defaults.integer("measurementUnits"), 4);
    EXPECT_FALSE(defaults.boolean("autolockTools"));
    defaults.removeObject("autolockTools");
    EXPECT_TRUE(defaults.boolean("autolockTools"));
}

TEST(UserDefaults, ValuesSurviveAReopenAsTextAndPostChanges)
{
    const QString file = QString::fromStdString(scrivane::test::temporaryFolder()) + "/defaults.conf";
    int changes = 0;
    QString changedKey;
    auto &center = NotificationCenter::defaultCenter();
    const auto token =
        center.addObserver(nullptr, UserDefaults::didChangeNotification, nullptr, [&](const Notification &n) {
            ++changes;
            changedKey = n.userInfo.value("key").toString();
        });
    {
        UserDefaults defaults(std::make_unique<QSettings>(file, QSettings::IniFormat));
        defaults.setBool("select new graphics", false);
        defaults.setReal("window zoom", 1.5);
        defaults.setObject("inspector links", QVariantMap{{"grid", "layout"}});
    }
    center.removeObserver(token);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(changedKey, "inspector links");

    UserDefaults reopened(std::make_unique<QSettings>(file, QSettings::IniFormat));
    reopened.registerDefaults({{"select new graphics", "YES"}});
    EXPECT_FALSE(reopened.boolean("select new graphics"));
    EXPECT_EQ(reopened.real("window zoom"), 1.5);
    EXPECT_EQ(reopened.dictionary("inspector links").value("grid").toString(), "layout");
}
