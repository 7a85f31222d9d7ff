// Built with hidden visibility and loaded with dlopen: it holds type_info objects of
// its own for the message types it shares with the tests.

#include "BusTestTypes.h"

#define BUS_PLUGIN_API extern "C" __attribute__((visibility("default")))

// Publishes a Ping about sender; returns the plugin's own name of the Ping type.
BUS_PLUGIN_API const char* busPluginPublishPing(const BusTest::Sender* sender)
{
    PubSub::publish(BusTest::Ping(sender));
    return typeid(BusTest::Ping).name();
}

// Shows the bus PluginPing first: publishes one with a null object to a subscriber
// of all PluginSenders and returns how many reached it. typeName receives the
// plugin's own name of PluginPing, valid until the plugin is unloaded.
BUS_PLUGIN_API int busPluginRunPluginPing(const char** typeName)
{
    struct Counter : PubSub::Subscriber<BusTest::PluginPing> {
        void handle(const BusTest::PluginPing&) override { ++count; }
        int count = 0;
    } counter;
    counter.subscribeAll<BusTest::PluginSender>();
    PubSub::publish(BusTest::PluginPing(nullptr));
    *typeName = typeid(BusTest::PluginPing).name();
    return counter.count;
}
