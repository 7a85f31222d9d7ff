#include "BusTestTypes.h"
#include <BusCounts.h>

using namespace BusTest;
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
        both.unsubscribe(&second);
        both.unsubscribeAll<Sender>();
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
