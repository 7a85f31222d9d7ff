#include "CollectionTestSupport.h"
#include <Effect/AudioEqualizer.h>
#include <ItemView.h>
#include <Model/CollectionID.h>
#include <WithServices.h>
#include <gmock/gmock.h>

#include <QUuid>

namespace {

using namespace EditorCollection;
using Item = Import::Object;
using ::testing::ElementsAre;

// Counts its destructions, to see when the service deletes an item it took over.
class TrackedImport : public Item {
public:
    explicit TrackedImport(const std::string& id) { this->id = id; }
    ~TrackedImport() override { ++destroyed; }
    static inline int destroyed = 0;
};

// Follows one container and hands its owner the container less one item, as the
// library's removal does.
class Remover : private EditorCollection::View<Item> {
public:
    explicit Remover(Container<Item>* c)
        : m_c(c)
    {
        observe(c);
    }
    ~Remover() override = default;

    void erase(const Item* item)
    {
        Modification modification(messageView(), m_c, false);
        auto& items = modification.working->items;
        items.erase(std::remove(items.begin(), items.end(), item), items.end());
        modification.close();
    }

    std::vector<std::string> removedIds;

private:
    void itemsRemoved(const std::deque<const Item*>& removed) override
    {
        for (const Item* item : removed)
            removedIds.push_back(item->id); // the item must still be alive here
    }

    Container<Item>* const m_c;
};

class CollectionServiceTest : public Testing::WithServices {
protected:
    template <class T>
    void store(const T& item, const std::string& collectionId, const QString& relativePath)
    {
        const PersistentItem<T> record = Testing::recordOf(&item, collectionId);
        ASSERT_TRUE(PersistentItemHelper<T>().store(&record, at(relativePath).toStdString()));
    }
    template <class T>
    std::vector<std::string> idsIn(const std::string& collectionId)
    {
        std::vector<std::string> ids;
        if (const Container<T>* c = collections->container<T>(collectionId))
            for (const T* item : c->items)
                ids.push_back(item->id);
        return ids;
    }
};

TEST_F(CollectionServiceTest, EveryRegisteredRecordIsFetchedWithPreviewCategoriesAndTranslation)
{
    const Item original = Testing::withId<Item>("clip-1");
    PersistentItem<Item> record = Testing::recordOf(&original, "mine");
    record.categories = { "holiday" };
    record.preview = Testing::image(Qt::red);
    record.customStrings = { { "clip-1", "Beach" } };
    PersistentItemHelper<Item> helper;
    ASSERT_TRUE(helper.store(&record, at("imports/clip-1.xml").toStdString()));
    const auto loaded = helper.load(at("imports/clip-1.xml").toStdString());
    ASSERT_EQ(loaded.size(), 1u);
    CollectionHelper<Item>("mine").registerItem(&loaded[0], 1);

    CollectionHelper<Item> fetch("mine");
    const Container<Item>* c = fetch.getCollection().collection;
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c, collections->container<Item>("mine"));
    const Item* item = loaded[0].item;
    EXPECT_THAT(c->items, ElementsAre(item));
    ASSERT_TRUE(c->previews.count(item));
    EXPECT_EQ(c->previews.at(item)->toImage().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(c->itemTextSets.at(item), std::set<std::string> { "holiday" });
    EXPECT_TRUE(c->removableItems.count(item));
    EXPECT_EQ(Translator::translate("clip-1"), QStringLiteral("Beach"));

    // The same id again takes its holder's place wherever it stands (the holder is
    // deleted); the same pointer again changes nothing.
    const Item* second = Testing::newImport("clip-2");
    Testing::registerIn("mine", second);
    const Item* again = Testing::newImport("clip-1");
    const Item* secondAgain = Testing::newImport("clip-2");
    for (const Item* replacing : { again, secondAgain, again })
        Testing::registerIn("mine", replacing);
    EXPECT_THAT(c->items, ElementsAre(again, secondAgain));
    EXPECT_FALSE(c->previews.count(item));

    // Every registration is taken: an empty id names a collection too.
    const Item* loose = Testing::newImport("loose");
    Testing::registerIn(std::string(), loose);
    EXPECT_THAT(collections->container<Item>(std::string())->items, ElementsAre(loose));
}

TEST_F(CollectionServiceTest, ChangeFromAFollowingViewDropsTheItemAndDeletesItAfterwards)
{
    TrackedImport::destroyed = 0;
    const auto* gone = new TrackedImport("one");
    const auto* kept = new TrackedImport("two");
    Testing::registerIn<Item>("mine", gone, Testing::image(), { "x" });
    Testing::registerIn<Item>("mine", kept, Testing::image(), { "x" });
    const Container<Item>* c = collections->container<Item>("mine");
    {
        Remover remover(const_cast<Container<Item>*>(c));
        remover.erase(gone);
        EXPECT_THAT(remover.removedIds, ElementsAre("one"));
    }
    EXPECT_EQ(TrackedImport::destroyed, 1);
    EXPECT_THAT(c->items, ElementsAre(kept));
    EXPECT_EQ(c->previews.size(), 1u);
    EXPECT_EQ(c->itemTextSets.size(), 1u);
    EXPECT_THAT(c->removableItems, ElementsAre(kept));
    collections.reset();
    EXPECT_EQ(TrackedImport::destroyed, 2);
}

TEST_F(CollectionServiceTest, LoadFolderRebuildsTheCollectionsAfterARestart)
{
    store(Testing::withId<Item>("import"), "imports", "imports/import.xml");
    store(Testing::withId<Item>("loose"), std::string(), "imports/loose.xml");
    Item intro = Testing::withId<Item>("intro");
    intro.kind = Item::Intro;
    const QString introFolder = "intros/" + QUuid::createUuid().toString();
    ASSERT_TRUE(QDir(root.path()).mkpath(introFolder));
    store(intro, CollectionID::INTROS, introFolder);
    store(Testing::withId<Overlay::Preset>("title"), CollectionID::TITLES, "overlays/title.xml");
    store<Effect::Object>(
        Testing::withId<Effect::AudioEqualizer>("eq"), "audio", "effects/AudioEqualizer/eq.xml");

    for (int run = 0; run < 2; ++run) {
        collections.emplace();
        collections->loadFolder(root.path());
        collections->loadFolder(root.path()); // replaces by id, adds nothing
        EXPECT_THAT(idsIn<Item>("imports"), ElementsAre("import"));
        EXPECT_THAT(idsIn<Item>(CollectionID::INTROS), ElementsAre("intro"));
        EXPECT_THAT(idsIn<Overlay::Preset>(CollectionID::TITLES), ElementsAre("title"));
        EXPECT_THAT(idsIn<Effect::Object>("audio"), ElementsAre("eq"));
        EXPECT_THAT(idsIn<Item>(std::string()), ElementsAre("loose"));
    }
}

} // namespace
