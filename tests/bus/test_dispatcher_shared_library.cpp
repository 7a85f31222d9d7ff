#include "BusTestTypes.h"
#include <dlfcn.h>

using namespace BusTest;
using testing::ElementsAre;
using DispatcherSharedLibrary = Bus;

namespace {

// The function name of the plugin, which it loads into plugin.
template <class F>
F* pluginFunction(void*& plugin, const char* name)
{
    plugin = dlopen(BUS_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    return plugin ? reinterpret_cast<F*>(dlsym(plugin, name)) : nullptr;
}

} // namespace

TEST_F(DispatcherSharedLibrary, TypeSeenThroughAnotherLibrarysTypeInfoIsTheSameType)
{
    void* plugin = nullptr;
    const auto publishPing = pluginFunction<const char*(const Sender*)>(plugin, "busPluginPublishPing");
    ASSERT_NE(publishPing, nullptr) << dlerror();
    Recorder<Ping> byObject("object"), byType("type");
    byObject.subscribe(&sender);
    byType.subscribeAll<Sender>();

    const char* pluginName = publishPing(&sender);
    // Otherwise this test would not exercise two type_info objects of one type.
    ASSERT_NE(static_cast<const void*>(pluginName), static_cast<const void*>(typeid(Ping).name()));
    ASSERT_STREQ(pluginName, typeid(Ping).name());
    PubSub::publish(Ping(&sender));
    publishPing(nullptr);
    EXPECT_THAT(heard, ElementsAre("object", "type", "object", "type", "type"));
    EXPECT_EQ(dlclose(plugin), 0);
}

TEST_F(DispatcherSharedLibrary, TypesFirstSeenInAnUnloadedPluginStillWork)
{
    // Twice: the second load may put the plugin's names back at their old addresses.
    for (int round = 0; round < 2; ++round) {
        void* plugin = nullptr;
        const auto run = pluginFunction<int(const char**)>(plugin, "busPluginRunPluginPing");
        ASSERT_NE(run, nullptr) << dlerror();
        const char* pluginName = nullptr;
        EXPECT_EQ(run(&pluginName), 1);
        // Otherwise the plugin's names would not be the ones that go away.
        ASSERT_NE(static_cast<const void*>(pluginName), static_cast<const void*>(typeid(PluginPing).name()));
        ASSERT_EQ(dlclose(plugin), 0);
        ASSERT_EQ(dlopen(BUS_PLUGIN, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the plugin stayed loaded";

        heard.clear();
        const PluginSender pluginSender;
        Recorder<PluginPing> byObject("object"), byType("type");
        byObject.subscribe(&pluginSender);
        byType.subscribeAll<PluginSender>();
        PubSub::publish(PluginPing(&pluginSender));
        PubSub::publish(PluginPing(nullptr));
        EXPECT_THAT(heard, ElementsAre("object", "type", "type"));
    }
}
