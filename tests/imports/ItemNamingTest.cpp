#include "ImportBus.h"
#include <Import/UserCollection.h>
#include <NamingRows.h>

namespace {

using Testing::ImportBus;
using Testing::NamingRow;
using Kind = Import::Object::Kind;

class ItemNaming : public ::testing::TestWithParam<NamingRow> {
protected:
    ImportBus bus;
    Import::UserCollection collection { "user-intros", "intros", QString() };
};

TEST_P(ItemNaming, ProposesTheFirstFreeNumberedVariantOfTheStem)
{
    const NamingRow& row = GetParam();
    for (const std::string& name : row.taken)
        bus.addItem(name, Kind::Intro);

    EXPECT_EQ(collection.nextName(row.wanted, Kind::Intro), row.expected);
    EXPECT_EQ(collection.nameAvailable(row.wanted, Kind::Intro), row.expected == row.wanted);
}

INSTANTIATE_TEST_SUITE_P(Rows, ItemNaming,
    ::testing::Values(NamingRow { "EmptyCollection", {}, "Intro", "Intro" },
        NamingRow { "Taken", { "Intro" }, "Intro", "Intro_01" },
        NamingRow { "FirstVariantTaken", { "Intro", "Intro_01" }, "Intro", "Intro_02" },
        NamingRow { "NumberingRestartsFromTheStem", { "Intro_07" }, "Intro_07", "Intro_01" },
        NamingRow { "OneDigitSuffix", { "Intro_1" }, "Intro_1", "Intro_01" },
        NamingRow { "UnderscoreWithoutDigitsStays", { "Intro_" }, "Intro_", "Intro__01" },
        NamingRow { "OnlyTheLastNumberGoes", { "Intro_01_02" }, "Intro_01_02", "Intro_01_01" },
        NamingRow { "HundredthVariant", Testing::numberedUpTo("Intro", 99), "Intro", "Intro_100" },
        NamingRow { "CaseMatters", { "Intro" }, "intro", "intro" },
        NamingRow { "NameHeldTwice", { "Intro", "Intro" }, "Intro", "Intro_01" },
        NamingRow { "BlanksAreNotTrimmed", { "Intro" }, "Intro ", "Intro " }),
    Testing::rowName);

class ItemNamingQueries : public ::testing::Test {
protected:
    ImportBus bus;
    const Import::UserCollection collection { "user-imports", "imports", QString() };
};

TEST_F(ItemNamingQueries, ItemsOfAnotherKindNeverTakeAName)
{
    bus.addItem("Intro", Kind::Video);
    EXPECT_TRUE(collection.nameAvailable("Intro", Kind::Intro));
    EXPECT_FALSE(collection.nameAvailable("Intro", Kind::Video));
}

TEST_F(ItemNamingQueries, NextNameAsksTheNamedCollectionEveryTimeAndReservesNothing)
{
    bus.addItem("Intro", Kind::Intro);
    EXPECT_EQ(collection.nextName("Intro", Kind::Intro), "Intro_01");
    EXPECT_EQ(collection.nextName("Intro", Kind::Intro), "Intro_01");
    const auto requests = bus.spy.log.all<ImportBus::Get>();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].collectionId, "user-imports");
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

TEST(ItemNamingWithoutCollection, EveryNameIsFreeAndNothingRemovable)
{
    const Import::UserCollection collection("user-intros", "intros", QString());
    EXPECT_EQ(collection.nextName("Intro", Kind::Intro), "Intro");
    EXPECT_FALSE(collection.itemRemovable("Intro", Kind::Intro));
}

} // namespace
