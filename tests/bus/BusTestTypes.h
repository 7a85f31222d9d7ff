#pragma once

#include <BusClient.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace BusTest {

class Sender : public virtual PubSub::Object { };

class DerivedSender : public Sender { };

struct Ping : Message::Types::Request<Sender> {
    explicit Ping(const Sender* sender, int v = 0)
        : Request(sender)
        , value(v)
    {
    }
    int value;
};

struct Pong : Message::Types::Notification<Sender> {
    explicit Pong(const Sender* sender, int v = 0)
        : Notification(sender)
        , value(v)
    {
    }
    int value;
};

// Hears M from the senders it subscribes to: writes its name to a shared log,
// then runs onMessage (which may publish, subscribe or throw).
template <class M>
class Recorder : public PubSub::Subscriber<M> {
public:
    Recorder(std::vector<std::string>& log, std::string name)
        : m_log(log)
        , m_name(std::move(name))
    {
    }

    std::function<void(const M&)> onMessage;

private:
    void handle(const M& message) override
    {
        m_log.push_back(m_name);
        if (onMessage)
            onMessage(message);
    }

    std::vector<std::string>& m_log;
    std::string m_name;
};

} // namespace BusTest
