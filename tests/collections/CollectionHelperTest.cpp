#include <ScriptedBus.h>
#include <gmock/gmock.h>

namespace {

using namespace EditorCollection;
using Item = Import::Object;
using LocateCollection = LocateCollectionRequest<Item>;
using Spy = Testing::BusSpy<GetCollectionRequest<Item>, RegisterItemRequest<Item>, LocateCollection,
    LocateItemRequest<Item>, LocateCategoryRequest<Item>>;

TEST(CollectionHelper, LocatingShowsTheCollectionBeforeTheItemOrTheCategoryWithItsFlag)
{
    Spy spy;
    const Item item;
    CollectionHelper<Item> helper("mine");
    helper.locateItem(&item);
    helper.locateItem(nullptr);
    helper.locateCategory("intros", true);
    helper.locateCategory("intros", false);

    ASSERT_EQ(spy.log.types(),
        (Testing::typesOf<LocateCollection, LocateItemRequest<Item>, LocateCollection,
            LocateItemRequest<Item>, LocateCollection, LocateCategoryRequest<Item>, LocateCollection,
            LocateCategoryRequest<Item>>()));
    EXPECT_EQ(spy.log.all<LocateCollection>()[0].collectionId, "mine");
    EXPECT_EQ(spy.log.all<LocateItemRequest<Item>>()[0].object, &item);
    EXPECT_EQ(spy.log.all<LocateItemRequest<Item>>()[1].object, nullptr);
    const auto categories = spy.log.all<LocateCategoryRequest<Item>>();
    EXPECT_EQ(categories[0].collectionId, "mine");
    EXPECT_EQ(categories[0].categoryId, "intros");
    EXPECT_TRUE(categories[0].flag);
    EXPECT_FALSE(categories[1].flag);
}

TEST(CollectionHelper, RegisterItemSendsTheVeryRecordAboutItsItem)
{
    Spy spy;
    const Item item;
    PersistentItem<Item> record = Testing::recordOf(&item);
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
    EXPECT_EQ(CollectionHelper<Item>("mine").getCollection().collection, nullptr);

    const Container<Item> first, second;
    spy.answer<GetCollectionRequest<Item>>([&](const GetCollectionRequest<Item>& request) {
        Testing::answerCollection(request, &first);
        Testing::answerCollection(request, &second);
    });
    EXPECT_EQ(CollectionHelper<Item>("mine").getCollection().collection, &second);
}

} // namespace
