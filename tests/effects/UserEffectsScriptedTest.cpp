// The bus traffic of the user effect presets, against a scripted persistence
// service whose read-back items are created with new: LeakSanitizer checks that
// every one of them ends with the caller, the test (as the collection) or deleted.

#include <BusSpy.h>
#include <CollectionHelper.h>
#include <Effect/UserEffects.h>
#include <PersistentItem.h>
#include <QDir>
#include <QUuid>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <functional>
#include <gmock/gmock.h>
#include <stdexcept>

namespace {

using namespace EditorCollection;
using Effect::AudioEqualizer;
using Effect::ManualEnhance;
using testing::ElementsAre;
using Record = PersistentItem<Effect::Object>;
using Store = StorePersistentItemRequest<Effect::Object>;
using Load = LoadPersistentItemRequest<Effect::Object>;
using Register = RegisterItemRequest<Effect::Object>;
using LocateCollection = LocateCollectionRequest<Effect::Object>;
using LocateItem = LocateItemRequest<Effect::Object>;
using Remove = RemovePersistentItemRequest<Effect::Object>;

std::type_index type(const std::type_info& info)
{
    return std::type_index(info);
}

class UserEffectsScripted : public testing::Test {
protected:
    void answerStores(bool success)
    {
        spy.answer<Store>([this, success](const Store& request) {
            stored = *request.object;
            StorePersistentItemNotification<Effect::Object> answer;
            answer.object = request.object;
            answer.success = success;
            PubSub::publish(answer);
        });
    }
    // Answers every load with the records made from the given items.
    void answerLoads(std::function<std::vector<const Effect::Object*>()> items)
    {
        spy.answer<Load>([this, items](const Load& request) {
            LoadPersistentItemNotification<Effect::Object> answer;
            answer.object = request.object;
            for (const Effect::Object* item : items()) {
                answer.items.push_back(stored);
                answer.items.back().item = item;
            }
            PubSub::publish(answer);
        });
    }
    // Reads back a copy of the stored equalizer, as the real service would.
    void answerLoadsWithStoredCopy()
    {
        answerLoads([this] {
            readBack = new AudioEqualizer(dynamic_cast<const AudioEqualizer&>(*stored.item));
            return std::vector<const Effect::Object*> { readBack };
        });
    }
    std::unique_ptr<const AudioEqualizer> save(const std::string& collectionId)
    {
        return Effect::saveUserEffect(&effect, "Warm", collectionId, preview);
    }
    // What a collection service would take over.
    void deleteRegistered()
    {
        for (const Register& request : spy.log.all<Register>())
            delete request.object;
    }

    Testing::TempDataRoot root;
    Testing::BusSpy<Store, Load, Register, LocateCollection, LocateItem, Remove> spy;
    Record stored;
    const Effect::Object* readBack = nullptr;
    AudioEqualizer effect;
    const std::shared_ptr<const Types::Image> preview = std::make_shared<const Types::Image>(QPixmap(4, 4));
};

TEST_F(UserEffectsScripted, SavingStoresAndReadsBackOneFileNamedByTheNewPresetId)
{
    answerStores(true);
    answerLoadsWithStoredCopy();
    effect.preamp = 3;

    const auto preset = save("");

    ASSERT_TRUE(preset);
    EXPECT_EQ(preset.get(), readBack);
    const QString id = QString::fromStdString(preset->id);
    EXPECT_EQ(id.size(), 38);
    EXPECT_EQ(QUuid(id).toString(), id);
    EXPECT_EQ(preset->secondaryId, preset->id);
    EXPECT_EQ(preset->preamp, 3);

    ASSERT_THAT(spy.log.types(), ElementsAre(type(typeid(Store)), type(typeid(Load))));
    const std::string path = QDir(Settings::userEffectsPath("AudioEqualizer")).filePath(id).toStdString();
    EXPECT_EQ(spy.log.all<Store>()[0].path, path);
    EXPECT_EQ(spy.log.all<Load>()[0].path, path);
    EXPECT_EQ(stored.customStrings, (std::map<std::string, std::string> { { preset->id, "Warm" } }));
    EXPECT_EQ(stored.collectionId, "");
    EXPECT_EQ(stored.preview.get(), preview.get());
    EXPECT_TRUE(stored.categories.empty());
}

TEST_F(UserEffectsScripted, SavingWithACollectionRegistersTheReadBackRecordThenLocatesIt)
{
    answerStores(true);
    answerLoadsWithStoredCopy();
    spy.answer<Register>([this](const Register& request) {
        ASSERT_TRUE(request.persistentItem);
        EXPECT_EQ(request.persistentItem->item, readBack);
        EXPECT_EQ(request.persistentItem->collectionId, "user effects");
    });
    effect.preamp = 3;

    const auto preset = save("user effects");

    ASSERT_THAT(spy.log.types(),
        ElementsAre(type(typeid(Store)), type(typeid(Load)), type(typeid(Register)),
            type(typeid(LocateCollection)), type(typeid(LocateItem))));
    EXPECT_EQ(stored.collectionId, "user effects");
    EXPECT_EQ(spy.log.all<Register>()[0].object, readBack);
    EXPECT_EQ(spy.log.all<Register>()[0].registerMode, 1);
    EXPECT_EQ(spy.log.all<LocateCollection>()[0].collectionId, "user effects");
    EXPECT_EQ(spy.log.all<LocateItem>()[0].object, readBack);
    ASSERT_TRUE(preset);
    EXPECT_NE(preset.get(), readBack);
    EXPECT_EQ(preset->id, readBack->id);
    EXPECT_EQ(preset->preamp, 3);
    deleteRegistered();
}

TEST_F(UserEffectsScripted, RefusedOrUnansweredStoreGivesNullAndReadsNothingBack)
{
    answerStores(false);
    EXPECT_FALSE(save("user effects"));
    spy.answer<Store>(nullptr);
    EXPECT_FALSE(save("user effects"));
    EXPECT_THAT(spy.log.types(), ElementsAre(type(typeid(Store)), type(typeid(Store))));
}

TEST_F(UserEffectsScripted, ReadBackOfNoneOrTwoRecordsGivesNullRegistersNothingAndLeaksNothing)
{
    answerStores(true);
    answerLoads([] { return std::vector<const Effect::Object*> {}; });
    EXPECT_FALSE(save("user effects"));
    answerLoads([] { return std::vector<const Effect::Object*> { new AudioEqualizer, new AudioEqualizer }; });
    EXPECT_FALSE(save("user effects"));
    EXPECT_TRUE(spy.log.all<Register>().empty());
}

TEST_F(UserEffectsScripted, ReadBackOfAnotherEffectTypeIsRegisteredButGivesNull)
{
    answerStores(true);
    answerLoads([] { return std::vector<const Effect::Object*> { new ManualEnhance }; });
    EXPECT_FALSE(save("user effects"));
    EXPECT_EQ(spy.log.all<Register>().size(), 1u);
    deleteRegistered();
}

TEST_F(UserEffectsScripted, FailureAfterTheReadBackAnswerPropagatesWithoutLeaking)
{
    answerStores(true);
    answerLoads([] { return std::vector<const Effect::Object*> { new AudioEqualizer }; });
    // Heard after the scripted service has answered.
    Testing::BusSpy<Load> failing;
    failing.answer<Load>([](const Load&) { throw std::runtime_error("disk gone"); });
    EXPECT_THROW(save(""), std::runtime_error);
}

TEST_F(UserEffectsScripted, ListingKeepsTheFirstPresetOfEachNameAndDeletesTheRest)
{
    stored.customStrings = { { "a", "Warm" }, { "b", "Warm" } };
    answerLoads([] {
        auto named = [](const std::string& id, double preamp) {
            auto* preset = new AudioEqualizer;
            preset->id = id;
            preset->preamp = preamp;
            return preset;
        };
        return std::vector<const Effect::Object*> { named("a", 1), nullptr, new ManualEnhance, named("b", 2),
            named("unnamed", 3) };
    });

    const auto presets = Effect::loadUserEffects<AudioEqualizer>();

    EXPECT_EQ(spy.log.all<Load>()[0].path, Settings::userEffectsPath("AudioEqualizer").toStdString());
    ASSERT_EQ(presets.size(), 2u);
    EXPECT_EQ(presets.at("Warm")->preamp, 1);
    EXPECT_EQ(presets.at("")->preamp, 3);
}

TEST_F(UserEffectsScripted, RemovalSendsTheEffectItselfAsSender)
{
    Effect::removeUserEffect(&effect);
    ASSERT_EQ(spy.log.all<Remove>().size(), 1u);
    EXPECT_EQ(spy.log.all<Remove>()[0].object, &effect);
    EXPECT_EQ(spy.log.entries[0].sender, static_cast<const PubSub::Object*>(&effect));
}

} // namespace
