#include <CollectionHelper.h>
#include <ContainerView.h>
#include <Model/CollectionID.h>
#include <Model/Translator.h>
#include <Overlay/OverlayPresets.h>
#include <QDir>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

namespace {

TEST(UserTitlesWithServices, ASecondTitleOfOneNameGetsTheNextVariantAndBothAreListed)
{
    Testing::TempDataRoot root;
    Services::PersistenceService persistence;
    Services::CollectionService collections;
    Overlay::Preset preset;
    preset.id = "preset-1";

    ASSERT_TRUE(Overlay::saveUserPreset(&preset, "Hello"));
    ASSERT_TRUE(Overlay::saveUserPreset(&preset, "Hello"));

    EditorCollection::CollectionHelper<Overlay::Preset> titles(EditorCollection::CollectionID::TITLES);
    const EditorCollection::Container<Overlay::Preset>* container = titles.getCollection().collection;
    ASSERT_NE(container, nullptr);
    ASSERT_EQ(container->items.size(), 2u);
    QStringList names;
    for (const Overlay::Preset* title : container->items) {
        names << Translator::translate(title->id);
        const auto preview = container->previews.find(title);
        ASSERT_NE(preview, container->previews.end());
        EXPECT_NE(preview->second, nullptr);
    }
    EXPECT_EQ(names, (QStringList { "Hello", "Hello_01" }));
    EXPECT_EQ(QDir(Settings::userOverlaysPath()).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(Overlay::nextName("Hello"), "Hello_02");
    Translator::clear();
}

} // namespace
