// Run under ThreadSanitizer by scripts/test.sh: the dispatcher's lock shows there.

#include "BusTestTypes.h"

#include <array>
#include <atomic>
#include <memory>
#include <thread>
#include <utility>

using namespace BusTest;

namespace {

class Counter : public PubSub::Subscriber<Ping, Pong> {
public:
    std::atomic<int> pings { 0 }, pongs { 0 };

private:
    void handle(const Ping&) override { ++pings; }
    void handle(const Pong&) override { ++pongs; }
};

template <int N>
struct Fresh : Message::Types::Notification<Sender> {
    using Notification::Notification;
};

template <int N>
struct FreshCounter : PubSub::Subscriber<Fresh<N>> {
    std::atomic<int> heard { 0 };
    void handle(const Fresh<N>&) override { ++heard; }
};

// Registers for and publishes message type N, new to the dispatcher on its first use
// (its record and type cache are written then); true when heard once.
template <int N>
bool freshRoundTrip(const Sender* sender)
{
    FreshCounter<N> counter;
    counter.subscribe(sender);
    PubSub::publish(Fresh<N>(sender));
    return counter.heard == 1;
}

template <std::size_t... N>
constexpr std::array<bool (*)(const Sender*), sizeof...(N)> freshTypes(std::index_sequence<N...>)
{
    return { &freshRoundTrip<int(N)>... };
}

} // namespace

// Every thread registers, subscribes, publishes and destroys its own subscribers and
// senders (so addresses get reused across threads) while all of them also publish to
// one shared sender, subscribes to it (writing its handler lists while others publish
// there), and meets message types that are new to the dispatcher.
TEST(DispatcherThreads, ConcurrentRegistrationSubscriptionAndPublishingLoseAndMixNothing)
{
    constexpr int threadCount = 4, rounds = 100;
    const Sender hub;
    Counter hubCounter, allCounter;
    hubCounter.subscribe(&hub);
    allCounter.subscribeAll<Sender>();
    std::atomic<int> wrongCounts { 0 };

    constexpr auto fresh = freshTypes(std::make_index_sequence<64>());
    // Outlive every publish to the hub: a list fetched by another thread may name them.
    std::vector<Counter> onHub(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < rounds; ++i) {
                const int heardBefore = onHub[std::size_t(t)].pings;
                onHub[std::size_t(t)].subscribe(&hub);
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
                const Sender mine;
                if (!fresh[std::size_t(t * 16 + i) % fresh.size()](&mine))
                    ++wrongCounts;
                if (local.pings != 1 || local.pongs != 1 || onHub[std::size_t(t)].pings <= heardBefore)
                    ++wrongCounts;
                onHub[std::size_t(t)].unsubscribe(&hub);
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
