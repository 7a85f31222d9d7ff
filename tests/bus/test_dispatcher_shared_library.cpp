#include "BusTestTypes.h"

#include <gmock/gmock.h>
#include <plugin/BusTestPlugin.h>

using namespace BusTest;
using testing::ElementsAre;

TEST(DispatcherSharedLibrary, TypeSeenThroughAnotherLibrarysTypeInfoIsTheSameType)
{
    // Otherwise this test would not exercise two type_info objects of one type.
    ASSERT_NE(
        static_cast<const void*>(pluginPingType().name()), static_cast<const void*>(typeid(Ping).name()));
    ASSERT_EQ(pluginPingType(), std::type_index(typeid(Ping)));

    const Sender sender;
    std::vector<std::string> log;
    Recorder<Ping> byObject(log, "object");
    Recorder<Ping> byType(log, "type");
    byObject.subscribe(&sender);
    byType.subscribeAll<Sender>();

    pluginPublishPing(&sender, 1);
    PubSub::publish(Ping(&sender));
    pluginPublishPing(nullptr, 2);
    EXPECT_THAT(log, ElementsAre("object", "type", "object", "type", "type"));
}
