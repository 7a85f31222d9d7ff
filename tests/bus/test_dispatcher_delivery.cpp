#include "BusTestTypes.h"
#include <rapidcheck/gtest.h>

#include <new>

using namespace BusTest;
using testing::ElementsAre;
using DispatcherDelivery = Bus;

// Random subscribers made, subscribed, unsubscribed and destroyed, checked after every
// publish against a plain model: each live subscriber in the order it was made, once,
// when it follows the sender itself or all Senders (the only way to hear a null sender).
RC_GTEST_PROP(DeliveryModel, EveryPublishReachesExactlyTheCurrentSubscribersInTheOrderTheyWereMade, ())
{
    // Scattered addresses, so that senders collide in the dispatcher's index.
    static const std::vector<Sender> pool(2000);
    struct Model {
        std::unique_ptr<Recorder<Ping>> recorder;
        std::set<const Sender*> senders;
        bool all = false;
    };
    std::map<int, Model> live; // by the order made
    const auto ops = *rc::gen::container<std::vector<std::tuple<int, int, int, bool>>>(rc::gen::tuple(
        rc::gen::inRange(0, 5), rc::gen::inRange(0, 6), rc::gen::inRange(-1, 6), rc::gen::arbitrary<bool>()));
    int made = 0;
    for (const auto& [op, which, index, on] : ops) {
        const Sender* s = index < 0 ? nullptr : &pool[std::size_t(index) * 331];
        auto m = live.empty() ? live.end() : std::next(live.begin(), which % int(live.size()));
        if (op == 0 || m == live.end()) {
            live[made].recorder = std::make_unique<Recorder<Ping>>(std::to_string(made));
            ++made;
        } else if (op == 1) {
            live.erase(m);
        } else if (op == 2) {
            on ? m->second.recorder->subscribe(s) : m->second.recorder->unsubscribe(s);
            if (on && s)
                m->second.senders.insert(s);
            else
                m->second.senders.erase(s);
            RC_ASSERT(m->second.recorder->isSubscribed(s) == bool(m->second.senders.count(s)));
        } else if (op == 3) {
            on ? m->second.recorder->subscribeAll<Sender>() : m->second.recorder->unsubscribeAll<Sender>();
            m->second.all = on;
        } else {
            std::vector<std::string> expected;
            for (const auto& [number, model] : live)
                if (model.all || model.senders.count(s))
                    expected.push_back(std::to_string(number));
            heard.clear();
            PubSub::publish(Ping(s));
            RC_ASSERT(heard == expected);
        }
    }
}

TEST_F(DispatcherDelivery, ThrowingHandlerStopsPublishingAndOnlyTheDeclaredSenderTypeCounts)
{
    const DerivedSender derived;
    Recorder<Ping> first("first"), byDynamicType("DerivedSender"), second("second");
    first.subscribeAll<Sender>();
    byDynamicType.subscribeAll<DerivedSender>();
    second.subscribe(&sender);
    PubSub::publish(Ping(&derived));
    PubSub::publish(Pong(&sender));
    first.onMessage = [](const Ping&) { throw std::runtime_error("refused"); };
    EXPECT_THROW(PubSub::publish(Ping(&sender)), std::runtime_error);
    EXPECT_THAT(heard, ElementsAre("first", "first"));
}

TEST_F(DispatcherDelivery, ADestroyedSendersAddressOrACopyIsAStrangerWhileAssignmentKeepsIdentity)
{
    alignas(Sender) unsigned char storage[sizeof(Sender)];
    Recorder<Ping> recorder("recorder");
    const Sender* old = new (storage) Sender;
    recorder.subscribe(old);
    old->~Sender();
    const Sender* reborn = new (storage) Sender;
    PubSub::publish(Ping(reborn));
    recorder.subscribe(reborn);
    PubSub::publish(Ping(reborn));
    reborn->~Sender();

    Sender original;
    recorder.subscribe(&original);
    Sender copy(original);
    PubSub::publish(Ping(&copy));
    original = copy;
    PubSub::publish(Ping(&original));
    EXPECT_THAT(heard, ElementsAre("recorder", "recorder"));
}
