#pragma once

#include <atomic>

/// @file
/// Sender identity on the bus.

namespace PubSub {
namespace Details {
class Dispatcher;
}

/// Sender identity on the bus. A copy is a new sender: subscriptions follow the
/// original object only. Destroying an object ends every subscription to it, so a
/// later object at the same address is never mistaken for it.
class Object {
public:
    Object() noexcept = default;
    /// A new sender: nothing that listens to the original listens to the copy.
    Object(const Object&) noexcept
        : Object()
    {
    }
    /// Keeps this object's subscriptions; the identity is not assigned.
    Object& operator=(const Object&) noexcept { return *this; }
    /// Ends every subscription to this object.
    virtual ~Object();

private:
    friend class Details::Dispatcher;
    // Set once anything subscribes to this object, so that destroying the
    // (many) objects nobody ever subscribed to costs no trip to the dispatcher.
    mutable std::atomic<bool> m_subscribedTo { false };
};

} // namespace PubSub
