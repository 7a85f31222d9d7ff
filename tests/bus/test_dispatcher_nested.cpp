#include "BusTestTypes.h"

#include <gmock/gmock.h>
#include <memory>

using namespace BusTest;
using testing::ElementsAre;

namespace {

// The request/answer pattern: subscribe to the sender, publish the request,
// read the answer that arrived during publish.
class Requester : private PubSub::Publisher<Ping>, private PubSub::Subscriber<Pong> {
public:
    explicit Requester(std::vector<std::string>& log)
        : m_log(log)
    {
    }

    int ask(const Sender& sender, int question)
    {
        subscribe(&sender);
        publish(Ping(&sender, question));
        unsubscribe(&sender);
        return answer;
    }

    int answer = -1;

private:
    void handle(const Pong& pong) override
    {
        m_log.push_back("answer");
        answer = pong.value;
    }

    std::vector<std::string>& m_log;
};

} // namespace

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

    Requester requester(log);
    EXPECT_EQ(requester.ask(sender, 21), 42);
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
