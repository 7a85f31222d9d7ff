#include "ImportBus.h"

#include <Import/UserCollection.h>
#include <Model/CollectionID.h>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

namespace {

using Testing::ImportBus;

TEST(UserCollectionIdentity, CopyOrMoveNamesTheSameCollectionAndMovingTakesTheStoragePath)
{
    Import::UserCollection original("imports", "category_mine", "/data/imports");
    const Import::UserCollection copy(original);
    const Import::UserCollection moved(std::move(original));

    for (const Import::UserCollection* collection : { &copy, &moved }) {
        EXPECT_EQ(collection->id(), "imports");
        EXPECT_EQ(collection->category(), "category_mine");
        EXPECT_EQ(collection->storagePath(), "/data/imports");
    }
    EXPECT_EQ(original.id(), "imports");
    EXPECT_EQ(original.category(), "category_mine");
    EXPECT_TRUE(original.storagePath().isEmpty());
}

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

TEST(UserCollectionLocating, LocatingShowsTheCollectionThenTheCategoryWithTheFlagOrTheItemEvenWhenNull)
{
    ImportBus bus;
    Import::UserCollection collection("imports", "category_mine", QString());
    const Import::Object* item = bus.addItem("Clip", Import::Object::Video);

    collection.locateCategory(true);
    collection.locateCategory(false);
    collection.locateItem(item);
    collection.locateItem(nullptr);

    using Collection = ImportBus::LocateCollection;
    const auto& log = bus.spy.log;
    ASSERT_EQ(log.types(),
        (Testing::typesOf<Collection, ImportBus::LocateCategory, Collection, ImportBus::LocateCategory,
            Collection, ImportBus::LocateItem, Collection, ImportBus::LocateItem>()));
    EXPECT_EQ(log.all<Collection>()[0].collectionId, "imports");
    const auto categories = log.all<ImportBus::LocateCategory>();
    EXPECT_EQ(categories[0].collectionId, "imports");
    EXPECT_EQ(categories[0].categoryId, "category_mine");
    EXPECT_TRUE(categories[0].flag);
    EXPECT_FALSE(categories[1].flag);
    EXPECT_EQ(log.all<ImportBus::LocateItem>()[0].object, item);
    EXPECT_EQ(log.all<ImportBus::LocateItem>()[1].object, nullptr);
}

} // namespace
