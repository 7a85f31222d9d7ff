// Delivering one message to one handler: over the bus, by a direct virtual call,
// by the floor the bus interface allows, by a Qt signal and by a Boost.Signals2
// signal; then the bus with many bystanders and many receivers, and one
// request/answer round trip of the persistent item helper.

#include "BusTypes.h"
#include <CollectionHelper.h>
#include <Effect/AudioEqualizer.h>
#include <PersistentItem.h>
#include <benchmark/benchmark.h>
#include <boost/signals2/signal.hpp>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace Bench {
namespace {

// Hidden from the optimiser, so that no mechanism's call can be devirtualised.
PingTarget* opaque(PingTarget* target)
{
    benchmark::DoNotOptimize(target);
    return target;
}

void checkCalls(benchmark::State& state, const PingHandler& handler, std::uint64_t perIteration)
{
    if (handler.calls != state.iterations() * perIteration)
        state.SkipWithError("the handler was not called once per delivery");
}

void BM_DirectVirtualCall(benchmark::State& state)
{
    PingHandler handler;
    PingTarget* target = opaque(&handler);
    const PingRequest request;
    for (auto _ : state) {
        target = opaque(target);
        target->handle(request);
    }
    checkCalls(state, handler, 1);
}
BENCHMARK(BM_DirectVirtualCall);

// What any implementation of the interface pays: the dispatcher hands back a
// std::deque<void*> by value, and the publisher calls each entry.
void BM_InterfaceFloor(benchmark::State& state)
{
    PingHandler handler;
    void* const address = opaque(&handler);
    const PingRequest request;
    for (auto _ : state) {
        std::deque<void*> handlers;
        handlers.push_back(address);
        // Escapes the list, so that building it cannot be optimised away.
        void** front = &handlers.front();
        benchmark::DoNotOptimize(front);
        for (void* entry : handlers)
            static_cast<PingTarget*>(entry)->handle(request);
    }
    checkCalls(state, handler, 1);
}
BENCHMARK(BM_InterfaceFloor);

// The floor of a dispatcher that may be used from several threads: the same, plus
// taking and releasing an uncontended std::mutex around the lookup.
void BM_InterfaceFloorLocked(benchmark::State& state)
{
    PingHandler handler;
    void* const address = opaque(&handler);
    const PingRequest request;
    std::mutex mutex;
    for (auto _ : state) {
        std::deque<void*> handlers;
        {
            const std::lock_guard<std::mutex> lock(mutex);
            handlers.push_back(address);
        }
        void** front = &handlers.front();
        benchmark::DoNotOptimize(front);
        for (void* entry : handlers)
            static_cast<PingTarget*>(entry)->handle(request);
    }
    checkCalls(state, handler, 1);
}
BENCHMARK(BM_InterfaceFloorLocked);

void BM_Publish(benchmark::State& state)
{
    Sender sender;
    PingHandler handler;
    handler.subscribe(&sender);
    PingRequest request;
    request.object = &sender;
    for (auto _ : state)
        PubSub::publish(request);
    checkCalls(state, handler, 1);
}
BENCHMARK(BM_Publish);

void BM_QtSignal(benchmark::State& state)
{
    PingHandler handler;
    QtPingSource source;
    QtPingSlot slot(opaque(&handler));
    QObject::connect(&source, &QtPingSource::ping, &slot, &QtPingSlot::onPing, Qt::DirectConnection);
    const PingRequest request;
    for (auto _ : state)
        emit source.ping(request);
    checkCalls(state, handler, 1);
}
BENCHMARK(BM_QtSignal);

void BM_BoostSignal(benchmark::State& state)
{
    PingHandler handler;
    PingTarget* const target = opaque(&handler);
    boost::signals2::signal<void(const PingRequest&)> signal;
    signal.connect([target](const PingRequest& request) { target->handle(request); });
    const PingRequest request;
    for (auto _ : state)
        signal(request);
    checkCalls(state, handler, 1);
}
BENCHMARK(BM_BoostSignal);

// One receiver among range(0) subscribers of the same message type listening to
// other senders and as many of another message type listening to the same sender.
void BM_PublishAmongNonReceivers(benchmark::State& state)
{
    const auto bystanders = static_cast<std::size_t>(state.range(0));
    Sender sender;
    std::vector<std::unique_ptr<Sender>> otherSenders;
    std::vector<std::unique_ptr<PingHandler>> otherListeners;
    std::vector<std::unique_ptr<OtherHandler>> otherTypes;
    for (std::size_t i = 0; i < bystanders; ++i) {
        otherSenders.push_back(std::make_unique<Sender>());
        otherListeners.push_back(std::make_unique<PingHandler>());
        otherListeners.back()->subscribe(otherSenders.back().get());
        otherTypes.push_back(std::make_unique<OtherHandler>());
        otherTypes.back()->subscribe(&sender);
    }
    PingHandler handler;
    handler.subscribe(&sender);

    PingRequest request;
    request.object = &sender;
    for (auto _ : state)
        PubSub::publish(request);
    checkCalls(state, handler, 1);
    state.counters["subscribers"] = static_cast<double>(2 * bystanders + 1);
}
BENCHMARK(BM_PublishAmongNonReceivers)->Arg(0)->Arg(10000);

void BM_PublishToReceivers(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    Sender sender;
    std::vector<std::unique_ptr<PingHandler>> handlers;
    for (std::size_t i = 0; i < count; ++i) {
        handlers.push_back(std::make_unique<PingHandler>());
        handlers.back()->subscribe(&sender);
    }
    PingRequest request;
    request.object = &sender;
    for (auto _ : state)
        PubSub::publish(request);
    checkCalls(state, *handlers.front(), 1);
}
BENCHMARK(BM_PublishToReceivers)->Arg(100);

void BM_QtSignalToSlots(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    QtPingSource source;
    std::vector<std::unique_ptr<PingHandler>> handlers;
    std::vector<std::unique_ptr<QtPingSlot>> receivers;
    for (std::size_t i = 0; i < count; ++i) {
        handlers.push_back(std::make_unique<PingHandler>());
        receivers.push_back(std::make_unique<QtPingSlot>(handlers.back().get()));
        QObject::connect(
            &source, &QtPingSource::ping, receivers.back().get(), &QtPingSlot::onPing, Qt::DirectConnection);
    }
    const PingRequest request;
    for (auto _ : state)
        emit source.ping(request);
    checkCalls(state, *handlers.front(), 1);
}
BENCHMARK(BM_QtSignalToSlots)->Arg(100);

void BM_BoostSignalToSlots(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    boost::signals2::signal<void(const PingRequest&)> signal;
    std::vector<std::unique_ptr<PingHandler>> handlers;
    for (std::size_t i = 0; i < count; ++i) {
        handlers.push_back(std::make_unique<PingHandler>());
        PingTarget* const target = handlers.back().get();
        signal.connect([target](const PingRequest& request) { target->handle(request); });
    }
    const PingRequest request;
    for (auto _ : state)
        signal(request);
    checkCalls(state, *handlers.front(), 1);
}
BENCHMARK(BM_BoostSignalToSlots)->Arg(100);

using EditorCollection::PersistentItem;
using EditorCollection::PersistentItemHelper;
using EditorCollection::StorePersistentItemNotification;
using EditorCollection::StorePersistentItemRequest;

// Answers every store of an effect record with success, without touching a file.
class InMemoryStore : private PubSub::Publisher<StorePersistentItemNotification<Effect::Object>>,
                      private PubSub::Subscriber<StorePersistentItemRequest<Effect::Object>> {
public:
    InMemoryStore() { this->subscribeAll<PersistentItem<Effect::Object>>(); }

    void handle(const StorePersistentItemRequest<Effect::Object>& request) override
    {
        StorePersistentItemNotification<Effect::Object> answer;
        answer.object = request.object;
        answer.success = true;
        this->publish(answer);
        ++stores;
    }

    std::uint64_t stores = 0;
};

void storeRoundTrips(benchmark::State& state, bool freshHelper)
{
    InMemoryStore service;
    const Effect::AudioEqualizer preset;
    PersistentItem<Effect::Object> record;
    record.item = &preset;
    const std::string path = "/presets/bench.xml";
    PersistentItemHelper<Effect::Object> helper;
    bool stored = true;
    for (auto _ : state) {
        if (freshHelper) {
            PersistentItemHelper<Effect::Object> own;
            stored &= own.store(&record, path);
        } else {
            stored &= helper.store(&record, path);
        }
    }
    if (!stored || service.stores != static_cast<std::uint64_t>(state.iterations()))
        state.SkipWithError("a store was not answered");
}

void BM_StoreRoundTrip(benchmark::State& state)
{
    storeRoundTrips(state, false);
}
BENCHMARK(BM_StoreRoundTrip);

// As the library calls it: a helper per operation.
void BM_StoreRoundTripFreshHelper(benchmark::State& state)
{
    storeRoundTrips(state, true);
}
BENCHMARK(BM_StoreRoundTripFreshHelper);

} // namespace
} // namespace Bench
