#include "BusTestTypes.h"
#include <BusCounts.h>
#include <dlfcn.h>
#include <rapidcheck/gtest.h>

#include <new>

using namespace BusTest;
using testing::ElementsAre;

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

TEST_F(Bus, ThrowingHandlerStopsPublishingAndOnlyTheDeclaredSenderTypeCounts)
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

TEST_F(Bus, ADestroyedSendersAddressOrACopyIsAStrangerWhileAssignmentKeepsIdentity)
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
    for (const Sender& more : std::vector<Sender>(20)) // the sender index grows, keeping original
        recorder.subscribe(&more);
    PubSub::publish(Ping(&original));
    EXPECT_THAT(heard, ElementsAre("recorder", "recorder", "recorder"));
}

// The request/answer pattern: the requester subscribes to the sender, publishes the
// request and has the answer when publish returns.
TEST_F(Bus, AnswerPublishedInsideAHandlerReachesTheRequesterDuringPublish)
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
TEST_F(Bus, SubscriptionsChangedDuringPublishApplyFromTheNextMessageOn)
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

struct PingPong : PubSub::Subscriber<Ping, Pong> {
    void handle(const Ping&) override { }
    void handle(const Pong&) override { }
};

TEST_F(Bus, CountsRiseWithEverySubscriberRegistrationAndSubscriptionAndReturnToTheBaseline)
{
    const auto counts = [] { return PubSub::Details::Dispatcher::instance().counts(); };
    const auto b = counts();
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
            (decltype(b) { b.subscribers + 2, b.registrations + 3, b.objectSubscriptions + 2,
                b.typeSubscriptions, b.indexedSenders + 2, b.senderEntries + 3, b.senderTypeEntries }));
    }
    EXPECT_EQ(counts(), b);
}

namespace PubSub::Details {
struct DispatcherProbe {
    static void watch(Dispatcher::RegistrationHook hook) { Dispatcher::instance().setRegistrationHook(hook); }
};
} // namespace PubSub::Details

std::vector<std::string> registrations; // "+Ping", "-Pong", ...

TEST_F(Bus, TypesRegisterInArgumentOrderAndUnregisterInReverse)
{
    PubSub::Details::DispatcherProbe::watch([](bool registered, const void*, const std::string& type) {
        registrations.push_back(
            (registered ? "+" : "-") + std::string(type == typeid(Ping).name() ? "Ping" : "Pong"));
    });
    PingPong {};
    PubSub::Details::DispatcherProbe::watch(nullptr);
    EXPECT_THAT(registrations, ElementsAre("+Ping", "+Pong", "-Pong", "-Ping"));
}

TEST_F(Bus, TypesSeenThroughAPluginsTypeInfoAreTheSameAndStillWorkOnceItIsUnloaded)
{
    Recorder<Ping> byObject("object"), byType("type");
    byObject.subscribe(&sender);
    byType.subscribeAll<Sender>();
    // Twice: the second load may put the plugin's names back at their old addresses.
    for (int round = 0; round < 2; ++round) {
        void* plugin = dlopen(BUS_PLUGIN, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(plugin, nullptr) << dlerror();
        const auto publishPing
            = reinterpret_cast<const char* (*)(const Sender*)>(dlsym(plugin, "busPluginPublishPing"));
        const auto runPluginPing
            = reinterpret_cast<int (*)(const char**)>(dlsym(plugin, "busPluginRunPluginPing"));
        ASSERT_TRUE(publishPing && runPluginPing);
        heard.clear();
        const char* pingName = publishPing(&sender);
        publishPing(nullptr);
        const char* pluginPingName = nullptr;
        EXPECT_EQ(runPluginPing(&pluginPingName), 1);
        // Otherwise this test would not exercise two type_info objects of one type.
        ASSERT_NE(static_cast<const void*>(pingName), static_cast<const void*>(typeid(Ping).name()));
        ASSERT_STREQ(pingName, typeid(Ping).name());
        ASSERT_EQ(dlclose(plugin), 0);
        ASSERT_EQ(dlopen(BUS_PLUGIN, RTLD_NOW | RTLD_NOLOAD), nullptr) << "the plugin stayed loaded";

        const PluginSender pluginSender;
        Recorder<PluginPing> pluginByObject("plugin object"), pluginByType("plugin type");
        pluginByObject.subscribe(&pluginSender);
        pluginByType.subscribeAll<PluginSender>();
        PubSub::publish(PluginPing(&pluginSender));
        PubSub::publish(PluginPing(nullptr));
        EXPECT_THAT(
            heard, ElementsAre("object", "type", "type", "plugin object", "plugin type", "plugin type"));
    }
}
