#include "BusTestTypes.h"
#include <gmock/gmock.h>

#include <memory>

using namespace BusTest;
using testing::ElementsAre;

// The request/answer pattern: the requester subscribes to the sender, publishes the
// request and has the answer when publish returns.
TEST(DispatcherNested, AnswerPublishedInsideAHandlerReachesTheRequesterDuringPublish)
{
    const Sender sender;
    std::vector<std::string> log;
    Recorder<Ping> service(log, "request");
    service.subscribeAll<Sender>();
    service.onMessage = [&](const Ping& ping) {
        PubSub::publish(Pong(ping.object, ping.value * 2));
        log.push_back("request handled");
    };
    int answer = -1;
    Recorder<Pong> requester(log, "answer");
    requester.onMessage = [&](const Pong& pong) { answer = pong.value; };

    requester.subscribe(&sender);
    PubSub::publish(Ping(&sender, 21));
    EXPECT_EQ(answer, 42);
    EXPECT_THAT(log, ElementsAre("request", "answer", "request handled"));
}

TEST(DispatcherNested, SubscriberAddedDuringPublishIsCalledFromTheNextMessageOn)
{
    const Sender sender;
    std::vector<std::string> log;
    Recorder<Ping> early(log, "early");
    early.subscribe(&sender);
    std::unique_ptr<Recorder<Ping>> late;
    Recorder<Ping> subscribedLate(log, "subscribed late");
    early.onMessage = [&](const Ping&) {
        if (late)
            return;
        late = std::make_unique<Recorder<Ping>>(log, "registered late");
        late->subscribe(&sender);
        subscribedLate.subscribe(&sender);
    };

    PubSub::publish(Ping(&sender));
    EXPECT_THAT(log, ElementsAre("early"));
    PubSub::publish(Ping(&sender));
    EXPECT_THAT(log, ElementsAre("early", "early", "subscribed late", "registered late"));
}

TEST(DispatcherNested, SubscriberUnsubscribedDuringPublishStillGetsTheMessageInFlight)
{
    const Sender sender;
    std::vector<std::string> log;
    Recorder<Ping> first(log, "first");
    Recorder<Ping> second(log, "second");
    first.subscribe(&sender);
    second.subscribe(&sender);
    first.onMessage = [&](const Ping&) { second.unsubscribe(&sender); };

    PubSub::publish(Ping(&sender));
    PubSub::publish(Ping(&sender));
    EXPECT_THAT(log, ElementsAre("first", "second", "first"));
}
