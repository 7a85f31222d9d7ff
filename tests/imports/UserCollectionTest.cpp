#include "ImportBus.h"
#include <Import/UserCollection.h>
#include <Model/CollectionID.h>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

namespace {

using Testing::ImportBus;

TEST(UserCollectionIdentity, TheIntroCollectionKeepsTheIntroFolderOfItsCreation)
{
    Testing::TempDataRoot root;
    const QString introsPath = Settings::userIntrosPath();
    const std::unique_ptr<Import::UserCollection> intros = Import::UserCollection::makeIntroCollection();
    Testing::TempDataRoot laterRoot;

    EXPECT_EQ(intros->id(), EditorCollection::CollectionID::INTROS);
    EXPECT_EQ(intros->category(), "intros");
    EXPECT_EQ(intros->storagePath(), introsPath);
    EXPECT_NE(Settings::userIntrosPath(), introsPath);
}

// The order of the locate requests is the collection helper's; here what the
// collection puts in them.
TEST(UserCollectionLocating, LocatingNamesTheCollectionItsCategoryAndTheItem)
{
    ImportBus bus;
    Import::UserCollection collection("imports", "category_mine", QString());
    const Import::Object* item = bus.addItem("Clip", Import::Object::Video);

    collection.locateCategory(true);
    collection.locateItem(item);

    const auto& log = bus.spy.log;
    ASSERT_EQ(log.types(),
        (Testing::typesOf<ImportBus::LocateCollection, ImportBus::LocateCategory, ImportBus::LocateCollection,
            ImportBus::LocateItem>()));
    EXPECT_EQ(log.all<ImportBus::LocateCollection>()[1].collectionId, "imports");
    const ImportBus::LocateCategory category = log.all<ImportBus::LocateCategory>()[0];
    EXPECT_EQ(category.collectionId, "imports");
    EXPECT_EQ(category.categoryId, "category_mine");
    EXPECT_TRUE(category.flag);
    EXPECT_EQ(log.all<ImportBus::LocateItem>()[0].object, item);
}

} // namespace
