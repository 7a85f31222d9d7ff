// Run under ThreadSanitizer by scripts/test.sh: the dispatcher's lock shows there.

#include "BusTestTypes.h"

#include <atomic>
#include <memory>
#include <thread>

using namespace BusTest;

namespace {

class Counter : public PubSub::Subscriber<Ping, Pong> {
public:
    std::atomic<int> pings { 0 }, pongs { 0 };

private:
    void handle(const Ping&) override { ++pings; }
    void handle(const Pong&) override { ++pongs; }
};

} // namespace

// Every thread registers, subscribes, publishes and destroys its own subscribers and
// senders (so addresses get reused across threads) while all of them also publish to
// one shared sender.
TEST(DispatcherThreads, ConcurrentRegistrationSubscriptionAndPublishingLoseAndMixNothing)
{
    constexpr int threadCount = 4, rounds = 100;
    const Sender hub;
    Counter hubCounter, allCounter;
    hubCounter.subscribe(&hub);
    allCounter.subscribeAll<Sender>();
    std::atomic<int> wrongCounts { 0 };

    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < rounds; ++i) {
                auto own = std::make_unique<Sender>();
                Counter local;
                local.subscribe(own.get());
                PubSub::publish(Ping(own.get()));
                PubSub::publish(Pong(own.get()));
                PubSub::publish(Ping(&hub));
                if (i % 2)
                    own.reset(); // the subscription ends with the sender
                else
                    local.unsubscribe(own.get());
                PubSub::publish(Ping(own.get()));
                if (local.pings != 1 || local.pongs != 1)
                    ++wrongCounts;
            }
        });
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_EQ(wrongCounts, 0);
    EXPECT_EQ(hubCounter.pings, threadCount * rounds);
    // Every message of every round, the null-object ones included.
    EXPECT_EQ(allCounter.pings, threadCount * rounds * 3);
    EXPECT_EQ(allCounter.pongs, threadCount * rounds);
}
