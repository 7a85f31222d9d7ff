#include <Model/ImportObject.h>
#include <ScriptedBus.h>
#include <gtest/gtest.h>

using namespace EditorCollection;

namespace {

using Item = Import::Object;
using StoreRequest = StorePersistentItemRequest<Item>;
using LoadRequest = LoadPersistentItemRequest<Item>;
using RemoveRequest = RemovePersistentItemRequest<Item>;

class PersistentItemHelperTest : public ::testing::Test {
protected:
    Testing::BusSpy<StoreRequest, LoadRequest, RemoveRequest> service;
    PersistentItemHelper<Item> helper;
    Item item;
    PersistentItem<Item> record;
};

TEST_F(PersistentItemHelperTest, StoreSendsTheRecordAndPathAndIsTrueOnlyIfTheLastAnswerIsSuccess)
{
    EXPECT_FALSE(helper.store(&record, "/data/a")); // unanswered
    bool last = false;
    service.answer<StoreRequest>([&last](const StoreRequest& request) {
        Testing::answerStore(request, !last);
        Testing::answerStore(request, last);
    });
    EXPECT_FALSE(helper.store(&record, "/data/a"));
    last = true;
    EXPECT_TRUE(helper.store(&record, "/data/a"));
    EXPECT_TRUE(helper.storeResults.isEmpty());

    const auto requests = service.log.all<StoreRequest>();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].object, &record);
    EXPECT_EQ(requests[2].path, "/data/a");
    EXPECT_EQ(service.log.entries[2].sender, static_cast<const PubSub::Object*>(&record));
}

TEST_F(PersistentItemHelperTest, LoadSendsAFreshProbeAndKeepsTheAnswerWhenTheNextGoesUnanswered)
{
    record.item = &item;
    const PubSub::Object* probe = nullptr; // taken while the probe lives
    service.answer<LoadRequest>([this, &probe](const LoadRequest& request) {
        probe = request.object;
        Testing::answerLoad(request, { record, record });
    });
    const auto first = helper.load("/data/folder");
    const auto request = service.log.all<LoadRequest>().at(0);
    EXPECT_NE(probe, nullptr);
    EXPECT_EQ(service.log.entries[0].sender, probe);
    EXPECT_EQ(request.path, "/data/folder");
    EXPECT_TRUE(request.selector.empty());
    EXPECT_FALSE(request.filter);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].uniqueId, record.uniqueId);
    EXPECT_EQ(first[1].item, &item);

    service.answer<LoadRequest>(nullptr);
    EXPECT_EQ(helper.load("/data/folder").size(), 2u);
    service.answer<LoadRequest>([](const LoadRequest& request) { Testing::answerLoad<Item>(request, {}); });
    EXPECT_TRUE(helper.load("/data/folder").empty());
}

TEST_F(PersistentItemHelperTest, RemoveSendsTheItemAsItsSenderAndNothingElse)
{
    helper.remove(&item);

    ASSERT_EQ(service.log.types(), Testing::typesOf<RemoveRequest>());
    EXPECT_EQ(service.log.all<RemoveRequest>()[0].object, &item);
    EXPECT_EQ(service.log.entries[0].sender, static_cast<const PubSub::Object*>(&item));
}

} // namespace
