#include <BusSpy.h>
#include <ContainerView.h>
#include <Model/ImportObject.h>
#include <gmock/gmock.h>

#include <string>

namespace {

using namespace Message::Types;
using Item = Import::Object;
using C = EditorCollection::Container<Item>;
using Spy = Testing::BusSpy<Add<C>, Change<C>, Remove<C>, Enumerate<C>, Added<C>, Changed<C>, Removed<C>,
    Enumerated<C>>;
using ::testing::ElementsAre;

// Records its hooks, with the item counts they saw, into a shared event list.
class RecordingView : public Message::View<C> {
public:
    explicit RecordingView(std::vector<std::string>& events)
        : events(events)
    {
    }
    ~RecordingView() override = default;

    const std::map<const C*, C*>& known() const { return containers; }

    std::vector<std::string>& events;

private:
    void containerAppeared(const C*) override { events.push_back("appeared"); }
    void containerChanged(const C*, const C& before, const C& after) override
    {
        events.push_back(
            "changed " + std::to_string(before.items.size()) + "->" + std::to_string(after.items.size()));
    }
    void containerReplaced(const C*, const C&) override { events.push_back("replaced"); }
    void containerUpdated(const C*) override { events.push_back("updated"); }
    void containerDisappeared(const C*) override { events.push_back("disappeared"); }
};

struct ContainerViewTest : ::testing::Test {
    Item a, b;
    std::vector<std::string> events;
};

TEST_F(ContainerViewTest, ObservingReportsTheContainerAsAppearingWithoutPublishing)
{
    Spy spy;
    C c;
    c.items = { &a, &b };
    RecordingView view(events);
    view.observe(&c);

    EXPECT_THAT(events, ElementsAre("appeared", "changed 0->2", "updated"));
    EXPECT_EQ(view.known().at(&c), nullptr);
    EXPECT_TRUE(spy.log.entries.empty());
}

TEST_F(ContainerViewTest, RemovePublishesRemovedWhileTheContainerIsIntactBeforeAnyHook)
{
    C c;
    c.items = { &a, &b };
    RecordingView owner(events);
    owner.add(&c);
    events.clear();

    Spy spy;
    spy.answer<Removed<C>>([&](const Removed<C>& removed) {
        events.push_back("Removed with " + std::to_string(removed.object->items.size()));
    });
    owner.remove(&c);

    EXPECT_THAT(events, ElementsAre("Removed with 2", "changed 2->0", "updated", "disappeared"));
    EXPECT_TRUE(owner.known().empty());
}

TEST_F(ContainerViewTest, OwnerAppliesAChangeRequestToACopyAndReportsTheFormerContents)
{
    C c;
    c.items = { &a };
    RecordingView owner(events);
    owner.add(&c);
    std::vector<std::string> observed;
    RecordingView requester(observed);
    requester.observe(&c);
    observed.clear();

    Spy spy;
    std::vector<const Item*> previous;
    spy.answer<Changed<C>>([&](const Changed<C>& changed) {
        previous.assign(changed.previous->items.begin(), changed.previous->items.end());
    });
    C contents;
    contents.items = { &a, &b };
    requester.submitChange(&c, &contents);

    EXPECT_THAT(contents.items, ElementsAre(&a, &b));
    EXPECT_THAT(c.items, ElementsAre(&a, &b));
    EXPECT_THAT(previous, ElementsAre(&a));
    EXPECT_EQ(spy.log.types(), (Testing::typesOf<Changed<C>, Change<C>>())); // the answer is nested
    EXPECT_THAT(observed, ElementsAre("changed 1->2", "replaced", "updated"));
}

TEST_F(ContainerViewTest, DestroyingAViewThatOwnsContainersPublishesNothing)
{
    C owned, observed;
    Spy spy;
    {
        RecordingView view(events);
        view.add(&owned);
        view.observe(&observed);
        spy.log.clear();
        events.clear();
    }
    EXPECT_TRUE(spy.log.entries.empty());
    EXPECT_TRUE(events.empty());
}

} // namespace
