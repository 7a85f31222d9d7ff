#pragma once

#include <PubSub/Object.h>

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <typeindex>

/// @file
/// The bus's dispatcher and the registration record of a subscriber.

namespace PubSub {
namespace Details {

class MessageBase;
class Dispatcher;
struct DispatcherProbe;
struct SubscriberRecord;

/// The bus's registration record of one subscribing object. Registrations say
/// which handler takes which message type; subscriptions say which senders (one
/// object, or every object of a static type) the subscriber listens to. A
/// handler is returned for a message when both match.
class SubscriberBase {
public:
    /// A subscriber with no registration and no subscription.
    SubscriberBase();
    SubscriberBase(const SubscriberBase&) = delete;
    SubscriberBase& operator=(const SubscriberBase&) = delete;
    /// Ends every registration and subscription of this subscriber.
    virtual ~SubscriberBase();

    /// Registers @p handler of @p base for messages of @p messageType. Registering the
    /// same handler for the same type twice registers it once.
    static void registerSelf(SubscriberBase* base, void* handler, const std::type_index& messageType);
    /// Ends the registration of @p handler for @p messageType; does nothing when there is none.
    static void unregisterSelf(SubscriberBase* base, void* handler, const std::type_index& messageType);

    /// Listens to messages about @p object, which it does not own. Null is ignored: a
    /// null sender is reached only through subscribeAll.
    void subscribe(const PubSub::Object* object);
    /// Stops listening to @p object. Subscriptions are a set: one unsubscribe ends any
    /// number of subscribes.
    void unsubscribe(const PubSub::Object* object);
    /// Whether the subscriber listens to @p object itself (a subscription to all senders
    /// of its type does not count).
    bool isSubscribed(const PubSub::Object* object) const;

    /// Listens to every sender whose declared type is @p X, including messages whose
    /// object is null.
    template <class X>
    void subscribeAll()
    {
        subscribeAll(std::type_index(typeid(X)));
    }
    /// Ends the subscription to all senders of @p X; subscriptions to single objects stay.
    template <class X>
    void unsubscribeAll()
    {
        unsubscribeAll(std::type_index(typeid(X)));
    }

private:
    friend class Dispatcher;
    void subscribeAll(const std::type_index& senderType);
    void unsubscribeAll(const std::type_index& senderType);

    // Owned here, read and changed only by the dispatcher under its lock.
    const std::unique_ptr<SubscriberRecord> m_record;
};

/// The process-wide dispatcher. Its state is guarded by one mutex, which is never
/// held while a handler runs: publishers fetch the handler list, then call it.
class Dispatcher {
public:
    /// The dispatcher, created on first use and never destroyed, so that subscribers
    /// and objects destroyed during exit still find it.
    static Dispatcher& instance();

    /// Handlers registered for @p messageType whose subscriber listens to @p sender (or
    /// to every sender of @p senderType), in registration order, each once.
    /// @return the handler addresses, empty when no handler matches.
    std::deque<void*> getSubscribers(const MessageBase& message, const std::type_index& messageType,
        const PubSub::Object* sender, const std::type_index& senderType);

    /// What the dispatcher holds, for tests and diagnostics. Taken under the lock, so
    /// the numbers agree with one another; subscribers is exact once no thread is
    /// constructing or destroying one.
    struct Counts {
        std::size_t subscribers = 0; ///< live SubscriberBase objects
        std::size_t registrations = 0; ///< handlers registered, over all subscribers
        std::size_t objectSubscriptions = 0; ///< (subscriber, sender object) pairs
        std::size_t typeSubscriptions = 0; ///< (subscriber, sender type) pairs
        std::size_t indexedSenders = 0; ///< sender objects indexed, over all message types
        std::size_t senderEntries = 0; ///< handler entries indexed by sender object
        std::size_t senderTypeEntries = 0; ///< handler entries indexed by sender type

        /// Whether every count is equal.
        bool operator==(const Counts& other) const;
        /// Whether any count differs.
        bool operator!=(const Counts& other) const { return !(*this == other); }
    };
    /// What the dispatcher holds now.
    Counts counts() const;

    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

private:
    friend class SubscriberBase;
    friend class PubSub::Object;
    friend struct DispatcherProbe;
    Dispatcher();
    ~Dispatcher();

    void addSubscriber();
    void removeSubscriber(SubscriberRecord& subscriber);
    void registerHandler(SubscriberRecord& subscriber, void* handler, const std::type_index& messageType);
    void unregisterHandler(SubscriberRecord& subscriber, void* handler, const std::type_index& messageType);
    void subscribe(SubscriberRecord& subscriber, const PubSub::Object* object);
    void unsubscribe(SubscriberRecord& subscriber, const PubSub::Object* object);
    bool isSubscribed(const SubscriberRecord& subscriber, const PubSub::Object* object) const;
    void subscribeAll(SubscriberRecord& subscriber, const std::type_index& senderType);
    void unsubscribeAll(SubscriberRecord& subscriber, const std::type_index& senderType);
    void objectDestroyed(const PubSub::Object* object);

    // Lets tests see registrations come and go, with the message type's name;
    // called under the lock.
    using RegistrationHook = void (*)(bool registered, const void* handler, const std::string& messageType);
    void setRegistrationHook(RegistrationHook hook);

    struct State;
    const std::unique_ptr<State> m_state;
};

} // namespace Details
} // namespace PubSub
