#include "ImportBus.h"
#include <Import/UserCollection.h>
#include <gtest/gtest.h>

namespace {

using Testing::ImportBus;
using Kind = Import::Object::Kind;

class ItemNamingQueries : public ::testing::Test {
protected:
    ImportBus bus;
    const Import::UserCollection collection { "user-imports", "imports", QString() };
};

// The rule itself is the titles' (a property there); here that only the kind counts.
TEST_F(ItemNamingQueries, NamesOfTheKindAreTakenAndOfAnotherKindNever)
{
    bus.addItem("Intro", Kind::Intro);
    bus.addItem("Intro_01", Kind::Intro);
    bus.addItem("Intro_02", Kind::Video);
    EXPECT_EQ(collection.nextName("Intro_05", Kind::Intro), "Intro_05");
    EXPECT_EQ(collection.nextName("Intro", Kind::Intro), "Intro_02");
    EXPECT_FALSE(collection.nameAvailable("Intro_01", Kind::Intro));
    EXPECT_TRUE(collection.nameAvailable("Intro_02", Kind::Intro));
    EXPECT_FALSE(collection.nameAvailable("Intro_02", Kind::Video));
    // Asked of the named collection every time: nothing is reserved.
    EXPECT_EQ(collection.nextName("Intro", Kind::Intro), "Intro_02");
    EXPECT_EQ(bus.spy.log.all<ImportBus::Get>().back().collectionId, "user-imports");
}

TEST_F(ItemNamingQueries, ItemRemovableLooksOnlyAtRemovableItemsOfTheKind)
{
    EXPECT_FALSE(collection.itemRemovable("Clip", Kind::Video));
    bus.addItem("Fixed", Kind::Video, false);
    bus.addItem("Clip", Kind::Video);

    EXPECT_TRUE(collection.itemRemovable("Clip", Kind::Video));
    EXPECT_FALSE(collection.itemRemovable("Clip", Kind::Audio));
    EXPECT_FALSE(collection.itemRemovable("Fixed", Kind::Video));
    EXPECT_FALSE(collection.itemRemovable("clip", Kind::Video));
}

} // namespace
