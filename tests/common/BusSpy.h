#pragma once

#include <BusClient.h>

#include <any>
#include <functional>
#include <memory>
#include <tuple>
#include <typeindex>
#include <vector>

namespace Testing {

// Every message a spy heard, in the order delivered.
class BusLog {
public:
    struct Entry {
        std::type_index type;
        const PubSub::Object* sender;
        std::any message; // a copy of the message
    };

    std::vector<Entry> entries;

    template <class M>
    std::vector<M> all() const
    {
        std::vector<M> result;
        for (const Entry& e : entries)
            if (e.type == typeid(M))
                result.push_back(std::any_cast<M>(e.message));
        return result;
    }
    std::vector<std::type_index> types() const
    {
        std::vector<std::type_index> result;
        for (const Entry& e : entries)
            result.push_back(e.type);
        return result;
    }
    void clear() { entries.clear(); }
};

// The message types M in order, to compare with BusLog::types().
template <class... M>
std::vector<std::type_index> typesOf()
{
    return { std::type_index(typeid(M))... };
}

// Hears every M sent by any sender of M's declared sender type, records a copy,
// then runs answer (if set), which may publish a reply nested in the publish.
template <class M>
class Listener : private PubSub::Subscriber<M> {
public:
    using Sender = PubSub::Details::SenderType<M>;

    explicit Listener(BusLog& log)
        : m_log(log)
    {
        this->template subscribeAll<Sender>();
    }
    ~Listener() override { this->template unsubscribeAll<Sender>(); }

    std::function<void(const M&)> answer;

private:
    void handle(const M& message) override
    {
        m_log.entries.push_back({ std::type_index(typeid(M)), message.object, std::any(message) });
        if (answer)
            answer(message);
    }

    BusLog& m_log;
};

// A scripted stand-in for the answering services: records the listed message
// types in one log and answers as the test says.
template <class... M>
class BusSpy {
public:
    BusSpy()
        : m_listeners(std::make_unique<Listener<M>>(log)...)
    {
    }

    template <class X>
    void answer(std::function<void(const X&)> reply)
    {
        std::get<std::unique_ptr<Listener<X>>>(m_listeners)->answer = std::move(reply);
    }

    BusLog log;

private:
    std::tuple<std::unique_ptr<Listener<M>>...> m_listeners;
};

} // namespace Testing
