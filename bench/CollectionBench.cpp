// Proposing a name when every numbered variant of one stem is taken, and the
// item-level comparison of a view whose container changes, at growing sizes.

#include <CollectionHelper.h>
#include <ContainerView.h>
#include <Import/UserCollection.h>
#include <ItemView.h>
#include <Model/ImportObject.h>
#include <Types/Image.h>
#include <benchmark/benchmark.h>

#include <QPixmap>
#include <QString>

#include <map>
#include <memory>
#include <vector>

namespace Bench {
namespace {

using Item = Import::Object;
using Container = EditorCollection::Container<Item>;
using EditorCollection::GetCollectionNotification;
using EditorCollection::GetCollectionRequest;

// Items that outlive every container pointing at them.
using ItemStore = std::vector<std::unique_ptr<Item>>;

const Item* newItem(ItemStore& store, const QString& id)
{
    store.push_back(std::make_unique<Item>());
    store.back()->id = id.toStdString();
    store.back()->kind = Item::Intro;
    return store.back().get();
}

QString numbered(const QString& stem, int number)
{
    return stem + QStringLiteral("_%1").arg(number, 2, 10, QChar('0'));
}

// Answers every request for an import collection with one container, as the
// collection service does, without keeping anything itself.
class CollectionAnswer : private PubSub::Publisher<GetCollectionNotification<Item>>,
                         private PubSub::Subscriber<GetCollectionRequest<Item>> {
public:
    explicit CollectionAnswer(const Container& container)
        : m_container(container)
    {
        this->subscribeAll<Item>();
    }

    void handle(const GetCollectionRequest<Item>& request) override
    {
        GetCollectionNotification<Item> answer;
        answer.object = request.object;
        answer.collection = &m_container;
        this->publish(answer);
    }

private:
    const Container& m_container;
};

// "Intro" and "Intro_01" up to "Intro_<n-1>": the worst case, every variant taken.
struct TakenNames {
    explicit TakenNames(int count)
    {
        container.items.push_back(newItem(items, QStringLiteral("Intro")));
        for (int number = 1; number < count; ++number)
            container.items.push_back(newItem(items, numbered(QStringLiteral("Intro"), number)));
    }

    ItemStore items;
    Container container;
};

const TakenNames& takenNames(int count)
{
    static std::map<int, std::unique_ptr<TakenNames>> made;
    std::unique_ptr<TakenNames>& names = made[count];
    if (!names)
        names = std::make_unique<TakenNames>(count);
    return *names;
}

void BM_NextName(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    CollectionAnswer service(takenNames(count).container);
    const Import::UserCollection collection("bench.intros", "intros", QString());
    const QString expected = numbered(QStringLiteral("Intro"), count);
    QString proposed;
    for (auto _ : state) {
        proposed = collection.nextName(QStringLiteral("Intro"), Item::Intro);
        benchmark::DoNotOptimize(proposed);
    }
    if (proposed != expected)
        state.SkipWithError("nextName proposed an unexpected name");
    state.SetComplexityN(count);
}
BENCHMARK(BM_NextName)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Counts what the comparison reports, so that no hook is a no-op the compiler could see through.
class CountingView : public EditorCollection::View<Item> {
public:
    std::size_t reported = 0;

protected:
    void itemSequenceChanged(const Container*) override { ++reported; }
    void itemsAdded(const std::deque<const Item*>& added) override { reported += added.size(); }
    void itemsRemoved(const std::deque<const Item*>& removed) override { reported += removed.size(); }
    void removableItemsChanged() override { ++reported; }
    void itemTextSetsChanged() override { ++reported; }
    void previewChanged(const Item*) override { ++reported; }
};

// A collection of n items, each with a preview, removable and filed under one
// category; and the same collection after a change that touches every member the
// comparison walks: every tenth item gone, as many new ones appended, every other
// kept item with a new preview.
struct ChangingCollection {
    explicit ChangingCollection(int count)
        : oldPreview(std::make_shared<const Types::Image>(QPixmap(1, 1)))
        , newPreview(std::make_shared<const Types::Image>(QPixmap(1, 1)))
    {
        for (int i = 0; i < count; ++i)
            add(before, newItem(items, QStringLiteral("item %1").arg(i)), oldPreview);
        for (int i = 0; i < count; ++i) {
            if (i % 10 == 0)
                continue;
            const Item* kept = before.items[static_cast<std::size_t>(i)];
            add(after, kept, i % 2 ? newPreview : oldPreview);
        }
        for (int i = 0; i < count / 10; ++i)
            add(after, newItem(items, QStringLiteral("new item %1").arg(i)), newPreview);
    }

    static void add(
        Container& container, const Item* item, const std::shared_ptr<const Types::Image>& preview)
    {
        container.items.push_back(item);
        container.previews[item] = preview;
        container.removableItems.insert(item);
        container.itemTextSets[item] = { "intros" };
    }

    std::shared_ptr<const Types::Image> oldPreview;
    std::shared_ptr<const Types::Image> newPreview;
    ItemStore items;
    Container before;
    Container after;
};

const ChangingCollection& changingCollection(int count)
{
    static std::map<int, std::unique_ptr<ChangingCollection>> made;
    std::unique_ptr<ChangingCollection>& collection = made[count];
    if (!collection)
        collection = std::make_unique<ChangingCollection>(count);
    return *collection;
}

// The view follows the container; its owner announces that it changed from previous.
void announceChanges(benchmark::State& state, const Container& previous, const Container& now)
{
    Container observed(now);
    CountingView view;
    view.observe(&observed);
    Container was(previous);

    Message::Types::Changed<Container> changed;
    changed.object = &observed;
    changed.previous = &was;
    view.reported = 0;
    for (auto _ : state)
        PubSub::publish(changed);
    if (view.reported == 0)
        state.SkipWithError("the view reported no change");
    view.stopObserving(&observed);
    state.SetComplexityN(state.range(0));
}

void BM_ItemViewChange(benchmark::State& state)
{
    const ChangingCollection& collection = changingCollection(static_cast<int>(state.range(0)));
    announceChanges(state, collection.before, collection.after);
}
BENCHMARK(BM_ItemViewChange)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// What any comparison of two contents costs at least, since the members are
// node-based: copying a container of n items, and comparing two such copies
// member by member.
void BM_ContainerCopyCompareFloor(benchmark::State& state)
{
    const ChangingCollection& collection = changingCollection(static_cast<int>(state.range(0)));
    const Container& source = collection.before;
    for (auto _ : state) {
        const Container copy(source);
        const bool same = copy.firstFlag == source.firstFlag && copy.secondFlag == source.secondFlag
            && copy.items == source.items && copy.secondText == source.secondText
            && copy.textList == source.textList && copy.textMap == source.textMap
            && copy.itemTextSets == source.itemTextSets && copy.previews == source.previews
            && copy.removableItems == source.removableItems;
        benchmark::DoNotOptimize(same);
    }
}
BENCHMARK(BM_ContainerCopyCompareFloor)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The common change: one item registered, with its preview.
void BM_ItemViewAddOne(benchmark::State& state)
{
    const ChangingCollection& collection = changingCollection(static_cast<int>(state.range(0)));
    Container after(collection.before);
    const Item registered;
    ChangingCollection::add(after, &registered, collection.newPreview);
    announceChanges(state, collection.before, after);
}
BENCHMARK(BM_ItemViewAddOne)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// A container the view learns of: every item reported as added.
void BM_ItemViewAppear(benchmark::State& state)
{
    const ChangingCollection& collection = changingCollection(static_cast<int>(state.range(0)));
    announceChanges(state, Container(), collection.before);
}
BENCHMARK(BM_ItemViewAppear)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace Bench
