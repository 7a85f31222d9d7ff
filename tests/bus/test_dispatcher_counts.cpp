#include "BusTestTypes.h"
#include <BusCounts.h>
#include <gtest/gtest.h>

#include <ostream>

using namespace BusTest;
using Counts = PubSub::Details::Dispatcher::Counts;

namespace {

Counts counts()
{
    return PubSub::Details::Dispatcher::instance().counts();
}

class PingPong : public PubSub::Subscriber<Ping, Pong> {
    void handle(const Ping&) override { }
    void handle(const Pong&) override { }
};

} // namespace

TEST(DispatcherCounts, RiseWithEverySubscriberRegistrationAndSubscriptionAndReturnToTheBaseline)
{
    const Counts baseline = counts();
    {
        std::vector<std::string> log;
        PingPong both;
        Recorder<Pong> pong(log, "pong");
        const Sender first, second;
        both.subscribe(&first);
        both.subscribe(&second);
        both.subscribe(&second);
        pong.subscribe(&first);
        both.subscribeAll<Sender>();

        Counts expected = baseline;
        expected.subscribers += 2;
        expected.registrations += 3;
        expected.objectSubscriptions += 3;
        expected.typeSubscriptions += 1;
        expected.indexedSenders += 4; // first and second, for Ping and for Pong
        expected.senderEntries += 5;
        expected.senderTypeEntries += 2;
        EXPECT_EQ(counts(), expected);

        both.unsubscribe(&second);
        both.unsubscribeAll<Sender>();
        pong.onMessage = [](const Pong&) { throw 1; };
        EXPECT_ANY_THROW(PubSub::publish(Pong(&first)));
        expected.objectSubscriptions -= 1;
        expected.typeSubscriptions -= 1;
        expected.indexedSenders -= 2;
        expected.senderEntries -= 2;
        expected.senderTypeEntries -= 2;
        EXPECT_EQ(counts(), expected);
        {
            const Sender brief;
            pong.subscribe(&brief);
        }
        EXPECT_EQ(counts(), expected);
    }
    EXPECT_EQ(counts(), baseline);
}
