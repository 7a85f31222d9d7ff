#include "BusTestTypes.h"
#include <dlfcn.h>

using namespace BusTest;
using testing::ElementsAre;
using DispatcherSharedLibrary = Bus;

TEST_F(DispatcherSharedLibrary, TypesSeenThroughAPluginsTypeInfoAreTheSameAndStillWorkOnceItIsUnloaded)
{
    Recorder<Ping> byObject("object"), byType("type");
    byObject.subscribe(&sender);
    byType.subscribeAll<Sender>();
    // Twice: the second load may put the plugin's names back at their old addresses.
    for (int round = 0; round < 2; ++round) {
        void* plugin = dlopen(BUS_PLUGIN, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(plugin, nullptr) << dlerror();
        const auto publishPing
            = reinterpret_cast<const char* (*)(const Sender*)>(dlsym(plugin, "busPluginPublishPing"));
        const auto runPluginPing
            = reinterpret_cast<int (*)(const char**)>(dlsym(plugin, "busPluginRunPluginPing"));
        ASSERT_TRUE(publishPing && runPluginPing);
        heard.clear();
        const char* pingName = publishPing(&sender);
        publishPing(nullptr);
        const char* pluginPingName = nullptr;
        EXPECT_EQ(runPluginPing(&pluginPingName), 1);
        // Otherwise this test would not exercise two type_info objects of one type.
        ASSERT_NE(static_cast<const void*>(pingName), static_cast<const void*>(typeid(Ping).name()));
        ASSERT_STREQ(pingName, typeid(Ping).name());
        ASSERT_EQ(dlclose(plugin), 0);
        ASSERT_EQ(dlopen(BUS_PLUGIN, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the plugin stayed loaded";

        const PluginSender pluginSender;
        Recorder<PluginPing> pluginByObject("plugin object"), pluginByType("plugin type");
        pluginByObject.subscribe(&pluginSender);
        pluginByType.subscribeAll<PluginSender>();
        PubSub::publish(PluginPing(&pluginSender));
        PubSub::publish(PluginPing(nullptr));
        EXPECT_THAT(
            heard, ElementsAre("object", "type", "type", "plugin object", "plugin type", "plugin type"));
    }
}
