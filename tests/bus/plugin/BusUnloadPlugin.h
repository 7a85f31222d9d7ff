#pragma once

#include <BusTestTypes.h>

namespace BusTest {

// Shown to the bus first by the plugin, which is unloaded afterwards; nothing
// else in the tests may use them.
class PluginSender : public virtual PubSub::Object { };

struct PluginPing : Message::Types::Notification<PluginSender> {
    using Notification::Notification;
};

} // namespace BusTest

// Registers a subscriber to all PluginSenders, publishes one PluginPing with a
// null object, and returns how many reached it. typeName receives the plugin's
// own name of PluginPing, valid until the plugin is unloaded.
extern "C" __attribute__((visibility("default"))) int busUnloadPluginRun(const char** typeName);
