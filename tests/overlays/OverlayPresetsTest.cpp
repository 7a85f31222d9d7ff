#include <Model/CollectionID.h>
#include <Model/OverlayPreset.h>
#include <Overlay/OverlayPresets.h>
#include <Overlay/UserTitles.h>
#include <ScriptedBus.h>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <WithServices.h>
#include <gmock/gmock.h>
#include <rapidcheck/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QUuid>

#include <algorithm>

namespace {

using namespace Testing;
using TitleBus = ScriptedBus<Overlay::Preset>;
using ::testing::UnorderedElementsAre;

// The naming rule as a user states it: a name nobody shows is kept as it is; otherwise
// one trailing "_<digits>" is dropped and the first of stem_01, stem_02, ... stem_100 ...
// that nobody shows is proposed. Compared exactly: case and blanks count.
QString expectedName(const std::vector<std::string>& shown, const QString& wanted)
{
    const auto isShown = [&shown](const QString& name) {
        return std::find(shown.begin(), shown.end(), name.toStdString()) != shown.end();
    };
    if (!isShown(wanted))
        return wanted;
    const QString stem = QString(wanted).remove(QRegularExpression("_[0-9]+$"));
    for (int n = 1;; ++n) {
        const QString candidate = stem + (n < 10 ? "_0" : "_") + QString::number(n);
        if (!isShown(candidate))
            return candidate;
    }
}

// Names made of pieces that meet the rule's edges: numbers of one, two and three
// digits, a leading zero, an underscore without digits, case, a blank, a number in the middle.
rc::Gen<std::string> nameGen()
{
    return rc::gen::apply([](const std::string& base, const std::string& middle,
                              const std::string& end) { return base + middle + end; },
        rc::gen::element<std::string>("Title", "title", ""),
        rc::gen::element<std::string>("", "", "_1", "_07"),
        rc::gen::element<std::string>("", "_01", "_02", "_1", "_10", "_99", "_100", "_001", "_", " ", "_x"));
}

RC_GTEST_PROP(TitleNaming, ProposesTheWantedNameOrTheFirstFreeNumberedVariantOfItsStem, ())
{
    std::vector<std::string> shown = *rc::gen::container<std::vector<std::string>>(nameGen());
    // Sometimes a long run of numbered names, so that numbers past 99 are needed.
    const int run
        = *rc::gen::weightedOneOf<int>({ { 3, rc::gen::just(0) }, { 1, rc::gen::inRange(90, 110) } });
    for (int n = 1; n <= run; ++n)
        shown.push_back(QStringLiteral("Title_%1").arg(n, 2, 10, QLatin1Char('0')).toStdString());
    const QString wanted = QString::fromStdString(*nameGen());

    TitleBus bus;
    for (const std::string& name : shown)
        bus.add(name);
    RC_ASSERT(Overlay::nextName(wanted) == expectedName(shown, wanted));
    RC_ASSERT(bus.spy.log.types() == typesOf<TitleBus::Get>());
}

TEST(TitleNames, AreTheTranslatedIdsAndNothingIsReserved)
{
    TitleBus bus;
    bus.add("t-1");
    Translator::addTranslation("t-1", "Greeting");

    EXPECT_EQ(Overlay::nextName("Greeting"), "Greeting_01");
    EXPECT_EQ(Overlay::nextName("Greeting"), "Greeting_01");
    EXPECT_EQ(Overlay::nextName("t-1"), "t-1");
}

class SavingTitles : public ::testing::Test {
protected:
    SavingTitles()
    {
        preset.id = "preset-1";
        preset.secondaryId = "second";
        preset.text = "Hello world";
    }

    std::string storedName() const { return bus.stored.back().customStrings.at(bus.storedItems.back().id); }

    TempDataRoot root;
    TitleBus bus;
    Overlay::Preset preset;
};

TEST_F(SavingTitles, AUserPresetIsStoredReadBackRegisteredAndShown)
{
    ASSERT_TRUE(Overlay::saveUserPreset(&preset, "Greeting"));

    const auto& log = bus.spy.log;
    ASSERT_EQ(log.types(),
        (typesOf<TitleBus::Get, TitleBus::Get, TitleBus::Store, TitleBus::Load, TitleBus::Register,
            TitleBus::LocateCollection, TitleBus::LocateItem>()));
    const TitleBus::Record& record = bus.stored.at(0);
    const Overlay::Preset& copy = bus.storedItems.at(0);
    EXPECT_EQ(copy.id.size(), 38u);
    EXPECT_EQ(copy.secondaryId, copy.id);
    EXPECT_NE(copy.id, preset.id);
    EXPECT_EQ(copy.text, preset.text);
    EXPECT_EQ(record.customStrings, (std::map<std::string, std::string> { { copy.id, "Greeting" } }));
    EXPECT_EQ(record.categories, std::set<std::string> { "category_my_titles" });
    EXPECT_EQ(record.collectionId, EditorCollection::CollectionID::TITLES);

    // A file of its own in the titles folder, named by a fresh uuid that is not the item's id.
    const QFileInfo file(QString::fromStdString(log.all<TitleBus::Store>()[0].path));
    EXPECT_EQ(file.absolutePath(), QDir(Settings::userOverlaysPath()).absolutePath());
    EXPECT_EQ(QUuid(file.fileName()).toString(), file.fileName());
    EXPECT_NE(file.fileName().toStdString(), copy.id);
    EXPECT_EQ(log.all<TitleBus::Load>()[0].path, log.all<TitleBus::Store>()[0].path);

    ASSERT_EQ(bus.held.size(), 1u);
    const TitleBus::Register registration = log.all<TitleBus::Register>()[0];
    EXPECT_EQ(registration.registerMode, 1);
    EXPECT_EQ(registration.object, bus.held[0].get());
    EXPECT_EQ(log.all<TitleBus::LocateCollection>()[0].collectionId, EditorCollection::CollectionID::TITLES);
    EXPECT_EQ(log.all<TitleBus::LocateItem>()[0].object, bus.held[0].get());

    EXPECT_EQ(preset.id, "preset-1");
    EXPECT_EQ(preset.secondaryId, "second");
}

TEST_F(SavingTitles, TheTitlesPreviewIsSharedElseAGraySquareIsMade)
{
    const auto shown = image(Qt::blue);
    bus.container.previews[&bus.add("other")] = image(Qt::blue);
    bus.container.previews[&bus.add(preset.id)] = shown;

    ASSERT_TRUE(Overlay::savePreset(&preset, "A", "a.xml", {}));
    EXPECT_EQ(bus.stored.at(0).preview, shown);

    bus.container.previews.clear();
    ASSERT_TRUE(Overlay::savePreset(&preset, "A", "a.xml", {}));
    const std::shared_ptr<const Types::Image> made = bus.stored.at(1).preview;
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->size(), QSize(80, 80));
    const QImage pixels = made->toImage();
    EXPECT_EQ(pixels.pixelColor(0, 0), QColor(Qt::gray));
    EXPECT_EQ(pixels.pixelColor(79, 79), QColor(Qt::gray));
}

TEST_F(SavingTitles, SavePresetStoresUnderThePathAndCategoriesWithAUniqueNameAndRegistersNothing)
{
    Translator::addTranslation(preset.id, "Hello");
    bus.add(preset.id);

    ASSERT_TRUE(Overlay::savePreset(&preset, QString(), "some/path", { "c1", "c2" }));
    EXPECT_EQ(bus.spy.log.types(), (typesOf<TitleBus::Get, TitleBus::Get, TitleBus::Store>()));
    EXPECT_EQ(bus.spy.log.all<TitleBus::Store>()[0].path, "some/path");
    EXPECT_EQ(bus.stored.at(0).categories, (std::set<std::string> { "c1", "c2" }));
    EXPECT_EQ(storedName(), "Hello_01");

    Overlay::savePreset(&preset, "hello", "a.xml", {});
    EXPECT_EQ(storedName(), "hello");

    Overlay::savePreset(&preset, "  ", "a.xml", {});
    EXPECT_EQ(storedName(), "  ");
}

TEST_F(SavingTitles, NothingIsRegisteredUnlessAPresetIsStoredAndReadBackAsOneRecord)
{
    EXPECT_FALSE(Overlay::savePreset(nullptr, "A", "a.xml", {}));
    EXPECT_FALSE(Overlay::saveUserPreset(nullptr, "A"));
    EXPECT_TRUE(bus.spy.log.entries.empty());

    bus.storeSucceeds = false;
    EXPECT_FALSE(Overlay::saveUserPreset(&preset, "A"));
    EXPECT_EQ(bus.spy.log.all<TitleBus::Load>().size(), 0u);

    bus.storeSucceeds = true;
    for (int count : { 0, 2 }) {
        bus.loadCount = count;
        bus.spy.log.clear();
        EXPECT_FALSE(Overlay::saveUserPreset(&preset, "A"));
        EXPECT_EQ(
            bus.spy.log.types(), (typesOf<TitleBus::Get, TitleBus::Get, TitleBus::Store, TitleBus::Load>()));
    }
    EXPECT_TRUE(bus.held.empty());
    EXPECT_EQ(liveReadBacks, 0);
}

} // namespace

class EditingTitles : public WithServices {
protected:
    const Overlay::Preset* save(const QString& name)
    {
        Overlay::Preset title;
        title.text = name.toStdString();
        return Overlay::saveUserTitle(&title, name, nullptr);
    }
    QStringList shownNames()
    {
        QStringList shown;
        for (const Overlay::Preset* title :
            collections->collection<Overlay::Preset>(EditorCollection::CollectionID::TITLES).items)
            shown += Translator::translate(title->id);
        return shown;
    }
};

TEST_F(EditingTitles, ARenameKeepsTheRecordAndShowsAtOnceAndAfterARestart)
{
    const Overlay::Preset* hello = save("Hello");
    ASSERT_TRUE(hello && save("Bye"));
    const QStringList files = root.files();
    const std::string id = hello->id;

    EXPECT_FALSE(Overlay::renameUserTitle(hello, "Bye"));
    EXPECT_FALSE(Overlay::renameUserTitle(nullptr, "Hi"));
    EXPECT_TRUE(Overlay::renameUserTitle(hello, "Hello"));
    ASSERT_TRUE(Overlay::renameUserTitle(hello, "Hi"));

    EXPECT_EQ(Testing::withoutTrash(root.files()), files);
    EXPECT_EQ(hello->id, id);
    EXPECT_THAT(shownNames(), UnorderedElementsAre("Hi", "Bye"));
    Translator::clear();
    collections.emplace();
    collections->loadFolder(root.path());
    EXPECT_THAT(shownNames(), UnorderedElementsAre("Hi", "Bye"));
}

TEST_F(EditingTitles, ARemovalDeletesTheRecordAndOnlyATitleTheCollectionHolds)
{
    const Overlay::Preset* hello = save("Hello");
    ASSERT_TRUE(hello && save("Bye"));
    const Overlay::Preset stray = *hello;

    EXPECT_FALSE(Overlay::removeUserTitle(&stray));
    EXPECT_FALSE(Overlay::removeUserTitle(nullptr));
    ASSERT_TRUE(Overlay::removeUserTitle(hello));

    EXPECT_EQ(Testing::withoutTrash(root.files()).size(), 1);
    EXPECT_THAT(shownNames(), UnorderedElementsAre("Bye"));
}
