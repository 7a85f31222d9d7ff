// The seams where read-back items change hands, one case each. Under the sanitizer
// build a double free or a leak here fails the run; the checks below hold in every build.

#include <BusSpy.h>
#include <CollectionHelper.h>
#include <Import/UserCollection.h>
#include <ItemView.h>
#include <Model/Translator.h>
#include <Records.h>
#include <Settings/Settings.h>
#include <WithServices.h>
#include <gmock/gmock.h>

#include <stdexcept>

namespace {

using namespace EditorCollection;
using Imports = Container<Import::Object>;
using ::testing::ElementsAre;

class HandOver : public Testing::WithServices {
protected:
    const Import::Object* save(const std::string& id)
    {
        const Import::Object item = Testing::withId<Import::Object>(id);
        return imports.saveUserImport(&item, QString::fromStdString(id), Testing::image(), "u");
    }

    Import::UserCollection imports { "imports", "mine", Settings::userImportsPath() };
};

// Puts back, by a nested change, what a change takes out of the container it follows.
class PutsBack : public View<Import::Object> {
    void itemsRemoved(const std::deque<const Import::Object*>& removed) override
    {
        auto* c = const_cast<Imports*>(containers.begin()->first);
        Imports back(*c);
        back.items.insert(back.items.end(), removed.begin(), removed.end());
        submitChange(c, &back);
    }
};

TEST_F(HandOver, AnItemPutBackByAFollowerWhileItsRemovalIsAnnouncedStaysAlive)
{
    const Import::Object* clip = save("clip");
    ASSERT_NE(clip, nullptr);
    PutsBack follower;
    const Imports* c = collections->container<Import::Object>("imports");
    follower.observe(const_cast<Imports*>(c));
    ASSERT_TRUE(imports.removeUserImport("clip", Import::Object::File));
    ASSERT_THAT(c->items, ElementsAre(clip));
    EXPECT_EQ(c->items.front()->id, "clip"); // read through the pointer: freed, it fails under ASan
}

TEST_F(HandOver, ALoadAnswerThatThrowsAfterTheHelperHeardItIsFreedOnce)
{
    using Answer = LoadPersistentItemNotification<Import::Object>;
    ASSERT_NE(save("clip"), nullptr);
    Testing::BusSpy<LoadPersistentItemRequest<Import::Object>> requests;
    std::unique_ptr<Testing::BusSpy<Answer>> late;
    // Made while the request is delivered, before the service answers and after the
    // helper subscribed: it hears the answer after the helper.
    requests.answer<LoadPersistentItemRequest<Import::Object>>([&late](const auto&) {
        late = std::make_unique<Testing::BusSpy<Answer>>();
        late->answer<Answer>([](const Answer&) { throw std::runtime_error("late subscriber"); });
    });
    persistence.emplace(); // after the spy
    EXPECT_THROW(
        PersistentItemHelper<Import::Object>().loadRecords(at("imports").toStdString()), std::runtime_error);
    late.reset();
    requests.answer<LoadPersistentItemRequest<Import::Object>>(nullptr);
    EXPECT_EQ(save("other")->id, "other"); // the bus and the services still work
}

TEST_F(HandOver, ARegistrationWithoutACollectionIdIsTakenLikeAnyOther)
{
    Import::UserCollection loose("", "mine", Settings::userImportsPath());
    const Import::Object item = Testing::withId<Import::Object>("loose");
    const Import::Object* saved = loose.saveUserImport(&item, "loose", Testing::image(), "u");
    ASSERT_NE(saved, nullptr);
    EXPECT_THAT(collections->container<Import::Object>("")->items, ElementsAre(saved));
}

} // namespace
