#include "BusUnloadPlugin.h"

int busUnloadPluginRun(const char** typeName)
{
    *typeName = typeid(BusTest::PluginPing).name();
    std::vector<std::string> log;
    BusTest::Recorder<BusTest::PluginPing> recorder(log, "plugin");
    recorder.subscribeAll<BusTest::PluginSender>();
    PubSub::publish(BusTest::PluginPing(nullptr));
    return static_cast<int>(log.size());
}
