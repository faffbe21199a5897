#include "platform/notificationcenter.h"

#include <gtest/gtest.h>

using platform::NotificationCenter;

TEST(NotificationCenter, DeliversByNameAndSender)
{
    NotificationCenter center;
    int a = 0, b = 0;
    int senderA = 0, senderB = 0;
    auto all = center.addObserver("ElementsHaveChanged", [&](const QString&, const void*) { ++a; });
    auto onlyA = center.addObserver(
        "ElementsHaveChanged", [&](const QString&, const void*) { ++b; }, &senderA);

    center.post("ElementsHaveChanged", &senderA);
    center.post("ElementsHaveChanged", &senderB);
    center.post("SomethingElse", &senderA);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);
}

TEST(NotificationCenter, TokenUnregistersWhenDestroyedOrReset)
{
    NotificationCenter center;
    int count = 0;
    {
        auto token = center.addObserver("WebRequestAbortNotification", [&](const QString&, const void*) { ++count; });
        center.post("WebRequestAbortNotification");
    }
    center.post("WebRequestAbortNotification");
    auto token = center.addObserver("WebRequestAbortNotification", [&](const QString&, const void*) { ++count; });
    token.reset();
    center.post("WebRequestAbortNotification");
    EXPECT_EQ(count, 1);
}

TEST(NotificationCenter, ObserverMayUnregisterAnotherDuringDelivery)
{
    NotificationCenter center;
    int second = 0;
    NotificationCenter::Token secondToken;
    auto first = center.addObserver("n", [&](const QString&, const void*) { secondToken.reset(); });
    secondToken = center.addObserver("n", [&](const QString&, const void*) { ++second; });
    center.post("n");
    EXPECT_EQ(second, 0);
}

TEST(NotificationCenter, TokenOutlivingTheCenterIsHarmless)
{
    NotificationCenter::Token token;
    {
        NotificationCenter center;
        token = center.addObserver("n", [](const QString&, const void*) {});
    }
    token.reset();
    EXPECT_FALSE(token.isActive());
}

TEST(NotificationCenter, AssigningOverALiveTokenUnregistersItsObserver)
{
    NotificationCenter center;
    int first = 0, second = 0;
    auto token = center.addObserver("n", [&](const QString&, const void*) { ++first; });
    token = center.addObserver("n", [&](const QString&, const void*) { ++second; });
    center.post("n");
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
}
