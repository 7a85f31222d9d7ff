#pragma once

// Item-level views of containers: ContainerViewBase re-routes the container hooks,
// View<T> compares two contents of a Container<T> and calls one hook per difference.

#include "ContainerView.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace EditorCollection {

template <class C>
class ContainerViewBase : private ::Message::View<C> {
public:
    ContainerViewBase() = default;
    ~ContainerViewBase() override = default;

    using ::Message::View<C>::observe;
    using ::Message::View<C>::stopObserving;
    using ::Message::View<C>::submitChange;
    using ::Message::View<C>::submitNew;
    using typename ::Message::View<C>::Modification;

    // The view as the modification takes it (the base itself is private).
    ::Message::View<C>* messageView() { return this; }

protected:
    using ::Message::View<C>::add;
    using ::Message::View<C>::change;
    using ::Message::View<C>::containers;
    using ::Message::View<C>::remove;

    virtual void onContainerAppeared(const C*) { }
    virtual void onContainerDisappeared(const C*) { }
    virtual void onContainerChanged(const C*, const C&, const C&) { }
    virtual void onContainerReplaced(const C*, const C&) { }
    virtual void onContainerUpdated(const C*) { }

private:
    void containerAppeared(const C* c) override { onContainerAppeared(c); }
    void containerChanged(const C* c, const C& before, const C& after) override
    {
        onContainerChanged(c, before, after);
    }
    void containerReplaced(const C* c, const C& before) override { onContainerReplaced(c, before); }
    void containerUpdated(const C* c) override { onContainerUpdated(c); }
    void containerDisappeared(const C* c) override { onContainerDisappeared(c); }
};

// Reports every change of a followed Container<T> as item-level hooks, which do
// nothing by default. An appearing container is reported as a change from the empty
// one, a disappearing container as a change to it.
template <class T>
class View : private ContainerViewBase<Container<T>> {
public:
    View() = default;
    ~View() override = default;

    using ContainerViewBase<Container<T>>::messageView;
    using ContainerViewBase<Container<T>>::observe;
    using ContainerViewBase<Container<T>>::stopObserving;
    using ContainerViewBase<Container<T>>::submitChange;
    using ContainerViewBase<Container<T>>::submitNew;
    using typename ContainerViewBase<Container<T>>::Modification;

protected:
    using ContainerViewBase<Container<T>>::add;
    using ContainerViewBase<Container<T>>::change;
    using ContainerViewBase<Container<T>>::containers;
    using ContainerViewBase<Container<T>>::remove;

    virtual void itemSequenceChanged(const Container<T>*) { }
    virtual void itemsAdded(const std::deque<const T*>&) { }
    virtual void itemsRemoved(const std::deque<const T*>&) { }
    virtual void textListChanged(const std::deque<std::string>&, const std::deque<std::string>&) { }
    virtual void textMapChanged() { }
    virtual void itemTextSetsChanged() { }
    virtual void firstFlagChanged(bool) { }
    virtual void secondFlagChanged(bool) { }
    virtual void removableItemsChanged() { }
    virtual void secondTextChanged(const std::string&, const std::string&) { }
    virtual void previewAdded(const T*, std::shared_ptr<const Types::Image>) { }
    virtual void previewRemoved(const T*) { }
    virtual void previewChanged(const T*) { }

private:
    void onContainerChanged(
        const Container<T>* c, const Container<T>& before, const Container<T>& after) override;
    void reportPreview(
        const T* item, const Types::Image* oldPreview, const std::shared_ptr<const Types::Image>& newPreview);
};

namespace Details {

// One item whose preview differs between two preview maps (a null preview counts as none).
template <class T>
struct PreviewDifference {
    const T* item;
    const Types::Image* before;
    std::shared_ptr<const Types::Image> after;
};

// Every difference, ordered by item pointer: one merged walk of the two sorted maps.
template <class T>
std::vector<PreviewDifference<T>> previewDifferences(
    const std::map<const T*, std::shared_ptr<const Types::Image>>& before,
    const std::map<const T*, std::shared_ptr<const Types::Image>>& after)
{
    std::vector<PreviewDifference<T>> differences;
    auto b = before.begin();
    auto a = after.begin();
    while (b != before.end() || a != after.end()) {
        if (a == after.end() || (b != before.end() && b->first < a->first)) {
            if (b->second)
                differences.push_back({ b->first, b->second.get(), nullptr });
            ++b;
        } else if (b == before.end() || a->first < b->first) {
            if (a->second)
                differences.push_back({ a->first, nullptr, a->second });
            ++a;
        } else {
            if (b->second.get() != a->second.get())
                differences.push_back({ a->first, b->second.get(), a->second });
            ++b;
            ++a;
        }
    }
    return differences;
}

} // namespace Details

template <class T>
void View<T>::onContainerChanged(const Container<T>* c, const Container<T>& before, const Container<T>& after)
{
    // Membership goes through a hash set of the other sequence and previews through
    // one merged walk of the two maps, so the comparison stays linear in the number of
    // items. Hooks may publish; indices rather than iterators keep the walks valid if
    // they do.
    const std::deque<const T*>& was = before.items;
    const std::deque<const T*>& now = after.items;
    const bool sameSequence = was == now;
    std::optional<std::unordered_set<const T*>> inAfter;
    if (!sameSequence && !was.empty() && !now.empty())
        inAfter.emplace(now.begin(), now.end());

    if (!was.empty() && !now.empty()) {
        const auto differences = Details::previewDifferences(before.previews, after.previews);
        if (!differences.empty()) {
            for (std::size_t i = 0; i < was.size(); ++i) {
                const T* item = was[i];
                if (inAfter && !inAfter->count(item))
                    continue;
                const auto found = std::lower_bound(differences.begin(), differences.end(), item,
                    [](const Details::PreviewDifference<T>& d, const T* p) { return d.item < p; });
                if (found != differences.end() && found->item == item)
                    reportPreview(item, found->before, found->after);
            }
        }
    }

    if (!sameSequence) {
        itemSequenceChanged(c);

        std::deque<const T*> added;
        std::deque<const T*> removed;
        if (was.empty()) {
            added = now;
        } else if (now.empty()) {
            removed = was;
        } else {
            for (const T* item : was)
                if (!inAfter->count(item))
                    removed.push_back(item);
            std::unordered_set<const T*>& inBefore = *inAfter;
            inBefore.clear();
            inBefore.insert(was.begin(), was.end());
            for (const T* item : now)
                if (!inBefore.count(item))
                    added.push_back(item);
        }
        if (!added.empty())
            itemsAdded(added);
        if (!removed.empty())
            itemsRemoved(removed);
    }

    if (before.textList != after.textList)
        textListChanged(after.textList, before.textList);
    if (before.secondText != after.secondText)
        secondTextChanged(after.secondText, before.secondText);
    if (before.textMap != after.textMap)
        textMapChanged();
    if (before.removableItems != after.removableItems)
        removableItemsChanged();
    if (before.itemTextSets != after.itemTextSets)
        itemTextSetsChanged();
    if (before.firstFlag != after.firstFlag)
        firstFlagChanged(after.firstFlag);
    if (before.secondFlag != after.secondFlag)
        secondFlagChanged(after.secondFlag);
}

template <class T>
void View<T>::reportPreview(
    const T* item, const Types::Image* oldPreview, const std::shared_ptr<const Types::Image>& newPreview)
{
    if (oldPreview && !newPreview) {
        previewRemoved(item);
        previewChanged(item);
    } else if (!oldPreview && newPreview) {
        previewAdded(item, newPreview);
        previewChanged(item);
    } else if (oldPreview && newPreview && oldPreview != newPreview.get()) {
        previewChanged(item);
    }
}

} // namespace EditorCollection
