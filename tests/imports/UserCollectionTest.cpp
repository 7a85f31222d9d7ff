#include "ImportBus.h"
#include <Import/UserCollection.h>
#include <gtest/gtest.h>

namespace {

using Testing::ImportBus;

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
