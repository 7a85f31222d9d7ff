#include "BusTestTypes.h"
#include <gmock/gmock.h>

#include <new>

using namespace BusTest;
using testing::ElementsAre;
using testing::IsEmpty;

TEST(ObjectLifetime, DestroyedSenderEndsSubscriptionsAndANewObjectThereIsAStranger)
{
    alignas(Sender) unsigned char storage[sizeof(Sender)];
    std::vector<std::string> log;
    Recorder<Ping> byObject(log, "object");
    Recorder<Pong> alsoByObject(log, "object too");

    const Sender* old = new (storage) Sender;
    byObject.subscribe(old);
    alsoByObject.subscribe(old);
    old->~Sender();
    EXPECT_FALSE(byObject.isSubscribed(old));

    const Sender* reborn = new (storage) Sender;
    ASSERT_EQ(static_cast<const void*>(reborn), static_cast<const void*>(old));
    PubSub::publish(Ping(reborn));
    PubSub::publish(Pong(reborn));
    EXPECT_THAT(log, IsEmpty());

    byObject.subscribe(reborn);
    PubSub::publish(Ping(reborn));
    reborn->~Sender();
    EXPECT_THAT(log, ElementsAre("object"));
}

TEST(ObjectLifetime, CopyIsANewSenderAndAssignmentKeepsIdentity)
{
    Sender original;
    std::vector<std::string> log;
    Recorder<Ping> recorder(log, "original");
    recorder.subscribe(&original);

    Sender copy(original);
    EXPECT_FALSE(recorder.isSubscribed(&copy));
    PubSub::publish(Ping(&copy));
    original = copy;
    PubSub::publish(Ping(&original));
    EXPECT_THAT(log, ElementsAre("original"));
}
