#include "BusTestTypes.h"
#include <dlfcn.h>
#include <gmock/gmock.h>
#include <plugin/BusTestPlugin.h>
#include <plugin/BusUnloadPlugin.h>

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

TEST(DispatcherSharedLibrary, TypesFirstSeenInAnUnloadedPluginStillWork)
{
    // Twice: the second load may put the plugin's names back at their old addresses.
    for (int round = 0; round < 2; ++round) {
        void* plugin = dlopen(BUS_UNLOAD_PLUGIN, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(plugin, nullptr) << dlerror();
        const auto run = reinterpret_cast<int (*)(const char**)>(dlsym(plugin, "busUnloadPluginRun"));
        ASSERT_NE(run, nullptr) << dlerror();
        const char* pluginName = nullptr;
        EXPECT_EQ(run(&pluginName), 1);
        // Otherwise the plugin's names would not be the ones that go away.
        ASSERT_NE(static_cast<const void*>(pluginName), static_cast<const void*>(typeid(PluginPing).name()));
        ASSERT_EQ(dlclose(plugin), 0);
        ASSERT_EQ(dlopen(BUS_UNLOAD_PLUGIN, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the plugin stayed loaded";

        const PluginSender sender;
        std::vector<std::string> log;
        Recorder<PluginPing> byObject(log, "object");
        Recorder<PluginPing> byType(log, "type");
        byObject.subscribe(&sender);
        byType.subscribeAll<PluginSender>();
        PubSub::publish(PluginPing(&sender));
        PubSub::publish(PluginPing(nullptr));
        EXPECT_THAT(log, ElementsAre("object", "type", "type"));
    }
}
