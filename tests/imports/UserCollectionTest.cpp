#include "ImportBus.h"

#include <Import/UserCollection.h>
#include <Model/CollectionID.h>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

namespace {

using Testing::ImportBus;

TEST(UserCollectionIdentity, ACopyNamesTheSameCollection)
{
    const Import::UserCollection original("imports", "category_mine", "/data/imports");
    const Import::UserCollection copy(original);

    EXPECT_EQ(copy.id(), "imports");
    EXPECT_EQ(copy.category(), "category_mine");
    EXPECT_EQ(copy.storagePath(), "/data/imports");
}

TEST(UserCollectionIdentity, MovingTakesTheStoragePathAndCopiesTheNames)
{
    Import::UserCollection original("imports", "category_mine", "/data/imports");
    const Import::UserCollection moved(std::move(original));

    EXPECT_EQ(moved.id(), "imports");
    EXPECT_EQ(moved.category(), "category_mine");
    EXPECT_EQ(moved.storagePath(), "/data/imports");
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

    intros->setStoragePath("/elsewhere");
    EXPECT_EQ(intros->storagePath(), "/elsewhere");
}

TEST(UserCollectionLocating, LocateCategoryShowsTheCollectionThenItsCategoryWithTheFlag)
{
    ImportBus bus;
    Import::UserCollection collection("imports", "category_mine", QString());

    collection.locateCategory(true);
    collection.locateCategory(false);

    const auto& log = bus.spy.log;
    ASSERT_EQ(log.entries.size(), 4u);
    EXPECT_TRUE(log.isAt<ImportBus::LocateCollection>(0));
    EXPECT_TRUE(log.isAt<ImportBus::LocateCategory>(1));
    EXPECT_TRUE(log.isAt<ImportBus::LocateCollection>(2));
    EXPECT_EQ(log.all<ImportBus::LocateCollection>()[0].collectionId, "imports");
    const auto categories = log.all<ImportBus::LocateCategory>();
    EXPECT_EQ(categories[0].collectionId, "imports");
    EXPECT_EQ(categories[0].categoryId, "category_mine");
    EXPECT_TRUE(categories[0].flag);
    EXPECT_FALSE(categories[1].flag);
}

TEST(UserCollectionLocating, LocateItemShowsTheCollectionThenTheItemEvenWhenNull)
{
    ImportBus bus;
    Import::UserCollection collection("imports", "category_mine", QString());
    const Import::Object* item = bus.addItem("Clip", Import::Object::Video);

    collection.locateItem(item);
    collection.locateItem(nullptr);

    const auto& log = bus.spy.log;
    ASSERT_EQ(log.entries.size(), 4u);
    EXPECT_TRUE(log.isAt<ImportBus::LocateCollection>(0));
    EXPECT_TRUE(log.isAt<ImportBus::LocateItem>(1));
    EXPECT_TRUE(log.isAt<ImportBus::LocateCollection>(2));
    EXPECT_TRUE(log.isAt<ImportBus::LocateItem>(3));
    EXPECT_EQ(log.all<ImportBus::LocateItem>()[0].object, item);
    EXPECT_EQ(log.all<ImportBus::LocateItem>()[1].object, nullptr);
}

} // namespace
