#include "BusTestPlugin.h"

void pluginPublishPing(const BusTest::Sender* sender, int value)
{
    PubSub::publish(BusTest::Ping(sender, value));
}

std::type_index pluginPingType()
{
    return typeid(BusTest::Ping);
}
