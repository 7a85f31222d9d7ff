#include "ImportBus.h"
#include <Import/UserCollection.h>
#include <gtest/gtest.h>

namespace {

using Testing::ImportBus;
using Kind = Import::Object::Kind;

class RemovingImports : public ::testing::Test {
protected:
    ImportBus bus;
    Import::UserCollection collection { "user-imports", "category_mine", QString() };
};

TEST_F(RemovingImports, NothingFoundAsksOnlyForTheCollection)
{
    EXPECT_FALSE(collection.removeUserImport("Clip", Kind::Video));
    bus.addItem("Clip", Kind::Audio);
    EXPECT_FALSE(collection.removeUserImport("Clip", Kind::Video));
    EXPECT_FALSE(collection.removeUserImport("clip", Kind::Audio));

    EXPECT_EQ(bus.spy.log.types(), (Testing::typesOf<ImportBus::Get, ImportBus::Get, ImportBus::Get>()));
}

TEST_F(RemovingImports, OnlyTheFirstItemOfTheNameIsRemovedFromStoreAndCollection)
{
    const Import::Object* before = bus.addItem("Before", Kind::Video);
    const Import::Object* first = bus.addItem("Clip", Kind::Video, false);
    const Import::Object* other = bus.addItem("Clip", Kind::Audio);
    const Import::Object* second = bus.addItem("Clip", Kind::Video);
    bus.container.secondText = "kept";

    EXPECT_TRUE(collection.removeUserImport("Clip", Kind::Video));

    const auto& log = bus.spy.log;
    ASSERT_EQ(log.types(), (Testing::typesOf<ImportBus::Get, ImportBus::Remove, ImportBus::Change>()));
    EXPECT_EQ(log.all<ImportBus::Remove>()[0].object, first);
    EXPECT_EQ(log.all<ImportBus::Change>()[0].object, &bus.container);

    EXPECT_EQ(bus.changedTo.items, (std::deque<const Import::Object*> { before, other, second }));
    EXPECT_EQ(bus.changedTo.removableItems, bus.container.removableItems);
    EXPECT_EQ(bus.changedTo.secondText, "kept");
    EXPECT_EQ(bus.container.items.size(), 4u); // only the owner applies the change
}

} // namespace
