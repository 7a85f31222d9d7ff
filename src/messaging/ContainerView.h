#pragma once

// The contents of one collection, the eight messages about containers, and the
// view machinery that follows containers over the bus.

#include "BusClient.h"
#include <Types/Image.h>

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

namespace EditorCollection {

// One collection's contents. Never owns what its pointers point to; previews are shared.
template <class T>
class Container : public virtual PubSub::Object {
public:
    Container() = default;
    Container(const Container&) = default;
    Container(Container&&) = default;
    Container& operator=(const Container&) = default;
    Container& operator=(Container&&) = default;
    ~Container() override = default;

    bool firstFlag = false;
    bool secondFlag = false;
    std::deque<const T*> items;
    std::string firstText;
    std::string secondText;
    std::deque<std::string> textList;
    std::map<std::string, std::string> textMap;
    std::map<const T*, std::set<std::string>> itemTextSets;
    std::map<const T*, std::shared_ptr<const Types::Image>> previews;
    std::set<const T*> removableItems;
    std::set<const T*> secondItemSet;
};

} // namespace EditorCollection

namespace Message {
namespace Types {

// Hands container (the object itself) to an owner.
template <class C>
class Add : public Request<C> {
public:
    C* container = nullptr;
};

// Asks the owner of object to take contents, which live only during delivery.
template <class C>
class Change : public Request<C> {
public:
    C* contents = nullptr;
};

template <class C>
class Remove : public Request<C> {
};

template <class C>
class Enumerate : public Request<C> {
};

template <class C>
class Added : public Notification<C> {
};

// object already holds the new contents; previous lives only during delivery.
template <class C>
class Changed : public Notification<C> {
public:
    C* previous = nullptr;
};

// Sent while object is still intact.
template <class C>
class Removed : public Notification<C> {
};

template <class C>
class Enumerated : public Notification<C> {
};

} // namespace Types
} // namespace Message

namespace Message {

// Follows containers of type C over the bus. The observer follows containers owned
// elsewhere, the owner applies changes to the containers this view owns and announces
// them. The view never owns container memory: a container must outlive every view
// that knows it.
template <class C>
class View {
public:
    class Modification;

    // Follows the containers it is subscribed to; publishes change requests for them.
    class Observer : public PubSub::Publisher<Types::Add<C>, Types::Change<C>, Types::Remove<C>>,
                     public PubSub::Subscriber<Types::Added<C>, Types::Changed<C>, Types::Removed<C>> {
    public:
        // Once subscribed to senders, makes the view observe every container they
        // announce that the observer does not follow yet.
        class Adder : public PubSub::Subscriber<Types::Added<C>> {
        public:
            explicit Adder(View* view)
                : view(view)
            {
            }
            void handle(const Types::Added<C>& message) override
            {
                // A subscription to all senders also hears messages about no container.
                if (message.object && !view->observer.isSubscribed(message.object))
                    view->observeAdded(message.object);
            }

            View* const view;
        };

        explicit Observer(View* view)
            : adder(view)
            , view(view)
        {
        }
        void handle(const Types::Added<C>& message) override
        {
            if (message.object)
                view->observeAdded(message.object);
        }
        void handle(const Types::Changed<C>& message) override
        {
            if (!message.object || !message.previous)
                return;
            view->reportChange(message.object, *message.previous);
        }
        void handle(const Types::Removed<C>& message) override
        {
            const C* c = message.object;
            if (!c)
                return;
            view->reportDisappearing(c);
            view->containers.erase(c);
            this->unsubscribe(c);
        }

        Adder adder;
        View* const view;
    };

    // Applies requests about the containers this view owns and announces the results.
    class Owner : public PubSub::Publisher<Types::Added<C>, Types::Changed<C>, Types::Removed<C>>,
                  public PubSub::Subscriber<Types::Add<C>, Types::Change<C>, Types::Remove<C>> {
    public:
        // Once subscribed to senders, takes every container handed over by an Add
        // that the owner does not hold yet.
        class Adder : public PubSub::Subscriber<Types::Add<C>> {
        public:
            explicit Adder(View* view)
                : view(view)
            {
            }
            void handle(const Types::Add<C>& message) override
            {
                if (message.container && !view->owner.isSubscribed(message.object))
                    view->add(message.container);
            }

            View* const view;
        };

        // Answers every Enumerate with one Enumerated per owned container, in address order.
        class Enumerator : public PubSub::Publisher<Types::Enumerated<C>>,
                           public PubSub::Subscriber<Types::Enumerate<C>> {
        public:
            explicit Enumerator(View* view)
                : view(view)
            {
                this->template subscribeAll<C>();
            }
            void handle(const Types::Enumerate<C>&) override
            {
                // Re-find the next entry after each publish: handlers may change the map.
                auto& known = view->containers;
                auto it = known.begin();
                while (it != known.end()) {
                    const C* const key = it->first;
                    if (C* owned = it->second) {
                        Types::Enumerated<C> enumerated;
                        enumerated.object = owned;
                        this->publish(enumerated);
                    }
                    it = known.upper_bound(key);
                }
            }

            View* const view;
        };

        explicit Owner(View* view)
            : adder(view)
            , enumerator(view)
            , view(view)
        {
        }
        void handle(const Types::Add<C>& message) override
        {
            if (message.container)
                view->add(message.container);
        }
        void handle(const Types::Change<C>& message) override
        {
            C* owned = view->ownedContainer(message.object);
            if (!owned || !message.contents)
                return;
            C copy(*message.contents);
            view->change(owned, &copy);
        }
        void handle(const Types::Remove<C>& message) override
        {
            if (C* owned = view->ownedContainer(message.object))
                view->remove(owned);
        }

        Adder adder;
        Enumerator enumerator;
        View* const view;
    };

    View() = default;
    explicit View(C* c)
    {
        if (c)
            observe(c);
    }
    View(const View&) = delete;
    View& operator=(const View&) = delete;
    // Forgets every container and publishes nothing, not even Removed for owned ones.
    virtual ~View()
    {
        while (!containers.empty()) {
            const C* c = containers.begin()->first;
            containers.erase(containers.begin());
            observer.unsubscribe(c);
        }
    }

    void observe(C* c)
    {
        containers[c] = nullptr;
        observer.subscribe(c);
        reportAppearing(c);
    }
    void stopObserving(C* c)
    {
        containers.erase(c);
        observer.unsubscribe(c);
        reportDisappearing(c);
    }

    // own: this view takes c (as add does, without the virtual call); otherwise c is
    // handed to whichever owner answers the Add request, and observed once it does.
    void submitNew(C* c, bool own)
    {
        if (own) {
            View::add(c);
            return;
        }
        observer.subscribe(c);
        Types::Add<C> request;
        request.object = c;
        request.container = c;
        observer.publish(request);
    }

    // Applies contents to an owned target directly (leaving contents empty), else asks
    // target's owner; an unknown target is asked of its owner too.
    void submitChange(C* target, C* contents)
    {
        if (C* owned = ownedContainer(target)) {
            C previous(std::move(*owned));
            *owned = std::move(*contents);
            *contents = C();
            reportChange(owned, previous);
            Types::Changed<C> changed;
            changed.object = owned;
            changed.previous = &previous;
            owner.publish(changed);
            return;
        }
        Types::Change<C> request;
        request.object = target;
        request.contents = contents;
        observer.publish(request);
    }

protected:
    virtual void containerAppeared(const C*) { }
    virtual void containerChanged(const C*, const C&, const C&) { }
    virtual void containerReplaced(const C*, const C&) { }
    virtual void containerUpdated(const C*) { }
    virtual void containerDisappeared(const C*) { }

public:
    virtual void add(C* c)
    {
        containers[c] = c;
        reportAppearing(c);
        owner.subscribe(c);
        Types::Added<C> added;
        added.object = c;
        owner.publish(added);
    }
    // Swaps the contents in, so that contents holds the former ones afterwards.
    virtual void change(C* c, C* contents)
    {
        using std::swap;
        swap(*c, *contents);
        reportChange(c, *contents);
        Types::Changed<C> changed;
        changed.object = c;
        changed.previous = contents;
        owner.publish(changed);
    }
    // Announces Removed while c is still intact, then forgets it.
    virtual void remove(C* c)
    {
        Types::Removed<C> removed;
        removed.object = c;
        owner.publish(removed);
        reportDisappearing(c);
        containers.erase(c);
        owner.unsubscribe(c);
    }

protected:
    Observer observer { this };
    Owner owner { this };
    // Value is the key for an owned container, null for an observed one.
    std::map<const C*, C*> containers;

private:
    C* ownedContainer(const C* c) const
    {
        const auto it = containers.find(c);
        return it == containers.end() ? nullptr : it->second;
    }

    void observeAdded(const C* c)
    {
        if (!observer.isSubscribed(c))
            observer.subscribe(c);
        containers[c] = nullptr;
        reportAppearing(c);
    }

    void reportAppearing(const C* c)
    {
        containerAppeared(c);
        {
            const C empty;
            containerChanged(c, empty, *c);
        }
        containerUpdated(c);
    }
    void reportChange(const C* c, const C& before)
    {
        containerChanged(c, before, *c);
        containerReplaced(c, before);
        containerUpdated(c);
    }
    void reportDisappearing(const C* c)
    {
        {
            const C empty;
            containerChanged(c, *c, empty);
        }
        containerUpdated(c);
        containerDisappeared(c);
    }
};

// Edits a working copy of target (or of an empty container when target is null) and
// submits it once, on close; destroyed unclosed, it submits nothing. A new container
// is the modification's own storage, so it lives only as long as the modification.
template <class C>
class View<C>::Modification {
public:
    Modification() = default;
    Modification(View* view, C* target, bool ownNew) { open(view, target, ownNew); }
    Modification(const Modification&) = delete;
    Modification& operator=(const Modification&) = delete;
    ~Modification() = default;

    void open(View* view, C* target, bool ownNew)
    {
        this->view = view;
        this->target = target;
        this->ownNew = ownNew;
        storage = target ? *target : C();
        working = &storage;
        active = true;
    }

    void close()
    {
        if (!active)
            return;
        active = false;
        if (!target) {
            view->submitNew(working, ownNew);
            return;
        }
        view->submitChange(target, working);
        working = nullptr;
        storage = C();
    }

    View* view = nullptr;
    bool active = false;
    bool ownNew = false;
    C* target = nullptr;
    C* working = nullptr;
    C storage;
};

} // namespace Message
