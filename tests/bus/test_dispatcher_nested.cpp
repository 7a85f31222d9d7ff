#include "BusTestTypes.h"

using namespace BusTest;
using testing::ElementsAre;
using DispatcherNested = Bus;

// The request/answer pattern: the requester subscribes to the sender, publishes the
// request and has the answer when publish returns.
TEST_F(DispatcherNested, AnswerPublishedInsideAHandlerReachesTheRequesterDuringPublish)
{
    Recorder<Ping> service("request");
    service.subscribeAll<Sender>();
    service.onMessage = [](const Ping& ping) {
        Pong pong(ping.object);
        pong.value = ping.value * 2;
        PubSub::publish(pong);
        heard.push_back("request handled");
    };
    int answer = -1;
    Recorder<Pong> requester("answer");
    requester.onMessage = [&](const Pong& pong) { answer = pong.value; };

    requester.subscribe(&sender);
    Ping ping(&sender);
    ping.value = 21;
    PubSub::publish(ping);
    EXPECT_EQ(answer, 42);
    EXPECT_THAT(heard, ElementsAre("request", "answer", "request handled"));
}

// The list of handlers is fetched before any is called.
TEST_F(DispatcherNested, SubscriptionsChangedDuringPublishApplyFromTheNextMessageOn)
{
    Recorder<Ping> early("early"), unsubscribed("unsubscribed"), subscribedLate("subscribed late");
    std::unique_ptr<Recorder<Ping>> late;
    early.subscribe(&sender);
    unsubscribed.subscribe(&sender);
    early.onMessage = [&](const Ping&) {
        if (late)
            return;
        unsubscribed.unsubscribe(&sender);
        late = std::make_unique<Recorder<Ping>>("registered late");
        late->subscribe(&sender);
        subscribedLate.subscribe(&sender);
    };
    PubSub::publish(Ping(&sender));
    PubSub::publish(Ping(&sender));
    EXPECT_THAT(heard, ElementsAre("early", "unsubscribed", "early", "subscribed late", "registered late"));
}
