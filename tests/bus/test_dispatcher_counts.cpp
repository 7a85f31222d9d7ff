#include "BusTestTypes.h"
#include <BusCounts.h>

namespace PubSub::Details {

struct DispatcherProbe {
    static void watchRegistrations(Dispatcher::RegistrationHook hook)
    {
        Dispatcher::instance().setRegistrationHook(hook);
    }
};

} // namespace PubSub::Details

using namespace BusTest;
using testing::ElementsAre;
using Counts = PubSub::Details::Dispatcher::Counts;
using DispatcherCounts = Bus;

namespace {

Counts counts()
{
    return PubSub::Details::Dispatcher::instance().counts();
}

class PingPong : public PubSub::Subscriber<Ping, Pong> {
    void handle(const Ping&) override { heard.push_back("ping"); }
    void handle(const Pong&) override { heard.push_back("pong"); }
};

// Each registration ("+") and unregistration ("-") of a message type.
std::vector<std::string> registrations;

} // namespace

TEST_F(DispatcherCounts, RiseWithEverySubscriberRegistrationAndSubscriptionAndReturnToTheBaseline)
{
    const Counts b = counts();
    {
        PingPong both;
        Recorder<Pong> pong("pong");
        const Sender second;
        both.subscribe(&sender);
        both.subscribe(&second);
        both.subscribe(&second);
        pong.subscribe(&sender);
        both.subscribeAll<Sender>();
        // The indexed senders: both senders, for Ping and for Pong.
        EXPECT_EQ(counts(),
            (Counts { b.subscribers + 2, b.registrations + 3, b.objectSubscriptions + 3,
                b.typeSubscriptions + 1, b.indexedSenders + 4, b.senderEntries + 5,
                b.senderTypeEntries + 2 }));

        both.unsubscribe(&second);
        both.unsubscribeAll<Sender>();
        pong.onMessage = [](const Pong&) { throw 1; };
        EXPECT_ANY_THROW(PubSub::publish(Pong(&sender)));
        {
            const Sender brief;
            pong.subscribe(&brief);
        }
        EXPECT_EQ(counts(),
            (Counts { b.subscribers + 2, b.registrations + 3, b.objectSubscriptions + 2, b.typeSubscriptions,
                b.indexedSenders + 2, b.senderEntries + 3, b.senderTypeEntries }));
    }
    EXPECT_EQ(counts(), b);
}

TEST_F(DispatcherCounts, TypesRegisterInArgumentOrderUnregisterInReverseAndShareOneSubscription)
{
    registrations.clear();
    PubSub::Details::DispatcherProbe::watchRegistrations(
        [](bool registered, const void*, const std::string& type) {
            registrations.push_back(
                (registered ? "+" : "-") + std::string(type == typeid(Ping).name() ? "Ping" : "Pong"));
        });
    {
        PingPong subscriber;
        subscriber.subscribe(&sender);
        PubSub::publish(Pong(&sender));
        PubSub::publish(Ping(&sender));
    }
    PubSub::Details::DispatcherProbe::watchRegistrations(nullptr);
    EXPECT_THAT(heard, ElementsAre("pong", "ping"));
    EXPECT_THAT(registrations, ElementsAre("+Ping", "+Pong", "-Pong", "-Ping"));
}
