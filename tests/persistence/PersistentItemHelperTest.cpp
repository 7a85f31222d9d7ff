#include <BusSpy.h>
#include <Model/ImportObject.h>
#include <PersistentItem.h>
#include <gtest/gtest.h>

using namespace EditorCollection;

namespace {

using Item = Import::Object;
using StoreRequest = StorePersistentItemRequest<Item>;
using LoadRequest = LoadPersistentItemRequest<Item>;
using RemoveRequest = RemovePersistentItemRequest<Item>;

void answerStore(const StoreRequest& request, bool success)
{
    StorePersistentItemNotification<Item> answer;
    answer.object = request.object;
    answer.success = success;
    PubSub::publish(answer);
}

void answerLoad(const LoadRequest& request, std::deque<PersistentItem<Item>> items)
{
    LoadPersistentItemNotification<Item> answer;
    answer.object = request.object;
    answer.items = std::move(items);
    PubSub::publish(answer);
}

class PersistentItemHelperTest : public ::testing::Test {
protected:
    Testing::BusSpy<StoreRequest, LoadRequest, RemoveRequest> service;
    PersistentItemHelper<Item> helper;
    Item item;
    PersistentItem<Item> record;
};

TEST_F(PersistentItemHelperTest, StoreSendsTheRecordAndPathAndIsTrueOnlyOnASuccessAnswer)
{
    EXPECT_FALSE(helper.store(&record, "/data/a")); // unanswered
    service.answer<StoreRequest>([](const StoreRequest& request) { answerStore(request, false); });
    EXPECT_FALSE(helper.store(&record, "/data/a"));
    EXPECT_TRUE(helper.storeResults.isEmpty());
    service.answer<StoreRequest>([](const StoreRequest& request) { answerStore(request, true); });
    EXPECT_TRUE(helper.store(&record, "/data/a"));
    EXPECT_TRUE(helper.storeResults.isEmpty());

    const auto requests = service.log.all<StoreRequest>();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].object, &record);
    EXPECT_EQ(requests[2].path, "/data/a");
    EXPECT_EQ(service.log.entries[2].sender, static_cast<const PubSub::Object*>(&record));
}

TEST_F(PersistentItemHelperTest, LaterOfTwoStoreAnswersDecides)
{
    bool last = false;
    service.answer<StoreRequest>([&last](const StoreRequest& request) {
        answerStore(request, !last);
        answerStore(request, last);
    });
    EXPECT_FALSE(helper.store(&record, "/data/a"));
    last = true;
    EXPECT_TRUE(helper.store(&record, "/data/a"));
}

TEST_F(PersistentItemHelperTest, LoadSendsAFreshProbeWithPathAndEmptySelectorAndFilter)
{
    const PubSub::Object* probe = nullptr; // taken while the probe lives
    service.answer<LoadRequest>([&probe](const LoadRequest& request) { probe = request.object; });
    EXPECT_TRUE(helper.load("/data/folder").empty());

    const auto requests = service.log.all<LoadRequest>();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(probe, nullptr);
    EXPECT_EQ(service.log.entries[0].sender, probe);
    EXPECT_EQ(requests[0].path, "/data/folder");
    EXPECT_TRUE(requests[0].selector.empty());
    EXPECT_FALSE(requests[0].filter);
}

TEST_F(PersistentItemHelperTest, LoadReturnsTheAnswerAndKeepsItWhenTheNextGoesUnanswered)
{
    record.item = &item;
    service.answer<LoadRequest>([this](const LoadRequest& request) {
        answerLoad(request, { record, record });
    });
    const auto first = helper.load("/data/folder");
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].uniqueId, record.uniqueId);
    EXPECT_EQ(first[1].item, &item);

    service.answer<LoadRequest>(nullptr);
    EXPECT_EQ(helper.load("/data/folder").size(), 2u);

    service.answer<LoadRequest>([](const LoadRequest& request) { answerLoad(request, {}); });
    EXPECT_TRUE(helper.load("/data/folder").empty());
}

TEST_F(PersistentItemHelperTest, RemoveSendsTheItemAsItsSenderAndNothingElse)
{
    helper.remove(&item);

    ASSERT_EQ(service.log.entries.size(), 1u);
    ASSERT_TRUE(service.log.isAt<RemoveRequest>(0));
    EXPECT_EQ(service.log.all<RemoveRequest>()[0].object, &item);
    EXPECT_EQ(service.log.entries[0].sender, static_cast<const PubSub::Object*>(&item));
}

} // namespace
