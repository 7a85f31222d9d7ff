#include "ImportBus.h"

#include <Import/UserCollection.h>
#include <gtest/gtest.h>

namespace {

using Testing::ImportBus;
using Kind = Import::Object::Kind;

struct NamingRow {
    const char* caseName;
    std::vector<std::string> taken; // display names of intros in the collection
    QString wanted;
    QString expected;
};

std::vector<std::string> introAndNumberedUpTo(int last)
{
    std::vector<std::string> names { "Intro" };
    for (int n = 1; n <= last; ++n)
        names.push_back(QStringLiteral("Intro_%1").arg(n, 2, 10, QChar('0')).toStdString());
    return names;
}

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
        NamingRow { "HundredthVariant", introAndNumberedUpTo(99), "Intro", "Intro_100" },
        NamingRow { "CaseMatters", { "Intro" }, "intro", "intro" },
        NamingRow { "NameHeldTwice", { "Intro", "Intro" }, "Intro", "Intro_01" },
        NamingRow { "BlanksAreNotTrimmed", { "Intro" }, "Intro ", "Intro " }),
    [](const ::testing::TestParamInfo<NamingRow>& info) { return std::string(info.param.caseName); });

TEST(ItemNamingQueries, ItemsOfAnotherKindNeverTakeAName)
{
    ImportBus bus;
    bus.addItem("Intro", Kind::Video);
    const Import::UserCollection collection("user-imports", "imports", QString());

    EXPECT_TRUE(collection.nameAvailable("Intro", Kind::Intro));
    EXPECT_FALSE(collection.nameAvailable("Intro", Kind::Video));
}

TEST(ItemNamingQueries, NextNameAsksTheNamedCollectionEveryTimeAndReservesNothing)
{
    ImportBus bus;
    bus.addItem("Intro", Kind::Intro);
    const Import::UserCollection collection("user-intros", "intros", QString());

    EXPECT_EQ(collection.nextName("Intro", Kind::Intro), "Intro_01");
    EXPECT_EQ(collection.nextName("Intro", Kind::Intro), "Intro_01");
    const auto requests = bus.spy.log.all<ImportBus::Get>();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].collectionId, "user-intros");
}

TEST(ItemNamingQueries, ItemRemovableLooksOnlyAtRemovableItemsOfTheKind)
{
    ImportBus bus;
    const Import::UserCollection collection("user-imports", "imports", QString());
    EXPECT_FALSE(collection.itemRemovable("Clip", Kind::Video));

    bus.addItem("Fixed", Kind::Video, false);
    bus.addItem("Clip", Kind::Video);

    EXPECT_TRUE(collection.itemRemovable("Clip", Kind::Video));
    EXPECT_FALSE(collection.itemRemovable("Clip", Kind::Audio));
    EXPECT_FALSE(collection.itemRemovable("Fixed", Kind::Video));
    EXPECT_FALSE(collection.itemRemovable("clip", Kind::Video));
}

TEST(ItemNamingQueries, WithoutAnAnsweringCollectionEveryNameIsFree)
{
    const Import::UserCollection collection("user-intros", "intros", QString());

    EXPECT_EQ(collection.nextName("Intro", Kind::Intro), "Intro");
    EXPECT_FALSE(collection.itemRemovable("Intro", Kind::Intro));
}

} // namespace
