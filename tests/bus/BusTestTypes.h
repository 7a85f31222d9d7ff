#pragma once

#include <BusClient.h>
#include <gmock/gmock.h>

#include <functional>

namespace BusTest {

class Sender : public virtual PubSub::Object { };

class DerivedSender : public Sender { };

struct Ping : Message::Types::Request<Sender> {
    using Request::Request;
    int value = 0;
};

struct Pong : Message::Types::Notification<Sender> {
    using Notification::Notification;
    int value = 0;
};

// Shown to the bus first by the plugin, which is unloaded afterwards; nothing
// else in the tests may use them before.
class PluginSender : public virtual PubSub::Object { };

struct PluginPing : Message::Types::Notification<PluginSender> {
    using Notification::Notification;
};

// The names of the recorders that heard a message, in the order they heard it.
inline std::vector<std::string> heard;

// Hears M from the senders it subscribes to: adds its name to heard, then runs
// onMessage (which may publish, subscribe or throw).
template <class M>
struct Recorder : PubSub::Subscriber<M> {
    explicit Recorder(std::string name)
        : name(std::move(name))
    {
    }
    void handle(const M& message) override
    {
        heard.push_back(name);
        if (onMessage)
            onMessage(message);
    }
    const std::string name;
    std::function<void(const M&)> onMessage;
};

// One sender, and heard emptied before each test.
struct Bus : ::testing::Test {
    Bus() { heard.clear(); }

    const Sender sender;
};

} // namespace BusTest
