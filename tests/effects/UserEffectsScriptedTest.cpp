// The bus traffic of the user effect presets, against a scripted persistence
// service whose read-back items count themselves: each must end with the caller,
// the scripted collection, or deleted.

#include <Effect/UserEffects.h>
#include <ScriptedBus.h>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <gmock/gmock.h>

#include <QDir>
#include <QUuid>

namespace {

using Effect::AudioEqualizer;
using Effect::ManualEnhance;
using Bus = Testing::ScriptedBus<Effect::Object>;
using Items = std::vector<const Effect::Object*>;
using Testing::typesOf;

class UserEffectsScripted : public testing::Test {
protected:
    // By default a load reads back a copy of the stored equalizer, as the real service would.
    UserEffectsScripted()
    {
        effect.preamp = 3;
        bus.readBack = [this] {
            readBack = Testing::readBackOf(dynamic_cast<const AudioEqualizer&>(*bus.stored.back().item));
            return Items { readBack };
        };
    }
    std::unique_ptr<const AudioEqualizer> save(const std::string& collectionId)
    {
        return Effect::saveUserEffect(&effect, "Warm", collectionId, preview);
    }

    Testing::TempDataRoot root;
    Bus bus;
    const Effect::Object* readBack = nullptr;
    AudioEqualizer effect;
    const std::shared_ptr<const Types::Image> preview = Testing::image();
};

TEST_F(UserEffectsScripted, SavingStoresAndReadsBackOneFileNamedByTheNewPresetId)
{
    const auto preset = save("");

    ASSERT_TRUE(preset);
    EXPECT_EQ(preset.get(), readBack);
    const QString id = QString::fromStdString(preset->id);
    EXPECT_EQ(QUuid(id).toString(), id);
    EXPECT_EQ(preset->secondaryId, preset->id);
    EXPECT_EQ(preset->preamp, 3);
    EXPECT_EQ(effect.id, ""); // the caller's effect is not touched

    ASSERT_EQ(bus.spy.log.types(), (typesOf<Bus::Store, Bus::Load>()));
    const std::string path = QDir(Settings::userEffectsPath("AudioEqualizer")).filePath(id).toStdString();
    EXPECT_EQ(bus.spy.log.all<Bus::Store>()[0].path, path);
    EXPECT_EQ(bus.spy.log.all<Bus::Load>()[0].path, path);
    const Bus::Record& stored = bus.stored.at(0);
    EXPECT_EQ(stored.customStrings, (std::map<std::string, std::string> { { preset->id, "Warm" } }));
    EXPECT_EQ(stored.collectionId, "");
    EXPECT_EQ(stored.preview.get(), preview.get());
    EXPECT_TRUE(stored.categories.empty());
}

TEST_F(UserEffectsScripted, SavingWithACollectionRegistersTheReadBackRecordThenLocatesIt)
{
    const auto preset = save("user effects");

    const auto& log = bus.spy.log;
    ASSERT_EQ(log.types(),
        (typesOf<Bus::Store, Bus::Load, Bus::Register, Bus::LocateCollection, Bus::LocateItem>()));
    EXPECT_EQ(bus.stored.at(0).collectionId, "user effects");
    ASSERT_EQ(bus.registered.size(), 1u);
    EXPECT_EQ(bus.registered[0].item, readBack);
    EXPECT_EQ(bus.registered[0].collectionId, "user effects");
    EXPECT_EQ(log.all<Bus::Register>()[0].object, readBack);
    EXPECT_EQ(log.all<Bus::Register>()[0].registerMode, 1);
    EXPECT_EQ(log.all<Bus::LocateCollection>()[0].collectionId, "user effects");
    EXPECT_EQ(log.all<Bus::LocateItem>()[0].object, readBack);
    ASSERT_TRUE(preset);
    EXPECT_NE(preset.get(), readBack);
    EXPECT_EQ(preset->id, readBack->id);
    EXPECT_EQ(preset->preamp, 3);
}

TEST_F(UserEffectsScripted, RefusedOrUnansweredStoreGivesNullAndReadsNothingBack)
{
    bus.storeSucceeds = false;
    EXPECT_FALSE(save("user effects"));
    bus.spy.answer<Bus::Store>(nullptr);
    EXPECT_FALSE(save("user effects"));
    EXPECT_EQ(bus.spy.log.types(), (typesOf<Bus::Store, Bus::Store>()));
}

TEST_F(UserEffectsScripted, ReadBackOfNoneTwoOrAnotherTypeGivesNullAndLeaksNothing)
{
    using Testing::readBackOf;
    bus.readBack = [] { return Items {}; };
    EXPECT_FALSE(save("user effects"));
    bus.readBack = [] { return Items { readBackOf<AudioEqualizer>(), readBackOf<AudioEqualizer>() }; };
    EXPECT_FALSE(save("user effects"));
    EXPECT_TRUE(bus.held.empty());
    EXPECT_EQ(Testing::liveReadBacks, 0);
    bus.readBack = [] { return Items { readBackOf<ManualEnhance>() }; };
    EXPECT_FALSE(save("user effects"));
    EXPECT_EQ(bus.held.size(), 1u); // registered: the collection owns it
    EXPECT_EQ(Testing::liveReadBacks, 1);
}

TEST_F(UserEffectsScripted, ListingKeepsTheFirstPresetOfEachNameAndDeletesTheRest)
{
    bus.stored.emplace_back().customStrings = { { "a", "Warm" }, { "b", "Warm" } }; // the record read back
    bus.readBack = [] {
        auto named = [](const std::string& id, double preamp) {
            AudioEqualizer preset;
            preset.id = id;
            preset.preamp = preamp;
            return Testing::readBackOf(preset);
        };
        return Items { named("a", 1), nullptr, Testing::readBackOf<ManualEnhance>(), named("b", 2),
            named("unnamed", 3) };
    };

    const auto presets = Effect::loadUserEffects<AudioEqualizer>();
    EXPECT_EQ(Testing::liveReadBacks, 2);

    EXPECT_EQ(
        bus.spy.log.all<Bus::Load>()[0].path, Settings::userEffectsPath("AudioEqualizer").toStdString());
    ASSERT_EQ(presets.size(), 2u);
    EXPECT_EQ(presets.at("Warm")->preamp, 1);
    EXPECT_EQ(presets.at("")->preamp, 3);
}

// An answering side that keeps the items of its first answer and frees them itself
// (a test double, another editor's service) and hands over those of its second, as
// the final answer is handed over. Freeing a kept item here would be a double free.
TEST_F(UserEffectsScripted, OnlyTheFinalAnswersItemsAreHandedOnAndNothingUnofferedIsFreed)
{
    std::deque<AudioEqualizer> kept(2);
    auto recordOf = [](const AudioEqualizer& preset, const std::string& name) {
        Bus::Record record;
        record.item = &preset;
        record.customStrings[preset.id] = name;
        return record;
    };
    kept[0].id = "k0";
    kept[1].id = "k1";
    std::function<std::deque<Bus::Record>()> final;
    bus.spy.answer<Bus::Load>([&](const Bus::Load& request) {
        Testing::answerLoad<Effect::Object>(request, { recordOf(kept[0], "a"), recordOf(kept[1], "b") });
        Testing::answerLoad<Effect::Object>(request, final());
    });

    final = [&] {
        AudioEqualizer handed;
        handed.id = "h";
        handed.preamp = 7;
        return std::deque<Bus::Record> { recordOf(*Testing::readBackOf(handed), "c") };
    };
    {
        const auto presets = Effect::loadUserEffects<AudioEqualizer>();
        ASSERT_EQ(presets.size(), 1u);
        EXPECT_EQ(presets.at("c")->preamp, 7);
        const auto saved = save("");
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->id, "h");
    }
    EXPECT_EQ(Testing::liveReadBacks, 0);

    // A final answer of two records: no preset, and its items stay their sender's.
    final = [&] { return std::deque<Bus::Record> { recordOf(kept[1], "b"), recordOf(kept[0], "a") }; };
    EXPECT_FALSE(save(""));
    EXPECT_FALSE(save("user effects"));
    EXPECT_TRUE(bus.held.empty());
    EXPECT_EQ(EditorCollection::PersistentItemHelper<Effect::Object>().load("/any").at(0).item, &kept[1]);
    EXPECT_EQ(kept[0].id, "k0");
    EXPECT_EQ(kept[1].id, "k1");
}

} // namespace
