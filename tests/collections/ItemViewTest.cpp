#include <ItemView.h>
#include <Model/ImportObject.h>
#include <Records.h>
#include <gmock/gmock.h>

#include <vector>

namespace {

using Item = Import::Object;
using C = EditorCollection::Container<Item>;
using ::testing::ElementsAre;
using Testing::image;
using Testing::withId;

// Logs every hook it receives, naming items by their ids.
class RecordingItemView : public EditorCollection::View<Item> {
public:
    ~RecordingItemView() override = default;

    std::vector<std::string> log;

private:
    std::string list(const std::deque<const Item*>& items) const
    {
        std::string text;
        for (const Item* item : items)
            text += item->id;
        return text;
    }
    void onContainerAppeared(const C*) override { log.push_back("appeared"); }
    void onContainerDisappeared(const C*) override { log.push_back("disappeared"); }
    void onContainerReplaced(const C*, const C&) override { log.push_back("replaced"); }
    void onContainerUpdated(const C*) override { log.push_back("updated"); }
    void itemSequenceChanged(const C*) override { log.push_back("sequence"); }
    void itemsAdded(const std::deque<const Item*>& added) override { log.push_back("added " + list(added)); }
    void itemsRemoved(const std::deque<const Item*>& removed) override
    {
        log.push_back("removed " + list(removed));
    }
    void textListChanged(const std::deque<std::string>&, const std::deque<std::string>&) override
    {
        log.push_back("textList");
    }
    void textMapChanged() override { log.push_back("textMap"); }
    void itemTextSetsChanged() override { log.push_back("itemTextSets"); }
    void firstFlagChanged(bool now) override { log.push_back(now ? "firstFlag on" : "firstFlag off"); }
    void secondFlagChanged(bool now) override { log.push_back(now ? "secondFlag on" : "secondFlag off"); }
    void removableItemsChanged() override { log.push_back("removableItems"); }
    void secondTextChanged(const std::string&, const std::string&) override { log.push_back("secondText"); }
    void previewAdded(const Item* item, std::shared_ptr<const Types::Image>) override
    {
        log.push_back("previewAdded " + item->id);
    }
    void previewRemoved(const Item* item) override { log.push_back("previewRemoved " + item->id); }
    void previewChanged(const Item* item) override { log.push_back("previewChanged " + item->id); }
};

struct ItemViewTest : ::testing::Test {
    // The hooks an observing item view receives when the owner changes before into after.
    std::vector<std::string> hooksOfChange(const C& before, C after)
    {
        C c = before;
        Message::View<C> owner;
        owner.add(&c);
        RecordingItemView view;
        view.observe(&c);
        view.log.clear();
        owner.submitChange(&c, &after);
        return view.log;
    }

    const Item a = withId<Item>("a"), b = withId<Item>("b"), c = withId<Item>("c");
};

TEST_F(ItemViewTest, AppearingContainerReportsEveryItemAsAddedAndNoPreview)
{
    C container;
    container.items = { &a, &b, &c };
    container.previews = { { &a, image() }, { &c, image() } };
    RecordingItemView view;
    view.observe(&container);
    EXPECT_THAT(view.log, ElementsAre("appeared", "sequence", "added abc", "updated"));

    view.log.clear();
    view.stopObserving(&container);
    EXPECT_THAT(view.log, ElementsAre("sequence", "removed abc", "updated", "disappeared"));
}

TEST_F(ItemViewTest, ItemListsFollowSequenceOrder)
{
    C before, after;
    before.items = { &a, &b, &c };
    after.items = { &c, &b, &a };
    EXPECT_THAT(hooksOfChange(before, after), ElementsAre("sequence", "replaced", "updated"));

    after.items = { &c, &b };
    before.items = { &a, &b };
    EXPECT_THAT(
        hooksOfChange(before, after), ElementsAre("sequence", "added c", "removed a", "replaced", "updated"));
}

TEST_F(ItemViewTest, PreviewHooksForItemsKeptInTheSequence)
{
    const auto first = image();
    C before;
    before.items = { &a, &b };
    C after = before;
    after.previews[&a] = first;
    EXPECT_THAT(hooksOfChange(before, after),
        ElementsAre("previewAdded a", "previewChanged a", "replaced", "updated"));

    before.previews[&a] = first;
    after.previews[&a] = image();
    EXPECT_THAT(hooksOfChange(before, after), ElementsAre("previewChanged a", "replaced", "updated"));

    after.previews.clear();
    EXPECT_THAT(hooksOfChange(before, after),
        ElementsAre("previewRemoved a", "previewChanged a", "replaced", "updated"));

    // An item leaving the sequence gets no preview hook, however its preview changed.
    after.items = { &b };
    EXPECT_THAT(hooksOfChange(before, after), ElementsAre("sequence", "removed a", "replaced", "updated"));

    // An item listed twice gets them twice.
    before.items = { &a, &b, &a };
    before.previews.clear();
    after = before;
    after.previews[&a] = image();
    EXPECT_THAT(hooksOfChange(before, after),
        ElementsAre("previewAdded a", "previewChanged a", "previewAdded a", "previewChanged a", "replaced",
            "updated"));
}

TEST_F(ItemViewTest, MemberHooksComeInTheirFixedOrder)
{
    C before, after;
    after.firstFlag = true;
    after.secondFlag = true;
    after.itemTextSets[&a] = { "x" };
    after.removableItems = { &a };
    after.textMap["k"] = "v";
    after.secondText = "s";
    after.textList = { "t" };
    EXPECT_THAT(hooksOfChange(before, after),
        ElementsAre("textList", "secondText", "textMap", "removableItems", "itemTextSets", "firstFlag on",
            "secondFlag on", "replaced", "updated"));

    before = after;
    after.secondFlag = false;
    // Neither the first text nor the second item set is compared.
    after.firstText = "renamed";
    after.secondItemSet = { &a };
    EXPECT_THAT(hooksOfChange(before, after), ElementsAre("secondFlag off", "replaced", "updated"));
}

} // namespace
