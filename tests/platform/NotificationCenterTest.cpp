#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

using namespace scrivane;

TEST(NotificationCenter, DeliversByNameAndObjectInOrder)
{
    NotificationCenter center;
    const int graphic = 0, other = 0;
    QStringList calls;
    center.addObserver(nullptr, "TDGraphicDidChange", nullptr,
                       [&](const Notification &) { calls << "any graphic"; });
    center.addObserver(nullptr, "TDGraphicDidChange", &graphic, [&](const Notification &n) {
        EXPECT_EQ(n.object, &graphic);
        calls << "this graphic";
    });
    center.addObserver(nullptr, QString(), nullptr, [&](const Notification &n) { calls << "all:" + n.name; });
    center.addObserver(nullptr, "Ruler units did change", nullptr,
                       [&](const Notification &) { calls << "units"; });

    center.post("TDGraphicDidChange", &graphic);
    EXPECT_EQ(calls, QStringList({"any graphic", "this graphic", "all:TDGraphicDidChange"}));
    calls.clear();
    center.post("TDGraphicDidChange", &other, {{"detail", 1}});
    EXPECT_EQ(calls, QStringList({"any graphic", "all:TDGraphicDidChange"}));
}

TEST(NotificationCenter, RemovesByTokenOrOwner)
{
    NotificationCenter center;
    const int panel = 0, inspector = 0, graphic = 0;
    int calls = 0;
    const auto token = center.addObserver(&panel, "a", nullptr, [&](const Notification &) { ++calls; });
    center.addObserver(&inspector, "a", nullptr, [&](const Notification &) { calls += 10; });
    center.addObserver(&inspector, "b", &graphic, [&](const Notification &) { calls += 100; });
    center.removeObserver(token);
    center.post("a");
    EXPECT_EQ(calls, 10);
    center.removeObserver(&inspector, "a");
    center.post("a");
    center.post("b", &graphic);
    EXPECT_EQ(calls, 110);
    center.removeObserver(&inspector);
    center.post("b", &graphic);
    EXPECT_EQ(calls, 110);
}

TEST(NotificationCenter, ObserversMayChangeTheListWhileANotificationIsDelivered)
{
    NotificationCenter center;
    QStringList calls;
    NotificationCenter::Token second = 0;
    center.addObserver(nullptr, "n", nullptr, [&](const Notification &) {
        calls << "first";
        center.removeObserver(second); // not called for this post
        center.addObserver(nullptr, "n", nullptr, [&](const Notification &) { calls << "late"; });
        center.post("nested");
    });
    second = center.addObserver(nullptr, "n", nullptr, [&](const Notification &) { calls << "second"; });
    center.addObserver(nullptr, "nested", nullptr, [&](const Notification &) { calls << "nested"; });
    center.post("n");
    EXPECT_EQ(calls, QStringList({"first", "nested"}));
}
