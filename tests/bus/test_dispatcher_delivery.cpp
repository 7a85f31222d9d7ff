#include "BusTestTypes.h"
#include <BusSpy.h>

#include <algorithm>
#include <new>
#include <random>
#include <stdexcept>

using namespace BusTest;
using testing::ElementsAre;
using testing::IsEmpty;
using DispatcherDelivery = Bus;
using ObjectLifetime = Bus;

TEST_F(DispatcherDelivery, HandlersRunInRegistrationOrderNotSubscriptionOrder)
{
    Recorder<Ping> first("first"), second("second"), third("third");
    third.subscribe(&sender);
    second.subscribeAll<Sender>();
    first.subscribe(&sender);
    second.subscribe(&sender); // listed once although it matches twice
    first.onMessage = [](const Ping&) { heard.push_back("first done"); };

    PubSub::publish(Ping(&sender));
    EXPECT_THAT(heard, ElementsAre("first", "first done", "second", "third"));
}

TEST_F(DispatcherDelivery, ThrowingHandlerStopsPublishingAndReachesTheCaller)
{
    Recorder<Ping> first("first"), second("second");
    first.subscribe(&sender);
    second.subscribe(&sender);
    first.onMessage = [](const Ping&) { throw std::runtime_error("refused"); };

    EXPECT_THROW(PubSub::publish(Ping(&sender)), std::runtime_error);
    EXPECT_THAT(heard, ElementsAre("first"));
}

TEST_F(DispatcherDelivery, OnlySubscribedSendersAndRegisteredTypesReachAHandler)
{
    const Sender other;
    Recorder<Ping> recorder("ping");
    recorder.subscribe(&sender);
    recorder.subscribe(nullptr); // ignored

    const Ping toOther(&other);
    EXPECT_THAT(
        PubSub::Details::Dispatcher::instance().getSubscribers(toOther, typeid(Ping), &other, typeid(Sender)),
        IsEmpty());
    PubSub::publish(toOther);
    PubSub::publish(Pong(&sender));
    PubSub::publish(Ping(nullptr));
    EXPECT_THAT(heard, IsEmpty());
    EXPECT_FALSE(recorder.isSubscribed(nullptr));

    PubSub::publish(Ping(&sender));
    EXPECT_THAT(heard, ElementsAre("ping"));
}

TEST_F(DispatcherDelivery, UnsubscribedOrDestroyedSubscriberIsNoLongerCalled)
{
    Recorder<Ping> kept("kept");
    kept.subscribe(&sender);
    kept.subscribe(&sender);
    EXPECT_TRUE(kept.isSubscribed(&sender));
    {
        Recorder<Ping> gone("gone");
        gone.subscribe(&sender);
        gone.subscribeAll<Sender>();
    }
    PubSub::publish(Ping(&sender));
    kept.unsubscribe(&sender); // one unsubscribe ends both subscribes
    EXPECT_FALSE(kept.isSubscribed(&sender));
    PubSub::publish(Ping(&sender));
    EXPECT_THAT(heard, ElementsAre("kept"));
}

TEST_F(DispatcherDelivery, ManySendersEachReachExactlyTheirCurrentSubscribers)
{
    // Scattered addresses, so that senders collide in the dispatcher's index.
    std::vector<Sender> pool(2000);
    std::vector<const Sender*> senders;
    for (const Sender& s : pool)
        senders.push_back(&s);
    std::shuffle(senders.begin(), senders.end(), std::mt19937(42));
    senders.resize(300);

    Recorder<Ping> even("even"), all("all");
    for (std::size_t i = 0; i < senders.size(); ++i) {
        all.subscribe(senders[i]);
        if (i % 2 == 0)
            even.subscribe(senders[i]);
    }
    for (std::size_t i = 0; i < senders.size(); i += 3)
        all.unsubscribe(senders[i]);

    for (std::size_t i = 0; i < senders.size(); ++i) {
        heard.clear();
        PubSub::publish(Ping(senders[i]));
        std::vector<std::string> expected;
        if (i % 2 == 0)
            expected.push_back("even");
        if (i % 3 != 0)
            expected.push_back("all");
        ASSERT_EQ(heard, expected) << "sender " << i;
    }
}

TEST_F(DispatcherDelivery, AllSendersMeansTheDeclaredTypeOfTheObjectFieldAndIncludesNull)
{
    const DerivedSender derived;
    Recorder<Ping> byDeclaredType("Sender"), byDynamicType("DerivedSender"), one("one");
    byDeclaredType.subscribeAll<Sender>();
    byDynamicType.subscribeAll<DerivedSender>();
    one.subscribe(&sender);

    PubSub::publish(Ping(&derived));
    PubSub::publish(Ping(nullptr));
    byDeclaredType.unsubscribeAll<Sender>();
    PubSub::publish(Ping(nullptr));
    EXPECT_THAT(heard, ElementsAre("Sender", "Sender"));
}

TEST_F(ObjectLifetime, DestroyedSenderEndsSubscriptionsAndANewObjectThereIsAStranger)
{
    alignas(Sender) unsigned char storage[sizeof(Sender)];
    Recorder<Ping> byObject("object");
    Recorder<Pong> alsoByObject("object too");

    const Sender* old = new (storage) Sender;
    byObject.subscribe(old);
    alsoByObject.subscribe(old);
    old->~Sender();
    EXPECT_FALSE(byObject.isSubscribed(old));

    const Sender* reborn = new (storage) Sender;
    ASSERT_EQ(static_cast<const void*>(reborn), static_cast<const void*>(old));
    PubSub::publish(Ping(reborn));
    PubSub::publish(Pong(reborn));
    EXPECT_THAT(heard, IsEmpty());

    byObject.subscribe(reborn);
    PubSub::publish(Ping(reborn));
    reborn->~Sender();
    EXPECT_THAT(heard, ElementsAre("object"));
}

TEST_F(ObjectLifetime, CopyOfASenderIsANewSenderAndAssignmentKeepsIdentity)
{
    Sender original;
    Recorder<Ping> recorder("original");
    recorder.subscribe(&original);

    Sender copy(original);
    EXPECT_FALSE(recorder.isSubscribed(&copy));
    PubSub::publish(Ping(&copy));
    original = copy;
    PubSub::publish(Ping(&original));
    EXPECT_THAT(heard, ElementsAre("original"));
}

namespace {

struct Echo : Message::Types::Notification<Sender> {
    using Notification::Notification;
};

class Announcer : private PubSub::Publisher<Ping, Pong, Echo> {
public:
    void announce(const Sender& sender)
    {
        publish(Pong(&sender));
        publish(Ping(&sender));
        publish(Echo(&sender));
    }
};

} // namespace

TEST_F(DispatcherDelivery, PublisherPublishesEveryDeclaredTypeWithoutNamingTheBase)
{
    Testing::BusSpy<Ping, Pong, Echo> spy;
    Announcer().announce(sender);
    EXPECT_EQ(spy.log.types(), (Testing::typesOf<Pong, Ping, Echo>()));
    EXPECT_EQ(spy.log.entries.at(0).sender, &sender);
}
