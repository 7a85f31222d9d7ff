#include "BusTestTypes.h"
#include <gmock/gmock.h>

using namespace BusTest;
using testing::ElementsAre;

TEST(DispatcherSenderType, AllSendersMeansTheDeclaredTypeOfTheObjectFieldAndIncludesNull)
{
    const Sender sender;
    const DerivedSender derived;
    std::vector<std::string> log;
    Recorder<Ping> byDeclaredType(log, "Sender");
    Recorder<Ping> byDynamicType(log, "DerivedSender");
    Recorder<Ping> one(log, "one");
    byDeclaredType.subscribeAll<Sender>();
    byDynamicType.subscribeAll<DerivedSender>();
    one.subscribe(&sender);

    PubSub::publish(Ping(&derived));
    PubSub::publish(Ping(nullptr));
    byDeclaredType.unsubscribeAll<Sender>();
    PubSub::publish(Ping(nullptr));
    EXPECT_THAT(log, ElementsAre("Sender", "Sender"));
}
