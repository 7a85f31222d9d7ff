#pragma once

#include <atomic>

namespace PubSub {
namespace Details {
class Dispatcher;
}

// Sender identity on the bus. A copy is a new sender: subscriptions follow the
// original object only. Destroying an object ends every subscription to it, so a
// later object at the same address is never mistaken for it.
class Object {
public:
    Object() noexcept = default;
    Object(const Object&) noexcept
        : Object()
    {
    }
    Object& operator=(const Object&) noexcept { return *this; }
    virtual ~Object();

private:
    friend class Details::Dispatcher;
    // Set once anything subscribes to this object, so that destroying the
    // (many) objects nobody ever subscribed to costs no trip to the dispatcher.
    mutable std::atomic<bool> m_subscribedTo { false };
};

} // namespace PubSub
