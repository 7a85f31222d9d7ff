#include "BusTestTypes.h"
#include <gmock/gmock.h>

#include <algorithm>
#include <random>
#include <stdexcept>

using namespace BusTest;
using testing::ElementsAre;
using testing::IsEmpty;

TEST(DispatcherDelivery, NoSubscriberMeansNoHandlerAndAnUnchangedMessage)
{
    const Sender sender;
    const Ping ping(&sender, 7);
    EXPECT_THAT(
        PubSub::Details::Dispatcher::instance().getSubscribers(ping, typeid(Ping), &sender, typeid(Sender)),
        IsEmpty());
    PubSub::publish(ping);
    EXPECT_EQ(ping.value, 7);
}

TEST(DispatcherDelivery, HandlersRunInRegistrationOrderNotSubscriptionOrder)
{
    const Sender sender;
    std::vector<std::string> log;
    Recorder<Ping> first(log, "first");
    Recorder<Ping> second(log, "second");
    Recorder<Ping> third(log, "third");
    third.subscribe(&sender);
    second.subscribeAll<Sender>();
    first.subscribe(&sender);
    second.subscribe(&sender); // listed once although it matches twice
    first.onMessage = [&](const Ping&) { log.push_back("first done"); };

    PubSub::publish(Ping(&sender));
    EXPECT_THAT(log, ElementsAre("first", "first done", "second", "third"));
}

TEST(DispatcherDelivery, ThrowingHandlerStopsPublishingAndReachesTheCaller)
{
    const Sender sender;
    std::vector<std::string> log;
    Recorder<Ping> first(log, "first");
    Recorder<Ping> second(log, "second");
    first.subscribe(&sender);
    second.subscribe(&sender);
    first.onMessage = [](const Ping&) { throw std::runtime_error("refused"); };

    EXPECT_THROW(PubSub::publish(Ping(&sender)), std::runtime_error);
    EXPECT_THAT(log, ElementsAre("first"));
}

TEST(DispatcherDelivery, OnlySubscribedSendersAndRegisteredTypesReachAHandler)
{
    const Sender heard, other;
    std::vector<std::string> log;
    Recorder<Ping> recorder(log, "ping");
    recorder.subscribe(&heard);
    recorder.subscribe(nullptr); // ignored

    PubSub::publish(Ping(&other));
    PubSub::publish(Pong(&heard));
    PubSub::publish(Ping(nullptr));
    EXPECT_THAT(log, IsEmpty());
    EXPECT_FALSE(recorder.isSubscribed(nullptr));

    PubSub::publish(Ping(&heard));
    EXPECT_THAT(log, ElementsAre("ping"));
}

TEST(DispatcherDelivery, UnsubscribedOrDestroyedSubscriberIsNoLongerCalled)
{
    const Sender sender;
    std::vector<std::string> log;
    Recorder<Ping> kept(log, "kept");
    kept.subscribe(&sender);
    kept.subscribe(&sender);
    EXPECT_TRUE(kept.isSubscribed(&sender));
    {
        Recorder<Ping> gone(log, "gone");
        gone.subscribe(&sender);
        gone.subscribeAll<Sender>();
    }
    PubSub::publish(Ping(&sender));
    kept.unsubscribe(&sender); // one unsubscribe ends both subscribes
    EXPECT_FALSE(kept.isSubscribed(&sender));
    PubSub::publish(Ping(&sender));
    EXPECT_THAT(log, ElementsAre("kept"));
}

TEST(DispatcherDelivery, ManySendersEachReachExactlyTheirCurrentSubscribers)
{
    // Scattered addresses, so that senders collide in the dispatcher's index.
    std::vector<Sender> pool(2000);
    std::vector<const Sender*> senders;
    for (const Sender& sender : pool)
        senders.push_back(&sender);
    std::shuffle(senders.begin(), senders.end(), std::mt19937(42));
    senders.resize(300);

    std::vector<std::string> log;
    Recorder<Ping> even(log, "even");
    Recorder<Ping> all(log, "all");
    for (std::size_t i = 0; i < senders.size(); ++i) {
        all.subscribe(senders[i]);
        if (i % 2 == 0)
            even.subscribe(senders[i]);
    }
    for (std::size_t i = 0; i < senders.size(); i += 3)
        all.unsubscribe(senders[i]);

    for (std::size_t i = 0; i < senders.size(); ++i) {
        log.clear();
        PubSub::publish(Ping(senders[i]));
        std::vector<std::string> expected;
        if (i % 2 == 0)
            expected.push_back("even");
        if (i % 3 != 0)
            expected.push_back("all");
        ASSERT_EQ(log, expected) << "sender " << i;
    }
}
