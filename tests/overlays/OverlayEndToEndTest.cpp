#include <Model/CollectionID.h>
#include <Overlay/OverlayPresets.h>
#include <ScriptedBus.h>
#include <Settings/Settings.h>
#include <WithServices.h>

namespace {

using UserTitlesWithServices = Testing::WithServices;

TEST_F(UserTitlesWithServices, ASecondTitleOfOneNameGetsTheNextVariantAndBothAreListed)
{
    Overlay::Preset preset = Testing::withId<Overlay::Preset>("preset-1");
    ASSERT_TRUE(Overlay::saveUserPreset(&preset, "Hello"));
    ASSERT_TRUE(Overlay::saveUserPreset(&preset, "Hello"));

    EditorCollection::CollectionHelper<Overlay::Preset> titles(EditorCollection::CollectionID::TITLES);
    const EditorCollection::Container<Overlay::Preset>* container = titles.getCollection().collection;
    ASSERT_NE(container, nullptr);
    ASSERT_EQ(container->items.size(), 2u);
    QStringList names;
    for (const Overlay::Preset* title : container->items) {
        names << Translator::translate(title->id);
        EXPECT_NE(container->previews.count(title) ? container->previews.at(title) : nullptr, nullptr);
    }
    EXPECT_EQ(names, (QStringList { "Hello", "Hello_01" }));
    EXPECT_EQ(QDir(Settings::userOverlaysPath()).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(Overlay::nextName("Hello"), "Hello_02");
}

} // namespace
