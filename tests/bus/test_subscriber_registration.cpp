#include "BusTestTypes.h"
#include <gmock/gmock.h>

#include <string>

namespace PubSub {
namespace Details {

struct DispatcherProbe {
    static void watchRegistrations(Dispatcher::RegistrationHook hook)
    {
        Dispatcher::instance().setRegistrationHook(hook);
    }
};

} // namespace Details
} // namespace PubSub

using namespace BusTest;
using testing::ElementsAre;

namespace {

struct Event {
    bool registered;
    const void* handler;
    std::string type;
    bool operator==(const Event& o) const
    {
        return registered == o.registered && handler == o.handler && type == o.type;
    }
};

std::vector<Event> events;

void record(bool registered, const void* handler, const std::string& type)
{
    events.push_back({ registered, handler, type });
}

class PingPongSubscriber : public PubSub::Subscriber<Ping, Pong> {
public:
    std::vector<std::string> log;

private:
    void handle(const Ping&) override { log.push_back("ping"); }
    void handle(const Pong&) override { log.push_back("pong"); }
};

} // namespace

TEST(SubscriberRegistration, TypesRegisterInArgumentOrderUnregisterInReverseAndShareOneSubscription)
{
    events.clear();
    PubSub::Details::DispatcherProbe::watchRegistrations(&record);
    const void* pingHandler = nullptr;
    const void* pongHandler = nullptr;
    {
        PingPongSubscriber subscriber;
        pingHandler = static_cast<PubSub::Details::Subscriber<Ping>*>(&subscriber);
        pongHandler = static_cast<PubSub::Details::Subscriber<Pong>*>(&subscriber);
        const Sender sender;
        subscriber.subscribe(&sender);
        PubSub::publish(Pong(&sender));
        PubSub::publish(Ping(&sender));
        EXPECT_THAT(subscriber.log, ElementsAre("pong", "ping"));
    }
    PubSub::Details::DispatcherProbe::watchRegistrations(nullptr);

    const std::string ping = typeid(Ping).name(), pong = typeid(Pong).name();
    EXPECT_THAT(events,
        ElementsAre(Event { true, pingHandler, ping }, Event { true, pongHandler, pong },
            Event { false, pongHandler, pong }, Event { false, pingHandler, ping }));
}
