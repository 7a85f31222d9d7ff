#pragma once

/// @file
/// Client side of the editor's bus: message classes, publisher and subscriber
/// bases, and publish. Publishing is synchronous: every handler has run when
/// publish returns, and handlers may publish in turn (answers to a request arrive
/// nested inside its publish).

#include <PubSub/Dispatcher.h>
#include <PubSub/Object.h>

#include <cstddef>
#include <deque>
#include <type_traits>
#include <typeindex>
#include <typeinfo>

/// The editor's publish/subscribe bus.
namespace PubSub {
/// The machinery under the bus's client classes.
namespace Details {

/// Base of every message, so that the dispatcher can take any message by reference.
class MessageBase {
public:
    virtual ~MessageBase() = default;
};

template <class N>
class Subscriber;

} // namespace Details

/// A message about one object of type @p T; @ref object is what the bus routes by.
template <class T>
class Message : public Details::MessageBase {
public:
    Message() = default;
    /// A message about @p sender, which it does not own.
    explicit Message(const T* sender)
        : object(sender)
    {
    }

    /// The sender the message is about, not owned. A null sender reaches only the
    /// subscribers to all senders of @p T.
    const T* object = nullptr;
};

namespace Details {

/// The declared type of a message's object field: the sender type the bus routes by.
template <class M>
using SenderType = std::remove_const_t<std::remove_pointer_t<decltype(std::declval<const M&>().object)>>;

/// Steps 2 to 5 of publishing, given the dispatcher. Both type arguments are static
/// types: @p M as declared by the caller and the declared type of M::object.
template <class M>
void deliver(Dispatcher& dispatcher, const M& message)
{
    const PubSub::Object* sender = message.object;
    const std::deque<void*> handlers
        = dispatcher.getSubscribers(message, typeid(M), sender, typeid(SenderType<M>));
    for (void* handler : handlers)
        static_cast<Subscriber<M>*>(handler)->handle(message);
}

} // namespace Details

/// Delivers @p message to every handler registered for @p M whose subscriber listens to
/// its object (or to all senders of the object's declared type), in registration order.
/// Returns when all of them have run; an exception from a handler reaches the caller.
template <class M>
void publish(const M& message)
{
    Details::deliver(Details::Dispatcher::instance(), message);
}

/// Declares that a class sends the given message types; carries no data.
template <class... M>
class Publisher;

/// A publisher of one message type.
template <class M>
class Publisher<M> {
public:
    virtual ~Publisher() = default;

    /// Publishes @p message on the bus, as PubSub::publish does.
    void publish(const M& message) const { PubSub::publish(message); }
};

/// A publisher of several message types: one publish overload per type.
template <class M1, class M2, class... Rest>
class Publisher<M1, M2, Rest...> : public Publisher<M1>, public Publisher<M2, Rest...> {
public:
    using Publisher<M1>::publish;
    using Publisher<M2, Rest...>::publish;
};

namespace Details {

/// One handler slot; the object's address as a Subscriber<N> is its handler address.
template <class N>
class Subscriber : public virtual SubscriberBase {
public:
    /// Called for each message of type @p N from a sender the subscriber listens to.
    virtual void handle(const N& message) = 0;

protected:
    Subscriber() = default;
    ~Subscriber() override = default;
};

} // namespace Details

/// Registers one handler per message type, in argument order, for the object's
/// whole life; unregisters them in reverse order. All types share one
/// SubscriberBase, so subscribing to a sender applies to every handler at once.
template <class... N>
class Subscriber : public virtual Details::Subscriber<N>... {
public:
    Subscriber()
    {
        void* const handlers[] = { handlerAddress<N>()... };
        const std::type_index types[] = { std::type_index(typeid(N))... };
        for (std::size_t i = 0; i < sizeof...(N); ++i)
            Details::SubscriberBase::registerSelf(this, handlers[i], types[i]);
    }
    Subscriber(const Subscriber&) = delete;
    Subscriber& operator=(const Subscriber&) = delete;

    ~Subscriber() override
    {
        void* const handlers[] = { handlerAddress<N>()... };
        const std::type_index types[] = { std::type_index(typeid(N))... };
        for (std::size_t i = sizeof...(N); i-- > 0;)
            Details::SubscriberBase::unregisterSelf(this, handlers[i], types[i]);
    }

private:
    template <class X>
    void* handlerAddress()
    {
        return static_cast<void*>(static_cast<Details::Subscriber<X>*>(this));
    }
};

} // namespace PubSub

/// The editor's message classes.
namespace Message {
/// The two kinds of message.
namespace Types {

/// Base of every request: a message that asks its receivers to act or answer.
template <class T>
class Request : public PubSub::Message<T> {
public:
    using PubSub::Message<T>::Message;
};

/// Base of every notification: a message that reports what happened.
template <class T>
class Notification : public PubSub::Message<T> {
public:
    using PubSub::Message<T>::Message;
};

} // namespace Types
} // namespace Message
