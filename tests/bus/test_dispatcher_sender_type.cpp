#include "BusTestTypes.h"

#include <gmock/gmock.h>

using namespace BusTest;
using testing::ElementsAre;
using testing::IsEmpty;

TEST(DispatcherSenderType, AllSendersMeansTheDeclaredTypeOfTheObjectField)
{
    const DerivedSender derived;
    std::vector<std::string> log;
    Recorder<Ping> byDeclaredType(log, "Sender");
    Recorder<Ping> byDynamicType(log, "DerivedSender");
    byDeclaredType.subscribeAll<Sender>();
    byDynamicType.subscribeAll<DerivedSender>();

    PubSub::publish(Ping(&derived));
    EXPECT_THAT(log, ElementsAre("Sender"));
}

TEST(DispatcherSenderType, NullObjectReachesOnlyAllSenderSubscriptions)
{
    const Sender sender;
    std::vector<std::string> log;
    Recorder<Ping> all(log, "all");
    Recorder<Ping> one(log, "one");
    all.subscribeAll<Sender>();
    one.subscribe(&sender);

    PubSub::publish(Ping(nullptr));
    EXPECT_THAT(log, ElementsAre("all"));

    log.clear();
    all.unsubscribeAll<Sender>();
    PubSub::publish(Ping(nullptr));
    EXPECT_THAT(log, IsEmpty());
}
