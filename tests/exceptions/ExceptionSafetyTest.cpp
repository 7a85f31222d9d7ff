// Every exported operation under a subscriber that throws on the n-th message it
// hears, for every n the operation sends, with the real services: the exception
// reaches the caller, the bus holds what it held before, nothing stored is lost and
// the next call works. Items leaked on the way out show in LeakSanitizer's report.

#include <BusCounts.h>
#include <CollectionHelper.h>
#include <ContainerView.h>
#include <Effect/UserEffects.h>
#include <Import/UserCollection.h>
#include <Model/CollectionID.h>
#include <Model/Timeline.h>
#include <Model/Translator.h>
#include <Overlay/OverlayPresets.h>
#include <Records.h>
#include <Services/CollectionBrowser.h>
#include <Services/CollectionService.h>
#include <Services/PersistenceService.h>
#include <Settings/Settings.h>
#include <TempDataRoot.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <optional>
#include <stdexcept>

namespace {

using namespace EditorCollection;
using Effect::AudioEqualizer;
using Effect::ManualEnhance;
using Kind = Import::Object::Kind;
namespace Box = Message::Types; // the container messages

PubSub::Details::Dispatcher::Counts busCounts()
{
    return PubSub::Details::Dispatcher::instance().counts();
}

struct TestException : std::runtime_error {
    TestException()
        : std::runtime_error("thrown by a test subscriber")
    {
    }
};

// The messages the throwers heard, and the one they throw on (0: none).
struct Tally {
    int heard = 0;
    int throwAt = 0;

    void hear()
    {
        if (++heard == throwAt)
            throw TestException();
    }
} tally;

template <class M>
class Hears : public virtual PubSub::Details::Subscriber<M> {
    void handle(const M&) override { tally.hear(); }
};

template <class... M>
class Hearing : public PubSub::Subscriber<M...>, private Hears<M>... {
};

// Hears, from every sender, every message about items of type T, their records and
// their collections' containers.
template <class T, class C = Container<T>>
class Thrower
    : public Hearing<StorePersistentItemRequest<T>, LoadPersistentItemRequest<T>,
          RemovePersistentItemRequest<T>, UpgradePersistentItemRequest<T>, StorePersistentItemNotification<T>,
          LoadPersistentItemNotification<T>, GetCollectionRequest<T>, RegisterItemRequest<T>,
          LocateCollectionRequest<T>, LocateItemRequest<T>, LocateItemsRequest<T>, LocateCategoryRequest<T>,
          RegisterCategoriesRequest<T>, RegisterCategoryDescriptionRequest<T>, GetCollectionNotification<T>,
          Box::Add<C>, Box::Change<C>, Box::Remove<C>, Box::Enumerate<C>, Box::Added<C>, Box::Changed<C>,
          Box::Removed<C>, Box::Enumerated<C>> {
public:
    Thrower()
    {
        this->template subscribeAll<PersistentItem<T>>();
        this->template subscribeAll<T>();
        this->template subscribeAll<C>();
    }
};

struct Throwers {
    Thrower<Effect::Object> effects;
    Thrower<Import::Object> imports;
    Thrower<Overlay::Preset> titles;
};

// Before the services, the thrower hears each message first; after them, last.
enum class Placement { ThrowerFirst, ThrowerLast };

const char* const UserEffects = "user effects";

// The services on a fresh data root, holding what a user has saved already.
struct World {
    explicit World(Placement placement)
    {
        if (placement == Placement::ThrowerFirst)
            throwers.emplace();
        persistence.emplace();
        collections.emplace();
        browser.emplace();
        if (placement == Placement::ThrowerLast)
            throwers.emplace();

        equalizer.preamp = 3;
        title.text = "Hello";
        timeline.tracks.push_back({ "video", { { "clip.mp4", 0, 1500 } } });
        const Import::Object clipItem = Testing::withId<Import::Object>("clip");
        AudioEqualizer warm;
        warm.preamp = 1;
        const bool saved = Effect::saveUserEffect(&warm, "Warm", {}, preview)
            && Effect::saveUserEffect(&equalizer, "Bright", UserEffects, preview)
            && Effect::saveUserEffect(&enhance, "Vivid", UserEffects, preview)
            && (clip = imports.saveUserImport(&clipItem, "clip.xml", preview, "u-clip"))
            && intros->saveUserIntro(&timeline, "Opening", preview)
            && Overlay::saveUserPreset(&title, "Greeting");
        EXPECT_TRUE(saved);
    }
    ~World() { Translator::clear(); }

    template <class T>
    std::set<std::string> idsIn(const std::string& collectionId) const
    {
        std::set<std::string> ids;
        if (const Container<T>* c = collections->container<T>(collectionId))
            for (const T* item : c->items)
                ids.insert(item ? item->id : std::string());
        return ids;
    }
    std::size_t titleCount() const { return idsIn<Overlay::Preset>(CollectionID::TITLES).size(); }
    QString fresh(const char* stem) { return QStringLiteral("%1-%2").arg(stem).arg(++made); }
    QString effectFile(const Effect::Object& preset, const char* type = AudioEqualizer::NameInArchive()) const
    {
        return QDir(Settings::userEffectsPath(type)).filePath(QString::fromStdString(preset.id));
    }

    Testing::TempDataRoot root;
    std::optional<Throwers> throwers;
    std::optional<Services::PersistenceService> persistence;
    std::optional<Services::CollectionService> collections;
    std::optional<Services::CollectionBrowser> browser;

    Import::UserCollection imports { "user-imports", "category_mine", Settings::userImportsPath() };
    const std::unique_ptr<Import::UserCollection> intros = Import::UserCollection::makeIntroCollection();
    const std::shared_ptr<const Types::Image> preview = Testing::image();
    AudioEqualizer equalizer;
    ManualEnhance enhance;
    Overlay::Preset title;
    Timeline::Object timeline;
    const Import::Object* clip = nullptr;
    int made = 0;
    std::shared_ptr<const AudioEqualizer> doomedEffect;
    QString doomedImport;
    // The files (absolute) and item ids that the operation under test may remove.
    std::set<QString> mayRemove;
};

// What must survive any failed call: every file stored and every item collected.
struct Stored {
    explicit Stored(const World& w)
    {
        for (const QString& file : w.root.files()) {
            const QString path = QDir(w.root.path()).filePath(file);
            if (!w.mayRemove.count(path))
                files[path] = Testing::readFile(path);
        }
        effects = w.idsIn<Effect::Object>(UserEffects);
        imports = w.idsIn<Import::Object>(w.imports.id());
        intros = w.idsIn<Import::Object>(w.intros->id());
        titles = w.idsIn<Overlay::Preset>(CollectionID::TITLES);
        for (const QString& id : w.mayRemove)
            imports.erase(id.toStdString());
    }

    void expectStillIn(const World& w) const
    {
        for (const auto& [file, bytes] : files)
            EXPECT_EQ(Testing::readFile(file), bytes) << file.toStdString();
        const Stored now(w);
        for (const auto& [before, after] :
            { std::pair(&effects, &now.effects), std::pair(&imports, &now.imports),
                std::pair(&intros, &now.intros), std::pair(&titles, &now.titles) })
            for (const std::string& id : *before)
                EXPECT_TRUE(after->count(id)) << id;
    }

    std::map<QString, QByteArray> files;
    std::set<std::string> effects, imports, intros, titles;
};

// One operation: untallied set-up returns the tallied call, which returns the check
// of its result (run only when the call did not throw).
using Verify = std::function<void()>;
using Call = std::function<Verify()>;
struct Operation {
    std::string name;
    std::function<Call(World&)> prepare;
};

void PrintTo(const Operation& operation, std::ostream* out)
{
    *out << operation.name;
}

Operation row(std::string name, std::function<Verify(World&)> call)
{
    return { std::move(name), [call](World& w) -> Call { return [call, &w] { return call(w); }; } };
}

const std::vector<Operation> operations = {
    row("SaveUserEffect",
        [](World& w) -> Verify {
            const auto saved = std::shared_ptr(Effect::saveUserEffect(&w.equalizer, "Fresh", {}, w.preview));
            return [&w, saved] {
                ASSERT_TRUE(saved);
                EXPECT_EQ(saved->preamp, 3);
                EXPECT_TRUE(QFile::exists(w.effectFile(*saved)));
            };
        }),
    row("SaveUserEffectIntoCollection",
        [](World& w) -> Verify {
            const auto saved
                = std::shared_ptr(Effect::saveUserEffect(&w.enhance, "Fresh", UserEffects, w.preview));
            return [&w, saved] {
                ASSERT_TRUE(saved);
                EXPECT_TRUE(w.idsIn<Effect::Object>(UserEffects).count(saved->id));
                EXPECT_TRUE(QFile::exists(w.effectFile(*saved, ManualEnhance::NameInArchive())));
            };
        }),
    row("LoadUserEffects",
        [](World&) -> Verify {
            const auto loaded = std::make_shared<std::map<QString, std::unique_ptr<const AudioEqualizer>>>(
                Effect::loadUserEffects<AudioEqualizer>());
            return [loaded] {
                ASSERT_EQ(loaded->size(), 2u);
                EXPECT_EQ(loaded->at("Warm")->preamp, 1);
                EXPECT_EQ(loaded->at("Bright")->preamp, 3);
            };
        }),
    { "RemoveUserEffect",
        [](World& w) -> Call {
            // A preset that a failed call left stored is the one the next call removes.
            if (!w.doomedEffect || !QFile::exists(w.effectFile(*w.doomedEffect))) {
                w.doomedEffect
                    = std::shared_ptr(Effect::saveUserEffect(&w.equalizer, "Doomed", {}, w.preview));
                w.mayRemove = { w.effectFile(*w.doomedEffect) };
            }
            return [&w] {
                Effect::removeUserEffect(w.doomedEffect.get());
                return [&w] { EXPECT_FALSE(QFile::exists(w.effectFile(*w.doomedEffect))); };
            };
        } },
    row("CopyMoveAndSettingsOfACollection",
        [](World& w) -> Verify {
            Import::UserCollection copy(w.imports);
            Import::UserCollection moved(std::move(copy));
            moved.setStoragePath("elsewhere");
            const auto intros = Import::UserCollection::makeIntroCollection();
            return [copy = copy.storagePath(), moved = moved.storagePath(), category = intros->category()] {
                EXPECT_TRUE(copy.isEmpty());
                EXPECT_EQ(moved, "elsewhere");
                EXPECT_EQ(category, "intros");
            };
        }),
    row("NameAvailable",
        [](World& w) -> Verify {
            const bool available = w.imports.nameAvailable("clip", Kind::File);
            return [available] { EXPECT_FALSE(available); };
        }),
    row("NextImportName",
        [](World& w) -> Verify {
            const QString name = w.intros->nextName("Opening", Kind::Intro);
            return [name] { EXPECT_EQ(name, "Opening_01"); };
        }),
    row("ItemRemovable",
        [](World& w) -> Verify {
            const bool removable = w.imports.itemRemovable("clip", Kind::File);
            return [removable] { EXPECT_TRUE(removable); };
        }),
    row("SaveUserImport",
        [](World& w) -> Verify {
            const QString name = w.fresh("import");
            const auto item = Testing::withId<Import::Object>(name.toStdString());
            const Import::Object* saved = w.imports.saveUserImport(&item, name, w.preview, "u");
            return [&w, saved, name] {
                ASSERT_NE(saved, nullptr);
                EXPECT_TRUE(w.idsIn<Import::Object>(w.imports.id()).count(name.toStdString()));
                EXPECT_TRUE(QFile::exists(QDir(w.imports.storagePath()).filePath(name)));
            };
        }),
    row("SaveUserIntro",
        [](World& w) -> Verify {
            const Import::Object* saved = w.intros->saveUserIntro(&w.timeline, "Opening", w.preview);
            return [&w, saved] {
                ASSERT_NE(saved, nullptr);
                EXPECT_TRUE(w.idsIn<Import::Object>(w.intros->id()).count(saved->id));
                EXPECT_TRUE(QFile::exists(QString::fromStdString(saved->path)));
            };
        }),
    { "RemoveUserImport",
        [](World& w) -> Call {
            // An item that a failed call left in the collection is the one the next call removes.
            if (w.doomedImport.isEmpty()
                || !w.idsIn<Import::Object>(w.imports.id()).count(w.doomedImport.toStdString())) {
                w.doomedImport = w.fresh("doomed");
                const auto item = Testing::withId<Import::Object>(w.doomedImport.toStdString());
                EXPECT_TRUE(w.imports.saveUserImport(&item, w.doomedImport, w.preview, "u"));
                w.mayRemove = { w.doomedImport, QDir(w.imports.storagePath()).filePath(w.doomedImport) };
            }
            return [&w] {
                const bool removed = w.imports.removeUserImport(w.doomedImport, Kind::File);
                return [&w, removed] {
                    EXPECT_TRUE(removed);
                    EXPECT_FALSE(w.idsIn<Import::Object>(w.imports.id()).count(w.doomedImport.toStdString()));
                    EXPECT_FALSE(QFile::exists(QDir(w.imports.storagePath()).filePath(w.doomedImport)));
                };
            };
        } },
    row("LocateItem",
        [](World& w) -> Verify {
            w.imports.locateItem(w.clip);
            return [&w] { EXPECT_EQ(w.browser->shown().itemId, "clip"); };
        }),
    row("LocateCategory",
        [](World& w) -> Verify {
            w.imports.locateCategory(true);
            return [&w] {
                EXPECT_EQ(w.browser->shown().categoryId, "category_mine");
                EXPECT_TRUE(w.browser->shown().flag);
            };
        }),
    row("SavePreset",
        [](World& w) -> Verify {
            const QString path = QDir(Settings::userOverlaysPath()).filePath(w.fresh("preset"));
            const bool saved = Overlay::savePreset(&w.title, "Greeting", path, { "custom" });
            return [path, saved] {
                EXPECT_TRUE(saved);
                EXPECT_TRUE(QFile::exists(path));
            };
        }),
    row("SaveUserPreset",
        [](World& w) -> Verify {
            const std::size_t before = w.titleCount();
            const bool saved = Overlay::saveUserPreset(&w.title, "Greeting");
            return [&w, before, saved] {
                EXPECT_TRUE(saved);
                EXPECT_EQ(w.titleCount(), before + 1);
            };
        }),
    row("NextTitleName",
        [](World&) -> Verify {
            const QString name = Overlay::nextName("Greeting");
            return [name] { EXPECT_EQ(name, "Greeting_01"); };
        }),
};

class ExceptionSafety : public ::testing::TestWithParam<std::tuple<Operation, Placement>> {
protected:
    const Operation& operation() const { return std::get<0>(GetParam()); }

    // A call with nothing thrown: works, gives the right result, leaves the bus as it
    // was. Returns the number of messages the call sent.
    int runClean()
    {
        const Call call = operation().prepare(world);
        const auto before = busCounts();
        tally = Tally();
        const Verify verify = call();
        const int heard = tally.heard;
        verify();
        EXPECT_EQ(busCounts(), before);
        return heard;
    }

    World world { std::get<1>(GetParam()) };
};

TEST_P(ExceptionSafety, AThrowAtAnyMessageReachesTheCallerAndLeavesNothingBehind)
{
    const int messages = runClean();
    RecordProperty("messages", messages);
    for (int n = 1; n <= messages; ++n) {
        SCOPED_TRACE(testing::Message() << "thrown at message " << n << " of " << messages);
        const Call call = operation().prepare(world);
        const Stored stored(world);
        const auto before = busCounts();
        tally = Tally { 0, n };
        EXPECT_THROW(call(), TestException);
        tally = Tally();
        EXPECT_EQ(busCounts(), before);
        stored.expectStillIn(world);
        EXPECT_EQ(runClean(), messages);
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, ExceptionSafety,
    testing::Combine(
        testing::ValuesIn(operations), testing::Values(Placement::ThrowerFirst, Placement::ThrowerLast)),
    [](const testing::TestParamInfo<ExceptionSafety::ParamType>& info) {
        return std::get<0>(info.param).name
            + (std::get<1>(info.param) == Placement::ThrowerFirst ? "_ThrowerFirst" : "_ThrowerLast");
    });

} // namespace
