#include <BusSpy.h>
#include <CollectionHelper.h>
#include <ContainerView.h>
#include <gmock/gmock.h>
#include <set>

namespace {

using namespace EditorCollection;
using Item = Import::Object;
using Spy = Testing::BusSpy<GetCollectionRequest<Item>, RegisterItemRequest<Item>,
    LocateCollectionRequest<Item>, LocateItemRequest<Item>, LocateCategoryRequest<Item>>;

TEST(CollectionHelper, LocateItemShowsTheCollectionBeforeTheItem)
{
    Spy spy;
    const Item item;
    CollectionHelper<Item> helper("mine");
    helper.locateItem(&item);
    helper.locateItem(nullptr);

    ASSERT_EQ(spy.log.entries.size(), 4u);
    EXPECT_TRUE(spy.log.isAt<LocateCollectionRequest<Item>>(0));
    EXPECT_TRUE(spy.log.isAt<LocateItemRequest<Item>>(1));
    EXPECT_TRUE(spy.log.isAt<LocateCollectionRequest<Item>>(2));
    EXPECT_TRUE(spy.log.isAt<LocateItemRequest<Item>>(3));
    EXPECT_EQ(spy.log.all<LocateCollectionRequest<Item>>()[0].collectionId, "mine");
    EXPECT_EQ(spy.log.all<LocateItemRequest<Item>>()[0].object, &item);
    EXPECT_EQ(spy.log.all<LocateItemRequest<Item>>()[1].object, nullptr);
}

TEST(CollectionHelper, LocateCategoryShowsTheCollectionBeforeTheCategoryAndPassesTheFlag)
{
    Spy spy;
    CollectionHelper<Item> helper("mine");
    helper.locateCategory("intros", true);
    helper.locateCategory("intros", false);

    ASSERT_EQ(spy.log.entries.size(), 4u);
    EXPECT_TRUE(spy.log.isAt<LocateCollectionRequest<Item>>(0));
    EXPECT_TRUE(spy.log.isAt<LocateCategoryRequest<Item>>(1));
    const auto categories = spy.log.all<LocateCategoryRequest<Item>>();
    EXPECT_EQ(categories[0].collectionId, "mine");
    EXPECT_EQ(categories[0].categoryId, "intros");
    EXPECT_TRUE(categories[0].flag);
    EXPECT_FALSE(categories[1].flag);
    EXPECT_EQ(categories[0].object, categories[1].object);
}

TEST(CollectionHelper, CollectionLevelRequestsOfEveryHelperCarryTheSamePlaceholder)
{
    Spy spy;
    CollectionHelper<Item>("one").getCollection();
    CollectionHelper<Item> two("two");
    two.locateCategory("c", false);
    CollectionHelper<Item>("three").locateItem(nullptr);

    std::set<const PubSub::Object*> senders;
    for (const auto& entry : spy.log.entries)
        if (entry.type != typeid(LocateItemRequest<Item>))
            senders.insert(entry.sender);
    ASSERT_EQ(senders.size(), 1u);
    EXPECT_NE(*senders.begin(), nullptr);
}

TEST(CollectionHelper, RegisterItemSendsTheVeryRecordAboutItsItem)
{
    Spy spy;
    const Item item;
    PersistentItem<Item> record;
    record.item = &item;
    CollectionHelper<Item>("mine").registerItem(&record, 1);

    const auto requests = spy.log.all<RegisterItemRequest<Item>>();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].object, &item);
    EXPECT_EQ(requests[0].persistentItem, &record);
    EXPECT_EQ(requests[0].registerMode, 1);
}

TEST(CollectionHelper, GetCollectionKeepsTheLastAnswerAndNullWithoutOne)
{
    Spy spy;
    CollectionHelper<Item> unanswered("mine");
    EXPECT_EQ(unanswered.getCollection().collection, nullptr);

    const Container<Item> first, second;
    spy.answer<GetCollectionRequest<Item>>([&](const GetCollectionRequest<Item>& request) {
        for (const Container<Item>* c : { &first, &second }) {
            GetCollectionNotification<Item> answer;
            answer.object = request.object;
            answer.collection = c;
            PubSub::publish(answer);
        }
    });
    CollectionHelper<Item> answered("mine");
    EXPECT_EQ(answered.getCollection().collection, &second);
}

} // namespace
